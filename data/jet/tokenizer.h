// Splits a Jet SQL statement into tokens.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ornetta::jet {

enum class TokenKind {
  kName,    // a bare or [bracketed] name; `text` holds it without brackets
  kNumber,  // 12, 1.5, 1E3, &H1F (hex is turned into decimal)
  kString,  // "..." or '...', quotes removed and doubled quotes undone
  kDate,    // #...#, the text between the signs
  kSymbol,  // operators and punctuation: & + - * / \ ^ = <> < > <= >= ( ) , . ;
  kEnd,
};

struct Token {
  TokenKind kind;
  std::string text;
  size_t offset;  // where the token starts in the statement, for messages
  bool bracketed = false;
};

// Throws Error (syntax) for an unterminated string, name or date, a NUL character, or a
// character that belongs to no token.
std::vector<Token> Tokenize(std::string_view sql);

}  // namespace ornetta::jet
