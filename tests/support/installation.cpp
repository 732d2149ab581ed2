#include "tests/support/installation.h"

#include <unistd.h>

#include <chrono>
#include <mutex>
#include <random>

#include "data/connection.h"
#include "data/connection_string.h"
#include "data/recordset.h"

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

DemoInstallation::DemoInstallation() {
  fs::copy(Template(), folder_.path(), fs::copy_options::recursive);
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

}  // namespace ornetta::testing
