#include "tools/import/table_copy.h"

#include <mdbtools.h>

#include <cstdio>
#include <map>
#include <memory>

#include "data/engine/engine.h"
#include "data/jet/guard.h"
#include "data/values/error.h"
#include "data/values/sql_quoting.h"

namespace ornetta::import {

namespace {

struct Finalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

Statement Prepare(sqlite3* db, const std::string& sql, const std::string& doing) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    sqlite3_finalize(s);
    throw engine::ErrorFrom(db, doing);
  }
  return Statement(s);
}

std::string ColumnList(const SourceTable& table, const TablePlan& plan) {
  std::string cols;
  for (int i : plan.columns) cols += (cols.empty() ? "" : ", ") + JetName(table.columns[i].name);
  return cols;
}

std::string NumberText(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", v);
  return buf;
}

void Bind(sqlite3_stmt* s, int n, const TargetValue& v) {
  switch (v.kind) {
    case TargetValue::Kind::kNull: sqlite3_bind_null(s, n); break;
    case TargetValue::Kind::kInteger: sqlite3_bind_int64(s, n, v.integer); break;
    case TargetValue::Kind::kReal: sqlite3_bind_double(s, n, v.real); break;
    case TargetValue::Kind::kText:
      sqlite3_bind_text(s, n, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
      break;
    case TargetValue::Kind::kBlob:
      sqlite3_bind_blob(s, n, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_TRANSIENT);
      break;
  }
}

}  // namespace

TableChecksum CopyRows(const MdbSource& source, const SourceTable& table, const TablePlan& plan, sqlite3* db,
                       Progress& progress, Report& report) {
  std::string marks;
  for (size_t i = 0; i < plan.columns.size(); ++i) marks += i ? ", ?" : "?";
  Statement insert =
      Prepare(db, "INSERT INTO " + JetName(table.name) + " (" + ColumnList(table, plan) + ") VALUES (" + marks + ")",
              "Preparing to copy the rows of " + table.name);
  struct Changed {
    uint64_t count = 0;
    std::string first;
  };
  std::map<int, Changed> changed;  // by source column
  TableChecksum sum;
  engine::Exec(db, "BEGIN");
  try {
    MdbSource::Rows rows(source, table.name);
    std::vector<SourceValue> row;
    std::vector<std::optional<std::string>> keys(plan.columns.size());
    while (rows.Next(row)) {
      for (size_t k = 0; k < plan.columns.size(); ++k) {
        const int c = plan.columns[k];
        const SourceValue& v = row[c];
        const TargetValue t = ToTarget(v);
        keys[k] = SourceKey(v);
        if (v.kind == SourceValue::Kind::kCurrency || v.kind == SourceValue::Kind::kDecimal) {
          auto stored = StoredKey(t, table.columns[c].mdb_type, table.columns[c].scale);
          if (stored != keys[k]) {
            Changed& ch = changed[c];
            if (ch.count++ == 0)
              ch.first =
                  "row " + std::to_string(rows.read()) + ": " + Readable(v) + " is stored as " + NumberText(t.real);
            keys[k] = std::move(stored);
          }
        }
        Bind(insert.get(), static_cast<int>(k) + 1, t);
      }
      if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        const Error e = engine::ErrorFrom(
            db, "Row " + std::to_string(rows.read()) + " of the table " + table.name + " cannot be stored");
        sqlite3_reset(insert.get());
        throw e;
      }
      sqlite3_reset(insert.get());
      sum.AddRow(keys);
      progress.Rows(rows.read());
    }
    if (!plan.counter_column.empty() && table.last_counter > 0) {
      // The next new row continues Jet's counter, which may be past the highest value kept (rows
      // deleted at the end).
      const std::string name = QuotedText(table.name), last = std::to_string(table.last_counter);
      const jet::EngineTableWrites own;  // the program's own write to the engine's counters
      engine::Exec(db, "UPDATE sqlite_sequence SET seq = max(seq, " + last + ") WHERE name = " + name +
                           "; INSERT INTO sqlite_sequence (name, seq) SELECT " + name + ", " + last +
                           " WHERE NOT EXISTS (SELECT 1 FROM sqlite_sequence WHERE name = " + name + ");");
    }
    engine::Exec(db, "COMMIT");
  } catch (...) {
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    throw;
  }
  for (const auto& [c, ch] : changed)
    report.NotCarried("column " + table.name + "." + table.columns[c].name,
                      std::to_string(ch.count) + " value" + (ch.count == 1 ? " has" : "s have") +
                          " more digits than a Double keeps and " + (ch.count == 1 ? "was" : "were") +
                          " rounded; first: " + ch.first);
  return sum;
}

TableChecksum StoredChecksum(sqlite3* db, const SourceTable& table, const TablePlan& plan) {
  Statement select = Prepare(db, "SELECT " + ColumnList(table, plan) + " FROM " + JetName(table.name),
                             "Reading back the rows of " + table.name);
  TableChecksum sum;
  std::vector<std::optional<std::string>> keys(plan.columns.size());
  int rc;
  while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
    for (size_t k = 0; k < plan.columns.size(); ++k) {
      const SourceColumn& c = table.columns[plan.columns[k]];
      TargetValue v;
      const int n = static_cast<int>(k);
      switch (sqlite3_column_type(select.get(), n)) {
        case SQLITE_NULL: break;
        case SQLITE_INTEGER:
          v.kind = TargetValue::Kind::kInteger;
          v.integer = sqlite3_column_int64(select.get(), n);
          break;
        case SQLITE_FLOAT:
          v.kind = TargetValue::Kind::kReal;
          v.real = sqlite3_column_double(select.get(), n);
          break;
        default: {
          v.kind =
              sqlite3_column_type(select.get(), n) == SQLITE_BLOB ? TargetValue::Kind::kBlob : TargetValue::Kind::kText;
          const void* p = v.kind == TargetValue::Kind::kBlob ? sqlite3_column_blob(select.get(), n)
                                                             : sqlite3_column_text(select.get(), n);
          const int size = sqlite3_column_bytes(select.get(), n);
          if (size > 0) v.bytes.assign(static_cast<const char*>(p), static_cast<size_t>(size));
        }
      }
      keys[k] = StoredKey(v, c.mdb_type, c.scale);
    }
    sum.AddRow(keys);
  }
  if (rc != SQLITE_DONE) throw engine::ErrorFrom(db, "Reading back the rows of " + table.name);
  return sum;
}

}  // namespace ornetta::import
