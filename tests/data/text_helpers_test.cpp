// The character shift behind the database password, field picking, and the values and dates
// the data layer hands out.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "data/values/ansi.h"
#include "data/clsProd.h"
#include "data/values/datetime.h"
#include "data/crypto/password.h"
#include "data/values/ascii_case.h"
#include "data/values/sql_quoting.h"
#include "data/values/utf8.h"
#include "tests/support/recording_host.h"

namespace ornetta {
namespace {

using testing::RecordingHost;

class TextHelpersTest : public ::testing::Test {
 protected:
  RecordingHost host{"/nonexistent"};
  clsProd prod{host};
};

// Names and keywords change case in ASCII letters only: a UTF-8 text's bytes, and a single byte of
// another code page, stay as they are whatever the process's locale.
TEST(AsciiCaseTest, OnlyAsciiLettersChangeCase) {
  EXPECT_EQ(AsciiUpper("dbStart.mdb \xC3\xA9\xE9"), "DBSTART.MDB \xC3\xA9\xE9");
  EXPECT_EQ(AsciiLower("DB2026_27.MDB \xC3\x89\xC9"), "db2026_27.mdb \xC3\x89\xC9");
  EXPECT_TRUE(
      EqualIgnoringAsciiCase("Stra\xC3\x9F"
                             "e",
                             "STRA\xC3\x9F"
                             "E"));
  EXPECT_FALSE(EqualIgnoringAsciiCase("\xC3\xA9", "\xC3\x89"));  // é and É: not ASCII
  EXPECT_FALSE(EqualIgnoringAsciiCase("ab", "abc"));
}

// A name or text with both kinds of quote, and SQL inside it, comes back from the engine as it was
// written: nothing in it ends the literal early.
TEST(SqlQuotingTest, NamesAndTextReachTheEngineAsWritten) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  const std::string table = "Bob's \"best\" table", column = "a\"\"b'";
  const std::string text = "it's \"quoted\"'); DROP TABLE t; --";
  const std::string sql = "CREATE TABLE " + QuotedName(table) + " (" + QuotedName(column) + " TEXT); INSERT INTO " +
                          QuotedName(table) + " VALUES (" + QuotedText(text) + ");";
  ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  sqlite3_stmt* st = nullptr;
  const std::string select =
      "SELECT " + QuotedName(column) + ", (SELECT name FROM sqlite_master) FROM " + QuotedName(table);
  ASSERT_EQ(sqlite3_prepare_v2(db, select.c_str(), -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), text);
  EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)), table);
  EXPECT_EQ(sqlite3_step(st), SQLITE_DONE);
  sqlite3_finalize(st);
  sqlite3_close(db);
}

TEST_F(TextHelpersTest, ShiftMovesEachCodeBy128AndIsItsOwnInverse) {
  EXPECT_EQ(ansi::FromUtf8(prod.encryp_decryp("abc").AsString()), (std::vector<unsigned char>{225, 226, 227}));
  EXPECT_EQ(prod.encryp_decryp("").AsString(), "");
  // Every code of the page, including the five it leaves undefined, comes back.
  std::vector<unsigned char> all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<unsigned char>(c));
  const std::string text = ansi::ToUtf8(all);
  const std::string shifted = prod.encryp_decryp(text).AsString();
  EXPECT_EQ(utf8::Length(shifted), 255u);
  EXPECT_EQ(prod.encryp_decryp(shifted).AsString(), text);
  // "€" is 0x80 in the page: it becomes NUL... and a NUL becomes "€".
  EXPECT_EQ(ansi::FromUtf8(prod.encryp_decryp("\xE2\x82\xAC").AsString()), std::vector<unsigned char>{0});
  // Outside the page: '?' (63) shifted.
  EXPECT_EQ(ansi::FromUtf8(prod.encryp_decryp("\xE4\xB8\xAD").AsString()), std::vector<unsigned char>{63 + 128});
}

TEST_F(TextHelpersTest, ShiftOverflowsAt32767Characters) {
  EXPECT_NO_THROW(prod.encryp_decryp(std::string(32766, 'a')));
  for (size_t n : {32767u, 32768u, 40000u}) {
    try {
      prod.encryp_decryp(std::string(n, 'a'));
      ADD_FAILURE() << n << " characters did not overflow";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), 6);
    }
  }
  // Characters, not bytes, count: 20000 two-byte characters are fine.
  std::string wide;
  for (int i = 0; i < 20000; ++i) wide += "\xC3\xA9";
  EXPECT_NO_THROW(prod.encryp_decryp(wide));
}

