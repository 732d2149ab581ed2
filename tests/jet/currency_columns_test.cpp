// Money on a real database: what UPDATE and INSERT store into a Currency column is an amount,
// rounded as CCur rounds it, or Jet's overflow with nothing changed; and a crosstab's cells sum
// and average amounts and dates as the grouped SELECT does. The stored number is read back with
// CDbl, which shows a binary fraction that reading the column as Currency would round away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

// Rows as Rows gives them, but each Double with the digits that tell it from its neighbours: the
// runtime's text shows 3.3000000000000003 as 3.3.
class ExactRows : public testing::JetDatabase {
 protected:
  std::string Exact(const std::string& sql) { return Rows(sql, ExactText); }

  static std::string ExactText(const Variant& v) {
    if (v.type() != Variant::Type::Double) return Text(v);
    const double d = v.AsDouble();
    char buf[40];
    if (std::fabs(d) < 1e18 && d == static_cast<double>(static_cast<long long>(d))) {
      std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(d));
      return buf;
    }
    for (int precision = 1; precision <= 17; ++precision) {
      std::snprintf(buf, sizeof buf, "%.*g", precision, d);
      if (std::strtod(buf, nullptr) == d) break;
    }
    return buf;
  }
};

class CurrencyColumnTest : public ExactRows {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE m (id LONG, c CURRENCY, r DOUBLE, g TEXT(5), d DATETIME)");
    Run("CREATE TABLE src (id LONG, r DOUBLE)");
    Run("INSERT INTO src VALUES (1, 0.1)");
    Run("INSERT INTO src VALUES (2, 1.00001)");
    Run("INSERT INTO src VALUES (3, 1.00002)");
  }

  struct Stored {
    const char* statement;
    const char* query;  // what the statement left
    const char* want;
    const char* rule;
  };

  void ExpectStored(std::initializer_list<Stored> cases) {
    for (const Stored& c : cases) {
      try {
        Run(c.statement);
        EXPECT_EQ(Exact(c.query), c.want) << c.statement << "  [" << c.rule << "]";
      } catch (const Error& e) {
        ADD_FAILURE() << c.statement << ": " << e.what() << "  [" << c.rule << "]";
      }
    }
  }
};

TEST_F(CurrencyColumnTest, WhatIsStoredIsAnAmount) {
  ExpectStored({
      {"INSERT INTO m (id, c) VALUES (1, 3)", "SELECT CDbl(c) FROM m WHERE id = 1", "3", "a whole number stays whole"},
      {"UPDATE m SET c = c * 1.1 WHERE id = 1", "SELECT CDbl(c) FROM m WHERE id = 1", "3.3",
       "UPDATE stores the amount, not the Double 3.3000000000000003"},
      {"INSERT INTO m VALUES (2, 0.1 * 3, 0, 'a', Null)", "SELECT CDbl(c) FROM m WHERE id = 2", "0.3",
       "INSERT without a column list stores into the table's columns in order"},
      {"INSERT INTO m (id, c) VALUES (3, 1.03125)", "SELECT CDbl(c) FROM m WHERE id = 3", "1.0312",
       "four places, half to even, as CCur rounds"},
      {"INSERT INTO m (c, id) VALUES (-1.09375, 4)", "SELECT CDbl(c) FROM m WHERE id = 4", "-1.0938",
       "the named column, wherever it stands in the list"},
      {"INSERT INTO m (id, c) SELECT id + 10, r * 3 FROM src WHERE id = 1", "SELECT CDbl(c) FROM m WHERE id = 11",
       "0.3", "INSERT ... SELECT stores amounts"},
      {"INSERT INTO m SELECT id + 20, r * 3, r, 'b', Null FROM src WHERE id = 1",
       "SELECT CDbl(c), r FROM m WHERE id = 21", "0.3,0.1",
       "and without a column list; the Double column keeps its value"},
      {"INSERT INTO m (id, c) SELECT DISTINCT 30, r FROM src WHERE id > 1", "SELECT CDbl(c) FROM m WHERE id = 30",
       "1;1", "DISTINCT sees the values before they are rounded to amounts"},
      {"INSERT INTO m (id, c) SELECT TOP 1 id + 40, r FROM src ORDER BY r DESC",
       "SELECT id, CDbl(c) FROM m WHERE id > 40", "43,1", "TOP and ORDER BY pick the rows before they are stored"},
      {"UPDATE m INNER JOIN src ON m.id = src.id + 10 SET m.c = src.r * 7", "SELECT CDbl(c) FROM m WHERE id = 11",
       "0.7", "an UPDATE of joined tables stores amounts too"},
      {"UPDATE m SET c = Null WHERE id = 4", "SELECT c FROM m WHERE id = 4", "<null>", "Null stays Null"},
      {"UPDATE m SET c = True WHERE id = 3", "SELECT CDbl(c) FROM m WHERE id = 3", "-1", "True is -1"},
  });
  EXPECT_EQ(Rows("SELECT id FROM m WHERE c = 3.3 OR c = 0.3 ORDER BY id"), "1;2;21")
      << "stored amounts compare equal to the literals";
}

