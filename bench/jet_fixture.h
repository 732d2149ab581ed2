// Jet files of any size for the importer's tests and benchmark: a copy of a small Access file whose
// table is given more rows, written as Jet's own data pages.
//
// The library writes rows only into the free space of pages a table already has; here new data
// pages are appended to the copy and the table's page map is rewritten as a map page (type 1),
// which can name up to 32,736 pages (128 MB).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace ornetta::bench {

// One value for a column of a fixed type or Text: Null, a whole number (Byte, Integer, Long,
// Currency in ten-thousandths, Yes/No as non-zero), a number (Single, Double, a date's serial) or
// UTF-8 text.
using JetValue = std::variant<std::monostate, int64_t, double, std::string>;

// Copies `template_file` to `copy` and appends `rows` rows to its table `table`, made by `row`
// (one value per column, in the table's order). Throws std::runtime_error when the template does
// not suit (Memo or OLE columns, an unknown table) or the rows do not fit in one map page.
void WriteJetCopy(const std::filesystem::path& template_file, const std::filesystem::path& copy,
                  const std::string& table, uint64_t rows, const std::function<std::vector<JetValue>(uint64_t)>& row);

}  // namespace ornetta::bench
