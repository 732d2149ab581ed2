#include "repair/backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "data/engine/engine.h"
#include "data/values/ascii_case.h"
#include "data/values/error.h"
#include "data/values/installation.h"
#include "platform/file_ops.h"
#include "platform/time_stamp.h"

namespace ornetta::repair {

namespace fs = std::filesystem;

namespace {
bool IsBackupFolderName(const std::string& name) {
  return name.size() >= 19 && name[4] == '-' && name[10] == '_' && std::isdigit(static_cast<unsigned char>(name[0]));
}

Error BackupError(const std::string& what) {
  return Error(err::kPathFileAccess, "The backup copy could not be made: " + what + ".");
}

bool IsDatabaseCopyName(const std::string& name) {
  return name.rfind(kStalePrefix, 0) != 0 && (Installation::IsStartName(name) || Installation::MayBeYearDatabase(name));
}

// True when every entry of `folder` is a database's copy or the mark: nothing a person must see.
bool HoldsOnlyCopies(const fs::path& folder) {
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!it->is_regular_file() || (name != kReplacedMarkName && !IsDatabaseCopyName(name))) return false;
  }
  return !ec;
}

// One backup folder, as the pruning sees it.
struct BackupFolder {
  fs::path path;
  bool marked = false;
  bool for_a_person = false;
  std::vector<std::string> copies{};  // the databases' names, case folded
};

BackupFolder Inspect(const fs::path& folder) {
  BackupFolder f{folder};
  std::error_code ec;
  f.marked = fs::is_regular_file(folder / kReplacedMarkName, ec);
  f.for_a_person = !HoldsOnlyCopies(folder);
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (IsDatabaseCopyName(name)) f.copies.push_back(AsciiLower(name));
  }
  return f;
}
}  // namespace

Backup::Backup(const fs::path& root, const std::vector<fs::path>& files, const CivilDateTime& now,
               platform::FileOps& file_ops)
    : file_ops_(file_ops), files_(files) {
  std::error_code ec;
  fs::create_directories(root, ec);
  if (ec) throw BackupError("cannot create '" + root.string() + "' (" + ec.message() + ")");
  const std::string stamp = platform::TimeStamp(now);
  folder_ = root / stamp;
  for (int n = 2; fs::exists(folder_, ec); ++n) {  // more than one run in a second
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%03d", n);
    folder_ = root / (stamp + suffix);
  }
  fs::create_directory(folder_, ec);
  if (ec) throw BackupError("cannot create '" + folder_.string() + "' (" + ec.message() + ")");
  if (std::error_code sync_ec = file_ops_.SyncDirectory(root)) {
    fs::remove_all(folder_, ec);
    throw BackupError("cannot record the new folder '" + folder_.string() + "' on disk (" + sync_ec.message() + ")");
  }
  for (const fs::path& file : files_) copies_.push_back(file_ops_.StartCopy(file, folder_ / file.filename()));
}

bool Backup::Complete(const std::string& password) {
  if (complete_) return false;
  std::error_code ec;
  try {
    for (size_t i = 0; i < files_.size(); ++i) {
      const fs::path& file = files_[i];
      const fs::path copy = folder_ / file.filename();
      if (std::error_code copy_ec = copies_[i]->Wait())
        throw BackupError("copying '" + file.string() + "' failed (" + copy_ec.message() + ")");
      if (fs::file_size(copy, ec) != fs::file_size(file, ec) || ec)
        throw BackupError("the copy of '" + file.string() + "' differs in size from the database");
      try {
        engine::Open(copy, password);
      } catch (const Error& e) {
        // A damaged database makes a copy that does not open either: the same bytes prove it.
        if (!platform::SameContents(file, copy))
          throw BackupError("the copy of '" + file.string() + "' does not open (" + e.Description() + ")");
      }
    }
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      if (std::error_code sync_ec = file_ops_.SyncFile(it->path()))
        throw BackupError("the copy '" + it->path().string() + "' could not be written to disk (" + sync_ec.message() +
                          ")");
    }
    if (!ec) ec = file_ops_.SyncDirectory(folder_);
    if (ec)
      throw BackupError("the folder '" + folder_.string() + "' could not be written to disk (" + ec.message() + ")");
  } catch (...) {
    RemoveCopies();
    throw;
  }
  complete_ = true;
  return true;
}

void Backup::MarkReplacing() {
  if (marked_) return;
  if (std::error_code ec =
          file_ops_.WriteFileDurably(folder_ / kReplacedMarkName,
                                     "The copies in this folder are the databases as they were before this repair.\n"))
    throw BackupError("the folder '" + folder_.string() + "' could not be marked as the backup of a repair (" +
                      ec.message() + "). Nothing was replaced");
  marked_ = true;
}

void Backup::Discard() {
  std::error_code ec;
  fs::remove(folder_ / kReplacedMarkName, ec);
  marked_ = false;
  if (!HoldsOnlyCopies(folder_)) return;
  RemoveCopies();
}

void Backup::RemoveCopies() {
  std::error_code ec;
  for (size_t i = 0; i < files_.size(); ++i) {
    copies_[i]->Wait();
    fs::remove(folder_ / files_[i].filename(), ec);
  }
  fs::remove(folder_, ec);  // kept when it holds anything else
}

void PruneBackups(const fs::path& root, const fs::path& current, size_t keep) {
  std::vector<BackupFolder> folders;  // `current` first, then the others, newest name first
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && IsBackupFolderName(name) && name != current.filename().string())
      folders.push_back(Inspect(it->path()));
  }
  std::sort(folders.begin(), folders.end(),
            [](const BackupFolder& a, const BackupFolder& b) { return a.path.filename() > b.path.filename(); });
  folders.insert(folders.begin(), Inspect(current));

  // A database's newest copy is looked for in marked folders first: an unmarked one may be the
  // half-made copy of a run killed while it copied.
  std::set<std::string> in_marked, newest;
  for (const BackupFolder& f : folders)
    if (f.marked) in_marked.insert(f.copies.begin(), f.copies.end());
  size_t marked_runs = 0;
  for (const BackupFolder& f : folders) {
    bool kept = f.path == current || f.for_a_person;
    if (f.marked)
      kept |= ++marked_runs <= keep;
    else
      kept |= marked_runs < keep;
    for (const std::string& copy : f.copies)
      if (f.marked || !in_marked.count(copy)) kept |= newest.insert(copy).second;
    if (!kept) fs::remove_all(f.path, ec);
  }
}

}  // namespace ornetta::repair
