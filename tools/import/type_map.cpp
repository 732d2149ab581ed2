#include "tools/import/type_map.h"

#include <mdbtools.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/values/datetime.h"

namespace ornetta::import {

namespace {

std::string Printf(const char* format, double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

std::string Printf(const char* format, int precision, double v) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, precision, v);
  return buf;
}

// Ten-thousandths as "-12.3400".
std::string CurrencyText(int64_t units) {
  const bool negative = units < 0;
  const uint64_t u = negative ? 0 - static_cast<uint64_t>(units) : static_cast<uint64_t>(units);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%s%" PRIu64 ".%04" PRIu64, negative ? "-" : "", u / 10000, u % 10000);
  return buf;
}

// A decimal numeral without the zeros that do not change its value: "12.3400" and "12.34" are one
// number, and so are "-0" and "0".
std::string Canonical(std::string s) {
  if (s.find('.') != std::string::npos) {
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
  }
  const bool negative = !s.empty() && s[0] == '-';
  size_t first = negative ? 1 : 0;
  while (first + 1 < s.size() && s[first] == '0' && s[first + 1] != '.') ++first;
  std::string digits = s.substr(first);
  if (digits == "0" || digits.empty()) return "0";
  return (negative ? "-" : "") + digits;
}

}  // namespace

std::optional<TargetType> MapType(const SourceColumn& c, std::string& why) {
  switch (c.mdb_type) {
    case MDB_BOOL: return TargetType{"YESNO", 0, {}};
    case MDB_BYTE: return TargetType{"BYTE", 0, {}};
    case MDB_INT: return TargetType{"SHORT", 0, {}};
    case MDB_LONGINT: return TargetType{c.autonumber ? "COUNTER" : "LONG", 0, {}};
    case MDB_FLOAT: return TargetType{"SINGLE", 0, {}};
    case MDB_DOUBLE: return TargetType{"DOUBLE", 0, {}};
    case MDB_MONEY: return TargetType{"CURRENCY", 0, {}};
    case MDB_DATETIME: return TargetType{"DATETIME", 0, {}};
    case MDB_TEXT: return TargetType{"TEXT", c.size > 0 ? c.size : 255, {}};
    case MDB_MEMO: return TargetType{"MEMO", 0, {}};
    case MDB_OLE: return TargetType{"LONGBINARY", 0, {}};
    case MDB_BINARY: return TargetType{"BINARY", 0, {}};
    case MDB_REPID:
      return TargetType{
          "TEXT", 38,
          c.guid_autonumber ? "a Replication ID AutoNumber: the values are carried as text; new rows get none" : ""};
    case MDB_NUMERIC:
      return TargetType{
          "DECIMAL", 0,
          "Decimal(" + std::to_string(c.precision) + ", " + std::to_string(c.scale) +
              ") is declared Double: the dialect has no exact decimal type, so precision and scale are not "
              "kept as a type; every value is compared with its exact text"};
    case MDB_COMPLEX:
      why = "an Attachment or multi-value column: its values live in hidden tables that the reader cannot follow";
      return std::nullopt;
    default:
      why = "a column of a type (" + std::to_string(c.mdb_type) + ") that the reader does not know";
      return std::nullopt;
  }
}

TargetValue ToTarget(const SourceValue& v) {
  using K = SourceValue::Kind;
  TargetValue t;
  switch (v.kind) {
    case K::kNull: break;
    case K::kInteger:
      t.kind = TargetValue::Kind::kInteger;
      t.integer = v.integer;
      break;
    case K::kSingle:
    case K::kDouble:
      t.kind = TargetValue::Kind::kReal;
      t.real = v.real;
      break;
    // The nearest double to the exact amount; StoredKey tells whether it gives the amount back.
    case K::kCurrency:
      t.kind = TargetValue::Kind::kReal;
      t.real = static_cast<double>(v.integer) / 10000.0;
      break;
    case K::kDecimal:
      t.kind = TargetValue::Kind::kReal;
      t.real = std::strtod(v.bytes.c_str(), nullptr);
      break;
    case K::kDate:
      t.kind = TargetValue::Kind::kText;
      t.bytes = FormatStoredDate(CivilFromSerial(v.real));
      break;
    case K::kText:
      t.kind = TargetValue::Kind::kText;
      t.bytes = v.bytes;
      break;
    case K::kBinary:
      t.kind = TargetValue::Kind::kBlob;
      t.bytes = v.bytes;
      break;
  }
  return t;
}

namespace {

template <typename T>
std::string Key(char tag, T value) {
  std::string out(1 + sizeof value, tag);
  std::memcpy(&out[1], &value, sizeof value);
  return out;
}

std::string Tagged(char tag, const std::string& bytes) { return std::string(1, tag) + bytes; }

}  // namespace

std::optional<std::string> SourceKey(const SourceValue& v) {
  using K = SourceValue::Kind;
  switch (v.kind) {
    case K::kNull: return std::nullopt;
    case K::kInteger: return Key('i', v.integer);
    case K::kSingle: return Key('f', static_cast<float>(v.real));
    case K::kDouble: return Key('d', v.real);
    case K::kCurrency: return Key('c', v.integer);
    case K::kDecimal: return Tagged('n', Canonical(v.bytes));
    case K::kDate: return Tagged('t', FormatStoredDate(CivilFromSerial(v.real)));
    case K::kText: return Tagged('t', v.bytes);
    case K::kBinary: return Tagged('b', v.bytes);
  }
  return std::nullopt;
}

std::optional<std::string> StoredKey(const TargetValue& s, int mdb_type, int scale) {
  using K = TargetValue::Kind;
  if (s.kind == K::kNull) return std::nullopt;
  const bool number = s.kind == K::kInteger || s.kind == K::kReal;
  const double real = s.kind == K::kInteger ? static_cast<double>(s.integer) : s.real;
  if (number) {
    switch (mdb_type) {
      case MDB_FLOAT: return Key('f', static_cast<float>(real));
      case MDB_DOUBLE: return Key('d', real);
      case MDB_MONEY:
        // Beyond the range of ten-thousandths in 64 bits the double cannot be an amount Jet had.
        if (!(std::fabs(real * 10000.0) < 9.2e18)) return Tagged('C', Printf("%.4f", real));
        return Key('c', static_cast<int64_t>(std::llround(real * 10000.0)));
      case MDB_NUMERIC: return Tagged('n', Canonical(Printf("%.*f", scale, real)));
      default:
        if (s.kind == K::kInteger) return Key('i', s.integer);
        return Key('d', real);
    }
  }
  return Tagged(s.kind == K::kBlob ? 'b' : 't', s.bytes);
}

std::string Readable(const SourceValue& v) {
  using K = SourceValue::Kind;
  switch (v.kind) {
    case K::kNull: return "Null";
    case K::kInteger: return std::to_string(v.integer);
    case K::kSingle: return Printf("%.9g", static_cast<float>(v.real));
    case K::kDouble: return Printf("%.17g", v.real);
    case K::kCurrency: return CurrencyText(v.integer);
    case K::kDecimal: return v.bytes;
    case K::kDate: return FormatStoredDate(CivilFromSerial(v.real));
    case K::kText: return v.bytes;
    case K::kBinary: return std::to_string(v.bytes.size()) + " bytes";
  }
  return {};
}

}  // namespace ornetta::import
