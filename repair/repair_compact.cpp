#include "repair/repair_compact.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <optional>
#include <vector>

#include "data/values/utf8.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/values/error.h"
#include "data/engine/jet_engine.h"
#include "data/crypto/password.h"
#include "data/tmp_copies.h"
#include "data/values/installation.h"
#include "platform/file_ops.h"
#include "platform/files.h"
#include "platform/secret_memory.h"
#include "repair/backup.h"
#include "repair/copy_check.h"
#include "repair/linked_database.h"
#include "repair/lost_rows.h"
#include "repair/salvage/page_file.h"
#include "repair/salvage/report.h"
#include "repair/salvage/salvage.h"

namespace ornetta::repair {

namespace fs = std::filesystem;

namespace {
const char* const kSuccess = "Database Successfully Repaired and Compacted !!!";
const char* const kFailure =
    "Error Occured while compacting Database!!! \r\n\r\n"
    "Ensure TARVIK databases NOT in running State (TARVIK Software should not be Opened by anyone) !!!";
constexpr int32_t kAccessCallArgument = 2;

// One database under repair: held with the engine's write lock from before its backup until its
// new copy has taken its place, so that no other process can change it meanwhile. A file the
// engine cannot open because it is damaged is held all the same (the lock needs no page of it).
class HeldDatabase {
 public:
  HeldDatabase(fs::path path, const std::string& password) : path_(std::move(path)) {
    if (!platform::FileExists(path_)) throw Error(err::kFileNotFound, "Could not find file '" + path_.string() + "'.");
    path_ = platform::ResolveNoCase(path_);
    const std::vector<std::string> users = platform::OtherProcessesUsing(path_);
    if (!users.empty()) throw InUse(users.front());
    try {
      db_ = engine::Open(path_, password);
    } catch (const Error&) {
      if (!fs::is_regular_file(path_) || !HoldUnread(password)) throw;
      return;
    }
    const int rc = sqlite3_exec(db_.get(), "BEGIN IMMEDIATE;", nullptr, nullptr, nullptr);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) throw InUse("another program");
    if (rc == SQLITE_READONLY)
      throw Error(err::kPermissionDenied, "'" + path_.string() +
                                              "' cannot be written: give this user the right to write the file and "
                                              "its folder, or run the repair as the user who owns them.");
    if (rc != SQLITE_OK) throw engine::ErrorFrom(db_.get(), "Holding '" + path_.filename().string() + "'");
  }
  ~HeldDatabase() { Release(); }

  const fs::path& path() const { return path_; }
  fs::path tmp_path() const { return Installation::TmpCopyOf(path_); }
  // Known to be damaged: it would not open.
  bool unopenable() const { return unread_ != nullptr; }
  sqlite3* handle() const { return db_.get(); }
  // The file's bytes, read through the lock's own descriptor.
  const salvage::PageFile& file() {
    if (!file_) file_ = salvage::EngineFile(db_.get());
    if (!file_) throw Error(err::kEngine, "Cannot read the pages of '" + path_.filename().string() + "'.");
    return *file_;
  }
  void Release() {
    file_.reset();
    if (unread_) unread_->pMethods->xUnlock(unread_, SQLITE_LOCK_NONE);
    unread_ = nullptr;
    db_.reset();
  }

 private:
  // Opens the file without reading it and takes the engine's locks by hand, when the reason it
  // would not open is damage; false (nothing held) otherwise.
  bool HoldUnread(const std::string& password) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path_.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    db_.reset(raw);
    sqlite3_file* f = nullptr;
    if (rc != SQLITE_OK || sqlite3_file_control(raw, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f ||
        !f->pMethods) {
      db_.reset();
      return false;
    }
    if (!salvage::IsDamaged(file(), password)) {
      file_.reset();
      db_.reset();
      return false;
    }
    if (f->pMethods->xLock(f, SQLITE_LOCK_SHARED) != SQLITE_OK ||
        f->pMethods->xLock(f, SQLITE_LOCK_RESERVED) != SQLITE_OK) {
      f->pMethods->xUnlock(f, SQLITE_LOCK_NONE);
      throw InUse("another program");
    }
    unread_ = f;
    return true;
  }

