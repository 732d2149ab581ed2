#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

namespace ornetta::platform {

namespace fs = std::filesystem;

namespace {
// Folds ASCII and the two-byte Latin-1 letters (U+00C0..U+00DE to U+00E0..U+00FE).
std::string Fold(const std::string& s) {
  std::string out = s;
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c < 0x80) {
      out[i] = static_cast<char>(std::tolower(c));
    } else if (c == 0xC3 && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      if (d >= 0x80 && d <= 0x9E && d != 0x97) out[i + 1] = static_cast<char>(d + 0x20);
      ++i;
    }
  }
  return out;
}
}  // namespace

bool SameNameNoCase(const std::string& a, const std::string& b) { return a.size() == b.size() && Fold(a) == Fold(b); }

fs::path ResolveNoCase(const fs::path& path) {
  fs::path result;
  bool exists = true;  // whether `result` so far names something on disk
  for (const fs::path& part : path) {
    fs::path next = result / part;
    std::error_code ec;
    if (!exists || part == "." || part == ".." || part == path.root_name() || part == path.root_directory() ||
        fs::exists(fs::symlink_status(next, ec))) {
      result = std::move(next);
      continue;
    }
    std::vector<std::string> matches;
    const fs::path dir = result.empty() ? fs::path(".") : result;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      const std::string name = it->path().filename().string();
      if (SameNameNoCase(name, part.string())) matches.push_back(name);
    }
    if (matches.empty()) {
      exists = false;
      result = std::move(next);
    } else {
      result /= *std::min_element(matches.begin(), matches.end());
    }
  }
  return result;
}

bool FileExists(const fs::path& path) {
  std::error_code ec;
  return fs::is_regular_file(ResolveNoCase(path), ec);
}

std::error_code RenameFile(const fs::path& from, const fs::path& to) {
  const fs::path source = ResolveNoCase(from);
  const fs::path target = ResolveNoCase(to);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(source, ec))) return std::make_error_code(std::errc::no_such_file_or_directory);
  if (fs::exists(fs::symlink_status(target, ec))) return std::make_error_code(std::errc::file_exists);
  fs::rename(source, target, ec);
  return ec;
}

std::filesystem::path ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

}  // namespace ornetta::platform
