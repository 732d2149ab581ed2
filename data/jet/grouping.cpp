#include "data/jet/grouping.h"

#include <algorithm>
#include <string>

#include "data/values/error.h"
#include "data/jet/catalogue.h"
#include "data/jet/names.h"

namespace ornetta::jet {

namespace {

using ast::Expr;
using ast::ExprKind;

const Expr& Unwrapped(const Expr& e) { return e.kind == ExprKind::kParen ? Unwrapped(*e.args[0]) : e; }

// Whether two expressions say the same: a column written with and without its table is the same
// column, as Jet lets GROUP BY [Orders].[Customer] stand for Customer.
bool Same(const Expr& x, const Expr& y) {
  const Expr& a = Unwrapped(x);
  const Expr& b = Unwrapped(y);
  if (a.kind != b.kind || a.op != b.op || a.negated != b.negated || a.args.size() != b.args.size()) return false;
  if (a.select || b.select) return false;
  switch (a.kind) {
    case ExprKind::kColumn:
      if (!a.qualifier.empty() && !b.qualifier.empty() && !SameName(a.qualifier, b.qualifier)) return false;
      if (!SameName(a.text, b.text)) return false;
      break;
    case ExprKind::kCall:
      if (!SameName(a.text, b.text) || a.distinct != b.distinct || a.count_star != b.count_star) return false;
      break;
    case ExprKind::kParameter: return a.parameter == b.parameter;
    default:
      if (a.text != b.text || a.truth != b.truth) return false;
  }
  for (size_t i = 0; i < a.args.size(); ++i)
    if (!Same(*a.args[i], *b.args[i])) return false;
  return true;
}

bool IsAggregate(const Expr& e) {
  if (e.kind != ExprKind::kCall) return false;
  const FunctionSpec* f = FindFunction(Upper(e.text));
  return f && f->aggregate;
}

}  // namespace

const Expr* FindAggregate(const Expr& e) {
  if (IsAggregate(e)) return &e;
  if (e.alias_of) return FindAggregate(*e.alias_of);
  for (const ast::ExprPtr& arg : e.args)
    if (const Expr* found = FindAggregate(*arg)) return found;
  return nullptr;
}

namespace {

class Checker {
 public:
  explicit Checker(const ast::Core& core) : core_(core) {}

  // Each column must be grouped by, or inside a total, or part of an expression grouped by.
  // Subqueries are their own queries; another item's alias is checked where that item stands.
  void Check(const Expr& e) const {
    if (IsAggregate(e) || e.alias_of || IsAlias(e)) return;
    if (std::any_of(core_.group.begin(), core_.group.end(), [&](const ast::ExprPtr& g) { return Same(e, *g); })) return;
    if (e.kind == ExprKind::kColumn)
      throw Error(err::kSyntax, "You tried to execute a query that does not include the specified expression '" +
                                    (e.qualifier.empty() ? e.text : e.qualifier + "." + e.text) +
                                    "' as part of an aggregate function.");
    for (const ast::ExprPtr& arg : e.args) Check(*arg);
  }

 private:
  // HAVING and ORDER BY may name an item by its alias (the item is checked where it stands).
  bool IsAlias(const Expr& e) const {
    if (e.kind != ExprKind::kColumn || !e.qualifier.empty()) return false;
    return std::any_of(core_.items.begin(), core_.items.end(),
                       [&](const ast::SelectItem& item) { return SameName(item.alias, e.text); });
  }

  const ast::Core& core_;
};

}  // namespace

void CheckGrouping(const ast::Core& core, const std::vector<ast::OrderKey>* order) {
  const bool ordered_by_total =
      order && std::any_of(order->begin(), order->end(), [](const ast::OrderKey& k) { return k.aggregate; });
  if (!core.aggregate && core.group.empty() && !ordered_by_total) return;
  const Checker checker(core);
  for (const ast::SelectItem& item : core.items) {
    if (item.kind == ast::SelectItem::kExpr) {
      checker.Check(*item.expr);
    } else {
      throw Error(err::kSyntax, "Cannot group on fields selected with '*'" +
                                    (item.qualifier.empty() ? std::string() : " (" + item.qualifier + ")") +
                                    ": list the columns, each grouped by or inside a total.");
    }
  }
  if (core.having) checker.Check(*core.having);
  if (order)
    for (const ast::OrderKey& key : *order) checker.Check(*key.expr);
}

}  // namespace ornetta::jet
