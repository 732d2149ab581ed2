// File services with the desktop's rules: names are found without regard to case, so that
// "database/DBStart.mdb" and "DataBase/dbstart.mdb" name one file, as the databases' own
// platform treats them.
#pragma once

#include <filesystem>
#include <system_error>

namespace ornetta::platform {

// The existing path that `path` names when case is ignored, component by component. An exact
// match wins; among several case-variants the first in byte order. Components that do not exist
// are kept as given, so the result of a missing file is still a usable path to create.
std::filesystem::path ResolveNoCase(const std::filesystem::path& path);

// True for an existing regular file (after following links); false for a folder, a missing file
// or a dangling link.
bool FileExists(const std::filesystem::path& path);

// Renames `from` to `to` (both found without regard to case). Refuses to replace an existing
// file: the callers rename a copy into the place of a database that is missing.
std::error_code RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);

// The folder of the running program's executable, read from the system before any toolkit is
// up; empty when the system does not say.
std::filesystem::path ExecutableFolder();

// Case-insensitive comparison of two UTF-8 names (ASCII letters and Latin-1 letters folded).
bool SameNameNoCase(const std::string& a, const std::string& b);

}  // namespace ornetta::platform
