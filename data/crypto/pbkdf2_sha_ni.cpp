// SHA-1 on the x86 SHA extensions. This file alone is built with them enabled (data/CMakeLists.txt);
// callers check ShaInstructions() first.
#include "data/crypto/pbkdf2_rounds.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>

#include <cstddef>
#include <utility>

namespace ornetta::crypto::pbkdf2 {

namespace {
// One lane's registers: ABCD with A in the highest 32 bits, E in the highest 32 bits of e[],
// the 16 message words four to a register, W0 highest.
struct Lane {
  __m128i abcd, e[2], m[4];
};

// Rounds 4G..4G+3 with the message schedule for the rounds after them interleaved.
template <int G>
inline void Group(Lane& l) {
  if constexpr (G == 0)
    l.e[0] = _mm_add_epi32(l.e[0], l.m[0]);
  else
    l.e[G % 2] = _mm_sha1nexte_epu32(l.e[G % 2], l.m[G % 4]);
  l.e[(G + 1) % 2] = l.abcd;
  if constexpr (G >= 3 && G <= 18) l.m[(G + 1) % 4] = _mm_sha1msg2_epu32(l.m[(G + 1) % 4], l.m[G % 4]);
  l.abcd = _mm_sha1rnds4_epu32(l.abcd, l.e[G % 2], G / 5);
  if constexpr (G >= 1 && G <= 16) l.m[(G + 3) % 4] = _mm_sha1msg1_epu32(l.m[(G + 3) % 4], l.m[G % 4]);
  if constexpr (G >= 2 && G <= 17) l.m[(G + 2) % 4] = _mm_xor_si128(l.m[(G + 2) % 4], l.m[G % 4]);
}

// Compresses both lanes' message blocks into `abcd`/`e` (the chaining state, updated), interleaved
// so that one lane's instructions fill the other's latency.
template <int... G>
inline void Compress2(Lane (&lanes)[2], std::integer_sequence<int, G...>) {
  const __m128i abcd0 = lanes[0].abcd, abcd1 = lanes[1].abcd, e0 = lanes[0].e[0], e1 = lanes[1].e[0];
  ((Group<G>(lanes[0]), Group<G>(lanes[1])), ...);
  lanes[0].e[0] = _mm_sha1nexte_epu32(lanes[0].e[0], e0);
  lanes[1].e[0] = _mm_sha1nexte_epu32(lanes[1].e[0], e1);
  lanes[0].abcd = _mm_add_epi32(lanes[0].abcd, abcd0);
  lanes[1].abcd = _mm_add_epi32(lanes[1].abcd, abcd1);
}

__m128i Abcd(const Sha1State& s) {
  return _mm_set_epi32(static_cast<int>(s[0]), static_cast<int>(s[1]), static_cast<int>(s[2]), static_cast<int>(s[3]));
}
__m128i E(const Sha1State& s) { return _mm_set_epi32(static_cast<int>(s[4]), 0, 0, 0); }
}  // namespace

bool ShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d) || !(c & bit_SSSE3) || !(c & bit_SSE4_1)) return false;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return (b & bit_SHA) != 0;
}

void RoundsShaNi(const Sha1State& inner, const Sha1State& outer, Sha1State* u, Sha1State* t, int lanes, int rounds) {
  // A 20-byte message after one pad block: the digest, 0x80, zeros, and the length, 84 bytes.
  const __m128i padding = _mm_set_epi32(0, static_cast<int>(0x80000000u), 0, 0);
  const __m128i length = _mm_set_epi32(0, 0, 0, (64 + 20) * 8);
  const __m128i inner_abcd = Abcd(inner), inner_e = E(inner), outer_abcd = Abcd(outer), outer_e = E(outer);
  __m128i u_abcd[2], u_e[2], t_abcd[2], t_e[2];
  for (int i = 0; i < 2; ++i) {
    const int k = i < lanes ? i : 0;  // a single lane is computed twice and kept once
    u_abcd[i] = Abcd(u[k]), u_e[i] = E(u[k]), t_abcd[i] = Abcd(t[k]), t_e[i] = E(t[k]);
  }
  Lane l[2];
  for (int r = 0; r < rounds; ++r) {
    for (int i = 0; i < 2; ++i)
      l[i] =
          Lane{inner_abcd, {inner_e, inner_e}, {u_abcd[i], _mm_or_si128(u_e[i], padding), _mm_setzero_si128(), length}};
    Compress2(l, std::make_integer_sequence<int, 20>());
    for (int i = 0; i < 2; ++i)
      l[i] = Lane{
          outer_abcd, {outer_e, outer_e}, {l[i].abcd, _mm_or_si128(l[i].e[0], padding), _mm_setzero_si128(), length}};
    Compress2(l, std::make_integer_sequence<int, 20>());
    for (int i = 0; i < 2; ++i) {
      u_abcd[i] = l[i].abcd, u_e[i] = l[i].e[0];
      t_abcd[i] = _mm_xor_si128(t_abcd[i], u_abcd[i]), t_e[i] = _mm_xor_si128(t_e[i], u_e[i]);
    }
  }
  for (int i = 0; i < lanes; ++i) {
    alignas(16) uint32_t w[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(w), u_abcd[i]);
    u[i] = {w[3], w[2], w[1], w[0], static_cast<uint32_t>(_mm_extract_epi32(u_e[i], 3))};
    _mm_store_si128(reinterpret_cast<__m128i*>(w), t_abcd[i]);
    t[i] = {w[3], w[2], w[1], w[0], static_cast<uint32_t>(_mm_extract_epi32(t_e[i], 3))};
  }
  // The registers' copies are gone with the stack frame; the lanes' last state is wiped here.
  volatile unsigned char* p = reinterpret_cast<volatile unsigned char*>(l);
  for (size_t i = 0; i < sizeof l; ++i) p[i] = 0;
}

}  // namespace ornetta::crypto::pbkdf2

#else

namespace ornetta::crypto::pbkdf2 {
bool ShaInstructions() { return false; }
void RoundsShaNi(const Sha1State&, const Sha1State&, Sha1State*, Sha1State*, int, int) {}
}  // namespace ornetta::crypto::pbkdf2

#endif
