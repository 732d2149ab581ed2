#include "data/jet/column_types.h"

#include <cctype>
#include <string>

namespace ornetta::jet {

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
