#include "repair/repair_compact.h"

#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <vector>

#include "data/ansi.h"
#include "data/engine.h"
#include "data/error.h"
#include "data/jet_engine.h"
#include "data/password.h"
#include "platform/file_ops.h"
#include "platform/files.h"
#include "repair/backup.h"

namespace ornetta::repair {

namespace fs = std::filesystem;

namespace {
const char* const kSuccess = "Database Successfully Repaired and Compacted !!!";
const char* const kFailure =
    "Error Occured while compacting Database!!! \r\n\r\n"
    "Ensure TARVIK databases NOT in running State (TARVIK Software should not be Opened by anyone) !!!";
const char* const kStartName = "DBStart.mdb";
constexpr int32_t kAccessCallArgument = 2;

std::string SourceString(const fs::path& path, const std::string& password) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;" + std::string("Data Source=") + path.string() + ";" +
         "Jet OLEDB:Database Password=" + password + ";";
}

std::string DestinationString(const fs::path& path, const std::string& password) {
  return "Provider=Microsoft.Jet.OLEDB.4.0;" + std::string("Jet OLEDB:Engine Type=5;") + "Data Source=" + path.string() +
         ";" + "Jet OLEDB:Database Password=" + password + ";";
}

std::string Quoted(const std::string& name) {
  std::string quoted = "\"";
  for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The schema and the entries of every table and every index, each counted in its own b-tree (so
// every page of each is read, and authenticated by the engine as it is read): a copy with the
// same schema, rows and whole indexes gives the same map.
std::map<std::string, long long> EntryCounts(sqlite3* db) {
  struct Tree {
    std::string type, name, table, sql;
  };
  std::vector<Tree> trees;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "SELECT type, name, tbl_name, sql FROM sqlite_master WHERE type IN ('table', 'index') ORDER BY name",
                     -1, &st, nullptr);
  auto text = [&st](int column) {
    const unsigned char* value = sqlite3_column_text(st, column);
    return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
  };
  while (sqlite3_step(st) == SQLITE_ROW) trees.push_back({text(0), text(1), text(2), text(3)});
  if (sqlite3_finalize(st) != SQLITE_OK) throw engine::ErrorFrom(db, "Reading the list of tables");
  std::map<std::string, long long> counts;
  for (const Tree& tree : trees) {
    // (A partial index is not counted apart by this engine; its definition and structure are checked.)
    const std::string sql = tree.type == "table"
                                ? "SELECT count(*) FROM " + Quoted(tree.name) + " NOT INDEXED"
                                : "SELECT count(*) FROM " + Quoted(tree.table) + " INDEXED BY " + Quoted(tree.name);
    long long n = -1;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
      n = sqlite3_column_int64(st, 0);
    if (sqlite3_finalize(st) != SQLITE_OK && tree.type == "table") throw engine::ErrorFrom(db, "Counting the rows of " + tree.name);
    counts[tree.type + " " + tree.name + ": " + tree.sql] = n;
  }
  return counts;
}

// The engine's check of every page's structure and records, in time that grows with the file's
// size. (The full integrity check also looks up each row in each index: on a large file whose
// pages must be decrypted again whenever they leave the cache, that took 20 s for 1 GB against
// 1 s for 100 MB. The entry counts above cover what it adds for a copy the engine itself wrote.)
std::string StructureCheck(sqlite3* db) {
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
  std::string result = sqlite3_step(st) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(st, 0)) : "";
  sqlite3_finalize(st);
  return result;
}

// One database under repair: held with the engine's write lock from before its backup until its
// compacted copy has taken its place, so that no other process can change it meanwhile.
class HeldDatabase {
 public:
  HeldDatabase(fs::path path, const std::string& password) : path_(std::move(path)) {
    if (!platform::FileExists(path_)) throw Error(err::kFileNotFound, "Could not find file '" + path_.string() + "'.");
    path_ = platform::ResolveNoCase(path_);
    const std::vector<std::string> users = platform::OtherProcessesUsing(path_);
    if (!users.empty()) throw InUse(users.front());
    db_ = engine::Open(path_, password);
    if (sqlite3_exec(db_.get(), "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr) != SQLITE_OK) throw InUse("another program");
  }

  const fs::path& path() const { return path_; }
  fs::path tmp_path() const { return path_.parent_path() / ("TMP" + path_.filename().string()); }
  std::map<std::string, long long> EntryCounts() const { return repair::EntryCounts(db_.get()); }
  void Release() { db_.reset(); }

 private:
  Error InUse(const std::string& who) const {
    return Error(err::kPermissionDenied, "'" + path_.filename().string() + "' is in use by " + who + ".");
  }

  fs::path path_;
  engine::Handle db_;
};

class ProgressAdapter {
 public:
  explicit ProgressAdapter(ProgressSink* sink) : sink_(sink) {}
  void Stage(Stage stage, const std::string& text) {
    if (sink_) sink_->OnStage(stage, text);
  }
  JetEngine::Progress Fractions() {
    if (!sink_) return {};
    return [this](double f) { sink_->OnFraction(f); };
  }

 private:
  ProgressSink* sink_;
};

// Compacts one held database into its TMP copy, checks the copy and swaps it in.
struct Stages {
  Stage compact, verify, swap;
};

// `before_swap` runs between the copy's check and the swap.
void CompactAndSwap(HeldDatabase& db, const std::string& password, const fs::path& backup_folder, Stages stages,
                    ProgressAdapter& progress, platform::Host& host, const std::function<void()>& before_swap) {
  const fs::path tmp = platform::ResolveNoCase(db.tmp_path());
  std::error_code ec;
  // Left by an interrupted earlier run (with the engine's journal of it): kept with this run's
  // backup, out of the way.
  for (const fs::path& stale : {tmp, fs::path(tmp.string() + "-journal")}) {
    if (!fs::exists(fs::symlink_status(stale, ec))) continue;
    if (std::error_code move_ec = platform::MoveFileDurably(stale, backup_folder / ("stale-" + stale.filename().string())))
      throw Error(err::kPathFileAccess, "Cannot move the old copy '" + stale.string() + "' aside: " + move_ec.message() + ".");
  }
  progress.Stage(stages.compact, "Compacting " + db.path().filename().string());
  // The rows the copy must hold are counted on the second core while the first compacts; the
  // database is held, so the counts cannot change meanwhile.
  auto source_counts = std::async(std::launch::async, [&db] { return db.EntryCounts(); });
  JetEngine().CompactDatabase(SourceString(db.path(), password), DestinationString(tmp, password), progress.Fractions());
  host.ProcessPendingMessages();

  progress.Stage(stages.verify, "Checking the compacted " + db.path().filename().string());
  try {
    // Every page of the copy is read back from the file (and so authenticated) by the structure
    // check; the counts run beside it on a connection of their own.
    auto copy_counts = std::async(std::launch::async, [&tmp, &password] {
      engine::Handle counter = engine::Open(tmp, password);
      return EntryCounts(counter.get());
    });
    {
      engine::Handle copy = engine::Open(tmp, password);
      const std::string check = StructureCheck(copy.get());
      if (check != "ok") throw Error(err::kEngine, "The compacted copy failed its integrity check (" + check + ").");
    }
    if (copy_counts.get() != source_counts.get())
      throw Error(err::kEngine, "The compacted copy does not hold the same tables, rows and indexes as '" +
                                    db.path().filename().string() + "'.");
    progress.Stage(stages.swap, "Putting the compacted " + db.path().filename().string() + " in place");
    before_swap();
    if (std::error_code swap_ec = platform::ReplaceFileAtomically(tmp, db.path()))
      throw Error(err::kPathFileAccess, "Cannot put the compacted copy in place of '" + db.path().string() + "': " +
                                            swap_ec.message() + ".");
  } catch (...) {
    fs::remove(tmp, ec);
    throw;
  }
  db.Release();
}
}  // namespace

std::string Get_File_Name(const std::string& path) {
  if (path.empty()) return "";
  if (ansi::CharacterCount(path) > 32767) throw OverflowError();
  const size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

bool Repair_Compact_DB(RepairContext& context, std::string file_name) {
  clsProd& prod = context.objProd;
  ProgressAdapter progress(context.progress);
  bool result = false;
  try {
    if (!prod.dbconnection) throw Error(err::kObjectRequired, "Object variable or With block variable not set");
    if (prod.dbconnection->State() == Connection::kStateOpen) prod.dbconnection->Close();
    std::unique_ptr<AccessApplication> access = context.access_factory();
    result = false;
    const std::string password = prod.encryp_decryp(StoredPasswordConstant()).AsString();

    const fs::path program = context.host.ProgramFolder();
    const fs::path folder = program / "database";
    const fs::path year_path = platform::ResolveNoCase(folder / file_name);
    const fs::path start_path = platform::ResolveNoCase(folder / kStartName);
    const bool year_is_start = year_path == start_path;

    // Both databases are held from before the backup until each is swapped.
    progress.Stage(Stage::kBackup, "Making a backup copy of the databases");
    std::optional<HeldDatabase> year;
    if (!year_is_start) year.emplace(year_path, password);
    HeldDatabase start(start_path, password);
    std::vector<fs::path> files{start.path()};
    if (year) files.insert(files.begin(), year->path());
    const fs::path backup_root = platform::ResolveNoCase(program / "DB_BKUP" / "AUTOCompactDB");
    // The backup is copied by child processes while the databases compact; it is complete,
    // checked and on disk before the first database is replaced, and older backups go only then.
    Backup backup(backup_root, files);
    const auto secure_backup = [&] {
      if (backup.Complete(password)) PruneBackups(backup_root);
    };
    try {
      if (year)
        CompactAndSwap(*year, password, backup.folder(), {Stage::kCompactYear, Stage::kVerifyYear, Stage::kSwapYear},
                       progress, context.host, secure_backup);
      CompactAndSwap(start, password, backup.folder(), {Stage::kCompactStart, Stage::kVerifyStart, Stage::kSwapStart},
                     progress, context.host, secure_backup);
    } catch (...) {
      // A failed backup explains what failed after it (a full disk, most often): its error is the
      // one reported. A good backup is kept, as when the repair fails after it.
      secure_backup();
      throw;
    }
    result = true;

    access->Call(kAccessCallArgument);
    access.reset();
    progress.Stage(Stage::kDone, "Done");
    context.host.MessageBox(kSuccess, platform::kIconInformation, platform::kVendorTitle);
  } catch (const std::exception& e) {
    context.failure_reason = e.what();
    context.host.MessageBox(kFailure, platform::kIconCritical, platform::kVendorTitle);
  }
  return result;
}

}  // namespace ornetta::repair
