#include "data/crypto/password.h"

#include <array>

#include "data/values/ansi.h"
#include "platform/process_guard.h"
#include "platform/secret_memory.h"
#include "password_config.h"

namespace ornetta::crypto {

namespace {
constexpr size_t kLength = 20;
static_assert(sizeof(ORNETTA_PASSWORD_PLAIN) == kLength + 1, "the password must be 20 characters");

// Evaluated by the compiler: the plain text never reaches the binary, only this shifted form.
constexpr std::array<unsigned char, kLength> Shift(const char (&plain)[kLength + 1]) {
  std::array<unsigned char, kLength> out{};
  for (size_t i = 0; i < kLength; ++i)
    out[i] = static_cast<unsigned char>((static_cast<unsigned char>(plain[i]) + 128) & 255);
  return out;
}

constexpr std::array<unsigned char, kLength> kStored = Shift(ORNETTA_PASSWORD_PLAIN);
}  // namespace

std::string ShiftCodes(const std::string& text) {
  std::vector<unsigned char> codes = ansi::FromUtf8(text);
  for (unsigned char& c : codes) c = static_cast<unsigned char>((c + 128) & 255);
  std::string shifted = ansi::ToUtf8(codes);
  platform::WipeBytes(codes.data(), codes.size());  // one of the two forms is the password
  return shifted;
}

std::string StoredPasswordConstant() {
  // Every way to the password starts here: from now on this process's memory stays its own.
  static const bool kept_private = (platform::KeepMemoryPrivate(), true);
  (void)kept_private;
  return ansi::ToUtf8(std::vector<unsigned char>(kStored.begin(), kStored.end()));
}

}  // namespace ornetta::crypto
