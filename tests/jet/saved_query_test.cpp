// The forms of saved queries, run on a real database: parameters (declared, and bracketed names
// that are no column), crosstabs (TRANSFORM ... PIVOT) and views (CREATE VIEW / DROP VIEW).
#include <gtest/gtest.h>

#include <map>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

class SavedQueryTest : public testing::JetDatabase {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE Sales (id COUNTER PRIMARY KEY, region TEXT(10), product TEXT(10), qty LONG, price CURRENCY, sold "
        "DATETIME)");
    const char* rows[] = {
        "'North', 'Apples', 5, 1.5, #1/5/2026#", "'North', 'pears', 2, 2, #1/20/2026#",
        "'South', 'apples', 7, 1.5, #2/1/2026#", "'South', 'Plums', 1, 3, #2/2/2026#",
        "'North', 'Apples', 3, 1.5, #2/3/2026#", "'East', Null, 4, 1, #3/1/2026#",
    };
    for (const char* r : rows)
      Run(std::string("INSERT INTO Sales (region, product, qty, price, sold) VALUES (") + r + ")");
  }

  // Every row as Rows gives them, the parameters answered from `given` (a missing one cancels).
  std::string Asked(const std::string& sql, const std::map<std::string, std::string>& given) {
    asked.clear();
    Recordset rs;
    rs.SetParameterPrompt([&](const std::string& name) -> std::optional<std::string> {
      asked += (asked.empty() ? "" : ",") + name;
      const auto it = given.find(name);
      if (it == given.end()) return std::nullopt;
      return it->second;
    });
    rs.Open(sql, conn);
    std::string out;
    for (; !rs.Eof(); rs.MoveNext()) {
      if (!out.empty()) out += ";";
      for (int i = 0; i < rs.FieldCount(); ++i) out += (i ? "," : "") + Text(rs.Fields(i));
    }
    return out;
  }

  std::string Header(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, conn);
    std::string out;
    for (int i = 0; i < rs.FieldCount(); ++i) out += (i ? "," : "") + rs.FieldName(i);
    return out;
  }

  std::string asked;  // the names the prompt was asked for, in order
};

TEST_F(SavedQueryTest, ParametersTakeTheValuesGiven) {
  struct Case {
    const char* rule;
    const char* sql;
    std::map<std::string, std::string> given;
    const char* asked;
    const char* want;
  } cases[] = {
      {"a declared DateTime reads the date typed, with or without #...#",
       "PARAMETERS [Start Date] DateTime, [End Date] DateTime; SELECT id FROM Sales WHERE sold BETWEEN [Start Date] "
       "AND [End Date] ORDER BY id",
       {{"Start Date", "1/10/2026"}, {"End Date", "#2/2/2026#"}},
       "Start Date,End Date",
       "2;3;4"},
      {"a bracketed name that is no column is a parameter; compared with a date it is read as one",
       "SELECT Count(*) FROM Sales WHERE sold >= [From when?]",
       {{"From when?", "2/1/2026"}},
       "From when?",
       "4"},
      {"the same parameter twice is asked for once",
       "SELECT Count(*) FROM Sales WHERE qty >= [Least] AND price <= [least]",
       {{"Least", "3"}},
       "Least",
       "4"},
      {"a declared parameter wins over a column of its name, as in Jet",
       "PARAMETERS qty Long; SELECT Count(*) FROM Sales WHERE qty = 4",
       {{"qty", "4"}},
       "qty",
       "6"},
      {"a declared Long rounds half to even", "PARAMETERS [n] Long; SELECT [n]", {{"n", "2.5"}}, "n", "2"},
      {"a Bit reads True, Yes, On or a number", "PARAMETERS [b] Bit; SELECT [b], Not [b]", {{"b", "yes"}}, "b", "-1,0"},
      {"an empty answer is Null", "PARAMETERS [x] Long; SELECT [x] Is Null", {{"x", ""}}, "x", "-1"},
      {"text is taken as typed, quotes and all", "SELECT [Who] & '!'", {{"Who", "O'Brien"}}, "Who", "O'Brien!"},
      {"text compares without regard to case",
       "SELECT qty FROM Sales WHERE product = [Which product?] ORDER BY qty",
       {{"Which product?", "APPLES"}},
       "Which product?",
       "3;5;7"},
      {"an alias of the list is no parameter",
       "SELECT qty * 2 AS [Double] FROM Sales WHERE id < 3 ORDER BY [Double]",
       {},
       "",
       "4;10"},
      {"a column of an outer query is no parameter",
       "SELECT id FROM Sales AS s WHERE qty = (SELECT Max(qty) FROM Sales WHERE region = [s].[region] AND [sold] < "
       "#3/1/2026#) ORDER BY id",
       {},
       "",
       "1;3"},
      {"INSERT ... VALUES asks for its values",
       "PARAMETERS [Region?] Text, [How many?] Value; INSERT INTO Sales (region, qty) VALUES ([Region?], [How many?])",
       {{"Region?", "West"}, {"How many?", "9"}},
       "Region?,How many?",
       ""},
      {"UPDATE asks too; a value of no declared type is read as the column it is stored into",
       "PARAMETERS [New date] Value; UPDATE Sales SET sold = [New date] WHERE region = 'West'",
       {{"New date", "3/4/2026"}},
       "New date",
       ""},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(Asked(c.sql, c.given), c.want) << c.rule;
      EXPECT_EQ(asked, c.asked) << c.rule;
    } catch (const Error& e) {
      ADD_FAILURE() << c.rule << ": " << e.what();
    }
  }
  EXPECT_EQ(TypedRow("SELECT qty, sold FROM Sales WHERE region = 'West'"), "int:9,date:2026-03-04 00:00:00");
}

