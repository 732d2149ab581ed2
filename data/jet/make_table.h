// SELECT ... INTO: the new table made with Jet's column types and filled, as one change.
#pragma once

#include <sqlcipher/sqlite3.h>

#include <string>

#include "data/jet/translate.h"

namespace ornetta::jet {

// Makes the table of a translated SELECT ... INTO (`statement.make_table`) inside a savepoint: its
// columns are the result's, named and typed as Jet makes them (a stored column's type, a counter
// as Long; a computed column's Jet type). The caller then runs FillSql() and calls Keep(); a
// MakeTable destroyed before Keep() takes the table back, so that a failed fill leaves nothing.
class MakeTable {
 public:
  // Throws Error when a column's type cannot be told, two columns share a name, or the engine
  // refuses the table (one of that name exists).
  MakeTable(sqlite3* db, const Statement& statement);
  ~MakeTable();
  MakeTable(const MakeTable&) = delete;
  MakeTable& operator=(const MakeTable&) = delete;

  const std::string& FillSql() const { return fill_; }
  void Keep();

 private:
  void TakeBack();

  sqlite3* db_;
  std::string fill_;
  bool open_ = false;  // the savepoint
};

// The CREATE TABLE statement for the rows of the prepared `select` (exposed for tests).
std::string MakeTableSql(sqlite3_stmt* select, const Statement& statement);

}  // namespace ornetta::jet
