#include "repair/salvage/page_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ornetta::repair::salvage {

namespace {
class EnginePageFile : public PageFile {
 public:
  explicit EnginePageFile(sqlite3_file* file) : file_(file) {}
  uint64_t Size() const override {
    sqlite3_int64 size = 0;
    return file_->pMethods->xFileSize(file_, &size) == SQLITE_OK && size > 0 ? static_cast<uint64_t>(size) : 0;
  }
  bool Read(uint64_t offset, unsigned char* buffer, size_t n) const override {
    // A short read is reported as such (and zero-fills the rest): not a whole page.
    return file_->pMethods->xRead(file_, buffer, static_cast<int>(n), static_cast<sqlite3_int64>(offset)) == SQLITE_OK;
  }

 private:
  sqlite3_file* file_;
};

class PlainPageFile : public PageFile {
 public:
  explicit PlainPageFile(int fd) : fd_(fd) {}
  ~PlainPageFile() override { close(fd_); }
  uint64_t Size() const override {
    struct stat st {};
    return fstat(fd_, &st) == 0 && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }
  bool Read(uint64_t offset, unsigned char* buffer, size_t n) const override {
    size_t done = 0;
    while (done < n) {
      const ssize_t got = pread(fd_, buffer + done, n - done, static_cast<off_t>(offset + done));
      if (got <= 0) return false;
      done += static_cast<size_t>(got);
    }
    return true;
  }

 private:
  int fd_;
};
}  // namespace

std::unique_ptr<PageFile> EngineFile(sqlite3* db) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
    return nullptr;
  return std::make_unique<EnginePageFile>(file);
}

std::unique_ptr<PageFile> PlainFile(const std::filesystem::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<PlainPageFile>(fd);
}

}  // namespace ornetta::repair::salvage
