// The pages of an encrypted database file, each decrypted and authenticated on its own.
//
// File format (the engine's, with HMAC): the first 16 bytes of page 1 are the salt, in the clear;
// every page ends in 48 reserved bytes: the IV (16), an HMAC-SHA1 (20) and 12 unused. The page is
// AES-256-CBC under the file's key; the HMAC, under a key derived from the file's key and the salt
// (each byte XOR 0x3a, 2 rounds of PBKDF2-HMAC-SHA1), covers the ciphertext, the IV and the page
// number (4 bytes, little-endian). A page whose HMAC does not match is lost: bytes decrypted from
// it are never handed out. Decrypted pages live only in memory.
#pragma once

#include <openssl/evp.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/crypto/derived_keys.h"
#include "repair/salvage/page_file.h"

namespace ornetta::repair::salvage {

constexpr int kReservedBytes = 48;

// The salt in the clear at the start of `file`; none when the file is shorter.
std::optional<crypto::Salt> SaltOf(const PageFile& file);

class CipherPages {
 public:
  // Finds the page size at which pages of `file` authenticate with the key of `password` and
  // `salt`; none when no page among the first few does (a wrong salt, or pages all lost).
  static std::unique_ptr<CipherPages> Open(const PageFile& file, const std::string& password, const crypto::Salt& salt);
  ~CipherPages();
  CipherPages(const CipherPages&) = delete;
  CipherPages& operator=(const CipherPages&) = delete;

  int page_size() const { return page_size_; }
  int usable_size() const { return page_size_ - kReservedBytes; }
  const crypto::Salt& salt() const { return salt_; }
  // Pages the file holds; a last partial page counts (it is lost).
  uint32_t page_count() const { return page_count_; }

  // Decrypts page `pgno` (from 1) into `page` (page_size bytes; page 1 with the plain header's
  // first 16 bytes in place of the salt). False, with `page` cleared, when the page is beyond the
  // file's end or fails authentication.
  bool Read(uint32_t pgno, std::vector<unsigned char>& page) const;

 private:
  CipherPages(const PageFile& file, const crypto::Key& key, const crypto::Salt& salt, int page_size);
  bool Authentic(uint32_t pgno, const unsigned char* data, size_t size) const;

  const PageFile& file_;
  crypto::Key key_;
  crypto::Key hmac_key_;
  crypto::Salt salt_;
  int page_size_;
  uint32_t page_count_;
  EVP_CIPHER_CTX* cipher_;
  EVP_MAC* mac_;
  mutable std::vector<unsigned char> raw_;
};

}  // namespace ornetta::repair::salvage
