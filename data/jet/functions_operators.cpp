// The engine functions of Jet's operators: arithmetic, logic, Between and Like.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "data/jet/calendar.h"
#include "data/jet/dates.h"
#include "data/jet/function_values.h"
#include "data/values/utf8.h"
#include "data/values/variant.h"

namespace ornetta::jet::fn {

namespace {

// --- operators ---
void Concat(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) && IsNull(a[1])) return sqlite3_result_null(ctx);
  ResultText(ctx, Text(a[0]) + Text(a[1]));
}

// A date moved by a number of days; overflow outside the years 100 to 9999.
void ResultShiftedDate(sqlite3_context* ctx, const CivilDateTime& date, double days) {
  const auto d = SerialDate(SerialFromCivil(date) + days);
  if (!d) return ResultError(ctx, kOverflow);
  ResultText(ctx, FormatStoredDate(*d));
}

// + joins two texts, moves a date by days (a date plus a date too: both are numbers), and
// otherwise adds numbers; a text that is no number beside a number is a type mismatch.
void Add(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  // Dates travel as text: they are told apart before two texts are joined.
  const auto s0 = DateAsSerial(a[0]), s1 = DateAsSerial(a[1]);
  if (s0 && s1) return ResultShiftedDate(ctx, *AsDate(a[0]), *s1);
  // The storage classes are read before IsNumber, which turns numeric text into a number.
  if (sqlite3_value_type(a[0]) == SQLITE_TEXT && sqlite3_value_type(a[1]) == SQLITE_TEXT)
    return ResultText(ctx, Text(a[0]) + Text(a[1]));
  const auto d0 = AsDate(a[0]), d1 = AsDate(a[1]);
  if (d0 && IsNumber(a[1])) return ResultShiftedDate(ctx, *d0, sqlite3_value_double(a[1]));
  if (d1 && IsNumber(a[0])) return ResultShiftedDate(ctx, *d1, sqlite3_value_double(a[0]));
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultArithmetic(ctx, x + y);
}

void Subtract(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const auto d0 = AsDate(a[0]), d1 = AsDate(a[1]);
  if (d0 && d1) return ResultNumber(ctx, SerialFromCivil(*d0) - SerialFromCivil(*d1));
  if (d0 && IsNumber(a[1])) return ResultShiftedDate(ctx, *d0, -sqlite3_value_double(a[1]));
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultArithmetic(ctx, x - y);
}

void Multiply(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultArithmetic(ctx, x * y);
}

void Negate(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (Number(ctx, a[0], x)) ResultArithmetic(ctx, -x);
}

void Divide(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (!Number(ctx, a[0], x) || !Number(ctx, a[1], y)) return;
  if (y == 0) return ResultError(ctx, "Division by zero.");
  const double q = x / y;
  if (!std::isfinite(q)) return ResultError(ctx, kOverflow);
  sqlite3_result_double(ctx, q);
}

// Integer division and Mod round their operands to Longs first (half to even); a quotient past
// Long's range (-2147483648 \ -1) is an overflow, never a wrapped number.
void IntDivide(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  long long i, j;
  if (!LongArg(ctx, a[0], i) || !LongArg(ctx, a[1], j)) return;
  if (j == 0) return ResultError(ctx, "Division by zero.");
  if (i / j > INT32_MAX) return ResultError(ctx, kOverflow);
  sqlite3_result_int64(ctx, i / j);
}

void Modulo(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  long long i, j;
  if (!LongArg(ctx, a[0], i) || !LongArg(ctx, a[1], j)) return;
  if (j == 0) return ResultError(ctx, "Division by zero.");
  sqlite3_result_int64(ctx, i % j);
}

void Power(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (!Number(ctx, a[0], x) || !Number(ctx, a[1], y)) return;
  const double r = std::pow(x, y);
  if (std::isnan(r)) return ResultError(ctx, kInvalidCall);  // a negative number to a fractional power
  ResultArithmetic(ctx, r);
}

// --- logical operators ---
// And, Or, Not, Xor, Eqv and Imp are logical in Jet SQL whatever their operands: any number but 0
// is True, and the results are -1, 0 or Null by three-valued logic, just as the engine's own AND,
// OR and NOT decide a condition (False And Null is False, True Or Null is True). A text that is no
// number is a type mismatch.
enum class Truth { kFalse, kTrue, kUnknown };

