#include "platform/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace ornetta::platform {

namespace fs = std::filesystem;

namespace {
constexpr mode_t kPrivateMode = 0600;
constexpr mode_t kPermissionBits = 0777;

std::error_code LastError() { return std::error_code(errno, std::generic_category()); }

std::error_code Fsync(int fd) { return ::fsync(fd) == 0 ? std::error_code() : LastError(); }

// Gives the copy `out` the owner and group of `source` where this process may (as root), and its
// permission bits, less the group's when the group could not be given: a copy is never more
// readable than its source. Only system calls: it runs in a forked child too.
int ShareSourceAccess(int out, const struct stat& source) {
  (void)!::fchown(out, source.st_uid, source.st_gid);  // refused unless root (or the group is ours)
  struct stat copy {};
  if (::fstat(out, &copy) != 0) return errno;
  mode_t mode = source.st_mode & kPermissionBits;
  if (copy.st_gid != source.st_gid) mode &= ~mode_t{S_IRWXG};
  return ::fchmod(out, mode) == 0 ? 0 : errno;
}

// Runs in the child: returns 0 or an errno value.
int CopyInChild(const char* from, const char* to) {
  const int in = ::open(from, O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat source {};
  if (::fstat(in, &source) != 0) return errno;
  const int out = ::open(to, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivateMode);
  if (out < 0) return errno;
  // The kernel copies without passing the bytes through here; where it cannot (across file
  // systems, older kernels), the bytes go through a buffer.
  bool kernel_copy = true;
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, size_t{1} << 30, 0);
    if (n > 0) continue;
    if (n == 0) break;
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return errno;
    kernel_copy = false;
    break;
  }
  static char buf[1 << 16];
  while (!kernel_copy) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
  if (const int failure = ShareSourceAccess(out, source)) return failure;
  ::sync_file_range(out, 0, 0, SYNC_FILE_RANGE_WRITE);  // a hint: its failure shows at the sync
  if (::close(out) != 0) return errno;
  return 0;
}
}  // namespace

BackgroundCopy::BackgroundCopy(const fs::path& from, const fs::path& to) : to_(to) {
  // Made before the fork: the child of a process with threads may only make system calls.
  const std::string src = from.string(), dst = to.string();
  pid_ = ::fork();
  if (pid_ < 0) result_ = LastError();
  if (pid_ == 0) _exit(CopyInChild(src.c_str(), dst.c_str()));
}

BackgroundCopy::~BackgroundCopy() { Wait(); }

namespace {
// Runs in the child: 0 when the files are equal, 1 when not, 2 when one cannot be read.
int CompareInChild(const char* a, const char* b) {
  const int fa = ::open(a, O_RDONLY | O_CLOEXEC), fb = ::open(b, O_RDONLY | O_CLOEXEC);
  if (fa < 0 || fb < 0) return 2;
  static char buf_a[1 << 16], buf_b[1 << 16];
  for (;;) {
    const ssize_t na = ::read(fa, buf_a, sizeof buf_a);
    if (na < 0) return 2;
    for (ssize_t done = 0; done < na;) {
      const ssize_t nb = ::read(fb, buf_b + done, static_cast<size_t>(na - done));
      if (nb < 0) return 2;
      if (nb == 0) return 1;
      done += nb;
    }
    if (na == 0) return ::read(fb, buf_b, 1) == 0 ? 0 : 1;
    if (std::memcmp(buf_a, buf_b, static_cast<size_t>(na)) != 0) return 1;
  }
}
}  // namespace

bool SameContents(const fs::path& a, const fs::path& b) {
  const std::string first = a.string(), second = b.string();
  const pid_t pid = ::fork();
  if (pid < 0) return false;
  if (pid == 0) _exit(CompareInChild(first.c_str(), second.c_str()));
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::error_code BackgroundCopy::Wait() {
  if (result_) return *result_;
  int status = 0;
  int rc;
  while ((rc = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  std::error_code ec;
  if (rc < 0)
    ec = LastError();  // the child's end is unknown: not a success
  else if (!WIFEXITED(status))
    ec = std::make_error_code(std::errc::interrupted);
  else if (WEXITSTATUS(status) != 0)
    ec = std::error_code(WEXITSTATUS(status), std::generic_category());
  if (ec && ec != std::errc::file_exists) {
    std::error_code ignored;
    fs::remove(to_, ignored);
  }
  result_ = ec;
  return ec;
}

GrowingFile::GrowingFile(const fs::path& file) : file_(file), fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC)) {}

GrowingFile::~GrowingFile() {
  if (fd_ >= 0) ::close(fd_);
}

void GrowingFile::StartWriteback() {
  if (fd_ >= 0) ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
}

namespace {
// Opens `path` with `flags` and flushes it.
std::error_code SyncPath(const char* path, int flags) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) return LastError();
  const std::error_code ec = Fsync(fd);
  ::close(fd);
  return ec;
}
}  // namespace

