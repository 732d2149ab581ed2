// Jet's SELECT on a real database: the names of the result's columns, aliases used in the same
// list, TOP n PERCENT and TOP with DISTINCT, DISTINCTROW, subqueries in FROM, RIGHT JOIN and
// SELECT ... INTO, each row of a table naming the Jet rule it checks.
#include <gtest/gtest.h>

#include <string>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

class SelectTest : public testing::JetDatabase {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE Customers (CustomerID LONG, CompanyName TEXT(40))");
    Run("CREATE TABLE Orders (OrderID COUNTER PRIMARY KEY, CustomerID LONG, Placed DATETIME)");
    Run("CREATE TABLE Lines (OrderID LONG, Qty LONG, Price CURRENCY)");
    // Two customers of one name: DISTINCTROW tells their rows apart, DISTINCT does not.
    for (const char* row : {"1, 'Alpha'", "2, 'Beta'", "3, 'Alpha'", "4, 'Idle'"})
      Run(std::string("INSERT INTO Customers VALUES (") + row + ")");
    for (const char* row : {"1, #1/2/2026#", "1, #1/3/2026#", "2, #1/4/2026#", "3, #1/5/2026#", "9, #1/6/2026#"})
      Run(std::string("INSERT INTO Orders (CustomerID, Placed) VALUES (") + row + ")");
    for (const char* row : {"1, 5, 1.5", "1, Null, 2", "2, 7, 3", "3, 1, 4"})
      Run(std::string("INSERT INTO Lines VALUES (") + row + ")");
  }

  // The result's column names, joined by ','.
  std::string Names(const std::string& sql) {
    Recordset rs;
    rs.Open(sql, conn);
    std::string out;
    for (int i = 0; i < rs.FieldCount(); ++i) out += (i ? "," : "") + rs.FieldName(i);
    return out;
  }

  struct Row {
    const char* rule;
    const char* sql;
    const char* want;
  };

  void ExpectRows(std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
      try {
        EXPECT_EQ(Rows(r.sql), r.want) << r.rule << ": " << r.sql;
      } catch (const Error& e) {
        ADD_FAILURE() << r.rule << ": " << r.sql << ": " << e.what();
      }
    }
  }

  void ExpectRefused(std::initializer_list<Row> rows) {
    for (const Row& r : rows) {
      try {
        ADD_FAILURE() << r.rule << ": " << r.sql << " gave " << Rows(r.sql);
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(r.want), std::string::npos)
            << r.rule << ": " << r.sql << " -> " << e.what();
      }
    }
  }
};

TEST_F(SelectTest, ColumnsAreNamedAsJetNamesThem) {
  const Row rows[] = {
      {"a column after a parenthesised join keeps its own name",
       "SELECT Orders.OrderID, Customers.CompanyName FROM Customers INNER JOIN (Orders INNER JOIN Lines ON "
       "Orders.OrderID = "
       "Lines.OrderID) ON Customers.CustomerID = Orders.CustomerID",
       "OrderID,CompanyName"},
      {"an alias names its column", "SELECT OrderID AS Nr, Placed + 1 AS [Next Day] FROM Orders", "Nr,Next Day"},
      {"an expression without an alias is Expr1000 + its position",
       "SELECT 1, OrderID, OrderID + 1, Count(*) FROM Orders GROUP BY OrderID", "Expr1000,OrderID,Expr1002,Expr1003"},
      {"two columns of one name keep their tables' names",
       "SELECT Orders.OrderID, Lines.OrderID, Qty FROM Orders INNER JOIN Lines ON Orders.OrderID = Lines.OrderID",
       "Orders.OrderID,Lines.OrderID,Qty"},
      {"table!column is table.column", "SELECT Orders!OrderID FROM Orders", "OrderID"},
      {"a * of two tables with a column of one name: each keeps its table's name",
       "SELECT * FROM Orders INNER JOIN Lines ON Orders.OrderID = Lines.OrderID",
       "Orders.OrderID,CustomerID,Placed,Lines.OrderID,Qty,Price"},
      {"... beside an alias of another table's column too", "SELECT Qty AS OrderID, Orders.* FROM Orders, Lines",
       "OrderID,Orders.OrderID,CustomerID,Placed"},
      {"a subquery's columns are named in it",
       "SELECT q.n, Expr1001 FROM (SELECT OrderID AS n, OrderID * 2 FROM Orders) AS q", "n,Expr1001"},
  };
  for (const Row& r : rows) EXPECT_EQ(Names(r.sql), r.want) << r.rule << ": " << r.sql;
}

