#include "data/jet/functions.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "data/datetime.h"
#include "data/jet/dates.h"
#include "data/variant.h"

namespace ornetta::jet {

namespace {

using Args = sqlite3_value**;

bool IsNull(sqlite3_value* v) { return sqlite3_value_type(v) == SQLITE_NULL; }

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

// A stored date text ("YYYY-MM-DD[ HH:MM:SS]") read as a date.
std::optional<CivilDateTime> AsDate(sqlite3_value* v) {
  if (sqlite3_value_type(v) != SQLITE_TEXT) return std::nullopt;
  return ParseStoredDate(Text(v));
}

bool IsNumber(sqlite3_value* v) {
  const int t = sqlite3_value_numeric_type(v);
  return t == SQLITE_INTEGER || t == SQLITE_FLOAT;
}

// Numbers as Jet reads them; text that is no number is a type mismatch.
bool Number(sqlite3_context* ctx, sqlite3_value* v, double& out) {
  if (IsNumber(v)) {
    out = sqlite3_value_double(v);
    return true;
  }
  sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
  return false;
}

void ResultText(sqlite3_context* ctx, const std::string& s) {
  sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void ResultNumber(sqlite3_context* ctx, double d) {
  if (d == std::floor(d) && std::fabs(d) < 9.2e18) sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(d));
  else sqlite3_result_double(ctx, d);
}

// Character positions over UTF-8 text.
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

bool Length(sqlite3_context* ctx, sqlite3_value* v, long long& out) {
  double d;
  if (!Number(ctx, v, d)) return false;
  if (d < 0) {
    sqlite3_result_error(ctx, "Invalid procedure call or argument.", -1);
    return false;
  }
  out = static_cast<long long>(std::llround(d));
  return true;
}

// --- operators ---
void Concat(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) && IsNull(a[1])) return sqlite3_result_null(ctx);
  ResultText(ctx, Text(a[0]) + Text(a[1]));
}

void Add(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const bool n0 = IsNumber(a[0]), n1 = IsNumber(a[1]);
  if (!n0 && !n1) return ResultText(ctx, Text(a[0]) + Text(a[1]));  // two texts: joined
  const auto d0 = AsDate(a[0]), d1 = AsDate(a[1]);
  if (d0 && n1) return ResultText(ctx, FormatStoredDate(CivilFromSerial(SerialFromCivil(*d0) + sqlite3_value_double(a[1]))));
  if (d1 && n0) return ResultText(ctx, FormatStoredDate(CivilFromSerial(SerialFromCivil(*d1) + sqlite3_value_double(a[0]))));
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultNumber(ctx, x + y);
}

void Subtract(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const auto d0 = AsDate(a[0]), d1 = AsDate(a[1]);
  if (d0 && d1) return ResultNumber(ctx, SerialFromCivil(*d0) - SerialFromCivil(*d1));
  if (d0 && IsNumber(a[1]))
    return ResultText(ctx, FormatStoredDate(CivilFromSerial(SerialFromCivil(*d0) - sqlite3_value_double(a[1]))));
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultNumber(ctx, x - y);
}

void Divide(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (!Number(ctx, a[0], x) || !Number(ctx, a[1], y)) return;
  if (y == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
  sqlite3_result_double(ctx, x / y);
}

// Integer division and Mod round their operands to whole numbers first (half to even).
void IntDivide(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (!Number(ctx, a[0], x) || !Number(ctx, a[1], y)) return;
  const long long i = std::llrint(x), j = std::llrint(y);
  if (j == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
  sqlite3_result_int64(ctx, i / j);
}

void Modulo(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (!Number(ctx, a[0], x) || !Number(ctx, a[1], y)) return;
  const long long i = std::llrint(x), j = std::llrint(y);
  if (j == 0) return sqlite3_result_error(ctx, "Division by zero.", -1);
  sqlite3_result_int64(ctx, i % j);
}

void Power(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  double x, y;
  if (Number(ctx, a[0], x) && Number(ctx, a[1], y)) ResultNumber(ctx, std::pow(x, y));
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
  sqlite3_result_int(ctx, CompareValues(a[0], low) >= 0 && CompareValues(a[0], high) <= 0 ? -1 : 0);
}

// Jet's Like in ANSI-92 mode: % any run, _ one character, [abc] [a-z] [!abc] sets; without regard to case.
bool LikeMatch(const char* s, const char* p) {
  for (; *p; ++p) {
    if (*p == '%') {
      while (p[1] == '%') ++p;
      if (!p[1]) return true;
      for (const char* t = s; *t; ++t)
        if (LikeMatch(t, p + 1)) return true;
      return LikeMatch("", p + 1);
    }
    if (!*s) return false;
    if (*p == '_') {
      ++s;
      continue;
    }
    if (*p == '[') {
      const char* q = p + 1;
      const bool negate = *q == '!';
      if (negate) ++q;
      bool found = false;
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(*s)));
      for (bool first = true; *q && (*q != ']' || first); first = false) {
        char lo = static_cast<char>(std::tolower(static_cast<unsigned char>(*q)));
        char hi = lo;
        if (q[1] == '-' && q[2] && q[2] != ']') {
          hi = static_cast<char>(std::tolower(static_cast<unsigned char>(q[2])));
          q += 3;
        } else {
          ++q;
        }
        if (c >= lo && c <= hi) found = true;
      }
      if (*q != ']') return false;  // an unclosed set matches nothing
      if (found == negate) return false;
      p = q;
      ++s;
      continue;
    }
    if (std::tolower(static_cast<unsigned char>(*p)) != std::tolower(static_cast<unsigned char>(*s))) return false;
    ++s;
  }
  return !*s;
}

