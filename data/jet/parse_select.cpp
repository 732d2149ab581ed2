// The parser's SELECT: its parts, UNION, ORDER BY and the FROM list.
#include "data/jet/parser.h"

namespace ornetta::jet {

std::unique_ptr<ast::Select> Parser::Select() {
  if (IsWord("TRANSFORM")) return Crosstab();
  auto s = std::make_unique<ast::Select>();
  s->cores.push_back(SelectCore());
  while (AcceptWord("UNION")) {
    s->union_all.push_back(AcceptWord("ALL"));
    const size_t at = Peek().offset;
    s->cores.push_back(SelectCore());
    if (s->cores.back().top)
      throw Error(err::kSyntax,
                  "Syntax error at character " + std::to_string(at + 1) + ": TOP inside a UNION is not supported.");
  }
  OrderBy(*s);
  if (s->cores.size() > 1 && s->cores[0].top) throw Fail("TOP in a UNION is not supported");
  return s;
}

void Parser::OrderBy(ast::Select& s) {
  if (!AcceptWord("ORDER")) return;
  ExpectWord("BY");
  do {
    ast::OrderKey key{Expression()};
    if (AcceptWord("DESC"))
      key.desc = true;
    else
      AcceptWord("ASC");
    s.order.push_back(std::move(key));
  } while (AcceptSymbol(","));
}

ast::Core Parser::SelectCore() {
  ast::Core c;
  c.offset = Peek().offset;
  std::string* into = into_;  // only the statement's first SELECT makes a table
  into_ = nullptr;
  ExpectWord("SELECT");
  if (AcceptWord("DISTINCT"))
    c.distinct = true;
  else if (AcceptWord("DISTINCTROW"))
    c.distinct_row = true;
  else
    AcceptWord("ALL");
  if (AcceptWord("TOP")) {
    const std::string& n = Peek().text;
    if (Peek().kind != TokenKind::kNumber || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
      throw Fail("TOP needs a whole number of rows");
    c.top = std::stoll(Next().text);
    if (c.top < 1) throw Fail("TOP needs at least 1 row");
    if (AcceptWord("PERCENT")) {
      c.top_percent = true;
      if (c.top > 100)
        throw Error(err::kSyntax,
                    "TOP " + std::to_string(c.top) + " PERCENT: a percentage of the rows is at most 100.");
    }
  }
  do {
    ast::SelectItem item;
    if (AcceptSymbol("*")) {
      item.kind = ast::SelectItem::kStar;
    } else if (Peek().kind == TokenKind::kName && IsSymbol(".", 1) && IsSymbol("*", 2)) {
      item.kind = ast::SelectItem::kTableStar;
      item.qualifier = Name();
      pos_ += 2;
    } else {
      item.expr = Expression();
      if (AcceptWord("AS")) item.alias = Name();
    }
    c.items.push_back(std::move(item));
  } while (AcceptSymbol(","));
  if (IsWord("INTO")) {
    if (!into) throw Fail("only a statement's first SELECT can make a table with INTO");
    Next();
    *into = TableName();
    if (IsWord("IN") && Peek(1).kind == TokenKind::kString)
      throw Fail("tables of other database files (IN '...') are not supported");
  }
  if (AcceptWord("FROM")) {
    c.has_from = true;
    c.from = FromList();
  }
  if (AcceptWord("WHERE")) c.where = Expression();
  if (AcceptWord("GROUP")) {
    ExpectWord("BY");
    do c.group.push_back(Expression());
    while (AcceptSymbol(","));
  }
  if (AcceptWord("HAVING")) c.having = Expression();
  return c;
}

ast::TableRef Parser::TableRef() {
  Nested nested(*this);
  ast::TableRef t;
  t.offset = Peek().offset;
  if (AcceptSymbol("(")) {
    if (AtSelect()) {
      t.kind = ast::TableRef::kSubquery;
      t.select = Select();
    } else {
      t.kind = ast::TableRef::kGroup;
      t.group = std::make_unique<ast::FromList>(FromList());
    }
    ExpectSymbol(")");
  } else {
    t.name = TableName();
  }
  if (IsWord("IN") && Peek(1).kind == TokenKind::kString)
    throw Fail("tables of other database files (IN '...') are not supported");
  if (AcceptWord("AS") || (Peek().kind == TokenKind::kName && !IsKeyword())) t.alias = Name();
  if (t.kind == ast::TableRef::kTable) tables_.push_back({t.name, t.alias});
  return t;
}

ast::FromList Parser::FromList() {
  ast::FromList list;
  list.push_back({ast::FromItem::kFirst, TableRef(), nullptr});
  for (;;) {
    if (AcceptSymbol(",")) {
      list.push_back({ast::FromItem::kComma, TableRef(), nullptr});
      continue;
    }
    ast::FromItem::Joiner join;
    if (AcceptWord("INNER")) {
      join = ast::FromItem::kInner;
    } else if (AcceptWord("LEFT")) {
      AcceptWord("OUTER");
      join = ast::FromItem::kLeft;
    } else if (AcceptWord("RIGHT")) {
      AcceptWord("OUTER");
      join = ast::FromItem::kRight;
    } else if (IsWord("FULL")) {
      throw Fail(
          "FULL joins are not supported, as in Jet; join with LEFT JOIN, then add the other table's unmatched rows "
          "with UNION");
    } else {
      return list;
    }
    ExpectWord("JOIN");
    ast::FromItem item{join, TableRef(), nullptr};
    ExpectWord("ON");
    item.on = Expression();
    list.push_back(std::move(item));
  }
}

}  // namespace ornetta::jet
