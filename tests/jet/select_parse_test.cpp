// SELECT's predicates, names, aliases and joins through the parser, the binder and the writer
// alone, without a database; each row names the Jet rule it checks.
#include <gtest/gtest.h>

#include <string>

#include "data/values/error.h"
#include "data/jet/binder.h"
#include "data/jet/names.h"
#include "data/jet/parser.h"
#include "data/jet/result_names.h"
#include "data/jet/right_join.h"
#include "data/jet/translate.h"

namespace ornetta {
namespace {

std::optional<jet::JetType> Columns(const std::string& table, const std::string& column) {
  if (jet::SameName(table, "a") && (jet::SameName(column, "x") || jet::SameName(column, "id")))
    return jet::JetType::Long;
  if (jet::SameName(table, "b") && (jet::SameName(column, "y") || jet::SameName(column, "id")))
    return jet::JetType::Text;
  return std::nullopt;
}

jet::ast::Statement Bound(const std::string& sql, bool with_columns = true) {
  jet::ast::Statement s = jet::Parse(sql);
  jet::RewriteRightJoins(s);
  jet::Bind(s, with_columns ? jet::ColumnTypeLookup(Columns) : jet::ColumnTypeLookup());
  return s;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) out += (i ? "," : "") + v[i];
  return out;
}

TEST(SelectParseTest, PredicatesAndInto) {
  const auto s = jet::Parse("SELECT DISTINCTROW TOP 25 PERCENT x INTO [New Table] FROM a");
  EXPECT_EQ(s.kind, jet::ast::Statement::kSelectInto);
  EXPECT_EQ(s.table, "New Table");
  const jet::ast::Core& c = s.select->cores[0];
  EXPECT_TRUE(c.distinct_row);
  EXPECT_FALSE(c.distinct);
  EXPECT_EQ(c.top, 25);
  EXPECT_TRUE(c.top_percent);
  // INTO belongs to the statement's first SELECT only; a subquery before it does not take it.
  EXPECT_EQ(jet::Parse("SELECT (SELECT 1) INTO t FROM a").table, "t");
  EXPECT_EQ(jet::Parse("SELECT x FROM a WHERE x IN (SELECT x FROM a)").kind, jet::ast::Statement::kSelect);
  EXPECT_THROW(jet::Parse("SELECT x FROM a WHERE x IN (SELECT x INTO t FROM a)"), Error);
}

TEST(SelectParseTest, ResultNames) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* names;
  } cases[] = {
      {"alias, else the column's name, else Expr1000 + position", "SELECT x AS n, a.x, x + 1, 'k' AS [Key] FROM a",
       "n,x,Expr1002,Key"},
      {"two columns of one name keep their tables'", "SELECT a.id, b.id FROM a, b", "a.id,b.id"},
      {"an alias is never qualified", "SELECT a.id, b.y AS id FROM a, b", "a.id,id"},
      {"* and t.* have no name of their own", "SELECT *, a.*, 1 FROM a", ",,Expr1002"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Joined(jet::ResultNames(jet::Parse(c.sql).select->cores[0])), c.names) << c.rule;
}

TEST(SelectParseTest, AliasesOfTheSameListAreTheirItemsValues) {
  const auto s = Bound("SELECT x * 2 AS d, d + 1 AS e, x FROM a");
  const auto& items = s.select->cores[0].items;
  EXPECT_EQ(items[1].expr->args[0]->alias_of, items[0].expr.get()) << "d in the second item is the first item";
  EXPECT_EQ(items[1].expr->type, jet::Type::kLong);
  EXPECT_EQ(items[2].expr->alias_of, nullptr) << "x is a column of a";
  const std::string twice = jet::Translate("SELECT 2 AS a, a * a AS b").sql;
  const std::string second = twice.substr(twice.find(", ") + 2);
  EXPECT_EQ(second.find("[a]"), std::string::npos) << twice;
  EXPECT_NE(second.find("(2)"), second.rfind("(2)")) << twice << ": a is written out where it is used";
  struct Case {
    const char* rule;
    const char* sql;
    const char* says;
  } refused[] = {
      {"an alias used in its own item",
       "SELECT y & 'x' AS z, z FROM b WHERE z = 1 AND 0 = 1 OR 1 = 1 AND z + z = 2 AND Len(z) > 0 AND z Is Null AND z "
       "<> z",
       ""},
      {"an alias of itself", "SELECT z + 1 AS z FROM a", "Circular reference caused by alias 'z'"},
      {"a circle of two", "SELECT q + 1 AS p, p + 1 AS q", "Circular reference caused by alias"},
  };
  EXPECT_NO_THROW(Bound(refused[0].sql)) << refused[0].rule
                                         << ": z outside the list is no alias; the engine reads it there";
  for (size_t i = 1; i < std::size(refused); ++i) {
    try {
      Bound(refused[i].sql);
      ADD_FAILURE() << refused[i].rule;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(refused[i].says), std::string::npos) << refused[i].rule << ": " << e.what();
    }
  }
  // Aliases that each use the one before twice would double the statement at every step.
  std::string chain = "SELECT 1 AS a0";
  for (int i = 1; i <= 40; ++i)
    chain += ", a" + std::to_string(i - 1) + " + a" + std::to_string(i - 1) + " AS a" + std::to_string(i);
  try {
    Bound(chain);
    ADD_FAILURE() << "a doubling chain of aliases was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("repeat too much"), std::string::npos) << e.what();
  }
  // Each alias used before its item binds that item first: a long chain of them is refused
  // before it exhausts the stack.
  std::string forward = "SELECT b1 AS b0";
  for (int i = 1; i < 3000; ++i) forward += ", b" + std::to_string(i + 1) + " AS b" + std::to_string(i);
  try {
    Bound(forward + ", 1 AS b3000");
    ADD_FAILURE() << "a chain of 3000 aliases was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("too deeply"), std::string::npos) << e.what();
  }
}

