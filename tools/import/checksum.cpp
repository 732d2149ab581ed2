#include "tools/import/checksum.h"

#include <cstdio>

namespace ornetta::import {

namespace {

// FNV-1a, 64 bits, from two starting values; each row's hash is then mixed (SplitMix64's finaliser)
// so that sums of similar rows do not cancel out.
constexpr uint64_t kPrime = 0x100000001b3ULL;

inline uint64_t Mix(uint64_t x) {
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ULL;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

struct Hash {
  uint64_t h;
  void Byte(unsigned char c) { h = (h ^ c) * kPrime; }
  void Bytes(const std::string& s) {
    for (unsigned char c : s) Byte(c);
  }
  void Length(uint64_t n) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned char>(n >> (8 * i)));
  }
};

}  // namespace

void TableChecksum::AddRow(const std::vector<std::optional<std::string>>& values) {
  Hash a{0xcbf29ce484222325ULL}, b{0x84222325cbf29ce4ULL};
  for (const auto& v : values) {
    // A Null, an empty text and a text of the same bytes as another column's must all differ.
    for (Hash* h : {&a, &b}) {
      h->Byte(v ? 1 : 0);
      if (v) {
        h->Length(v->size());
        h->Bytes(*v);
      }
    }
  }
  sum_[0] += Mix(a.h);
  sum_[1] += Mix(b.h ^ 0x9e3779b97f4a7c15ULL);
  ++rows_;
}

std::string TableChecksum::Hex() const {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%016llx%016llx", static_cast<unsigned long long>(sum_[0]),
                static_cast<unsigned long long>(sum_[1]));
  return buf;
}

}  // namespace ornetta::import