bool ReadTruth(sqlite3_context* ctx, sqlite3_value* v, Truth& out) {
  if (IsNull(v)) return out = Truth::kUnknown, true;
  double x;
  if (!Number(ctx, v, x)) return false;
  out = x != 0 ? Truth::kTrue : Truth::kFalse;
  return true;
}

void ResultTruth(sqlite3_context* ctx, Truth t) {
  if (t == Truth::kUnknown) return sqlite3_result_null(ctx);
  ResultBool(ctx, t == Truth::kTrue);
}

void NotFn(sqlite3_context* ctx, int, Args a) {
  Truth t;
  if (!ReadTruth(ctx, a[0], t)) return;
  ResultTruth(ctx, t == Truth::kUnknown ? t : t == Truth::kTrue ? Truth::kFalse : Truth::kTrue);
}

enum class Logic { kAnd, kOr, kXor, kEqv, kImp };

template <Logic kOp>
void LogicFn(sqlite3_context* ctx, int, Args a) {
  using T = Truth;
  T x, y;
  if (!ReadTruth(ctx, a[0], x) || !ReadTruth(ctx, a[1], y)) return;
  const bool unknown = x == T::kUnknown || y == T::kUnknown;
  T r = T::kUnknown;
  switch (kOp) {
    case Logic::kAnd: r = x == T::kFalse || y == T::kFalse ? T::kFalse : unknown ? T::kUnknown : T::kTrue; break;
    case Logic::kOr: r = x == T::kTrue || y == T::kTrue ? T::kTrue : unknown ? T::kUnknown : T::kFalse; break;
    case Logic::kXor:
      if (!unknown) r = x != y ? T::kTrue : T::kFalse;
      break;
    case Logic::kEqv:
      if (!unknown) r = x == y ? T::kTrue : T::kFalse;
      break;
    case Logic::kImp:  // Not x Or y
      r = x == T::kFalse || y == T::kTrue ? T::kTrue : unknown ? T::kUnknown : T::kFalse;
      break;
  }
  ResultTruth(ctx, r);
}

// --- bitwise operators ---
// BAnd, BOr, BXor and BNot (ANSI-92) work bit by bit on whole numbers (True is -1, all bits
// set), with Null as "unknown": 0 BAnd Null is 0, -1 BOr Null is -1.
void BitNot(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long x;
  if (LongArg(ctx, a[0], x)) sqlite3_result_int64(ctx, ~x);
}

template <Logic kOp>
void BitFn(sqlite3_context* ctx, int, Args a) {
  const bool n0 = IsNull(a[0]), n1 = IsNull(a[1]);
  long long x = 0, y = 0;
  if ((!n0 && !LongArg(ctx, a[0], x)) || (!n1 && !LongArg(ctx, a[1], y))) return;
  if (n0 || n1) {
    // The known side decides only where it settles the result whatever the unknown one is.
    const long long known = n0 ? y : x;
    if (!(n0 && n1)) {
      if (kOp == Logic::kAnd && known == 0) return sqlite3_result_int(ctx, 0);
      if (kOp == Logic::kOr && known == -1) return sqlite3_result_int(ctx, -1);
    }
    return sqlite3_result_null(ctx);
  }
  sqlite3_result_int64(ctx, kOp == Logic::kAnd ? x & y : kOp == Logic::kOr ? x | y : x ^ y);
}

// A date beside a number compares as its serial number; two dates compare as their stored texts,
// which sort in time order.
int CompareValues(sqlite3_value* a, sqlite3_value* b) {
  const bool na = IsNumber(a), nb = IsNumber(b);
  std::optional<double> x = na ? std::optional(sqlite3_value_double(a)) : std::nullopt;
  std::optional<double> y = nb ? std::optional(sqlite3_value_double(b)) : std::nullopt;
  if (x && !y) y = DateAsSerial(b);
  if (y && !x) x = DateAsSerial(a);
  if (x && y) return *x < *y ? -1 : *x > *y ? 1 : 0;
  return sqlite3_stricmp(Text(a).c_str(), Text(b).c_str());
}

// The serial number of a date, for the writer's comparisons of dates with numbers; any other
// value is passed on as it is.
void Serial(sqlite3_context* ctx, int, Args a) {
  if (const auto serial = DateAsSerial(a[0])) return sqlite3_result_double(ctx, *serial);
  sqlite3_result_value(ctx, a[0]);
}

