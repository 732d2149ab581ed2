// The list of tables of a damaged file, from the best source there is, in this order: the file's
// own readable pages of the list (those that no readable page of it reaches, under a lost page of
// it or a lost first page, are found by what they hold), then the newest backup of the same
// file, then another year database of its folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "repair/salvage/salvage.h"
#include "repair/salvage/schema_row.h"
#include "repair/salvage/walker.h"

namespace ornetta::repair::salvage {

struct SchemaList {
  std::vector<SchemaEntry> entries;  // those taken from a stand-in have no root
  std::string source;                // in words, for the report
  std::vector<uint32_t> lost_pages;  // pages of the file's own list that are lost
  // Where the file's own list is incomplete: what may be missing from it, in words; empty when
  // the list is whole.
  std::string gap;
  bool gap_filled_from_backup = false;  // a backup of the same file named what the lost pages did
};

// Reads the list of `map`'s file; its pages are marked owned, so that no table takes them.
// Throws Error when nothing names a table.
SchemaList FindSchema(PageMap& map, bool first_page, const std::string& password, const StandIns& stand_ins,
                      const std::string& file_name);

}  // namespace ornetta::repair::salvage
