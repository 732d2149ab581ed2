// The key derivation must give the engine's bytes exactly, or every kept key is a wrong password.
// Expected values: RFC 6070, and Python's hashlib.pbkdf2_hmac for the engine's 64,000 rounds and
// for passwords of a block and longer (HMAC hashes a key longer than a block first).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/crypto/pbkdf2.h"

namespace ornetta::crypto {
namespace {

std::string Hex(const std::vector<unsigned char>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
  return out;
}

// Both ways of running the rounds must give the same bytes: the SHA instructions where this
// processor has them, and the portable transform that other processors use.
std::string Derive(const std::string& password, const std::string& salt, int iterations, size_t size) {
  std::string results[2];
  for (bool sha_instructions : {true, false}) {
    std::vector<unsigned char> out(size);
    Pbkdf2HmacSha1(password, reinterpret_cast<const unsigned char*>(salt.data()), salt.size(), iterations, out.data(),
                   out.size(), sha_instructions);
    results[sha_instructions] = Hex(out);
  }
  EXPECT_EQ(results[true], results[false]) << "the two implementations differ";
  return results[true];
}

TEST(Pbkdf2Test, GivesTheStandardBytes) {
  // RFC 6070: one, two and 4096 rounds; output over one digest; NULs in password and salt.
  EXPECT_EQ(Derive("password", "salt", 1, 20), "0c60c80f961f0e71f3a9b524af6012062fe037a6");
  EXPECT_EQ(Derive("password", "salt", 2, 20), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
  EXPECT_EQ(Derive("password", "salt", 4096, 20), "4b007901b765489abead49d926f721d065a429c1");
  EXPECT_EQ(Derive("passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096, 25),
            "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038");
  EXPECT_EQ(Derive(std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096, 16),
            "56fa6aa75548099dcc37d7f03425e0c3");
}

TEST(Pbkdf2Test, GivesTheEnginesKeyForLongPasswordsAndFullRounds) {
  std::string salt;
  for (char c = 0; c < 16; ++c) salt += c;
  EXPECT_EQ(Derive(std::string(100, 'x'), salt, 64000, 32),
            "80361ec9246a3c588b6a32b31f9adf5c6e1681448d1185d48aa5e9886b74106f");
  EXPECT_EQ(Derive(std::string(64, 'y'), "salt", 2, 32),
            "b305b12bab17af483e798b063c2ade2c218079c24c665732e56f1c64041128c5");
  // Three output blocks: two lanes, then one alone.
  EXPECT_EQ(Derive("password", "salt", 3, 50),
            "6b4e26125c25cf21ae35ead955f479ea2e71f6ff9e400029f04810eece31355533bb2ed348e604da707cc4562f85fe120c5c");
}

}  // namespace
}  // namespace ornetta::crypto
