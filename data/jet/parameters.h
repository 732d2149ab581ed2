// Parameters: the values a statement asks for when it runs (PARAMETERS [Start Date] DateTime;
// or a bracketed name that is no column), and how the text a person gives becomes the value.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "data/values/clock.h"
#include "data/jet/types.h"

namespace ornetta::jet {

// The type a PARAMETERS declaration names: Jet's parameter types (Bit, Short, IEEEDouble, Value,
// ...) and its column type names (YesNo, Integer, Double, ...). nullopt for no type (or Binary
// and Guid, which no text can give).
std::optional<Type> ParameterType(std::string_view name);

// A value as the engine takes it (a parameter) or gives it (a pivot value).
struct BoundValue {
  enum Kind { kNull, kInteger, kReal, kText } kind = kNull;
  long long integer = 0;
  double real = 0;
  std::string text;  // kText; a date in the stored form
};

// Reads `typed` (what was typed into the box, or given on the command line) as a value of the
// parameter `name` of type `type`, as Jet reads it: nothing is Null; a date with or without #...#
// for a DateTime; a number for the numeric types, rounded half to even for the whole ones; True,
// False, Yes, No, On, Off or a number for a Bit. A parameter of no known type takes #...# as a
// date and anything else as text; a date without a year is of the current year on `clock`.
// Throws Error (type mismatch or overflow) naming the parameter.
BoundValue ReadParameterValue(const std::string& name, Type type, std::string_view typed, const Clock& clock);

}  // namespace ornetta::jet
