// A checksum of a table's values that does not depend on the order of its rows: the target gives
// its rows back in key order, the source in file order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ornetta::import {

class TableChecksum {
 public:
  // One row's values as SourceKey/StoredKey give them (nullopt for Null), in column order.
  void AddRow(const std::vector<std::optional<std::string>>& values);

  uint64_t rows() const { return rows_; }
  std::string Hex() const;  // 32 hexadecimal digits
  bool operator==(const TableChecksum& other) const = default;

 private:
  uint64_t rows_ = 0;
  uint64_t sum_[2] = {0, 0};  // each row's two hashes, added
};

}  // namespace ornetta::import
