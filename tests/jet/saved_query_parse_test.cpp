// Parameters, crosstabs and views read and bound without a database: which names become
// parameters and of what type, what the crosstab's SQL is, and what is refused.
#include <gtest/gtest.h>

#include <string>

#include "data/values/error.h"
#include "data/jet/binder.h"
#include "data/jet/names.h"
#include "data/jet/parser.h"
#include "data/jet/translate.h"

namespace ornetta {
namespace {

std::optional<jet::JetType> Columns(const std::string& table, const std::string& column) {
  using jet::JetType;
  if (!jet::SameName(table, "t")) return std::nullopt;
  if (jet::SameName(column, "n")) return JetType::Long;
  if (jet::SameName(column, "d")) return JetType::DateTime;
  if (jet::SameName(column, "name")) return JetType::Text;
  return std::nullopt;
}

// name:Type, with '!' after a declared one.
std::string Parameters(const std::string& sql) {
  jet::ast::Statement s = jet::Parse(sql);
  jet::Bind(s, Columns, [](const std::string& table) { return table == "t"; });
  std::string out;
  for (const jet::ast::Parameter& p : s.parameters)
    out += (out.empty() ? "" : ",") + p.name + ":" + jet::TypeName(p.type) + (p.declared ? "!" : "");
  return out;
}

TEST(SavedQueryParse, WhichNamesAreParameters) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* want;
  } cases[] = {
      {"declared ones come first, in their order, with their types",
       "PARAMETERS [b] IEEEDouble, a Text (50), [c] Bit; SELECT [zz], a, [b] FROM t",
       "b:Double!,a:Text!,c:Boolean!,zz:Unknown"},
      {"Access's own type names are read", "PARAMETERS a Short, b Long, c Currency, d DateTime, e Value; SELECT 1",
       "a:Integer!,b:Long!,c:Currency!,d:Date!,e:Unknown!"},
      {"an undeclared one takes the type of what it is compared with",
       "SELECT n FROM t WHERE d > [From] AND [Least] <= n", "From:Date,Least:Long"},
      {"... or of its Between bounds and In list", "SELECT n FROM t WHERE [x] Between 1 And 2 OR name In ([y], 'a')",
       "x:Long,y:Text"},
      {"one declared without a type takes the type of the column it is stored into",
       "PARAMETERS [When] Value, [Which] Value; UPDATE t SET d = [When] WHERE n = [Which]", "When:Date!,Which:Long!"},
      {"... the same way in INSERT's values",
       "PARAMETERS [How many] Value, [When] Value; INSERT INTO t (n, d) VALUES ([How many], [When])",
       "How many:Long!,When:Date!"},
      {"a column is no parameter, however it is cased", "SELECT [N], [NAME] FROM t", ""},
      {"a bare name that is no column is left to the engine", "SELECT zz FROM t", ""},
      {"a qualified name is no parameter", "SELECT x.[zz] FROM t AS x", ""},
      {"a subquery's columns are not known, so nothing is taken for a parameter",
       "SELECT [zz] FROM (SELECT n FROM t) AS q", ""},
      {"nor over a table that does not exist", "SELECT [zz] FROM nowhere", ""},
      {"an alias of the list is no parameter", "SELECT n AS [k] FROM t ORDER BY [k]", ""},
      {"ORDER BY reads the tables' columns", "SELECT n FROM t ORDER BY [d], [zz]", "zz:Unknown"},
      {"an outer query's columns are seen from a subquery",
       "SELECT n FROM t WHERE n In (SELECT n FROM t AS u WHERE [d] = [zz])", "zz:Date"},
      {"a column's DEFAULT asks for nothing", "CREATE TABLE z (a LONG DEFAULT [q])", ""},
      {"the crosstab's cell and pivot are read in its scope",
       "TRANSFORM Sum([n]) SELECT [name] FROM t GROUP BY name PIVOT [Which]", "Which:Unknown"},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(Parameters(c.sql), c.want) << c.rule;
    } catch (const Error& e) {
      ADD_FAILURE() << c.rule << ": " << e.what();
    }
  }
}

// A statement that changes rows asks only for declared values: an undeclared name there is most
// often a misspelt column, and whatever is typed for it would decide which rows change.
TEST(SavedQueryParse, AStatementThatChangesRowsRefusesANameThatIsNoColumn) {
  const auto columns_of = [](const std::string& table) {
    return table == "t" ? std::vector<std::string>{"n", "d", "name"} : std::vector<std::string>{};
  };
  const auto bind = [&](const std::string& sql) {
    jet::ast::Statement s = jet::Parse(sql);
    jet::Bind(
        s, Columns, [](const std::string& table) { return table == "t"; }, columns_of);
  };
  for (const char* sql :
       {"DELETE FROM t WHERE [nmae] = 'Olga'", "UPDATE t SET n = 1 WHERE [nmae] = 'Olga'",
        "INSERT INTO t (n) SELECT n FROM t WHERE [nmae] = 'Olga'", "SELECT n INTO z FROM t WHERE [nmae] = 'Olga'"}) {
    try {
      bind(sql);
      ADD_FAILURE() << sql << ": bound";
    } catch (const Error& e) {
      EXPECT_EQ(e.Number(), err::kNoValueGiven) << sql;
      EXPECT_EQ(std::string(e.what()).rfind("No value given for one or more required parameters: [nmae] is not a "
                                            "column of t (did you mean name?).",
                                            0),
                0u)
          << sql << ": " << e.what();
    }
  }
  EXPECT_THROW(bind("INSERT INTO t (n) VALUES ([How many])"), Error);
  EXPECT_NO_THROW(bind("PARAMETERS [nmae] Text; DELETE FROM t WHERE name = [nmae]")) << "declared ones are asked";
  EXPECT_EQ(Parameters("SELECT n FROM t WHERE [nmae] = 'Olga'"), "nmae:Text") << "a SELECT still asks";
}

