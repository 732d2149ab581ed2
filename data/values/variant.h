// A value as the application's runtime holds it: typed, possibly Empty or Null.
//
// Lookups return "any value" and callers must be able to tell a 16-bit Integer 0 from a Long 0,
// an Empty from a Null, so the type is kept, not just the value.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace ornetta {

class Variant {
 public:
  // Currency: a scaled integer, ten-thousandths of a unit, exact as the runtime keeps it.
  enum class Type { Empty, Null, Integer, Long, Double, String, Date, Boolean, Currency };

  Variant() = default;  // Empty
  static Variant MakeNull();
  static Variant MakeInteger(int16_t v);
  static Variant MakeLong(int32_t v);
  static Variant MakeDouble(double v);
  static Variant MakeString(std::string v);
  static Variant MakeDate(double serial);  // days since 1899-12-30, see datetime.h
  static Variant MakeBoolean(bool v);
  static Variant MakeCurrency(int64_t ten_thousandths);

  Type type() const { return type_; }
  bool IsEmpty() const { return type_ == Type::Empty; }
  bool IsNull() const { return type_ == Type::Null; }

  // Typed accessors; each throws a type-mismatch Error when the value is of another type.
  int16_t AsInteger() const;
  int32_t AsLong() const;
  double AsDouble() const;  // any numeric type, Date and Boolean (-1/0) included
  const std::string& AsString() const;
  // Moves a String's text out and leaves the value Empty, so that a secret (the password) has one
  // owner to wipe it. Throws a type-mismatch Error for other types.
  std::string TakeString();
  double AsDate() const;
  bool AsBoolean() const;
  int64_t AsCurrency() const;  // in ten-thousandths

  // The runtime's default conversion to text: numbers as written (Currency with its decimals, at
  // most four, exactly), True/False, dates as
  // YYYY-MM-DD (with " HH:MM:SS" when not midnight), Empty as "". Null cannot become text:
  // throws Error 94 "Invalid use of Null".
  std::string ToText() const;

  bool operator==(const Variant&) const = default;

 private:
  using Payload = std::variant<std::monostate, int64_t, double, std::string>;
  Variant(Type t, Payload p) : type_(t), value_(std::move(p)) {}

  Type type_ = Type::Empty;
  Payload value_;
};

// Numbers as the runtime writes them: up to 15 significant digits, no trailing zeros,
// exponent form "1E+20" for very large or small magnitudes.
std::string NumberToText(double v);
// A Currency amount (ten-thousandths) as the runtime writes it: "3.3", "-0.0001", "7".
std::string CurrencyToText(int64_t ten_thousandths);

}  // namespace ornetta
