// Salvage: every row of a damaged database that can still be read with certainty, written into a
// new database, and an account of what was lost.
//
// Only pages that pass their authentication feed a table. Each table's b-tree is walked from its
// root; where an interior page is lost, the leaf pages it pointed to are found among the pages that
// no tree reaches and given to their table by what they hold (column count and kinds against the
// table, rowids inside the range the lost page covered). A page that cannot be given to exactly
// one table is set aside and counted, never put into a table. Pages on the freelist are not live
// data and never read for rows. Indexes are rebuilt from the rows; a surviving index entry whose
// row is gone names a lost row by its key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "repair/salvage/page_file.h"

namespace ornetta::repair::salvage {

struct TableOutcome {
  std::string name;
  long long recovered = 0;             // rows written into the new database
  long long lost_known = 0;            // rows known lost: named by an index entry, or a broken row
  std::vector<std::string> lost_keys;  // how they are known, at most kListedKeys
  long long lost_pages = 0;            // pages of its b-tree that failed authentication
  bool rows_lost = false;              // a lost page held (or may have held) some of its rows
  bool count_exact = false;            // then lost_known is every lost row: a whole index named them
  // The rowids of every row known lost (an index entry without its row, or a row whose cell
  // survives but not its record), all of them, in order: the rows a backup may give back.
  std::vector<int64_t> lost_rowids;
  // Rows known lost that were put back from a backup with the backup's values (counted in
  // recovered, no longer in lost_known and lost_rowids), in order.
  std::vector<int64_t> restored_rowids;
};

struct SalvageOutcome {
  std::string file_name;
  int page_size = 0;
  uint32_t page_count = 0;
  std::vector<uint32_t> lost_pages;      // every page that failed authentication (or is missing)
  std::vector<std::string> lost_owners;  // per lost page: whose it was, in words
  std::string key_source;                // where the salt that reads the file came from
  std::string schema_source;             // where the list of tables came from
  std::vector<TableOutcome> tables;
  // Tables and views of the original that the rebuilt copy does not have, as "table Name" or
  // "view Name": their definitions were on lost pages and nothing else held them.
  std::vector<std::string> lost_objects;
  long long set_aside_rows = 0;    // readable rows that could not be given to one table
  std::vector<std::string> notes;  // anything else the reader of the report should know
  std::string restored_from;       // the date of the backup that rows were put back from, if any

  // Whether some live row is gone or set aside (then the repair must not report plain success).
  bool RowsLost() const;
  // Whether the rebuilt copy lacks anything of the original: a live row, a row set aside, or a
  // table or view. Such a copy replaces the database only when the user agrees.
  bool LosesSomething() const { return RowsLost() || !lost_objects.empty(); }
};

// The files that can stand in for a damaged first page or salt, in order of trust: backups of
// the same database (newest first), then the other databases of its folder (same tables).
struct StandIns {
  std::vector<std::filesystem::path> backups;
  std::vector<std::filesystem::path> siblings;
};

using SalvageProgress = std::function<void(double)>;

// Whether `file` shows damage: a page that fails authentication, fewer pages than its header
// counts, or no salt and page size that read it. False for a whole file (then a failure to compact
// it had another cause).
bool IsDamaged(const PageFile& file, const std::string& password);

// Reads every surviving row of `source` (named `file_name` in messages) into the new database
// `destination`. Throws Error when nothing can be salvaged (no key reads the file, no list of its
// tables) or the new database cannot be written; `destination` is then removed. It is flushed
// through `file_ops`.
SalvageOutcome Salvage(const PageFile& source, const std::string& file_name, const std::string& password,
                       const StandIns& stand_ins, const std::filesystem::path& destination,
                       const SalvageProgress& progress = {}, platform::FileOps& file_ops = platform::SystemFileOps());

}  // namespace ornetta::repair::salvage
