#include "data/jet/engine_lookups.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/values/ascii_case.h"
#include "data/values/error.h"
#include "data/jet/column_types.h"
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

// The declared Jet types of a table's columns and their order, read from the engine's
// description of SELECT * (a PRAGMA would be refused by the guard). Each table is read once.
class DeclaredColumns {
 public:
  explicit DeclaredColumns(sqlite3* db) : db_(db) {}

  std::optional<JetType> operator()(const std::string& table, const std::string& column) {
    const Table& t = Of(table);
    const auto c = t.types.find(AsciiLower(column));
    if (c == t.types.end()) return std::nullopt;
    return c->second;
  }

  std::vector<std::string> Names(const std::string& table) { return Of(table).names; }

 private:
  struct Table {
    std::map<std::string, JetType> types;  // by lower-case name
    std::vector<std::string> names;        // in order
  };

  const Table& Of(const std::string& table) {
    const std::string key = AsciiLower(table);
    auto it = tables_.find(key);
    if (it == tables_.end()) it = tables_.emplace(key, Read(table)).first;
    return it->second;
  }

  Table Read(const std::string& table) const {
    Table columns;
    if (table.find(']') != std::string::npos) return columns;  // no such name can be written
    const std::string sql = "SELECT * FROM [" + table + "]";
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) == SQLITE_OK && stmt) {
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const char* name = sqlite3_column_name(stmt, i);
        const char* decl = sqlite3_column_decltype(stmt, i);
        if (!name) continue;
        columns.types.emplace(AsciiLower(name), decl ? JetTypeOfDecl(decl) : JetType::Unknown);
        columns.names.push_back(name);
      }
    }
    sqlite3_finalize(stmt);
    return columns;
  }

  sqlite3* db_;
  std::map<std::string, Table> tables_;
};

}  // namespace

ColumnTypeLookup EngineColumns(sqlite3* db) {
  auto declared = std::make_shared<DeclaredColumns>(db);
  return [declared](const std::string& table, const std::string& column) { return (*declared)(table, column); };
}

DatabaseLookups EngineLookups(sqlite3* db) {
  auto declared = std::make_shared<DeclaredColumns>(db);
  return {[db](const std::string& table) { return TableExists(db, table); },
          [db](const std::string& sql) { return PivotValues(db, sql); },
          [declared](const std::string& table) { return declared->Names(table); }};
}

}  // namespace ornetta::jet
