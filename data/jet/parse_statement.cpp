// The parser's statements other than SELECT: DELETE, INSERT, UPDATE and the definitions.
#include <algorithm>
#include <cctype>

#include "data/jet/parser.h"
#include "data/jet/names.h"

namespace ornetta::jet {

const ast::TableUse* Parser::FindTable(const std::string& ref) const {
  for (const ast::TableUse& t : tables_)
    if (SameName(t.alias.empty() ? t.name : t.alias, ref)) return &t;
  return nullptr;
}

// DELETE [*|t.*|columns] FROM tables [WHERE ...]: Jet deletes whole rows of one table; with
// several tables, of the one named by t.*, the rows that the join and the condition select.
void Parser::Delete(ast::Statement& s) {
  s.kind = ast::Statement::kDelete;
  ExpectWord("DELETE");
  AcceptWord("DISTINCTROW");
  while (!IsWord("FROM") && !AtEnd()) {
    if (Peek().kind == TokenKind::kName && IsSymbol(".", 1) && IsSymbol("*", 2)) s.delete_qualifier = Peek().text;
    Next();
  }
  ExpectWord("FROM");
  tables_.clear();
  const size_t list_start = pos_;
  s.from = FromList();
  s.delete_simple = pos_ == list_start + 1;
  if (AcceptWord("WHERE")) s.where = Expression();
  if (s.delete_simple) return;
  const std::string& qualifier = s.delete_qualifier;
  const ast::TableUse* target = !qualifier.empty() ? FindTable(qualifier) : tables_.size() == 1 ? &tables_[0] : nullptr;
  if (!target)
    throw Error(err::kSyntax,
                qualifier.empty()
                    ? "Specify the table containing the records you want to delete: DELETE table.* FROM ..."
                    : "DELETE " + qualifier + ".* names no table of the FROM clause.");
  s.table = target->name;
  s.target_ref = target->alias.empty() ? target->name : target->alias;
}

void Parser::Insert(ast::Statement& s) {
  s.kind = ast::Statement::kInsert;
  ExpectWord("INSERT");
  ExpectWord("INTO");
  s.table = TableName();
  if (AcceptSymbol("(")) {
    do s.columns.push_back(Name());
    while (AcceptSymbol(","));
    ExpectSymbol(")");
  }
  if (AcceptWord("VALUES")) {
    ExpectSymbol("(");
    do s.values.push_back(Expression());
    while (AcceptSymbol(","));
    ExpectSymbol(")");
    return;
  }
  if (AtSelect()) {
    s.select = Select();
    return;
  }
  throw Fail("expected VALUES or SELECT");
}

// One column to set: [table.]column. Returns the column; `qualifier` gets the table part.
std::string Parser::SetColumn(std::string& qualifier) {
  qualifier.clear();
  if (Peek().kind == TokenKind::kName && IsSymbol(".", 1)) {
    qualifier = Next().text;
    Next();
  }
  return Name();
}

void Parser::Update(ast::Statement& s) {
  ExpectWord("UPDATE");
  AcceptWord("DISTINCTROW");
  if (!(Peek().kind == TokenKind::kName && IsWord("SET", 1))) return JoinedUpdate(s);
  s.kind = ast::Statement::kUpdate;
  s.table = TableName();
  ExpectWord("SET");
  std::string qualifier;
  do {
    std::string column = SetColumn(qualifier);
    ExpectSymbol("=");
    s.sets.push_back({std::move(column), Expression()});
  } while (AcceptSymbol(","));
  if (AcceptWord("WHERE")) s.where = Expression();
}

// UPDATE tables SET t.column = ... [WHERE ...], for joined tables or an alias. The table set is
// the qualifier of the first column after SET, else the first table.
void Parser::JoinedUpdate(ast::Statement& s) {
  s.kind = ast::Statement::kJoinedUpdate;
  size_t set = pos_;
  for (int depth = 0; set < tokens_.size() && tokens_[set].kind != TokenKind::kEnd; ++set) {
    const Token& t = tokens_[set];
    if (t.kind == TokenKind::kSymbol) depth += t.text == "(" ? 1 : t.text == ")" ? -1 : 0;
    if (depth == 0 && t.kind == TokenKind::kName && !t.bracketed && SameName(t.text, "SET")) break;
  }
  if (set + 2 >= tokens_.size() || tokens_[set].kind == TokenKind::kEnd) throw Fail("expected SET");
  std::string& target_ref = s.target_ref;
  if (tokens_[set + 1].kind == TokenKind::kName && tokens_[set + 2].kind == TokenKind::kSymbol &&
      tokens_[set + 2].text == ".") {
    target_ref = tokens_[set + 1].text;
  } else {
    size_t first = pos_;
    while (first < set && tokens_[first].kind != TokenKind::kName) ++first;
    target_ref = tokens_[first].text;
  }
  // A name that an AS (or a bare alias after a table) declares is an alias already.
  for (size_t i = pos_ + 1; i < set; ++i) {
    const Token& prev = tokens_[i - 1];
    if (tokens_[i].kind != TokenKind::kName || !SameName(tokens_[i].text, target_ref) ||
        (tokens_[i + 1].kind == TokenKind::kSymbol && tokens_[i + 1].text == ".") || prev.kind != TokenKind::kName)
      continue;
    static const char* const kBefore[] = {"JOIN", "ON", "AND",     "OR",  "NOT", "IN",
                                          "LIKE", "IS", "BETWEEN", "XOR", "MOD"};
    if (prev.bracketed ||
        std::none_of(std::begin(kBefore), std::end(kBefore), [&](const char* w) { return SameName(prev.text, w); }))
      s.target_is_alias = true;
  }
  tables_.clear();
  s.from = FromList();
  const ast::TableUse* target = FindTable(target_ref);
  if (!target && !s.target_is_alias)
    for (const ast::TableUse& t : tables_)
      if (SameName(t.name, target_ref)) target = &t;
  if (!target) throw Fail("the table to update, '" + target_ref + "', is not among the tables");
  s.table = target->name;
  ExpectWord("SET");
  do {
    std::string qualifier;
    std::string column = SetColumn(qualifier);
    if (!qualifier.empty() && !SameName(qualifier, target_ref))
      throw Fail("an UPDATE of joined tables can set the columns of one table only");
    ExpectSymbol("=");
    s.sets.push_back({std::move(column), Expression()});
  } while (AcceptSymbol(","));
  if (AcceptWord("WHERE")) s.where = Expression();
}

// A column: name, Jet type (see column_types.h) and constraints.
ast::ColumnDef Parser::ColumnDefinition() {
  ast::ColumnDef def;
  def.name = Name();
  const std::string quoted = "[" + def.name + "]";
  if (Peek().kind != TokenKind::kName) throw Fail("expected a type name");
  const Token type = Next();
  if (SameName(type.text, "DOUBLE")) AcceptWord("PRECISION");
  int size = 0;
  if (AcceptSymbol("(")) {  // TEXT(n); the engine keeps no NUMERIC(p, s) or COUNTER(seed, step)
    do {
      const std::string& n = Peek().text;
      if (Peek().kind != TokenKind::kNumber || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
        throw Fail("expected a whole number");
      if (size == 0)
        size = std::stoi(Next().text);
      else
        Next();
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
  }
  const auto decl = DeclForJetType(type.text, size, quoted);
  if (!decl)
    throw Error(err::kSyntax, "Syntax error at character " + std::to_string(type.offset + 1) + ": '" + type.text +
                                  "' is not a Jet type.");
  if (JetTypeOfDecl(decl->sql) == JetType::Text && size > 255)
    throw Error(err::kSyntax,
                "Size of field " + quoted + " is too long: a Text field holds at most 255 characters; use MEMO.");
  def.decl = *decl;
  if (AcceptWord("WITH") && !AcceptWord("COMPRESSION")) ExpectWord("COMP");  // a storage detail of Jet's
  for (;;) {
    if (AcceptWord("NOT")) {
      ExpectWord("NULL");
      def.constraints.push_back({" NOT NULL", nullptr});
    } else if (AcceptWord("NULL")) {
    } else if (AcceptWord("PRIMARY")) {
      ExpectWord("KEY");
      if (!decl->counter) def.constraints.push_back({" PRIMARY KEY", nullptr});
    } else if (AcceptWord("UNIQUE")) {
      if (!decl->counter) def.constraints.push_back({" UNIQUE", nullptr});
    } else if (AcceptWord("CONSTRAINT")) {
      Name();
    } else if (AcceptWord("DEFAULT")) {
      def.constraints.push_back({" DEFAULT", Primary()});
    } else if (IsWord("REFERENCES") || IsWord("CHECK")) {
      throw Fail("relationships and CHECK constraints are not supported");
    } else {
      return def;
    }
  }
}

std::vector<std::string> Parser::NameList() {
  ExpectSymbol("(");
  std::vector<std::string> list;
  do list.push_back(Name());
  while (AcceptSymbol(","));
  ExpectSymbol(")");
  return list;
}

void Parser::Create(ast::Statement& s) {
  ExpectWord("CREATE");
  if (IsWord("VIEW")) return CreateView(s);
  if (AcceptWord("TABLE")) {
    s.kind = ast::Statement::kCreateTable;
    s.table = TableName();
    ExpectSymbol("(");
    do {
      if (AcceptWord("CONSTRAINT")) Name();
      if (IsWord("FOREIGN") || IsWord("CHECK")) throw Fail("relationships and CHECK constraints are not supported");
      if (IsWord("PRIMARY") || IsWord("UNIQUE")) {
        const bool primary = AcceptWord("PRIMARY");
        if (primary)
          ExpectWord("KEY");
        else
          Next();
        s.part_order.push_back(ast::kConstraintPart + s.table_constraints.size());
        s.table_constraints.push_back({primary, NameList()});
      } else {
        s.part_order.push_back(s.column_defs.size());
        s.column_defs.push_back(ColumnDefinition());
      }
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    return;
  }
  s.unique = AcceptWord("UNIQUE");
  if (AcceptWord("INDEX")) {
    s.kind = ast::Statement::kCreateIndex;
    s.table = Name();
    ExpectWord("ON");
    s.index_table = TableName();
    ExpectSymbol("(");
    do {
      ast::IndexColumn col{Name(), false};
      if (AcceptWord("DESC"))
        col.desc = true;
      else
        AcceptWord("ASC");
      s.index_columns.push_back(std::move(col));
    } while (AcceptSymbol(","));
    ExpectSymbol(")");
    if (AcceptWord("WITH")) {
      // IGNORE NULL only leaves Nulls out of the index; the others would change what the
      // table accepts.
      if (!AcceptWord("IGNORE"))
        throw Fail("WITH PRIMARY and WITH DISALLOW NULL are not supported; only WITH IGNORE NULL");
      ExpectWord("NULL");
    }
    return;
  }
  throw Fail("only CREATE TABLE, CREATE INDEX and CREATE VIEW are supported");
}

void Parser::Drop(ast::Statement& s) {
  ExpectWord("DROP");
  if (AcceptWord("TABLE")) {
    s.kind = ast::Statement::kDropTable;
    s.table = TableName();
    return;
  }
  if (AcceptWord("INDEX")) {
    s.kind = ast::Statement::kDropIndex;
    s.table = Name();
    if (AcceptWord("ON")) s.index_table = TableName();
    return;
  }
  if (AcceptWord("VIEW")) {
    s.kind = ast::Statement::kDropView;
    s.table = TableName();
    return;
  }
  throw Fail("only DROP TABLE, DROP INDEX and DROP VIEW are supported");
}

void Parser::Alter(ast::Statement& s) {
  ExpectWord("ALTER");
  ExpectWord("TABLE");
  s.kind = ast::Statement::kAlterAdd;
  s.table = TableName();
  if (AcceptWord("ADD")) {
    AcceptWord("COLUMN");
    s.column_defs.push_back(ColumnDefinition());
    return;
  }
  throw Fail("only ALTER TABLE ... ADD COLUMN is supported");
}

}  // namespace ornetta::jet
