// What the translation asks of an open database, answered by the engine: whether a table or
// view exists, and the values of a crosstab's pivot.
#pragma once

#include <sqlcipher/sqlite3.h>

#include "data/jet/translate.h"

namespace ornetta::jet {

// Lookups on `db`, which must outlive them.
DatabaseLookups EngineLookups(sqlite3* db);

}  // namespace ornetta::jet
