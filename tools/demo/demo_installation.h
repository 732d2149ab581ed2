// Creates a demo installation: a program folder whose database folder holds a start database
// and three year databases with realistic tables and rows, encrypted with the deployment password.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "data/engine/engine.h"

namespace ornetta::demo {

struct Options {
  int invoices = 400;                 // invoices per year database (each with a few lines)
  int log_rows = 300;                 // rows of `logs` per year database
  int future_log_rows = 12;           // of them, rows dated after today (a wrong system clock)
  int online_users = 5;               // rows of `OnLineUsers`
  double delete_fraction = 0;         // share of invoices deleted afterwards, to leave free pages
  bool encrypted = true;              // false: the same rows in a plain database, for reference measurements
  int page_size = engine::kPageSize;  // tests and benchmarks also make files of other sizes
};

struct YearInfo {
  int min_year, max_year;
  std::string file_name;  // e.g. DB2026_27.mdb
  bool current;
};

// The financial years of the demo around `today_year`/`today_month` (a year runs April to March);
// the last one is current.
std::vector<YearInfo> DemoYears(int today_year, int today_month);

// Creates `program_folder`/database/ with DBStart.mdb and the year databases. Existing database
// files are left alone: refuses (throws Error) when the folder already holds DBStart.mdb.
void CreateInstallation(const std::filesystem::path& program_folder, const Options& options = {});

// Creates one year database at `file` (which must not exist) with the application's tables.
void CreateYearDatabase(const std::filesystem::path& file, int min_year, const Options& options);

// Creates a start database at `file` whose DB_Years lists `years` (of options, only the page size counts).
void CreateStartDatabase(const std::filesystem::path& file, const std::vector<YearInfo>& years,
                         const Options& options = {});

// The deployment password, built the way the application builds it.
std::string DeploymentPassword();

}  // namespace ornetta::demo
