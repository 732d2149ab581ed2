// Jet SQL run through the translation on a real database: each expression must give the value
// Jet gives, and what cannot keep Jet's meaning must be refused with a clear message.
#include <gtest/gtest.h>

#include "data/jet/dates.h"
#include "data/jet/translate.h"
#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

namespace fs = std::filesystem;

class JetTest : public testing::JetDatabase {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE DB_Years (minYear INTEGER, maxYear INTEGER, curryear YESNO)");
    Run("INSERT INTO DB_Years VALUES (2016, 2017, False)");
    Run("INSERT INTO DB_Years VALUES (2017, 2018, True)");
    Run("CREATE TABLE logs (id COUNTER PRIMARY KEY, dates DATETIME, who TEXT(20), note MEMO)");
  }
};

TEST_F(JetTest, TheYearDatabaseNameLookup) {
  EXPECT_EQ(Value("select \"DB\" & minYear & \"_\" & right(maxYear,2) from DB_Years where curryear=true"), "DB2017_18");
  Run("UPDATE DB_Years SET curryear = False");
  EXPECT_EQ(Value("select \"DB\" & minYear & \"_\" & right(maxYear,2) from DB_Years where curryear=true"), "<none>");
}

TEST_F(JetTest, ExpressionsHaveJetsValues) {
  struct Case {
    const char* expr;
    const char* want;
  } cases[] = {
      // & joins as text, Null counts as empty, and binds looser than + and -.
      {"'a' & Null", "a"},
      {"Null & Null", "<null>"},
      {"1 + 2 & 3", "33"},
      {"'x' & 1.5", "x1.5"},
      // + adds numbers and joins texts; Null spreads.
      {"'a' + 'b'", "ab"},
      {"1 + Null", "<null>"},
      {"2 + 3 * 4", "14"},
      {"-2 ^ 2", "-4"},
      {"7 \\ 2", "3"},
      {"7 Mod 3", "1"},
      {"7 / 2", "3.5"},
      {"2 ^ 10", "1024"},
      // Yes/No and comparisons are -1 and 0.
      {"True", "-1"},
      {"False", "0"},
      {"1 = 1", "-1"},
      {"1 > 2", "0"},
      {"'ABC' = 'abc'", "-1"},
      {"Not True", "0"},
      {"True And False", "0"},
      {"True Or False", "-1"},
      {"True Xor True", "0"},
      {"True Eqv False", "0"},
      {"False Imp False", "-1"},
      {"5 Between 10 And 1", "-1"},
      {"'b' In ('A', 'B')", "-1"},
      {"Null Is Null", "-1"},
      {"3 Is Not Null", "-1"},
      // Like in ANSI-92 mode: % and _; [sets]; * and ? are ordinary characters.
      {"'Hello' Like 'h%'", "-1"},
      {"'Hello' Like 'H_llo'", "-1"},
      {"'Hello' Like '[gh]ello'", "-1"},
      {"'Hello' Like '[!h]ello'", "0"},
      {"'Hello' Like 'H*'", "0"},
      {"'H*' Like 'H*'", "-1"},
      // Functions.
      {"Right('2018', 2)", "18"},
      {"Left('abc', 5)", "abc"},
      {"Mid('abcdef', 2, 3)", "bcd"},
      {"Len('héllo')", "5"},
      {"UCase('ab')", "AB"},
      {"Trim('  a  ')", "a"},
      {"InStr('abcabc', 'C')", "3"},
      {"InStr(4, 'abcabc', 'c')", "6"},
      {"IIf(1 > 2, 'yes', 'no')", "no"},
      {"Nz(Null, 5)", "5"},
      {"IsNull(Null)", "-1"},
      {"Int(-2.5)", "-3"},
      {"Fix(-2.5)", "-2"},
      {"CInt(2.5)", "2"},
      {"CInt(3.5)", "4"},
      {"Round(2.5)", "2"},
      {"Round(1.2351, 2)", "1.24"},
      {"4 Not Between 1 And 3", "-1"},
      {"Val(' 12 3abc')", "123"},
      {"Year(#12/09/2026#)", "2026"},
      {"Month(#12/09/2026#)", "12"},
      {"Day(#2026-12-09 10:30#)", "9"},
      {"Hour(#12/09/2026 10:30:00 PM#)", "22"},
      {"#12/09/2026# + 1", "2026-12-10 00:00:00"},
      {"#12/10/2026# - #12/09/2026#", "1"},
      {"&H1F", "31"},
      {"-True", "1"},
      {"5 - -True", "4"},
      {"-Yes & ''", "1"},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(Value(std::string("SELECT ") + c.expr), c.want) << c.expr;
    } catch (const Error& e) {
      ADD_FAILURE() << c.expr << ": " << e.what();
    }
  }
}

