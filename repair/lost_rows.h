// Rows that a salvage knows to be lost (by rowid, TableOutcome::lost_rowids), found under the same
// rowids in an earlier backup of the same file and put back into the rebuilt copy before it is
// checked and swapped in. Only known-lost rowids are looked up, so a row deleted since the backup
// never comes back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_ops.h"
#include "repair/salvage/salvage.h"

namespace ornetta::repair {

struct BackupRows {
  std::filesystem::path file;                          // the backup copy they are read from
  std::string date;                                    // when it was made, "YYYY-MM-DD HH:MM"
  std::map<std::string, std::vector<int64_t>> rowids;  // per table, the lost rowids it holds
  size_t Count() const;
};

// Of `backups` (newest first), the newest that opens with `password` and passes the structure
// check, with the rowids lost in `outcome` that it holds. nullopt when none was lost by rowid, no
// backup serves, or the one that does holds none of them.
std::optional<BackupRows> LostRowsInBackup(const std::vector<std::filesystem::path>& backups,
                                           const std::string& password, const salvage::SalvageOutcome& outcome);

// Writes the rows of `rows` into `copy` under their rowids with the backup's values (no trigger
// fires), and moves them in `outcome` from lost to restored. A row the copy refuses (a constraint)
// stays lost. The copy is flushed through `file_ops`. Throws Error.
void RestoreRows(const BackupRows& rows, const std::filesystem::path& copy, const std::string& password,
                 salvage::SalvageOutcome& outcome, platform::FileOps& file_ops);

}  // namespace ornetta::repair
