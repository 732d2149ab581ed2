// Reads a Jet SQL statement into its parse tree (ast.h). It checks the syntax and the literals
// only; names, functions and types are the binder's.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "data/values/clock.h"
#include "data/values/error.h"
#include "data/jet/ast.h"
#include "data/jet/tokenizer.h"

namespace ornetta::jet {

// Jet's own limit on the length of a statement. Every pass over the statement takes time and
// memory in proportion to its length (the writer's TOP with ties excepted, which is bounded
// separately), so this bounds the work a pasted statement can cause.
inline constexpr size_t kMaxStatementCharacters = 64000;

// Throws Error (syntax) with a message that says what was expected where, or that the statement is
// longer than kMaxStatementCharacters. A date literal without a year ("#12/9#") is of the current
// year on `clock`.
ast::Statement Parse(std::string_view sql, const Clock& clock = SystemClock());

// The recursive descent behind Parse. Expressions follow Jet's precedence, from loosest to
// tightest: Imp, Eqv, Xor, Or, And, Not, comparisons (= <> < > <= >= Like Is Between In), &,
// + and -, Mod, \, * and /, unary minus, ^.
class Parser {
 public:
  Parser(std::string_view sql, const Clock& clock) : tokens_(Tokenize(sql)), clock_(clock) {}
  ast::Statement Statement();

 private:
  // --- tokens (parser.cpp) ---
  const Token& Peek(size_t ahead = 0) const { return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)]; }
  const Token& Next() { return tokens_[std::min(pos_++, tokens_.size() - 1)]; }
  bool AtEnd() const { return Peek().kind == TokenKind::kEnd; }
  bool IsSymbol(const char* s, size_t ahead = 0) const;
  bool IsWord(const char* w, size_t ahead = 0) const;
  bool AcceptWord(const char* w);
  bool AcceptSymbol(const char* s);
  void ExpectWord(const char* w);
  void ExpectSymbol(const char* s);
  Error Fail(const std::string& what) const;
  std::string Name();       // a table, column, alias or index name
  std::string TableName();  // a table of the open database
  bool IsKeyword() const;   // a word that ends a table reference

  // Bounds nesting (parentheses, subqueries, repeated unary operators) so that a hostile
  // statement cannot exhaust the stack; Jet too refuses expressions that are too complex.
  class Nested {
   public:
    explicit Nested(Parser& p);
    ~Nested() { --p_.depth_; }
    Nested(const Nested&) = delete;
    Nested& operator=(const Nested&) = delete;

   private:
    Parser& p_;
  };

  // --- expressions (parse_expression.cpp) ---
  ast::ExprPtr Expression();
  ast::ExprPtr Imp();
  ast::ExprPtr Eqv();
  ast::ExprPtr Xor();
  ast::ExprPtr Or();
  ast::ExprPtr And();
  ast::ExprPtr Not();
  ast::ExprPtr LogicalChain(ast::ExprPtr (Parser::*operand)(), const char* word, ast::Op op, const char* bit_word,
                            ast::Op bit_op);
  ast::ExprPtr Comparison();
  ast::ExprPtr Concat();
  ast::ExprPtr Additive();
  ast::ExprPtr Modulo();
  ast::ExprPtr IntDivide();
  ast::ExprPtr Multiplicative();
  ast::ExprPtr Unary();
  ast::ExprPtr Power();
  ast::ExprPtr Primary();
  ast::ExprPtr Call();
  ast::ExprPtr Column();
  ast::ExprPtr Node(ast::ExprKind kind, size_t offset);
  // Makes `operand` the next operand of `e`. Chains of operators (1 + 1 + ...) are read by loops
  // but make deep trees: their height is bounded as nesting is.
  void Adopt(ast::Expr& e, ast::ExprPtr operand);
  ast::ExprPtr Binary(ast::Op op, size_t offset, ast::ExprPtr left, ast::ExprPtr right);

  // --- SELECT (parse_select.cpp) ---
  std::unique_ptr<ast::Select> Select();
  bool AtSelect() const { return IsWord("SELECT") || IsWord("TRANSFORM"); }
  ast::Core SelectCore();
  void OrderBy(ast::Select& s);
  ast::TableRef TableRef();
  ast::FromList FromList();

  // --- PARAMETERS and TRANSFORM (parse_query.cpp) ---
  void Parameters(ast::Statement& s);
  std::unique_ptr<ast::Select> Crosstab();
  void CreateView(ast::Statement& s);

  // --- other statements (parse_statement.cpp) ---
  void Delete(ast::Statement& s);
  void Insert(ast::Statement& s);
  void Update(ast::Statement& s);
  void JoinedUpdate(ast::Statement& s);
  ast::ColumnDef ColumnDefinition();
  void Create(ast::Statement& s);
  void Drop(ast::Statement& s);
  void Alter(ast::Statement& s);
  std::vector<std::string> NameList();
  std::string SetColumn(std::string& qualifier);
  const ast::TableUse* FindTable(const std::string& ref) const;

  std::vector<Token> tokens_;
  const Clock& clock_;
  size_t pos_ = 0;
  int depth_ = 0;
  std::vector<ast::TableUse> tables_;  // every table read since the statement's FROM began
  std::string* into_ = nullptr;        // where the first SELECT puts the table its INTO names
  [[noreturn]] void FormReference();
};

}  // namespace ornetta::jet
