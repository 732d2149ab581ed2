// Durable file operations (copies, flushes, swaps) for the repair, the compaction, the TMP copies
// and the import, careful about the engine's locks.
//
// The engine's locks are POSIX record locks, which belong to the process: opening and closing a
// database file anywhere in this process would silently drop every lock the engine holds on it.
// So the database files themselves are only ever copied by a child process, and only renamed,
// never opened, here; the one exception is a new copy the engine is writing (GrowingFile), held
// open until the engine has closed it.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace ornetta::platform {

// Copies `from` to the new file `to` (which must not exist) in a child process, which runs while
// the caller goes on; the destructor waits for it. The copy is made private (0600) and then given
// its source's permission bits (and, as root, its owner and group): it is never more readable than
// its source. The copy is on its way to disk when it ends, not yet on it: SyncFile it (and its
// folder) before relying on it. On failure the partial copy is removed.
class BackgroundCopy {
 public:
  BackgroundCopy(const std::filesystem::path& from, const std::filesystem::path& to);
  // A copy that could not start: Wait gives `failure`.
  explicit BackgroundCopy(std::error_code failure) : result_(failure) {}
  ~BackgroundCopy();
  BackgroundCopy(const BackgroundCopy&) = delete;
  BackgroundCopy& operator=(const BackgroundCopy&) = delete;

  // Waits for the copy to end and gives its result (the same on every call).
  std::error_code Wait();

 private:
  std::filesystem::path to_;
  int pid_ = -1;
  std::optional<std::error_code> result_;
};

// Whether two files hold the same bytes, compared in a child process (so that a database this
// process holds is never opened here). False when either cannot be read.
bool SameContents(const std::filesystem::path& a, const std::filesystem::path& b);

// A file that another part of this process is writing, held open so that what has been written so
// far can be sent to disk as it grows: the sync at the end then waits only for the last part. The
// handle is closed only by the destructor; keep it until the writer has closed the file (see above
// on locks).
class GrowingFile {
 public:
  explicit GrowingFile(const std::filesystem::path& file);
  ~GrowingFile();
  GrowingFile(const GrowingFile&) = delete;
  GrowingFile& operator=(const GrowingFile&) = delete;

  // Starts writing what is in memory to disk, without waiting; does nothing when not open.
  void StartWriteback();
  // Flushes the whole file (FileOps::Sync is the way the repair asks for it).
  std::error_code Sync();

 private:
  std::filesystem::path file_;
  int fd_ = -1;
};

// The operations that write to the disk on behalf of a repair: copies, flushes and renames. The
// repair receives them (SystemFileOps() unless told otherwise), so that a test can give one that
// fails where it chooses: each virtual operation is one place where a disk can fail.
class FileOps {
 public:
  virtual ~FileOps() = default;

  // Starts copying `from` to the new file `to` (see BackgroundCopy); a failure shows at Wait.
  virtual std::unique_ptr<BackgroundCopy> StartCopy(const std::filesystem::path& from, const std::filesystem::path& to);
  // Flushes a file that this process does not hold open as a database.
  virtual std::error_code SyncFile(const std::filesystem::path& file);
  // Flushes a file that is being written.
  virtual std::error_code Sync(GrowingFile& file);
  // Flushes a folder's entries (a rename or a new file in it).
  virtual std::error_code SyncDirectory(const std::filesystem::path& dir);
  // Gives `from` the name `to`, replacing what `to` named; not yet durable (SyncDirectory).
  virtual std::error_code Rename(const std::filesystem::path& from, const std::filesystem::path& to);

  // Gives `file` the owner, group and permission bits of `model`: a copy that takes a database's
  // place must leave it to the same users. Changing the owner takes root.
  virtual std::error_code CopyOwnerAndMode(const std::filesystem::path& model, const std::filesystem::path& file);

  // Puts `from` in the place of `to` in one step: at every moment `to` names either the old file
  // or the whole new one. `from` is flushed first and the folder after.
  std::error_code ReplaceFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to);
  // Writes `text` as the whole of `file` (created readable by its owner alone, or emptied; a link
  // there is refused), then flushes it and its folder. For small records: marks, reports.
  std::error_code WriteFileDurably(const std::filesystem::path& file, std::string_view text);
  // Moves a file to a new name (no replace), durably.
  std::error_code MoveFileDurably(const std::filesystem::path& from, const std::filesystem::path& to);
};

// Creates the new, empty file `file`, readable and writable by its owner only (0600), whatever
// the process's umask; refuses one that exists. A copy of a database the engine is about to write
// starts so, as no more readable than its source can be, before it is given the source's mode.
std::error_code CreatePrivateFile(const std::filesystem::path& file);

// The operations as the system carries them out.
FileOps& SystemFileOps();

// Other processes (of this user) that hold `file` open, as "name (pid N)". Empty when none, or
// when the system does not let us see them.
std::vector<std::string> OtherProcessesUsing(const std::filesystem::path& file);

}  // namespace ornetta::platform
