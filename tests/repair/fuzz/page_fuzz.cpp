// Fuzz target for the salvage's page and record decoder: any bytes, read as a decrypted page of
// either page size, with or without reserved bytes, as page 1 or another page. Every cell the
// page claims is read, its record decoded and tried as a row of the list of tables (whose root
// pages are typed by the input's own bytes); nothing may read outside the page or the payload.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "repair/salvage/btree.h"
#include "repair/salvage/schema_row.h"

using namespace ornetta::repair::salvage;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const size_t page_size = size <= 4096 ? 4096 : 16384;
  // An exact-size buffer, so that the sanitizer sees any read past the page.
  std::vector<unsigned char> page(page_size, 0);
  std::memcpy(page.data(), data, size < page_size ? size : page_size);
  const size_t usable = page_size - ((data[size - 1] & 1) ? 48 : 0);
  const uint32_t pgno = std::memcmp(page.data(), "SQLite format 3", 15) == 0 ? 1 : 2;
  const auto tree = BtreePage::Parse(page.data(), usable, pgno);
  if (!tree) return 0;
  std::vector<Value> values;
  for (uint16_t i = 0; i < tree->cell_count(); ++i) {
    const auto cell = tree->CellAt(i);
    if (!cell || !cell->local) continue;
    RecordColumnCount(cell->local, cell->local_size);
    const std::string payload(reinterpret_cast<const char*>(cell->local), cell->local_size);
    if (!DecodeRecord(payload, &values)) continue;
    const auto entry =
        SchemaRowOf(values, static_cast<uint32_t>(size), [&](uint32_t pgno) -> uint8_t { return data[pgno % size]; });
    if (entry && (entry->type == "table" || entry->type == "index") && (entry->root < 1 || entry->root > size))
      __builtin_trap();  // a root outside the file was taken
  }
  return 0;
}
