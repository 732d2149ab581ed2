// The date repair, the on-line users repair and a mix of typed Jet SQL statements, run through
// the Repair command (clsProd, the Jet translation, the engine) against the same work written by
// hand in the engine's own SQL, on a year database with a million log rows. A third side runs the
// translation's output directly on the engine, which splits the difference into what the
// translated SQL costs (functions, collations, plans) and what the command and translation cost.
// Each run gets its own fresh copy of the same file; the order of the sides rotates round by
// round. Timed: the click (statement and closing the connection) on the command's side, the same
// statement and close on the others; opening the database, which all sides do alike, is not timed.
//
//   statements_bench [ROUNDS] [--log-rows N] [--show-sql] [--only TEXT]
//   (default 3 rounds of the typed statements, 2 * ROUNDS + 1 of each repair; 1000000 rows;
//   --only: just the typed statements whose name holds TEXT, no repairs, for more rounds of one)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "data/clsProd.h"
#include "data/values/datetime.h"
#include "data/values/installation.h"
#include "data/engine/engine.h"
#include "data/jet/functions.h"
#include "data/jet/translate.h"
#include "repair/dispatch.h"
#include "tools/demo/demo_installation.h"

namespace fs = std::filesystem;
using namespace ornetta;

namespace {
constexpr double kTargetRatio = 1.05;
// Between over an index, beside the range written by hand.
constexpr double kBetweenRatio = 1.1;
const char* const kBetweenRow = "SELECT Count(*), Between dates";

// A host that records the message boxes instead of showing them.
class RecordingHost : public platform::Host {
 public:
  RecordingHost(fs::path folder, CivilDateTime now) : folder_(std::move(folder)), now_(now) {}
  void MessageBox(const std::string& text, int, const std::string&) override { messages.push_back(text); }
  [[noreturn]] void EndProgram() override { throw std::runtime_error("the program would end here"); }
  fs::path ProgramFolder() const override { return folder_; }
  void ProcessPendingMessages() override {}
  void SetDefaultPointer() override {}
  CivilDateTime Now() const override { return now_; }

  std::vector<std::string> messages;

 private:
  fs::path folder_;
  CivilDateTime now_;
};

// The window as the Repair command reads it.
class View : public repair::RepairView {
 public:
  repair::Option option = repair::Option::OptSQL;
  std::string sql;
  bool Selected(repair::Option o) const override { return o == option; }
  std::string txtSQLText() const override { return sql; }
  std::string txtCurrDBText() const override { return ""; }
};

struct Work {
  std::string name;
  repair::Option option;
  std::string jet;   // what is typed (OptSQL), or the repair's own statement (shown only)
  std::string hand;  // the same work in the engine's SQL
};

struct Setup {
  fs::path program, master, year;
  CivilDateTime today;
};

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

void FreshCopy(const Setup& s) { fs::copy_file(s.master, s.year, fs::copy_options::overwrite_existing); }

// One click of Repair on an open year database, as after start-up.
double ThroughCommand(const Setup& s, const Work& w) {
  RecordingHost host(s.program, s.today);
  clsProd prod(host);
  prod.Get_Connection();
  if (!prod.dbconnection || prod.dbconnection->State() != Connection::kStateOpen)
    throw std::runtime_error("the year database did not open");
  View view;
  view.option = w.option;
  view.sql = w.jet;
  repair::RepairCommand command(prod, host, view);
  const auto t0 = std::chrono::steady_clock::now();
  command.cmdOK_Click();
  const auto t1 = std::chrono::steady_clock::now();
  const std::string ok =
      w.option == repair::Option::OptSQL ? "Query Successfully Executed" : "Your Request Successfully Executed";
  if (host.messages.size() != 1 || host.messages[0] != ok)
    throw std::runtime_error(w.name + ": the command reported '" + (host.messages.empty() ? "" : host.messages[0]) +
                             "'");
  return Seconds(t0, t1);
}

// `sql` straight on the engine; the translation's output needs the Jet functions registered.
double Direct(const Setup& s, const std::string& sql, bool jet_functions) {
  engine::Handle db = engine::Open(s.year, demo::DeploymentPassword());
  if (jet_functions) jet::RegisterFunctions(db.get());
  const auto t0 = std::chrono::steady_clock::now();
  engine::Exec(db.get(), sql);
  db.reset();
  const auto t1 = std::chrono::steady_clock::now();
  return Seconds(t0, t1);
}

// What the statements change, to check that both sides did the same work.
std::string Fingerprint(const Setup& s) {
  engine::Handle db = engine::Open(s.year, demo::DeploymentPassword());
  sqlite3_stmt* stmt = nullptr;
  const char* sql =
      "SELECT (SELECT count(*) || '/' || total(length(Action)) || '/' || total(LogId) FROM logs) || ' ' ||"
      " (SELECT count(*) FROM OnLineUsers) || ' ' || (SELECT total(Paid) FROM Invoices) || ' ' ||"
      " (SELECT total(CreditLimit) FROM Customers) || ' ' || (SELECT count(*) || max(ErrDate) FROM errlog)";
  if (sqlite3_prepare_v2(db.get(), sql, -1, &stmt, nullptr) != SQLITE_OK || sqlite3_step(stmt) != SQLITE_ROW)
    throw engine::ErrorFrom(db.get(), "fingerprint");
  std::string out = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
  sqlite3_finalize(stmt);
  return out;
}

// The engine's plan for `sql` ("SCAN TABLE logs", "SEARCH TABLE logs USING INDEX ..."), joined by "; ".
std::string Plan(const Setup& s, const std::string& sql) {
  engine::Handle db = engine::Open(s.master, demo::DeploymentPassword());
  jet::RegisterFunctions(db.get());
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db.get(), ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &stmt, nullptr) != SQLITE_OK)
    throw engine::ErrorFrom(db.get(), "query plan");
  std::string out;
  while (sqlite3_step(stmt) == SQLITE_ROW)
    out += (out.empty() ? "" : "; ") + std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)));
  sqlite3_finalize(stmt);
  return out.empty() ? "(no table read)" : out;
}

