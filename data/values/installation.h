// Installation: where the application's files lie. Everything follows from the program folder
// (the folder of the running executable): the database folder beneath it with the start database
// and the year databases, the TMP copies a repair writes beside them, and the repairs' backups.
//
// Paths only: nothing here looks at the disk. The databases' own platform compares file names
// without regard to case, so "database" and "DataBase" name one folder there; where the disk
// does not, callers find what a path names with platform::ResolveNoCase.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ornetta {

class Installation {
 public:
  static constexpr char kStartName[] = "DBStart.mdb";

  explicit Installation(std::filesystem::path program_folder);

  const std::filesystem::path& program_folder() const { return program_folder_; }

  // The database folder, spelt "database" as the file checks, the repair and the tools spell it.
  std::filesystem::path database_folder() const;
  // `name` in the database folder.
  std::filesystem::path database(std::string_view name) const;
  std::filesystem::path start_database() const;
  // The TMP copy of the database `name`, beside it.
  std::filesystem::path tmp_copy(std::string_view name) const;
  // `name` in the database folder spelt "DataBase": the path under which start-up opens a
  // database and shows the year database.
  std::filesystem::path opened_database(std::string_view name) const;

  // The folder that holds the repairs' backups.
  std::filesystem::path backup_root() const;
  // Where start-up moves a TMP copy that a killed repair left half written.
  std::filesystem::path partial_copies_folder() const;

  // The name of the TMP copy of the database `name`: "TMP" before it, nothing else changed.
  static std::string TmpName(std::string_view name);
  // The TMP copy beside `database`, wherever that lies.
  static std::filesystem::path TmpCopyOf(const std::filesystem::path& database);
  // Whether `name` is the start database's or a TMP copy's, case ignored.
  static bool IsStartName(std::string_view name);
  static bool IsTmpName(std::string_view name);
  // An .mdb of the database folder other than the start database and the TMP copies: a year
  // database, or a copy of one under another name. Case ignored.
  static bool MayBeYearDatabase(std::string_view name);

  // The year database's name for the financial year `min_year` to `max_year`, as the start
  // database's DB_Years lookup builds it: "DB", `min_year`, "_", the last two characters of
  // `max_year` written out, ".mdb" (2017 to 2018: DB2017_18.mdb).
  static std::string YearDatabaseName(long long min_year, long long max_year);

 private:
  std::filesystem::path program_folder_;
};

}  // namespace ornetta
