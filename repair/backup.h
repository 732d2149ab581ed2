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
// Marks the folder of a run that replaces databases: only such runs count among those kept.
constexpr char kReplacedMarkName[] = "Replaced.txt";
// Begins the names of the TMP copies that interrupted runs left, moved into a later run's folder.
constexpr char kStalePrefix[] = "stale-";

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

  // Marks the folder, durably, as the backup of a run that replaces databases: call once Complete
  // has returned and before the first database is replaced, so that no kill can leave a replaced
  // database's old copy in an unmarked folder. Throws Error; does nothing on later calls.
  void MarkReplacing();
  bool marked() const { return marked_; }

  // For a run that replaced nothing: its copies, its mark and its folder go, so that retries
  // leave nothing behind and never push an older backup out. When something else was put in the
  // folder meanwhile (a salvage's report, a stale copy moved aside), a person must see it: only
  // the mark goes.
  void Discard();

 private:
  // Waits for the copies, removes them and then the folder, unless something else is in it.
  void RemoveCopies();

  platform::FileOps& file_ops_;
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> files_;
  std::vector<std::unique_ptr<platform::BackgroundCopy>> copies_;
  bool complete_ = false;
  bool marked_ = false;
};

// Removes the backup folders under `root` that are no longer needed, once a run has replaced a
// database. Kept are `current`, this run's own (after the clock was once set ahead its name sorts
// before the others', and it holds the only copy of what was replaced); the newest `keep` marked
// folders, `current` among them; unmarked folders (of runs killed before they replaced anything,
// or made before runs were marked) newer than the last of those; the newest copy of each database,
// by file name, in a marked folder where there is one; and every folder that holds anything but
// database copies (a salvage's report, stale copies), until a person deletes it.
void PruneBackups(const std::filesystem::path& root, const std::filesystem::path& current, size_t keep = kBackupsKept);

}  // namespace ornetta::repair
