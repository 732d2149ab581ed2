// RIGHT JOIN, which the engine does not have, as the LEFT JOIN it equals.
#pragma once

#include "data/jet/ast.h"

namespace ornetta::jet {

// Rewrites each `X RIGHT JOIN t ON c` of the statement's FROM lists, where X is what the list
// joined before t (back to the last comma), as `t LEFT JOIN (X) ON c`: the same rows, with the
// tables in another order. A SELECT * over such a list then names its tables' columns in their
// written order (t.*, ...), so that the columns keep Jet's order.
//
// Throws Error when that cannot be done: a SELECT * over a rewritten list with a subquery that has
// no alias.
void RewriteRightJoins(ast::Statement& statement);

}  // namespace ornetta::jet
