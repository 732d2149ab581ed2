// Verified backup copies of the databases a repair rewrites.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ornetta::repair {

constexpr size_t kBackupsKept = 5;

// Copies each file into a new folder under `root` named by the local time, and checks every copy:
// the same size as its source, and it opens with `password`. Returns the new folder. Throws Error
// (removing the new folder) when any copy fails or does not check. The copies are on their way to
// disk, not yet on it: MakeBackupDurable before any database is replaced.
std::filesystem::path BackupDatabases(const std::filesystem::path& root, const std::vector<std::filesystem::path>& files,
                                      const std::string& password);

// Waits until the copies in `folder` and the folder's entries are on disk; throws Error otherwise.
void MakeBackupDurable(const std::filesystem::path& folder);

// Removes the backup folders under `root` beyond the newest `keep` (their names sort by time).
void PruneBackups(const std::filesystem::path& root, size_t keep = kBackupsKept);

}  // namespace ornetta::repair