TEST(SavedQueryParse, WhatTheEngineIsGiven) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* want;
  } cases[] = {
      {"each parameter is the engine's ?N, the same number each time",
       "SELECT n FROM t WHERE n > [a] AND n < [b] OR n = [a]",
       "SELECT [n] FROM [t] WHERE ((([n] > ?1 COLLATE NOCASE) AND ([n] < ?2 COLLATE NOCASE)) OR ([n] = ?1 COLLATE "
       "NOCASE))"},
      {"a crosstab is its grouping SELECT with a column for each listed value, Null where no row has it",
       "TRANSFORM Count(*) SELECT name FROM t GROUP BY name PIVOT n IN (1, 'x')",
       "SELECT [name], (CASE WHEN count(CASE WHEN ([n]) = 1 COLLATE NOCASE THEN 1 END) = 0 THEN NULL ELSE count(CASE "
       "WHEN ([n]) = 1 "
       "COLLATE NOCASE THEN 1 END) END) AS \"1\", (CASE WHEN count(CASE WHEN ([n]) = 'x' COLLATE NOCASE THEN 1 END) = "
       "0 THEN NULL ELSE "
       "count(CASE WHEN ([n]) = 'x' COLLATE NOCASE THEN 1 END) END) AS \"x\" FROM [t] GROUP BY [name] COLLATE NOCASE"},
      {"a view keeps the translated SELECT under its column names", "CREATE VIEW [v w] (a, b) AS SELECT n, name FROM t",
       "CREATE VIEW [v w] ([a], [b]) AS SELECT [n], [name] FROM [t]"},
      {"DROP VIEW", "DROP VIEW [v w]", "DROP VIEW [v w]"},
  };
  for (const Case& c : cases) {
    try {
      EXPECT_EQ(jet::Translate(c.sql, Columns).sql, c.want) << c.rule;
    } catch (const Error& e) {
      ADD_FAILURE() << c.rule << ": " << e.what();
    }
  }
}

TEST(SavedQueryParse, WhatIsRefusedAndWhy) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* message;
  } cases[] = {
      {"a parameter is declared once", "PARAMETERS a Long, A Text; SELECT a", "the parameter [A] is declared twice"},
      {"PARAMETERS needs a statement after it", "PARAMETERS a Long;", "must be followed by the statement"},
      {"a view asks for nothing (Jet's rule)", "CREATE VIEW v AS SELECT n FROM t WHERE n > [Least]",
       "A view cannot ask for values"},
      {"... declared or not", "PARAMETERS a Long; CREATE VIEW v AS SELECT a", "the parameter [a]"},
      {"TRANSFORM's value is an aggregate", "TRANSFORM n SELECT name FROM t GROUP BY name PIVOT d",
       "must be an aggregate"},
      {"Last cannot be split by value", "TRANSFORM Last(n) SELECT name FROM t GROUP BY name PIVOT d IN (1)",
       "Last cannot be split"},
      {"... whatever the part reads from",
       "TRANSFORM n SELECT name, (SELECT 1) AS k FROM (SELECT * FROM t) AS q GROUP BY name PIVOT d IN (1)",
       "must be an aggregate"},
      {"a crosstab is no part of a UNION", "TRANSFORM Sum(n) SELECT name FROM t GROUP BY name UNION SELECT 1",
       "cannot be part of a UNION"},
      {"a crosstab has no TOP", "TRANSFORM Sum(n) SELECT TOP 2 name FROM t GROUP BY name PIVOT d",
       "TOP is not supported in a crosstab"},
      {"without the database, the values must be listed", "TRANSFORM Sum(n) SELECT name FROM t GROUP BY name PIVOT d",
       "list them with PIVOT ... IN"},
      {"PIVOT is needed", "TRANSFORM Sum(n) SELECT name FROM t GROUP BY name", "expected PIVOT"},
      {"CREATE VIEW needs a SELECT", "CREATE VIEW v AS DELETE FROM t", "expected the SELECT that the view shows"},
  };
  for (const Case& c : cases) {
    try {
      jet::Translate(c.sql, Columns);
      ADD_FAILURE() << c.rule << ": translated";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.rule << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace ornetta
