#include "repair/salvage/btree.h"

#include <cstring>

namespace ornetta::repair::salvage {

size_t ReadVarint(const unsigned char* p, const unsigned char* end, uint64_t* value) {
  uint64_t v = 0;
  for (size_t i = 0; i < 9; ++i) {
    if (p + i >= end) return 0;
    if (i == 8) {
      *value = (v << 8) | p[i];
      return 9;
    }
    v = (v << 7) | (p[i] & 0x7f);
    if (!(p[i] & 0x80)) {
      *value = v;
      return i + 1;
    }
  }
  return 0;
}

uint32_t ReadBig32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

namespace {
uint16_t ReadBig16(const unsigned char* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// How much of a payload of `size` bytes stays in the page (the rest goes to overflow pages).
size_t LocalSize(uint64_t size, size_t usable, bool table_leaf) {
  const uint64_t max_local = table_leaf ? usable - 35 : (usable - 12) * 64 / 255 - 23;
  if (size <= max_local) return static_cast<size_t>(size);
  const uint64_t min_local = (usable - 12) * 32 / 255 - 23;
  const uint64_t k = min_local + (size - min_local) % (usable - 4);
  return static_cast<size_t>(k <= max_local ? k : min_local);
}
}  // namespace

std::optional<BtreePage> BtreePage::Parse(const unsigned char* data, size_t usable, uint32_t pgno) {
  BtreePage page;
  page.data_ = data;
  page.usable_ = usable;
  page.header_ = pgno == 1 ? 100 : 0;
  if (usable < 512 || page.header_ + 12 > usable) return std::nullopt;
  const unsigned char* h = data + page.header_;
  page.type_ = h[0];
  if (!IsBtreeType(page.type_)) return std::nullopt;
  page.cell_count_ = ReadBig16(h + 3);
  const size_t header_size = IsLeafType(page.type_) ? 8 : 12;
  if (!IsLeafType(page.type_)) page.right_child_ = ReadBig32(h + 8);
  const size_t pointers = page.header_ + header_size;
  if (pointers + 2 * size_t{page.cell_count_} > usable) return std::nullopt;
  for (uint16_t i = 0; i < page.cell_count_; ++i) {
    const size_t offset = ReadBig16(data + pointers + 2 * i);
    if (offset < pointers + 2 * size_t{page.cell_count_} || offset + 4 > usable) return std::nullopt;
  }
  return page;
}

std::optional<Cell> BtreePage::CellAt(uint16_t i) const {
  if (i >= cell_count_) return std::nullopt;
  const size_t pointers = header_ + (IsLeafType(type_) ? 8 : 12);
  const unsigned char* p = data_ + ReadBig16(data_ + pointers + 2 * i);
  const unsigned char* end = data_ + usable_;
  Cell cell;
  if (!IsLeafType(type_)) {
    cell.left_child = ReadBig32(p);
    p += 4;
  }
  uint64_t v = 0;
  size_t n = 0;
  if (type_ == kTableInterior) {
    if (!(n = ReadVarint(p, end, &v))) return std::nullopt;
    cell.rowid = static_cast<int64_t>(v);
    return cell;
  }
  if (!(n = ReadVarint(p, end, &cell.payload_size))) return std::nullopt;
  p += n;
  if (type_ == kTableLeaf) {
    if (!(n = ReadVarint(p, end, &v))) return std::nullopt;
    cell.rowid = static_cast<int64_t>(v);
    p += n;
  }
  // A payload can be no larger than the engine allows a row to be (1 GB).
  if (cell.payload_size > (uint64_t{1} << 30)) return std::nullopt;
  cell.local = p;
  cell.local_size = LocalSize(cell.payload_size, usable_, type_ == kTableLeaf);
  const size_t tail = cell.local_size < cell.payload_size ? 4 : 0;
  if (static_cast<size_t>(end - p) < cell.local_size + tail) return std::nullopt;
  if (tail) cell.overflow = ReadBig32(p + cell.local_size);
  return cell;
}

namespace {
size_t SerialSize(uint64_t type) {
  static const size_t kSizes[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0};
  if (type < 10) return kSizes[type];
  return static_cast<size_t>((type - 12 - (type & 1)) / 2);
}

int64_t ReadSigned(const unsigned char* p, size_t n) {
  uint64_t v = (p[0] & 0x80) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  return static_cast<int64_t>(v);
}
}  // namespace

std::optional<size_t> RecordColumnCount(const unsigned char* payload, size_t size) {
  const unsigned char* end = payload + size;
  uint64_t header_size = 0;
  size_t n = ReadVarint(payload, end, &header_size);
  if (!n || header_size < n || header_size > size) return std::nullopt;
  size_t columns = 0;
  for (const unsigned char* p = payload + n; p < payload + header_size; ++columns) {
    uint64_t type = 0;
    const size_t used = ReadVarint(p, payload + header_size, &type);
    if (!used || type == 10 || type == 11) return std::nullopt;
    p += used;
  }
  return columns;
}

bool DecodeRecord(const std::string& payload, std::vector<Value>* values) {
  // The values of the last record are written over, so that their text keeps its memory.
  size_t count = 0;
  const auto* base = reinterpret_cast<const unsigned char*>(payload.data());
  const unsigned char* end = base + payload.size();
  uint64_t header_size = 0;
  size_t n = ReadVarint(base, end, &header_size);
  if (!n || header_size < n || header_size > payload.size()) return false;
  const unsigned char* type_at = base + n;
  const unsigned char* header_end = base + header_size;
  const unsigned char* body = header_end;
  while (type_at < header_end) {
    uint64_t type = 0;
    const size_t used = ReadVarint(type_at, header_end, &type);
    if (!used || type == 10 || type == 11) return false;
    type_at += used;
    const size_t size = SerialSize(type);
    if (static_cast<size_t>(end - body) < size) return false;
    if (count == values->size()) values->emplace_back();
    Value& value = (*values)[count++];
    value.bytes.clear();
    if (type == 0) {
      value.kind = Value::kNull;
    } else if (type <= 6) {
      value.kind = Value::kInteger;
      value.integer = ReadSigned(body, size);
    } else if (type == 7) {
      uint64_t bits = 0;
      for (size_t i = 0; i < 8; ++i) bits = (bits << 8) | body[i];
      value.kind = Value::kReal;
      std::memcpy(&value.real, &bits, sizeof bits);
    } else if (type == 8 || type == 9) {
      value.kind = Value::kInteger;
      value.integer = type == 9;
    } else {
      value.kind = (type & 1) ? Value::kText : Value::kBlob;
      value.bytes.assign(reinterpret_cast<const char*>(body), size);
    }
    body += size;
  }
  values->resize(count);
  return true;
}

}  // namespace ornetta::repair::salvage
