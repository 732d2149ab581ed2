// Reading the first bytes of a file that may not be a file at all. A FIFO named like a database
// blocks an ordinary open() until some writer comes, which may be never; a device may never end.
// Only regular files (or links to one) are read here, and opening never waits.
#pragma once

#include <cstddef>
#include <filesystem>

namespace ornetta::platform {

// True when `path` names a regular file, after following links. Never opens it.
bool IsRegularFile(const std::filesystem::path& path);

// Reads up to `size` bytes from the start of the regular file `path` into `buffer`; returns how
// many were read, or -1 when the file is missing, unreadable or not a regular file.
//
// The descriptor is closed again: never call this on a database this process holds open (closing
// any descriptor of a file drops every lock this process holds on it; see file_ops.h).
long ReadFileHead(const std::filesystem::path& path, void* buffer, std::size_t size);

}  // namespace ornetta::platform
