#include "repair/salvage/rebuild.h"

#include <algorithm>
#include <cctype>

#include "data/values/error.h"
#include "platform/file_ops.h"
#include "data/values/sql_quoting.h"
#include "data/values/ascii_case.h"

namespace ornetta::repair::salvage {

namespace fs = std::filesystem;

namespace {
// The engine's rules for a declared type, in their order.
Affinity AffinityOf(const std::string& declared) {
  const std::string t = AsciiUpper(declared);
  if (t.find("INT") != std::string::npos) return Affinity::kInteger;
  if (t.find("CHAR") != std::string::npos || t.find("CLOB") != std::string::npos || t.find("TEXT") != std::string::npos)
    return Affinity::kText;
  if (t.empty() || t.find("BLOB") != std::string::npos) return Affinity::kBlob;
  if (t.find("REAL") != std::string::npos || t.find("FLOA") != std::string::npos || t.find("DOUB") != std::string::npos)
    return Affinity::kReal;
  return Affinity::kNumeric;
}

std::string Column(sqlite3_stmt* st, int i) {
  const unsigned char* text = sqlite3_column_text(st, i);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// The engine's answer to a row its table does not take (rather than a failure of the engine).
bool Refusal(int rc) { return (rc & 0xFF) == SQLITE_CONSTRAINT || rc == SQLITE_MISMATCH; }

// Runs one statement of the damaged file's list: a list read from damaged pages must not run a
// second one hidden after it.
void ExecOne(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* st = nullptr;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st, &tail) != SQLITE_OK)
    throw engine::ErrorFrom(db, "Reading the statement");
  const bool single = !tail || std::all_of(tail, sql.c_str() + sql.size(), [](char c) {
    return std::isspace(static_cast<unsigned char>(c)) || c == ';';
  });
  const int rc = single && st ? sqlite3_step(st) : SQLITE_DONE;
  sqlite3_finalize(st);
  if (!single) throw Error(err::kEngine, "the statement holds more than one");
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) throw engine::ErrorFrom(db, "Running the statement");
}

bool IsInternal(const std::string& name) { return AsciiUpper(name).rfind("SQLITE_", 0) == 0; }
}  // namespace

bool TableShape::Fits(const std::vector<Value>& values) const {
  if (values.size() > columns.size()) return false;
  for (size_t i = 0; i < values.size(); ++i) {
    const Value::Kind kind = values[i].kind;
    if (static_cast<int>(i) == rowid_column) {
      if (kind != Value::kNull) return false;  // the rowid column is stored as Null
      continue;
    }
    switch (affinities[i]) {
      case Affinity::kText:
        if (kind == Value::kInteger || kind == Value::kReal) return false;
        break;
      case Affinity::kInteger:
      case Affinity::kReal:
      case Affinity::kNumeric:
        // Text that reads as a number would have been stored as one; other text can stay.
        break;
      case Affinity::kBlob: break;
    }
  }
  return true;
}

Rebuild::Rebuild(const fs::path& file, const std::string& password, const crypto::Salt& salt,
                 const std::vector<SchemaEntry>& schema, platform::FileOps& file_ops)
    : file_(file), file_ops_(file_ops), db_(engine::CreateWithSalt(file, password, salt)) {
  sqlite3* db = db_.get();
  // Nothing relies on a half-made copy: one sync of the finished file makes it as durable. The
  // journal stays (in memory) for the trials of rows that Accepts takes back. The rows passed
  // their types' checks when the engine wrote them: they are not checked again.
  engine::Exec(db,
               "PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY; PRAGMA ignore_check_constraints = ON; BEGIN;");
  for (const SchemaEntry& entry : schema) {
    if (entry.type != "table") {
      if (!entry.sql.empty()) later_.push_back(entry);
      continue;
    }
    // The engine makes its own tables (the AUTOINCREMENT counters with the first such table).
    if (IsInternal(entry.name) || entry.sql.empty()) continue;
    try {
      ExecOne(db, entry.sql);
    } catch (const Error& e) {
      throw Error(err::kEngine, "Cannot create the table " + entry.name + " in the rebuilt copy: " + e.Description());
    }
  }
  // Indexes are kept up as the rows go in: built afterwards, their sort would hold all their
  // entries in memory (the engine keeps its temporary files there).
  for (const SchemaEntry& entry : later_) {
    if (entry.type != "index") continue;
    try {
      ExecOne(db, entry.sql);
    } catch (const Error& e) {
      throw Error(err::kEngine, "Cannot create the index " + entry.name + " in the rebuilt copy: " + e.Description());
    }
  }
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid", -1, &st, nullptr);
  std::vector<std::pair<std::string, std::string>> tables;
  while (sqlite3_step(st) == SQLITE_ROW) tables.emplace_back(Column(st, 0), Column(st, 1));
  sqlite3_finalize(st);
  for (const auto& [name, sql] : tables) {
    TableShape shape;
    shape.name = name;
    sqlite3_prepare_v2(db, ("PRAGMA table_info(" + QuotedName(name) + ")").c_str(), -1, &st, nullptr);
    int primary_keys = 0, integer_key = -1;
    while (sqlite3_step(st) == SQLITE_ROW) {
      shape.columns.push_back(Column(st, 1));
      const std::string declared = Column(st, 2);
      shape.affinities.push_back(AffinityOf(declared));
      if (sqlite3_column_int(st, 5) > 0) {
        ++primary_keys;
        if (AsciiUpper(declared) == "INTEGER") integer_key = static_cast<int>(shape.columns.size()) - 1;
      }
    }
    sqlite3_finalize(st);
    const bool without_rowid = AsciiUpper(sql).find("WITHOUT ROWID") != std::string::npos;
    if (primary_keys == 1 && !without_rowid) shape.rowid_column = integer_key;
    shape.index = shapes_.size();
    shapes_.push_back(std::move(shape));
  }
}

