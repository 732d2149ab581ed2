#include "data/engine/engine.h"

#include <algorithm>
#include <iterator>
#include <system_error>

#include "data/crypto/derived_keys.h"
#include "platform/file_ops.h"
#include "platform/regular_file.h"
#include "platform/secret_memory.h"

namespace ornetta::engine {

namespace fs = std::filesystem;

std::string Describe(int rc) { return sqlite3_errstr(rc); }

Error ErrorFrom(sqlite3* db, const std::string& doing) {
  const int rc = db ? sqlite3_extended_errcode(db) : SQLITE_ERROR;
  std::string text = db ? sqlite3_errmsg(db) : Describe(rc);
  if ((rc & 0xFF) == SQLITE_NOTADB) text = "not a valid password, or the file is not a database (" + text + ")";
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

namespace {
// The file opened; nothing is read yet.
Handle OpenFile(const std::string& name, const std::string& what, int flags) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
  Handle db(raw);
  // Keying a handle whose open failed crashes the library: check first.
  if (rc != SQLITE_OK) throw Error(err::kEngine, what + ": " + (raw ? sqlite3_errmsg(raw) : Describe(rc)));
  sqlite3_extended_result_codes(db.get(), 1);
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  return db;
}

// Keys an encrypted file's handle for pages of `page_size`; nothing is read yet.
void KeyFor(sqlite3* db, const std::string& what, const std::string& key, int page_size) {
  if (key.empty()) return;
  if (sqlite3_key(db, key.data(), static_cast<int>(key.size())) != SQLITE_OK) throw ErrorFrom(db, what);
  Exec(db, "PRAGMA cipher_page_size = " + std::to_string(page_size) + ";");
}

// A wrong key, or a wrong page size, only shows when the first page is read. Then the cache is
// sized (setting it reads the schema too, so it comes after the check): the engine's default is
// 2 MB whatever the page size, at 16384-byte pages a quarter of the pages it held at 4096, and
// with 8 MB statements that change many rows ran 10-18% faster.
bool ReadsSchema(sqlite3* db) {
  if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  Exec(db, "PRAGMA cache_size = " + std::to_string(kCacheKib) + ";");
  return true;
}

// The page size in the header of the rollback journal beside `file` (a journal's header is not
// encrypted); 0 when there is no journal or it has no valid header.
int JournalPageSize(const fs::path& file) {
  static constexpr unsigned char kMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
  unsigned char header[28];
  if (platform::ReadFileHead(file.string() + "-journal", header, sizeof header) != sizeof header ||
      !std::equal(std::begin(kMagic), std::end(kMagic), header))
    return 0;
  return header[24] << 24 | header[25] << 16 | header[26] << 8 | header[27];
}

}  // namespace

Handle Open(const fs::path& file, const std::string& password, OpenMode mode) {
  const std::string name = file.string();
  const std::string what = "Cannot open database '" + name + "'";
  std::error_code ec;
  const auto status = fs::status(file, ec);
  if (mode != OpenMode::kCreate && !fs::exists(status))
    throw Error(err::kEngine, "Could not find file '" + name + "'.");
  // Anything but a regular file is refused before the engine opens it: a FIFO would block the open.
  if (fs::is_directory(status)) throw Error(err::kEngine, what + ": it is a folder, not a database file.");
  if (fs::exists(status) && !fs::is_regular_file(status))
    throw Error(err::kEngine, what + ": it is a device, a pipe or another special file, not a database file.");
  // The engine writes its journal beside the file, and rolls back what it finds there.
  const fs::path journal = name + "-journal";
  if (fs::exists(fs::symlink_status(journal, ec)) && !fs::is_regular_file(fs::status(journal, ec)))
    throw Error(err::kEngine,
                what + ": '" + journal.filename().string() +
                    "' beside it is not a journal file (a folder, a pipe, a device or a link to nothing). "
                    "Move it away.");
  if (mode != OpenMode::kCreate) {
    // The engine would take an empty file for a new database and write into it.
    if (fs::file_size(file, ec) == 0 && !ec) throw Error(err::kEngine, what + ": the file is empty, not a database.");
  }
  const int flags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX | (mode != OpenMode::kExisting ? SQLITE_OPEN_CREATE : 0);
  Handle db = OpenFile(name, what, flags);
  // No password means a plain file, as a database without a password is; it records its own page
  // size. An existing file's key is derived once per process (see derived_keys.h).
  const std::optional<crypto::Salt> salt = !password.empty() && fs::exists(status) ? SaltOf(db.get()) : std::nullopt;
  std::string key = salt ? crypto::RawKeyText(password, *salt, false) : password;
  const platform::WipedOnExit wipe(key);
  // The size we write goes first, as every file created or compacted here has it; a file from
  // before costs one more page read with the same key. But a journal left by a writer that died
  // is rolled back at the first read in its own page size, and the engine overruns its page
  // buffers when the cipher's size differs: a legacy journal puts the legacy size first.
  const bool legacy_first = salt && JournalPageSize(file) == kLegacyPageSize;
  KeyFor(db.get(), what, key, legacy_first ? kLegacyPageSize : kPageSize);
  if (ReadsSchema(db.get())) return db;
  if (salt && (sqlite3_extended_errcode(db.get()) & 0xFF) == SQLITE_NOTADB) {
    db = OpenFile(name, what, flags);
    KeyFor(db.get(), what, key, legacy_first ? kPageSize : kLegacyPageSize);
    if (ReadsSchema(db.get())) return db;
  }
  throw ErrorFrom(db.get(), what);
}

std::optional<crypto::Salt> SaltOf(sqlite3* db) {
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods)
    return std::nullopt;
  sqlite3_int64 size = 0;
  crypto::Salt salt{};
  if (file->pMethods->xFileSize(file, &size) != SQLITE_OK || size < static_cast<sqlite3_int64>(salt.size()) ||
      file->pMethods->xRead(file, salt.data(), static_cast<int>(salt.size()), 0) != SQLITE_OK)
    return std::nullopt;
  return salt;
}

Handle CreateWithSalt(const fs::path& file, const std::string& password, const crypto::Salt& salt) {
  const std::string what = "Cannot create database '" + file.string() + "'";
  std::error_code ec;
  if (fs::exists(fs::symlink_status(file, ec)))
    throw Error(err::kEngine, what + ": a file of that name already exists.");
  // The engine would create it readable by anyone the umask allows.
  if (std::error_code create_ec = platform::CreatePrivateFile(file))
    throw Error(err::kEngine, what + " (" + create_ec.message() + ").");
  std::string key = crypto::RawKeyText(password, salt, true);
  const platform::WipedOnExit wipe(key);
  // One thread writes a new copy: no locking of the handle on every call.
  Handle db = OpenFile(file.string(), what, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
  KeyFor(db.get(), what, key, kPageSize);
  if (!ReadsSchema(db.get())) throw ErrorFrom(db.get(), what);
  return db;
}

}  // namespace ornetta::engine
