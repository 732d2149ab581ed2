#include "data/crypto/derived_keys.h"

#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <utility>

#include "data/crypto/pbkdf2.h"
#include "platform/regular_file.h"
#include "platform/secret_memory.h"

namespace ornetta::crypto {

namespace {
// The engine's defaults for our file format: these must match it exactly, or every raw key is
// refused as a wrong password (the tests open files made each way with the other).
constexpr int kKdfIterations = 64000;
constexpr size_t kKeyBytes = 32;

static_assert(std::tuple_size_v<Key> == kKeyBytes);
using PasswordDigest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

struct Entry {
  Key key{};
  bool ready = false;  // false while one thread derives it; others wait rather than derive it again
};

using CacheKey = std::pair<PasswordDigest, Salt>;

struct Cache {
  std::mutex mutex;
  std::condition_variable derived_one;
  // By a digest: the password itself is not kept. The keys live in locked pages, out of swap and
  // core dumps, wiped when dropped.
  std::map<CacheKey, Entry, std::less<CacheKey>, platform::LockedAllocator<std::pair<const CacheKey, Entry>>> keys;
  long derived = 0;
};

// Never destroyed: a preparation still deriving when the program ends at once must not find it gone.
Cache& TheCache() {
  static Cache* cache = new Cache;
  return *cache;
}

void AppendHex(std::string& out, const unsigned char* bytes, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
}
}  // namespace

std::optional<Salt> ReadSalt(const std::filesystem::path& file) {
  Salt salt{};
  if (platform::ReadFileHead(file, salt.data(), salt.size()) != static_cast<long>(salt.size())) return std::nullopt;
  return salt;
}

Key DerivedKey(const std::string& password, const Salt& salt) {
  PasswordDigest digest{};
  SHA256(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest.data());
  Cache& cache = TheCache();
  Key key{};
  std::unique_lock lock(cache.mutex);
  auto [it, first] = cache.keys.try_emplace({digest, salt});
  if (!first) {
    cache.derived_one.wait(lock, [&entry = it->second] { return entry.ready; });
    return it->second.key;
  }
  lock.unlock();
  Pbkdf2HmacSha1(password, salt.data(), salt.size(), kKdfIterations, key.data(), key.size());
  lock.lock();
  it->second.key = key;
  it->second.ready = true;
  ++cache.derived;
  cache.derived_one.notify_all();
  return key;
}

std::string RawKeyText(const std::string& password, const Salt& salt, bool set_salt) {
  Key key = DerivedKey(password, salt);
  std::string text = "x'";
  text.reserve(3 + 2 * (key.size() + salt.size()));
  AppendHex(text, key.data(), key.size());
  if (set_salt) AppendHex(text, salt.data(), salt.size());
  text += "'";
  OPENSSL_cleanse(key.data(), key.size());
  return text;
}

KeyPreparation::KeyPreparation(const std::vector<std::filesystem::path>& files, const std::string& password) {
  std::vector<Salt> salts;
  for (const auto& file : files)
    if (const std::optional<Salt> salt = ReadSalt(file)) salts.push_back(*salt);
  if (salts.empty()) return;
  thread_ = std::thread([password = std::string(password), salts = std::move(salts)]() mutable {
    for (const Salt& salt : salts) {
      std::string text = RawKeyText(password, salt, false);
      WipeKeyText(text);
    }
    platform::WipeString(password);
  });
}

KeyPreparation::~KeyPreparation() {
  if (thread_.joinable()) thread_.join();
}

void WipeKeyText(std::string& text) { platform::WipeString(text); }

long KeysDerived() {
  std::lock_guard lock(TheCache().mutex);
  return TheCache().derived;
}

void ForgetDerivedKeys() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  for (auto it = cache.keys.begin(); it != cache.keys.end();) {
    if (!it->second.ready) {  // being derived: its thread writes into it
      ++it;
      continue;
    }
    OPENSSL_cleanse(it->second.key.data(), it->second.key.size());
    it = cache.keys.erase(it);
  }
}

}  // namespace ornetta::crypto
