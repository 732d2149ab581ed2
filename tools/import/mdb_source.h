// A Jet (Access .mdb) file read through mdbtools' libmdb: its tables with their columns, indexes
// and properties, their rows one at a time, and the system tables that hold saved queries and
// relationships.
//
// The library prints a row's values as text for its own tools, rounding Double to 16 digits,
// truncating long Memo text and giving a date before 1899 as the year 1900; so each row is taken
// apart here with the library's row cracker and every value decoded from its stored bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/import/source_value.h"

struct S_MdbTableDef;

namespace ornetta::import {

// A failure to read the source; the text names the file or object and says what to do.
struct SourceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct SourceColumn {
  std::string name;
  int mdb_type = 0;   // MDB_TEXT, MDB_LONGINT... (mdbtools.h)
  int size = 0;       // Text: characters
  int precision = 0;  // Decimal
  int scale = 0;
  bool autonumber = false;  // Long AutoNumber
  bool guid_autonumber = false;
  bool required = false;      // Required = Yes
  std::string default_value;  // Jet expression text, empty when none
  std::string validation_rule;
  std::string validation_text;
};

struct SourceIndex {
  std::string name;
  bool primary = false;
  bool foreign = false;  // the other side of a relationship, kept by Jet for it
  bool unique = false;
  bool ignore_nulls = false;
  bool required = false;
  std::vector<std::pair<std::string, bool>> columns;  // name, descending
};

struct SourceTable {
  std::string name;
  std::vector<SourceColumn> columns;
  std::vector<SourceIndex> indexes;
  uint32_t row_count = 0;    // as the table's definition records it
  int64_t last_counter = 0;  // the last AutoNumber Jet gave (deleted rows' included), 0 when none
  std::string validation_rule;
};

struct SourceQuery {
  std::string name;
  uint32_t id = 0;  // joins MSysQueries.ObjectId (low 24 bits)
};

class MdbSource {
 public:
  // Opens the file read-only. Throws SourceError for a file that is missing, not an Access
  // database, an encrypted one, or one the library cannot read (an .accdb of a newer engine).
  explicit MdbSource(const std::filesystem::path& file);
  ~MdbSource();
  MdbSource(const MdbSource&) = delete;
  MdbSource& operator=(const MdbSource&) = delete;

  std::string Version() const;  // "Jet 3", "Jet 4", "Access 2007"...
  std::vector<std::string> UserTableNames() const;
  std::vector<std::string> LinkedTableNames() const;  // tables whose rows live in another file
  std::vector<SourceQuery> Queries() const;
  // A user or system table's definition; throws SourceError when it cannot be read.
  SourceTable ReadTable(const std::string& name) const;

  // Reads a table's rows in file order, one at a time; values in the order of its columns.
  class Rows {
   public:
    Rows(const MdbSource& source, const std::string& table);
    ~Rows();
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;
    // False at the end. Throws SourceError for a value whose stored bytes are damaged.
    bool Next(std::vector<SourceValue>& row);
    uint64_t read() const { return read_; }

   private:
    SourceValue Decode(int column, const void* field);
    std::string LongValue(int column, int start, int size);
    std::string Text(const unsigned char* bytes, size_t size);

    const MdbSource& source_;
    S_MdbTableDef* table_ = nullptr;
    std::string name_;
    uint64_t read_ = 0;
    std::vector<char> chunk_;
  };

  // Whether the file holds a system table of this name (MSysQueries, MSysRelationships).
  bool HasSystemTable(const std::string& name) const;

 private:
  friend class Rows;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ornetta::import
