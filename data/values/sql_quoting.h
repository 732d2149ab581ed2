// Quoting for names and text put into a statement's text: how a table name read from a damaged
// file, or a value a user typed, reaches SQL without changing what the statement means. Jet SQL and
// the engine's SQL quote these alike.
#pragma once

#include <string>
#include <string_view>

namespace ornetta {

// "name", each '"' doubled: a table, column or index name.
std::string QuotedName(std::string_view name);

// 'text', each '\'' doubled: a text literal.
std::string QuotedText(std::string_view text);

}  // namespace ornetta
