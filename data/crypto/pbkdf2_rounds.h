// The inner loop of PBKDF2-HMAC-SHA1 (data/crypto/pbkdf2.h), where all its time goes: each round hashes
// the last round's 20-byte result under the HMAC's two pads, two SHA-1 blocks per round.
#pragma once

#include <array>
#include <cstdint>

namespace ornetta::crypto::pbkdf2 {

using Sha1State = std::array<uint32_t, 5>;  // SHA-1 chaining words; also a digest as big-endian words

// Runs `rounds` rounds for `lanes` (1 or 2) independent output blocks: u[i] is the last result of
// lane i and t[i] the XOR of all its results, both updated. `inner`/`outer` are the states after
// the pad blocks.
void RoundsPortable(const Sha1State& inner, const Sha1State& outer, Sha1State* u, Sha1State* t, int lanes, int rounds);

// The same on the processor's SHA instructions, two lanes interleaved; only when ShaInstructions().
void RoundsShaNi(const Sha1State& inner, const Sha1State& outer, Sha1State* u, Sha1State* t, int lanes, int rounds);
bool ShaInstructions();

}  // namespace ornetta::crypto::pbkdf2