  Error InUse(const std::string& who) const {
    return Error(err::kPermissionDenied, "'" + path_.filename().string() + "' is in use by " + who + ".");
  }

  fs::path path_;
  engine::Handle db_;
  sqlite3_file* unread_ = nullptr;
  std::unique_ptr<salvage::PageFile> file_;
};

class ProgressAdapter {
 public:
  explicit ProgressAdapter(ProgressSink* sink) : sink_(sink) {}
  void Stage(Stage stage, const std::string& text) {
    if (sink_) sink_->OnStage(stage, text);
  }
  std::function<void(double)> Fractions() {
    if (!sink_) return {};
    return [this](double f) { sink_->OnFraction(f); };
  }

 private:
  ProgressSink* sink_;
};

struct Stages {
  Stage compact, verify, swap;
};

// What a repair run shares between its two databases.
struct Run {
  const std::string& password;
  const fs::path& backup_root;
  const fs::path& backup_folder;
  ProgressAdapter& progress;
  platform::Host& host;
  platform::FileOps& file_ops;
  std::function<void()> before_swap;  // between the copy's check and the swap
  std::function<void()> keep_backup;  // the backup whole and on disk, for a run that replaces nothing
  LossPolicy policy;
  std::vector<salvage::SalvageOutcome> salvaged;
  std::vector<ReplacedDatabase> replaced{};
};

bool IsUserTable(const std::string& name) { return name.rfind("sqlite_", 0) != 0; }

std::vector<TableRows> CompactedRows(const TreeCounts& counts) {
  std::vector<TableRows> rows;
  for (const TreeCount& t : counts)
    if (t.type == "table" && IsUserTable(t.name)) rows.push_back({t.name, t.count, t.count});
  return rows;
}

// A table's rows before the damage are known when none was lost, or when an index named each lost one.
std::vector<TableRows> SalvagedRows(const salvage::SalvageOutcome& outcome) {
  std::vector<TableRows> rows;
  for (const salvage::TableOutcome& t : outcome.tables)
    rows.push_back({t.name, t.count_exact || !t.rows_lost ? t.recovered + t.lost_known : -1, t.recovered});
  // In the order of a compaction's counts.
  std::sort(rows.begin(), rows.end(), [](const TableRows& a, const TableRows& b) { return a.name < b.name; });
  return rows;
}

// The files that can stand in for a damaged first page or salt of `db`: its backups, newest
// first (this run's is the damaged file itself), then the other year databases of its folder.
salvage::StandIns StandInsFor(const fs::path& db, const Run& run) {
  salvage::StandIns stand_ins;
  std::error_code ec;
  std::vector<fs::path> folders;
  for (fs::directory_iterator it(run.backup_root, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory() && it->path() != run.backup_folder) folders.push_back(it->path());
  std::sort(folders.rbegin(), folders.rend());
  for (const fs::path& folder : folders)
    if (platform::FileExists(folder / db.filename()))
      stand_ins.backups.push_back(platform::ResolveNoCase(folder / db.filename()));
  if (Installation::IsStartName(db.filename().string())) return stand_ins;
  for (fs::directory_iterator it(db.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!it->is_regular_file() || it->path() == db || !Installation::MayBeYearDatabase(name)) continue;
    stand_ins.siblings.push_back(it->path());
  }
  return stand_ins;
}

// Thrown when a rebuilt copy that lacks something was not accepted: the repair stops there.
struct LossNotAccepted {
  std::string name;  // the database, as it was
  fs::path copy;     // its rebuilt copy, kept in the backup folder
};

long long RowsCouldNotBeRead(const salvage::SalvageOutcome& outcome) {
  long long n = 0;
  for (const salvage::TableOutcome& t : outcome.tables) n += static_cast<long long>(t.lost_rowids.size());
  return n;
}

// The question before a rebuilt copy that lacks something takes the database's place.
std::string LossQuestion(const salvage::SalvageOutcome& outcome, const std::optional<BackupRows>& backup,
                         const Run& run) {
  const std::string name = "'" + outcome.file_name + "'";
  const std::string keep = "the rebuilt copy is kept beside the report in the backup folder.";
  std::string text = name +
                     " is damaged. Its rebuilt copy holds every row that could be read with certainty, but:\r\n" +
                     salvage::LossLines(outcome) + "\r\nThe damaged original stays in the backup folder " +
                     run.backup_folder.string() + ", whatever you answer.\r\n\r\n";
  if (!backup)
    return text + "Put the rebuilt copy in place of " + name +
           "?\r\n\r\nYes: put it in place.\r\nNo: replace nothing; " + keep;
  return text + std::to_string(backup->Count()) + " of the " + std::to_string(RowsCouldNotBeRead(outcome)) +
         " rows that could not be read are in the backup of " + backup->date +
         " (they may be older than what was lost).\r\n\r\nPut the rebuilt copy in place of " + name +
         "?\r\n\r\nYes: put it in place, with these rows from the backup.\r\nNo: put it in place without them.\r\n"
         "Cancel: replace nothing; " +
         keep;
}

// Whether the rebuilt copy `tmp`, which lacks something of `db`, may take its place: as the run's
// policy says, or as the user answers. The lost rows that a backup holds go back into it first
// when that is chosen, and the copy is checked again.
bool AcceptLoss(const HeldDatabase& db, const fs::path& tmp, Stages stages, salvage::SalvageOutcome& outcome,
                Run& run) {
  std::optional<BackupRows> backup;
  if (run.policy == LossPolicy::kAsk || run.policy == LossPolicy::kAcceptAndRestore)
    backup = LostRowsInBackup(StandInsFor(db.path(), run).backups, run.password, outcome);
  bool accept = run.policy != LossPolicy::kRefuse;
  bool restore = backup && run.policy == LossPolicy::kAcceptAndRestore;
  if (run.policy == LossPolicy::kAsk) {
    const platform::Answer answer =
        run.host.Question(LossQuestion(outcome, backup, run), platform::kIconExclamation, platform::kVendorTitle,
                          backup ? platform::Buttons::kYesNoCancel : platform::Buttons::kYesNo);
    accept = answer == platform::Answer::kYes || (backup && answer == platform::Answer::kNo);
    restore = backup && answer == platform::Answer::kYes;
  }
  if (restore) {
    run.progress.Stage(stages.verify, "Putting back the rows of the backup of " + backup->date + " into the rebuilt " +
                                          outcome.file_name);
    RestoreRows(*backup, tmp, run.password, outcome, run.file_ops);
    CheckSalvagedCopy(tmp, run.password, outcome);
  }
  return accept;
}

// Keeps the rebuilt copy `tmp` beside the report in the backup folder instead of putting it in
// place, and stops the repair.
[[noreturn]] void KeepRebuiltCopy(const fs::path& tmp, salvage::SalvageOutcome outcome, Run& run) {
  run.keep_backup();
  const std::string name = outcome.file_name;
  run.salvaged.push_back(std::move(outcome));
  salvage::WriteReport(run.salvaged, run.backup_folder, run.file_ops);
  const fs::path kept = run.backup_folder / ("salvaged-" + name);
  if (std::error_code ec = run.file_ops.MoveFileDurably(tmp, kept))
    throw Error(err::kPathFileAccess, "Cannot keep the rebuilt copy of '" + name + "' in " +
                                          run.backup_folder.string() + ": " + ec.message() + ".");
  throw LossNotAccepted{name, kept};
}

// Compacts one held database into its TMP copy (or, when the compaction fails because the file is
// damaged, salvages what can be read into it), checks the copy and swaps it in.
void CompactAndSwap(HeldDatabase& db, Stages stages, Run& run) {
  const fs::path tmp = platform::ResolveNoCase(db.tmp_path());
  const std::string name = db.path().filename().string();
  std::error_code ec;
  // Left by an interrupted earlier run (with the engine's journal of it): kept with this run's
  // backup, out of the way.
  for (const fs::path& stale : {tmp, fs::path(tmp.string() + "-journal")}) {
    if (!fs::exists(fs::symlink_status(stale, ec))) continue;
    if (std::error_code move_ec =
            run.file_ops.MoveFileDurably(stale, run.backup_folder / (kStalePrefix + stale.filename().string())))
      throw Error(err::kPathFileAccess,
                  "Cannot move the old copy '" + stale.string() + "' aside: " + move_ec.message() + ".");
  }
  ForgetWholeMark(tmp);
  ReplacedDatabase replaced{name};
  try {
    std::optional<Error> damage;
    if (db.unopenable()) {
      damage = Error(err::kEngine, "'" + name + "' is damaged and does not open");
    } else {
      try {
        run.progress.Stage(stages.compact, "Compacting " + name);
        // The rows the copy must hold are counted on the second core while the first compacts;
        // the database is held, so the counts cannot change meanwhile.
        auto source_counts = std::async(std::launch::async, [&db] { return EntryCounts(db.handle()); });
        std::optional<Error> failure;
        try {
          std::string source = CompactionSourceString(db.path().string(), run.password);
          std::string destination = CompactionDestinationString(tmp.string(), run.password);
          const platform::WipedOnExit wipe_source(source), wipe_destination(destination);
          JetEngine(run.file_ops).CompactDatabase(source, destination, run.progress.Fractions());
        } catch (const Error& e) {
          failure = e;
        }
        std::optional<TreeCounts> counts;
        try {
          counts = source_counts.get();
        } catch (const Error& e) {
          if (!failure) failure = e;
        }
        if (failure) throw *failure;
        run.host.ProcessPendingMessages();
        run.progress.Stage(stages.verify, "Checking the compacted " + name);
        CheckCompactedCopy(tmp, run.password, *counts, name);
        replaced.tables = CompactedRows(*counts);
      } catch (const Error& e) {
        fs::remove(tmp, ec);
        // A database in use, a full disk or a permission is reported as it is; only damage that
        // the page reader sees too turns the repair into a salvage.
        if (!salvage::IsDamaged(db.file(), run.password)) throw;
        damage = e;
      }
    }
    if (damage) {
      run.progress.Stage(stages.compact, "Salvaging the readable rows of the damaged " + name);
      salvage::SalvageOutcome outcome = salvage::Salvage(db.file(), name, run.password, StandInsFor(db.path(), run),
                                                         tmp, run.progress.Fractions(), run.file_ops);
      run.host.ProcessPendingMessages();
      run.progress.Stage(stages.verify, "Checking the rebuilt " + name);
      CheckSalvagedCopy(tmp, run.password, outcome);
      if (outcome.LosesSomething() && !AcceptLoss(db, tmp, stages, outcome, run))
        KeepRebuiltCopy(tmp, std::move(outcome), run);
      replaced = {name, true, outcome.LosesSomething(), SalvagedRows(outcome)};
      run.salvaged.push_back(std::move(outcome));
    }
    // The application's user must find the database as it left it, however the repair was run.
    if (std::error_code access_ec = run.file_ops.CopyOwnerAndMode(db.path(), tmp))
      throw Error(err::kPathFileAccess,
                  "Cannot give the new copy '" + tmp.string() + "' the owner and permissions of '" +
                      db.path().string() + "' (" + access_ec.message() +
                      "). Run the repair as the database's owner or as root; '" + name + "' was not replaced.");
    // Only a copy so marked may ever take the database's name at start-up (tmp_copies.h).
    if (std::error_code mark_ec = MarkWholeCopy(tmp, run.file_ops))
      throw Error(err::kPathFileAccess,
                  "Cannot record the new copy '" + tmp.string() + "' as checked: " + mark_ec.message() + ".");
    run.progress.Stage(stages.swap, "Putting the new " + name + " in place");
    run.before_swap();
    if (!run.salvaged.empty()) salvage::WriteReport(run.salvaged, run.backup_folder, run.file_ops);
    if (std::error_code swap_ec = run.file_ops.ReplaceFileAtomically(tmp, db.path()))
      throw Error(err::kPathFileAccess,
                  "Cannot put the compacted copy in place of '" + db.path().string() + "': " + swap_ec.message() + ".");
    run.replaced.push_back(std::move(replaced));
  } catch (...) {
    ForgetWholeMark(tmp);
    fs::remove(tmp, ec);
    throw;
  }
  ForgetWholeMark(tmp);
  db.Release();
}

const char* const kContact = "\r\n\r\nPlease contact TARVIK Software before you go on working with this database.";

// The message for a repair that salvaged rows but could not recover all of them.
std::string RowsLostMessage(const Run& run) {
  std::string text =
      "The database was repaired, but not every row could be recovered: " + salvage::LostRowsSummary(run.salvaged) +
      ".";
  for (const salvage::SalvageOutcome& o : run.salvaged) {
    size_t back = 0;
    for (const salvage::TableOutcome& t : o.tables) back += t.restored_rowids.size();
    if (back > 0)
      text += " " + std::to_string(back) + " rows that could not be read were put back from the backup of " +
              o.restored_from + " (they may be older than what was lost).";
  }
  return text + "\r\n\r\nThe report of what was lost (\"" + salvage::kReportName +
         "\") and the damaged original are kept in " + run.backup_folder.string() + "." + kContact;
}

// The message for a rebuilt copy that was not put in place.
std::string NotReplacedMessage(const LossNotAccepted& kept, const Run& run) {
  const std::string name = "'" + kept.name + "'";
  return (run.replaced.empty()
              ? "Nothing was replaced: "
              : "'" + run.replaced.front().file_name + "' was repaired, but " + name + " was not replaced: ") +
         name + " is as it was, damaged, because its rebuilt copy would lack " +
         salvage::LostRowsSummary({run.salvaged.back()}) + ".\r\n\r\nThe rebuilt copy (\"" +
         kept.copy.filename().string() + "\"), the report (\"" + salvage::kReportName +
         "\") and the damaged original are kept in " + run.backup_folder.string() + "." + kContact;
}
}  // namespace

std::string Get_File_Name(const std::string& path) {
  if (path.empty()) return "";
  if (utf8::Length(path) > 32767) throw OverflowError();
  const size_t p = path.find_last_of("\\/");
  return p == std::string::npos ? path : path.substr(p + 1);
}

bool Repair_Compact_DB(RepairContext& context, std::string file_name) {
  clsProd& prod = context.objProd;
  ProgressAdapter progress(context.progress);
  bool result = false;
  try {
    if (!prod.dbconnection) throw ObjectRequiredError();
    if (prod.dbconnection->State() == Connection::kStateOpen) prod.dbconnection->Close();
    std::unique_ptr<AccessApplication> access = context.access_factory();
    result = false;
    std::string password = prod.encryp_decryp(crypto::StoredPasswordConstant()).TakeString();
    const platform::WipedOnExit wipe_password(password);

    const Installation install(context.host.ProgramFolder());
    const fs::path& program = install.program_folder();
    // A database that is a link is repaired where the link leads, and the link stays.
    const fs::path year_path = LinkedDatabase(platform::ResolveNoCase(install.database(file_name)), program);
    const fs::path start_path = LinkedDatabase(platform::ResolveNoCase(install.start_database()), program);
    const bool year_is_start = year_path == start_path;

    // Both databases are held from before the backup until each is swapped. The backup is
    // requested before a database that cannot be held is reported.
    std::optional<Error> not_held;
    std::optional<HeldDatabase> year, start;
    const auto hold = [&](std::optional<HeldDatabase>& db, const fs::path& path) {
      try {
        db.emplace(path, password);
      } catch (const Error& e) {
        if (!not_held) not_held = e;
      }
    };
    if (!year_is_start) hold(year, year_path);
    hold(start, start_path);
    std::vector<fs::path> files;
    for (const auto* db : {&year, &start})
      if (*db) files.push_back((*db)->path());
    if (files.empty()) throw *not_held;
    // Only now does the work begin: with nothing to hold, the failure shows no progress.
    progress.Stage(Stage::kBackup, "Making a backup copy of the databases");
    const fs::path backup_root = BackupRoot(program);
    // The backup is copied by child processes while the databases compact; it is complete,
    // checked, on disk and marked before the first database is replaced.
    Backup backup(backup_root, files, context.host.Now(), context.file_ops);
    const auto secure_backup = [&] {
      backup.Complete(password);
      backup.MarkReplacing();
    };
    Run run{password,
            backup_root,
            backup.folder(),
            progress,
            context.host,
            context.file_ops,
            secure_backup,
            [&] { backup.Complete(password); },
            context.loss_policy,
            {}};
    // Older backups go only once a database has been replaced: a run that replaced nothing
    // leaves the others as they were and takes its own copies away.
    const auto finish_backup = [&] {
      backup.Complete(password);
      if (!run.replaced.empty())
        PruneBackups(backup_root, backup.folder());
      else if (!backup.marked())
        backup.Discard();
      // Marked but nothing recorded as replaced: a swap was begun and failed, perhaps after its
      // rename (a folder that could not be flushed). The copies may be the only old ones: kept.
    };
    try {
      if (not_held) throw *not_held;
      if (year) CompactAndSwap(*year, {Stage::kCompactYear, Stage::kVerifyYear, Stage::kSwapYear}, run);
      CompactAndSwap(*start, {Stage::kCompactStart, Stage::kVerifyStart, Stage::kSwapStart}, run);
    } catch (const LossNotAccepted& kept) {
      finish_backup();  // the folder keeps the copy, the report and the damaged original
      context.salvaged = run.salvaged;
      context.replaced = run.replaced;
      context.report = backup.folder() / salvage::kReportName;
      context.kept_copy = kept.copy;
      context.host.MessageBox(NotReplacedMessage(kept, run), platform::kIconExclamation, platform::kVendorTitle);
      return false;
    } catch (...) {
      context.replaced = run.replaced;
      if (std::any_of(run.replaced.begin(), run.replaced.end(), [](const ReplacedDatabase& r) { return r.salvaged; }))
        context.report = backup.folder() / salvage::kReportName;
      // A failed backup explains what failed after it (a full disk, most often): its error is the
      // one reported.
      finish_backup();
      throw;
    }
    finish_backup();
    result = true;
    context.salvaged = run.salvaged;
    context.replaced = run.replaced;
    context.report = run.salvaged.empty() ? fs::path() : backup.folder() / salvage::kReportName;

    access->Call(kAccessCallArgument);
    access.reset();
    progress.Stage(Stage::kDone, "Done");
    const bool rows_lost = std::any_of(run.salvaged.begin(), run.salvaged.end(),
                                       [](const salvage::SalvageOutcome& o) { return o.LosesSomething(); });
    if (rows_lost)
      context.host.MessageBox(RowsLostMessage(run), platform::kIconExclamation, platform::kVendorTitle);
    else
      context.host.MessageBox(kSuccess, platform::kIconInformation, platform::kVendorTitle);
  } catch (const std::exception& e) {
    context.failure_reason = e.what();
    context.host.MessageBox(context.failure_reason + "\r\n\r\n" + kFailure, platform::kIconCritical,
                            platform::kVendorTitle);
  }
  return result;
}

}  // namespace ornetta::repair
