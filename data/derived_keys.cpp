#include "data/derived_keys.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

namespace ornetta::engine {

namespace {
// The engine's defaults for our file format: these must match it exactly, or every raw key is
// refused as a wrong password (the tests open files made each way with the other).
constexpr int kKdfIterations = 64000;
constexpr size_t kKeyBytes = 32;

using Key = std::array<unsigned char, kKeyBytes>;
using PasswordDigest = std::array<unsigned char, SHA256_DIGEST_LENGTH>;

struct Cache {
  std::mutex mutex;
  std::map<std::pair<PasswordDigest, Salt>, Key> keys;  // by a digest: the password itself is not kept
  long derived = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
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
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return std::nullopt;
  Salt salt{};
  const bool whole = std::fread(salt.data(), 1, salt.size(), f) == salt.size();
  std::fclose(f);
  if (!whole) return std::nullopt;
  return salt;
}

std::string RawKeyText(const std::string& password, const Salt& salt, bool set_salt) {
  PasswordDigest digest{};
  SHA256(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest.data());
  Cache& cache = TheCache();
  Key key{};
  {
    std::lock_guard lock(cache.mutex);
    auto it = cache.keys.find({digest, salt});
    if (it != cache.keys.end()) key = it->second;
  }
  if (key == Key{}) {
    // Derived outside the lock: two threads may both derive the same key, which is harmless.
    PKCS5_PBKDF2_HMAC_SHA1(password.data(), static_cast<int>(password.size()), salt.data(), static_cast<int>(salt.size()),
                           kKdfIterations, static_cast<int>(key.size()), key.data());
    std::lock_guard lock(cache.mutex);
    cache.keys[{digest, salt}] = key;
    ++cache.derived;
  }
  std::string text = "x'";
  text.reserve(3 + 2 * (key.size() + salt.size()));
  AppendHex(text, key.data(), key.size());
  if (set_salt) AppendHex(text, salt.data(), salt.size());
  text += "'";
  OPENSSL_cleanse(key.data(), key.size());
  return text;
}

void WipeKeyText(std::string& text) {
  OPENSSL_cleanse(text.data(), text.size());
  text.clear();
}

long KeysDerived() {
  std::lock_guard lock(TheCache().mutex);
  return TheCache().derived;
}

void ForgetDerivedKeys() {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  for (auto& [id, key] : cache.keys) OPENSSL_cleanse(key.data(), key.size());
  cache.keys.clear();
}

}  // namespace ornetta::engine
