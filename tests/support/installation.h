// A demo installation in a fresh temporary program folder, removed again with the object.
#pragma once

#include <filesystem>
#include <map>
#include <string>

#include "data/values/installation.h"
#include "tools/demo/demo_installation.h"

namespace ornetta::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A program folder with a demo installation, made once per test binary and copied for each test
// (creating encrypted databases costs key derivations; copying is cheap). Its files lie where
// Installation says.
class DemoInstallation : private TempFolder, public Installation {
 public:
  DemoInstallation();
  // One made afresh with `options` (e.g. files in an earlier page size) rather than copied.
  explicit DemoInstallation(const demo::Options& options);
  std::filesystem::path year_database() const { return database(current_year_file); }

  std::string current_year_file;

 private:
  explicit DemoInstallation(const demo::Options* options);
};

// A Jet connection string for `file` with the deployment password.
std::string ConnectionStringFor(const std::filesystem::path& file);

// Runs a Jet SQL query on `file` and returns the first column of the first row as text.
std::string QueryText(const std::filesystem::path& file, const std::string& jet_sql);
long long QueryCount(const std::filesystem::path& file, const std::string& table);

// The row count of every table of `file`, opened with the deployment password.
std::map<std::string, long long> RowCounts(const std::filesystem::path& file);

// Whether `file` reads with `password` at exactly `page_size`: opened read-only the engine's own
// way, with no kept key and no second try at another size.
bool ReadsWithPageSize(const std::filesystem::path& file, const std::string& password, int page_size);

}  // namespace ornetta::testing
