#include "data/engine.h"

#include <system_error>

#include "data/derived_keys.h"

namespace ornetta::engine {

namespace fs = std::filesystem;

std::string Describe(int rc) { return sqlite3_errstr(rc); }

Error ErrorFrom(sqlite3* db, const std::string& doing) {
  const int rc = db ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
  std::string text = db ? sqlite3_errmsg(db) : Describe(rc);
  if ((rc & 0xFF) == SQLITE_NOTADB)
    text = "not a valid password, or the file is not a database (" + text + ")";
  return Error(err::kEngine, doing.empty() ? text : doing + ": " + text);
}

void Exec(sqlite3* db, const std::string& sql) {
  char* msg = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
  if (rc != SQLITE_OK) {
    std::string text = msg ? msg : Describe(rc);
    sqlite3_free(msg);
    throw Error(err::kEngine, text);
  }
}

Handle Open(const fs::path& file, const std::string& password, OpenMode mode) {
  const std::string name = file.string();
  const std::string what = "Cannot open database '" + name + "'";
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (mode != OpenMode::kCreate) {
    if (!fs::exists(status)) throw Error(err::kEngine, "Could not find file '" + name + "'.");
    if (!fs::is_regular_file(status)) throw Error(err::kEngine, what + ": it is a folder, not a database file.");
    // The engine would take an empty file for a new database and write into it.
    if (fs::file_size(file, ec) == 0 && !ec) throw Error(err::kEngine, what + ": the file is empty, not a database.");
  }
  sqlite3* raw = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX |
                    (mode != OpenMode::kExisting ? SQLITE_OPEN_CREATE : 0);
  const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
  Handle db(raw);
  // Keying a handle whose open failed crashes the library: check first.
  if (rc != SQLITE_OK) throw Error(err::kEngine, what + ": " + (raw ? sqlite3_errmsg(raw) : Describe(rc)));
  sqlite3_extended_result_codes(db.get(), 1);
  // No password means a plain file, as a database without a password is.
  if (!password.empty()) {
    // An existing file's key is derived once per process (see derived_keys.h).
    const std::optional<Salt> salt = fs::exists(status) ? ReadSalt(file) : std::nullopt;
    std::string key = salt ? RawKeyText(password, *salt, false) : password;
    const int key_rc = sqlite3_key(db.get(), key.data(), static_cast<int>(key.size()));
    WipeKeyText(key);
    if (key_rc != SQLITE_OK) throw ErrorFrom(db.get(), what);
    Exec(db.get(), "PRAGMA cipher_page_size = " + std::to_string(kPageSize) + ";");
  }
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  // A wrong key only shows when the first page is read.
  char* msg = nullptr;
  if (sqlite3_exec(db.get(), "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &msg) != SQLITE_OK) {
    sqlite3_free(msg);
    throw ErrorFrom(db.get(), what);
  }
  return db;
}

}  // namespace ornetta::engine