TEST_F(SelectTest, AnAliasCanBeUsedLaterInTheSameList) {
  ExpectRows({
      {"a later item uses an earlier alias",
       "SELECT Nz(Qty, 0) AS [In], [In] * 2 AS [Twice] FROM Lines WHERE OrderID = 1 ORDER BY Price", "5,10;0,0"},
      {"an alias of an alias", "SELECT 2 AS a, a + 1 AS b, b * a AS c", "2,3,6"},
      {"an earlier item uses a later alias", "SELECT b + 1 AS c, 10 AS b", "11,10"},
      {"an aggregate's alias", "SELECT Sum(Qty) AS Total, Total / Count(*) AS Average FROM Lines", "13,3.25"},
      {"a table's column of that name comes first",
       "SELECT OrderID + 100 AS CustomerID, CustomerID FROM Orders WHERE OrderID = 1", "101,1"},
      {"the alias's value, with its type", "SELECT Placed AS p, p + 1 AS q FROM Orders WHERE OrderID = 1",
       "2026-01-02 00:00:00,2026-01-03 00:00:00"},
  });
  EXPECT_EQ(TypedRow("SELECT #1/2/2026# AS d, d + 1 AS e"), "date:2026-01-02 00:00:00,date:2026-01-03 00:00:00");
  ExpectRefused({
      {"an alias of itself", "SELECT a + 1 AS a", "Circular reference caused by alias 'a'"},
      {"aliases in a circle", "SELECT b + 1 AS a, a + 1 AS b", "Circular reference caused by alias"},
  });
}

TEST_F(SelectTest, FormReferencesAreRefusedByName) {
  ExpectRefused({
      {"a form's control", "SELECT * FROM Orders WHERE OrderID = Forms!Orders!OrderID", "Forms!Orders!OrderID"},
      {"in brackets", "SELECT * FROM Orders WHERE OrderID = [Forms]![Orders]![OrderID]", "Forms!Orders!OrderID"},
      {"a subform's", "SELECT Forms!Main!Sub.Form!Total", "Forms!Main!Sub.Form!Total"},
      {"a report's", "SELECT Reports!Sales!Total",
       "Reports!Sales!Total (character 8) reads a form or report of Access"},
  });
}

TEST_F(SelectTest, TopPercentAndTopWithDistinct) {
  Run("CREATE TABLE n (v LONG)");
  for (int v : {1, 2, 3, 3, 4, 5, 6, 7, 8, 9}) Run("INSERT INTO n VALUES (" + std::to_string(v) + ")");
  ExpectRows({
      {"n of each hundred rows, rounded up: 25% of 10 is 3", "SELECT TOP 25 PERCENT v FROM n ORDER BY v", "1;2;3;3"},
      {"... and rows level with the last are kept", "SELECT TOP 30 PERCENT v FROM n ORDER BY v", "1;2;3;3"},
      {"1% of 10 rows is 1 row", "SELECT TOP 1 PERCENT v FROM n ORDER BY v DESC", "9"},
      {"100% is every row", "SELECT TOP 100 PERCENT Count(*) FROM (SELECT v FROM n)", "10"},
      {"without ORDER BY, that many rows", "SELECT Count(*) FROM (SELECT TOP 50 PERCENT v FROM n)", "5"},
      {"of the rows WHERE leaves", "SELECT TOP 50 PERCENT v FROM n WHERE v > 5 ORDER BY v", "6;7"},
      {"in a subquery in FROM", "SELECT Sum(v) FROM (SELECT TOP 20 PERCENT v FROM n ORDER BY v DESC)", "17"},
      {"of no rows, none", "SELECT TOP 10 PERCENT v FROM n WHERE v > 100 ORDER BY v", ""},
      {"of the distinct rows", "SELECT DISTINCT TOP 50 PERCENT v FROM n ORDER BY v", "1;2;3;4;5"},
      {"TOP n with DISTINCT counts distinct rows", "SELECT DISTINCT TOP 3 v FROM n ORDER BY v", "1;2;3"},
      {"TOP n with DISTINCT and no order", "SELECT Count(*) FROM (SELECT DISTINCT TOP 4 v FROM n WHERE v < 5)", "4"},
  });
}

