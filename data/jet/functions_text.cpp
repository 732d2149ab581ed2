// Text functions. Positions and lengths count characters of the UTF-8 text, not bytes, and as the
// engine counts them (utf8.h), so that they agree with its length() and the columns' width checks
// also on text that is not well-formed.
#include <cstring>
#include <string>

#include "data/jet/function_values.h"
#include "data/values/utf8.h"

namespace ornetta::jet::fn {

namespace {

// Windows-1252, the code page Chr and Asc speak, where it differs from Latin-1 (0x80-0x9F).
// The five unassigned codes stand for themselves, as Windows maps them.
constexpr char32_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The code point of the first character.
char32_t FirstCodePoint(const std::string& s) {
  return s.empty() ? 0 : utf8::EngineCharacters(std::string_view(s).substr(0, utf8::EngineOffset(s, 1)))[0];
}

std::string AnsiChar(long long code) {
  const auto c = static_cast<char32_t>(code);
  std::string out;
  utf8::Append(out, c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : c);
  return out;
}

// The Windows-1252 code of a character; one the code page lacks reads as "?", as Windows does.
int AnsiCode(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kCp1252High[i] == c) return 0x80 + i;
  return '?';
}

// A result of n copies of unit, refused before it is built when it exceeds the engine's limit.
void ResultRepeated(sqlite3_context* ctx, long long n, const std::string& unit) {
  const long long limit = sqlite3_limit(sqlite3_context_db_handle(ctx), SQLITE_LIMIT_LENGTH, -1);
  if (!unit.empty() && n > limit / static_cast<long long>(unit.size())) return sqlite3_result_error_toobig(ctx);
  std::string out;
  out.reserve(static_cast<size_t>(n) * unit.size());
  for (long long i = 0; i < n; ++i) out += unit;
  ResultText(ctx, out);
}

// The compare argument of InStr, InStrRev, StrComp and Replace: 0 binary, 1 text (without
// regard to case); 2, the database's order, is text here; -1 (the module's option) is the
// function's own default. Null is Jet's invalid use of Null.
bool TextCompare(sqlite3_context* ctx, sqlite3_value* v, bool& text) {
  if (IsNull(v)) {
    ResultError(ctx, kInvalidNull);
    return false;
  }
  long long mode;
  if (!Whole(ctx, v, mode)) return false;
  if (mode < -1 || mode > 2) {
    ResultError(ctx, kInvalidCall);
    return false;
  }
  if (mode != -1) text = mode == 1 || mode == 2;
  return true;
}

// Lower case for ASCII and Latin-1 letters, byte for byte: a Latin-1 letter and its lower case
// are both two bytes in UTF-8, so offsets found in the folded text hold in the original.
std::string FoldedText(std::string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 'A' && c <= 'Z') {
      s[i] = static_cast<char>(c + 32);
    } else if (c == 0xC3 && i + 1 < s.size()) {
      const auto next = static_cast<unsigned char>(s[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) s[i + 1] = static_cast<char>(next + 32);  // À-Þ but ×
      ++i;
    }
  }
  return s;
}

// The code points of a value's text, folded for a text compare.
std::u32string Characters(sqlite3_value* v, bool text_compare) {
  std::u32string out = utf8::EngineCharacters(Text(v));
  if (text_compare)
    for (char32_t& c : out) c = FoldCase(c);
  return out;
}

void Left(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n;
  if (!Length(ctx, a[1], n)) return;
  const std::string s = Text(a[0]);
  ResultText(ctx, s.substr(0, utf8::EngineOffset(s, static_cast<size_t>(n))));
}

void Right(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n;
  if (!Length(ctx, a[1], n)) return;
  const std::string s = Text(a[0]);
  const size_t count = utf8::EngineLength(s);
  ResultText(ctx,
             static_cast<size_t>(n) >= count ? s : s.substr(utf8::EngineOffset(s, count - static_cast<size_t>(n))));
}

