// A query that totals shows, for each group, only what every row of the group has alike: its
// totals and what it groups by. The engine would show the value of any one row for the rest, a
// silently arbitrary result; Jet refuses such a query, and so does the binder.
#pragma once

#include <vector>

#include "data/jet/ast.h"

namespace ornetta::jet {

// Throws Error when `core` totals (an aggregate in its list, HAVING or `order`, or a GROUP BY)
// and its list, HAVING or `order` (the statement's ORDER BY, for a SELECT of one part; else
// nullptr) use a column outside a total that it does not group by, or select with *. The tree
// must be bound.
void CheckGrouping(const ast::Core& core, const std::vector<ast::OrderKey>* order);

// The first total in `e`, through the items its aliases name but not into subqueries; nullptr
// when there is none. The tree must be bound.
const ast::Expr* FindAggregate(const ast::Expr& e);

}  // namespace ornetta::jet