TEST(SelectParseTest, DistinctRowKeysAreTheShownTables) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* keys;
  } cases[] = {
      {"the tables the list shows columns of", "SELECT DISTINCTROW y FROM a INNER JOIN b ON a.id = b.id", "b"},
      {"by alias", "SELECT DISTINCTROW q.x FROM a AS q, b", "q"},
      {"t.*", "SELECT DISTINCTROW b.* FROM a, b", "b"},
      {"a column in a subquery of the list",
       "SELECT DISTINCTROW (SELECT Max(x) FROM a AS z WHERE z.id = b.id) FROM a, b", "b"},
      {"every table shown: nothing to do", "SELECT DISTINCTROW x, y FROM a, b", ""},
      {"*: every table", "SELECT DISTINCTROW * FROM a, b", ""},
      {"one table: nothing to do", "SELECT DISTINCTROW x FROM a", ""},
      {"groups are rows already", "SELECT DISTINCTROW Count(*) FROM a, b", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Joined(Bound(c.sql).select->cores[0].row_keys), c.keys) << c.rule;
  try {
    Bound("SELECT DISTINCTROW y FROM a, b", false);
    ADD_FAILURE() << "a column whose table cannot be told was accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("write 'y' as table.y"), std::string::npos) << e.what();
  }
}

TEST(SelectParseTest, RightJoinIsWrittenAsLeftJoin) {
  struct Case {
    const char* rule;
    const char* sql;
    const char* from;  // the written FROM list
  } cases[] = {
      {"two tables swap", "SELECT x FROM a RIGHT JOIN b ON a.id = b.id",
       " FROM [b] LEFT JOIN [a] ON ([a].[id] = [b].[id])"},
      {"what came before is the right side",
       "SELECT x FROM a INNER JOIN b ON a.id = b.id RIGHT OUTER JOIN c ON c.id = a.id",
       " FROM [c] LEFT JOIN ([a] INNER JOIN [b] ON ([a].[id] = [b].[id])) ON ([c].[id] = [a].[id])"},
      {"only back to the last comma", "SELECT x FROM c, a RIGHT JOIN b ON a.id = b.id",
       " FROM [c], [b] LEFT JOIN [a] ON ([a].[id] = [b].[id])"},
      {"inside parentheses", "SELECT x FROM c INNER JOIN (a RIGHT JOIN b ON a.id = b.id) ON c.id = b.id",
       " FROM [c] INNER JOIN ([b] LEFT JOIN [a] ON ([a].[id] = [b].[id])) ON ([c].[id] = [b].[id])"},
  };
  for (const Case& c : cases) {
    std::string sql = jet::Translate(c.sql).sql;
    for (size_t at; (at = sql.find(" COLLATE NOCASE")) != std::string::npos;) sql.erase(at, 15);
    EXPECT_EQ(sql.substr(sql.find(" FROM ")), c.from) << c.rule;
  }
  EXPECT_EQ(jet::Translate("SELECT * FROM a AS p RIGHT JOIN b ON p.id = b.id").sql.substr(0, 24),
            "SELECT [p].*, [b].* FROM")
      << "* keeps the tables' written order";
}

TEST(SelectParseTest, FormReferencesAreRefusedWhereTheyStand) {
  try {
    jet::Parse("SELECT x FROM a WHERE x = Forms![Order Entry]!OrderID");
    ADD_FAILURE() << "accepted";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("Forms!Order Entry!OrderID (character 27)"), std::string::npos) << e.what();
  }
  // A table called Forms is still a table, and table!column a column.
  EXPECT_NO_THROW(jet::Parse("SELECT Forms.x, a!x FROM Forms, a"));
}