void Like(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  sqlite3_result_int(ctx, LikeMatch(Text(a[0]).c_str(), Text(a[1]).c_str()) ? -1 : 0);
}

// --- text ---
void Left(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n;
  if (!Length(ctx, a[1], n)) return;
  const std::string s = Text(a[0]);
  ResultText(ctx, s.substr(0, ByteOfChar(s, static_cast<size_t>(n))));
}

void Right(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n;
  if (!Length(ctx, a[1], n)) return;
  const std::string s = Text(a[0]);
  const size_t count = CharCount(s);
  ResultText(ctx, static_cast<size_t>(n) >= count ? s : s.substr(ByteOfChar(s, count - static_cast<size_t>(n))));
}

void Mid(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long start, n = -1;
  if (!Length(ctx, a[1], start) || (argc > 2 && !Length(ctx, a[2], n))) return;
  if (start < 1) return sqlite3_result_error(ctx, "Invalid procedure call or argument.", -1);
  const std::string s = Text(a[0]);
  const size_t from = ByteOfChar(s, static_cast<size_t>(start - 1));
  const size_t to = n < 0 ? s.size() : ByteOfChar(s, static_cast<size_t>(start - 1 + n));
  ResultText(ctx, s.substr(from, to - from));
}

void Len(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(CharCount(Text(a[0]))));
}

template <bool kLeft, bool kRight>
void TrimSpaces(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  std::string s = Text(a[0]);
  size_t b = 0, e = s.size();
  if (kLeft) while (b < e && s[b] == ' ') ++b;
  if (kRight) while (e > b && s[e - 1] == ' ') --e;
  ResultText(ctx, s.substr(b, e - b));
}

// InStr([start,] text, sought): 1-based character position, 0 when not found; without regard to case.
void InStr(sqlite3_context* ctx, int argc, Args a) {
  long long start = 1;
  if (argc == 3 && (IsNull(a[0]) || !Length(ctx, a[0], start))) return IsNull(a[0]) ? sqlite3_result_null(ctx) : void();
  sqlite3_value* hay = a[argc - 2];
  sqlite3_value* needle = a[argc - 1];
  if (IsNull(hay) || IsNull(needle)) return sqlite3_result_null(ctx);
  if (start < 1) return sqlite3_result_error(ctx, "Invalid procedure call or argument.", -1);
  std::string h = Text(hay), n = Text(needle);
  for (char& c : h) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t from = ByteOfChar(h, static_cast<size_t>(start - 1));
  if (from > h.size() || (from == h.size() && !n.empty())) return sqlite3_result_int(ctx, 0);
  const size_t found = h.find(n, from);
  sqlite3_result_int64(ctx, found == std::string::npos ? 0 : static_cast<sqlite3_int64>(CharCount(h.substr(0, found)) + 1));
}

// --- dates ---
CivilDateTime Now() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

void NowFn(sqlite3_context* ctx, int, Args) { ResultText(ctx, FormatStoredDate(Now())); }
void DateFn(sqlite3_context* ctx, int, Args) {
  CivilDateTime d = Now();
  d.hour = d.minute = d.second = 0;
  ResultText(ctx, FormatStoredDate(d));
}
void TimeFn(sqlite3_context* ctx, int, Args) {
  const CivilDateTime n = Now();
  ResultText(ctx, FormatStoredDate({1899, 12, 30, n.hour, n.minute, n.second}));
}

