#include "data/jet/tokenizer.h"

#include <cctype>

#include "data/values/error.h"

namespace ornetta::jet {

namespace {
Error At(size_t offset, const std::string& what) {
  return Error(err::kSyntax, "Syntax error at character " + std::to_string(offset + 1) + ": " + what + ".");
}

bool NameChar(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }
}  // namespace

std::vector<Token> Tokenize(std::string_view sql) {
  // The engine would end the statement at a NUL inside a text or name.
  if (const size_t nul = sql.find('\0'); nul != std::string_view::npos) throw At(nul, "a NUL character is not allowed");
  std::vector<Token> out;
  size_t i = 0;
  while (i < sql.size()) {
    const unsigned char c = static_cast<unsigned char>(sql[i]);
    if (std::isspace(c)) {
      ++i;
      continue;
    }
    const size_t start = i;
    if (c == '"' || c == '\'') {
      std::string text;
      for (++i;; ++i) {
        if (i >= sql.size()) throw At(start, "a text in quotes is not closed");
        if (sql[i] == static_cast<char>(c)) {
          if (i + 1 < sql.size() && sql[i + 1] == static_cast<char>(c)) {
            text += sql[i++];
            continue;
          }
          ++i;
          break;
        }
        text += sql[i];
      }
      out.push_back({TokenKind::kString, text, start});
    } else if (c == '[') {
      const size_t close = sql.find(']', i);
      if (close == std::string_view::npos) throw At(start, "a [name] is not closed");
      out.push_back({TokenKind::kName, std::string(sql.substr(i + 1, close - i - 1)), start, true});
      i = close + 1;
    } else if (c == '#') {
      const size_t close = sql.find('#', i + 1);
      if (close == std::string_view::npos) throw At(start, "a #date# is not closed");
      out.push_back({TokenKind::kDate, std::string(sql.substr(i + 1, close - i - 1)), start});
      i = close + 1;
    } else if (std::isdigit(c) ||
               (c == '.' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
      const auto digits = [&] {
        while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
      };
      digits();
      if (i < sql.size() && sql[i] == '.') {
        ++i;
        digits();
      }
      if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
        size_t j = i + 1;
        if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j]))) {
          i = j;
          while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
        }
      }
      if (i < sql.size() && NameChar(static_cast<unsigned char>(sql[i]))) throw At(start, "a number runs into a name");
      out.push_back({TokenKind::kNumber, std::string(sql.substr(start, i - start)), start});
    } else if (c == '&' && i + 1 < sql.size() && (sql[i + 1] == 'H' || sql[i + 1] == 'h') && i + 2 < sql.size() &&
               std::isxdigit(static_cast<unsigned char>(sql[i + 2]))) {
      i += 2;
      unsigned long long v = 0;
      while (i < sql.size() && std::isxdigit(static_cast<unsigned char>(sql[i]))) {
        v = v * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(sql[i]))
                                               ? sql[i] - '0'
                                               : (std::tolower(sql[i]) - 'a' + 10));
        if (v > 0xFFFFFFFFull) throw At(start, "a hexadecimal number is too large");
        ++i;
      }
      out.push_back({TokenKind::kNumber, std::to_string(v), start});
    } else if (NameChar(c)) {
      while (i < sql.size() && NameChar(static_cast<unsigned char>(sql[i]))) ++i;
      out.push_back({TokenKind::kName, std::string(sql.substr(start, i - start)), start});
    } else {
      static const char* const kTwo[] = {"<>", "<=", ">=", "!="};
      std::string sym(1, static_cast<char>(c));
      for (const char* two : kTwo)
        if (sql.substr(i, 2) == two) sym = two;
      if (sym.size() == 1 && std::string_view("&+-*/\\^=<>(),.;!").find(static_cast<char>(c)) == std::string_view::npos)
        throw At(start, std::string("the character '") + static_cast<char>(c) + "' is not understood");
      i += sym.size();
      out.push_back({TokenKind::kSymbol, sym, start});
    }
  }
  out.push_back({TokenKind::kEnd, "", sql.size()});
  return out;
}

}  // namespace ornetta::jet
