// The names Jet gives the columns of a SELECT's result.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <string>
#include <vector>

#include "data/jet/ast.h"

namespace ornetta::jet {

// One name for each item of `core`'s list, as Jet names them: the alias; else a column's name
// (table.column when another item has that name too); else Expr1000 + the item's position.
// Empty for * and table.*, whose columns keep their tables' names.
std::vector<std::string> ResultNames(const ast::Core& core);

// The names of a prepared statement's columns as Jet gives them: the engine's, but where a * shows
// two tables' columns of one name, each with its table's name in front (Orders.OrderID,
// Lines.OrderID).
std::vector<std::string> ColumnNames(sqlite3_stmt* stmt);

}  // namespace ornetta::jet