std::string Day(double serial) { return FormatStoredDate(CivilFromSerial(serial)).substr(0, 10); }

enum Side { kCommand, kTranslated, kHand, kSides };

// Runs `w` on a fresh copy the way `side` does it.
double Run(const Setup& s, const Work& w, int side) {
  FreshCopy(s);
  if (side == kCommand) return ThroughCommand(s, w);
  if (side == kTranslated) return Direct(s, jet::Translate(w.jet).sql, true);
  return Direct(s, w.hand, false);
}

// The order of the sides in round `r`: each side takes each place in turn.
int SideAt(int r, int place) { return (r + place) % kSides; }

struct Row {
  std::string name;
  std::vector<double> times[kSides];
};

void PrintHeader() {
  std::printf("  %-36s %11s %11s %11s   %-14s %s\n", "(median ms)", "Repair cmd", "translated", "hand SQL", "cmd/hand",
              "cmd/translated");
}

void PrintRow(const Row& r) {
  const double c = bench::Median(r.times[kCommand]), t = bench::Median(r.times[kTranslated]),
               h = bench::Median(r.times[kHand]);
  std::printf("  %-36s %11.1f %11.1f %11.1f   %6.3fx         %6.3fx\n", r.name.c_str(), c * 1e3, t * 1e3, h * 1e3,
              c / h, c / t);
}

void Sum(Row& total, const Row& r) {
  for (int side = 0; side < kSides; ++side) {
    total.times[side].resize(r.times[side].size(), 0);
    for (size_t i = 0; i < r.times[side].size(); ++i) total.times[side][i] += r.times[side][i];
  }
}

double Ratio(const Row& r, Side over) { return bench::Median(r.times[kCommand]) / bench::Median(r.times[over]); }
}  // namespace

