// PBKDF2-HMAC-SHA1, the engine's key derivation, several times faster than OpenSSL's general one.
//
// The engine derives a file's key with 64,000 rounds; start-up needs two keys before the window
// can show an open year database. OpenSSL's PKCS5_PBKDF2_HMAC_SHA1 goes through its generic
// HMAC layer for every round. Here the two HMAC pads are hashed once, and each round is two SHA-1
// block transforms on prepared blocks: on the processor's SHA instructions where it has them, two
// output blocks at once, else on OpenSSL's block transform. The result is the same bytes (RFC 6070
// vectors in tests).
#pragma once

#include <cstddef>
#include <string_view>

namespace ornetta::crypto {

// Writes `out_size` bytes of PBKDF2-HMAC-SHA1(password, salt, iterations) to `out`.
// `iterations` must be at least 1. `sha_instructions` false keeps to the portable transform
// (tests check that both give the same bytes).
void Pbkdf2HmacSha1(std::string_view password, const unsigned char* salt, size_t salt_size, int iterations,
                    unsigned char* out, size_t out_size, bool sha_instructions = true);

}  // namespace ornetta::crypto
