// The new database that salvaged rows are written into, through the engine.
//
// Tables and their indexes are created from the damaged file's own statements, rows go in with
// their original rowids and values (the indexes are built from them as they go in), and views
// and triggers are created after the rows (triggers do not fire).
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/crypto/derived_keys.h"
#include "data/engine/engine.h"
#include "platform/file_ops.h"
#include "repair/salvage/btree.h"
#include "repair/salvage/schema_row.h"

namespace ornetta::repair::salvage {

// What the engine keeps of a value's declared type, which decides the values a column can hold.
enum class Affinity { kInteger, kText, kBlob, kReal, kNumeric };

struct TableShape {
  std::string name;
  std::vector<std::string> columns;
  std::vector<Affinity> affinities;
  int rowid_column = -1;  // the column that is the rowid itself (an INTEGER PRIMARY KEY), or -1
  size_t index = 0;       // its place among the tables of the rebuild

  // Whether a record of `values` could be a row of this table: no more columns than it has, and
  // each value of a kind that the column's type keeps (numbers are not kept as text in a number
  // column, nor text as a number in a text column).
  bool Fits(const std::vector<Value>& values) const;
};

class Rebuild {
 public:
  // Creates `file` keyed for `salt`, and in it the tables of `schema` (in its order). Finish
  // flushes it through `file_ops`.
  Rebuild(const std::filesystem::path& file, const std::string& password, const crypto::Salt& salt,
          const std::vector<SchemaEntry>& schema, platform::FileOps& file_ops);
  ~Rebuild();

  const std::vector<TableShape>& tables() const { return shapes_; }
  const TableShape* Table(const std::string& name) const;

  // Inserts one row; false when the engine refuses it (a constraint), which is then not written.
  bool Insert(const TableShape& table, int64_t rowid, const std::vector<Value>& values);
  // Whether the table would take the row (its column types' checks included); writes nothing.
  bool Accepts(const TableShape& table, int64_t rowid, const std::vector<Value>& values);
  // Inserts all of `rows` with every check of the table, or none of them: false when one is
  // refused.
  bool InsertChecked(const TableShape& table, const std::vector<std::pair<int64_t, std::vector<Value>>>& rows);

  // Gives the tables' AUTOINCREMENT keys the damaged file's counters, never below a table's
  // largest key (a counter read from a damaged file may be older than its rows).
  void SetSequences(const std::vector<std::pair<std::string, int64_t>>& sequences);

  // Creates the views and triggers, sets the header values and commits; then flushes the file.
  // Returns the views and triggers the engine refused ("view Name: why"), which the copy lacks.
  // Throws Error when the rest fails.
  std::vector<std::string> Finish(int32_t user_version, int32_t application_id);

  // The rows written into each table.
  const std::map<std::string, long long>& written() const { return written_; }

 private:
  sqlite3_stmt* InsertStatement(const TableShape& table, size_t columns);
  int Step(const TableShape& table, int64_t rowid, const std::vector<Value>& values);
  void FinalizeInserts();

  std::filesystem::path file_;
  platform::FileOps& file_ops_;
  engine::Handle db_;
  std::vector<SchemaEntry> later_;  // indexes, views, triggers
  std::vector<TableShape> shapes_;
  std::vector<std::vector<sqlite3_stmt*>> inserts_;  // per table, per column count
  std::map<std::string, long long> written_;
};

}  // namespace ornetta::repair::salvage