int main(int argc, char** argv) {
  int rounds = 3, log_rows = 1000000;
  bool show_sql = false;
  std::string only;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--log-rows" && i + 1 < argc)
      log_rows = std::atoi(argv[++i]);
    else if (a == "--show-sql")
      show_sql = true;
    else if (a == "--only" && i + 1 < argc)
      only = argv[++i];
    else
      rounds = std::max(1, std::atoi(a.c_str()));
  }

  Setup s;
  s.today = SystemClock().Now();
  const int fy = s.today.month >= 4 ? s.today.year : s.today.year - 1;
  const std::string name = Installation::YearDatabaseName(fy, fy + 1);
  const fs::path work = fs::temp_directory_path() / ("ornetta-statements-" + std::to_string(getpid()));
  s.program = work / "program";
  s.master = work / "master.mdb";
  const Installation install(s.program);
  s.year = install.database(name);
  fs::create_directories(install.database_folder());
  demo::CreateStartDatabase(install.start_database(), {{fy, fy + 1, name, true}});
  demo::Options options;
  options.log_rows = log_rows;
  options.future_log_rows = log_rows / 50;  // a clock that was wrong for a while
  options.online_users = 12;                // a busy office
  demo::CreateYearDatabase(s.master, fy, options);

  // The logs lie in the 120 days up to today; the statements cut into that range.
  const double today = DaysFromCivil(s.today.year, s.today.month, s.today.day);
  const std::string a = Day(today - 60), b = Day(today - 30), t = Day(today);
  const CivilDateTime am = CivilFromSerial(today - 60);
  const std::string year = std::to_string(am.year), month = std::to_string(am.month);

  const Work date_repair{"date repair", repair::Option::optsysDate, repair::RepairCommand::DateRepairStatement(s.today),
                         "DELETE FROM logs WHERE dates > '" + t + " 00:00:00'"};
  const Work users_repair{"on-line users repair", repair::Option::optScreenProb, "Delete * from OnLineUsers",
                          "DELETE FROM OnLineUsers"};
  std::vector<Work> mix = {
      {"UPDATE, text = and date <", repair::Option::OptSQL,
       "UPDATE logs SET Action = 'Reviewed' WHERE UserName = 'anna' AND dates < #" + a + "#",
       "UPDATE logs SET Action = 'Reviewed' WHERE UserName = 'anna' COLLATE NOCASE AND dates < '" + a + " 00:00:00'"},
      {"DELETE, Like", repair::Option::OptSQL, "DELETE FROM logs WHERE Action Like 'print%'",
       "DELETE FROM logs WHERE Action LIKE 'print%'"},
      {kBetweenRow, repair::Option::OptSQL, "SELECT Count(*) FROM logs WHERE dates Between #" + a + "# And #" + b + "#",
       "SELECT count(*) FROM logs WHERE dates BETWEEN '" + a + " 00:00:00' AND '" + b + " 00:00:00'"},
      {"DELETE, Year() and Month()", repair::Option::OptSQL,
       "DELETE FROM logs WHERE Year(dates) = " + year + " AND Month(dates) = " + month,
       "DELETE FROM logs WHERE CAST(strftime('%Y', dates) AS INTEGER) = " + year +
           " AND CAST(strftime('%m', dates) AS INTEGER) = " + month},
      {"UPDATE, Yes/No and currency", repair::Option::OptSQL,
       "UPDATE Invoices SET Paid = True WHERE Total > 1000 AND Paid = False",
       "UPDATE Invoices SET Paid = -1 WHERE Total > 1000 AND Paid = 0"},
      {"DELETE, In and date >", repair::Option::OptSQL,
       "DELETE FROM logs WHERE UserName In ('olga', 'yuki') AND dates > #" + b + "#",
       "DELETE FROM logs WHERE UserName COLLATE NOCASE IN ('olga', 'yuki') AND dates > '" + b + " 00:00:00'"},
      {"UPDATE, arithmetic", repair::Option::OptSQL,
       "UPDATE Customers SET CreditLimit = CreditLimit + 500 WHERE City = 'city 3'",
       "UPDATE Customers SET CreditLimit = CreditLimit + 500 WHERE City = 'city 3' COLLATE NOCASE"},
      {"INSERT, date literal", repair::Option::OptSQL,
       "INSERT INTO errlog (ErrText, ErrDate) VALUES ('Checked by support', #" + t + "#)",
       "INSERT INTO errlog (ErrText, ErrDate) VALUES ('Checked by support', '" + t + " 00:00:00')"},
      {"SELECT, GROUP BY", repair::Option::OptSQL, "SELECT UserName, Count(*) FROM logs GROUP BY UserName",
       "SELECT UserName, count(*) FROM logs GROUP BY UserName"},
  };

  if (!only.empty()) {
    std::erase_if(mix, [&](const Work& w) { return w.name.find(only) == std::string::npos; });
    if (mix.empty()) {
      std::cerr << "statements_bench: no typed statement's name holds '" << only << "'\n";
      fs::remove_all(work);
      return 2;
    }
  }

  std::printf(
      "Statements: year database of %.1f MB with %d log rows (%d dated after today); median of %d rounds of the typed\n"
      "statements, "
      "%d rounds of each repair; a fresh copy for every run, sides rotated. Times: the click or the statement,\n"
      "with closing. 'translated' runs the translation's output directly on the engine.\n",
      fs::file_size(s.master) / 1048576.0, log_rows, options.future_log_rows, rounds, 2 * rounds + 1);
  if (show_sql) {
    std::vector<const Work*> all;
    if (only.empty()) all = {&date_repair, &users_repair};
    for (const Work& w : mix) all.push_back(&w);
    for (const Work* w : all) {
      const std::string engine_sql = jet::Translate(w->jet).sql;
      std::printf(
          "\n  %s\n    Jet:    %s\n    engine: %s\n            plan: %s\n    hand:   %s\n            plan: %s\n",
          w->name.c_str(), w->jet.c_str(), engine_sql.c_str(), Plan(s, engine_sql).c_str(), w->hand.c_str(),
          Plan(s, w->hand).c_str());
    }
    std::printf("\n");
  }

  try {
    // A single repair per fresh copy; the first round also checks that every side left the same data.
    auto single = [&](const Work& w) {
      Row row{w.name, {}};
      for (int r = 0; r < 2 * rounds + 1; ++r) {
        std::string prints[kSides];
        for (int place = 0; place < kSides; ++place) {
          const int side = SideAt(r, place);
          row.times[side].push_back(Run(s, w, side));
          if (r == 0) prints[side] = Fingerprint(s);
        }
        if (r == 0 && (prints[0] != prints[1] || prints[0] != prints[2]))
          throw std::runtime_error(w.name + ": the sides left different data");
      }
      return row;
    };
    PrintHeader();
    Row date_row, users_row;
    if (only.empty()) {
      date_row = single(date_repair);
      PrintRow(date_row);
      users_row = single(users_repair);
      PrintRow(users_row);
    }

    // The mix runs in order on one fresh copy per side and round, each statement a click of its own.
    std::vector<Row> mix_rows;
    for (const Work& w : mix) mix_rows.push_back({"  " + w.name, {}});
    for (int r = 0; r < rounds; ++r) {
      std::string prints[kSides];
      for (int place = 0; place < kSides; ++place) {
        const int side = SideAt(r, place);
        FreshCopy(s);
        for (size_t i = 0; i < mix.size(); ++i) {
          const Work& w = mix[i];
          double t = 0;
          if (side == kCommand)
            t = ThroughCommand(s, w);
          else if (side == kTranslated)
            t = Direct(s, jet::Translate(w.jet).sql, true);
          else
            t = Direct(s, w.hand, false);
          mix_rows[i].times[side].push_back(t);
        }
        if (r == 0) prints[side] = Fingerprint(s);
      }
      if (r == 0 && (prints[0] != prints[1] || prints[0] != prints[2]))
        throw std::runtime_error("typed statements: the sides left different data");
    }
    Row total{"typed statements, all " + std::to_string(mix.size()), {}};
    for (const Row& r : mix_rows) Sum(total, r);
    PrintRow(total);
    for (const Row& r : mix_rows) PrintRow(r);

    auto verdict = [](const Row& r) { return Ratio(r, kHand) <= kTargetRatio ? "met" : "NOT met"; };
    if (only.empty())
      std::printf("  target cmd/hand at most %.2fx: date repair %s, on-line users repair %s, typed statements %s\n",
                  kTargetRatio, verdict(date_row), verdict(users_row), verdict(total));
    for (size_t i = 0; i < mix.size(); ++i)
      if (mix[i].name == kBetweenRow)
        std::printf("  target Between at most %.2fx of the range by hand: %s\n", kBetweenRatio,
                    Ratio(mix_rows[i], kHand) <= kBetweenRatio ? "met" : "NOT met");
  } catch (const std::exception& e) {
    std::cerr << "statements_bench: " << e.what() << "\n";
    fs::remove_all(work);
    return 1;
  }
  fs::remove_all(work);
  return 0;
}
