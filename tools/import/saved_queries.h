// Saved queries of a Jet file, rebuilt as Jet SQL from the rows of MSysQueries that describe them
// (Access keeps a query's parts there, not its text), and ordered so that every query comes after
// the queries it reads.
#pragma once

#include <string>
#include <vector>

#include "tools/import/mdb_source.h"

namespace ornetta::import {

struct SavedQuery {
  enum class Kind {
    kSelect,
    kMakeTable,
    kAppend,
    kUpdate,
    kDelete,
    kCrosstab,
    kDataDefinition,
    kPassThrough,
    kUnion,
    kUnknown
  };
  std::string name;
  Kind kind = Kind::kUnknown;
  std::string jet_sql;               // SELECT text for kSelect, kCrosstab and kUnion; the statement for the others
  std::vector<std::string> sources;  // tables and queries read, as named
};

// The kind as Access names it ("select", "update", "pass-through"...).
const char* KindName(SavedQuery::Kind kind);

// Every saved query except the hidden ones that forms and reports keep for themselves ("~sq_..."),
// in an order where each query's sources that are queries come first (a cycle keeps file order).
std::vector<SavedQuery> ReadSavedQueries(const MdbSource& source);

// Number of hidden queries of forms and reports left out by ReadSavedQueries.
int HiddenQueryCount(const MdbSource& source);

}  // namespace ornetta::import
