#include "data/jet/functions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "data/jet/dates.h"
#include "data/jet/functions_internal.h"
#include "data/variant.h"

namespace ornetta::jet {

namespace fn {

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

bool IsNumber(sqlite3_value* v) {
  const int t = sqlite3_value_numeric_type(v);
  return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

std::string Text(sqlite3_value* v) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER:
      return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT:
      return NumberToText(sqlite3_value_double(v));
    case SQLITE_NULL:
      return "";
    default: {
      const auto* p = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return std::string(p ? p : "", static_cast<size_t>(sqlite3_value_bytes(v)));
    }
  }
}

std::optional<CivilDateTime> AsDate(sqlite3_value* v) {
  if (sqlite3_value_type(v) != SQLITE_TEXT) return std::nullopt;
  return ParseStoredDate(Text(v));
}

bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  if (IsNumber(v)) {
    out = sqlite3_value_double(v);
    return true;
  }
  ResultError(ctx, kTypeMismatch);
  return false;
}

bool Whole(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  double d;
  if (!Number(ctx, v, d)) return false;
  d = std::nearbyint(d);
  if (!(std::fabs(d) < 9.2e18)) {
    ResultError(ctx, kOverflow);
    return false;
  }
  out = static_cast<long long>(d);
  return true;
}

bool Length(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  if (!Whole(ctx, v, out)) return false;
  if (out < 0) {
    ResultError(ctx, kInvalidCall);
    return false;
  }
  return true;
}

std::optional<CivilDateTime> SerialDate(double serial) {
  // -657434 is 1 January 100; 2958466 is the day after 31 December 9999.
  if (!(serial > -657435.0 && serial < 2958466.0)) return std::nullopt;
  const CivilDateTime dt = CivilFromSerial(serial);
  return IsValidCivil(dt) ? std::optional(dt) : std::nullopt;
}

std::optional<CivilDateTime> DateArg(sqlite3_context* ctx, sqlite3_value* v) {
  if (auto d = AsDate(v)) return d;
  if (IsNumber(v)) {
    if (auto d = SerialDate(sqlite3_value_double(v))) return d;
    ResultError(ctx, kOverflow);
    return std::nullopt;
  }
  if (auto d = ParseDateLiteral(Text(v))) return d;
  ResultError(ctx, kTypeMismatch);
  return std::nullopt;
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* ctx, double d) {
  if (d == std::floor(d) && std::fabs(d) < 9.2e18) sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
  else sqlite3_result_double(ctx, d);
}

void ResultDate(sqlite3_context* ctx, const CivilDateTime& dt) {
  if (!IsValidCivil(dt)) return ResultError(ctx, kInvalidCall);  // outside the years 100 to 9999
  ResultText(ctx, FormatStoredDate(dt));
}

size_t ByteOfChar(const std::string& s, size_t chars) {
  size_t i = 0;
  while (i < s.size() && chars > 0) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    --chars;
  }
  return i;
}

size_t CharCount(const std::string& s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

char32_t DecodeUtf8(const std::string& s, size_t& i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(k < s.size() ? s[k] : 0); };
  const unsigned char c = b(i);
  if ((c & 0xE0) == 0xC0 && (b(i + 1) & 0xC0) == 0x80) {
    i += 2;
    return ((c & 0x1Fu) << 6) | (b(i - 1) & 0x3Fu);
  }
  if ((c & 0xF0) == 0xE0 && (b(i + 1) & 0xC0) == 0x80 && (b(i + 2) & 0xC0) == 0x80) {
    i += 3;
    return ((c & 0x0Fu) << 12) | ((b(i - 2) & 0x3Fu) << 6) | (b(i - 1) & 0x3Fu);
  }
  if ((c & 0xF8) == 0xF0 && (b(i + 1) & 0xC0) == 0x80 && (b(i + 2) & 0xC0) == 0x80 && (b(i + 3) & 0xC0) == 0x80) {
    i += 4;
    return ((c & 0x07u) << 18) | ((b(i - 3) & 0x3Fu) << 12) | ((b(i - 2) & 0x3Fu) << 6) | (b(i - 1) & 0x3Fu);
  }
  ++i;
  return c;
}

std::u32string CodePoints(const std::string& s) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) out += DecodeUtf8(s, i);
  return out;
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;  // À-Þ except ×
  return c;
}

