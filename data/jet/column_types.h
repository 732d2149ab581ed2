// Jet's column types, recovered from the declared types that CREATE TABLE writes.
#pragma once

#include <string_view>

namespace ornetta::jet {

enum class JetType { Unknown, Text, Memo, Byte, Integer, Long, Single, Double, Currency, DateTime, YesNo, Counter };

// Declared types as the translator writes them: "TEXT(n)", "MEMO TEXT", "BYTE INTEGER", "SMALLINT",
// "LONG INTEGER", "SINGLE REAL", "DOUBLE", "CURRENCY", "DATETIME", "YESNO", "INTEGER" (a counter),
// "BLOB". Their words give each stored value the engine's affinity that keeps its form. Other
// spellings of the engine's own are read by their first word where it is clear.
JetType JetTypeOfDecl(std::string_view sqlite_decltype);

}  // namespace ornetta::jet
