// The raw bytes of a database file, read without disturbing the engine's locks on it.
//
// The engine's locks are POSIX record locks, which belong to the process: closing any other
// descriptor of a file that the engine holds drops them. A file the repair holds is therefore read
// through the engine's own descriptor; only files that nothing in this process holds (backups,
// other years' databases) are opened directly.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

namespace ornetta::repair::salvage {

class PageFile {
 public:
  virtual ~PageFile() = default;
  virtual uint64_t Size() const = 0;
  // Reads `n` bytes at `offset`; false when the file ends before them or the read fails.
  virtual bool Read(uint64_t offset, unsigned char* buffer, size_t n) const = 0;
};

// The file under the engine handle `db` (its main database), read through the engine's descriptor.
// The handle must outlive the result.
std::unique_ptr<PageFile> EngineFile(sqlite3* db);

// A file that no engine handle of this process holds; null when it cannot be opened.
std::unique_ptr<PageFile> PlainFile(const std::filesystem::path& file);

}  // namespace ornetta::repair::salvage
