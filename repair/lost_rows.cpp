#include "repair/lost_rows.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <set>

#include "data/engine/engine.h"
#include "data/values/error.h"
#include "data/values/sql_quoting.h"
#include "repair/copy_check.h"

namespace ornetta::repair {

namespace fs = std::filesystem;

namespace {
struct Finalizer {
  void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

// Null when the statement does not prepare (a table the backup does not have).
Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
  return Statement(st);
}

// One row of `table` by its rowid, bound as parameter 1.
Statement SelectByRowid(sqlite3* db, const std::string& table) {
  return Prepare(db, "SELECT * FROM " + QuotedName(table) + " WHERE rowid = ?1");
}

// Calls `found` with the row of each of `rowids` that `select` finds.
void ForEachRow(sqlite3* db, sqlite3_stmt* select, const std::vector<int64_t>& rowids,
                const std::function<void(int64_t)>& found) {
  for (const int64_t rowid : rowids) {
    sqlite3_bind_int64(select, 1, rowid);
    const int rc = sqlite3_step(select);
    if (rc == SQLITE_ROW) found(rowid);
    sqlite3_reset(select);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw engine::ErrorFrom(db, "Reading the backup's rows");
  }
}

// "YYYY-MM-DD HH:MM" of a backup folder named "YYYY-MM-DD_HH-MM-SS".
std::string FolderDate(const fs::path& file) {
  std::string date = file.parent_path().filename().string().substr(0, 16);
  if (date.size() == 16) date[10] = ' ', date[13] = ':';
  return date;
}

// The columns of `table` in `db`, by name.
std::set<std::string> ColumnsOf(sqlite3* db, const std::string& table) {
  const Statement st = Prepare(db, "PRAGMA table_info(" + QuotedName(table) + ")");
  std::set<std::string> columns;
  while (st && sqlite3_step(st.get()) == SQLITE_ROW)
    columns.insert(reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 1)));
  return columns;
}

// The insert of a backup row under its rowid (parameter 1), with those columns of `select` that
// the copy's table still has (parameters 2...); `taken` receives their places in `select`.
Statement InsertFrom(sqlite3* copy, const std::string& table, sqlite3_stmt* select, std::vector<int>& taken) {
  const std::set<std::string> columns = ColumnsOf(copy, table);
  std::string names = "rowid", values = "?";
  for (int i = 0; i < sqlite3_column_count(select); ++i) {
    const std::string name = sqlite3_column_name(select, i);
    if (!columns.count(name)) continue;
    taken.push_back(i);
    names += ", " + QuotedName(name);
    values += ", ?";
  }
  Statement insert = Prepare(copy, "INSERT INTO " + QuotedName(table) + " (" + names + ") VALUES (" + values + ")");
  if (!insert) throw engine::ErrorFrom(copy, "Preparing to put rows back into " + table);
  return insert;
}

// Whether the rowids of `table` in `db` are those of its later copies. The compaction copies a
// table that has neither an index nor an INTEGER PRIMARY KEY under new rowids, numbered afresh, so
// that a backup's rowid of such a table may name another row today.
bool RowidsLast(sqlite3* db, const std::string& table) {
  const Statement index = Prepare(db, "SELECT 1 FROM sqlite_master WHERE type = 'index' AND tbl_name = ?1");
  if (!index) throw engine::ErrorFrom(db, "Reading the backup's list of tables");
  sqlite3_bind_text(index.get(), 1, table.c_str(), -1, SQLITE_TRANSIENT);
  if (sqlite3_step(index.get()) == SQLITE_ROW) return true;
  const Statement key = Prepare(db, "PRAGMA table_info(" + QuotedName(table) + ")");
  int keys = 0;
  bool integer_key = false;
  while (key && sqlite3_step(key.get()) == SQLITE_ROW) {
    if (sqlite3_column_int(key.get(), 5) == 0) continue;
    ++keys;
    const unsigned char* type = sqlite3_column_text(key.get(), 2);
    integer_key = type && sqlite3_stricmp(reinterpret_cast<const char*>(type), "INTEGER") == 0;
  }
  return keys == 1 && integer_key;
}

