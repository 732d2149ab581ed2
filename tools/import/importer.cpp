#include "tools/import/importer.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <set>

#include <unistd.h>

#include "data/engine/connection.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/values/error.h"
#include "data/jet/engine_lookups.h"
#include "data/jet/translate.h"
#include "platform/file_ops.h"
#include "tools/import/mdb_source.h"
#include "tools/import/progress.h"
#include "tools/import/relationships.h"
#include "tools/import/report.h"
#include "tools/import/saved_queries.h"
#include "tools/import/schema.h"
#include "tools/import/table_copy.h"

namespace ornetta::import {

namespace fs = std::filesystem;

namespace {

constexpr int kFormatVersion = 1;  // user_version of the application's files

// The temporary file's names, for the signal handler, which may only unlink.
char g_temporary[4096];
char g_journal[4096];

void RemoveTemporaryAndDie(int sig) {
  if (g_temporary[0]) unlink(g_temporary);
  if (g_journal[0]) unlink(g_journal);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// Removes the temporary target (and its journal) when the import does not reach its rename, and
// on SIGINT, SIGTERM and SIGHUP meanwhile.
class TemporaryTarget {
 public:
  explicit TemporaryTarget(const fs::path& file) : file_(file) {
    Remove();  // a run killed before (SIGKILL) leaves one behind
    const std::string journal = file.string() + "-journal";
    if (file.string().size() < sizeof g_temporary && journal.size() < sizeof g_journal) {
      std::strcpy(g_temporary, file.c_str());
      std::strcpy(g_journal, journal.c_str());
    }
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, RemoveTemporaryAndDie);
  }
  ~TemporaryTarget() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) std::signal(sig, SIG_DFL);
    g_temporary[0] = g_journal[0] = '\0';
    if (!kept_) Remove();
  }
  void Keep() { kept_ = true; }

 private:
  void Remove() {
    std::error_code ec;
    fs::remove(file_, ec);
    fs::remove(file_.string() + "-journal", ec);
  }
  fs::path file_;
  bool kept_ = false;
};

// A failure the user reads: what failed and what to do.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void CheckPaths(const Options& o) {
  std::error_code ec;
  if (o.target.empty() || o.target.filename().empty()) throw Failure("Give the target as a file name.");
  if (fs::exists(o.target, ec)) {
    if (fs::equivalent(o.source, o.target, ec))
      throw Failure("The source and the target are the same file: give the target a name of its own.");
    if (fs::is_directory(o.target, ec))
      throw Failure("'" + o.target.string() + "' is a folder: give the target a file name.");
    if (!o.overwrite)
      throw Failure("'" + o.target.string() +
                    "' already exists: add --overwrite to replace it, or choose another name.");
  }
  const fs::path folder = o.target.has_parent_path() ? o.target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec))
    throw Failure("The folder '" + folder.string() + "' of the target does not exist.");
}

std::shared_ptr<Connection> CreateTarget(const fs::path& file, const std::string& password) {
  {
    engine::Handle db = engine::Open(file, password, engine::OpenMode::kCreate);
    engine::Exec(db.get(), "PRAGMA cipher_page_size = " + std::to_string(engine::kPageSize) + ";");
    engine::Exec(db.get(), "PRAGMA user_version = " + std::to_string(kFormatVersion) + ";");
  }
  auto conn = std::make_shared<Connection>();
  conn->Open(OpenConnectionString(file.string(), password));
  return conn;
}

