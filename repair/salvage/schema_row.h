// A row of the engine's list of tables (its schema table), told apart from any other row by what
// it holds: type, name, table, root page and statement, each of its kind.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "repair/salvage/btree.h"

namespace ornetta::repair::salvage {

// A row of the schema table: a table, index, view or trigger with the statement that made it.
struct SchemaEntry {
  std::string type, name, table, sql;
  uint32_t root = 0;  // its b-tree's first page; 0 for views and triggers, or when not known
};

// The entry that `values` hold when they are a row of the list of tables of a file of
// `page_count` pages; none otherwise. `page_type` gives the b-tree type of a page that was read
// (0 when lost or not a b-tree page): a table's root must be a table page, an index's an index
// page, unless the root is lost.
std::optional<SchemaEntry> SchemaRowOf(const std::vector<Value>& values, uint32_t page_count,
                                       const std::function<uint8_t(uint32_t)>& page_type);

}  // namespace ornetta::repair::salvage
