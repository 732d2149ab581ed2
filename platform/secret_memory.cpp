#include "platform/secret_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

namespace ornetta::platform {

namespace {
std::size_t Pages(std::size_t size) {
  const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  return (size + page - 1) / page * page;
}
}  // namespace

void WipeBytes(void* data, std::size_t size) {
  if (size != 0) ::explicit_bzero(data, size);
}

void WipeString(std::string& text) {
  // The whole buffer: a shorter text may have left an earlier, longer one behind its end.
  WipeBytes(text.data(), text.capacity());
  text.clear();
}

void* AllocateLocked(std::size_t size) {
  const std::size_t length = Pages(size == 0 ? 1 : size);
  void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  // Both may be refused (a small locked-memory limit, an old kernel): the memory is still wiped.
  (void)::mlock(p, length);
  (void)::madvise(p, length, MADV_DONTDUMP);
  return p;
}

void FreeLocked(void* data, std::size_t size) {
  if (!data) return;
  const std::size_t length = Pages(size == 0 ? 1 : size);
  WipeBytes(data, length);
  ::munlock(data, length);
  ::munmap(data, length);
}

}  // namespace ornetta::platform
