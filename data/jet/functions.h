// The engine functions that translated Jet SQL calls (jet_*), with Jet's rules for Null, text
// and numbers.
#pragma once

#include <sqlcipher/sqlite3.h>

namespace ornetta::jet {

void RegisterFunctions(sqlite3* db);

}  // namespace ornetta::jet
