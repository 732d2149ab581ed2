// The engine functions that translated Jet SQL calls (jet_*), with Jet's rules for Null, text
// and numbers.
#pragma once

#include <sqlcipher/sqlite3.h>

#include "data/values/clock.h"

namespace ornetta::jet {

// Registers them on `db`, reading the time from `clock`, which must outlive `db`.
void RegisterFunctions(sqlite3* db, const Clock& clock = SystemClock());

}  // namespace ornetta::jet
