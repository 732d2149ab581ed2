// Which file a name stands for: a file replaced under the same name (renamed over it, or deleted
// and made again) is another file, although its name and perhaps its size are the same.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace ornetta::platform {

struct FileIdentity {
  std::uint64_t device = 0, inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The file `path` names now, after following links; none when it names nothing.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

}  // namespace ornetta::platform
