#include "data/tmp_copies.h"

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "data/values/installation.h"
#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/regular_file.h"
#include "platform/time_stamp.h"

namespace ornetta {

namespace fs = std::filesystem;

namespace {
const char* const kMarkHeader = "whole compacted copy";

// What the mark records of the copy; the same text again means the same, unchanged file.
bool Describe(const fs::path& copy, std::string& text) {
  struct stat st {};
  if (::stat(copy.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  char buf[256];
  std::snprintf(buf, sizeof buf, "%s\ndevice %llu inode %llu size %lld changed %lld.%09ld\n", kMarkHeader,
                static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtim.tv_sec), st.st_mtim.tv_nsec);
  text = buf;
  return true;
}
}  // namespace

fs::path WholeMarkPath(const fs::path& copy) { return copy.string() + "-whole"; }

std::error_code MarkWholeCopy(const fs::path& copy, platform::FileOps& file_ops) {
  std::string text;
  if (!Describe(copy, text)) return std::make_error_code(std::errc::no_such_file_or_directory);
  const std::error_code ec = file_ops.WriteFileDurably(WholeMarkPath(copy), text);
  if (ec) ForgetWholeMark(copy);
  return ec;
}

bool IsMarkedWhole(const fs::path& copy) {
  std::string expected;
  if (!Describe(copy, expected)) return false;
  char buf[256];
  const long n = platform::ReadFileHead(WholeMarkPath(copy), buf, sizeof buf);
  return n == static_cast<long>(expected.size()) &&
         expected.compare(0, expected.size(), buf, static_cast<size_t>(n)) == 0;
}

void ForgetWholeMark(const fs::path& copy) {
  std::error_code ec;
  fs::remove(WholeMarkPath(copy), ec);
}

fs::path BackupRoot(const fs::path& program_folder) {
  return platform::ResolveNoCase(Installation(program_folder).backup_root());
}

std::error_code MovePartialCopyAside(const fs::path& copy, const fs::path& program_folder, const CivilDateTime& now) {
  const fs::path folder = platform::ResolveNoCase(Installation(program_folder).partial_copies_folder());
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return ec;
  const std::string stamp = platform::TimeStamp(now);
  std::string prefix = stamp + " ";
  for (int n = 2; fs::exists(fs::symlink_status(folder / (prefix + copy.filename().string()), ec)); ++n)
    prefix = stamp + "_" + std::to_string(n) + " ";
  ForgetWholeMark(copy);
  for (const fs::path& file : {copy, fs::path(copy.string() + "-journal")}) {
    if (!fs::exists(fs::symlink_status(file, ec))) continue;
    if (std::error_code move_ec =
            platform::SystemFileOps().MoveFileDurably(file, folder / (prefix + file.filename().string())))
      return move_ec;
  }
  return {};
}

}  // namespace ornetta
