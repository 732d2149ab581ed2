// Memory for secrets: wiped in a way the compiler cannot leave out, and for what must stay in
// memory (the derived keys), kept off swap and out of core dumps where the system allows.
#pragma once

#include <cstddef>
#include <new>
#include <string>

namespace ornetta::platform {

// Overwrites the bytes; the write happens even though nothing reads them again.
void WipeBytes(void* data, std::size_t size);

// Wipes the text's characters (its whole buffer) and empties it.
void WipeString(std::string& text);

// A string that wipes its text when it goes: for a password or a connection string that exists
// only for one call.
class WipedOnExit {
 public:
  explicit WipedOnExit(std::string& text) : text_(text) {}
  ~WipedOnExit() { WipeString(text_); }
  WipedOnExit(const WipedOnExit&) = delete;
  WipedOnExit& operator=(const WipedOnExit&) = delete;

 private:
  std::string& text_;
};

// Whole pages of their own, locked in memory (when the system allows it: a failure to lock is not
// an error) and left out of core dumps; wiped and unmapped when freed. Never returns null.
void* AllocateLocked(std::size_t size);
void FreeLocked(void* data, std::size_t size);

// An allocator for containers that hold secrets, over AllocateLocked: every element gets pages of
// its own, so keep such containers small.
template <typename T>
struct LockedAllocator {
  using value_type = T;
  LockedAllocator() = default;
  template <typename U>
  LockedAllocator(const LockedAllocator<U>&) {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocateLocked(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) { FreeLocked(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const LockedAllocator<U>&) const {
    return true;
  }
};

}  // namespace ornetta::platform
