// Jet's functions run through the translation on a real database: each call must give the value
// Jet documents, Null must pass through where Jet lets it, and a bad argument must fail with
// Jet's message.
#include <gtest/gtest.h>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

using JetFunctionTest = testing::JetDatabase;

TEST_F(JetFunctionTest, TextFunctions) {
  ExpectValues({
      {"'[' & Space(3) & ']'", "[   ]"},
      {"'[' & Space(0) & ']'", "[]"},
      {"String(5, '*')", "*****"},
      {"String(3, 'ABC')", "AAA"},
      {"String(5, 42)", "*****"},
      {"String(2, 298)", "**"},  // codes above 255 are taken modulo 256
      {"String(2, 'é')", "éé"},
      // Replace: binary by default; the result begins at start; count limits the replacements.
      {"Replace('abcabc', 'b', 'X')", "aXcaXc"},
      {"Replace('aBcabc', 'b', 'X')", "aBcaXc"},
      {"Replace('aBcabc', 'b', 'X', 1, -1, 1)", "aXcaXc"},
      {"Replace('abcabc', 'b', 'X', 3)", "caXc"},
      {"Replace('abcabc', 'b', 'X', 1, 1)", "aXcabc"},
      {"Replace('abc', '', 'X')", "abc"},
      {"Replace('abc', 'b', '')", "ac"},
      {"Replace('abc', 'b', 'X', 5)", ""},
      {"Replace('aaa', 'a', 'aa')", "aaaaaa"},
      {"Replace('héllo wörld', 'ö', 'o', 3)", "llo world"},
      {"Replace('abcabc', 'b', 'X', 1, 0)", "abcabc"},
      // StrComp: binary by default ("A" sorts before "a"), text compare ignores case.
      {"StrComp('ABCD', 'abcd', 1)", "0"},
      {"StrComp('ABCD', 'abcd', 0)", "-1"},
      {"StrComp('ABCD', 'abcd')", "-1"},
      {"StrComp('abcd', 'ABCD')", "1"},
      {"StrComp('abc', 'abc')", "0"},
      {"StrComp('b', 'a', 1)", "1"},
      // Chr and Asc speak Windows-1252.
      {"Chr(65)", "A"},
      {"Chr(128)", "€"},
      {"Chr(233)", "é"},
      {"Len(Chr(0))", "1"},
      {"Asc('Apple')", "65"},
      {"Asc('€')", "128"},
      {"Asc('é')", "233"},
      {"Asc('ж')", "63"},
  });
}