Rebuild::~Rebuild() {
  FinalizeInserts();
  if (db_) sqlite3_exec(db_.get(), "ROLLBACK;", nullptr, nullptr, nullptr);
}

const TableShape* Rebuild::Table(const std::string& name) const {
  for (const TableShape& t : shapes_)
    if (t.name == name) return &t;
  return nullptr;
}

void Rebuild::FinalizeInserts() {
  for (auto& statements : inserts_)
    for (sqlite3_stmt* st : statements) sqlite3_finalize(st);
  inserts_.clear();
}

sqlite3_stmt* Rebuild::InsertStatement(const TableShape& table, size_t columns) {
  if (inserts_.size() <= table.index) inserts_.resize(table.index + 1);
  std::vector<sqlite3_stmt*>& statements = inserts_[table.index];
  if (statements.size() <= columns) statements.resize(columns + 1, nullptr);
  if (statements[columns]) return statements[columns];
  std::string names, marks;
  auto add = [&](const std::string& name) {
    names += (names.empty() ? "" : ", ") + QuotedName(name);
    marks += marks.empty() ? "?" : ", ?";
  };
  for (size_t i = 0; i < columns; ++i) add(table.columns[i]);
  if (table.rowid_column < 0 || static_cast<size_t>(table.rowid_column) >= columns) {
    if (table.rowid_column >= 0) {
      add(table.columns[table.rowid_column]);
    } else {
      std::string alias;
      for (const char* candidate : {"rowid", "_rowid_", "oid"})
        if (std::none_of(table.columns.begin(), table.columns.end(),
                         [&](const std::string& c) { return AsciiUpper(c) == AsciiUpper(candidate); }))
          alias = candidate;
      if (alias.empty())
        throw Error(err::kEngine, "The table " + table.name + " names every column the engine's row keys go by.");
      names += ", " + alias;
      marks += ", ?";
    }
  }
  const std::string sql = "INSERT INTO " + QuotedName(table.name) + " (" + names + ") VALUES (" + marks + ")";
  if (sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &statements[columns], nullptr) != SQLITE_OK)
    throw engine::ErrorFrom(db_.get(), "Preparing the rows of " + table.name);
  return statements[columns];
}

