#include "tools/repair/arguments.h"

#include <system_error>

#include "data/values/installation.h"
#include "platform/files.h"

namespace ornetta::repair_cli {

namespace fs = std::filesystem;

const char* const kHelp =
    "usage: ornetta-repair PROGRAM_FOLDER [DATABASE_FILE] [--accept-loss [--restore-from-backup]]\n"
    "\n"
    "Repairs and compacts the application's databases, as ORNETTA's \"Trouble in your Database\"\n"
    "does, for support staff working remotely and for scheduled maintenance. Nobody may have the\n"
    "application open meanwhile: a database in use by another program is left alone.\n"
    "\n"
    "  PROGRAM_FOLDER  the application's program folder, with the databases in its database/ folder\n"
    "  DATABASE_FILE   a year database in PROGRAM_FOLDER/database (a name such as DB2026_27.mdb,\n"
    "                  or its path). Without it, the current year database: the one the start\n"
    "                  database DBStart.mdb names, found as at ORNETTA's start, with a half-done swap\n"
    "                  of an earlier repair put right first.\n"
    "  --accept-loss   put a salvaged database in place even when its rebuilt copy lacks something\n"
    "                  of the original (live rows, rows set aside, tables or views)\n"
    "  --restore-from-backup\n"
    "                  with --accept-loss: rows known lost by key that the newest verified backup\n"
    "                  of the same file holds are put back, with the backup's values\n"
    "\n"
    "The year database and then the start database are each backed up (under\n"
    "PROGRAM_FOLDER/DB_BKUP/AUTOCompactDB), compacted into a copy, checked and swapped in. A damaged\n"
    "database is salvaged instead: every row that can be read with certainty is rebuilt into the\n"
    "copy, and a report of what was lost is kept beside the backup with the damaged original. A\n"
    "start database too damaged to name the current year does not stop the repair of a named\n"
    "DATABASE_FILE. The database password is the deployment's, as in ORNETTA.\n"
    "\n"
    "ornetta-repair never asks. A salvage whose rebuilt copy lacks something replaces nothing\n"
    "unless --accept-loss is given: the rebuilt copy is then kept beside the report in the backup\n"
    "folder, the repair stops there, and the exit status is 2.\n"
    "\n"
    "Each stage is printed with its progress, then per table the rows before (where the damage\n"
    "leaves it known; '?' otherwise) and after, and the report's path when there is one.\n"
    "\n"
    "Exit status:\n"
    "  0  repaired, no live row lost\n"
    "  1  not repaired, nothing changed (the reason is printed); also for a bad command line\n"
    "  2  repaired, but rows were lost or set aside, or tables or views lost (the report says\n"
    "     which), with --accept-loss; without it, that database was not replaced (its rebuilt\n"
    "     copy is kept beside the report) and the repair stopped there\n"
    "  3  the year database was repaired (rows lost are in the report, as for 2), the start\n"
    "     database was not (the reason is printed)\n";

namespace {
// The name a DATABASE_FILE argument gives in the database folder; a path elsewhere is refused.
std::string NameInDatabaseFolder(const std::string& arg, const fs::path& database_folder) {
  const fs::path given(arg);
  const std::string name = given.filename().string();
  if (name.empty() || name == "." || name == "..") throw UsageError("DATABASE_FILE '" + arg + "' names no file.");
  if (given.has_parent_path()) {
    std::error_code ec;
    if (!fs::equivalent(platform::ResolveNoCase(given.parent_path()), database_folder, ec))
      throw UsageError("DATABASE_FILE '" + arg + "' is not in the database folder " + database_folder.string() + ".");
  }
  const fs::path file = platform::ResolveNoCase(database_folder / name);
  if (!platform::FileExists(file))
    throw UsageError("There is no database '" + name + "' in " + database_folder.string() + ".");
  return file.filename().string();
}
}  // namespace

Arguments ParseArguments(const std::vector<std::string>& args) {
  Arguments parsed;
  std::vector<std::string> positional;
  bool options_end = false;
  for (const std::string& arg : args) {
    if (!options_end && (arg == "--help" || arg == "-h")) {
      parsed.help = true;
      return parsed;
    }
    if (!options_end && arg == "--accept-loss") {
      parsed.accept_loss = true;
    } else if (!options_end && arg == "--restore-from-backup") {
      parsed.restore_from_backup = true;
    } else if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      throw UsageError("Unknown option " + arg + ".");
    } else {
      positional.push_back(arg);
    }
  }
  if (parsed.restore_from_backup && !parsed.accept_loss)
    throw UsageError("--restore-from-backup puts rows into a database whose loss is accepted: give --accept-loss too.");
  if (positional.empty()) throw UsageError("Name the program folder.");
  if (positional.size() > 2) throw UsageError("Too many arguments: one program folder and at most one database file.");
  if (positional[0].empty()) throw UsageError("The program folder is an empty name.");
  parsed.program_folder = positional[0];
  std::error_code ec;
  if (!fs::is_directory(parsed.program_folder, ec))
    throw UsageError("The program folder " + parsed.program_folder.string() + " is not a folder.");
  const fs::path database_folder = platform::ResolveNoCase(Installation(parsed.program_folder).database_folder());
  if (!fs::is_directory(database_folder, ec))
    throw UsageError("The program folder " + parsed.program_folder.string() + " has no database folder.");
  if (positional.size() == 2) parsed.database_file = NameInDatabaseFolder(positional[1], database_folder);
  return parsed;
}

}  // namespace ornetta::repair_cli