TEST_F(TextHelpersTest, PasswordIsStoredShiftedAndIsTwentyCharacters) {
  const std::string stored = crypto::StoredPasswordConstant();
  const std::string password = prod.encryp_decryp(stored).AsString();
  EXPECT_EQ(utf8::Length(stored), 20u);
  EXPECT_EQ(utf8::Length(password), 20u);
  EXPECT_NE(stored, password);
}

TEST_F(TextHelpersTest, FieldPicking) {
  struct Case {
    const char* src;
    const char* sep;
    int16_t pos;
    const char* want;
  } cases[] = {
      {"a,b,c", ",", 1, "a"},
      {"a,b,c", ",", 2, "b"},
      {"a,b,c", ",", 3, "c"},
      {"a,b,c", ",", 4, ""},
      {"a,,c", ",", 2, ""},
      {"abc", ",", 1, "abc"},
      {"abc", ",", 2, ""},
      {"a,b,c", ",", -1, ""},
      {"a,b", "", 1, ""},
      {"", ",", 1, ""},
      {"x;;y;;z", ";;", 1, "x"},
      // Longer separators: a skipped field takes only the separator's first character along.
      {"x;;y;;z", ";;", 2, ";y"},
      {"aXbXc", "x", 2, ""},
      {"aXbXc", "X", 3, "c"},
      // The first character is a whole one, "é" here, and never more than the separator holds.
      {"a\xC3\xA9\xE2\x82\xAC"
       "b\xC3\xA9\xE2\x82\xAC"
       "c",
       "\xC3\xA9\xE2\x82\xAC", 2,
       "\xE2\x82\xAC"
       "b"},
      {"a\xFF"
       "bcd\xFF"
       "e",
       "\xFF", 2, "bcd"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(prod.Str_Split_Using_Separator(c.src, c.sep, c.pos), c.want)
        << c.src << " sep " << c.sep << " pos " << c.pos;
  EXPECT_TRUE(host.messages.empty());

  EXPECT_EQ(prod.Str_Split_Using_Separator("a,b,c", ",", 0), "");
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Position Error");
  EXPECT_EQ(host.messages[0].icon, 0);
  EXPECT_EQ(host.messages[0].title, "TARVIK - ORNETTA");
}

TEST_F(TextHelpersTest, FieldPickingCountsPast32767Fields) {
  std::string many;
  for (int i = 0; i < 33000; ++i) many += "x,";
  EXPECT_THROW(prod.Str_Split_Using_Separator(many, ",", -1), Error);
  EXPECT_EQ(prod.Str_Split_Using_Separator(many, ",", 32767), "x");
}

TEST(VariantTest, DefaultTextOfEachType) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant::MakeInteger(0).ToText(), "0");
  EXPECT_EQ(Variant::MakeLong(2017).ToText(), "2017");
  EXPECT_EQ(Variant::MakeDouble(1.5).ToText(), "1.5");
  EXPECT_EQ(Variant::MakeDouble(0.1 + 0.2).ToText(), "0.3");
  EXPECT_EQ(Variant::MakeDouble(1e20).ToText(), "1E+20");
  EXPECT_EQ(Variant::MakeBoolean(true).ToText(), "True");
  EXPECT_EQ(Variant::MakeDate(SerialFromCivil({2026, 12, 9})).ToText(), "2026-12-09");
  EXPECT_EQ(Variant::MakeDate(SerialFromCivil({2026, 12, 9, 13, 5, 7})).ToText(), "2026-12-09 13:05:07");
  EXPECT_THROW(Variant::MakeNull().ToText(), Error);
  EXPECT_NE(Variant::MakeInteger(0), Variant::MakeLong(0));
}

TEST(DateTest, SerialsAndStoredText) {
  EXPECT_EQ(DaysFromCivil(1899, 12, 30), 0);
  EXPECT_EQ(DaysFromCivil(1900, 1, 1), 2);
  EXPECT_EQ(DaysFromCivil(2026, 12, 9), 46365);
  const CivilDateTime back = CivilFromSerial(SerialFromCivil({2024, 2, 29, 23, 59, 59}));
  EXPECT_EQ(FormatStoredDate(back), "2024-02-29 23:59:59");
  EXPECT_TRUE(ParseStoredDate("2026-12-09"));
  EXPECT_TRUE(ParseStoredDate("2026-12-09 10:30"));
  for (const char* bad : {"2026-02-30", "2026-13-01", "2026-12-09 24:00:00", "12/09/2026", "2026-12-09x", ""})
    EXPECT_FALSE(ParseStoredDate(bad)) << bad;
}

}  // namespace
}  // namespace ornetta