TEST_F(SelectTest, DistinctRowTellsTheShownTablesRowsApart) {
  ExpectRows({
      {"one row for each customer with orders, two of one name included",
       "SELECT DISTINCTROW CompanyName FROM Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID "
       "ORDER BY CompanyName",
       "Alpha;Alpha;Beta"},
      {"DISTINCT, by contrast, compares the values",
       "SELECT DISTINCT CompanyName FROM Customers INNER JOIN Orders ON Customers.CustomerID = Orders.CustomerID ORDER "
       "BY CompanyName",
       "Alpha;Beta"},
      {"with columns of every table it changes nothing",
       "SELECT DISTINCTROW CompanyName, OrderID FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
       "Orders.CustomerID ORDER BY OrderID",
       "Alpha,1;Alpha,2;Beta,3;Alpha,4"},
      {"of one table it changes nothing", "SELECT DISTINCTROW CustomerID FROM Orders ORDER BY CustomerID", "1;1;2;3;9"},
      {"t.* shows t",
       "SELECT DISTINCTROW c.* FROM Customers AS c INNER JOIN Orders AS o ON c.CustomerID = o.CustomerID ORDER BY "
       "c.CustomerID",
       "1,Alpha;2,Beta;3,Alpha"},
      {"a table beside a parenthesised join",
       "SELECT DISTINCTROW CompanyName FROM Customers INNER JOIN (Orders INNER JOIN Lines ON Orders.OrderID = "
       "Lines.OrderID) ON "
       "Customers.CustomerID = Orders.CustomerID ORDER BY CompanyName",
       "Alpha;Beta"},
      {"with TOP",
       "SELECT DISTINCTROW TOP 2 CompanyName FROM Customers INNER JOIN Orders ON Customers.CustomerID = "
       "Orders.CustomerID ORDER BY CompanyName",
       "Alpha;Alpha"},
      {"of the unmatched rows too",
       "SELECT DISTINCTROW CompanyName FROM Customers LEFT JOIN Orders ON Customers.CustomerID = Orders.CustomerID "
       "ORDER BY CompanyName",
       "Alpha;Alpha;Beta;Idle"},
  });
  ExpectRefused({
      {"a subquery's rows have no identity",
       "SELECT DISTINCTROW q.CustomerID FROM (SELECT CustomerID FROM Orders) AS q INNER JOIN Customers ON q.CustomerID "
       "= Customers.CustomerID",
       "DISTINCTROW cannot tell the rows of a subquery"},
      {"the engine numbers no rows inside a parenthesised join",
       "SELECT DISTINCTROW Orders.OrderID FROM Customers INNER JOIN (Orders INNER JOIN Lines ON Orders.OrderID = "
       "Lines.OrderID) ON "
       "Customers.CustomerID = Orders.CustomerID",
       "rows of Orders inside a parenthesised join"},
  });
}

TEST_F(SelectTest, ASubqueryInFromPassesItsColumnsTypesOut) {
  EXPECT_EQ(TypedRow("SELECT d, n FROM (SELECT #1/2/2026# + 1 AS d, 'x' AS n)"), "date:2026-01-03 00:00:00,str:x");
  EXPECT_EQ(TypedRow("SELECT q.Last FROM (SELECT Max(Placed) AS Last FROM Orders) AS q"), "date:2026-01-06 00:00:00");
  EXPECT_EQ(TypedRow("SELECT Last + 1 FROM (SELECT Max(Placed) AS Last FROM Orders)"), "date:2026-01-07 00:00:00");
}

