// Crosstabs (TRANSFORM cell SELECT ... PIVOT column [IN (...)]): what their cell may be, and the
// columns they get, one for each value of the pivot.
#pragma once

#include "data/jet/ast.h"
#include "data/jet/translate.h"

namespace ornetta::jet {

// Jet's limit on the columns of a crosstab, its row headings included.
inline constexpr size_t kMaxCrosstabColumns = 254;

// Throws Error unless the cell is an aggregate that can be split by the pivot's values (First and
// Last cannot: they would take the first row of any value).
void CheckCrosstabCell(const ast::Crosstab& crosstab, bool has_aggregate);

// Gives every crosstab of the bound statement its columns: those of its IN list, else the values
// that `pivot_values` finds in its rows (Null first, then ascending, as Jet orders them). A view
// keeps its SELECT for later rows, so its crosstabs must list their values. Adds the columns'
// type to each crosstab's item_types. Throws Error when the columns cannot be found.
void ResolveCrosstabs(ast::Statement& statement, const PivotLookup& pivot_values);

}  // namespace ornetta::jet