// Text that is not well-formed UTF-8 (written by another program) counts as the engine counts it:
// Len, InStr and Mid agree with each other and with the column's width check.
TEST_F(JetFunctionTest, IllFormedTextCountsAsTheEngineCounts) {
  Run("CREATE TABLE t (s TEXT(3))");
  const auto insert = [&](const std::string& bytes) {
    sqlite3_stmt* st = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(conn->NativeHandle(), "INSERT INTO t VALUES (?1)", -1, &st, nullptr), SQLITE_OK);
    sqlite3_bind_text(st, 1, bytes.data(), static_cast<int>(bytes.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    return rc;
  };
  ASSERT_EQ(insert("a\x80"
                   "b"),
            SQLITE_DONE)
      << "three characters fit";
  EXPECT_EQ(insert("a\x80\x80"
                   "b"),
            SQLITE_CONSTRAINT_CHECK)
      << "four do not";
  EXPECT_EQ(Rows("SELECT Len(s), InStr(s, 'b'), Mid(s, InStr(s, 'b'), 1), Right(s, 2) = Mid(s, 2) FROM t"), "3,3,b,-1");
}

TEST_F(JetFunctionTest, ConversionsAndNumbers) {
  ExpectValues({
      // Str keeps a blank for the sign of a number that is not negative, and no zero before the point.
      {"Str(459)", " 459"},
      {"Str(-459.65)", "-459.65"},
      {"Str(459.001)", " 459.001"},
      {"Str(0.5)", " .5"},
      {"Str(-0.5)", "-.5"},
      {"Str(0)", " 0"},
      {"Str('12')", " 12"},
      // CSng keeps a Single's seven digits.
      {"CSng(75.3421115)", "75.34211"},
      {"CSng(75.3421555)", "75.34216"},
      {"CSng(1.1)", "1.1"},
      // CCur keeps four places, rounding half to even (1.03125 and 1.09375 are exact halves).
      {"CCur(543.214588 * 2)", "1086.4292"},
      {"CCur(1.03125)", "1.0312"},
      {"CCur(1.09375)", "1.0938"},
      {"CCur(7)", "7"},
      {"CBool(5)", "-1"},
      {"CBool(0)", "0"},
      {"CBool('True')", "-1"},
      {"CBool('false')", "0"},
      {"CBool('0')", "0"},
      {"CVar('x')", "x"},
      {"CVar(Null)", "<null>"},
      {"CVar(1.5)", "1.5"},
      {"Sgn(-3)", "-1"},
      {"Sgn(0)", "0"},
      {"Sgn(2.5)", "1"},
      {"Sqr(4)", "2"},
      {"Sqr(2)", "1.4142135623731"},
      {"Sqr(0)", "0"},
  });
}

TEST_F(JetFunctionTest, ChoicesAndTests) {
  ExpectValues({
      {"Switch(1 > 2, 'a', 2 > 1, 'b')", "b"},
      {"Switch(True, 'a', True, 'b')", "a"},
      {"Switch(False, 'a')", "<null>"},
      {"Switch(Null, 'a', True, 'c')", "c"},
      {"Switch(1, 'one')", "one"},
      {"Choose(2, 'a', 'b', 'c')", "b"},
      {"Choose(4, 'a', 'b', 'c')", "<null>"},
      {"Choose(0, 'a')", "<null>"},
      {"Choose(1.6, 'a', 'b')", "b"},
      {"Choose(Null, 'a')", "<null>"},
      {"Choose(3, 1, 2, Null)", "<null>"},
      {"IsNumeric('12.5')", "-1"},
      {"IsNumeric(' -3e5 ')", "-1"},
      {"IsNumeric('1,000')", "-1"},
      {"IsNumeric('&H1F')", "-1"},
      {"IsNumeric(42)", "-1"},
      {"IsNumeric('abc')", "0"},
      {"IsNumeric('')", "0"},
      {"IsNumeric(Null)", "0"},
      {"IsNumeric('1e')", "0"},
      {"IsNumeric('12abc')", "0"},
      {"IsNumeric('.')", "0"},
      {"IsDate('12/09/2026')", "-1"},
      {"IsDate('2026-12-09 10:30:00')", "-1"},
      {"IsDate(#12/09/2026#)", "-1"},
      {"IsDate('2/30/2026')", "0"},
      {"IsDate('hello')", "0"},
      {"IsDate(5)", "0"},
      {"IsDate(Null)", "0"},
  });
}

TEST_F(JetFunctionTest, DateArithmetic) {
  ExpectValues({
      // 9 December 2026 is a Wednesday.
      {"Weekday(#12/09/2026#)", "4"},
      {"Weekday(#12/09/2026#, 2)", "3"},
      {"Weekday(#12/06/2026#)", "1"},
      {"Weekday(#02/12/1969#)", "4"},
      {"Weekday(#12/09/2026#, 0)", "4"},
      {"Weekday(46365)", "4"},
      // Months keep the day where the month has it, else take its last day.
      {"DateAdd('m', 1, #1/31/1995#)", "1995-02-28 00:00:00"},
      {"DateAdd('m', 1, #1/31/1996#)", "1996-02-29 00:00:00"},
      {"DateAdd('yyyy', -1, #2/29/2024#)", "2023-02-28 00:00:00"},
      {"DateAdd('q', 1, #11/30/2026#)", "2027-02-28 00:00:00"},
      {"DateAdd('M', -13, #12/09/2026 10:30#)", "2025-11-09 10:30:00"},
      {"DateAdd('d', -1, #1/1/2026#)", "2025-12-31 00:00:00"},
      {"DateAdd('y', 1, #12/31/2026#)", "2027-01-01 00:00:00"},
      {"DateAdd('w', 1, #12/09/2026#)", "2026-12-10 00:00:00"},
      {"DateAdd('ww', 2, #12/09/2026#)", "2026-12-23 00:00:00"},
      {"DateAdd('h', 25, #12/09/2026 10:00#)", "2026-12-10 11:00:00"},
      {"DateAdd('n', -30, #12/09/2026 00:10#)", "2026-12-08 23:40:00"},
      {"DateAdd('s', 90, #12/09/2026 23:59:00#)", "2026-12-10 00:00:30"},
      {"DateAdd('d', 1, '2026-12-09 10:30:00')", "2026-12-10 10:30:00"},
      {"DateAdd('d', 1, #1/1/1899#)", "1899-01-02 00:00:00"},
      // The first and the last day Jet knows: limits computed while the program starts.
      {"DateAdd('d', 0, #1/1/100#)", "0100-01-01 00:00:00"},
      {"DateAdd('s', 86399, #12/31/9999#)", "9999-12-31 23:59:59"},
      // DateDiff counts the boundaries crossed.
      {"DateDiff('yyyy', #12/31/2025#, #1/1/2026#)", "1"},
      {"DateDiff('q', #3/31/2026#, #4/1/2026#)", "1"},
      {"DateDiff('m', #1/31/2026#, #2/1/2026#)", "1"},
      {"DateDiff('m', #2/1/2026#, #1/31/2026#)", "-1"},
      {"DateDiff('d', #12/09/2026 23:00#, #12/10/2026 01:00#)", "1"},
      {"DateDiff('y', #1/1/2026#, #12/31/2026#)", "364"},
      {"DateDiff('d', #12/10/2026#, #12/09/2026#)", "-1"},
      {"DateDiff('w', #12/1/2026#, #12/14/2026#)", "1"},
      {"DateDiff('w', #12/1/2026#, #12/15/2026#)", "2"},
      // "ww" counts Sundays after the first date up to and including the second.
      {"DateDiff('ww', #12/5/2026#, #12/6/2026#)", "1"},
      {"DateDiff('ww', #12/6/2026#, #12/12/2026#)", "0"},
      {"DateDiff('ww', #12/6/2026#, #12/12/2026#, 7)", "1"},
      {"DateDiff('h', #12/09/2026 10:59#, #12/09/2026 11:00#)", "1"},
      {"DateDiff('n', #12/09/2026 10:59:59#, #12/09/2026 11:00:00#)", "1"},
      {"DateDiff('s', #12/09/2026 10:59#, #12/09/2026 11:00#)", "60"},
      {"DateDiff('d', #12/30/1899#, #12/29/1899 18:00#)", "-1"},
      {"DatePart('yyyy', #12/09/2026#)", "2026"},
      {"DatePart('q', #5/15/2026#)", "2"},
      {"DatePart('m', #5/15/2026#)", "5"},
      {"DatePart('y', #2/1/2026#)", "32"},
      {"DatePart('d', #5/15/2026#)", "15"},
      {"DatePart('w', #12/09/2026#)", "4"},
      {"DatePart('w', #12/09/2026#, 2)", "3"},
      {"DatePart('h', #12/09/2026 22:05:07#)", "22"},
      {"DatePart('n', #12/09/2026 22:05:07#)", "5"},
      {"DatePart('s', #12/09/2026 22:05:07#)", "7"},
      // Weeks of the year: 1 January 2026 is a Thursday.
      {"DatePart('ww', #1/1/2026#)", "1"},
      {"DatePart('ww', #1/3/2026#)", "1"},
      {"DatePart('ww', #1/4/2026#)", "2"},
      {"DatePart('ww', #12/31/2026#, 2, 2)", "53"},
      {"DatePart('ww', #12/29/2025#, 2, 2)", "1"},
      {"DatePart('ww', #1/1/2026#, 1, 3)", "52"},
      {"DatePart('ww', #1/4/2026#, 1, 3)", "1"},
  });
}

TEST_F(JetFunctionTest, DatesFromParts) {
  ExpectValues({
      {"DateSerial(2026, 12, 9)", "2026-12-09 00:00:00"},
      {"DateSerial(2026, 13, 1)", "2027-01-01 00:00:00"},
      {"DateSerial(2026, 3, 0)", "2026-02-28 00:00:00"},
      {"DateSerial(2026, 1, -1)", "2025-12-30 00:00:00"},
      {"DateSerial(2026, 0, 1)", "2025-12-01 00:00:00"},
      {"DateSerial(2026, -13, 1)", "2024-11-01 00:00:00"},
      {"DateSerial(1990 - 10, 8 - 2, 1 - 1)", "1980-05-31 00:00:00"},
      {"DateSerial(2024, 2, 30)", "2024-03-01 00:00:00"},
      {"DateSerial(26, 1, 1)", "2026-01-01 00:00:00"},
      {"DateSerial(99, 13, 1)", "2000-01-01 00:00:00"},
      {"TimeSerial(12 - 6, -15, 0)", "1899-12-30 05:45:00"},
      {"TimeSerial(0, 90, 0)", "1899-12-30 01:30:00"},
      {"TimeSerial(25, 0, 0)", "1899-12-31 01:00:00"},
      {"TimeSerial(0, 0, -1)", "1899-12-29 23:59:59"},
      {"TimeValue('4:35:17 PM')", "1899-12-30 16:35:17"},
      {"TimeValue(#12/09/2026 10:30#)", "1899-12-30 10:30:00"},
      {"MonthName(12)", "December"},
      {"MonthName(2, True)", "Feb"},
      {"MonthName(1, False)", "January"},
      {"WeekdayName(4)", "Wednesday"},
      {"WeekdayName(1, True, 2)", "Mon"},
      {"WeekdayName(7, False, 2)", "Sunday"},
      {"Year(DateSerial(2026, 14, 1))", "2027"},
  });
}

TEST_F(JetFunctionTest, NamedFormats) {
  ExpectValues({
      {"Format(#12/09/2026#, 'Long Date')", "Wednesday, December 9, 2026"},
      {"Format(#12/09/2026#, 'Medium Date')", "09-Dec-26"},
      {"Format(#12/09/2026#, 'Short Date')", "2026-12-09"},
      {"Format(#12/09/2026#, 'General Date')", "2026-12-09"},
      {"Format(#12/09/2026 22:30:05#, 'General Date')", "2026-12-09 10:30:05 PM"},
      {"Format(#22:30:05#, 'General Date')", "10:30:05 PM"},
      {"Format(#12/09/2026 22:30:05#, 'Long Time')", "10:30:05 PM"},
      {"Format(#12/09/2026 09:05:00#, 'Medium Time')", "09:05 AM"},
      {"Format(#12/09/2026 22:30:05#, 'short time')", "22:30"},
      {"Format(#12/09/2026 22:30:05#)", "2026-12-09 10:30:05 PM"},
      {"Format('12/09/2026', 'Long Date')", "Wednesday, December 9, 2026"},
      {"Format(46365, 'Short Date')", "2026-12-09"},
      {"Format(1234.5, 'General Number')", "1234.5"},
      {"Format(1234.5, 'Currency')", "1,234.50"},
      {"Format(-1234.5, 'Currency')", "-1,234.50"},
      {"Format(1234567.125, 'Currency')", "1,234,567.13"},
      {"Format(1234.5, 'Fixed')", "1234.50"},
      {"Format(0.5, 'Fixed')", "0.50"},
      {"Format(-0.001, 'Fixed')", "0.00"},
      {"Format(1234.5, 'Standard')", "1,234.50"},
      {"Format(0.1234, 'Percent')", "12.34%"},
      {"Format(1234.5, 'Scientific')", "1.23E+03"},
      {"Format(0, 'Yes/No')", "No"},
      {"Format(-1, 'Yes/No')", "Yes"},
      {"Format(1 = 1, 'True/False')", "True"},
      {"Format(0, 'True/False')", "False"},
      {"Format(7, 'On/Off')", "On"},
      {"Format(0, 'On/Off')", "Off"},
      {"Format('abc', 'Fixed')", "abc"},
      {"Format('12.5', 'Fixed')", "12.50"},
      {"Format(Null, 'Fixed')", "<null>"},
      {"Format(#12/09/2026#, 'General Number')", "46365"},
      {"Format(12.5)", "12.5"},
  });
}

TEST_F(JetFunctionTest, CustomFormats) {
  ExpectValues({
      {"Format(#12/09/2026 22:05:07#, 'yyyy-mm-dd hh:nn:ss')", "2026-12-09 22:05:07"},
      {"Format(#12/09/2026#, 'd/m/yy')", "9/12/26"},
      {"Format(#12/09/2026#, 'dddd d mmmm')", "Wednesday 9 December"},
      {"Format(#12/09/2026#, 'ddd, mmm d, yyyy')", "Wed, Dec 9, 2026"},
      {"Format(#12/09/2026 22:05:07#, 'h:mm AM/PM')", "10:05 PM"},  // m after h is a minute
      {"Format(#12/09/2026 22:05:07#, 'mm:ss')", "05:07"},          // and so is m before s
      {"Format(#12/09/2026 22:05:07#, 'h:nn am/pm')", "10:05 pm"},
      {"Format(#12/09/2026 00:05#, 'h:nn AM/PM')", "12:05 AM"},
      {"Format(#12/09/2026 12:05#, 'hh:nn A/P')", "12:05 P"},
      {"Format(#12/09/2026#, '\\Y\\e\\a\\r yyyy')", "Year 2026"},
      {"Format(#12/09/2026#, '\"Q\"q yyyy')", "Q4 2026"},
      {"Format(#12/09/2026#, 'YYYY/MM/DD')", "2026/12/09"},
      {"Format(46365, 'yyyy-mm-dd')", "2026-12-09"},
      {"Format(5459.4, '##,##0.00')", "5,459.40"},
      {"Format(334.9, '###0.00')", "334.90"},
      {"Format(5, '0.00%')", "500.00%"},
      {"Format(0.5, '#.00')", ".50"},
      {"Format(1234567.891, '#,##0.00')", "1,234,567.89"},
      {"Format(5, '000')", "005"},
      {"Format(-5, '0;(0)')", "(5)"},
      {"Format(-5, '0.0')", "-5.0"},
      {"Format(0, '0;(0);\\Z\\e\\r\\o')", "Zero"},
      {"Format(Null, '0;-0;0;\\N\\o\\n\\e')", "None"},
      {"Format(123456789, '000-00-0000')", "123-45-6789"},
      {"Format(1.005, '0.00')", "1.01"},
      {"Format(2.5, '0')", "3"},
      {"Format(0.125, '0.00')", "0.13"},
      {"Format(1234567, '#,##0,')", "1,235"},
      {"Format(1.5, '0.0#')", "1.5"},
      {"Format(1.25, '0.0#')", "1.25"},
      {"Format(99.996, '0.00')", "100.00"},
      {"Format(0.004, '0.00')", "0.00"},
      {"Format(1e20, '0')", "100000000000000000000"},
      {"Format(42, '\"No. \"0')", "No. 42"},
      {"Format('12.5', '0.00')", "12.50"},
      {"Format('abc', '0.00')", "abc"},
  });
}

TEST_F(JetFunctionTest, Aggregates) {
  Run("CREATE TABLE scores (id COUNTER PRIMARY KEY, grp TEXT(5), v DOUBLE, label TEXT(10))");
  const char* rows[] = {"'a', 2, 'first'", "'a', 4, 'x'", "'a', 4, 'y'", "'a', Null, 'z'", "'a', 4, 'w'",
                        "'a', 5, 'v'",     "'a', 5, 'u'", "'a', 7, 't'", "'a', 9, Null",   "'b', 10, 'only'"};
  for (const char* r : rows) Run(std::string("INSERT INTO scores (grp, v, label) VALUES (") + r + ")");
  // 2, 4, 4, 4, 5, 5, 7, 9: mean 5, population variance 4; Null is skipped.
  ExpectValues({
      {"VarP(v) FROM scores WHERE grp = 'a'", "4"},
      {"StDevP(v) FROM scores WHERE grp = 'a'", "2"},
      {"Var(v) FROM scores WHERE grp = 'a'", "4.57142857142857"},
      {"StDev(v) FROM scores WHERE grp = 'a'", "2.1380899352994"},
      {"StDev(v) FROM scores WHERE grp = 'b'", "<null>"},
      {"Var(v) FROM scores WHERE grp = 'b'", "<null>"},
      {"StDevP(v) FROM scores WHERE grp = 'b'", "0"},
      {"VarP(v) FROM scores WHERE grp = 'b'", "0"},
      {"VarP(v) FROM scores WHERE grp = 'none'", "<null>"},
      // First and Last take the rows as they come, Null included.
      {"First(label) FROM scores", "first"},
      {"Last(label) FROM scores", "only"},
      {"Last(label) FROM scores WHERE grp = 'a'", "<null>"},
      {"First(v) FROM scores WHERE grp = 'b'", "10"},
      {"First(label) FROM scores WHERE grp = 'none'", "<null>"},
      {"Last(label) FROM (SELECT label FROM scores ORDER BY id DESC)", "first"},
      {"Count(*) FROM scores GROUP BY grp HAVING StDev(v) > 2", "9"},
  });
  Recordset rs;
  rs.Open("SELECT grp, First(label), Last(v), VarP(v) FROM scores GROUP BY grp ORDER BY grp", conn);
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(0).ToText(), "a");
  EXPECT_EQ(rs.Fields(1).ToText(), "first");
  EXPECT_EQ(rs.Fields(2).ToText(), "9");
  EXPECT_EQ(rs.Fields(3).ToText(), "4");
  rs.MoveNext();
  ASSERT_FALSE(rs.Eof());
  EXPECT_EQ(rs.Fields(1).ToText(), "only");
  EXPECT_TRUE(rs.Fields(3).ToText() == "0");
  ExpectErrors({{"StDev(label) FROM scores", "Data type mismatch"}});
}