TEST_F(SavedQueryTest, AParameterWithoutAValueStopsTheStatementWithItsName) {
  struct Case {
    const char* rule;
    const char* sql;
    std::map<std::string, std::string> given;
    const char* message;
  } cases[] = {
      {"a cancelled prompt runs nothing",
       "PARAMETERS [Above] Long; DELETE FROM Sales WHERE qty > [Above]",
       {},
       "no value was given for the parameter [Above]"},
      {"a misspelt column in a write is refused before anything is asked",
       "DELETE FROM Sales WHERE [qtty] > 1",
       {{"qtty", "0"}},
       "[qtty] is not a column of Sales (did you mean qty?)"},
      {"a date that is none is refused, naming the parameter",
       "PARAMETERS [d] DateTime; SELECT [d]",
       {{"d", "someday"}},
       "'someday' given for the parameter [d] is not a date"},
      {"a number that does not fit is an overflow",
       "PARAMETERS [i] Short; SELECT [i]",
       {{"i", "40000"}},
       "does not fit a Integer"},
      {"a declared type that no text can give is refused",
       "PARAMETERS [p] Binary; SELECT [p]",
       {},
       "is no type a parameter can have"},
      {"PARAMETERS must end in ';'",
       "PARAMETERS [p] Long SELECT [p]",
       {},
       "expected ';' after the PARAMETERS declaration"},
  };
  for (const Case& c : cases) {
    try {
      Asked(c.sql, c.given);
      ADD_FAILURE() << c.rule << ": ran";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.rule << ": " << e.what();
    }
  }
  EXPECT_EQ(Value("SELECT Count(*) FROM Sales"), "6");
  // Without anyone to ask (a program's own lookups), the statement fails and says which value is missing.
  try {
    Value("SELECT [Nobody asked]");
    ADD_FAILURE() << "ran without a value";
  } catch (const Error& e) {
    EXPECT_EQ(e.Number(), -2147217904);
    EXPECT_NE(std::string(e.what()).find("[Nobody asked]"), std::string::npos) << e.what();
  }
  // A bracketed name over a table that does not exist stays the engine's error: nobody is asked.
  EXPECT_THROW(Asked("SELECT [x] FROM Nowhere", {}), Error);
  EXPECT_EQ(asked, "");
}

