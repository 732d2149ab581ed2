// Relationships of a Jet file (MSysRelationships): the dialect has no FOREIGN KEY, so they are
// listed for the report.
#pragma once

#include <string>
#include <vector>

#include "tools/import/mdb_source.h"

namespace ornetta::import {

struct Relationship {
  std::string name;
  std::string table, referenced_table;
  std::vector<std::string> columns, referenced_columns;
};

std::vector<Relationship> ReadRelationships(const MdbSource& source);

}  // namespace ornetta::import
