#include "tests/support/installation.h"

#include <unistd.h>

#include <chrono>
#include <mutex>
#include <random>
#include <vector>

#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/engine/recordset.h"

namespace ornetta::testing {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::random_device rd;
  path_ = fs::temp_directory_path() /
          ("ornetta-test-" + std::to_string(::getpid()) + "-" + std::to_string(rd()) + "-" + std::to_string(rd()));
  fs::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

namespace {
const fs::path& Template() {
  static TempFolder folder;
  static std::once_flag once;
  std::call_once(once, [] {
    demo::Options options;
    options.invoices = 60;
    options.log_rows = 40;
    options.future_log_rows = 5;
    demo::CreateInstallation(folder.path(), options);
  });
  return folder.path();
}
}  // namespace

DemoInstallation::DemoInstallation() : DemoInstallation(nullptr) {}

DemoInstallation::DemoInstallation(const demo::Options& options) : DemoInstallation(&options) {}

DemoInstallation::DemoInstallation(const demo::Options* options) : Installation(TempFolder::path()) {
  if (options)
    demo::CreateInstallation(program_folder(), *options);
  else
    fs::copy(Template(), program_folder(), fs::copy_options::recursive);
  const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm local{};
  localtime_r(&now, &local);
  current_year_file = demo::DemoYears(local.tm_year + 1900, local.tm_mon + 1).back().file_name;
}

std::string ConnectionStringFor(const fs::path& file) {
  return OpenConnectionString(file.string(), demo::DeploymentPassword());
}

std::string QueryText(const fs::path& file, const std::string& jet_sql) {
  auto conn = std::make_shared<Connection>();
  conn->Open(ConnectionStringFor(file));
  Recordset rs;
  rs.Open(jet_sql, conn, Recordset::kOpenDynamic, Recordset::kLockOptimistic);
  return rs.Eof() || rs.Fields(0).IsNull() ? "" : rs.Fields(0).ToText();
}

long long QueryCount(const fs::path& file, const std::string& table) {
  return std::stoll(QueryText(file, "SELECT Count(*) FROM " + table));
}

std::map<std::string, long long> RowCounts(const fs::path& file) {
  engine::Handle db = engine::Open(file, demo::DeploymentPassword());
  std::vector<std::string> tables;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  std::map<std::string, long long> counts;
  for (const std::string& table : tables) {
    sqlite3_prepare_v2(db.get(), ("SELECT count(*) FROM \"" + table + "\"").c_str(), -1, &st, nullptr);
    counts[table] = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
  }
  return counts;
}

bool ReadsWithPageSize(const fs::path& file, const std::string& password, int page_size) {
  sqlite3* raw = nullptr;
  if (sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(raw);
    return false;
  }
  engine::Handle db(raw);
  sqlite3_key(db.get(), password.data(), static_cast<int>(password.size()));
  const std::string sql =
      "PRAGMA cipher_page_size = " + std::to_string(page_size) + "; SELECT count(*) FROM sqlite_master;";
  return sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

}  // namespace ornetta::testing
