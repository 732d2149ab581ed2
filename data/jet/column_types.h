// Jet's column types: the declarations CREATE TABLE writes for them, and the Jet type recovered
// from a declaration.
//
// Each declaration's words give the engine's affinity that keeps the stored form ("MEMO TEXT"
// keeps '007' as text, "DATETIME" keeps the date text), and a named CHECK refuses a value of
// another form instead of storing it (Jet would refuse or convert it; a wrong form would break
// comparisons later). Text columns compare without regard to case (COLLATE NOCASE), so DISTINCT,
// GROUP BY, ORDER BY, Min, Max, joins and unique indexes on them do too, as in Jet.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ornetta::jet {

enum class JetType { Unknown, Text, Memo, Byte, Integer, Long, Single, Double, Currency, DateTime, YesNo, Counter };

struct ColumnDecl {
  std::string sql;  // declared type and constraints, to follow the column's name
  bool counter;     // the table's own row number (INTEGER PRIMARY KEY)
};

// The declaration of a column `quoted_name` of the Jet type named `jet_type` (any case, e.g.
// "TEXT", "VARCHAR", "LONG", "COUNTER"), with `size` (0 when none) for text. nullopt when the
// name is no Jet type.
std::optional<ColumnDecl> DeclForJetType(std::string_view jet_type, int size, const std::string& quoted_name);

// Declared types as DeclForJetType writes them: "TEXT(n)", "MEMO TEXT", "BYTE INTEGER", "SMALLINT",
// "LONG INTEGER", "SINGLE REAL", "DOUBLE", "CURRENCY", "DATETIME", "YESNO", "INTEGER" (a counter),
// "BLOB". Other spellings of the engine's own are read by their first word where it is clear.
JetType JetTypeOfDecl(std::string_view sqlite_decltype);

}  // namespace ornetta::jet
