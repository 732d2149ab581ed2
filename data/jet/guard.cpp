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

// The engine's own tables: the schema, AUTOINCREMENT's counters (sqlite_sequence) and ANALYZE's
// figures (sqlite_stat*). A statement that writes a counter breaks every later insert into its
// table. The engine refuses writes to the schema itself (without writable_schema, a PRAGMA); the
// others it leaves to the program.
bool IsInternal(const char* table) { return table && sqlite3_strnicmp(table, "sqlite_", 7) == 0; }
bool IsSchema(const char* table) {
  return table && (sqlite3_stricmp(table, "sqlite_master") == 0 || sqlite3_stricmp(table, "sqlite_temp_master") == 0);
}

// DROP TABLE and DROP INDEX delete their own rows of the counters and figures: the engine asks
// for that after SQLITE_DROP_TABLE (or _INDEX) and before it frees the root pages, which it does
// by updating the schema's rootpage last.
// The engine asks during the prepare, on the thread that prepares.
thread_local bool dropping = false;
thread_local bool program_writes = false;  // EngineTableWrites

int Authorize(void*, int action, const char* arg1, const char* arg2, const char*, const char*) {
  switch (action) {
    case SQLITE_DROP_TABLE:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_TABLE:
    case SQLITE_DROP_TEMP_INDEX: dropping = true; return SQLITE_OK;
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
      if (action == SQLITE_UPDATE && IsSchema(arg1) && arg2 && sqlite3_stricmp(arg2, "rootpage") == 0) dropping = false;
      if (!IsInternal(arg1) || IsSchema(arg1)) return SQLITE_OK;
      return program_writes || (action == SQLITE_DELETE && dropping) ? SQLITE_OK : SQLITE_DENY;
    case SQLITE_ATTACH:  // other files
    case SQLITE_DETACH:
    case SQLITE_PRAGMA:         // engine settings, the key
    case SQLITE_CREATE_VTABLE:  // virtual tables run code of modules, some over other files
    case SQLITE_DROP_VTABLE: return SQLITE_DENY;
    case SQLITE_FUNCTION: return Forbidden(arg2) ? SQLITE_DENY : SQLITE_OK;
    default: return SQLITE_OK;
  }
}
}  // namespace

EngineTableWrites::EngineTableWrites() : before_(program_writes) { program_writes = true; }
EngineTableWrites::~EngineTableWrites() { program_writes = before_; }

void InstallGuard(sqlite3* db) {
  sqlite3_set_authorizer(db, Authorize, nullptr);
  sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
}

}  // namespace ornetta::jet