TEST_F(JetTest, DateLiteralsAreReadMonthFirstAsJetReadsThem) {
  struct Case {
    const char* literal;
    const char* want;
  } cases[] = {
      {"12/09/2026", "2026-12-09 00:00:00"},
      {"2026-12-09", "2026-12-09 00:00:00"},
      {"9/12/2026", "2026-09-12 00:00:00"},
      {"13/12/2026", "2026-12-13 00:00:00"},  // only day-first is possible
      {"12/9/26", "2026-12-09 00:00:00"},
      {"12/09/2026 10:30:00", "2026-12-09 10:30:00"},
      {"12/09/2026 12:05 AM", "2026-12-09 00:05:00"},
      {"10:30", "1899-12-30 10:30:00"},
  };
  for (const Case& c : cases) {
    const auto dt = jet::ParseDateLiteral(c.literal, 2026);
    ASSERT_TRUE(dt) << c.literal;
    EXPECT_EQ(FormatStoredDate(*dt), c.want) << c.literal;
  }
  for (const char* bad : {"2/30/2026", "13/13/2026", "12/09 10", "tomorrow", "12/09/2026 25:00", ""})
    EXPECT_FALSE(jet::ParseDateLiteral(bad, 2026)) << bad;
}

TEST_F(JetTest, DeletingLogRowsAfterADay) {
  Run("INSERT INTO logs (dates, who) VALUES (#12/08/2026 23:59:59#, 'a')");
  Run("INSERT INTO logs (dates, who) VALUES (#12/09/2026#, 'b')");
  Run("INSERT INTO logs (dates, who) VALUES (#12/09/2026 00:00:01#, 'c')");
  Run("INSERT INTO logs (dates, who) VALUES (#01/05/2027#, 'd')");
  Run("Delete * from logs where dates>#2026-12-09#");
  EXPECT_EQ(Value("SELECT Count(*) FROM logs"), "2");
  EXPECT_EQ(Value("SELECT Max(who) FROM logs"), "b");
  EXPECT_EQ(Value("SELECT id FROM logs WHERE who = 'B'"), "2") << "the counter numbers rows from 1";
}

// Over a year's million log rows the date repair must find the few late rows through the index
// on the dates, not by reading every row.
TEST_F(JetTest, DateComparisonsCanUseAnIndexOnTheDates) {
  Run("CREATE INDEX byDate ON logs (dates)");
  EXPECT_NE(Plan("Delete * from logs where dates>#12/09/2026#").find("byDate"), std::string::npos);
  EXPECT_NE(Plan("SELECT Count(*) FROM logs WHERE dates >= DateAdd('d', -7, Date())").find("byDate"),
            std::string::npos);
  EXPECT_EQ(Plan("SELECT Count(*) FROM logs WHERE who = 'a'").find("byDate"), std::string::npos);
}

TEST_F(JetTest, StatementsOfEveryKind) {
  Run("insert into logs (dates, who, note) VALUES (#12/09/2026 10:30:00#, 'it''s', \"say \"\"hi\"\"\")");
  EXPECT_EQ(Value("SELECT note FROM logs WHERE who = 'IT''S'"), "say \"hi\"");
  EXPECT_EQ(Value("SELECT Count(*) FROM logs WHERE dates = #12/09/2026 10:30#"), "1");
  Run("UPDATE logs SET logs.note = 'x' & note WHERE id = 1");
  EXPECT_EQ(Value("SELECT [note] FROM [logs]"), "xsay \"hi\"");
  Run("ALTER TABLE logs ADD COLUMN amount CURRENCY");
  Run("CREATE UNIQUE INDEX byWho ON logs (who DESC)");
  Run("INSERT INTO logs (dates, who) SELECT dates, 'copy' FROM logs");
  EXPECT_EQ(Value("SELECT TOP 1 who FROM logs ORDER BY who DESC"), "it's");
  EXPECT_EQ(Value("SELECT DISTINCTROW Count(*) AS n FROM logs AS l INNER JOIN logs AS m ON l.id = m.id"), "2");
  EXPECT_EQ(Value("SELECT who FROM logs WHERE EXISTS (SELECT * FROM DB_Years WHERE curryear) AND id IN (SELECT Max(id) "
                  "FROM logs)"),
            "copy");
  Run("DELETE logs.* FROM logs WHERE who = 'copy'");
  Run("DROP INDEX byWho ON logs");
  Run("DROP TABLE logs");
  EXPECT_THROW(Value("SELECT * FROM logs"), Error);
}

