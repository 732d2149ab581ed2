#include "data/jet/right_join.h"

#include <string>
#include <vector>

#include "data/values/error.h"

namespace ornetta::jet {

namespace {

void Select(ast::Select& s);
bool From(ast::FromList& list);
void Refs(const ast::FromList& list, std::vector<std::pair<std::string, size_t>>& out);
void SpellOutStar(ast::Core& c, const std::vector<std::pair<std::string, size_t>>& refs);

void Expr(ast::Expr& e) {
  if (e.select) Select(*e.select);
  for (ast::ExprPtr& a : e.args) Expr(*a);
}

void Core(ast::Core& c) {
  for (ast::SelectItem& item : c.items)
    if (item.expr) Expr(*item.expr);
  std::vector<std::pair<std::string, size_t>> refs;
  Refs(c.from, refs);
  if (From(c.from)) SpellOutStar(c, refs);
  if (c.where) Expr(*c.where);
  for (ast::ExprPtr& g : c.group) Expr(*g);
  if (c.having) Expr(*c.having);
}

void Select(ast::Select& s) {
  for (ast::Core& c : s.cores) Core(c);
  for (ast::OrderKey& k : s.order) Expr(*k.expr);
}

// The names (or aliases) of the list's tables and subqueries in written order; empty for a
// subquery without an alias.
void Refs(const ast::FromList& list, std::vector<std::pair<std::string, size_t>>& out) {
  for (const ast::FromItem& item : list) {
    const ast::TableRef& t = item.table;
    if (t.kind == ast::TableRef::kGroup)
      Refs(*t.group, out);
    else
      out.push_back({t.alias.empty() ? t.name : t.alias, t.offset});
  }
}

// `*` as each table's columns in the written order.
void SpellOutStar(ast::Core& c, const std::vector<std::pair<std::string, size_t>>& refs) {
  std::vector<ast::SelectItem> items;
  for (ast::SelectItem& item : c.items) {
    if (item.kind != ast::SelectItem::kStar) {
      items.push_back(std::move(item));
      continue;
    }
    for (const auto& [ref, offset] : refs) {
      if (ref.empty())
        throw Error(err::kSyntax, "SELECT * with RIGHT JOIN needs an alias for the subquery at character " +
                                      std::to_string(offset + 1) +
                                      " (write ( SELECT ... ) AS name), so that its columns keep their place.");
      ast::SelectItem table_star;
      table_star.kind = ast::SelectItem::kTableStar;
      table_star.qualifier = ref;
      items.push_back(std::move(table_star));
    }
  }
  c.items = std::move(items);
}

// Whether it rewrote a join of the list or of a parenthesised join in it.
bool From(ast::FromList& list) {
  bool right = false, nested = false;
  for (ast::FromItem& item : list) {
    if (item.table.select) Select(*item.table.select);
    if (item.table.group) nested = From(*item.table.group) || nested;
    if (item.on) Expr(*item.on);
    right = right || item.joiner == ast::FromItem::kRight;
  }
  if (!right) return nested;
  ast::FromList out;
  size_t start = 0;  // where the part joined since the last comma begins in `out`
  for (ast::FromItem& item : list) {
    if (item.joiner == ast::FromItem::kFirst || item.joiner == ast::FromItem::kComma) start = out.size();
    if (item.joiner != ast::FromItem::kRight) {
      out.push_back(std::move(item));
      continue;
    }
    // out[start..] RIGHT JOIN t ON c  ->  t LEFT JOIN (out[start..]) ON c
    ast::TableRef joined;
    const ast::FromItem::Joiner before = out[start].joiner;
    if (out.size() - start == 1) {
      joined = std::move(out[start].table);
    } else {
      joined.kind = ast::TableRef::kGroup;
      joined.offset = out[start].table.offset;
      joined.group = std::make_unique<ast::FromList>();
      for (size_t i = start; i < out.size(); ++i) joined.group->push_back(std::move(out[i]));
      joined.group->front().joiner = ast::FromItem::kFirst;
    }
    out.resize(start);
    out.push_back({before, std::move(item.table), nullptr});
    out.push_back({ast::FromItem::kLeft, std::move(joined), std::move(item.on)});
  }
  list = std::move(out);
  return true;
}

}  // namespace

void RewriteRightJoins(ast::Statement& s) {
  if (s.select) Select(*s.select);
  From(s.from);
  if (s.where) Expr(*s.where);
  for (ast::ExprPtr& v : s.values) Expr(*v);
  for (ast::Assignment& a : s.sets) Expr(*a.value);
}

}  // namespace ornetta::jet
