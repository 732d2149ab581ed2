// Each database file's key, derived from the password once per salt and kept for the life of the
// process: the engine layer opens files with it, the salvage decrypts pages with it.
//
// The engine derives each file's key from the password and the salt in the file's first 16 bytes
// with 64,000 rounds of PBKDF2-HMAC-SHA1: about 30 ms of work every time it opens a file with the
// password, and a repair opens the same two databases a dozen times (holding, backup check,
// compaction, checks). Handing the engine the derived key itself ("raw key") opens the same file
// format without that work; the key is derived here once per salt, by data/crypto/pbkdf2.h in about
// 7 ms. The compacted copy of a database is given its source's salt, so it opens with the same key.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace ornetta::crypto {

using Salt = std::array<unsigned char, 16>;

// The salt at the start of an encrypted database file; none when the file is shorter or is not a
// regular file (a FIFO is never waited on).
std::optional<Salt> ReadSalt(const std::filesystem::path& file);

// The key text to give the engine for a file with `salt`, derived once per password and salt:
// "x'KEY'" opens an existing file; with `set_salt`, "x'KEYSALT'" also gives a new file that salt.
// The text is a secret like the password: never show it, wipe it after use (WipeKeyText).
std::string RawKeyText(const std::string& password, const Salt& salt, bool set_salt);

// The file's key itself (32 bytes), for code that reads the file's pages without the engine.
// Derived once per password and salt, as above; wipe it after use.
using Key = std::array<unsigned char, 32>;
Key DerivedKey(const std::string& password, const Salt& salt);

// Overwrites a key text before its memory is released.
void WipeKeyText(std::string& text);

// Derives the keys of `files`, in order, on a thread of its own while the caller goes on, so that
// they are ready (or being derived) when the files are opened; an open in the meantime waits for
// its key rather than deriving it again. One thread, not one per file: the caller keeps a core
// of its own. The destructor waits for the thread.
class KeyPreparation {
 public:
  KeyPreparation(const std::vector<std::filesystem::path>& files, const std::string& password);
  ~KeyPreparation();
  KeyPreparation(const KeyPreparation&) = delete;
  KeyPreparation& operator=(const KeyPreparation&) = delete;

 private:
  std::thread thread_;
};

// How many keys this process has derived itself; tests and benchmarks watch it. Forget drops
// every kept key, so that the next open derives again.
long KeysDerived();
void ForgetDerivedKeys();

}  // namespace ornetta::crypto