void ImportTables(const MdbSource& source, sqlite3* db, Progress& progress, Report& report) {
  const std::vector<std::string> names = source.UserTableNames();
  std::set<std::string> index_names;
  int number = 0;
  for (const std::string& name : names) {
    const SourceTable table = source.ReadTable(name);
    const TablePlan plan = PlanTable(table, index_names, report);
    engine::Exec(db, jet::Translate(plan.jet_ddl).sql);
    // Indexes before the rows: each row then goes into them as it comes, in the page cache, where a
    // CREATE INDEX afterwards would sort the whole table in memory (the engine keeps its temporary
    // data there).
    int indexes = 0;
    for (const auto& [index, ddl] : plan.indexes) {
      try {
        engine::Exec(db, jet::Translate(ddl).sql);
        ++indexes;
      } catch (const Error& e) {
        report.NotCarried("index " + name + "." + index, "cannot be made: " + e.Description());
      }
    }
    progress.StartTable(name, ++number, static_cast<int>(names.size()), table.row_count);
    const TableChecksum read = CopyRows(source, table, plan, db, progress, report);
    const TableChecksum stored = StoredChecksum(db, table, plan);
    progress.EndTable(stored.rows());
    if (read.rows() != table.row_count)
      throw Failure("The table " + name + " records " + std::to_string(table.row_count) + " rows, but " +
                    std::to_string(read.rows()) +
                    " could be read: the source file is damaged. Repair it in Access (Compact and "
                    "Repair) and import it again.");
    if (!(stored == read))
      throw Failure("The rows of the table " + name + " read back from the target differ from the source's (" +
                    std::to_string(stored.rows()) + " rows, checksum " + stored.Hex() + " against " +
                    std::to_string(read.rows()) + " rows, " + read.Hex() +
                    "): a fault of the import, not of the file. Keep the source and report it.");
    report.AddTable(name, stored.rows(), stored.Hex(), indexes + (plan.primary_key ? 1 : 0));
  }
}

void ImportQueries(const MdbSource& source, sqlite3* db, Progress& progress, Report& report) {
  const std::vector<SavedQuery> queries = ReadSavedQueries(source);
  if (!queries.empty()) progress.Step("Saved queries: " + std::to_string(queries.size()));
  std::set<std::string> carried;
  for (const SavedQuery& q : queries) {
    const std::string ref = "query " + q.name + " (" + KindName(q.kind) + ")";
    using K = SavedQuery::Kind;
    if (q.kind != K::kSelect && q.kind != K::kUnion && q.kind != K::kCrosstab) {
      std::string why = q.kind == K::kPassThrough ? "a pass-through query runs on another database server"
                        : q.kind == K::kDataDefinition
                            ? "a data-definition query changes the structure, it selects nothing"
                            : "an action query changes rows; a view can only select them";
      report.NotCarried(ref, why + (q.jet_sql.empty() ? "" : "; its SQL: " + q.jet_sql));
      continue;
    }
    std::string missing;
    for (const std::string& s : q.sources) {
      for (const SavedQuery& other : queries)
        if (other.name == s && !carried.count(s)) missing = s;
    }
    if (!missing.empty()) {
      report.NotCarried(ref, "it reads the query " + missing + ", which was not carried; its SQL: " + q.jet_sql);
      continue;
    }
    // Translated knowing the tables carried so far, as the application's own statements are: the
    // columns tell another item's alias from a column, and their types how dates compare. A
    // crosstab without its column list is not given the rows: a view's columns would be frozen at
    // those of the import.
    std::optional<jet::Statement> statement;
    try {
      statement = jet::Translate(q.jet_sql, jet::EngineColumns(db), {jet::EngineLookups(db).tables, {}, {}});
    } catch (const Error& e) {
      report.NotCarried(ref, "the dialect refuses it: " + e.Description() + " Its SQL: " + q.jet_sql);
      continue;
    }
    if (!statement->parameters.empty()) {
      std::string asked;
      for (const jet::Parameter& p : statement->parameters) asked += (asked.empty() ? "[" : ", [") + p.name + "]";
      report.NotCarried(ref, "it asks for " + asked + " when it runs, and a view cannot ask; its SQL: " + q.jet_sql);
      continue;
    }
    const std::string& sql = statement->sql;
    try {
      engine::Exec(db, "CREATE VIEW " + JetName(q.name) + " AS " + sql);
      // The engine checks a view's names only when it is used.
      engine::Exec(db, "SELECT * FROM " + JetName(q.name) + " LIMIT 0");
      report.AddView(q.name);
      carried.insert(q.name);
    } catch (const Error& e) {
      sqlite3_exec(db, ("DROP VIEW IF EXISTS " + JetName(q.name)).c_str(), nullptr, nullptr, nullptr);
      report.NotCarried(ref, "the engine refuses it: " + e.Description() + " Its SQL: " + q.jet_sql);
    }
  }
  if (const int hidden = HiddenQueryCount(source))
    report.AddNote(std::to_string(hidden) +
                   " hidden queries of forms and reports (~sq_...) were left out with their forms.");
}