TEST_F(SelectTest, RightJoinIsTheLeftJoinTheOtherWayRound) {
  ExpectRows({
      {"every row of the right table, matched or not",
       "SELECT Orders.OrderID, CompanyName FROM Customers RIGHT JOIN Orders ON Customers.CustomerID = "
       "Orders.CustomerID ORDER BY Orders.OrderID",
       "1,Alpha;2,Alpha;3,Beta;4,Alpha;5,<null>"},
      {"* keeps the written order of the tables' columns",
       "SELECT * FROM Customers RIGHT OUTER JOIN Orders ON Customers.CustomerID = Orders.CustomerID WHERE "
       "Orders.OrderID = 5",
       "<null>,<null>,5,9,2026-01-06 00:00:00"},
      {"after an inner join, the joined pair is the left side",
       "SELECT Orders.OrderID, Qty, CompanyName FROM Orders INNER JOIN Lines ON Orders.OrderID = Lines.OrderID RIGHT "
       "JOIN Customers ON "
       "Orders.CustomerID = Customers.CustomerID ORDER BY CompanyName, Qty",
       "1,<null>,Alpha;<null>,<null>,Alpha;1,5,Alpha;2,7,Alpha;3,1,Beta;<null>,<null>,Idle"},
      {"inside a parenthesised join",
       "SELECT Count(*) FROM Lines INNER JOIN (Customers RIGHT JOIN Orders ON Customers.CustomerID = "
       "Orders.CustomerID) ON Lines.OrderID = "
       "Orders.OrderID",
       "4"},
      {"after a comma, only the part after it",
       "SELECT Count(*) FROM Lines, Customers RIGHT JOIN Orders ON Customers.CustomerID = Orders.CustomerID", "20"},
      {"two in a row",
       "SELECT Count(*) FROM Lines RIGHT JOIN Orders ON Lines.OrderID = Orders.OrderID RIGHT JOIN Customers ON "
       "Orders.CustomerID = Customers.CustomerID",
       "6"},
  });
  Run("DELETE Lines.* FROM Orders RIGHT JOIN Lines ON Orders.OrderID = Lines.OrderID WHERE Orders.CustomerID = 2");
  EXPECT_EQ(Value("SELECT Count(*) FROM Lines"), "3");
  ExpectRefused({
      {"* over a subquery without a name", "SELECT * FROM (SELECT 1 AS a) RIGHT JOIN Orders ON a = OrderID",
       "needs an alias for the subquery"},
  });
}

TEST_F(SelectTest, SelectIntoMakesATableWithJetsColumnTypes) {
  Run("SELECT o.*, CompanyName, Qty * Price AS Amount, Placed + 1 AS Due, CompanyName & '!' AS Shout, o.OrderID > 2 AS "
      "Late "
      "INTO Report FROM (Orders AS o INNER JOIN Customers AS c ON o.CustomerID = c.CustomerID) INNER JOIN Lines AS l "
      "ON l.OrderID = o.OrderID "
      "WHERE Qty Is Not Null");
  EXPECT_EQ(Names("SELECT * FROM Report"), "OrderID,CustomerID,Placed,CompanyName,Amount,Due,Shout,Late");
  Run("SELECT * INTO Joined FROM Orders INNER JOIN Lines ON Orders.OrderID = Lines.OrderID");
  EXPECT_EQ(Names("SELECT * FROM Joined"), "Orders.OrderID,CustomerID,Placed,Lines.OrderID,Qty,Price");
  EXPECT_EQ(Value("SELECT Sum([Lines.OrderID]) FROM Joined"), "7");
  EXPECT_EQ(Rows("SELECT OrderID, Amount, Due, Late FROM Report ORDER BY OrderID"),
            "1,7.5,2026-01-03 00:00:00,False;2,21,2026-01-04 00:00:00,False;3,4,2026-01-05 00:00:00,True");
  EXPECT_EQ(TypedRow("SELECT Placed, Due, CompanyName, Late FROM Report WHERE OrderID = 1"),
            "date:2026-01-02 00:00:00,date:2026-01-03 00:00:00,str:Alpha,bool:False");
  // The counter became a Long: the table numbers no rows of its own; the text keeps its size.
  Run("INSERT INTO Report (CompanyName) VALUES ('x')");
  EXPECT_EQ(Value("SELECT OrderID FROM Report WHERE CompanyName = 'x'"), "<null>");
  const std::string too_long = "INSERT INTO Report (CompanyName) VALUES ('" + std::string(41, 'x') + "')";
  ExpectRefused({{"Text(40) stays Text(40)", too_long.c_str(), "at most 40"}});
  ExpectRefused({
      {"the table must not exist", "SELECT * INTO Report FROM Orders", "already exists"},
      {"a column of no one type", "SELECT IIf(OrderID > 1, 'x', 1) INTO t2 FROM Orders",
       "cannot tell the Jet type of the column 'Expr1000'"},
      {"two columns of one name", "SELECT OrderID AS a, CustomerID AS A INTO t2 FROM Orders",
       "two columns are named 'A'"},
  });
  // A fill that fails leaves no table behind.
  ExpectRefused(
      {{"a value too large for its column", "SELECT CustomerID * 1000000000 AS Big INTO t3 FROM Orders", ""}});
  ExpectRefused({{"... and so no table", "SELECT * FROM t3", "no such table"}});
}

}  // namespace
}  // namespace ornetta