TEST_F(JetTest, ColumnsComeBackWithTheirJetTypes) {
  Run("CREATE TABLE t (b BYTE, i INTEGER, l LONG, d DOUBLE, m MEMO, s TEXT(5), y YESNO, w DATETIME)");
  Run("INSERT INTO t VALUES (1, 2, 3, 4.5, '007', '008', True, #12/09/2026#)");
  Recordset rs;
  rs.Open("SELECT * FROM t", conn);
  const Variant::Type want[] = {Variant::Type::Integer, Variant::Type::Integer, Variant::Type::Long,
                                Variant::Type::Double,  Variant::Type::String,  Variant::Type::String,
                                Variant::Type::Boolean, Variant::Type::Date};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(rs.Fields(i).type(), want[i]) << rs.FieldName(i);
  EXPECT_EQ(rs.Fields(4).AsString(), "007") << "a memo keeps its text";
}

TEST_F(JetTest, WhatCannotKeepJetsMeaningIsRefusedClearly) {
  struct Case {
    const char* sql;
    const char* says;
  } cases[] = {
      {"", "empty"},
      {"SELECT FROM logs", "reserved word"},
      {"SELECT Foo(1)", "Undefined function 'Foo'"},
      {"SELECT 'abc", "not closed"},
      {"SELECT #32/13/2026#", "date"},
      {"SELECT * FROM logs FULL JOIN DB_Years ON 1 = 1", "FULL joins"},
      {"UPDATE logs INNER JOIN DB_Years ON 1 = 1 SET logs.who = 'x', DB_Years.minYear = 1", "one table"},
      {"DELETE * FROM logs, DB_Years", "Specify the table"},
      {"SELECT * FROM [other.mdb].logs", "other databases"},
      {"SELECT * FROM logs IN 'other.mdb'", "other database files"},
      {"SELECT TOP 0 * FROM logs", "TOP"},
      {"SELECT TOP 101 PERCENT * FROM logs", "at most 100"},
      {"SELECT TOP 1 who FROM logs UNION SELECT 'x' FROM logs", "UNION"},
      {"CREATE TABLE t (a TEXT(300))", "at most 255"},
      {"CREATE TABLE t (a LONG REFERENCES logs (id))", "relationships"},
      {"CREATE TABLE t (a LONG, CONSTRAINT fk FOREIGN KEY (a) REFERENCES logs (id))", "relationships"},
      {"CREATE TABLE t (a WIDGET)", "'WIDGET' is not a Jet type"},
      {"CREATE INDEX i ON logs (who) WITH DISALLOW NULL", "DISALLOW NULL"},
      {"SELECT 'abc' Like '[a'", "Invalid pattern"},
      // Found by the fuzz target: each once reached the engine as malformed SQL, or as infinity.
      {"SELECT 1.2.3", "Syntax error"},
      {"SELECT a.b.c FROM logs", "table.column"},
      {"SELECT logs.* + 1 FROM logs", "Syntax error"},
      {"SELECT 1E999", "Overflow"},
      {"SELECT Format(Val('1e999'), '0')", "Overflow"},
      {"SELECT who FROM logs UNION SELECT who INTO copy FROM logs", "first SELECT"},
      {"SELECT 1; DROP TABLE logs", "after the end"},
      {"VACUUM", "not supported"},
      {"SELECT 1 / 0", "Division by zero"},
      {"SELECT nothere FROM logs", "no such column"},
  };
  for (const Case& c : cases) {
    try {
      Value(c.sql);
      ADD_FAILURE() << c.sql << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.sql << " -> " << e.what();
    }
  }
}

TEST_F(JetTest, ANulCharacterIsRefusedRatherThanEndingTheStatement) {
  try {
    Value(std::string("SELECT 'a\0b'", 13));
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("NUL"), std::string::npos) << e.what();
  }
}

TEST_F(JetTest, DeepNestingIsRefusedWithoutExhaustingTheStack) {
  const auto nest = [](const std::string& open, int n, const std::string& inner, const std::string& close) {
    std::string out;
    for (int i = 0; i < n; ++i) out += open;
    out += inner;
    for (int i = 0; i < n; ++i) out += close;
    return out;
  };
  EXPECT_EQ(Value("SELECT " + nest("(", 30, "1", ")")), "1");
  EXPECT_EQ(Value("SELECT " + nest("Not ", 30, "0", "")), "0");
  for (const std::string& sql :
       {"SELECT " + nest("(", 20000, "1", ")"), "SELECT " + nest("-", 20000, "1", ""),
        "SELECT " + nest("Not ", 10000, "1", ""), "SELECT * FROM " + nest("(", 20000, "logs", ")"),
        "SELECT 1 WHERE " + nest("EXISTS (SELECT 1 WHERE ", 2500, "1", ")")}) {
    try {
      Value(sql);
      ADD_FAILURE() << sql.substr(0, 40) << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("nested too deeply"), std::string::npos) << e.what();
    }
  }
}

