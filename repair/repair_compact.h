// Repair and compact: a verified backup of the year database and the start database, then each
// compacted into its TMP copy, checked, and swapped in. A database that is damaged is salvaged
// instead: every row that can be read with certainty is rebuilt into the TMP copy. The Repair
// command and ornetta-repair both run it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "data/clsProd.h"
#include "platform/file_ops.h"
#include "platform/host.h"
#include "repair/access_application.h"
#include "repair/progress.h"
#include "repair/salvage/salvage.h"

namespace ornetta::repair {

// The rows of one table of a database that the repair put in place: before (-1 where the damage
// hides how many there were) and after.
struct TableRows {
  std::string name;
  long long before = -1;
  long long after = 0;
};

// A database that the repair put in place, compacted or rebuilt from what the salvage read.
struct ReplacedDatabase {
  std::string file_name;
  bool salvaged = false;
  bool rows_lost = false;  // some live row, table or view is gone, or a row set aside; the report says which
  std::vector<TableRows> tables{};
};

// What becomes of a salvage whose rebuilt copy lacks something of the original (a live row, a
// row set aside, a table or view): put in place only when the user agrees, or as the caller decided.
enum class LossPolicy {
  kAsk,               // the host asks; offers the lost rows a backup holds
  kRefuse,            // nothing is replaced; the copy is kept in the backup folder
  kAccept,            // replaced as it is
  kAcceptAndRestore,  // replaced, with the lost rows a backup holds put back
};

struct RepairContext {
  clsProd& objProd;
  platform::Host& host;
  ProgressSink* progress = nullptr;
  AccessApplicationFactory access_factory = DefaultAccessApplicationFactory();
  // Set when the repair fails: what went wrong, for the window to show beside the fixed message.
  std::string failure_reason;
  // The databases that were damaged and salvaged rather than compacted, and the report of it.
  std::vector<salvage::SalvageOutcome> salvaged;
  std::filesystem::path report;
  // The databases put in place, in order. Kept when the repair then fails: the year database is
  // in place before the start database is compacted. The report's path is then kept too.
  std::vector<ReplacedDatabase> replaced{};
  // The copies, flushes and renames of the repair; tests give operations that fail.
  platform::FileOps& file_ops = platform::SystemFileOps();
  LossPolicy loss_policy = LossPolicy::kAsk;
  // The rebuilt copy that was not put in place because its loss was not accepted, kept beside the
  // report in this run's backup folder (the repair then stops there); empty otherwise.
  std::filesystem::path kept_copy{};
};

// Repairs and compacts the database `file_name` (a bare name, looked for in the database folder)
// and then the start database. Shows its own success or failure message (a failure's first line
// says what failed; a salvage that lost rows says so instead of the success, and one whose loss
// was not accepted says that nothing of it was replaced). True once both swaps
// are done, even when the final call on the automation object then fails (and the failure is shown).
// The connection of objProd is closed at the start and left closed.
bool Repair_Compact_DB(RepairContext& context, std::string file_name);

// The part of `path` after its last backslash or slash; "" for a path that ends in one. Throws
// the overflow error for a path longer than 32767 characters.
std::string Get_File_Name(const std::string& path);

}  // namespace ornetta::repair
