// The engine's b-tree pages and records, read from decrypted page bytes that may be anything.
//
// Every offset, varint, cell and record is checked against the page or payload it lies in: a page
// whose structure does not hold together is refused as a whole, never read in part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ornetta::repair::salvage {

enum PageType : uint8_t {
  kIndexInterior = 2,
  kTableInterior = 5,
  kIndexLeaf = 10,
  kTableLeaf = 13,
};

inline bool IsBtreeType(uint8_t t) {
  return t == kIndexInterior || t == kTableInterior || t == kIndexLeaf || t == kTableLeaf;
}
inline bool IsTableType(uint8_t t) { return t == kTableInterior || t == kTableLeaf; }
inline bool IsLeafType(uint8_t t) { return t == kIndexLeaf || t == kTableLeaf; }

// Reads a varint of at most 9 bytes from [p, end); 0 bytes used when it does not fit.
size_t ReadVarint(const unsigned char* p, const unsigned char* end, uint64_t* value);

uint32_t ReadBig32(const unsigned char* p);

// One cell of a b-tree page. `local` points into the page it was read from.
struct Cell {
  uint32_t left_child = 0;    // interior pages
  int64_t rowid = 0;          // table pages: the row's key (leaf) or the separating key (interior)
  uint64_t payload_size = 0;  // leaf pages and index interior pages
  const unsigned char* local = nullptr;
  size_t local_size = 0;
  uint32_t overflow = 0;  // first overflow page when the payload does not fit in the page
};

class BtreePage {
 public:
  // The page's b-tree header and cell pointers, checked; none when `data` is not a b-tree page.
  // `usable` is the page size less the reserved bytes; page 1 starts its header at byte 100.
  static std::optional<BtreePage> Parse(const unsigned char* data, size_t usable, uint32_t pgno);

  uint8_t type() const { return type_; }
  uint16_t cell_count() const { return cell_count_; }
  uint32_t right_child() const { return right_child_; }
  // Cell `i`; none when it overruns the page or its sizes are impossible.
  std::optional<Cell> CellAt(uint16_t i) const;

 private:
  const unsigned char* data_ = nullptr;
  size_t usable_ = 0;
  size_t header_ = 0;
  uint8_t type_ = 0;
  uint16_t cell_count_ = 0;
  uint32_t right_child_ = 0;
};

// A value of a record as the engine stores it.
struct Value {
  enum Kind : uint8_t { kNull, kInteger, kReal, kText, kBlob } kind = kNull;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;  // text (UTF-8) or blob
};

// Decodes a whole record (all of its payload); false when its header or a value overruns it.
bool DecodeRecord(const std::string& payload, std::vector<Value>* values);

// The column count a record's header declares, from its first bytes; none when unreadable.
std::optional<size_t> RecordColumnCount(const unsigned char* payload, size_t size);

}  // namespace ornetta::repair::salvage
