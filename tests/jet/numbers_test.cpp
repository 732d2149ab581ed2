// Jet's numbers on a real database: Currency exact to the ten-thousandth in arithmetic and sums,
// the conversion functions with their rounding and errors, Val's &H and &O, Hex and Oct, and the
// operators that work in Longs. A value that does not fit is Jet's overflow, never a wrapped or
// silently rounded number.
#include <gtest/gtest.h>

#include <string>

#include "data/jet/currency.h"
#include "data/jet/numeric_text.h"
#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

class JetNumberTest : public testing::JetDatabase {
 protected:
  struct Typed {
    const char* sql;
    const char* want;  // TypedRow's text
    const char* rule;
  };

  void ExpectTyped(std::initializer_list<Typed> cases) {
    for (const Typed& c : cases) {
      try {
        EXPECT_EQ(TypedRow(c.sql), c.want) << c.sql << "  [" << c.rule << "]";
      } catch (const Error& e) {
        ADD_FAILURE() << c.sql << ": " << e.what() << "  [" << c.rule << "]";
      }
    }
  }
};

TEST(CurrencyTest, AmountsAreScaledIntegers) {
  using namespace jet::currency;
  EXPECT_EQ(FromNumber(1.1), 11000);
  EXPECT_EQ(FromNumber(1.03125), 10312) << "half to even at the fifth decimal";
  EXPECT_EQ(FromNumber(-1.09375), -10938);
  EXPECT_EQ(FromNumber(1e15), std::nullopt) << "past 922,337,203,685,477.5807";
  EXPECT_EQ(FromNumber(123456789.0123), 1234567890123);
  EXPECT_EQ(FromWhole(922337203685478), std::nullopt);
  EXPECT_EQ(Add(11000, 22000), 33000);
  EXPECT_EQ(Add(INT64_MAX, 1), std::nullopt);
  EXPECT_EQ(Subtract(INT64_MIN, 1), std::nullopt);
  EXPECT_EQ(Multiply(11000, 30000), 33000) << "1.1 * 3";
  EXPECT_EQ(Multiply(1, 5000), 0) << "0.0001 * 0.5 = 0.00005: half to even, down";
  EXPECT_EQ(Multiply(3, 5000), 2) << "0.0003 * 0.5 = 0.00015: half to even, up";
  EXPECT_EQ(Multiply(-3, 5000), -2);
  EXPECT_EQ(Multiply(INT64_MAX / 2, 20000), INT64_MAX - 1) << "the range's edge";
  EXPECT_EQ(Multiply(INT64_MAX / 2, 30000), std::nullopt);
  EXPECT_EQ(ToNumber(33000), 3.3);
}

TEST(NumericTextTest, NumbersInTextAsTheRuntimeReadsThem) {
  using jet::NumericText;
  const struct {
    const char* text;
    NumericText::Kind kind;
    double value;
  } whole[] = {
      {" 12 ", NumericText::kNumber, 12},   {"1,000.5", NumericText::kNumber, 1000.5},
      {"-3e5", NumericText::kNumber, -3e5}, {"1.5D2", NumericText::kNumber, 150},
      {"&HFF", NumericText::kNumber, 255},  {"&HFFFF", NumericText::kNumber, -1},
      {"&O17", NumericText::kNumber, 15},   {"&H100000000", NumericText::kOverflow, 0},
      {"1e400", NumericText::kOverflow, 0}, {",1", NumericText::kNone, 0},
      {"1e", NumericText::kNone, 0},        {"&H", NumericText::kNone, 0},
      {"&HFG", NumericText::kNone, 0},      {"1 2", NumericText::kNone, 0},
      {"", NumericText::kNone, 0},          {"0x1F", NumericText::kNone, 0},
  };
  for (const auto& c : whole) {
    const NumericText n = jet::WholeNumericText(c.text);
    EXPECT_EQ(n.kind, c.kind) << c.text;
    if (c.kind == NumericText::kNumber) {
      EXPECT_EQ(n.value, c.value) << c.text;
    }
  }
  size_t used = 0;
  EXPECT_EQ(jet::RadixDigits("1fz", 16, &used).value, 31);
  EXPECT_EQ(used, 2u);
  EXPECT_EQ(jet::LeadingNumber("1 2x3").value, 12);
  EXPECT_EQ(jet::LeadingNumber("x").kind, NumericText::kNumber) << "no number is 0";
}

