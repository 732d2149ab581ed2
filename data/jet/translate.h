// Translation of Jet SQL (the dialect of the application's statements, and of what support staff
// dictate) into the engine's SQL, with Jet's meaning.
//
// Stored forms that the translation relies on:
//   Date/Time  text "YYYY-MM-DD HH:MM:SS" (data/datetime.h); #...# literals become that text,
//              so text order is time order and comparisons need no conversion.
//   Yes/No     the integers -1 (True) and 0 (False); True is -1 wherever it is written.
//   Text       compared without regard to case, as Jet compares (NOCASE collation).
#pragma once

#include <string>
#include <string_view>

namespace ornetta::jet {

struct Statement {
  std::string sql;    // one statement of the engine's SQL
  bool returns_rows;  // a SELECT: the caller reads rows; otherwise it runs to the end
};

// Translates one Jet SQL statement (a trailing ';' allowed). Throws Error with a description that
// names what is wrong or unsupported and where, for anything it cannot translate with Jet's meaning.
Statement Translate(std::string_view jet_sql);

}  // namespace ornetta::jet
