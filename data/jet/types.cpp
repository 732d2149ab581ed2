#include "data/jet/types.h"

#include <algorithm>

namespace ornetta::jet {

Type TypeOfColumn(JetType column) {
  switch (column) {
    case JetType::Text: return Type::kText;
    case JetType::Memo: return Type::kMemo;
    case JetType::Byte: return Type::kByte;
    case JetType::Integer: return Type::kInteger;
    case JetType::Long:
    case JetType::Counter: return Type::kLong;
    case JetType::Single: return Type::kSingle;
    case JetType::Double: return Type::kDouble;
    case JetType::Currency: return Type::kCurrency;
    case JetType::DateTime: return Type::kDate;
    case JetType::YesNo: return Type::kBoolean;
    case JetType::Unknown: break;
  }
  return Type::kUnknown;
}

JetType ColumnOfType(Type t) {
  switch (t) {
    case Type::kBoolean: return JetType::YesNo;
    case Type::kByte: return JetType::Byte;
    case Type::kInteger: return JetType::Integer;
    case Type::kLong: return JetType::Long;
    case Type::kCurrency: return JetType::Currency;
    case Type::kSingle: return JetType::Single;
    case Type::kDouble:
    case Type::kDecimal: return JetType::Double;  // the engine keeps no Decimal
    case Type::kDate: return JetType::DateTime;
    case Type::kText: return JetType::Text;
    case Type::kMemo: return JetType::Memo;
    case Type::kUnknown:
    case Type::kNull: break;
  }
  return JetType::Unknown;
}

Type Wider(Type a, Type b) {
  // Boolean widens to Integer as soon as it takes part in arithmetic.
  if (a == Type::kBoolean) a = Type::kInteger;
  if (b == Type::kBoolean) b = Type::kInteger;
  // Currency with a floating-point number is a Double: a Single cannot hold Currency's digits.
  const bool currency = a == Type::kCurrency || b == Type::kCurrency;
  if (currency && (a == Type::kSingle || b == Type::kSingle)) return Type::kDouble;
  return std::max(a, b);
}

Type Merge(Type a, Type b) {
  if (a == Type::kNull) return b;
  if (b == Type::kNull || a == b) return a;
  if (IsNumeric(a) && IsNumeric(b)) return Wider(a, b);
  if (IsText(a) && IsText(b)) return Type::kMemo;
  return Type::kUnknown;
}

const char* TypeName(Type t) {
  static const char* const kNames[] = {"Unknown", "Null",   "Boolean", "Byte", "Integer", "Long", "Currency",
                                       "Single",  "Double", "Decimal", "Date", "Text",    "Memo"};
  return kNames[static_cast<int>(t)];
}

}  // namespace ornetta::jet