std::error_code GrowingFile::Sync() { return fd_ < 0 ? SyncPath(file_.c_str(), 0) : Fsync(fd_); }

std::unique_ptr<BackgroundCopy> FileOps::StartCopy(const fs::path& from, const fs::path& to) {
  return std::make_unique<BackgroundCopy>(from, to);
}

std::error_code FileOps::SyncFile(const fs::path& file) { return SyncPath(file.c_str(), 0); }

std::error_code FileOps::Sync(GrowingFile& file) { return file.Sync(); }

std::error_code FileOps::SyncDirectory(const fs::path& dir) {
  return SyncPath(dir.empty() ? "." : dir.c_str(), O_DIRECTORY);
}

std::error_code FileOps::Rename(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code FileOps::CopyOwnerAndMode(const fs::path& model, const fs::path& file) {
  struct stat want {
  }, have{};
  if (::stat(model.c_str(), &want) != 0 || ::stat(file.c_str(), &have) != 0) return LastError();
  if ((have.st_uid != want.st_uid || have.st_gid != want.st_gid) &&
      ::chown(file.c_str(), want.st_uid, want.st_gid) != 0)
    return LastError();
  return ::chmod(file.c_str(), want.st_mode & kPermissionBits) == 0 ? std::error_code() : LastError();
}

std::error_code FileOps::ReplaceFileAtomically(const fs::path& from, const fs::path& to) {
  if (std::error_code ec = SyncFile(from)) return ec;
  if (std::error_code ec = Rename(from, to)) return ec;
  return SyncDirectory(to.parent_path());
}

std::error_code FileOps::WriteFileDurably(const fs::path& file, std::string_view text) {
  // Private: a salvage's report names the keys of the rows it lost.
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return LastError();
  std::error_code ec;
  for (size_t done = 0; !ec && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ec = n < 0 ? LastError() : std::make_error_code(std::errc::io_error);
    else
      done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 && !ec) ec = LastError();
  if (!ec) ec = SyncFile(file);
  if (!ec) ec = SyncDirectory(file.parent_path());
  return ec;
}

std::error_code FileOps::MoveFileDurably(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(to, ec))) return std::make_error_code(std::errc::file_exists);
  if ((ec = Rename(from, to))) return ec;
  if ((ec = SyncDirectory(to.parent_path()))) return ec;
  return SyncDirectory(from.parent_path());
}

std::error_code CreatePrivateFile(const fs::path& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kPrivateMode);
  if (fd < 0) return LastError();
  return ::close(fd) == 0 ? std::error_code() : LastError();
}

FileOps& SystemFileOps() {
  static FileOps system;
  return system;
}

std::vector<std::string> OtherProcessesUsing(const fs::path& file) {
  std::vector<std::string> users;
  struct stat target {};
  if (::stat(file.c_str(), &target) != 0) return users;
  const std::string self = std::to_string(::getpid());
  std::error_code ec;
  for (fs::directory_iterator proc("/proc", ec), end; !ec && proc != end; proc.increment(ec)) {
    const std::string pid = proc->path().filename().string();
    if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid == self) continue;
    std::error_code fd_ec;
    for (fs::directory_iterator fd(proc->path() / "fd", fd_ec), fd_end; !fd_ec && fd != fd_end; fd.increment(fd_ec)) {
      struct stat st {};
      if (::stat(fd->path().c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino) {
        std::string name;
        std::ifstream(proc->path() / "comm") >> name;
        users.push_back((name.empty() ? "a process" : name) + " (pid " + pid + ")");
        break;
      }
    }
  }
  return users;
}

}  // namespace ornetta::platform