long long SecondsFromCivil(const CivilDateTime& dt) {
  return static_cast<long long>(DaysFromCivil(dt.year, dt.month, dt.day)) * 86400 + dt.hour * 3600 + dt.minute * 60 +
         dt.second;
}

CivilDateTime CivilFromSeconds(long long seconds) {
  long long days = seconds / 86400, rest = seconds % 86400;
  if (rest < 0) rest += 86400, --days;
  CivilDateTime dt = CivilFromSerial(static_cast<double>(days));
  dt.hour = static_cast<int>(rest / 3600);
  dt.minute = static_cast<int>(rest / 60 % 60);
  dt.second = static_cast<int>(rest % 60);
  return dt;
}

void Register(sqlite3* db, std::span<const Definition> definitions) {
  for (const Definition& d : definitions)
    sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8 | (d.deterministic ? SQLITE_DETERMINISTIC : 0), nullptr,
                               d.fn, nullptr, nullptr, nullptr);
}

}  // namespace fn

namespace {

using namespace fn;

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

// Results of arithmetic: beyond a Double's range is Jet's overflow.
void ResultArithmetic(sqlite3_context* ctx, double d) {
  if (!std::isfinite(d)) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, d);
}

// + joins two texts, moves a date by days, and otherwise adds numbers; a text that is no number
// beside a number is a type mismatch.
void Add(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
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

// Integer division and Mod round their operands to whole numbers first (half to even).
void IntDivide(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  long long i, j;
  if (!Whole(ctx, a[0], i) || !Whole(ctx, a[1], j)) return;
  if (j == 0) return ResultError(ctx, "Division by zero.");
  sqlite3_result_int64(ctx, i / j);
}

void Modulo(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  long long i, j;
  if (!Whole(ctx, a[0], i) || !Whole(ctx, a[1], j)) return;
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
// Jet's Not, And, Or, Xor, Eqv and Imp work bit by bit on whole numbers (True is -1, all bits
// set), with Null as "unknown": False And Null is False, True Or Null is True, and so on.
bool Bits(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  if (!Whole(ctx, v, out)) return false;
  if (out < INT32_MIN || out > INT32_MAX) {
    ResultError(ctx, kOverflow);
    return false;
  }
  return true;
}

void NotFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long x;
  if (Bits(ctx, a[0], x)) sqlite3_result_int64(ctx, ~x);
}

enum class Logic { kAnd, kOr, kXor, kEqv, kImp };

template <Logic kOp>
void LogicFn(sqlite3_context* ctx, int, Args a) {
  const bool n0 = IsNull(a[0]), n1 = IsNull(a[1]);
  long long x = 0, y = 0;
  if ((!n0 && !Bits(ctx, a[0], x)) || (!n1 && !Bits(ctx, a[1], y))) return;
  if (n0 || n1) {
    // The known side decides only where it settles the result whatever the unknown one is.
    const long long known = n0 ? y : x;
    if (!(n0 && n1)) {
      if (kOp == Logic::kAnd && known == 0) return sqlite3_result_int(ctx, 0);
      if (kOp == Logic::kOr && known == -1) return sqlite3_result_int(ctx, -1);
      if (kOp == Logic::kImp && ((!n0 && x == 0) || (!n1 && y == -1))) return sqlite3_result_int(ctx, -1);
    }
    return sqlite3_result_null(ctx);
  }
  long long r = 0;
  switch (kOp) {
    case Logic::kAnd: r = x & y; break;
    case Logic::kOr: r = x | y; break;
    case Logic::kXor: r = x ^ y; break;
    case Logic::kEqv: r = ~(x ^ y); break;
    case Logic::kImp: r = ~x | y; break;
  }
  sqlite3_result_int64(ctx, r);
}

int CompareValues(sqlite3_value* a, sqlite3_value* b) {
  if (IsNumber(a) && IsNumber(b)) {
    const double x = sqlite3_value_double(a), y = sqlite3_value_double(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  return sqlite3_stricmp(Text(a).c_str(), Text(b).c_str());
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
  const auto pattern = ParsePattern(CodePoints(Text(a[1])));
  if (!pattern) return ResultError(ctx, "Invalid pattern string.");
  ResultBool(ctx, LikeMatch(CodePoints(Text(a[0])), *pattern));
}

// --- numbers ---
void IntFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (Number(ctx, a[0], x)) ResultNumber(ctx, std::floor(x));
}
void FixFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (Number(ctx, a[0], x)) ResultNumber(ctx, std::trunc(x));
}

void RoundFn(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x, places = 0;
  if (!Number(ctx, a[0], x) || (argc > 1 && !Number(ctx, a[1], places))) return;
  const double scale = std::pow(10.0, std::trunc(places));
  ResultNumber(ctx, std::nearbyint(x * scale) / scale);  // half to even, as Jet rounds
}

void SgnFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (Number(ctx, a[0], x)) sqlite3_result_int(ctx, x > 0 ? 1 : x < 0 ? -1 : 0);
}

void SqrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (!Number(ctx, a[0], x)) return;
  if (x < 0) return ResultError(ctx, kInvalidCall);
  ResultNumber(ctx, std::sqrt(x));
}

// --- conversions ---
// Val reads the leading number of a text and ignores the rest (blanks inside are skipped).
void ValFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  std::string s;
  for (char c : Text(a[0]))
    if (c != ' ' && c != '\t') s += c;
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  ResultArithmetic(ctx, end == s.c_str() ? 0 : d);
}

void CStrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  ResultText(ctx, Text(a[0]));
}

// Str keeps a place for the sign: a blank before a number that is not negative. Like the
// runtime it writes no zero before the decimal point (Str(0.5) is " .5").
void StrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x;
  if (!Number(ctx, a[0], x)) return;
  std::string s = NumberToText(x);
  if (s.rfind("0.", 0) == 0) s.erase(0, 1);
  else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
  ResultText(ctx, x < 0 ? s : " " + s);
}

// CInt and CLng round half to even and overflow outside their ranges.
template <long long kMin, long long kMax>
void CWhole(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!Number(ctx, a[0], x)) return;
  const double r = std::nearbyint(x);
  if (r < static_cast<double>(kMin) || r > static_cast<double>(kMax)) return ResultError(ctx, kOverflow);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void CDblFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (Number(ctx, a[0], x)) sqlite3_result_double(ctx, x);
}

// A Single keeps about seven significant digits; it comes back as the double that reads the
// same (1.1, not 1.10000002384186).
void CSngFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!Number(ctx, a[0], x)) return;
  if (std::fabs(x) > 3.402823466e38) return ResultError(ctx, kOverflow);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", static_cast<double>(static_cast<float>(x)));
  ResultNumber(ctx, std::strtod(buf, nullptr));
}

// Currency holds four decimals; the runtime scales by 10000 and rounds half to even.
void CCurFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  double x;
  if (!Number(ctx, a[0], x)) return;
  const double scaled = std::nearbyint(x * 10000.0);
  if (std::fabs(scaled) > 9223372036854775807.0) return ResultError(ctx, kOverflow);
  ResultNumber(ctx, scaled / 10000.0);
}

void CBoolFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
  if (!IsNumber(a[0])) {
    const std::string s = Lower(Text(a[0]));
    if (s == "true") return ResultBool(ctx, true);
    if (s == "false") return ResultBool(ctx, false);
  }
  double x;
  if (Number(ctx, a[0], x)) ResultBool(ctx, x != 0);
}

void CVarFn(sqlite3_context* ctx, int, Args a) { sqlite3_result_value(ctx, a[0]); }

// --- logic ---
// A condition as Jet reads it: Null is not true, any other number but 0 is.
bool Condition(sqlite3_context* ctx, sqlite3_value* v, bool& out) {
  out = false;
  if (IsNull(v)) return true;
  double x;
  if (!Number(ctx, v, x)) return false;
  out = x != 0;
  return true;
}

void SwitchFn(sqlite3_context* ctx, int argc, Args a) {
  if (argc < 2 || argc % 2 != 0) return ResultError(ctx, kInvalidCall);
  for (int i = 0; i < argc; i += 2) {
    bool holds;
    if (!Condition(ctx, a[i], holds)) return;
    if (holds) return sqlite3_result_value(ctx, a[i + 1]);
  }
  sqlite3_result_null(ctx);
}

void ChooseFn(sqlite3_context* ctx, int argc, Args a) {
  if (argc < 2) return ResultError(ctx, kInvalidCall);
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long i;
  if (!Whole(ctx, a[0], i)) return;
  if (i < 1 || i >= argc) return sqlite3_result_null(ctx);
  sqlite3_result_value(ctx, a[i]);
}

