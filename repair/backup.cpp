#include "repair/backup.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "data/engine/engine.h"
#include "data/values/error.h"
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
    for (size_t i = 0; i < files_.size(); ++i) {
      copies_[i]->Wait();
      fs::remove(folder_ / files_[i].filename(), ec);
    }
    fs::remove(folder_, ec);  // kept when it holds an earlier run's copy, moved aside meanwhile
    throw;
  }
  complete_ = true;
  return true;
}

void PruneBackups(const fs::path& root, const fs::path& current, size_t keep) {
  std::vector<fs::path> others;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_directory() && IsBackupFolderName(name) && name != current.filename().string())
      others.push_back(it->path());
  }
  const size_t keep_others = keep > 0 ? keep - 1 : 0;  // the current one is kept in any case
  if (others.size() <= keep_others) return;
  std::sort(others.begin(), others.end());
  for (size_t i = 0; i + keep_others < others.size(); ++i) fs::remove_all(others[i], ec);
}

}  // namespace ornetta::repair
