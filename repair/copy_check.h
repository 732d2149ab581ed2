// The checks a new copy of a database passes before it may take the database's place.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include "repair/salvage/salvage.h"

namespace ornetta::repair {

// The entries of one table or index b-tree, counted in the tree itself.
struct TreeCount {
  std::string type, name, table, sql;
  long long count = -1;  // -1 for an index the engine cannot be made to count alone (a partial one)
  bool operator==(const TreeCount&) const = default;
};
using TreeCounts = std::vector<TreeCount>;

// The engine's check of every page's structure and records of `db`: "ok", or what is wrong.
std::string StructureCheck(sqlite3* db);

// The schema and the entries of every table and every index of `db`, in the order of their names
// (so every page of each tree is read, and authenticated as it is read). Throws Error when a
// table cannot be counted.
TreeCounts EntryCounts(sqlite3* db);

// A compacted copy: passes the engine's structure check, and holds the same tables, rows and
// index entries as its source. Throws Error naming what differs.
void CheckCompactedCopy(const std::filesystem::path& copy, const std::string& password, const TreeCounts& source,
                        const std::string& source_name);

// A rebuilt copy: passes the structure check, each table holds the rows the salvage wrote, and each
// index as many entries as its table has rows. Throws Error naming what differs.
void CheckSalvagedCopy(const std::filesystem::path& copy, const std::string& password,
                       const salvage::SalvageOutcome& outcome);

}  // namespace ornetta::repair