int Rebuild::Step(const TableShape& table, int64_t rowid, const std::vector<Value>& values) {
  sqlite3_stmt* st = InsertStatement(table, values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    const int index = static_cast<int>(i) + 1;
    const Value& v = values[i];
    if (static_cast<int>(i) == table.rowid_column) {
      sqlite3_bind_int64(st, index, rowid);
      continue;
    }
    switch (v.kind) {
      case Value::kNull: sqlite3_bind_null(st, index); break;
      case Value::kInteger: sqlite3_bind_int64(st, index, v.integer); break;
      case Value::kReal: sqlite3_bind_double(st, index, v.real); break;
      case Value::kText:
        sqlite3_bind_text(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        break;
      case Value::kBlob:
        sqlite3_bind_blob(st, index, v.bytes.data(), static_cast<int>(v.bytes.size()), SQLITE_STATIC);
        break;
    }
  }
  if (sqlite3_bind_parameter_count(st) > static_cast<int>(values.size()))
    sqlite3_bind_int64(st, static_cast<int>(values.size()) + 1, rowid);
  const int rc = sqlite3_step(st);
  sqlite3_reset(st);  // every parameter is bound again for the next row
  return rc;
}

bool Rebuild::Accepts(const TableShape& table, int64_t rowid, const std::vector<Value>& values) {
  // The trial is the point of the types' checks, which the rows of a table's own tree skip.
  engine::Exec(db_.get(), "PRAGMA ignore_check_constraints = OFF; SAVEPOINT probe;");
  const int rc = Step(table, rowid, values);
  engine::Exec(db_.get(), "ROLLBACK TO probe; RELEASE probe; PRAGMA ignore_check_constraints = ON;");
  if (rc == SQLITE_DONE || Refusal(rc)) return rc == SQLITE_DONE;
  throw engine::ErrorFrom(db_.get(), "Trying a row in " + table.name);
}

bool Rebuild::InsertChecked(const TableShape& table, const std::vector<std::pair<int64_t, std::vector<Value>>>& rows) {
  engine::Exec(db_.get(), "PRAGMA ignore_check_constraints = OFF; SAVEPOINT leaf;");
  bool all = true;
  for (const auto& [rowid, values] : rows) {
    const int rc = Step(table, rowid, values);
    if (rc == SQLITE_DONE) continue;
    if (!Refusal(rc)) throw engine::ErrorFrom(db_.get(), "Writing a row of " + table.name);
    all = false;
    break;
  }
  engine::Exec(db_.get(),
               std::string(all ? "" : "ROLLBACK TO leaf; ") + "RELEASE leaf; PRAGMA ignore_check_constraints = ON;");
  if (all) written_[table.name] += static_cast<long long>(rows.size());
  return all;
}

bool Rebuild::Insert(const TableShape& table, int64_t rowid, const std::vector<Value>& values) {
  const int rc = Step(table, rowid, values);
  if (rc == SQLITE_DONE) {
    ++written_[table.name];
    return true;
  }
  if (Refusal(rc)) return false;
  throw engine::ErrorFrom(db_.get(), "Writing a row of " + table.name + " into the rebuilt copy");
}

void Rebuild::SetSequences(const std::vector<std::pair<std::string, int64_t>>& sequences) {
  sqlite3* db = db_.get();
  if (sqlite3_exec(db, "SELECT 1 FROM sqlite_sequence LIMIT 0;", nullptr, nullptr, nullptr) != SQLITE_OK) return;
  for (const auto& [name, seq] : sequences) {
    if (!Table(name)) continue;
    sqlite3_stmt* st = nullptr;
    // The engine keeps the counter at least at the largest key written so far.
    sqlite3_prepare_v2(db, "UPDATE sqlite_sequence SET seq = max(seq, ?2) WHERE name = ?1", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 2, seq);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc == SQLITE_DONE && sqlite3_changes(db) == 0) {
      sqlite3_prepare_v2(db, "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, ?2)", -1, &st, nullptr);
      sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
      sqlite3_bind_int64(st, 2, seq);
      rc = sqlite3_step(st);
      sqlite3_finalize(st);
    }
    if (rc != SQLITE_DONE) throw engine::ErrorFrom(db, "Writing the counter of " + name);
  }
}

std::vector<std::string> Rebuild::Finish(int32_t user_version, int32_t application_id) {
  sqlite3* db = db_.get();
  FinalizeInserts();
  std::vector<std::string> refused;
  for (const SchemaEntry& entry : later_) {
    if (entry.type == "index") continue;  // made with the tables
    // A view or trigger taken from a stand-in may name what this file never had.
    engine::Exec(db, "SAVEPOINT later;");
    try {
      ExecOne(db, entry.sql);
    } catch (const Error& e) {
      engine::Exec(db, "ROLLBACK TO later;");
      refused.push_back(entry.type + " " + entry.name + ": " + e.Description());
    }
    engine::Exec(db, "RELEASE later;");
  }
  engine::Exec(db, "PRAGMA user_version = " + std::to_string(user_version) +
                       "; PRAGMA application_id = " + std::to_string(application_id) + "; COMMIT;");
  db_.reset();
  if (std::error_code ec = file_ops_.SyncFile(file_))
    throw Error(err::kPathFileAccess,
                "The rebuilt copy '" + file_.string() + "' could not be written to disk (" + ec.message() + ").");
  return refused;
}

}  // namespace ornetta::repair::salvage
