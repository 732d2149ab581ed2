#include "data/values/installation.h"

#include <algorithm>

#include "data/values/ascii_case.h"

namespace ornetta {

namespace fs = std::filesystem;

namespace {
constexpr std::string_view kDatabaseFolder = "database";
constexpr std::string_view kOpenedDatabaseFolder = "DataBase";
constexpr std::string_view kTmpPrefix = "TMP";
constexpr std::string_view kDatabaseExtension = ".mdb";
}  // namespace

Installation::Installation(fs::path program_folder) : program_folder_(std::move(program_folder)) {}

fs::path Installation::database_folder() const { return program_folder_ / kDatabaseFolder; }

fs::path Installation::database(std::string_view name) const { return database_folder() / name; }

fs::path Installation::start_database() const { return database(kStartName); }

fs::path Installation::tmp_copy(std::string_view name) const { return database(TmpName(name)); }

fs::path Installation::opened_database(std::string_view name) const {
  return program_folder_ / kOpenedDatabaseFolder / name;
}

fs::path Installation::backup_root() const { return program_folder_ / "DB_BKUP" / "AUTOCompactDB"; }

fs::path Installation::partial_copies_folder() const { return backup_root() / "partial copies"; }

std::string Installation::TmpName(std::string_view name) { return std::string(kTmpPrefix) + std::string(name); }

fs::path Installation::TmpCopyOf(const fs::path& database) {
  return database.parent_path() / TmpName(database.filename().string());
}

bool Installation::IsStartName(std::string_view name) { return EqualIgnoringAsciiCase(name, kStartName); }

bool Installation::IsTmpName(std::string_view name) {
  return EqualIgnoringAsciiCase(name.substr(0, kTmpPrefix.size()), kTmpPrefix);
}

bool Installation::MayBeYearDatabase(std::string_view name) {
  return name.size() >= kDatabaseExtension.size() &&
         EqualIgnoringAsciiCase(name.substr(name.size() - kDatabaseExtension.size()), kDatabaseExtension) &&
         !IsStartName(name) && !IsTmpName(name);
}

std::string Installation::YearDatabaseName(long long min_year, long long max_year) {
  // Jet's right() of a number takes the end of its text: 2100 gives "00", 8 gives "8".
  const std::string max_text = std::to_string(max_year);
  return "DB" + std::to_string(min_year) + "_" +
         max_text.substr(max_text.size() - std::min<size_t>(2, max_text.size())) + std::string(kDatabaseExtension);
}

}  // namespace ornetta