// Moves `restored` of `t` from its lost rows to its restored ones.
void MarkRestored(salvage::TableOutcome& t, const std::vector<int64_t>& restored) {
  const std::set<int64_t> back(restored.begin(), restored.end());
  std::erase_if(t.lost_rowids, [&](int64_t rowid) { return back.count(rowid) > 0; });
  std::erase_if(t.lost_keys, [&](const std::string& key) {
    const size_t end = key.find_first_of(",:");
    return key.rfind("rowid ", 0) == 0 && end != std::string::npos &&
           back.count(std::stoll(key.substr(6, end - 6))) > 0;
  });
  t.restored_rowids = restored;
  t.recovered += static_cast<long long>(restored.size());
  t.lost_known -= static_cast<long long>(restored.size());
}
}  // namespace

size_t BackupRows::Count() const {
  return std::accumulate(rowids.begin(), rowids.end(), size_t{0},
                         [](size_t n, const auto& table) { return n + table.second.size(); });
}

std::optional<BackupRows> LostRowsInBackup(const std::vector<fs::path>& backups, const std::string& password,
                                           const salvage::SalvageOutcome& outcome) {
  if (std::all_of(outcome.tables.begin(), outcome.tables.end(),
                  [](const salvage::TableOutcome& t) { return t.lost_rowids.empty(); }))
    return std::nullopt;
  for (const fs::path& backup : backups) {
    engine::Handle db;
    try {
      db = engine::Open(backup, password);
    } catch (const Error&) {
      continue;
    }
    // A damaged original kept by an earlier salvage opens too, but does not pass.
    if (StructureCheck(db.get()) != "ok") continue;
    BackupRows rows{backup, FolderDate(backup), {}};
    for (const salvage::TableOutcome& t : outcome.tables) {
      const Statement select =
          t.lost_rowids.empty() || !RowidsLast(db.get(), t.name) ? nullptr : SelectByRowid(db.get(), t.name);
      if (!select) continue;
      std::vector<int64_t> held;
      ForEachRow(db.get(), select.get(), t.lost_rowids, [&](int64_t rowid) { held.push_back(rowid); });
      if (!held.empty()) rows.rowids[t.name] = std::move(held);
    }
    if (rows.rowids.empty()) return std::nullopt;
    return rows;
  }
  return std::nullopt;
}

void RestoreRows(const BackupRows& rows, const fs::path& copy, const std::string& password,
                 salvage::SalvageOutcome& outcome, platform::FileOps& file_ops) {
  const engine::Handle backup = engine::Open(rows.file, password);
  {
    const engine::Handle db = engine::Open(copy, password);
    // The rows are put back as they were, not acted upon again.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    engine::Exec(db.get(), "BEGIN IMMEDIATE");
    for (salvage::TableOutcome& t : outcome.tables) {
      const auto wanted = rows.rowids.find(t.name);
      if (wanted == rows.rowids.end()) continue;
      const Statement select = SelectByRowid(backup.get(), t.name);
      if (!select) throw engine::ErrorFrom(backup.get(), "Reading " + t.name + " in the backup");
      std::vector<int> taken;
      const Statement insert = InsertFrom(db.get(), t.name, select.get(), taken);
      std::vector<int64_t> restored;
      ForEachRow(backup.get(), select.get(), wanted->second, [&](int64_t rowid) {
        sqlite3_bind_int64(insert.get(), 1, rowid);
        for (size_t i = 0; i < taken.size(); ++i)
          sqlite3_bind_value(insert.get(), static_cast<int>(i) + 2, sqlite3_column_value(select.get(), taken[i]));
        const int rc = sqlite3_step(insert.get());
        sqlite3_reset(insert.get());
        if (rc == SQLITE_DONE)
          restored.push_back(rowid);
        else if ((rc & 0xff) != SQLITE_CONSTRAINT)
          throw engine::ErrorFrom(db.get(), "Putting rows back into " + t.name);
      });
      MarkRestored(t, restored);
    }
    engine::Exec(db.get(), "COMMIT");
  }
  if (std::any_of(outcome.tables.begin(), outcome.tables.end(),
                  [](const salvage::TableOutcome& t) { return !t.restored_rowids.empty(); }))
    outcome.restored_from = rows.date;
  if (std::error_code ec = file_ops.SyncFile(copy))
    throw Error(err::kPathFileAccess, "Cannot flush the rebuilt copy '" + copy.string() + "': " + ec.message() + ".");
}

}  // namespace ornetta::repair