// Numeric text: blanks around, a sign, digits with thousands separators, a decimal point and an
// exponent; or &H and &O whole numbers.
bool LooksNumeric(const std::string& text) {
  size_t b = text.find_first_not_of(" \t"), e = text.find_last_not_of(" \t");
  if (b == std::string::npos) return false;
  const std::string s = text.substr(b, e - b + 1);
  if (s.size() > 2 && s[0] == '&' && (s[1] == 'H' || s[1] == 'h' || s[1] == 'O' || s[1] == 'o')) {
    const bool hex = s[1] == 'H' || s[1] == 'h';
    for (size_t i = 2; i < s.size(); ++i)
      if (hex ? !std::isxdigit(static_cast<unsigned char>(s[i])) : (s[i] < '0' || s[i] > '7')) return false;
    return true;
  }
  size_t i = 0, digits = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  for (; i < s.size() && (std::isdigit(static_cast<unsigned char>(s[i])) || (s[i] == ',' && digits)); ++i)
    digits += s[i] != ',';
  if (i < s.size() && s[i] == '.')
    for (++i; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) ++digits;
  if (!digits) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const size_t start = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    if (i == start) return false;
  }
  return i == s.size();
}

void IsNumericFn(sqlite3_context* ctx, int, Args a) {
  switch (sqlite3_value_type(a[0])) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      return ResultBool(ctx, true);
    case SQLITE_TEXT:
      return ResultBool(ctx, LooksNumeric(Text(a[0])));
    default:
      return ResultBool(ctx, false);
  }
}

// Only a date or a text that reads as one; numbers are not dates here, as in the runtime.
void IsDateFn(sqlite3_context* ctx, int, Args a) {
  if (sqlite3_value_type(a[0]) != SQLITE_TEXT) return ResultBool(ctx, false);
  const std::string s = Text(a[0]);
  ResultBool(ctx, ParseStoredDate(s) || ParseDateLiteral(s));
}

const Definition kDefinitions[] = {
    {"jet_concat", 2, Concat},        {"jet_add", 2, Add},
    {"jet_sub", 2, Subtract},         {"jet_div", 2, Divide},
    {"jet_intdiv", 2, IntDivide},     {"jet_mod", 2, Modulo},
    {"jet_pow", 2, Power},            {"jet_between", 3, Between},
    {"jet_like", 2, Like},            {"jet_int", 1, IntFn},
    {"jet_mul", 2, Multiply},         {"jet_neg", 1, Negate},
    {"jet_not", 1, NotFn},            {"jet_and", 2, LogicFn<Logic::kAnd>},
    {"jet_or", 2, LogicFn<Logic::kOr>}, {"jet_xor", 2, LogicFn<Logic::kXor>},
    {"jet_eqv", 2, LogicFn<Logic::kEqv>}, {"jet_imp", 2, LogicFn<Logic::kImp>},
    {"jet_fix", 1, FixFn},            {"jet_round", 1, RoundFn},
    {"jet_round", 2, RoundFn},        {"jet_sgn", 1, SgnFn},
    {"jet_sqr", 1, SqrFn},            {"jet_val", 1, ValFn},
    {"jet_cstr", 1, CStrFn},          {"jet_str", 1, StrFn},
    {"jet_cint", 1, CWhole<-32768, 32767>}, {"jet_clng", 1, CWhole<-2147483648LL, 2147483647LL>},
    {"jet_cdbl", 1, CDblFn},          {"jet_csng", 1, CSngFn},
    {"jet_ccur", 1, CCurFn},          {"jet_cbool", 1, CBoolFn},
    {"jet_cvar", 1, CVarFn},          {"jet_switch", -1, SwitchFn},
    {"jet_choose", -1, ChooseFn},     {"jet_isnumeric", 1, IsNumericFn},
    {"jet_isdate", 1, IsDateFn},
};

}  // namespace

void RegisterFunctions(sqlite3* db) {
  Register(db, kDefinitions);
  RegisterTextFunctions(db);
  RegisterDateFunctions(db);
  RegisterFormatFunctions(db);
  RegisterAggregateFunctions(db);
}

}  // namespace ornetta::jet
