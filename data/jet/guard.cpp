#include "data/jet/guard.h"

#include <cstring>

namespace ornetta::jet {

namespace {
int Authorize(void*, int action, const char*, const char* arg2, const char*, const char*) {
  switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_PRAGMA:
      return SQLITE_DENY;
    case SQLITE_FUNCTION:
      return arg2 && std::strcmp(arg2, "load_extension") == 0 ? SQLITE_DENY : SQLITE_OK;
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
