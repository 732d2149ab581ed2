// Jet's types of values, as the binder gives them to every expression.
#pragma once

#include "data/jet/column_types.h"

namespace ornetta::jet {

// Unknown: the value's type depends on the row (a column of a table the binder was not told of, a
// choice between values of different kinds); the value's own storage class then says what it is.
enum class Type {
  kUnknown,
  kNull,
  kBoolean,
  kByte,
  kInteger,
  kLong,
  kCurrency,
  kSingle,
  kDouble,
  kDecimal,
  kDate,
  kText,
  kMemo
};

inline bool IsNumeric(Type t) { return t >= Type::kBoolean && t <= Type::kDecimal; }
inline bool IsText(Type t) { return t == Type::kText || t == Type::kMemo; }

// The type of a stored column's values.
Type TypeOfColumn(JetType column);

// The column type that holds values of type `t` (as a make-table gives it); Unknown for Null and
// Unknown.
JetType ColumnOfType(Type t);

// The type of a value that is one of two (IIf's branches, Nz, Switch, Choose, UNION's parts):
// Null goes with anything; numbers widen, Text and Memo make Memo; otherwise it depends on the row.
Type Merge(Type a, Type b);

// The narrowest numeric type that holds values of both: the type of their sum, difference and
// product.
Type Wider(Type a, Type b);

const char* TypeName(Type t);

}  // namespace ornetta::jet
