// libFuzzer target: any bytes given to the Jet SQL translation either translate or fail with a
// readable error, and whatever translates is SQL the engine can read and run under the guard with
// the Jet functions: it may fail (no such column, type mismatch), but never as malformed SQL, and
// nothing crashes, hangs or runs into undefined behaviour.
#include <sqlcipher/sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <strings.h>
#include <string_view>
#include <vector>

#include "data/values/error.h"
#include "data/jet/dates.h"
#include "data/jet/engine_lookups.h"
#include "data/jet/functions.h"
#include "data/jet/guard.h"
#include "data/jet/translate.h"

namespace {

void Exec(sqlite3* db, const char* jet_sql) {
  const std::string sql = ornetta::jet::Translate(jet_sql).sql;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) __builtin_trap();
}

int steps_ = 0;  // progress callbacks of the statement under way

// An in-memory database with a few tables of every Jet type, made once.
sqlite3* Database() {
  static sqlite3* db = [] {
    sqlite3* d = nullptr;
    if (sqlite3_open(":memory:", &d) != SQLITE_OK) __builtin_trap();
    Exec(d,
         "CREATE TABLE t (id COUNTER, name TEXT(20), n LONG, i INTEGER, b BYTE, s SINGLE, x DOUBLE, c CURRENCY, "
         "d DATETIME, y YESNO, m MEMO)");
    Exec(d, "CREATE TABLE u (id LONG PRIMARY KEY, name TEXT(10), d DATETIME)");
    Exec(d,
         "INSERT INTO t (name, n, i, b, s, x, c, d, y, m) VALUES ('Ann', 5, 2, 7, 1.5, 2.25, 3.5, #12/09/2026#, True, "
         "'memo')");
    Exec(d, "INSERT INTO t (name, n, d, y) VALUES ('bob', -3, #1/1/2000 10:30#, False)");
    Exec(d, "INSERT INTO t (name) VALUES (Null)");
    Exec(d, "INSERT INTO u VALUES (1, 'ann', #2/29/2024#)");
    ornetta::jet::RegisterFunctions(d);
    ornetta::jet::InstallGuard(d);
    sqlite3_limit(d, SQLITE_LIMIT_LENGTH, 1 << 20);  // Space(1E9) fails as too big
    // A statement that runs long (a join of joins) is stopped, not waited for.
    sqlite3_progress_handler(
        d, 10000, [](void* steps) { return ++*static_cast<int*>(steps) > 100 ? 1 : 0; }, &steps_);
    return d;
  }();
  return db;
}
void Run(const std::string& sql) {
  sqlite3* db = Database();
  steps_ = 0;
  if (sqlite3_exec(db, "SAVEPOINT fuzz", nullptr, nullptr, nullptr) != SQLITE_OK) __builtin_trap();
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st, nullptr) == SQLITE_OK) {
    for (int rows = 0; rows < 200 && sqlite3_step(st) == SQLITE_ROW; ++rows) {
    }
  } else {
    const char* msg = sqlite3_errmsg(db);
    // 'near "x": syntax error' and 'unrecognized token: ...': we wrote bad SQL. (Other messages
    // may quote names, which can hold any text.)
    if (std::strncmp(msg, "near ", 5) == 0 || std::strncmp(msg, "unrecognized token", 18) == 0) __builtin_trap();
  }
  sqlite3_finalize(st);
  // The guard must not refuse what the translation writes.
  if (std::strncmp(sqlite3_errmsg(db), "not authorized", 14) == 0) __builtin_trap();
  sqlite3_exec(db, "ROLLBACK TO fuzz; RELEASE fuzz", nullptr, nullptr, nullptr);
}

// The declared types of the tables above, as a connection reports them.
std::optional<ornetta::jet::JetType> ColumnType(const std::string& table, const std::string& column) {
  using ornetta::jet::JetType;
  static const struct {
    const char* table;
    const char* column;
    JetType type;
  } kColumns[] = {{"t", "id", JetType::Counter}, {"t", "name", JetType::Text},  {"t", "n", JetType::Long},
                  {"t", "i", JetType::Integer},  {"t", "b", JetType::Byte},     {"t", "s", JetType::Single},
                  {"t", "x", JetType::Double},   {"t", "c", JetType::Currency}, {"t", "d", JetType::DateTime},
                  {"t", "y", JetType::YesNo},    {"t", "m", JetType::Memo},     {"u", "id", JetType::Long},
                  {"u", "name", JetType::Text},  {"u", "d", JetType::DateTime}};
  for (const auto& c : kColumns)
    if (strcasecmp(c.table, table.c_str()) == 0 && strcasecmp(c.column, column.c_str()) == 0) return c.type;
  return std::nullopt;
}

