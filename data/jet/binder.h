// Gives every expression of a parse tree its Jet type, decides where the engine reads an
// expression as a condition, checks the functions called, and finds which SELECTs aggregate.
#pragma once

#include <string>
#include <vector>

#include "data/jet/ast.h"
#include "data/jet/translate.h"

namespace ornetta::jet {

// Throws Error for a function Jet does not have or a call with the wrong number of arguments.
// Without `columns`, stored columns are typed Unknown.
void Bind(ast::Statement& statement, const ColumnTypeLookup& columns);

}  // namespace ornetta::jet
