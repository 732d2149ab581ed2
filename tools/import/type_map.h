// Jet's column types as the dialect's CREATE TABLE declares them, and each value in the form the
// application stores (dates as "YYYY-MM-DD HH:MM:SS" text, Yes/No as -1/0, Currency as a number).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "tools/import/mdb_source.h"

namespace ornetta::import {

struct TargetType {
  std::string jet_type;  // a type of the dialect's CREATE TABLE: "TEXT", "CURRENCY", "COUNTER"...
  int size = 0;          // TEXT(n)
  std::string loss;      // what the declaration does not keep of the source's type; empty when nothing
};

// nullopt when the column cannot be carried at all (Attachment and multi-value columns); `why` then
// says so.
std::optional<TargetType> MapType(const SourceColumn& column, std::string& why);

// A value ready to be bound to the engine.
struct TargetValue {
  enum class Kind { kNull, kInteger, kReal, kText, kBlob };
  Kind kind = Kind::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;
};

TargetValue ToTarget(const SourceValue& value);

// The value as bytes that name it exactly, for the checksums: source values as the library reads
// them, stored values as the engine gives them back for a column of that source type (numbers by
// their binary value, Currency in ten-thousandths, dates as their stored text). The two are equal
// when the value was carried unchanged. nullopt for Null.
std::optional<std::string> SourceKey(const SourceValue& value);
std::optional<std::string> StoredKey(const TargetValue& stored, int mdb_type, int scale);

// The value as a person reads it, for the report: "12.3456", "2026-12-09 10:30:00".
std::string Readable(const SourceValue& value);

}  // namespace ornetta::import