void Mid(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long start, n = -1;
  if (!Length(ctx, a[1], start) || (argc > 2 && !Length(ctx, a[2], n))) return;
  if (start < 1) return ResultError(ctx, kInvalidCall);
  const std::string s = Text(a[0]);
  const size_t from = utf8::EngineOffset(s, static_cast<size_t>(start - 1));
  const size_t to = n < 0 ? s.size() : utf8::EngineOffset(s, static_cast<size_t>(start - 1 + n));
  ResultText(ctx, s.substr(from, to - from));
}

void Len(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(utf8::EngineLength(Text(a[0]))));
}

template <bool kLeft, bool kRight>
void TrimSpaces(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  std::string s = Text(a[0]);
  size_t b = 0, e = s.size();
  if (kLeft)
    while (b < e && s[b] == ' ') ++b;
  if (kRight)
    while (e > b && s[e - 1] == ' ') --e;
  ResultText(ctx, s.substr(b, e - b));
}

// InStr([start,] text, sought[, compare]): the 1-based character position of sought at or after
// start, 0 when it is not there. Text compare unless compare says binary, as the database
// compares. An empty sought is found at start.
void InStr(sqlite3_context* ctx, int argc, Args a) {
  long long start = 1;
  bool text_compare = true;
  if (argc >= 3) {
    if (IsNull(a[0])) return ResultError(ctx, kInvalidNull);
    if (!Whole(ctx, a[0], start)) return;
    if (argc == 4 && !TextCompare(ctx, a[3], text_compare)) return;
    if (start < 1) return ResultError(ctx, kInvalidCall);
  }
  sqlite3_value* hay = a[argc >= 3 ? 1 : 0];
  sqlite3_value* needle = a[argc >= 3 ? 2 : 1];
  if (IsNull(hay) || IsNull(needle)) return sqlite3_result_null(ctx);
  const std::u32string h = Characters(hay, text_compare), n = Characters(needle, text_compare);
  if (h.empty() || static_cast<unsigned long long>(start - 1) > h.size()) return sqlite3_result_int(ctx, 0);
  const size_t found = h.find(n, static_cast<size_t>(start - 1));
  sqlite3_result_int64(ctx, found == std::u32string::npos ? 0 : static_cast<sqlite3_int64>(found) + 1);
}

// InStrRev(text, sought[, start[, compare]]): the position of the last sought that lies wholly
// within the first start characters (-1, the default: all of them); 0 when none, and when start
// is past the end.
void InStrRev(sqlite3_context* ctx, int argc, Args a) {
  long long start = -1;
  bool text_compare = true;
  if (argc >= 3) {
    if (IsNull(a[2])) return ResultError(ctx, kInvalidNull);
    if (!Whole(ctx, a[2], start)) return;
    if (argc == 4 && !TextCompare(ctx, a[3], text_compare)) return;
    if (start == 0 || start < -1) return ResultError(ctx, kInvalidCall);
  }
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  const std::u32string h = Characters(a[0], text_compare), n = Characters(a[1], text_compare);
  if (start == -1) start = static_cast<long long>(h.size());
  if (h.empty() || static_cast<unsigned long long>(start) > h.size()) return sqlite3_result_int(ctx, 0);
  if (n.empty()) return sqlite3_result_int64(ctx, start);
  if (n.size() > static_cast<size_t>(start)) return sqlite3_result_int(ctx, 0);
  const size_t found = h.rfind(n, static_cast<size_t>(start) - n.size());
  sqlite3_result_int64(ctx, found == std::u32string::npos ? 0 : static_cast<sqlite3_int64>(found) + 1);
}

void Space(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long n;
  if (Length(ctx, a[0], n)) ResultRepeated(ctx, n, " ");
}

