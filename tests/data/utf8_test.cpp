// The UTF-8 reader and writer: Unicode's rule for ill-formed bytes, every scalar value through a
// round trip, and the engine's count checked against the engine itself.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>

#include "data/values/utf8.h"

namespace ornetta {
namespace {

constexpr char32_t R = utf8::kReplacement;

std::string Hex(std::string_view s) {
  std::string out;
  char b[4];
  for (unsigned char c : s) {
    std::snprintf(b, sizeof b, "%02X ", c);
    out += b;
  }
  return out;
}

std::u32string Decoded(std::string_view s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) out += utf8::Decode(s, i);
  return out;
}

struct Case {
  const char* what;
  std::string bytes;
  std::u32string want;
};

const Case kCases[] = {
    {"one byte", "a\x7F", U"a\x7F"},
    {"two bytes, first and last", "\xC2\x80\xDF\xBF", U"\x80\x7FF"},
    {"three bytes, round the surrogates", "\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF",
     U"\x800\xD7FF\xE000\xFFFF"},
    {"four bytes, first and last", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", U"\x10000\x10FFFF"},
    {"cut short at the end", "\xE2\x82", {R}},
    {"cut short before another character",
     "\xF0\x9F\x98"
     "a",
     {R, U'a'}},
    {"cut short by a lead byte", "\xE2\xC3\xA9", {R, 0xE9}},
    {"overlong, two bytes", "\xC0\x80\xC1\xBF", {R, R, R, R}},
    {"overlong, three bytes", "\xE0\x80\xAF", {R, R, R}},
    {"overlong, four bytes", "\xF0\x8F\xBF\xBF", {R, R, R, R}},
    {"surrogates", "\xED\xA0\x80\xED\xBF\xBF", {R, R, R, R, R, R}},
    {"past U+10FFFF", "\xF4\x90\x80\x80", {R, R, R, R}},
    {"stray continuation bytes",
     "\x80"
     "a\xBF\xBF",
     {R, U'a', R, R}},
    {"bytes F5 to FF", "\xF5\x80\x80\x80\xFE\xFF", {R, R, R, R, R, R}},
    {"Unicode's own example",
     "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
     {U'a', R, R, R, U'b', R, U'c', R, R, U'd'}},
};

TEST(Utf8Test, EachMaximalIllFormedSubsequenceReadsAsOneReplacement) {
  for (const Case& c : kCases) {
    EXPECT_EQ(Decoded(c.bytes), c.want) << c.what << ": " << Hex(c.bytes);
    EXPECT_EQ(utf8::Length(c.bytes), c.want.size()) << c.what;
  }
}

TEST(Utf8Test, EveryScalarValueRoundTripsInTheShortestForm) {
  for (char32_t c = 0; c <= 0x10FFFF; c = c == 0xD7FF ? 0xE000 : c + 1) {
    std::string s;
    utf8::Append(s, c);
    const size_t shortest = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
    size_t i = 0;
    const char32_t back = utf8::Decode(s, i);
    if (back != c || i != s.size() || s.size() != shortest) {
      ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned long>(c) << " wrote " << Hex(s);
      break;
    }
  }
  for (char32_t c : {0xD800u, 0xDFFFu, 0x110000u, 0xFFFFFFFFu}) {
    std::string s;
    utf8::Append(s, c);
    EXPECT_EQ(s, "\xEF\xBF\xBD") << std::hex << static_cast<unsigned long>(c);
  }
}

// The engine's count is read from the engine: length() and the bytes that substr() keeps.
TEST(Utf8Test, TheEnginesCountIsTheEnginesOwn) {
  std::vector<std::string> texts = {"", "abc", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\x80\x80x",
                                    "\xF8\x88\x80\x80\x80x"};
  for (const Case& c : kCases) texts.push_back(c.bytes);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT length(?1), substr(?1, 1, ?2)", -1, &st, nullptr), SQLITE_OK);
  for (const std::string& s : texts) {
    const size_t n = utf8::EngineLength(s);
    for (size_t chars = 0; chars <= n + 1; ++chars) {
      sqlite3_bind_text(st, 1, s.data(), static_cast<int>(s.size()), SQLITE_STATIC);
      sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(chars));
      ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
      EXPECT_EQ(static_cast<size_t>(sqlite3_column_int64(st, 0)), n) << Hex(s);
      EXPECT_EQ(static_cast<size_t>(sqlite3_column_bytes(st, 1)), utf8::EngineOffset(s, chars))
          << Hex(s) << "first " << chars;
      sqlite3_reset(st);
    }
    EXPECT_EQ(utf8::EngineCharacters(s).size(), n) << Hex(s) << ": one value a character";
  }
  sqlite3_finalize(st);
  sqlite3_close(db);
  // Where the text is well-formed the two counts agree.
  EXPECT_EQ(utf8::EngineLength(kCases[3].bytes), utf8::Length(kCases[3].bytes));
}

TEST(Utf8Test, AnEnginesCharacterIsItsCodePointOnlyWhenWellFormed) {
  const Case cases[] = {
      {"well-formed", "a\xC3\xA9\xE2\x82\xAC", U"a\xE9\x20AC"},
      {"a stray byte after ASCII is a character",
       "a\x80"
       "b",
       {U'a', R, U'b'}},
      {"a character with a byte too many", "\xC3\xA9\x80", {R}},
      {"an overlong form", "\xC0\x80x", {R, U'x'}},
      {"a surrogate", "\xED\xA0\x80", {R}},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8::EngineCharacters(c.bytes), c.want) << c.what;
}

}  // namespace
}  // namespace ornetta
