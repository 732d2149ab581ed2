#include "tools/demo/demo_installation.h"

#include <random>

#include "data/engine/connection_string.h"
#include "data/engine/connection.h"
#include "data/values/clock.h"
#include "data/values/datetime.h"
#include "data/engine/engine.h"
#include "data/values/error.h"
#include "data/values/installation.h"
#include "data/crypto/password.h"
#include "data/engine/recordset.h"
#include "data/values/sql_quoting.h"

namespace ornetta::demo {

namespace fs = std::filesystem;

namespace {
constexpr int kFormatVersion = 1;  // user_version of files this program writes

const char* const kFirstNames[] = {"Anna",   "Ravi", "Meera", "John",   "Fatima",
                                   "Carlos", "Yuki", "Olga",  "Samuel", "Priya"};
const char* const kLastNames[] = {"Sharma", "Fernandes", "Okafor", "Smith", "Nakamura", "Ivanova", "Mensah", "Rossi"};
const char* const kItems[] = {"Printer paper A4", "Toner cartridge", "Office chair", "Desk lamp",    "USB keyboard",
                              "Filing cabinet",   "Whiteboard",      "Stapler",      "Envelopes C5", "Calculator"};
const char* const kScreens[] = {"Sales Invoice", "Purchase Entry", "Ledger", "Stock Report", "Day Book"};
const char* const kActions[] = {"Login", "Logout", "Saved invoice", "Printed report", "Edited customer"};

// Runs Jet SQL through the application's own engine layer, so the schema is what it would create.
void RunJet(const std::shared_ptr<Connection>& conn, const std::string& sql) {
  Recordset rs;
  rs.Open(sql, conn, Recordset::kOpenDynamic, Recordset::kLockOptimistic);
}

std::shared_ptr<Connection> CreateEmpty(const fs::path& file, bool encrypted, int page_size) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec)))
    throw Error(err::kFileAlreadyExists, "'" + file.string() + "' already exists.");
  // An empty key leaves the file unencrypted; it then needs the page size set the plain way. Either
  // size may still change until the first write.
  const std::string password = encrypted ? DeploymentPassword() : "";
  {
    engine::Handle db = engine::Open(file, password, engine::OpenMode::kCreate);
    engine::Exec(db.get(),
                 (encrypted ? "PRAGMA cipher_page_size = " : "PRAGMA page_size = ") + std::to_string(page_size) + ";");
    engine::Exec(db.get(), "PRAGMA user_version = " + std::to_string(kFormatVersion) + ";");
  }
  auto conn = std::make_shared<Connection>();
  conn->Open(OpenConnectionString(file.string(), password));
  return conn;
}

std::string StoredDate(int y, int m, int d, int hh = 0, int mi = 0, int ss = 0) {
  return FormatStoredDate(CivilDateTime{y, m, d, hh, mi, ss});
}

std::string StoredDateFromSerial(double serial) { return FormatStoredDate(CivilFromSerial(serial)); }
}  // namespace

std::string DeploymentPassword() { return crypto::ShiftCodes(crypto::StoredPasswordConstant()); }

std::vector<YearInfo> DemoYears(int today_year, int today_month) {
  const int current = today_month >= 4 ? today_year : today_year - 1;
  std::vector<YearInfo> years;
  for (int y = current - 2; y <= current; ++y) {
    years.push_back({y, y + 1, Installation::YearDatabaseName(y, y + 1), y == current});
  }
  return years;
}

void CreateStartDatabase(const fs::path& file, const std::vector<YearInfo>& years, const Options& options) {
  auto conn = CreateEmpty(file, true, options.page_size);
  RunJet(conn, "CREATE TABLE DB_Years (minYear INTEGER, maxYear INTEGER, curryear YESNO, Description TEXT(50))");
  for (const YearInfo& y : years)
    RunJet(conn, "INSERT INTO DB_Years VALUES (" + std::to_string(y.min_year) + ", " + std::to_string(y.max_year) +
                     ", " + (y.current ? "True" : "False") + ", 'Financial year " + std::to_string(y.min_year) + "-" +
                     std::to_string(y.max_year) + "')");
  conn->Close();
}

