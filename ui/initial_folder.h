// The folder in which the database chooser opens, worked out from the path shown.
#pragma once

#include <QString>

namespace ornetta::ui {

// From the text T of the current-database box: "." when empty; else, with every "/" read as "\",
// everything before the last "\" (possibly a bare drive such as "C:", or "" when the only "\" comes
// first); without any "\", T's first character as a drive, "D:\".
QString InitialFolder(const QString& text);

// The folder to open here: the initial folder as a local path when it exists, else `fallback`.
QString LocalInitialFolder(const QString& text, const QString& fallback);

}  // namespace ornetta::ui