void ListRelationships(const MdbSource& source, Report& report) {
  for (const std::string& name : source.LinkedTableNames())
    report.NotCarried("linked table " + name, "its rows live in another file: import that file");
  for (const Relationship& r : ReadRelationships(source)) {
    std::string cols, refs;
    for (const auto& c : r.columns) cols += (cols.empty() ? "" : ", ") + c;
    for (const auto& c : r.referenced_columns) refs += (refs.empty() ? "" : ", ") + c;
    report.NotCarried("relationship " + r.name,
                      r.table + " (" + cols + ") refers to " + r.referenced_table + " (" + refs +
                          "): the dialect has no relationships; the rows are carried as they are");
  }
}

// Opens the closed file afresh, as the application will, and runs the engine's structure check.
void CheckStructure(const fs::path& file, const std::string& password) {
  engine::Handle handle = engine::Open(file, password);
  sqlite3* db = handle.get();
  sqlite3_stmt* s = nullptr;
  std::string result;
  if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK) {
    while (sqlite3_step(s) == SQLITE_ROW) result += reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
  }
  sqlite3_finalize(s);
  if (result != "ok") throw Failure("The new database fails the structure check: " + result);
}

}  // namespace

fs::path ReportPath(const fs::path& target) { return target.string() + ".import.txt"; }

fs::path TemporaryPath(const fs::path& target) {
  return target.parent_path() / ("." + target.filename().string() + ".importing");
}

int Import(const Options& options, std::FILE* out, std::FILE* progress_out, bool terminal, std::FILE* err) {
  const auto started = std::chrono::steady_clock::now();
  Report report(options.source.string(), options.target.string());
  try {
    CheckPaths(options);
    MdbSource source(options.source);
    report.SetSourceVersion(source.Version());
    const fs::path temporary = TemporaryPath(options.target);
    TemporaryTarget guard(temporary);
    {
      auto conn = CreateTarget(temporary, options.password);
      sqlite3* db = conn->NativeHandle();
      Progress progress(progress_out, terminal);
      ImportTables(source, db, progress, report);
      ImportQueries(source, db, progress, report);
      ListRelationships(source, report);
      conn->Close();
    }
    CheckStructure(temporary, options.password);
    const std::error_code ec = options.overwrite
                                   ? platform::SystemFileOps().ReplaceFileAtomically(temporary, options.target)
                                   : platform::SystemFileOps().MoveFileDurably(temporary, options.target);
    if (ec)
      throw Failure("The new database cannot be given its name '" + options.target.string() + "': " + ec.message() +
                    ".");
    guard.Keep();
  } catch (const Failure& e) {
    std::fprintf(err, "ornetta-import: %s\nNothing was written.\n", e.what());
    return kFailed;
  } catch (const SourceError& e) {
    std::fprintf(err, "ornetta-import: %s\nNothing was written.\n", e.what());
    return kFailed;
  } catch (const Error& e) {
    std::fprintf(err, "ornetta-import: %s\nNothing was written.\n", e.Description().c_str());
    return kFailed;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const std::string text = report.Text(seconds);
  std::fputs(text.c_str(), out);
  std::ofstream file(ReportPath(options.target), std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file)
    std::fprintf(err, "ornetta-import: the report could not be written to '%s'; it is printed above.\n",
                 ReportPath(options.target).c_str());
  return report.Complete() ? kCarriedAll : kCarriedWithList;
}

}  // namespace ornetta::import
