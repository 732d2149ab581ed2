#include "tests/import/import_fixture.h"

#include <mdbtools.h>

#include <cstdio>
#include <cstdlib>

#include "data/jet/functions.h"
#include "tools/demo/demo_installation.h"
#include "tools/import/importer.h"

namespace ornetta::import::testing {

namespace fs = std::filesystem;

fs::path Sample(const std::string& name) { return fs::path(ORNETTA_JET_SAMPLES) / name; }

namespace {

// A FILE* whose text ends up in a string.
class Capture {
 public:
  Capture() : file_(open_memstream(&buffer_, &size_)) {}
  ~Capture() {
    if (file_) std::fclose(file_);
    std::free(buffer_);
  }
  std::FILE* file() { return file_; }
  std::string Text() {
    std::fflush(file_);
    return std::string(buffer_, size_);
  }

 private:
  char* buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE* file_;
};

}  // namespace

ImportRun RunImport(const fs::path& source, const fs::path& target, bool overwrite) {
  Capture out, err, progress;
  ImportRun run;
  run.status = Import(Options{source, target, overwrite, demo::DeploymentPassword()}, out.file(), progress.file(),
                      false, err.file());
  run.out = out.Text();
  run.err = err.Text();
  return run;
}

engine::Handle OpenTarget(const fs::path& file) {
  engine::Handle h = engine::Open(file, demo::DeploymentPassword());
  jet::RegisterFunctions(h.get());  // views call Jet's functions, as in the application
  return h;
}

std::vector<std::vector<std::string>> Rows(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
    sqlite3_finalize(s);
    return {};
  }
  std::vector<std::vector<std::string>> rows;
  while (sqlite3_step(s) == SQLITE_ROW) {
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(s); ++i) {
      switch (sqlite3_column_type(s, i)) {
        case SQLITE_NULL: row.push_back("<null>"); break;
        case SQLITE_BLOB: {
          std::string hex = "x'";
          const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(s, i));
          for (int k = 0; k < sqlite3_column_bytes(s, i); ++k) {
            char b[3];
            std::snprintf(b, sizeof b, "%02x", p[k]);
            hex += b;
          }
          row.push_back(hex + "'");
          break;
        }
        default: row.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
      }
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(s);
  return rows;
}

std::string One(sqlite3* db, const std::string& sql) {
  const auto rows = Rows(db, sql);
  return rows.empty() || rows[0].empty() ? "<none>" : rows[0][0];
}

// Longer than any Memo of the samples and the generated files.
constexpr size_t kBindSize = 1 << 16;

std::vector<std::vector<std::string>> LibraryRows(const fs::path& file, const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  MdbHandle* mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
  if (!mdb) {
    ADD_FAILURE() << "libmdb cannot open " << file;
    return rows;
  }
  mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
  mdb_set_boolean_fmt_numbers(mdb);
  mdb_set_bind_size(mdb, kBindSize);
  mdb_read_catalog(mdb, MDB_ANY);
  MdbTableDef* table = mdb_read_table_by_name(mdb, const_cast<char*>(name.c_str()), MDB_TABLE);
  mdb_read_columns(table);
  mdb_rewind_table(table);
  std::vector<std::string> values(table->num_cols, std::string(kBindSize, '\0'));
  std::vector<int> lens(table->num_cols);
  for (unsigned i = 0; i < table->num_cols; ++i)
    mdb_bind_column(table, static_cast<int>(i) + 1, values[i].data(), &lens[i]);
  while (mdb_fetch_row(table)) {
    std::vector<std::string> row;
    for (unsigned i = 0; i < table->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      // Null leaves an empty text and no length of a value.
      if (col->col_type != MDB_BOOL && col->cur_value_len == 0 && lens[i] == 0) {
        row.push_back("<null>");
      } else if (col->col_type == MDB_OLE) {
        // Bound, an OLE value is only its header; the library's whole-value reader gives the bytes.
        size_t size = 0;
        void* bytes = mdb_ole_read_full(mdb, col, &size);
        std::string hex = "x'";
        for (size_t k = 0; k < size; ++k) {
          char b[3];
          std::snprintf(b, sizeof b, "%02x", static_cast<const unsigned char*>(bytes)[k]);
          hex += b;
        }
        std::free(bytes);
        row.push_back(hex + "'");
      } else {
        row.emplace_back(values[i].data(), static_cast<size_t>(lens[i]));
      }
    }
    rows.push_back(std::move(row));
  }
  mdb_free_tabledef(table);
  mdb_close(mdb);
  return rows;
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace ornetta::import::testing
