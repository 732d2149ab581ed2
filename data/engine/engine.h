// The base of the engine layer: SQLCipher handles opened with the database password and the
// settings of our file format. Connection, the compaction, the repair's checks, the salvage's
// rebuild and the tools open and create files through it.
//
// File format: an SQLCipher database (AES-256, HMAC per page, PBKDF2 key derivation with
// SQLCipher's defaults) with 16384-byte pages. The page size is not recorded in the encrypted
// file: an open must set it before the first read, and a wrong one fails exactly as a wrong
// password does. Files made before have 4096-byte pages; they are read as they are, and a repair
// rewrites them in the current size.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "data/values/error.h"

namespace ornetta::engine {

// The crypto layer's cost is mostly per page (cipher set-up, IV, HMAC): a file of 16384-byte pages
// compacts in about a third less time than one of 4096-byte pages; larger pages gain nothing more.
constexpr int kPageSize = 16384;       // every file we create or compact
constexpr int kLegacyPageSize = 4096;  // files written before
// How long an open or a statement waits for another program's write transaction (a colleague
// saving) to end before the database counts as locked.
constexpr int kBusyTimeoutMs = 5000;
constexpr int kCacheKib = -8192;  // the engine's page cache per connection, in KiB (negative)

struct HandleCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Handle = std::unique_ptr<sqlite3, HandleCloser>;

enum class OpenMode {
  kExisting,       // the file must exist and be a database
  kCompactSource,  // as kExisting, and the handle may ATTACH (create) a new destination file
  kCreate,         // create the file when it does not exist
};

// Opens the file with the password and checks that the password fits by reading the schema; an
// existing encrypted file opens in either page size. Throws Error(err::kEngine) with a readable
// description: a missing file, an empty file, a folder, a wrong password or a damaged file each
// say so.
Handle Open(const std::filesystem::path& file, const std::string& password, OpenMode mode = OpenMode::kExisting);

// Creates the new encrypted file `file` (which must not exist) with the password's key for `salt`:
// a rebuilt copy keeps its source's salt, and so its key. Throws Error(err::kEngine).
Handle CreateWithSalt(const std::filesystem::path& file, const std::string& password,
                      const std::array<unsigned char, 16>& salt);

// The salt at the start of the encrypted file under `db`, read through the engine's own descriptor:
// the engine's locks are the process's, and opening and closing the file anywhere else in this
// process would drop them (a database held by a repair would no longer be). None when too short.
std::optional<std::array<unsigned char, 16>> SaltOf(sqlite3* db);

// Runs SQL that returns no rows (several statements allowed); throws Error on failure.
void Exec(sqlite3* db, const std::string& sql);

// The engine's error on `db` as an Error, prefixed by what was being done.
Error ErrorFrom(sqlite3* db, const std::string& doing);

// The engine's description of its own result code.
std::string Describe(int rc);

}  // namespace ornetta::engine
