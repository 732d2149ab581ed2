#include "repair/salvage/cipher_pages.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/params.h>

#include <algorithm>
#include <cstring>

#include "data/engine/engine.h"
#include "data/crypto/pbkdf2.h"

namespace ornetta::repair::salvage {

std::optional<crypto::Salt> SaltOf(const PageFile& file) {
  crypto::Salt salt{};
  if (file.Size() < salt.size() || !file.Read(0, salt.data(), salt.size())) return std::nullopt;
  return salt;
}

namespace {
constexpr size_t kSaltBytes = 16;
constexpr size_t kIvBytes = 16;
constexpr size_t kHmacBytes = 20;
constexpr int kHmacRounds = 2;
constexpr unsigned char kHmacSaltMask = 0x3a;
constexpr uint32_t kProbePages = 8;             // pages tried for each page size before a key is given up
const char kPlainHeader[] = "SQLite format 3";  // with its NUL: the 16 bytes the salt stands in for
}  // namespace

CipherPages::CipherPages(const PageFile& file, const crypto::Key& key, const crypto::Salt& salt, int page_size)
    : file_(file), key_(key), salt_(salt), page_size_(page_size) {
  crypto::Salt hmac_salt = salt;
  for (unsigned char& b : hmac_salt) b ^= kHmacSaltMask;
  crypto::Pbkdf2HmacSha1(std::string_view(reinterpret_cast<const char*>(key.data()), key.size()), hmac_salt.data(),
                         hmac_salt.size(), kHmacRounds, hmac_key_.data(), hmac_key_.size());
  const uint64_t size = file.Size();
  page_count_ = static_cast<uint32_t>(std::min<uint64_t>((size + page_size - 1) / page_size, UINT32_MAX));
  cipher_ = EVP_CIPHER_CTX_new();
  mac_ = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
  raw_.resize(page_size);
}

CipherPages::~CipherPages() {
  OPENSSL_cleanse(key_.data(), key_.size());
  OPENSSL_cleanse(hmac_key_.data(), hmac_key_.size());
  EVP_CIPHER_CTX_free(cipher_);
  EVP_MAC_free(mac_);
}

std::unique_ptr<CipherPages> CipherPages::Open(const PageFile& file, const std::string& password,
                                               const crypto::Salt& salt) {
  crypto::Key key = crypto::DerivedKey(password, salt);
  std::vector<unsigned char> page;
  for (int size : {engine::kPageSize, engine::kLegacyPageSize}) {
    std::unique_ptr<CipherPages> pages(new CipherPages(file, key, salt, size));
    const uint32_t probes = std::min(pages->page_count(), kProbePages);
    for (uint32_t pgno = 1; pgno <= probes; ++pgno) {
      if (pages->Read(pgno, page)) {
        OPENSSL_cleanse(key.data(), key.size());
        OPENSSL_cleanse(page.data(), page.size());
        return pages;
      }
    }
  }
  OPENSSL_cleanse(key.data(), key.size());
  return nullptr;
}

bool CipherPages::Authentic(uint32_t pgno, const unsigned char* data, size_t size) const {
  if (!mac_) return false;
  EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(mac_);
  if (!ctx) return false;
  char digest_name[] = "SHA1";
  const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest_name, 0),
                               OSSL_PARAM_construct_end()};
  const unsigned char number[4] = {static_cast<unsigned char>(pgno), static_cast<unsigned char>(pgno >> 8),
                                   static_cast<unsigned char>(pgno >> 16), static_cast<unsigned char>(pgno >> 24)};
  unsigned char mac[EVP_MAX_MD_SIZE];
  size_t mac_size = 0;
  const bool ok = EVP_MAC_init(ctx, hmac_key_.data(), hmac_key_.size(), params) &&
                  EVP_MAC_update(ctx, data, size + kIvBytes) && EVP_MAC_update(ctx, number, sizeof number) &&
                  EVP_MAC_final(ctx, mac, &mac_size, sizeof mac) && mac_size >= kHmacBytes &&
                  CRYPTO_memcmp(mac, data + size + kIvBytes, kHmacBytes) == 0;
  EVP_MAC_CTX_free(ctx);
  return ok;
}

bool CipherPages::Read(uint32_t pgno, std::vector<unsigned char>& page) const {
  page.assign(page_size_, 0);
  if (pgno == 0 || pgno > page_count_) return false;
  if (!file_.Read(static_cast<uint64_t>(pgno - 1) * page_size_, raw_.data(), raw_.size())) return false;
  // Page 1 keeps its salt in the clear: what is encrypted starts after it.
  const size_t offset = pgno == 1 ? kSaltBytes : 0;
  const unsigned char* in = raw_.data() + offset;
  const size_t size = page_size_ - offset - kReservedBytes;
  if (!Authentic(pgno, in, size)) return false;
  int out = 0, tail = 0;
  const bool ok = EVP_DecryptInit_ex(cipher_, EVP_aes_256_cbc(), nullptr, key_.data(), in + size) &&
                  EVP_CIPHER_CTX_set_padding(cipher_, 0) &&
                  EVP_DecryptUpdate(cipher_, page.data() + offset, &out, in, static_cast<int>(size)) &&
                  EVP_DecryptFinal_ex(cipher_, page.data() + offset + out, &tail);
  if (!ok) {
    OPENSSL_cleanse(page.data(), page.size());
    return false;
  }
  if (pgno == 1) std::memcpy(page.data(), kPlainHeader, kSaltBytes);
  return true;
}

}  // namespace ornetta::repair::salvage
