// A source table's place in the target, declared through the Jet SQL dialect so that its columns
// are exactly what the dialect's own CREATE TABLE makes (types, checks, collation): the Jet DDL is
// written here and translated by the dialect.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "tools/import/mdb_source.h"
#include "tools/import/report.h"
#include "tools/import/type_map.h"

namespace ornetta::import {

struct TablePlan {
  std::string name;
  std::vector<int> columns;  // the source columns it holds, by their place in the source
  std::string jet_ddl;       // CREATE TABLE in Jet SQL
  std::vector<std::pair<std::string, std::string>> indexes;  // index name, CREATE INDEX in Jet SQL
  std::string counter_column;                                // the AutoNumber column, empty when none
  bool primary_key = false;  // the source's primary key is kept as one (the counter's included)
};

// Plans the target table for `table` and lists in `report` what its declaration does not keep.
// `index_names` holds the index names already used in the file (index names are the file's in the
// engine, the table's in Jet) and gains this table's.
TablePlan PlanTable(const SourceTable& table, std::set<std::string>& index_names, Report& report);

// "[name]": how names are written in Jet SQL.
std::string JetName(const std::string& name);

}  // namespace ornetta::import
