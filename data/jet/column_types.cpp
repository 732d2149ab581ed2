#include "data/jet/column_types.h"
#include "data/jet/names.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "data/values/sql_quoting.h"

namespace ornetta::jet {

namespace {

bool OneOf(const std::string& word, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return word == n; });
}

// A CHECK named by the rule it keeps, so that the engine's "CHECK constraint failed: ..." says
// which column refused what.
std::string Check(const std::string& column, const std::string& rule, const std::string& condition) {
  return " CONSTRAINT " + QuotedName(column + " holds " + rule) + " CHECK (" + condition + ")";
}

// The engine checks a value before the column's affinity converts it: a whole Double (4 / 2)
// becomes an integer in the column and is let in; text is not, even '42' (write 42).
std::string WholeIn(const std::string& c, const std::string& lo, const std::string& hi) {
  return c + " IS NULL OR (typeof(" + c + ") IN ('integer', 'real') AND " + c + " = CAST(" + c + " AS INTEGER) AND " +
         c + " BETWEEN " + lo + " AND " + hi + ")";
}

}  // namespace

std::optional<ColumnDecl> DeclForJetType(std::string_view jet_type, int size, const std::string& c) {
  const std::string type = Upper(jet_type);
  if (OneOf(type, {"TEXT", "CHAR", "VARCHAR", "STRING", "ALPHANUMERIC", "NVARCHAR", "NCHAR", "CHARACTER"})) {
    // Without a size Jet gives the longest Text field, 255 characters.
    const std::string n = std::to_string(size > 0 ? size : 255);
    return ColumnDecl{"TEXT(" + n + ") COLLATE NOCASE" +
                          Check(c, "text of at most " + n + " characters", "length(" + c + ") <= " + n),
                      false};
  }
  if (OneOf(type, {"MEMO", "LONGTEXT", "NOTE", "LONGCHAR", "NTEXT"}))
    return ColumnDecl{"MEMO TEXT COLLATE NOCASE", false};
  if (OneOf(type, {"BYTE", "TINYINT", "INTEGER1"}))
    return ColumnDecl{"BYTE INTEGER" + Check(c, "Byte values (whole numbers from 0 to 255)", WholeIn(c, "0", "255")),
                      false};
  if (OneOf(type, {"INTEGER", "SHORT", "SMALLINT", "INT", "INTEGER2"}))
    return ColumnDecl{
        "SMALLINT" + Check(c, "Integer values (whole numbers from -32768 to 32767)", WholeIn(c, "-32768", "32767")),
        false};
  if (OneOf(type, {"LONG", "INTEGER4"}))
    return ColumnDecl{"LONG INTEGER" + Check(c, "Long values (whole numbers from -2147483648 to 2147483647)",
                                             WholeIn(c, "-2147483648", "2147483647")),
                      false};
  const std::string number = c + " IS NULL OR typeof(" + c + ") IN ('integer', 'real')";
  if (OneOf(type, {"SINGLE", "REAL", "FLOAT4", "IEEESINGLE"}))
    return ColumnDecl{"SINGLE REAL" + Check(c, "numbers", number), false};
  if (OneOf(type, {"DOUBLE", "FLOAT", "FLOAT8", "NUMBER", "NUMERIC", "IEEEDOUBLE", "DECIMAL"}))
    return ColumnDecl{"DOUBLE" + Check(c, "numbers", number), false};
  if (OneOf(type, {"CURRENCY", "MONEY"})) return ColumnDecl{"CURRENCY" + Check(c, "numbers", number), false};
  if (OneOf(type, {"DATETIME", "DATE", "TIME", "TIMESTAMP"}))
    return ColumnDecl{
        "DATETIME" + Check(c, "dates (write them as #month/day/year#)",
                           c + " IS NULL OR (typeof(" + c + ") = 'text' AND length(" + c + ") = 19 AND " + c +
                               " GLOB '[0-9][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-5][0-9]')"),
        false};
  if (OneOf(type, {"YESNO", "BIT", "LOGICAL", "LOGICAL1", "BOOLEAN"}))
    return ColumnDecl{"YESNO" + Check(c, "Yes/No values (True or False)", c + " IN (-1, 0)"), false};
  if (OneOf(type, {"COUNTER", "AUTOINCREMENT", "IDENTITY"}))
    return ColumnDecl{"INTEGER PRIMARY KEY AUTOINCREMENT", true};
  if (OneOf(type, {"BINARY", "VARBINARY", "LONGBINARY", "OLEOBJECT", "GENERAL", "IMAGE"}))
    return ColumnDecl{"BLOB", false};
  return std::nullopt;
}

JetType JetTypeOfDecl(std::string_view decl) {
  std::string word;
  for (char c : decl) {
    if (!std::isalpha(static_cast<unsigned char>(c))) break;
    word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (word == "TEXT" || word == "VARCHAR" || word == "CHAR") return JetType::Text;
  if (word == "MEMO") return JetType::Memo;
  if (word == "BYTE") return JetType::Byte;
  if (word == "SMALLINT") return JetType::Integer;
  if (word == "LONG" || word == "INT") return JetType::Long;
  if (word == "INTEGER") return JetType::Counter;
  if (word == "SINGLE") return JetType::Single;
  if (word == "DOUBLE" || word == "REAL" || word == "FLOAT") return JetType::Double;
  if (word == "CURRENCY") return JetType::Currency;
  if (word == "DATETIME" || word == "DATE") return JetType::DateTime;
  if (word == "YESNO" || word == "BOOLEAN" || word == "BIT") return JetType::YesNo;
  return JetType::Unknown;
}

}  // namespace ornetta::jet
