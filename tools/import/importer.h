// ornetta-import: a Jet (Access) database carried into the application's encrypted format.
//
// The target is written under a temporary name beside it and checked (each table's row count and
// checksum against the source's, the engine's structure check) before it takes its name, so a
// failed or interrupted import leaves no target behind.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace ornetta::import {

struct Options {
  std::filesystem::path source;
  std::filesystem::path target;
  bool overwrite = false;
  std::string password;  // the target's; the deployment password in use
};

// Exit statuses.
constexpr int kCarriedAll = 0;
constexpr int kFailed = 1;
constexpr int kCarriedWithList = 2;  // something was listed as not carried

// Runs the import; progress goes to `progress` (a bar when `terminal`), the report to `out` and
// beside the target, a failure's message to `err`.
int Import(const Options& options, std::FILE* out, std::FILE* progress, bool terminal, std::FILE* err);

// Where the report is written: beside the target, "<target>.import.txt".
std::filesystem::path ReportPath(const std::filesystem::path& target);
// The temporary name the target is written under until it is checked.
std::filesystem::path TemporaryPath(const std::filesystem::path& target);

}  // namespace ornetta::import