TEST_F(JetNumberTest, CurrencyIsExact) {
  Run("CREATE TABLE lines (n LONG, price CURRENCY, qty INTEGER, rate DOUBLE)");
  // Ten lines of 0.10 and ten of 0.20: as Doubles they sum to 3.0000000000000004.
  for (int i = 0; i < 20; ++i)
    Run("INSERT INTO lines VALUES (" + std::to_string(i) + ", " + (i < 10 ? "0.1" : "0.2") + ", 3, 0.5)");
  ExpectTyped({
      {"SELECT CCur(1.1) * 3", "currency:3.3", "Currency times a Long is Currency, exact"},
      {"SELECT CCur(1.1) + CCur(2.2)", "currency:3.3", "Currency sums are exact"},
      {"SELECT CCur(0.3) - CCur(0.1)", "currency:0.2", "and differences"},
      {"SELECT CCur(1.1) * CCur(1.1)", "currency:1.21", "Currency times Currency"},
      {"SELECT CCur(0.0003) * CCur(0.5)", "currency:0.0002", "a product's fifth decimal rounds half to even"},
      {"SELECT -CCur(2.5)", "currency:-2.5", "negation keeps the type"},
      {"SELECT CCur(7)", "currency:7", "a whole amount is still Currency"},
      {"SELECT CCur(1.1) * 1.5", "double:1.65", "Currency times a Double is a Double"},
      {"SELECT CCur(10) / 4", "double:2.5", "division gives a Double"},
      {"SELECT CCur(1) + Null", "null", "Null spreads"},
      {"SELECT Sum(price) FROM lines", "currency:3", "a Currency column sums exactly"},
      {"SELECT Sum(price * qty) FROM lines", "currency:9", "and so do its products with whole numbers"},
      {"SELECT Sum(CCur(rate)) FROM lines", "currency:10", "Sum of CCur"},
      {"SELECT Sum(price) FROM lines WHERE n > 100", "null", "Sum over no rows is Null"},
      {"SELECT Sum(rate) FROM lines", "double:10", "a Double column still sums as Doubles"},
      {"SELECT Max(price), Min(price) FROM lines", "currency:0.2,currency:0.1", "Max and Min keep Currency"},
      {"SELECT price FROM lines WHERE n = 0", "currency:0.1", "a stored Currency column comes back as Currency"},
      {"SELECT IIf(n = 0, price, CCur(5)) FROM lines WHERE n = 0", "currency:0.1", "a choice between amounts"},
  });
  EXPECT_EQ(Rows("SELECT n FROM lines WHERE price * 3 = CCur(0.3) AND n < 2 ORDER BY n"), "0;1")
      << "a computed amount compares equal to the literal one";
  ExpectErrors({
      {"CCur(922337203685477) + CCur(1)", "Overflow."},
      {"CCur(900000000000000) * 2", "Overflow."},
      {"CCur(-922337203685477) - 1", "Overflow."},
  });
}

TEST_F(JetNumberTest, ConversionsRoundAndOverflowAsJetDoes) {
  ExpectTyped({
      {"SELECT CByte(2.5), CByte(3.5), CByte('255')", "int:2,int:4,int:255", "CByte rounds half to even"},
      {"SELECT CInt(-2.5), CInt(32767.4), CLng(-2147483648.4)", "int:-2,int:32767,int:-2147483648",
       "CInt and CLng round half to even up to their limits"},
      {"SELECT CDec(1.5), CDec('12')", "double:1.5,int:12", "CDec keeps the value (the nearest Double)"},
      {"SELECT CVDate(#1/2/2026#), CVDate(Null)", "date:2026-01-02 00:00:00,null", "CVDate lets Null through"},
      {"SELECT CVDate('2026-01-05')", "date:2026-01-05 00:00:00", "CVDate reads text as CDate does"},
      {"SELECT CSng(1.1), CDbl('2.5')", "double:1.1,double:2.5", "CSng keeps a Single's digits"},
      {"SELECT CInt('1,000'), CLng(' &HFF '), CCur('1,234.5')", "int:1000,int:255,currency:1234.5",
       "the conversions read text as IsNumeric reads it"},
      {"SELECT CDbl('-2.5E3'), CByte('&O17')", "double:-2500,int:15", "exponents and &O too"},
      {"SELECT CBool('1,000'), CBool(' 0 '), CBool('TRUE')", "int:-1,int:0,int:-1", "CBool too, and True/False"},
  });
  ExpectErrors({
      {"CByte(256)", "Overflow."},
      {"CByte(-1)", "Overflow."},
      {"CByte(255.5)", "Overflow."},  // rounds to 256
      {"CInt(32767.5)", "Overflow."},
      {"CInt(-32769)", "Overflow."},
      {"CLng(2147483647.5)", "Overflow."},
      {"CDec(1E+29)", "Overflow."},
      {"CByte(Null)", "Invalid use of Null."},
      {"CDec(Null)", "Invalid use of Null."},
      {"CByte('abc')", "Data type mismatch"},
      {"CVDate('not a date')", "Data type mismatch"},
      {"CInt('12abc')", "Data type mismatch"},
      {"CLng('&H100000000')", "Overflow."},
      {"CDbl('1e400')", "Overflow."},
      {"CVDate(1, 2)", "Wrong number of arguments"},
  });
}