TEST_F(JetTest, TheEnginesOwnTablesAreReadOnlyToStatements) {
  Run("INSERT INTO logs (who) VALUES ('a')");
  for (const char* sql :
       {"INSERT INTO sqlite_sequence VALUES ('logs', 9223372036854775807)", "UPDATE sqlite_sequence SET seq = 0",
        "UPDATE [SQLite_Sequence] AS s SET s.seq = 0", "DELETE * FROM sqlite_sequence",
        "DELETE s.* FROM sqlite_sequence AS s WHERE s.name = 'logs'", "DROP TABLE sqlite_sequence",
        "ALTER TABLE sqlite_sequence ADD COLUMN x LONG", "CREATE INDEX bySeq ON sqlite_sequence (seq)",
        "DROP INDEX sqlite_autoindex_logs_1 ON logs"}) {
    try {
      Run(sql);
      ADD_FAILURE() << sql << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("is the database engine's own: a statement may read it but not change it"),
                std::string::npos)
          << sql << " -> " << e.what();
    }
  }
  EXPECT_EQ(Value("SELECT seq FROM sqlite_sequence WHERE name = 'logs'"), "1");
  Run("INSERT INTO logs (who) VALUES ('b')");  // the counter still counts
  EXPECT_EQ(Value("SELECT Max(id) FROM logs"), "2");
}

// A pasted statement of megabytes took seconds and hundreds of megabytes to translate: the
// translation takes at most Jet's 64,000 characters, says so, and refuses operator chains deeper
// than the engine runs (it stops at 1000) before they deepen its own passes.
TEST_F(JetTest, StatementsHaveJetsLengthLimitAndDepthLimit) {
  const auto repeat = [](const std::string& head, const std::string& unit, size_t chars, const std::string& tail) {
    std::string out = head;
    while (out.size() + tail.size() < chars) out += unit;
    out.resize(chars - tail.size(), ' ');
    return out + tail;
  };
  // Exactly at the limit (characters, not bytes: é is two bytes), then one past it.
  const std::string at_limit = "SELECT 'é" + std::string(64000 - 15, 'x') + "' AS x";
  EXPECT_EQ(Value(at_limit).size(), 2 + 64000 - 15);
  struct Case {
    std::string sql;
    const char* says;
  } cases[] = {
      {at_limit + " ", "The statement is 64001 characters long; a statement may have at most 64000 characters"},
      {repeat("SELECT 1", " ", 10'000'000, ""), "The statement is 10000000 characters long"},
      {repeat("SELECT 1", "+1", 2100, ""), "the expression is too complex (more than 1000 operators deep)"},
      {repeat("SELECT * FROM logs WHERE id = 1", " Or id = 1", 20000, ""), "the expression is too complex"},
      {repeat("SELECT 1", " Is Null", 9000, ""), "the expression is too complex"},
      {repeat("SELECT TOP 1 * FROM logs ORDER BY id", ", who", 60000, ""), "sort by fewer keys"},
  };
  for (const Case& c : cases) {
    try {
      Value(c.sql);
      ADD_FAILURE() << c.sql.substr(0, 60) << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.sql.substr(0, 60) << " -> " << e.what();
    }
  }
  // Long but shallow statements stay: a list of 10,000 values; a sum of 900 terms translates (the
  // engine's own parser stops far earlier at nested calls: "parser stack overflow").
  EXPECT_EQ(Value(repeat("SELECT Count(*) FROM logs WHERE id IN (0", ", 0", 30002, ")")), "0");
  EXPECT_NO_THROW(jet::Translate(repeat("SELECT 0", "+1", 1800, "")));
}

TEST_F(JetTest, TypedStatementsReachOnlyTheOpenDatabase) {
  const fs::path other = folder.path() / "other.db";
  for (const std::string& sql :
       std::vector<std::string>{"PRAGMA key = 'x'", "ATTACH DATABASE '" + other.string() + "' AS o",
                                "SELECT load_extension('libc.so.6')", "PRAGMA writable_schema = 1"}) {
    EXPECT_THROW(Value(sql), Error) << sql;
    // The engine's own syntax does not get past the translation either; check the guard itself.
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(conn->NativeHandle(), sql.c_str(), -1, &st, nullptr);
    sqlite3_finalize(st);
    EXPECT_NE(rc, SQLITE_OK) << sql;
  }
  EXPECT_FALSE(fs::exists(other));
}

}  // namespace
}  // namespace ornetta
