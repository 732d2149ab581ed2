// Translation of Jet SQL (the dialect of the application's statements, and of what support staff
// dictate) into the engine's SQL, with Jet's meaning: the dialect's entry point, which the
// recordset and the import call; the parser, binder and writer lie beneath it.
//
// Stored forms that the translation relies on:
//   Date/Time  text "YYYY-MM-DD HH:MM:SS" (data/values/datetime.h); #...# literals become that text,
//              so text order is time order and comparisons need no conversion.
//   Yes/No     the integers -1 (True) and 0 (False); True is -1 wherever it is written.
//   Text       compared without regard to case, as Jet compares (NOCASE collation).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/values/clock.h"
#include "data/jet/ast.h"
#include "data/jet/column_types.h"
#include "data/jet/parameters.h"

namespace ornetta::jet {

// What the translation knows of one item of a SELECT's list. The engine types a stored column's
// value by its declaration but says nothing of a computed one, and a date comes back from it as
// its stored text: the caller needs to be told that Date(), Max(dates) or #1/2/2026# + 1 is a
// date, as Jet says.
struct ResultItem {
  // DateTime when each value is a date in the stored form (or Null), Currency when each is a
  // Currency amount, decided from the functions, operators, literals and declared column types
  // of the expression, never from the values. Unknown otherwise: the value's own storage class
  // then says what it is.
  JetType type = JetType::Unknown;
  bool expands = false;               // * or table.*: as many columns as the tables have
  JetType column = JetType::Unknown;  // the Jet type of its values, as a new table's column holds them
};

using ast::Parameter;

struct Statement {
  std::string sql;                // one statement of the engine's SQL
  bool returns_rows;              // a SELECT: the caller reads rows; otherwise it runs to the end
  std::vector<ResultItem> items;  // a SELECT's list, in order (of its first part for a UNION)
  // The values it asks for, in the order of the engine's ?1, ?2, ...: each is given before it runs.
  std::vector<Parameter> parameters;
  // SELECT ... INTO: the table to make (make_table.h) from the rows of `sql`; empty otherwise.
  std::string make_table;
};

// Which item of a SELECT's list each of the result's `columns` columns comes from (nullptr where
// it cannot be told): a * stands for any number of columns, so items are placed from the front up
// to the first * and from the back after the last; those between two stars stay unknown (and
// are stored columns anyway).
std::vector<const ResultItem*> PlaceItems(const std::vector<ResultItem>& items, int columns);

// The declared Jet type of `column` of `table` (names as written, any case); nullopt when the
// table is unknown or has no such column.
using ColumnTypeLookup = std::function<std::optional<JetType>(const std::string& table, const std::string& column)>;

// Whether a table or view of that name exists in the open database.
using TableLookup = std::function<bool(const std::string& table)>;

// The names of a table's columns in their order; empty when the table is unknown.
using ColumnListLookup = std::function<std::vector<std::string>(const std::string& table)>;

// The distinct values of a crosstab's pivot in its rows, in order: `sql` is a query of one
// column. Throws Error when the query fails.
using PivotLookup = std::function<std::vector<BoundValue>(const std::string& sql)>;

// What else the translation may ask the open database.
struct DatabaseLookups {
  TableLookup tables;
  PivotLookup pivot_values;  // without it, a crosstab must list its columns (PIVOT ... IN (...))
  // Without it, an INSERT that names no columns stores its values as they come, unconverted.
  ColumnListLookup table_columns;
};

// Translates one Jet SQL statement (a trailing ';' allowed). Throws Error with a description that
// names what is wrong or unsupported and where, for anything it cannot translate with Jet's meaning.
// Without `columns`, expressions over stored columns are typed Unknown, and a name that only the
// columns can tell from another item's alias or a parameter is read as a column; Currency columns
// are then neither worked nor stored as exact amounts. A date literal without a year is of the
// current year on `clock`.
Statement Translate(std::string_view jet_sql, const ColumnTypeLookup& columns = {}, const DatabaseLookups& lookups = {},
                    const Clock& clock = SystemClock());

}  // namespace ornetta::jet
