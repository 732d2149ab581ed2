#include "data/values/variant.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/values/datetime.h"
#include "data/values/error.h"

namespace ornetta {

namespace {
Error Mismatch() { return Error(err::kTypeMismatch, "Type mismatch"); }
}  // namespace

Variant Variant::MakeNull() { return Variant(Type::Null, {}); }
Variant Variant::MakeInteger(int16_t v) { return Variant(Type::Integer, int64_t{v}); }
Variant Variant::MakeLong(int32_t v) { return Variant(Type::Long, int64_t{v}); }
Variant Variant::MakeDouble(double v) { return Variant(Type::Double, v); }
Variant Variant::MakeString(std::string v) { return Variant(Type::String, std::move(v)); }

std::string Variant::TakeString() {
  AsString();  // the type check
  std::string text = std::move(std::get<std::string>(value_));
  *this = Variant();
  return text;
}
Variant Variant::MakeDate(double serial) { return Variant(Type::Date, serial); }
Variant Variant::MakeBoolean(bool v) { return Variant(Type::Boolean, int64_t{v ? -1 : 0}); }
Variant Variant::MakeCurrency(int64_t ten_thousandths) { return Variant(Type::Currency, ten_thousandths); }

int16_t Variant::AsInteger() const {
  if (type_ != Type::Integer) throw Mismatch();
  return static_cast<int16_t>(std::get<int64_t>(value_));
}

int32_t Variant::AsLong() const {
  if (type_ != Type::Long) throw Mismatch();
  return static_cast<int32_t>(std::get<int64_t>(value_));
}

double Variant::AsDouble() const {
  if (type_ == Type::Currency) return static_cast<double>(std::get<int64_t>(value_)) / 10000.0;
  if (const auto* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&value_)) return *d;
  throw Mismatch();
}

const std::string& Variant::AsString() const {
  if (type_ != Type::String) throw Mismatch();
  return std::get<std::string>(value_);
}

double Variant::AsDate() const {
  if (type_ != Type::Date) throw Mismatch();
  return std::get<double>(value_);
}

bool Variant::AsBoolean() const {
  if (type_ != Type::Boolean) throw Mismatch();
  return std::get<int64_t>(value_) != 0;
}

int64_t Variant::AsCurrency() const {
  if (type_ != Type::Currency) throw Mismatch();
  return std::get<int64_t>(value_);
}

std::string Variant::ToText() const {
  switch (type_) {
    case Type::Empty: return "";
    case Type::Null: throw Error(94, "Invalid use of Null");
    case Type::Integer:
    case Type::Long: return std::to_string(std::get<int64_t>(value_));
    case Type::Double: return NumberToText(std::get<double>(value_));
    case Type::String: return std::get<std::string>(value_);
    case Type::Boolean: return AsBoolean() ? "True" : "False";
    case Type::Currency: return CurrencyToText(std::get<int64_t>(value_));
    case Type::Date: {
      std::string text = FormatStoredDate(CivilFromSerial(std::get<double>(value_)));
      if (text.compare(10, 9, " 00:00:00") == 0) text.resize(10);
      return text;
    }
  }
  return "";
}

std::string NumberToText(double v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", v);
  std::string s = buf;
  // %G pads the exponent to two digits ("1E+20"), as the runtime does; trim a mantissa's zeros.
  const size_t e = s.find('E');
  std::string mantissa = s.substr(0, e), exponent = e == std::string::npos ? "" : s.substr(e);
  if (mantissa.find('.') != std::string::npos) {
    while (mantissa.back() == '0') mantissa.pop_back();
    if (mantissa.back() == '.') mantissa.pop_back();
  }
  if (mantissa == "-0") mantissa = "0";
  return mantissa + exponent;
}

std::string CurrencyToText(int64_t ten_thousandths) {
  // Unsigned, so that the most negative amount has a magnitude too.
  const bool negative = ten_thousandths < 0;
  const uint64_t magnitude =
      negative ? 0 - static_cast<uint64_t>(ten_thousandths) : static_cast<uint64_t>(ten_thousandths);
  std::string text = std::to_string(magnitude / 10000);
  if (const uint64_t fraction = magnitude % 10000) {
    std::string digits = std::to_string(fraction);
    digits.insert(0, 4 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return negative ? "-" + text : text;
}

}  // namespace ornetta
