// clsProd: finding the start and year databases, recovering left-over TMP copies, opening and
// closing the connection.
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#include "data/clsProd.h"
#include "data/engine/connection_string.h"
#include "data/crypto/derived_keys.h"
#include "data/values/error.h"
#include "data/tmp_copies.h"
#include "data/values/installation.h"
#include "platform/files.h"
#include "platform/regular_file.h"
#include "platform/secret_memory.h"
#include "data/values/ascii_case.h"

namespace ornetta {

namespace {
const char* const kYearNameQuery =
    "select \"DB\" & minYear & \"_\" & right(maxYear,2) from DB_Years where curryear=true";
const char* const kMissingMessage = "Something wrong in your Databases......Contact your Software Vendor!!!!!!!";
const char* const kStartCaution = "CAUTION: Make Sure DataBase 'DBStart.mdb' Exists in the Correct Path !!! ";
const char* const kYearCaution = "CAUTION: Make Sure DataBase Exists in the Correct Path !!! ";

// Both spellings of the database folder name one folder: the path shows the one on disk.
std::string OnDisk(const std::filesystem::path& path) { return platform::ResolveNoCase(path).string(); }

// The year database's name comes from a table; it must stay a plain file name in the folder.
void CheckPlainFileName(const std::string& name) {
  if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name == "." || name == ".." ||
      name.find('\0') != std::string::npos)
    throw Error(err::kPathFileAccess, "The start database names the year database '" + name +
                                          "', which is not a plain file name. Contact your software vendor.");
}

// The year database written last: almost always the current one, whose key start-up derives
// beside the start database's.
std::vector<std::filesystem::path> MostRecentYearDatabase(const std::filesystem::path& folder) {
  std::filesystem::path newest;
  std::filesystem::file_time_type newest_time{};
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // Year databases are named "DB..." (Installation::YearDatabaseName); other copies are not guessed at.
    if (!EqualIgnoringAsciiCase(name.substr(0, 2), "DB") || !Installation::MayBeYearDatabase(name)) continue;
    if (!platform::IsRegularFile(it->path())) continue;  // a FIFO of that name is never read
    std::error_code time_ec;
    const auto time = it->last_write_time(time_ec);
    if (!time_ec && (newest.empty() || time > newest_time)) newest = it->path(), newest_time = time;
  }
  if (newest.empty()) return {};
  return {newest};
}

// Gives a lone TMP copy its database's name again when a finished compaction marked it whole
// (tmp_copies.h); a failed rename passes to the caller. Half a copy, left by a repair killed while
// it compacted, never takes the name: it is moved aside (as far as it can be; it stays out of
// place either way) and the database counts as missing. True when the copy took the name.
bool RecoverTmpCopy(const std::string& tmp_path, const std::string& path, const platform::Host& host) {
  if (!IsMarkedWhole(tmp_path)) {
    MovePartialCopyAside(tmp_path, host.ProgramFolder(), host.Now());
    return false;
  }
  if (const std::error_code ec = platform::RenameFile(tmp_path, path))
    throw Error(err::kPathFileAccess, "Cannot rename '" + tmp_path + "' to '" + path + "': " + ec.message() + ".");
  ForgetWholeMark(tmp_path);
  return true;
}
}  // namespace

bool clsProd::chk_file_exst(const std::string& path) const { return platform::FileExists(path); }

void clsProd::ReportMissingDatabase() {
  host_.MessageBox(kMissingMessage, platform::kIconCritical, platform::kVendorTitle);
  if (mark_database_missing_) mark_database_missing_();
}

void clsProd::Get_Start() {
  try {
    dbconnection = std::make_shared<Connection>(host_);
    std::string password = Password();
    const platform::WipedOnExit wipe(password);
    const Installation install(host_.ProgramFolder());
    dbconnection->ConnectionString =
        OpenConnectionString(OnDisk(install.opened_database(Installation::kStartName)), password);
    dbconnection->Open("", "", "", -1);
  } catch (const std::exception& e) {
    host_.MessageBox(std::string(e.what()) + "\r\n" + kStartCaution, platform::kIconCritical);
    host_.EndProgram();
  }
}

void clsProd::Leave_DBstart() {
  if (!dbconnection) throw ObjectRequiredError();
  dbconnection->Close();
  dbconnection.reset();
}

void clsProd::Leave_Connection() {
  try {
    if (dbconnection) dbconnection->Close();
  } catch (...) {
  }
  dbconnection.reset();
}

std::unique_ptr<crypto::KeyPreparation> clsProd::PrepareKeys(const std::filesystem::path& program_folder) {
  const std::filesystem::path start = platform::ResolveNoCase(Installation(program_folder).start_database());
  std::vector<std::filesystem::path> files{start};  // in the order Get_Connection opens them
  for (const auto& year : MostRecentYearDatabase(start.parent_path())) files.push_back(year);
  return PrepareKeysOf(files);
}

std::unique_ptr<crypto::KeyPreparation> clsProd::PrepareKeysOf(const std::vector<std::filesystem::path>& files) {
  std::string password = Password();
  const platform::WipedOnExit wipe(password);
  return std::make_unique<crypto::KeyPreparation>(files, password);
}

void clsProd::Get_Connection() {
  const Installation install(host_.ProgramFolder());
  const std::string start = OnDisk(install.start_database());
  if (!chk_file_exst(start)) {
    const std::string tmp_start = OnDisk(install.tmp_copy(Installation::kStartName));
    if (!chk_file_exst(tmp_start) || !RecoverTmpCopy(tmp_start, start, host_)) {
      ReportMissingDatabase();
      return;
    }
  }

  const auto year_key = PrepareKeysOf(MostRecentYearDatabase(std::filesystem::path(start).parent_path()));
  Get_Start();
  const std::string name = Retrieve_Id(kYearNameQuery).ToText() + ".mdb";
  Leave_DBstart();
  CheckPlainFileName(name);
  file_nme = OnDisk(install.opened_database(name));

  const std::string year = OnDisk(install.database(name));
  if (!chk_file_exst(year)) {
    const std::string tmp_year = OnDisk(install.tmp_copy(name));
    if (!chk_file_exst(tmp_year) || !RecoverTmpCopy(tmp_year, year, host_)) {
      ReportMissingDatabase();
      return;
    }
    file_nme = OnDisk(install.opened_database(name));
  }

  try {
    dbconnection = std::make_shared<Connection>(host_);
    std::string password = Password();
    const platform::WipedOnExit wipe(password);
    dbconnection->ConnectionString = OpenConnectionString(file_nme, password);
    dbconnection->Open("", "", "", -1);
  } catch (const std::exception& e) {
    host_.MessageBox(std::string(e.what()) + "\r\n" + kYearCaution, platform::kIconCritical);
    host_.EndProgram();
  }
}

}  // namespace ornetta