// A statement the binder accepts (`says` empty) or refuses with a message that holds `says`.
struct Verdict {
  const char* rule;
  const char* sql;
  const char* says;
};

void ExpectVerdict(const Verdict& c) {
  try {
    Bound(c.sql);
    EXPECT_STREQ(c.says, "") << c.rule << ": accepted";
  } catch (const Error& e) {
    EXPECT_NE(*c.says, 0) << c.rule << ": " << e.what();
    if (*c.says) EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.rule << ": " << e.what();
  }
}

TEST(SelectParseTest, TotalsCannotChooseTheRowsTheyAreTakenOver) {
  const Verdict cases[] = {
      {"WHERE picks rows before any total", "SELECT x FROM a WHERE Sum(x) > 1",
       "Cannot have aggregate function in WHERE clause (Sum at character 23); a condition on a total belongs in "
       "HAVING."},
      {"so does ON", "SELECT a.x FROM a INNER JOIN b ON Max(a.x) = b.id", "in JOIN operation (Max at character 35)"},
      {"GROUP BY names the rows' columns", "SELECT Count(*) FROM a GROUP BY Count(x)",
       "in GROUP BY clause (Count at character 33)"},
      {"an UPDATE's WHERE too", "UPDATE a SET x = 1 WHERE Avg(x) > 2",
       "in WHERE clause (Avg at character 26); take the total in a subquery"},
      {"a DELETE's WHERE too", "DELETE FROM a WHERE Count(*) > 1", "in WHERE clause (Count at character 21)"},
      {"a subquery's total is a value of the outer WHERE", "SELECT x FROM a WHERE x > (SELECT Avg(x) FROM a)", ""},
      {"and a total in HAVING chooses groups", "SELECT x FROM a GROUP BY x HAVING Sum(x) > 1 ORDER BY Sum(x)", ""},
      {"a total by its alias is a total", "SELECT Sum(x) AS s FROM a WHERE s > 1",
       "in WHERE clause (s at character 33)"},
      {"in GROUP BY too", "SELECT id, Sum(x) AS s FROM a GROUP BY id, s", "in GROUP BY clause (s at character 44)"},
      {"and inside another total", "SELECT Sum(x) AS s, Sum(s) AS u FROM a", "(Sum inside Sum at character 21)"},
      {"HAVING may name a total by its alias", "SELECT id, Sum(x) AS s FROM a GROUP BY id HAVING s > 1", ""},
      {"a subquery's own WHERE is checked too", "SELECT x FROM a WHERE x IN (SELECT id FROM b WHERE Min(id) > 1)",
       "in WHERE clause (Min at character 52)"},
  };
  for (const Verdict& c : cases) ExpectVerdict(c);
}

TEST(SelectParseTest, ATotallingQueryShowsOnlyTotalsAndWhatItGroupsBy) {
  const Verdict cases[] = {
      {"a column beside a total is no group's", "SELECT x, Count(*) FROM a",
       "does not include the specified expression 'x' as part of an aggregate function."},
      {"nor one the GROUP BY leaves out", "SELECT id, x FROM a GROUP BY id", "expression 'x'"},
      {"an ORDER BY total makes the query total", "SELECT x FROM a ORDER BY Sum(x)", "expression 'x'"},
      {"HAVING is read per group too", "SELECT id FROM a GROUP BY id HAVING x > 1", "expression 'x'"},
      {"ORDER BY too", "SELECT id, Count(*) FROM a GROUP BY id ORDER BY x", "expression 'x'"},
      {"* selects every column", "SELECT * FROM a GROUP BY id", "Cannot group on fields selected with '*'"},
      {"a total of totals", "SELECT Sum(Max(x)) FROM a",
       "Cannot have aggregate function in expression (Max inside Sum"},
      {"grouped, with and without the table's name", "SELECT a.id, Count(*) FROM a GROUP BY id ORDER BY a.id", ""},
      {"an expression grouped by, and inside others", "SELECT x + 1, (x + 1) * 2, Sum(id) FROM a GROUP BY x + 1", ""},
      {"columns inside totals, literals and aliases", "SELECT 'k', Sum(x) AS s, s * 2 AS t FROM a ORDER BY s", ""},
      {"a subquery is a query of its own", "SELECT id, (SELECT Max(y) FROM b) FROM a GROUP BY id", ""},
      {"a query that does not total is left alone", "SELECT x, id FROM a ORDER BY x", ""},
  };
  for (const Verdict& c : cases) ExpectVerdict(c);
}

}  // namespace
}  // namespace ornetta
