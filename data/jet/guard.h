// Keeps the statements that users type to the open database.
#pragma once

#include <sqlcipher/sqlite3.h>

namespace ornetta::jet {

// Installs an authorizer on `db`: no ATTACH or DETACH (other files), no PRAGMA (engine settings,
// the key), no loading of extensions. Install it after the handle is keyed and configured.
void InstallGuard(sqlite3* db);

}  // namespace ornetta::jet