TEST_F(SavedQueryTest, CrosstabsHaveAColumnForEachPivotValue) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* header;
    const char* rows;
  } cases[] = {
      {"a column for each value, in order, text grouped without regard to case; a cell without rows is Null",
       "TRANSFORM Sum(qty) SELECT region FROM Sales GROUP BY region PIVOT product", "region,<>,Apples,pears,Plums",
       "East,4,<null>,<null>,<null>;North,<null>,8,2,<null>;South,<null>,7,<null>,1"},
      {"IN (...) gives the columns and their order, values without rows included",
       "TRANSFORM Count(*) AS n SELECT region FROM Sales WHERE qty > 1 GROUP BY region ORDER BY region DESC PIVOT "
       "product IN ('Plums', 'Apples', 'Kiwis')",
       "region,Plums,Apples,Kiwis", "South,<null>,1,<null>;North,<null>,2,<null>;East,<null>,<null>,<null>"},
      {"other aggregates of the list are row totals beside the pivot's columns",
       "TRANSFORM Sum(qty * price) SELECT region, Sum(qty) AS Total FROM Sales GROUP BY region PIVOT Format(sold, "
       "'mmm') IN ('Jan', 'Feb')",
       "region,Total,Jan,Feb", "East,4,<null>,<null>;North,10,11.5,4.5;South,8,<null>,13.5"},
      {"the cell may be an expression over aggregates",
       "TRANSFORM Nz(Max(qty), 0) - Min(qty) SELECT 'all' AS rows FROM Sales PIVOT region", "rows,East,North,South",
       "all,0,3,6"},
      {"a crosstab is a table to an outer SELECT",
       "SELECT c.region AS region, c.Apples AS Apples FROM (TRANSFORM Sum(qty) SELECT region FROM Sales GROUP BY "
       "region PIVOT product) AS c WHERE c.Apples > 7",
       "region,Apples", "North,8"},
      {"numbers pivot as numbers",
       "TRANSFORM Count(*) SELECT region FROM Sales WHERE region = 'North' GROUP BY region PIVOT qty", "region,2,3,5",
       "North,1,1,1"},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(Header(c.sql), c.header) << c.rule;
      EXPECT_EQ(Rows(c.sql), c.rows) << c.rule;
    } catch (const Error& e) {
      ADD_FAILURE() << c.rule << ": " << e.what();
    }
  }
  // A value of the rows is a column's name, never part of the statement.
  Run("INSERT INTO Sales (region, product, qty) VALUES ('x', 'a]\"b'' --', 1)");
  EXPECT_EQ(Header("TRANSFORM Sum(qty) SELECT region FROM Sales WHERE region = 'x' GROUP BY region PIVOT product"),
            "region,a]\"b' --");
  ExpectErrors(
      {{"TRANSFORM qty SELECT region FROM Sales GROUP BY region PIVOT product", "must be an aggregate"},
       {"TRANSFORM First(qty) SELECT region FROM Sales GROUP BY region PIVOT product", "First cannot be split"},
       {"TRANSFORM Sum(qty) SELECT region FROM Sales GROUP BY region PIVOT product IN (region)",
        "PIVOT ... IN lists values"},
       {"TRANSFORM Count(*) SELECT 1 AS x FROM Sales a, Sales b, Sales c PIVOT a.id * 100 + b.id * 10 + c.id",
        "Too many crosstab column headers"}},
      false);
}

TEST_F(SavedQueryTest, ViewsKeepQueriesThatOtherStatementsRead) {
  Run("CREATE VIEW [North Sales] AS SELECT id, product, qty * price AS amount, sold FROM Sales WHERE region = 'North'");
  Run("CREATE VIEW Totals (product, total) AS SELECT product, Sum(amount) FROM [North Sales] GROUP BY product");
  EXPECT_EQ(Rows("SELECT * FROM Totals ORDER BY product"), "Apples,12;pears,4");
  EXPECT_EQ(Rows("SELECT s.region FROM Sales AS s INNER JOIN [north sales] AS n ON s.id = n.id WHERE n.amount > 5"),
            "North");
  // A stored date column keeps its type through the view.
  EXPECT_EQ(TypedRow("SELECT sold FROM [North Sales] WHERE id = 1"), "date:2026-01-05 00:00:00");
  // A crosstab with its values listed can be kept; its columns are fixed from then on.
  Run("CREATE VIEW ByMonth AS TRANSFORM Sum(qty) SELECT region FROM Sales GROUP BY region PIVOT Month(sold) IN (1, 2)");
  EXPECT_EQ(Header("SELECT * FROM ByMonth"), "region,1,2");
  // A view reads rows; it is changed by changing its tables.
  ExpectErrors({{"DELETE FROM [North Sales]", "view"},
                {"CREATE VIEW Sales AS SELECT 1 AS x", "already exists"},
                {"CREATE VIEW Asking AS SELECT * FROM Sales WHERE qty > [Least]",
                 "A view cannot ask for values: the parameter [Least]"},
                {"CREATE VIEW Open AS TRANSFORM Sum(qty) SELECT region FROM Sales GROUP BY region PIVOT product",
                 "list them with PIVOT ... IN"},
                {"CREATE VIEW sqlite_x AS SELECT 1 AS x", "the database engine's own"},
                {"DROP VIEW Sales", "DROP TABLE"}},
               false);
  Run("DROP VIEW Totals");
  Run("DROP VIEW [North Sales]");
  ExpectErrors({{"SELECT * FROM Totals", "no such table"}}, false);
  EXPECT_EQ(Value("SELECT Count(*) FROM Sales"), "6");
}

}  // namespace
}  // namespace ornetta