TEST_F(CurrencyColumnTest, AnAmountPastTheRangeIsAnOverflowThatChangesNothing) {
  Run("INSERT INTO m (id, c) VALUES (1, 3)");
  Run("INSERT INTO m (id, c) VALUES (2, 900000000000000)");
  const std::string before = Exact("SELECT id, CDbl(c) FROM m ORDER BY id");
  ExpectErrors(
      {
          {"UPDATE m SET c = c * 1.5", "Overflow."},  // the second row's Double is past the range
          {"UPDATE m SET c = 1E+15 WHERE id = 1", "Overflow."},
          {"INSERT INTO m (id, c) VALUES (3, -1E+15)", "Overflow."},
          {"INSERT INTO m VALUES (3, 1E+300, 0, 'a', Null)", "Overflow."},
          {"INSERT INTO m (id, c) SELECT id + 10, c * 1.5 FROM m", "Overflow."},
          {"UPDATE m INNER JOIN src ON m.id = src.id SET m.c = src.r * 1E+20", "Overflow."},
          // Text is no number: the column's own check refuses it, naming the column.
          {"UPDATE m SET c = 'abc' WHERE id = 1", "holds numbers"},
      },
      false);
  EXPECT_EQ(Exact("SELECT id, CDbl(c) FROM m ORDER BY id"), before);
}

// Ten amounts of 0.10 and ten of 0.20: as Doubles they sum to 3.0000000000000004 and average
// 0.15000000000000002.
class CrosstabSumTest : public ExactRows {
 protected:
  void SetUp() override {
    JetDatabase::SetUp();
    Run("CREATE TABLE s (n LONG, g TEXT(5), c CURRENCY, d DATETIME)");
    for (int i = 0; i < 20; ++i)
      Run("INSERT INTO s VALUES (" + std::to_string(i) + ", 'a', " + (i < 10 ? "0.1" : "0.2") + ", #1/" +
          std::to_string(i + 1) + "/2026#)");
  }
};

TEST_F(CrosstabSumTest, CellsAddAsTheGroupedSelectAdds) {
  const struct {
    const char* aggregate;
    const char* want;  // CDbl of the grouped SELECT's value and of the crosstab's cell
    const char* rule;
  } cases[] = {
      {"Sum(c)", "3", "a Currency sum adds the exact amounts"},
      {"Avg(c)", "0.15", "so does a Currency average"},
      {"Sum(c * 3)", "9", "and the sum of a Currency product"},
      {"Sum(DISTINCT c)", "0.3", "DISTINCT amounts too"},
      {"Sum(d)", "920650", "dates add as their serial numbers (46023 + ... + 46042), not as the years"},
      {"Avg(d)", "46032.5", "and average so"},
      {"Max(c) - Min(c)", "0.1", "Max and Min keep the amounts"},
  };
  for (const auto& c : cases) {
    const std::string grouped = std::string("SELECT CDbl(") + c.aggregate + ") FROM s GROUP BY g";
    const std::string crosstab = std::string("SELECT CDbl(x.[all]) FROM (TRANSFORM ") + c.aggregate +
                                 " SELECT g FROM s GROUP BY g PIVOT 'all') AS x";
    try {
      EXPECT_EQ(Exact(grouped), c.want) << grouped << "  [" << c.rule << "]";
      EXPECT_EQ(Exact(crosstab), c.want) << crosstab << "  [" << c.rule << "]";
    } catch (const Error& e) {
      ADD_FAILURE() << c.aggregate << ": " << e.what() << "  [" << c.rule << "]";
    }
  }
  EXPECT_EQ(TypedRow("TRANSFORM Sum(c) SELECT g FROM s GROUP BY g PIVOT IIf(n < 10, 'low', 'high')"),
            "str:a,currency:2,currency:1")
      << "each cell sums the amounts of its pivot value alone, typed Currency";
}

}  // namespace
}  // namespace ornetta
