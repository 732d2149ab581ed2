#include "data/values/sql_quoting.h"

namespace ornetta {

namespace {
std::string Quoted(std::string_view s, char quote) {
  std::string out(1, quote);
  out.reserve(s.size() + 2);
  for (char c : s) {
    out += c;
    if (c == quote) out += quote;
  }
  return out += quote;
}
}  // namespace

std::string QuotedName(std::string_view name) { return Quoted(name, '"'); }

std::string QuotedText(std::string_view text) { return Quoted(text, '\''); }

}  // namespace ornetta
