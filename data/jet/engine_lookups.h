// What the translation asks of an open database, answered by the engine: the declared types of
// the tables' columns and their order, whether a table or view exists, and the values of a
// crosstab's pivot.
#pragma once

#include <sqlcipher/sqlite3.h>

#include "data/jet/translate.h"

namespace ornetta::jet {

// Lookups on `db`, which must outlive them. Each table's columns are read once, when first asked:
// make them once per statement, as EngineColumns.
DatabaseLookups EngineLookups(sqlite3* db);

// The declared Jet types of the tables' columns (Unknown for a column the engine cannot type, a
// view's computed ones). Each table is read once, when first asked: make one per statement, as
// tables may change between statements.
ColumnTypeLookup EngineColumns(sqlite3* db);

}  // namespace ornetta::jet