void CreateYearDatabase(const fs::path& file, int min_year, const Options& options) {
  auto conn = CreateEmpty(file, options.encrypted, options.page_size);
  for (const char* ddl : {
           "CREATE TABLE OnLineUsers (UserName TEXT(50), ScreenName TEXT(50), LoginTime DATETIME)",
           "CREATE TABLE logs (LogId COUNTER PRIMARY KEY, dates DATETIME, UserName TEXT(50), Action TEXT(100))",
           "CREATE TABLE errlog (ErrText TEXT(255), ErrDate DATETIME)",
           "CREATE TABLE Customers (CustomerId LONG PRIMARY KEY, CustomerName TEXT(80), City TEXT(40), "
           "CreditLimit CURRENCY, Active YESNO)",
           "CREATE TABLE Items (ItemId LONG PRIMARY KEY, ItemName TEXT(80), UnitPrice CURRENCY, Notes MEMO)",
           "CREATE TABLE Invoices (InvoiceNo LONG PRIMARY KEY, InvoiceDate DATETIME, CustomerId LONG, "
           "Total CURRENCY, Paid YESNO)",
           "CREATE TABLE InvoiceLines (InvoiceNo LONG, LineNo INTEGER, ItemId LONG, Qty DOUBLE, Amount CURRENCY)",
           "CREATE INDEX idxInvoiceDate ON Invoices (InvoiceDate)",
           "CREATE INDEX idxLinesInvoice ON InvoiceLines (InvoiceNo)",
           "CREATE INDEX idxLogsDates ON logs (dates)",
       })
    RunJet(conn, ddl);

  // Bulk rows go straight to the engine in one transaction; the values are in the stored forms.
  sqlite3* db = conn->NativeHandle();
  std::mt19937 rng(static_cast<unsigned>(min_year));
  auto pick = [&](auto& list) { return std::string(list[rng() % std::size(list)]); };
  const double fy_start = DaysFromCivil(min_year, 4, 1);
  const CivilDateTime now = SystemClock().Now();
  const double today = DaysFromCivil(now.year, now.month, now.day);
  const double fy_end = std::min<double>(DaysFromCivil(min_year + 1, 3, 31), today);
  std::string sql = "BEGIN;";
  for (int c = 1; c <= 60; ++c)
    sql += "INSERT INTO Customers VALUES (" + std::to_string(c) + "," +
           QuotedText(pick(kFirstNames) + " " + pick(kLastNames)) + ",'City " + std::to_string(c % 9) + "'," +
           std::to_string(5000 + (c * 250) % 20000) + "," + (c % 7 ? "-1" : "0") + ");";
  for (int i = 0; i < static_cast<int>(std::size(kItems)); ++i)
    sql += "INSERT INTO Items VALUES (" + std::to_string(i + 1) + "," + QuotedText(kItems[i]) + "," +
           std::to_string(5 + i * 12.5) + "," + QuotedText(std::string("Stocked item ") + kItems[i]) + ");";
  for (int n = 1; n <= options.invoices; ++n) {
    const double day = fy_start + rng() % static_cast<unsigned>(std::max(1.0, fy_end - fy_start + 1));
    double total = 0;
    const int lines = 1 + static_cast<int>(rng() % 5);
    for (int l = 1; l <= lines; ++l) {
      const int item = 1 + static_cast<int>(rng() % std::size(kItems));
      const int qty = 1 + static_cast<int>(rng() % 20);
      const double amount = qty * (5 + (item - 1) * 12.5);
      total += amount;
      sql += "INSERT INTO InvoiceLines VALUES (" + std::to_string(n) + "," + std::to_string(l) + "," +
             std::to_string(item) + "," + std::to_string(qty) + "," + std::to_string(amount) + ");";
    }
    sql += "INSERT INTO Invoices VALUES (" + std::to_string(n) + ",'" + StoredDateFromSerial(day) + "'," +
           std::to_string(1 + rng() % 60) + "," + std::to_string(total) + "," + (rng() % 3 ? "-1" : "0") + ");";
    if (sql.size() > (1 << 20)) {
      engine::Exec(db, sql);
      sql.clear();
    }
  }
  for (int r = 0; r < options.log_rows; ++r) {
    const bool future = r < options.future_log_rows;
    const double day = future ? today + 1 + rng() % 400 : fy_end - rng() % 120;
    const double when = day + (rng() % 86400) / 86400.0;
    sql += "INSERT INTO logs (dates, UserName, Action) VALUES ('" + StoredDateFromSerial(when) + "'," +
           QuotedText(pick(kFirstNames)) + "," + QuotedText(pick(kActions)) + ");";
  }
  for (int u = 0; u < options.online_users; ++u)
    sql += "INSERT INTO OnLineUsers VALUES (" + QuotedText(pick(kFirstNames)) + "," + QuotedText(pick(kScreens)) +
           ",'" + StoredDate(now.year, now.month, now.day, 9 + u, 15) + "');";
  sql += "INSERT INTO errlog VALUES ('Demo installation created', '" + StoredDateFromSerial(today) + "');";
  if (options.delete_fraction > 0)
    sql += "DELETE FROM Invoices WHERE InvoiceNo % 100 < " +
           std::to_string(static_cast<int>(options.delete_fraction * 100)) +
           "; DELETE FROM InvoiceLines WHERE InvoiceNo NOT IN (SELECT InvoiceNo FROM Invoices);";
  sql += "COMMIT;";
  engine::Exec(db, sql);
  conn->Close();
}

void CreateInstallation(const fs::path& program_folder, const Options& options) {
  const Installation install(program_folder);
  if (fs::exists(install.start_database()))
    throw Error(err::kFileAlreadyExists,
                "'" + install.start_database().string() + "' already exists; nothing was changed.");
  fs::create_directories(install.database_folder());
  const CivilDateTime now = SystemClock().Now();
  const std::vector<YearInfo> years = DemoYears(now.year, now.month);
  for (const YearInfo& y : years) CreateYearDatabase(install.database(y.file_name), y.min_year, options);
  CreateStartDatabase(install.start_database(), years, options);
}

}  // namespace ornetta::demo
