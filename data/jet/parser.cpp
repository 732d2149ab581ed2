// The parser's handling of tokens and names, and the choice of statement.
#include "data/jet/parser.h"
#include "data/jet/names.h"

#include <algorithm>
#include <cctype>

#include "data/values/utf8.h"

namespace ornetta::jet {

namespace {

bool IsReserved(const std::string& upper) {
  static const char* const kWords[] = {
      "SELECT",  "FROM",   "WHERE",    "GROUP",  "HAVING",     "ORDER",     "BY",    "INSERT", "INTO",
      "VALUES",  "UPDATE", "SET",      "DELETE", "CREATE",     "DROP",      "ALTER", "TABLE",  "INDEX",
      "AND",     "OR",     "NOT",      "XOR",    "EQV",        "IMP",       "MOD",   "LIKE",   "ALIKE",
      "BETWEEN", "IN",     "IS",       "AS",     "ON",         "JOIN",      "INNER", "LEFT",   "RIGHT",
      "OUTER",   "UNION",  "DISTINCT", "TOP",    "PARAMETERS", "TRANSFORM", "PIVOT"};
  for (const char* w : kWords)
    if (upper == w) return true;
  return false;
}

}  // namespace

ast::Statement Parse(std::string_view sql, const Clock& clock) {
  const size_t characters = utf8::Length(sql);
  if (characters > kMaxStatementCharacters)
    throw Error(err::kSyntax, "The statement is " + std::to_string(characters) +
                                  " characters long; a statement may have at most " +
                                  std::to_string(kMaxStatementCharacters) + " characters, as in Jet.");
  return Parser(sql, clock).Statement();
}

ast::Statement Parser::Statement() {
  ast::Statement s{};
  if (AtEnd()) throw Error(err::kSyntax, "The statement is empty.");
  if (IsWord("PARAMETERS")) Parameters(s);
  const std::string verb = Upper(Peek().text);
  if (Peek().kind != TokenKind::kName)
    throw Fail("a statement must begin with SELECT, INSERT, UPDATE, DELETE, CREATE, DROP or ALTER");
  if (verb == "SELECT" || verb == "TRANSFORM") {
    into_ = &s.table;
    s.select = Select();
    s.kind = s.table.empty() ? ast::Statement::kSelect : ast::Statement::kSelectInto;
  } else if (verb == "DELETE") {
    Delete(s);
  } else if (verb == "INSERT") {
    Insert(s);
  } else if (verb == "UPDATE") {
    Update(s);
  } else if (verb == "CREATE") {
    Create(s);
  } else if (verb == "DROP") {
    Drop(s);
  } else if (verb == "ALTER") {
    Alter(s);
  } else {
    throw Fail("'" + Peek().text + "' statements are not supported");
  }
  if (IsSymbol(";")) Next();
  if (!AtEnd()) throw Fail("unexpected '" + Peek().text + "' after the end of the statement");
  return s;
}

bool Parser::IsSymbol(const char* s, size_t ahead) const {
  return Peek(ahead).kind == TokenKind::kSymbol && Peek(ahead).text == s;
}

bool Parser::IsWord(const char* w, size_t ahead) const {
  const Token& t = Peek(ahead);
  return t.kind == TokenKind::kName && !t.bracketed && SameName(t.text, w);
}

bool Parser::AcceptWord(const char* w) {
  if (!IsWord(w)) return false;
  ++pos_;
  return true;
}

bool Parser::AcceptSymbol(const char* s) {
  if (!IsSymbol(s)) return false;
  ++pos_;
  return true;
}

void Parser::ExpectWord(const char* w) {
  if (!AcceptWord(w)) throw Fail(std::string("expected ") + w);
}

void Parser::ExpectSymbol(const char* s) {
  if (!AcceptSymbol(s)) throw Fail(std::string("expected '") + s + "'");
}

Error Parser::Fail(const std::string& what) const {
  const Token& t = Peek();
  const std::string where =
      t.kind == TokenKind::kEnd ? "at the end of the statement" : "at character " + std::to_string(t.offset + 1);
  return Error(err::kSyntax, "Syntax error " + where + ": " + what + ".");
}

std::string Parser::Name() {
  if (Peek().kind != TokenKind::kName) throw Fail("expected a name");
  if (!Peek().bracketed && IsReserved(Upper(Peek().text)))
    throw Fail("'" + Peek().text + "' is a reserved word; write [" + Peek().text + "] for a name");
  return Next().text;
}

// Other databases ([file].table, IN 'file') are not reached.
std::string Parser::TableName() {
  std::string name = Name();
  if (IsSymbol(".")) throw Fail("tables of other databases are not supported");
  return name;
}

bool Parser::IsKeyword() const {
  static const char* const kWords[] = {"WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INNER", "LEFT", "RIGHT",
                                       "JOIN",  "ON",    "FULL",   "CROSS", "SET",   "OUTER", "IN",   "PIVOT"};
  for (const char* w : kWords)
    if (IsWord(w)) return true;
  return false;
}

Parser::Nested::Nested(Parser& p) : p_(p) {
  static constexpr int kMaxDepth = 200;
  if (++p_.depth_ > kMaxDepth) throw p_.Fail("the statement is nested too deeply");
}

}  // namespace ornetta::jet
