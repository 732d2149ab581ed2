#include "data/jet/guard.h"

#include <cstring>

namespace ornetta::jet {

namespace {
// Functions that reach beyond the open database: loading code, the full-text tokenizer that
// takes a raw pointer, and the export into an attached file.
bool Forbidden(const char* function) {
  static const char* const kNames[] = {"load_extension", "fts3_tokenizer", "sqlcipher_export"};
  for (const char* name : kNames)
    if (function && sqlite3_stricmp(function, name) == 0) return true;
  return false;
}

int Authorize(void*, int action, const char*, const char* arg2, const char*, const char*) {
  switch (action) {
    case SQLITE_ATTACH:        // other files
    case SQLITE_DETACH:
    case SQLITE_PRAGMA:        // engine settings, the key
    case SQLITE_CREATE_VTABLE:  // virtual tables run code of modules, some over other files
    case SQLITE_DROP_VTABLE:
      return SQLITE_DENY;
    case SQLITE_FUNCTION:
      return Forbidden(arg2) ? SQLITE_DENY : SQLITE_OK;
    default:
      return SQLITE_OK;
  }
}
}  // namespace

void InstallGuard(sqlite3* db) {
  sqlite3_set_authorizer(db, Authorize, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
}

}  // namespace ornetta::jet
