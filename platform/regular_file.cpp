#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace ornetta::platform {

bool IsRegularFile(const std::filesystem::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

long ReadFileHead(const std::filesystem::path& path, void* buffer, std::size_t size) {
  // O_NONBLOCK: opening a FIFO returns at once instead of waiting for a writer. The descriptor's
  // own type is what counts: the name may have been swapped since any earlier look at it.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat st {};
  long total = -1;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    total = 0;
    auto* out = static_cast<char*>(buffer);
    while (static_cast<std::size_t>(total) < size) {
      const ssize_t n = ::read(fd, out + total, size - static_cast<std::size_t>(total));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) total = -1;
      if (n <= 0) break;
      total += n;
    }
  }
  ::close(fd);
  return total;
}

}  // namespace ornetta::platform
