#include "data/crypto/pbkdf2.h"

// The SHA-1 block transform and its state are OpenSSL's low-level interface, deprecated in 3.0
// but kept.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/crypto.h>
#include <openssl/sha.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "data/crypto/pbkdf2_rounds.h"

namespace ornetta::crypto {

namespace pbkdf2 {
namespace {
constexpr size_t kBlock = 64;   // SHA-1 block
constexpr size_t kDigest = 20;  // SHA-1 digest

Sha1State StateOf(const SHA_CTX& ctx) { return {ctx.h0, ctx.h1, ctx.h2, ctx.h3, ctx.h4}; }

void SetState(SHA_CTX& ctx, const Sha1State& s) {
  ctx.h0 = s[0], ctx.h1 = s[1], ctx.h2 = s[2], ctx.h3 = s[3], ctx.h4 = s[4];
}

Sha1State WordsOf(const unsigned char* bytes) {
  Sha1State w{};
  for (int i = 0; i < 5; ++i)
    w[i] = uint32_t{bytes[4 * i]} << 24 | uint32_t{bytes[4 * i + 1]} << 16 | uint32_t{bytes[4 * i + 2]} << 8 |
           bytes[4 * i + 3];
  return w;
}

void BytesOf(const Sha1State& w, unsigned char* bytes) {
  for (int i = 0; i < 5; ++i) {
    bytes[4 * i] = static_cast<unsigned char>(w[i] >> 24);
    bytes[4 * i + 1] = static_cast<unsigned char>(w[i] >> 16);
    bytes[4 * i + 2] = static_cast<unsigned char>(w[i] >> 8);
    bytes[4 * i + 3] = static_cast<unsigned char>(w[i]);
  }
}
}  // namespace

void RoundsPortable(const Sha1State& inner, const Sha1State& outer, Sha1State* u, Sha1State* t, int lanes, int rounds) {
  // Every round hashes one digest after a pad block: one final block, padded once here.
  std::array<unsigned char, kBlock> message{};
  message[kDigest] = 0x80;
  constexpr unsigned kBits = (kBlock + kDigest) * 8;
  message[kBlock - 2] = static_cast<unsigned char>(kBits >> 8);
  message[kBlock - 1] = static_cast<unsigned char>(kBits & 0xff);
  SHA_CTX ctx{};
  for (int lane = 0; lane < lanes; ++lane) {
    for (int round = 0; round < rounds; ++round) {
      BytesOf(u[lane], message.data());
      SetState(ctx, inner);
      SHA1_Transform(&ctx, message.data());
      BytesOf(StateOf(ctx), message.data());
      SetState(ctx, outer);
      SHA1_Transform(&ctx, message.data());
      u[lane] = StateOf(ctx);
      for (int j = 0; j < 5; ++j) t[lane][j] ^= u[lane][j];
    }
  }
  OPENSSL_cleanse(&ctx, sizeof ctx);
  OPENSSL_cleanse(message.data(), message.size());
}

}  // namespace pbkdf2

void Pbkdf2HmacSha1(std::string_view password, const unsigned char* salt, size_t salt_size, int iterations,
                    unsigned char* out, size_t out_size, bool sha_instructions) {
  using namespace pbkdf2;
  // HMAC's key block: the password, or its digest when longer than a block.
  std::array<unsigned char, kBlock> key{};
  if (password.size() > kBlock)
    SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), key.data());
  else
    std::memcpy(key.data(), password.data(), password.size());
  std::array<unsigned char, kBlock> pad{};
  SHA_CTX inner_ctx, outer_ctx, ctx;
  for (size_t i = 0; i < kBlock; ++i) pad[i] = key[i] ^ 0x36;
  SHA1_Init(&inner_ctx);
  SHA1_Update(&inner_ctx, pad.data(), kBlock);
  for (size_t i = 0; i < kBlock; ++i) pad[i] = key[i] ^ 0x5c;
  SHA1_Init(&outer_ctx);
  SHA1_Update(&outer_ctx, pad.data(), kBlock);
  const Sha1State inner = StateOf(inner_ctx), outer = StateOf(outer_ctx);
  const bool fast = sha_instructions && ShaInstructions();

  // Output blocks two at a time: they are independent, and the SHA instructions run two at once.
  std::array<unsigned char, kDigest> first{};
  Sha1State u[2], t[2];
  for (unsigned index = 1; out_size > 0; index += 2) {
    const int lanes = out_size > kDigest ? 2 : 1;
    for (int lane = 0; lane < lanes; ++lane) {
      const unsigned n = index + static_cast<unsigned>(lane);
      const unsigned char counter[4] = {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                        static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
      ctx = inner_ctx;
      SHA1_Update(&ctx, salt, salt_size);
      SHA1_Update(&ctx, counter, sizeof counter);
      SHA1_Final(first.data(), &ctx);
      ctx = outer_ctx;
      SHA1_Update(&ctx, first.data(), first.size());
      SHA1_Final(first.data(), &ctx);
      u[lane] = t[lane] = WordsOf(first.data());
    }
    if (fast)
      RoundsShaNi(inner, outer, u, t, lanes, iterations - 1);
    else
      RoundsPortable(inner, outer, u, t, lanes, iterations - 1);
    for (int lane = 0; lane < lanes; ++lane) {
      BytesOf(t[lane], first.data());
      const size_t n = std::min(out_size, kDigest);
      std::memcpy(out, first.data(), n);
      out += n;
      out_size -= n;
    }
  }
  // Everything here but the salt is derived from the password.
  OPENSSL_cleanse(key.data(), key.size());
  OPENSSL_cleanse(pad.data(), pad.size());
  OPENSSL_cleanse(&inner_ctx, sizeof inner_ctx);
  OPENSSL_cleanse(&outer_ctx, sizeof outer_ctx);
  OPENSSL_cleanse(&ctx, sizeof ctx);
  OPENSSL_cleanse(first.data(), first.size());
  OPENSSL_cleanse(u, sizeof u);
  OPENSSL_cleanse(t, sizeof t);
}

}  // namespace ornetta::crypto