// String(n, c): c is a character code (taken modulo 256) or a text whose first character repeats.
void StringFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  long long n;
  if (!Length(ctx, a[0], n)) return;
  std::string unit;
  if (sqlite3_value_type(a[1]) == SQLITE_TEXT && !IsNumber(a[1])) {
    const std::string s = Text(a[1]);
    if (s.empty()) return ResultError(ctx, kInvalidCall);
    unit = s.substr(0, utf8::EngineOffset(s, 1));
  } else {
    long long code;
    if (!Whole(ctx, a[1], code)) return;
    unit = AnsiChar(((code % 256) + 256) % 256);
  }
  ResultRepeated(ctx, n, unit);
}

// Replace(text, find, with[, start[, count[, compare]]]): as in Jet, the result begins at start;
// count -1 replaces every occurrence.
void ReplaceFn(sqlite3_context* ctx, int argc, Args a) {
  for (int i = 0; i < argc; ++i)
    if (IsNull(a[i])) return sqlite3_result_null(ctx);
  long long start = 1, count = -1;
  bool text_compare = false;
  if (argc > 3 && !Whole(ctx, a[3], start)) return;
  if (argc > 4 && !Whole(ctx, a[4], count)) return;
  if (argc > 5 && !TextCompare(ctx, a[5], text_compare)) return;
  if (start < 1 || count < -1) return ResultError(ctx, kInvalidCall);
  const std::string whole = Text(a[0]);
  const std::string s = whole.substr(utf8::EngineOffset(whole, static_cast<size_t>(start - 1)));
  const std::string find = Text(a[1]), with = Text(a[2]);
  if (find.empty()) return ResultText(ctx, s);
  const std::string hay = text_compare ? FoldedText(s) : s;
  const std::string needle = text_compare ? FoldedText(find) : find;
  std::string out;
  size_t pos = 0;
  for (long long done = 0; count < 0 || done < count; ++done) {
    const size_t hit = hay.find(needle, pos);
    if (hit == std::string::npos) break;
    out.append(s, pos, hit - pos);
    out += with;
    pos = hit + needle.size();
  }
  out.append(s, pos, std::string::npos);
  ResultText(ctx, out);
}

// StrComp(a, b[, compare]): -1, 0 or 1; binary unless compare says text.
void StrCompFn(sqlite3_context* ctx, int argc, Args a) {
  if (IsNull(a[0]) || IsNull(a[1])) return sqlite3_result_null(ctx);
  bool text_compare = false;
  if (argc > 2 && !TextCompare(ctx, a[2], text_compare)) return;
  const int c = Characters(a[0], text_compare).compare(Characters(a[1], text_compare));
  sqlite3_result_int(ctx, c < 0 ? -1 : c > 0 ? 1 : 0);
}

void ChrFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  long long code;
  if (!Whole(ctx, a[0], code)) return;
  if (code < 0 || code > 255) return ResultError(ctx, kInvalidCall);
  ResultText(ctx, AnsiChar(code));
}

void AscFn(sqlite3_context* ctx, int, Args a) {
  if (IsNull(a[0])) return sqlite3_result_null(ctx);
  const std::string s = Text(a[0]);
  if (s.empty()) return ResultError(ctx, kInvalidCall);
  sqlite3_result_int(ctx, AnsiCode(FirstCodePoint(s)));
}

}  // namespace

std::span<const Implementation> TextFunctions() {
  static const Implementation kImplementations[] = {
      {"jet_left", Left},
      {"jet_right", Right},
      {"jet_mid", Mid},
      {"jet_len", Len},
      {"jet_trim", TrimSpaces<true, true>},
      {"jet_ltrim", TrimSpaces<true, false>},
      {"jet_rtrim", TrimSpaces<false, true>},
      {"jet_instr", InStr},
      {"jet_instrrev", InStrRev},
      {"jet_space", Space},
      {"jet_string", StringFn},
      {"jet_replace", ReplaceFn},
      {"jet_strcomp", StrCompFn},
      {"jet_chr", ChrFn},
      {"jet_asc", AscFn},
  };
  return kImplementations;
}

}  // namespace ornetta::jet::fn
