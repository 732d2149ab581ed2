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

namespace ornetta::repair::salvage {

// A row of the schema table: a table, index, view or trigger with the statement that made it.
struct SchemaEntry {
  std::string type, name, table, sql;
  uint32_t root = 0;  // its b-tree's first page; 0 for views and triggers, or when not known
};

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

  // Replaces the counters of the tables' AUTOINCREMENT keys by the damaged file's.
  void SetSequences(const std::vector<std::pair<std::string, int64_t>>& sequences);

  // Creates the indexes, views and triggers, sets the header values and commits; then flushes the
  // file. Throws Error when any of it fails.
  void Finish(int32_t user_version, int32_t application_id);

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
