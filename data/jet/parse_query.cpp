// The parser's saved-query forms: PARAMETERS declarations, TRANSFORM ... PIVOT crosstabs and
// CREATE VIEW.
#include "data/jet/names.h"
#include "data/jet/parameters.h"
#include "data/jet/parser.h"

namespace ornetta::jet {

// PARAMETERS name type [, name type ...]; before the statement that uses them.
void Parser::Parameters(ast::Statement& s) {
  ExpectWord("PARAMETERS");
  do {
    ast::Parameter p;
    p.declared = true;
    if (Peek().kind != TokenKind::kName) throw Fail("expected a parameter's name");
    p.name = Next().text;
    if (Peek().kind != TokenKind::kName) throw Fail("expected the type of the parameter [" + p.name + "]");
    const Token type = Next();
    const auto t = ParameterType(type.text);
    if (!t)
      throw Error(err::kSyntax, "Syntax error at character " + std::to_string(type.offset + 1) + ": '" + type.text +
                                    "' is no type a parameter can have (Text, Memo, Byte, Short, Long, Currency, "
                                    "IEEESingle, IEEEDouble, DateTime, Bit or Value).");
    p.type = *t;
    if (AcceptSymbol("(")) {  // Text (255): the size does not change what is given
      if (Peek().kind != TokenKind::kNumber) throw Fail("expected a whole number");
      Next();
      ExpectSymbol(")");
    }
    for (const ast::Parameter& other : s.parameters)
      if (SameName(other.name, p.name)) throw Fail("the parameter [" + p.name + "] is declared twice");
    s.parameters.push_back(std::move(p));
  } while (AcceptSymbol(","));
  if (!AcceptSymbol(";")) throw Fail("expected ';' after the PARAMETERS declaration");
  if (AtEnd()) throw Fail("PARAMETERS must be followed by the statement that uses them");
}

// TRANSFORM cell [AS name] SELECT ... [ORDER BY ...] PIVOT column [IN (value, ...)]
std::unique_ptr<ast::Select> Parser::Crosstab() {
  auto crosstab = std::make_unique<ast::Crosstab>();
  crosstab->offset = Peek().offset;
  ExpectWord("TRANSFORM");
  crosstab->cell = Expression();
  if (AcceptWord("AS")) Name();  // the cells are named after the pivot's values
  if (!IsWord("SELECT")) throw Fail("expected SELECT after TRANSFORM's value");
  auto s = std::make_unique<ast::Select>();
  s->cores.push_back(SelectCore());
  if (IsWord("UNION")) throw Fail("a crosstab cannot be part of a UNION");
  OrderBy(*s);
  if (s->cores[0].top) throw Fail("TOP is not supported in a crosstab");
  ExpectWord("PIVOT");
  // Read below the comparisons, so that IN is the list's, not an In of the pivot.
  crosstab->pivot = Concat();
  if (AcceptWord("IN")) {
    ExpectSymbol("(");
    do crosstab->values.push_back(Expression());
    while (AcceptSymbol(","));
    ExpectSymbol(")");
  }
  s->crosstab = std::move(crosstab);
  return s;
}

// CREATE VIEW name [(column, ...)] AS SELECT ...
void Parser::CreateView(ast::Statement& s) {
  ExpectWord("VIEW");
  s.kind = ast::Statement::kCreateView;
  s.table = TableName();
  if (IsSymbol("(")) s.columns = NameList();
  ExpectWord("AS");
  if (!AtSelect()) throw Fail("expected the SELECT that the view shows");
  s.select = Select();
}

}  // namespace ornetta::jet
