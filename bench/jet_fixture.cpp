#include "bench/jet_fixture.h"

#include <mdbtools.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "data/values/utf8.h"

namespace ornetta::bench {

namespace fs = std::filesystem;

namespace {

constexpr int kPage = 4096;
constexpr int kMapBits = (kPage - 4) * 8;  // pages one map page names
constexpr int kMaxRowsOnPage = 255;        // a row's place in a page is one byte

// Jet 4 keeps Text as UCS-2, little-endian.
std::string Ucs2(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = utf8::Decode(text, i);
    auto unit = [&](uint32_t u) {
      out += static_cast<char>(u & 0xff);
      out += static_cast<char>(u >> 8);
    };
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xd800 + (cp >> 10));
      unit(0xdc00 + (cp & 0x3ff));
    } else {
      unit(cp);
    }
  }
  return out;
}

std::string Fixed(const MdbColumn* col, const JetValue& v) {
  const int64_t whole = std::holds_alternative<int64_t>(v) ? std::get<int64_t>(v) : 0;
  const double real = std::holds_alternative<double>(v) ? std::get<double>(v) : static_cast<double>(whole);
  std::string b(static_cast<size_t>(col->col_size), '\0');
  auto put = [&](const void* p, size_t n) { std::memcpy(b.data(), p, std::min(n, b.size())); };
  switch (col->col_type) {
    case MDB_BYTE: {
      const uint8_t x = static_cast<uint8_t>(whole);
      put(&x, 1);
      break;
    }
    case MDB_INT: {
      const int16_t x = static_cast<int16_t>(whole);
      put(&x, 2);
      break;
    }
    case MDB_LONGINT: {
      const int32_t x = static_cast<int32_t>(whole);
      put(&x, 4);
      break;
    }
    case MDB_MONEY: put(&whole, 8); break;
    case MDB_FLOAT: {
      const float x = static_cast<float>(real);
      put(&x, 4);
      break;
    }
    case MDB_DOUBLE:
    case MDB_DATETIME: put(&real, 8); break;
    default:
      throw std::runtime_error(std::string("the column ") + col->name + " has a type the fixture does not write");
  }
  return b;
}

struct Closer {
  void operator()(MdbHandle* m) const { mdb_close(m); }
};

}  // namespace

