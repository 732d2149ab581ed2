// Verified backup copies of the databases a repair rewrites.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/values/datetime.h"
#include "platform/file_ops.h"

namespace ornetta::repair {

constexpr size_t kBackupsKept = 5;

// The backup of one repair, made while the repair goes on: the copies start at once, each in a
// child process, into a new folder under `root` named by the local time `now`. Nothing may be
// replaced before Complete has returned. The destructor waits for copies still running.
class Backup {
 public:
  // Creates the folder and starts the copies. Throws Error when the folder cannot be made. The
  // copies and flushes go through `file_ops`, which must outlive the backup.
  Backup(const std::filesystem::path& root, const std::vector<std::filesystem::path>& files, const CivilDateTime& now,
         platform::FileOps& file_ops);

  const std::filesystem::path& folder() const { return folder_; }

  // Waits for the copies and checks each one (the size of its source, opens with `password`, or
  // for a damaged database that does not open, holds its bytes),
  // then waits until the copies and the folder are on disk. Throws Error, removing the copies
  // (and the folder, unless something else was put in it), when any of this fails. Returns true the first time, false
  // on later calls (nothing to do).
  bool Complete(const std::string& password);

 private:
  platform::FileOps& file_ops_;
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> files_;
  std::vector<std::unique_ptr<platform::BackgroundCopy>> copies_;
  bool complete_ = false;
};

// Removes the backup folders under `root` beyond the newest `keep` (their names sort by time),
// never `current`, this run's own: after the clock was once set ahead, its name sorts before the
// others', and it is the only copy of the databases about to be replaced.
void PruneBackups(const std::filesystem::path& root, const std::filesystem::path& current, size_t keep = kBackupsKept);

}  // namespace ornetta::repair
