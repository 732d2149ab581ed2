// The parser and the binder alone, without a database: the tree Jet's precedence gives, where each
// node starts, the Jet type of each expression, and where the engine reads a condition.
#include <gtest/gtest.h>

#include <string>

#include "data/values/error.h"
#include "data/jet/binder.h"
#include "data/jet/names.h"
#include "data/jet/parser.h"

namespace ornetta {
namespace {

using jet::ast::Expr;
using jet::ast::ExprKind;
using jet::ast::Op;

// The tree as nested lists: (op operand ...), with `?` after a node the engine reads as a
// condition.
std::string Dump(const Expr& e) {
  static const char* const kOps[] = {"",  "Imp", "Eqv", "Xor", "Or", "And",  "Not", "=",    "<>",
                                     "<", ">",   "<=",  ">=",  "&",  "+",    "-",   "Mod",  "\\",
                                     "*", "/",   "^",   "neg", "+",  "BAnd", "BOr", "BXor", "BNot"};
  std::string head;
  switch (e.kind) {
    case ExprKind::kNumber:
    case ExprKind::kString:
    case ExprKind::kDate: return e.text;
    case ExprKind::kBool: return e.truth ? "True" : "False";
    case ExprKind::kNull: return "Null";
    case ExprKind::kColumn: return e.qualifier.empty() ? e.text : e.qualifier + "." + e.text;
    case ExprKind::kParameter: return "?" + e.text;
    case ExprKind::kParen: head = "()"; break;
    case ExprKind::kSubquery: return "(select)";
    case ExprKind::kExists: return "(exists)";
    case ExprKind::kCall: head = e.text; break;
    case ExprKind::kUnary:
    case ExprKind::kBinary: head = kOps[static_cast<int>(e.op)]; break;
    case ExprKind::kLike: head = "Like"; break;
    case ExprKind::kBetween: head = "Between"; break;
    case ExprKind::kIn: head = "In"; break;
    case ExprKind::kIsNull: head = "IsNull"; break;
  }
  if (e.negated) head = "Not" + head;
  std::string out = "(" + head;
  for (const auto& a : e.args) out += " " + Dump(*a);
  return out + ")" + (e.condition ? "?" : "");
}

// The columns of two tables, as a connection would report them.
std::optional<jet::JetType> Columns(const std::string& table, const std::string& column) {
  using jet::JetType;
  static const struct {
    const char* table;
    const char* column;
    JetType type;
  } kColumns[] = {{"t", "d", JetType::DateTime}, {"t", "n", JetType::Long},    {"t", "i", JetType::Integer},
                  {"t", "name", JetType::Text},  {"t", "memo", JetType::Memo}, {"t", "y", JetType::YesNo},
                  {"t", "c", JetType::Currency}, {"u", "d", JetType::Text},    {"u", "k", JetType::Long}};
  for (const auto& c : kColumns)
    if (jet::SameName(c.table, table) && jet::SameName(c.column, column)) return c.type;
  return std::nullopt;
}

jet::ast::Statement Bound(const std::string& sql) {
  jet::ast::Statement s = jet::Parse(sql);
  jet::Bind(s, Columns);
  return s;
}

const Expr& FirstItem(const jet::ast::Statement& s) { return *s.select->cores[0].items[0].expr; }

TEST(ParseTest, OperatorsBindAsJetsPrecedenceSays) {
  struct Case {
    const char* expr;
    const char* tree;
  } cases[] = {
      // Logical operators, loosest first; Not binds looser than comparisons.
      {"a Or b And Not c = 1", "(Or a (And b (Not (= c 1))))"},
      {"a Imp b Eqv c Xor d", "(Imp a (Eqv b (Xor c d)))"},
      // The bitwise operators share the levels of Not, And, Or and Xor.
      {"a BOr b BAnd BNot c Or d", "(Or (BOr a (BAnd b (BNot c))) d)"},
      // & is looser than + and -, which are looser than Mod, then \, then * and /.
      {"1 + 2 & 3", "(& (+ 1 2) 3)"},
      {"7 Mod 3 \\ 2 * 4", "(Mod 7 (\\ 3 (* 2 4)))"},
      {"1 - 2 - 3", "(- (- 1 2) 3)"},
      // Unary minus is looser than ^: -2 ^ 2 is -4.
      {"-2 ^ 2", "(neg (^ 2 2))"},
      {"+x", "(+ x)"},
      // Comparisons chain to the left; Not Like, Not Between and Not In are one operator each.
      {"a = b = c", "(= (= a b) c)"},
      {"x Not Between 1 And 2", "(NotBetween x 1 2)"},
      {"x Not Like 'a%'", "(NotLike x a%)"},
      {"x In (1, 2)", "(In x 1 2)"},
      {"x Is Not Null", "(NotIsNull x)"},
      {"(1 + 2) * 3", "(* (() (+ 1 2)) 3)"},
      {"t.n + Len('ab')", "(+ t.n (Len ab))"},
      {"#12/09/2026# + True", "(+ 2026-12-09 00:00:00 True)"},
  };
  for (const Case& c : cases) {
    const auto s = jet::Parse(std::string("SELECT ") + c.expr);
    EXPECT_EQ(Dump(FirstItem(s)), c.tree) << c.expr;
  }
}

TEST(ParseTest, NodesKnowWhereTheyStart) {
  const auto s = jet::Parse("SELECT a + Len(b) FROM t");
  const Expr& plus = FirstItem(s);
  EXPECT_EQ(plus.offset, 9u);            // the +
  EXPECT_EQ(plus.args[0]->offset, 7u);   // a
  EXPECT_EQ(plus.args[1]->offset, 11u);  // Len
  EXPECT_EQ(plus.args[1]->args[0]->offset, 15u);
}

TEST(ParseTest, TheParserChecksSyntaxOnly) {
  // Names and functions are the binder's: an unknown function parses.
  EXPECT_NO_THROW(jet::Parse("SELECT NoSuchFunction(1) FROM nowhere"));
  struct Case {
    const char* sql;
    const char* message;
  } cases[] = {
      {"SELECT 1 +", "Syntax error at the end of the statement: the statement ends where a value is expected."},
      {"SELECT a FROM t WHERE",
       "Syntax error at the end of the statement: the statement ends where a value is expected."},
      {"SELECT a b FROM t", "Syntax error at character 10: unexpected 'b' after the end of the statement."},
      {"SELECT x Between 1 Or 2", "Syntax error at character 20: expected AND."},
      {"SELECT 1E999", "Overflow: the number 1E999 at character 8 is too large."},
      {"SELECT #2/30/2026#", "Syntax error in date '#2/30/2026#' at character 8."},
  };
  for (const Case& c : cases) {
    try {
      jet::Parse(c.sql);
      ADD_FAILURE() << c.sql << " parsed";
    } catch (const Error& e) {
      EXPECT_EQ(e.Description(), c.message) << c.sql;
    }
  }
}

TEST(BindTest, EveryExpressionHasItsJetType) {
  struct Case {
    const char* expr;
    jet::Type type;
  } cases[] = {
      // Literals.
      {"1", jet::Type::kLong},
      {"1.5", jet::Type::kDouble},
      {"'a'", jet::Type::kText},
      {"#1/2/2026#", jet::Type::kDate},
      {"True", jet::Type::kBoolean},
      {"Null", jet::Type::kNull},
      // Stored columns, found through FROM's tables.
      {"d", jet::Type::kDate},
      {"t.n", jet::Type::kLong},
      {"memo", jet::Type::kMemo},
      {"y", jet::Type::kBoolean},
      {"c", jet::Type::kCurrency},
      {"nothere", jet::Type::kUnknown},
      // Dates move by days and subtract to days.
      {"d + 1", jet::Type::kDate},
      {"d - 1.5", jet::Type::kDate},
      {"d - #1/1/2026#", jet::Type::kDouble},
      // A date is a number too: a date plus a date is a date, Int and Fix of one cut it to its day,
      // other arithmetic on it is a number.
      {"d + d", jet::Type::kDate},
      {"Int(d)", jet::Type::kDate},
      {"Fix(Now())", jet::Type::kDate},
      {"d * 2", jet::Type::kDouble},
      {"CDbl(d)", jet::Type::kDouble},
      {"d = 1", jet::Type::kBoolean},
      // Numbers widen; Null spreads; text joins.
      {"i + n", jet::Type::kLong},
      {"n * 1.5", jet::Type::kDouble},
      {"Null + 1", jet::Type::kNull},
      {"name & 1", jet::Type::kText},
      {"name + 'x'", jet::Type::kText},
      {"name + 1", jet::Type::kUnknown},
      {"7 \\ 2", jet::Type::kLong},
      {"7 / 2", jet::Type::kDouble},
      {"-i", jet::Type::kInteger},
      // Comparisons and logical operators are Yes/No.
      {"n = 1", jet::Type::kBoolean},
      {"i BAnd 3", jet::Type::kLong},
      {"BNot i", jet::Type::kInteger},
      {"name Like 'a%'", jet::Type::kBoolean},
      {"Not y", jet::Type::kBoolean},
      // Functions: a fixed type, or their argument's, or the type of what they choose.
      {"Now()", jet::Type::kDate},
      {"Left(name, 1)", jet::Type::kText},
      {"Count(*)", jet::Type::kLong},
      {"CCur(1)", jet::Type::kCurrency},
      {"Max(d)", jet::Type::kDate},
      {"First(name)", jet::Type::kText},
      {"IIf(y, d, Null)", jet::Type::kDate},
      {"IIf(y, 1, 'a')", jet::Type::kUnknown},
      {"Nz(name, memo)", jet::Type::kMemo},
      {"Switch(y, d, n > 1, #1/1/2026#)", jet::Type::kDate},
      {"Choose(n, 1, 2.5)", jet::Type::kDouble},
      {"(SELECT Max(d) FROM t)", jet::Type::kDate},
  };
  for (const Case& c : cases) {
    const auto s = Bound(std::string("SELECT ") + c.expr + " FROM t");
    EXPECT_EQ(jet::TypeName(FirstItem(s).type), std::string(jet::TypeName(c.type))) << c.expr;
  }
}

TEST(BindTest, ColumnsAreFoundInTheNearestSelectThatHasThem) {
  struct Case {
    const char* sql;
    jet::Type type;
  } cases[] = {
      // u.d is text; t.d a date: the qualifier or the only table decides.
      {"SELECT d FROM u", jet::Type::kText},
      {"SELECT t.d FROM t, u", jet::Type::kDate},
      {"SELECT d FROM t, u", jet::Type::kUnknown},  // ambiguous: the engine refuses it
      {"SELECT x.d FROM t AS x", jet::Type::kDate},
      // A correlated subquery sees the outer tables; its own come first.
      {"SELECT (SELECT Max(d) FROM u WHERE k = n) FROM t", jet::Type::kText},
      {"SELECT (SELECT Max(name) FROM u) FROM t", jet::Type::kText},
      // A subquery in FROM passes its columns' types out, under their result names.
      {"SELECT q.d FROM (SELECT d FROM t) AS q", jet::Type::kDate},
      {"SELECT w FROM (SELECT d AS w, n FROM t) AS q", jet::Type::kDate},
      {"SELECT Expr1001 FROM (SELECT n, d + 1 FROM t)", jet::Type::kDate},
      {"SELECT q.n FROM (SELECT * FROM t) AS q", jet::Type::kUnknown},  // its * is not looked into
      // Its own ORDER BY is bound before its columns have types (this once read past their end).
      {"SELECT Count(*) FROM (SELECT TOP 2 n FROM t ORDER BY n)", jet::Type::kLong},
      {"SELECT n FROM (SELECT TOP 2 n FROM t ORDER BY n, d DESC) AS q", jet::Type::kLong},
  };
  for (const Case& c : cases)
    EXPECT_EQ(jet::TypeName(FirstItem(Bound(c.sql)).type), std::string(jet::TypeName(c.type))) << c.sql;
}

TEST(BindTest, ConditionsAreMarkedWhereTheEngineReadsThem) {
  struct Case {
    const char* sql;
    const char* tree;
  } cases[] = {
      {"SELECT * FROM t WHERE n = 1 And Not y", "(And (= n 1)? (Not y)?)?"},
      // Inside parentheses Jet's value is kept.
      {"SELECT * FROM t WHERE (n = 1 Or y)", "(() (Or (= n 1) y))"},
  };
  for (const Case& c : cases) EXPECT_EQ(Dump(*Bound(c.sql).select->cores[0].where), c.tree) << c.sql;
  EXPECT_EQ(Dump(FirstItem(Bound("SELECT n = 1 And y FROM t"))), "(And (= n 1) y)");
  EXPECT_EQ(Dump(FirstItem(Bound("SELECT IIf(n = 1, 2, 3) FROM t"))), "(IIf (= n 1)? 2 3)");
}

TEST(BindTest, UnknownFunctionsAndWrongArgumentCountsAreRefused) {
  struct Case {
    const char* sql;
    const char* message;
  } cases[] = {
      {"SELECT NoSuch(1)", "Undefined function 'NoSuch' in expression (character 8)."},
      {"SELECT Left('a')", "Wrong number of arguments used with function 'Left' in query expression."},
      {"SELECT Now(1)", "Wrong number of arguments used with function 'Now' in query expression."},
  };
  for (const Case& c : cases) {
    try {
      Bound(c.sql);
      ADD_FAILURE() << c.sql << " was bound";
    } catch (const Error& e) {
      EXPECT_EQ(e.Description(), c.message) << c.sql;
    }
  }
}

TEST(BindTest, OnlyDirectAggregatesMakeASelectAggregate) {
  EXPECT_TRUE(Bound("SELECT Count(*) FROM t").select->cores[0].aggregate);
  EXPECT_FALSE(Bound("SELECT (SELECT Count(*) FROM u) FROM t").select->cores[0].aggregate);
  EXPECT_TRUE(Bound("SELECT Count(*) FROM t ORDER BY Sum(n)").select->order[0].aggregate);
}

TEST(BindTest, NumbersAreTypedAsJetTypesThem) {
  struct Case {
    const char* expr;
    jet::Type type;
    const char* rule;
  } cases[] = {
      {"2147483647", jet::Type::kLong, "a whole literal that fits is a Long"},
      {"2147483648", jet::Type::kDouble, "past Long it is a Double"},
      {"i Mod i", jet::Type::kInteger, "\\ and Mod keep the narrowest whole type of their operands"},
      {"i \\ n", jet::Type::kLong, "a Long operand makes a Long"},
      {"1.5 \\ 2", jet::Type::kLong, "a Double operand is rounded to a Long"},
      {"-CByte(1)", jet::Type::kInteger, "a negated Byte is an Integer"},
      {"-y", jet::Type::kInteger, "and so is a negated Yes/No"},
      {"c * 2", jet::Type::kCurrency, "Currency with a whole number stays Currency"},
      {"c + i", jet::Type::kCurrency, "in sums too"},
      {"c * 1.5", jet::Type::kDouble, "Currency with a Double is a Double"},
      {"c + CSng(1)", jet::Type::kDouble, "and with a Single, which cannot hold its digits"},
      {"Sum(c)", jet::Type::kCurrency, "a sum of amounts is an amount"},
      {"Sum(n)", jet::Type::kDouble, "other sums are Doubles"},
      {"CByte(1)", jet::Type::kByte, "the conversions give their types"},
      {"CDec(1)", jet::Type::kDecimal, ""},
      {"CVDate(1)", jet::Type::kDate, ""},
      {"Hex(1) & Oct(1)", jet::Type::kText, ""},
      {"InStrRev(name, 'a', -1, 1)", jet::Type::kLong, ""},
  };
  for (const Case& c : cases) {
    const auto s = Bound(std::string("SELECT ") + c.expr + " FROM t");
    EXPECT_EQ(jet::TypeName(FirstItem(s).type), std::string(jet::TypeName(c.type))) << c.expr << "  [" << c.rule << "]";
  }
}

}  // namespace
}  // namespace ornetta
