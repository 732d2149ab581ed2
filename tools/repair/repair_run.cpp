#include "tools/repair/repair_run.h"

#include <algorithm>
#include <iomanip>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "data/clsProd.h"
#include "data/values/installation.h"
#include "platform/files.h"
#include "repair/repair_compact.h"
#include "tools/repair/console_host.h"
#include "tools/repair/progress_printer.h"

namespace ornetta::repair_cli {

namespace fs = std::filesystem;

namespace {
std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// The year databases of the folder, for a user who must name one.
std::string YearDatabases(const fs::path& database_folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(database_folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!it->is_regular_file() || !Installation::MayBeYearDatabase(name)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  return list.empty() ? "none" : list;
}

// The current year database, found as at the window's start (a left-over TMP copy put back
// first). "" when it cannot be found, after saying why and what to do.
std::string FindCurrentYear(clsProd& prod, const bool& missing, const Installation& install, std::ostream& out,
                            std::ostream& err) {
  const fs::path database_folder = platform::ResolveNoCase(install.database_folder());
  const std::string name_it = "Name the year database to repair it with the start database: ornetta-repair " +
                              install.program_folder().string() + " DATABASE_FILE\n(year databases in " +
                              database_folder.string() + ": " + YearDatabases(database_folder) + ")\n";
  try {
    prod.Get_Connection();
  } catch (const EndRequested&) {
    // At start-up a database that does not open ends the program; here, once the year database
    // is known, it is the one to repair.
    if (prod.file_nme.empty()) {
      err << "ornetta-repair: the start database " << Installation::kStartName
          << " does not open, so it does not name the current year database. Nothing was changed.\n"
          << name_it;
      return "";
    }
    out << "The current year database does not open; the repair salvages what it can.\n";
    prod.dbconnection = std::make_shared<Connection>();
    return repair::Get_File_Name(prod.file_nme);
  } catch (const std::exception& e) {
    err << "ornetta-repair: the start database " << Installation::kStartName
        << " does not name the current year database: " << e.what() << "\nNothing was changed.\n"
        << name_it;
    return "";
  }
  if (missing && prod.file_nme.empty()) {
    err << "ornetta-repair: there is no start database " << Installation::kStartName << " in "
        << database_folder.string() << ". Nothing was changed.\n";
    return "";
  }
  if (missing) {
    err << "ornetta-repair: the current year database " << prod.file_nme
        << ", named by the start database, is missing. Nothing was changed.\n"
        << name_it;
    return "";
  }
  return repair::Get_File_Name(prod.file_nme);
}

std::string Count(long long rows) { return rows < 0 ? "?" : std::to_string(rows); }

void PrintTables(const std::vector<repair::ReplacedDatabase>& replaced, std::ostream& out) {
  for (const repair::ReplacedDatabase& db : replaced) {
    out << db.file_name
        << (db.salvaged ? db.rows_lost ? ": salvaged, rows lost or set aside" : ": salvaged, no row lost"
                        : ": compacted")
        << "\n";
    size_t width = 5;
    for (const repair::TableRows& t : db.tables) width = std::max(width, t.name.size());
    out << "  " << std::left << std::setw(static_cast<int>(width)) << "table" << std::right << std::setw(13)
        << "rows before" << std::setw(12) << "rows after"
        << "\n";
    for (const repair::TableRows& t : db.tables)
      out << "  " << std::left << std::setw(static_cast<int>(width)) << t.name << std::right << std::setw(13)
          << Count(t.before) << std::setw(12) << t.after << "\n";
  }
}
}  // namespace

ExitStatus RunRepair(const Arguments& args, std::ostream& out, std::ostream& err, bool terminal) {
  ProgressPrinter progress(out, terminal);
  const Installation install(fs::absolute(args.program_folder));
  ConsoleHost host(install.program_folder(), out, err, [&progress] { progress.EndLine(); });
  bool missing = false;
  clsProd prod(host, [&missing] { missing = true; });

  std::string file_name = args.database_file;
  if (file_name.empty()) {
    file_name = FindCurrentYear(prod, missing, install, out, err);
    if (file_name.empty()) return kNotRepaired;
  } else {
    // A named database needs nothing of the start database before the repair, which holds and
    // repairs it whatever its state.
    prod.dbconnection = std::make_shared<Connection>();
  }

  out << "Repairing " << file_name
      << (Installation::IsStartName(file_name) ? std::string() : std::string(" and ") + Installation::kStartName)
      << " in " << platform::ResolveNoCase(install.database_folder()).string() << "\n";
  repair::RepairContext context{.objProd = prod,
                                .host = host,
                                .progress = &progress,
                                .loss_policy = !args.accept_loss          ? repair::LossPolicy::kRefuse
                                               : args.restore_from_backup ? repair::LossPolicy::kAcceptAndRestore
                                                                          : repair::LossPolicy::kAccept};
  const bool repaired = repair::Repair_Compact_DB(context, file_name);
  progress.EndLine();

  PrintTables(context.replaced, out);
  if (!context.report.empty()) out << "Report: " << context.report.string() << "\n";
  const bool rows_lost = std::any_of(context.replaced.begin(), context.replaced.end(),
                                     [](const repair::ReplacedDatabase& db) { return db.rows_lost; });
  if (repaired) {
    out << (rows_lost ? "Repaired, but rows were lost or set aside: the report says which.\n"
                      : "Repaired; no row was lost.\n");
    return rows_lost ? kRepairedRowsLost : kRepaired;
  }
  if (!context.kept_copy.empty()) {
    err << "ornetta-repair: not replaced: the rebuilt copy lacks what the report lists, and is kept as "
        << context.kept_copy.string() << ". Run again with --accept-loss to put it in place.\n";
    // The year database may be in place already, with only the start database left as it was.
    return context.replaced.empty() ? kRepairedRowsLost : kStartNotRepaired;
  }
  if (!context.replaced.empty()) {
    err << "ornetta-repair: " << context.replaced.front().file_name << " was repaired"
        << (rows_lost ? " (rows were lost: see the report)" : "") << ", but " << Installation::kStartName
        << " was not, and is as it was: " << FirstLine(context.failure_reason) << "\n";
    return kStartNotRepaired;
  }
  err << "ornetta-repair: not repaired, nothing was changed: " << FirstLine(context.failure_reason) << "\n";
  return kNotRepaired;
}

}  // namespace ornetta::repair_cli