// A date argument: a stored date, a date text Jet can read, or a serial number.
std::optional<CivilDateTime> DateArg(sqlite3_context* ctx, sqlite3_value* v) {
  if (auto d = AsDate(v)) return d;
  if (IsNumber(v)) return CivilFromSerial(sqlite3_value_double(v));
  if (auto d = ParseDateLiteral(Text(v))) return d;
  sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
  return std::nullopt;
}

template <int CivilDateTime::*kField>
void DatePart(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) sqlite3_result_int(ctx, (*d).*kField);
}

void DateValue(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  if (const auto d = DateArg(ctx, a[0])) ResultText(ctx, FormatStoredDate(*d));
}

// --- numbers and conversions ---
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

// Val reads the leading number of a text and ignores the rest (blanks inside are skipped).
void ValFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_error(ctx, "Invalid use of Null.", -1);
  std::string s;
  for (char c : Text(a[0]))
    if (c != ' ' && c != '\t') s += c;
  char* end = nullptr;
  const double d = std::strtod(s.c_str(), &end);
  ResultNumber(ctx, end == s.c_str() ? 0 : d);
}

void CStrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_error(ctx, "Invalid use of Null.", -1);
  ResultText(ctx, Text(a[0]));
}

// CInt and CLng round half to even and overflow outside their ranges.
template <long long kMin, long long kMax>
void CWhole(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_error(ctx, "Invalid use of Null.", -1);
  double x;
  if (!Number(ctx, a[0], x)) return;
  const double r = std::nearbyint(x);
  if (r < static_cast<double>(kMin) || r > static_cast<double>(kMax)) return sqlite3_result_error(ctx, "Overflow.", -1);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(r));
}

void CDblFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_error(ctx, "Invalid use of Null.", -1);
  double x;
  if (Number(ctx, a[0], x)) sqlite3_result_double(ctx, x);
}

void RoundFn(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  double x, places = 0;
  if (!Number(ctx, a[0], x) || (argc > 1 && !Number(ctx, a[1], places))) return;
  const double scale = std::pow(10.0, std::trunc(places));
  ResultNumber(ctx, std::nearbyint(x * scale) / scale);  // half to even, as Jet rounds
}

struct Definition {
  const char* name;
  int args;
  void (*fn)(sqlite3_context*, int, Args);
  bool deterministic = true;
};

const Definition kDefinitions[] = {
    {"jet_concat", 2, Concat},           {"jet_add", 2, Add},
    {"jet_sub", 2, Subtract},            {"jet_div", 2, Divide},
    {"jet_intdiv", 2, IntDivide},        {"jet_mod", 2, Modulo},
    {"jet_pow", 2, Power},               {"jet_between", 3, Between},
    {"jet_like", 2, Like},               {"jet_left", 2, Left},
    {"jet_right", 2, Right},             {"jet_mid", 2, Mid},
    {"jet_mid", 3, Mid},                 {"jet_len", 1, Len},
    {"jet_trim", 1, TrimSpaces<true, true>}, {"jet_ltrim", 1, TrimSpaces<true, false>},
    {"jet_rtrim", 1, TrimSpaces<false, true>}, {"jet_instr", 2, InStr},
    {"jet_instr", 3, InStr},             {"jet_now", 0, NowFn, false},
    {"jet_date", 0, DateFn, false},      {"jet_time", 0, TimeFn, false},
    {"jet_year", 1, DatePart<&CivilDateTime::year>},     {"jet_month", 1, DatePart<&CivilDateTime::month>},
    {"jet_day", 1, DatePart<&CivilDateTime::day>},       {"jet_hour", 1, DatePart<&CivilDateTime::hour>},
    {"jet_minute", 1, DatePart<&CivilDateTime::minute>}, {"jet_second", 1, DatePart<&CivilDateTime::second>},
    {"jet_datevalue", 1, DateValue},     {"jet_int", 1, IntFn},
    {"jet_fix", 1, FixFn},               {"jet_val", 1, ValFn},
    {"jet_cstr", 1, CStrFn},             {"jet_cint", 1, CWhole<-32768, 32767>},
    {"jet_clng", 1, CWhole<-2147483648LL, 2147483647LL>}, {"jet_cdbl", 1, CDblFn},
    {"jet_round", 1, RoundFn},           {"jet_round", 2, RoundFn},
};

}  // namespace

void RegisterFunctions(sqlite3* db) {
  for (const Definition& d : kDefinitions)
    sqlite3_create_function_v2(db, d.name, d.args, SQLITE_UTF8 | (d.deterministic ? SQLITE_DETERMINISTIC : 0), nullptr,
                               d.fn, nullptr, nullptr, nullptr);
}

}  // namespace ornetta::jet