void Between(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1]) || IsNull(a[2])) return sqlite3_result_null(ctx);
  sqlite3_value* low = a[1];
  sqlite3_value* high = a[2];
  if (CompareValues(low, high) > 0) std::swap(low, high);
  ResultBool(ctx, CompareValues(a[0], low) >= 0 && CompareValues(a[0], high) <= 0);
}

// Jet's Like in ANSI-92 mode: % any run, _ one character, [abc] [a-z] [!abc] sets; without
// regard to case. Characters are code points of the UTF-8 text. Greedy matching that goes back
// only to the last %: time grows with text times pattern, never exponentially.
struct PatternItem {
  enum Kind { kAny, kOne, kChar, kSet } kind = kChar;
  char32_t c = 0;
  bool negate = false;
  std::vector<std::pair<char32_t, char32_t>> ranges;

  bool Matches(char32_t ch) const {
    switch (kind) {
      case kOne: return true;
      case kChar: return ch == c;
      case kSet: {
        bool found = false;
        for (const auto& [lo, hi] : ranges) found = found || (ch >= lo && ch <= hi);
        return found != negate;
      }
      case kAny: break;
    }
    return false;
  }
};

PatternItem Item(PatternItem::Kind kind, char32_t c = 0) {
  PatternItem item;
  item.kind = kind;
  item.c = c;
  return item;
}

// nullopt for a set that is not closed, which Jet refuses as an invalid pattern.
std::optional<std::vector<PatternItem>> ParsePattern(const std::u32string& p) {
  std::vector<PatternItem> items;
  for (size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '%') {
      if (items.empty() || items.back().kind != PatternItem::kAny) items.push_back(Item(PatternItem::kAny));
    } else if (p[i] == '_') {
      items.push_back(Item(PatternItem::kOne));
    } else if (p[i] == '[') {
      PatternItem set = Item(PatternItem::kSet);
      size_t j = i + 1;
      if (j < p.size() && p[j] == '!') set.negate = true, ++j;
      for (bool first = true; j < p.size() && (p[j] != ']' || first); first = false) {
        if (j + 2 < p.size() && p[j + 1] == '-' && p[j + 2] != ']') {
          set.ranges.emplace_back(FoldCase(p[j]), FoldCase(p[j + 2]));
          j += 3;
        } else {
          set.ranges.emplace_back(FoldCase(p[j]), FoldCase(p[j]));
          ++j;
        }
      }
      if (j >= p.size()) return std::nullopt;
      items.push_back(std::move(set));
      i = j;
    } else {
      items.push_back(Item(PatternItem::kChar, FoldCase(p[i])));
    }
  }
  return items;
}

bool LikeMatch(const std::u32string& text, const std::vector<PatternItem>& pattern) {
  size_t t = 0, p = 0;
  size_t star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p].kind == PatternItem::kAny) {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p].Matches(FoldCase(text[t]))) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p].kind == PatternItem::kAny) ++p;
  return p == pattern.size();
}

void Like(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const auto pattern = ParsePattern(utf8::EngineCharacters(Text(a[1])));
  if (!pattern) return ResultError(ctx, "Invalid pattern string.");
  ResultBool(ctx, LikeMatch(utf8::EngineCharacters(Text(a[0])), *pattern));
}

}  // namespace

std::span<const Implementation> OperatorFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_concat", Concat},
      {"jet_add", Add},
      {"jet_sub", Subtract},
      {"jet_div", Divide},
      {"jet_intdiv", IntDivide},
      {"jet_mod", Modulo},
      {"jet_pow", Power},
      {"jet_between", Between},
      {"jet_serial", Serial},
      {"jet_like", Like},
      {"jet_mul", Multiply},
      {"jet_neg", Negate},
      {"jet_not", NotFn},
      {"jet_and", LogicFn<Logic::kAnd>},
      {"jet_or", LogicFn<Logic::kOr>},
      {"jet_xor", LogicFn<Logic::kXor>},
      {"jet_eqv", LogicFn<Logic::kEqv>},
      {"jet_imp", LogicFn<Logic::kImp>},
      {"jet_band", BitFn<Logic::kAnd>},
      {"jet_bor", BitFn<Logic::kOr>},
      {"jet_bxor", BitFn<Logic::kXor>},
      {"jet_bnot", BitNot},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