TEST_F(JetNumberTest, ValReadsTheLeadingNumber) {
  ExpectValues({
      {"Val('  1615 198th Street N.E.')", "1615198"},  // blanks are skipped, the letters end it
      {"Val('2457')", "2457"},
      {"Val(' 2 45 7')", "2457"},
      {"Val('24 and 57')", "24"},
      {"Val('-12.5e2x')", "-1250"},
      {"Val('1.5D2')", "150"},
      {"Val('1e')", "1"},
      {"Val('.5')", "0.5"},
      {"Val('1,000')", "1"},
      {"Val('abc')", "0"},
      {"Val('')", "0"},
      {"Val('-')", "0"},
      // Not C's numbers: no hexadecimal floats, no infinity.
      {"Val('0x1F')", "0"},
      {"Val('inf')", "0"},
      {"Val('nan')", "0"},
      // &H and &O: an Integer up to 16 bits, a Long up to 32.
      {"Val('&H1F')", "31"},
      {"Val('&hff')", "255"},
      {"Val('&HFFFF')", "-1"},
      {"Val('&H8000')", "-32768"},
      {"Val('&H10000')", "65536"},
      {"Val('&HFFFFFFFF')", "-1"},
      {"Val('&H7FFFFFFF')", "2147483647"},
      {"Val('&O17')", "15"},
      {"Val('&o777')", "511"},
      {"Val('&O177777')", "-1"},
      {"Val('&O18')", "1"},
      {"Val('&H1FZ')", "31"},
      {"Val('&H')", "0"},
      {"Val('& H 1 F')", "31"},
  });
  ExpectErrors(
      {{"Val('&H100000000')", "Overflow."}, {"Val('1e400')", "Overflow."}, {"Val(Null)", "Invalid use of Null."}});
}

TEST_F(JetNumberTest, HexAndOctWriteWholeNumbers) {
  ExpectValues({
      {"Hex(255)", "FF"},
      {"Hex(0)", "0"},
      {"Hex(5.5)", "6"},
      {"Hex(4.5)", "4"},
      {"Hex(-1)", "FFFFFFFF"},
      {"Hex(CInt(-1))", "FFFF"},
      {"Hex(CLng(-1))", "FFFFFFFF"},
      {"Hex(2147483647)", "7FFFFFFF"},
      {"Hex(-2147483648)", "80000000"},
      {"Hex('31')", "1F"},
      {"Oct(8)", "10"},
      {"Oct(-1)", "37777777777"},
      {"Oct(CInt(-1))", "177777"},
      {"Oct(0)", "0"},
      {"Hex(Null)", "<null>"},
      {"Oct(Null)", "<null>"},
      {"Hex(Val('&HFF'))", "FF"},
  });
  ExpectErrors({{"Hex(2147483648)", "Overflow."},
                {"Oct(-2147483649)", "Overflow."},
                {"Hex('x')", "Data type mismatch"},
                {"Hex(1, 2)", "Wrong number of arguments"}});
}

TEST_F(JetNumberTest, IntegerDivisionAndModWorkInLongs) {
  ExpectValues({
      {"7 \\ 2", "3"},
      {"-7 \\ 2", "-3"},
      {"7.5 \\ 2", "4"},
      {"6.5 \\ 2", "3"},  // operands rounded half to even
      {"7 Mod 3", "1"},
      {"-7 Mod 3", "-1"},
      {"7.5 Mod 3", "2"},
      {"5.5 Mod 2.5", "0"},
      {"2147483647 \\ 1", "2147483647"},
      {"-2147483648 Mod -1", "0"},
      {"Null \\ 2", "<null>"},
      {"7 Mod Null", "<null>"},
  });
  ExpectErrors({
      {"2147483648 \\ 1", "Overflow."},  // not a Long: Jet converts the operand first
      {"1 Mod 2147483648", "Overflow."},
      {"-2147483648 \\ -1", "Overflow."},  // the quotient is past Long
      {"1E+19 \\ 1", "Overflow."},
      {"1 \\ 0", "Division by zero."},
      {"5 Mod 0.4", "Division by zero."},  // 0.4 rounds to 0
      {"3000000000 BAnd 1", "Overflow."},
  });
}

}  // namespace
}  // namespace ornetta
