// One value of a Jet column as the library reads it, before it is given the form it is stored in.
#pragma once

#include <cstdint>
#include <string>

namespace ornetta::import {

struct SourceValue {
  enum class Kind {
    kNull,
    kInteger,  // Yes/No (-1/0), Byte, Integer, Long, AutoNumber
    kSingle,   // `real` holds the float's exact value
    kDouble,
    kCurrency,  // `integer` is the amount in ten-thousandths: exact
    kDecimal,   // `bytes` is the exact decimal text
    kDate,      // `real` is Jet's serial (days since 1899-12-30, time as the fraction)
    kText,      // `bytes` is UTF-8
    kBinary,    // `bytes` are the stored bytes
  };
  Kind kind = Kind::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;
};

}  // namespace ornetta::import
