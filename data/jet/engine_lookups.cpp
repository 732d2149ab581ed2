#include "data/jet/engine_lookups.h"

#include "data/values/error.h"
#include "data/jet/crosstab.h"

namespace ornetta::jet {

namespace {

// The engine's names compare without regard to case.
bool TableExists(sqlite3* db, const std::string& name) {
  sqlite3_stmt* stmt = nullptr;
  const char* sql = "SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND name = ?1 COLLATE NOCASE";
  bool found = false;
  if (sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr) == SQLITE_OK) {
    sqlite3_bind_text(stmt, 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    found = sqlite3_step(stmt) == SQLITE_ROW;
  }
  sqlite3_finalize(stmt);
  return found;
}

BoundValue ValueOf(sqlite3_stmt* stmt) {
  BoundValue v;
  switch (sqlite3_column_type(stmt, 0)) {
    case SQLITE_NULL: break;
    case SQLITE_INTEGER: v.kind = BoundValue::kInteger, v.integer = sqlite3_column_int64(stmt, 0); break;
    case SQLITE_FLOAT: v.kind = BoundValue::kReal, v.real = sqlite3_column_double(stmt, 0); break;
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
      v.kind = BoundValue::kText;
      v.text.assign(p ? p : "", static_cast<size_t>(sqlite3_column_bytes(stmt, 0)));
    }
  }
  return v;
}

// One value more than a crosstab may have columns is enough to refuse it.
std::vector<BoundValue> PivotValues(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  std::vector<BoundValue> values;
  int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
  while (rc == SQLITE_OK && values.size() <= kMaxCrosstabColumns) {
    rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) values.push_back(ValueOf(stmt));
    rc = rc == SQLITE_ROW ? SQLITE_OK : rc;
  }
  const bool failed = rc != SQLITE_OK && rc != SQLITE_DONE;
  Error error(err::kEngine, failed ? sqlite3_errmsg(db) : "");
  sqlite3_finalize(stmt);
  if (failed) throw error;
  return values;
}

}  // namespace

DatabaseLookups EngineLookups(sqlite3* db) {
  return {[db](const std::string& table) { return TableExists(db, table); },
          [db](const std::string& sql) { return PivotValues(db, sql); }};
}

}  // namespace ornetta::jet
