// Keeps the statements that users type to the open database: the engine's authorizer, a second
// wall behind the translation.
#pragma once

#include <sqlcipher/sqlite3.h>

namespace ornetta::jet {

// Installs an authorizer on `db`: no ATTACH or DETACH (other files), no PRAGMA (engine settings,
// the key), no virtual tables, no loading of extensions and none of the functions that reach
// outside the database, no writes to the engine's own tables (sqlite_sequence, sqlite_stat*) but
// the engine's own on DROP; reading them stays. Install it after the handle is keyed and configured; the translation
// never writes these, so this is the second wall, against whatever gets past the first.
void InstallGuard(sqlite3* db);

// While one lives, statements the program itself prepares on this thread may write the engine's
// own tables (an import that carries AutoNumber values sets sqlite_sequence). Never around a
// statement a user typed.
class EngineTableWrites {
 public:
  EngineTableWrites();
  ~EngineTableWrites();
  EngineTableWrites(const EngineTableWrites&) = delete;
  EngineTableWrites& operator=(const EngineTableWrites&) = delete;

 private:
  bool before_;
};

}  // namespace ornetta::jet