TEST_F(JetFunctionTest, NullGivesNull) {
  for (const char* expr : {"Space(Null)",
                           "String(Null, 'a')",
                           "String(3, Null)",
                           "Replace(Null, 'a', 'b')",
                           "Replace('a', Null, 'b')",
                           "StrComp(Null, 'a')",
                           "Chr(Null)",
                           "Asc(Null)",
                           "Str(Null)",
                           "Sgn(Null)",
                           "Sqr(Null)",
                           "Weekday(Null)",
                           "DateAdd('d', Null, #1/1/2026#)",
                           "DateAdd('d', 1, Null)",
                           "DateDiff('d', Null, #1/1/2026#)",
                           "DatePart('d', Null)",
                           "DateSerial(Null, 1, 1)",
                           "TimeSerial(1, Null, 1)",
                           "TimeValue(Null)",
                           "MonthName(Null)",
                           "WeekdayName(Null)",
                           "Format(Null)",
                           "Switch(Null, 1)"}) {
    try {
      EXPECT_EQ(Value(std::string("SELECT ") + expr), "<null>") << expr;
    } catch (const Error& e) {
      ADD_FAILURE() << expr << ": " << e.what();
    }
  }
}

TEST_F(JetFunctionTest, BadArgumentsFailWithJetsMessages) {
  ExpectErrors({
      {"Sqr(-1)", "Invalid procedure call or argument."},
      {"Chr(256)", "Invalid procedure call or argument."},
      {"Chr(-1)", "Invalid procedure call or argument."},
      {"Asc('')", "Invalid procedure call or argument."},
      {"Space(-1)", "Invalid procedure call or argument."},
      {"String(2, '')", "Invalid procedure call or argument."},
      {"Replace('abc', 'b', 'x', 0)", "Invalid procedure call or argument."},
      {"Replace('abc', 'b', 'x', 1, -2)", "Invalid procedure call or argument."},
      {"StrComp('a', 'b', 5)", "Invalid procedure call or argument."},
      {"MonthName(13)", "Invalid procedure call or argument."},
      {"WeekdayName(0)", "Invalid procedure call or argument."},
      {"Weekday(#1/1/2026#, 8)", "Invalid procedure call or argument."},
      {"DateAdd('x', 1, #1/1/2026#)", "Invalid procedure call or argument."},
      {"DateAdd('yyyy', 8000, #1/1/2026#)", "Invalid procedure call or argument."},
      {"DateAdd('d', -1, #1/1/100#)", "Invalid procedure call or argument."},
      {"DateAdd('d', 1, #12/31/9999#)", "Invalid procedure call or argument."},
      {"DateDiff('mm', #1/1/2026#, #1/1/2027#)", "Invalid procedure call or argument."},
      {"DatePart('ww', #1/1/2026#, 1, 4)", "Invalid procedure call or argument."},
      {"DateSerial(10000, 1, 1)", "Invalid procedure call or argument."},
      {"Switch(True, 1, False)", "Invalid procedure call or argument."},
      {"Format(1, 'Fixed', 9)", "Invalid procedure call or argument."},
      {"CBool('abc')", "Data type mismatch"},
      {"Sgn('abc')", "Data type mismatch"},
      {"DateAdd('d', 1, 'not a date')", "Data type mismatch"},
      {"CBool(Null)", "Invalid use of Null."},
      {"CCur(Null)", "Invalid use of Null."},
      {"CSng(Null)", "Invalid use of Null."},
      {"CSng(1e39)", "Overflow."},
      // Serial numbers and date sums outside the years 100 to 9999.
      {"Weekday(1e9)", "Overflow."},
      {"Format(1e300, 'yyyy')", "Overflow."},
      {"Format(1e300, '0%%%%%%')", "Overflow."},  // each % scales by 100, past any double
      {"#12/09/2026# + 1e9", "Overflow."},
      {"#12/09/2026# - 1e300", "Overflow."},
      {"CCur(1e16)", "Overflow."},
      {"Space(2000000000)", "too big"},
      {"String(2000000000, 'ab')", "too big"},
      {"Choose(1)", "Wrong number of arguments"},
      {"Replace('a', 'b')", "Wrong number of arguments"},
      {"DateSerial(2026, 1)", "Wrong number of arguments"},
      {"Format()", "Wrong number of arguments"},
  });
}

}  // namespace
}  // namespace ornetta