// The same tables with their columns' names but none of their types.
std::optional<ornetta::jet::JetType> ColumnName(const std::string& table, const std::string& column) {
  if (!ColumnType(table, column)) return std::nullopt;
  return ornetta::jet::JetType::Unknown;
}

// The database's tables and their columns' order, without what their rows hold.
ornetta::jet::DatabaseLookups NamesOnly() {
  const ornetta::jet::DatabaseLookups all = ornetta::jet::EngineLookups(Database());
  return {all.tables, {}, all.table_columns};
}

std::string WithoutCaseFolds(std::string sql) {
  static const std::string kFold = " COLLATE NOCASE";
  for (size_t at; (at = sql.find(kFold)) != std::string::npos;) sql.erase(at, kFold.size());
  return sql;
}

// Currency's exact sums, differences, products and aggregates as the plain ones.
std::string WithoutCurrency(std::string sql) {
  static const struct {
    const char* exact;
    const char* plain;
  } kPairs[] = {{"jet_cur_add(", "jet_add("},
                {"jet_cur_sub(", "jet_sub("},
                {"jet_cur_mul(", "jet_mul("},
                {"jet_cur_sum(", "sum("},
                {"jet_cur_avg(", "avg("}};
  for (const auto& pair : kPairs) {
    const std::string exact = pair.exact;
    for (size_t at = 0; (at = sql.find(exact, at)) != std::string::npos;) sql.replace(at, exact.size(), pair.plain);
  }
  return sql;
}

// jet_serial(x) and jet_cur_store(x) as x, outside quoted texts and names.
std::string WithoutSerials(const std::string& sql) {
  static const std::string kCalls[] = {"jet_serial(", "jet_cur_store("};
  std::string out;
  std::vector<bool> serial_opens;  // for each open parenthesis: whether it opened one of kCalls
  char quote = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    const auto call = std::find_if(std::begin(kCalls), std::end(kCalls),
                                   [&](const std::string& name) { return sql.compare(i, name.size(), name) == 0; });
    if (quote) {
      if (c == quote) quote = 0;
    } else if (call != std::end(kCalls)) {
      serial_opens.push_back(true);
      i += call->size() - 1;
      continue;
    } else if (c == '\'' || c == '[') {
      quote = c == '[' ? ']' : c;
    } else if (c == '(') {
      serial_opens.push_back(false);
    } else if (c == ')' && !serial_opens.empty()) {
      const bool serial = serial_opens.back();
      serial_opens.pop_back();
      if (serial) continue;
    }
    out += c;
  }
  return out;
}

// What SQL means, without what the columns' types add to it.
std::string Plain(const std::string& sql) { return WithoutSerials(WithoutCurrency(WithoutCaseFolds(sql))); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    // The crosstabs' values come from the rows, read with the progress handler's bound.
    steps_ = 0;
    const ornetta::jet::Statement s =
        ornetta::jet::Translate(text, ColumnType, ornetta::jet::EngineLookups(Database()));
    if (s.sql.empty()) __builtin_trap();                      // a translation is never empty
    if (s.returns_rows && s.items.empty()) __builtin_trap();  // a SELECT lists something
    // Knowing the columns' types, beyond their names, decides how results are read, and only this
    // of what SQL means: a case fold is left out where a date column is compared (a date's text
    // has no letters), a date column beside a number is compared as its serial number, and
    // Currency is worked on exact amounts: a value stored into a Currency column is made one
    // (jet_cur_store), and an INSERT ... SELECT into one reads the SELECT's rows through a WITH to
    // do so. (The names alone tell a column from another item's alias or a parameter.) Only the
    // rows give a crosstab its columns.
    if (s.sql.find(" END) AS \"") == std::string::npos && s.sql.find("WITH [(stored rows)]") == std::string::npos &&
        Plain(ornetta::jet::Translate(text, ColumnName, NamesOnly()).sql) != Plain(s.sql))
      __builtin_trap();
    Run(s.sql);
  } catch (const ornetta::Error& e) {
    if (e.Description().empty()) __builtin_trap();  // every refusal says why
  }
  (void)ornetta::jet::ParseDateLiteral(text, 2026);
  return 0;
}
