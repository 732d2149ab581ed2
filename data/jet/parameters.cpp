#include "data/jet/parameters.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "data/values/datetime.h"
#include "data/values/error.h"
#include "data/jet/dates.h"
#include "data/jet/names.h"

namespace ornetta::jet {

namespace {

bool OneOf(const std::string& word, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (word == n) return true;
  return false;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

Error Mismatch(const std::string& name, const char* wanted, std::string_view typed) {
  return Error(err::kTypeMismatch,
               "The value '" + std::string(typed) + "' given for the parameter [" + name + "] is not " + wanted + ".");
}

std::optional<double> Number(std::string_view s) {
  const std::string text(s);
  if (text.empty() || text.find_first_not_of("0123456789.+-eE") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double d = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(d)) return std::nullopt;
  return d;
}

}  // namespace

std::optional<Type> ParameterType(std::string_view name) {
  const std::string t = Upper(std::string(name));
  if (OneOf(t, {"TEXT", "CHAR", "VARCHAR", "STRING", "ALPHANUMERIC"})) return Type::kText;
  if (OneOf(t, {"MEMO", "LONGTEXT", "NOTE", "LONGCHAR"})) return Type::kMemo;
  if (OneOf(t, {"BYTE", "TINYINT", "INTEGER1"})) return Type::kByte;
  if (OneOf(t, {"SHORT", "INTEGER", "SMALLINT", "INTEGER2"})) return Type::kInteger;
  if (OneOf(t, {"LONG", "INTEGER4", "INT"})) return Type::kLong;
  if (OneOf(t, {"CURRENCY", "MONEY"})) return Type::kCurrency;
  if (OneOf(t, {"IEEESINGLE", "SINGLE", "REAL", "FLOAT4"})) return Type::kSingle;
  if (OneOf(t, {"IEEEDOUBLE", "DOUBLE", "FLOAT", "FLOAT8", "NUMBER", "NUMERIC"})) return Type::kDouble;
  if (OneOf(t, {"DECIMAL"})) return Type::kDecimal;
  if (OneOf(t, {"DATETIME", "DATE", "TIME", "TIMESTAMP"})) return Type::kDate;
  if (OneOf(t, {"BIT", "YESNO", "LOGICAL", "LOGICAL1", "BOOLEAN"})) return Type::kBoolean;
  if (OneOf(t, {"VALUE", "VARIANT"})) return Type::kUnknown;
  return std::nullopt;
}

BoundValue ReadParameterValue(const std::string& name, Type type, std::string_view typed, const Clock& clock) {
  BoundValue v;
  if (IsText(type)) {
    v.kind = BoundValue::kText;
    v.text = typed;
    return v;
  }
  const std::string_view s = Trim(typed);
  if (s.empty()) return v;  // an empty box gives Null, as in Jet
  const bool hashed = s.size() >= 2 && s.front() == '#' && s.back() == '#';
  if (type == Type::kDate || (type == Type::kUnknown && hashed)) {
    const auto dt = ParseDateLiteral(hashed ? s.substr(1, s.size() - 2) : s, clock);
    if (!dt) throw Mismatch(name, "a date", typed);
    v.kind = BoundValue::kText;
    v.text = FormatStoredDate(*dt);
    return v;
  }
  if (type == Type::kUnknown) {
    v.kind = BoundValue::kText;
    v.text = typed;
    return v;
  }
  if (type == Type::kBoolean) {
    const std::string word = Upper(std::string(s));
    v.kind = BoundValue::kInteger;
    if (OneOf(word, {"TRUE", "YES", "ON"}))
      v.integer = -1;
    else if (OneOf(word, {"FALSE", "NO", "OFF"}))
      v.integer = 0;
    else if (const auto d = Number(s))
      v.integer = *d != 0 ? -1 : 0;
    else
      throw Mismatch(name, "True or False", typed);
    return v;
  }
  const auto d = Number(s);
  if (!d) throw Mismatch(name, "a number", typed);
  double lo = 0, hi = 0;
  switch (type) {
    case Type::kByte: lo = 0, hi = 255; break;
    case Type::kInteger: lo = -32768, hi = 32767; break;
    case Type::kLong: lo = -2147483648.0, hi = 2147483647.0; break;
    default:
      v.kind = BoundValue::kReal;
      v.real = *d;
      return v;
  }
  const double whole = std::nearbyint(*d);  // the default rounding: half to even
  if (whole < lo || whole > hi)
    throw Error(err::kOverflow, "Overflow: the value " + std::string(s) + " given for the parameter [" + name +
                                    "] does not fit a " + TypeName(type) + ".");
  v.kind = BoundValue::kInteger;
  v.integer = static_cast<long long>(whole);
  return v;
}

}  // namespace ornetta::jet
