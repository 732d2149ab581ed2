#include "repair/salvage/schema_row.h"

#include <cctype>

namespace ornetta::repair::salvage {

namespace {
// Whether `sql` begins as the engine writes the statement of an object of `type`: CREATE, then
// the type after any of the words the engine keeps between them.
bool Creates(const std::string& sql, const std::string& type) {
  std::string words;
  for (char c : sql.substr(0, 64)) words += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (words.rfind("CREATE ", 0) != 0) return false;
  std::string upper_type;
  for (char c : type) upper_type += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const char* between : {"", "TEMP ", "TEMPORARY ", "UNIQUE ", "VIRTUAL "})
    if (words.rfind("CREATE " + std::string(between) + upper_type, 0) == 0) return true;
  return false;
}
}  // namespace

std::optional<SchemaEntry> SchemaRowOf(const std::vector<Value>& v, uint32_t page_count,
                                       const std::function<uint8_t(uint32_t)>& page_type) {
  if (v.size() != 5 || v[0].kind != Value::kText || v[1].kind != Value::kText || v[2].kind != Value::kText ||
      v[3].kind != Value::kInteger || (v[4].kind != Value::kText && v[4].kind != Value::kNull) || v[1].bytes.empty())
    return std::nullopt;
  const std::string& type = v[0].bytes;
  if (v[4].kind == Value::kText && !Creates(v[4].bytes, type)) return std::nullopt;
  const int64_t root = v[3].integer;
  if (type == "view" || type == "trigger") {
    if (root != 0 || v[4].kind != Value::kText) return std::nullopt;
  } else if (type == "table" || type == "index") {
    if (root < 1 || root > page_count) return std::nullopt;
    const uint8_t kind = page_type(static_cast<uint32_t>(root));
    if (kind != 0 && (type == "table" ? !IsTableType(kind) : IsTableType(kind) || !IsBtreeType(kind)))
      return std::nullopt;
  } else {
    return std::nullopt;
  }
  return SchemaEntry{type, v[1].bytes, v[2].bytes, v[4].kind == Value::kText ? v[4].bytes : "",
                     static_cast<uint32_t>(root)};
}

}  // namespace ornetta::repair::salvage