void WriteJetCopy(const fs::path& template_file, const fs::path& copy, const std::string& table_name, uint64_t rows,
                  const std::function<std::vector<JetValue>(uint64_t)>& make_row) {
  fs::copy_file(template_file, copy, fs::copy_options::overwrite_existing);
  fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
  std::unique_ptr<MdbHandle, Closer> mdb(mdb_open(copy.c_str(), MDB_NOFLAGS));
  if (!mdb || !mdb_read_catalog(mdb.get(), MDB_ANY)) throw std::runtime_error("the template cannot be read");
  if (mdb->f->jet_version != MDB_VER_JET4) throw std::runtime_error("the template is not a Jet 4 file");
  MdbCatalogEntry* entry = mdb_get_catalogentry_by_name(mdb.get(), table_name.c_str());
  if (!entry) throw std::runtime_error("the template has no table " + table_name);
  MdbTableDef* table = mdb_read_table(entry);
  std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> owner(table, mdb_free_tabledef);
  mdb_read_columns(table);
  if (table->usage_map[0] != 0) throw std::runtime_error("the template's table already has a map page");

  std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
  auto read_page = [&](uint32_t pg) {
    std::string p(kPage, '\0');
    file.seekg(static_cast<std::streamoff>(pg) * kPage);
    file.read(p.data(), kPage);
    return p;
  };
  auto write_at = [&](uint64_t offset, const void* data, size_t n) {
    file.seekp(static_cast<std::streamoff>(offset));
    file.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
  };
  const uint32_t old_pages = static_cast<uint32_t>(fs::file_size(copy) / kPage);
  const uint32_t map_page = old_pages;
  uint32_t next_page = old_pages + 1;
  std::vector<uint32_t> data_pages;

  // Rows are packed by the library and laid into its page buffer, written out when full.
  unsigned char* page = mdb->pg_buf;
  auto start_page = [&] {
    void* fresh = mdb_new_data_pg(entry);
    std::memcpy(page, fresh, kPage);
    g_free(fresh);
  };
  auto flush = [&] {
    if (next_page - map_page >= static_cast<uint32_t>(kMapBits))
      throw std::runtime_error("the rows do not fit in one map page");
    write_at(static_cast<uint64_t>(next_page) * kPage, page, kPage);
    data_pages.push_back(next_page++);
  };
  start_page();
  int on_page = 0;
  std::vector<MdbField> fields(table->num_cols);
  std::vector<std::string> buffers(table->num_cols);
  unsigned char row_buffer[kPage];
  for (uint64_t r = 0; r < rows; ++r) {
    const std::vector<JetValue> values = make_row(r);
    for (unsigned i = 0; i < table->num_cols; ++i) {
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
      const JetValue& v = i < values.size() ? values[i] : JetValue{};
      MdbField& f = fields[i];
      std::memset(&f, 0, sizeof f);
      f.colnum = static_cast<int>(i);
      f.is_fixed = col->is_fixed;
      if (col->col_type == MDB_BOOL) {  // Yes/No is the null mask's bit alone
        f.is_null = !(std::holds_alternative<int64_t>(v) && std::get<int64_t>(v) != 0);
        continue;
      }
      f.is_null = std::holds_alternative<std::monostate>(v);
      if (f.is_null) {
        buffers[i].assign(col->is_fixed ? static_cast<size_t>(col->col_size) : 0, '\0');
      } else if (col->col_type == MDB_TEXT) {
        buffers[i] = Ucs2(std::get<std::string>(v));
      } else if (col->col_type == MDB_MEMO || col->col_type == MDB_OLE) {
        throw std::runtime_error(std::string("the column ") + col->name + " is a Memo or OLE column");
      } else {
        buffers[i] = Fixed(col, v);
      }
      f.value = buffers[i].data();
      f.siz = static_cast<int>(buffers[i].size());
    }
    const int size = mdb_pack_row(table, row_buffer, table->num_cols, fields.data());
    // An empty page's free space reads wrong (its row table is empty); it takes any row.
    if (on_page > 0 && (mdb_pg_get_freespace(mdb.get()) < size + 2 || on_page == kMaxRowsOnPage)) {
      flush();
      start_page();
      on_page = 0;
    }
    mdb_add_row_to_pg(table, row_buffer, size);
    ++on_page;
  }
  if (on_page > 0) flush();

  // The map page names the table's old pages (from its inline map, which starts at page 0 here)
  // and the new ones.
  std::string map(kPage, '\0');
  map[0] = 0x05;
  map[1] = 0x01;
  const uint32_t old_start = mdb_get_int32(table->usage_map, 1);
  for (size_t bit = 0; bit < (table->map_sz - 5) * 8; ++bit)
    if (table->usage_map[5 + bit / 8] & (1 << (bit % 8))) {
      const uint32_t pg = old_start + static_cast<uint32_t>(bit);
      map[4 + pg / 8] |= static_cast<char>(1 << (pg % 8));
    }
  for (uint32_t pg : data_pages) map[4 + pg / 8] |= static_cast<char>(1 << (pg % 8));
  write_at(static_cast<uint64_t>(map_page) * kPage, map.data(), kPage);

  // The table's map row (named by its definition) becomes a type-1 map naming that page.
  const std::string tdef = read_page(entry->table_pg);
  const uint32_t map_row = mdb_get_int32(const_cast<char*>(tdef.data()), mdb->fmt->tab_usage_map_offset);
  std::string holder = read_page(map_row >> 8);
  std::memcpy(mdb->pg_buf, holder.data(), kPage);
  int start = 0;
  size_t len = 0;
  if (mdb_find_row(mdb.get(), map_row & 0xff, &start, &len) != 0 || len < 5)
    throw std::runtime_error("the table's map cannot be found");
  std::string new_map(len, '\0');
  new_map[0] = 1;
  std::memcpy(&new_map[1], &map_page, 4);
  write_at(static_cast<uint64_t>(map_row >> 8) * kPage + (start & 0x1fff), new_map.data(), len);

  const uint32_t count =
      mdb_get_int32(const_cast<char*>(tdef.data()), mdb->fmt->tab_num_rows_offset) + static_cast<uint32_t>(rows);
  write_at(static_cast<uint64_t>(entry->table_pg) * kPage + mdb->fmt->tab_num_rows_offset, &count, 4);
  file.flush();
  if (!file) throw std::runtime_error("the copy cannot be written");
}

}  // namespace ornetta::bench
