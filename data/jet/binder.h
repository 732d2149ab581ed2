// Gives every expression of a parse tree its Jet type, decides where the engine reads an
// expression as a condition, checks the functions called, and finds which SELECTs aggregate.
#pragma once

#include <string>
#include <vector>

#include "data/jet/ast.h"
#include "data/jet/translate.h"

namespace ornetta::jet {

// Throws Error for a function Jet does not have or a call with the wrong number of arguments.
// Names that are no column become parameters (ast::Parameter).
// Without `columns`, stored columns are typed Unknown.
// Without `tables`, every table named is taken to exist.
// Without `table_columns`, an INSERT that names no columns is not told the types it stores.
void Bind(ast::Statement& statement, const ColumnTypeLookup& columns, const TableLookup& tables = {},
          const ColumnListLookup& table_columns = {});

}  // namespace ornetta::jet
