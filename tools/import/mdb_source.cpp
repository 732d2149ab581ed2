#include "tools/import/mdb_source.h"

#include <mdbtools.h>

#include <cstring>
#include <fstream>

#include "tools/import/jet_text.h"

namespace ornetta::import {

namespace fs = std::filesystem;

namespace {

constexpr int kOffsetMask = 0x1fff;   // a row's offset on its page, without the flag bits
constexpr int kLongValueHeader = 12;  // Memo and OLE: length and flags, then where the bytes are

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

std::string Prop(const MdbColumn* col, const char* key) {
  const char* v = mdb_col_get_prop(col, key);
  return v ? v : "";
}

struct GFree {
  void operator()(char* p) const { g_free(p); }
};
using GText = std::unique_ptr<char, GFree>;

// The first bytes of every Jet and ACE file: a version word, then the engine's name.
bool LooksLikeAccess(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char head[20] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, "\x00\x01\x00\x00Standard ", 13) == 0 &&
         (std::memcmp(head + 13, "Jet DB", 6) == 0 || std::memcmp(head + 13, "ACE DB", 6) == 0);
}

}  // namespace

struct MdbSource::Impl {
  MdbHandle* mdb = nullptr;
  fs::path file;

  // Here rather than in ~MdbSource, which does not run when the constructor throws.
  ~Impl() {
    if (mdb) mdb_close(mdb);
  }

  MdbCatalogEntry* Entry(const std::string& name) const {
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
      auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
      if (name == e->object_name && (e->object_type == MDB_TABLE || e->object_type == MDB_SYSTEM_TABLE)) return e;
    }
    return nullptr;
  }

  // A table with its columns (and their properties) read; freed by the caller.
  MdbTableDef* Open(const std::string& name) const {
    MdbCatalogEntry* entry = Entry(name);
    if (!entry) throw SourceError("The table " + Quoted(name) + " is not in " + Quoted(file.string()) + ".");
    MdbTableDef* table = mdb_read_table(entry);
    if (!table || !mdb_read_columns(table))
      throw SourceError(
          "The definition of the table " + Quoted(name) + " in " + Quoted(file.string()) +
          " cannot be read: the file is damaged. Repair it in Access (Compact and Repair) and import it again.");
    return table;
  }
};

MdbSource::MdbSource(const fs::path& file) : impl_(std::make_unique<Impl>()) {
  impl_->file = file;
  std::error_code ec;
  if (!fs::is_regular_file(file, ec))
    throw SourceError(Quoted(file.string()) + (fs::exists(file, ec) ? " is not a file." : " does not exist.") +
                      " Give the path of an Access database (.mdb).");
  if (!LooksLikeAccess(file))
    throw SourceError(Quoted(file.string()) +
                      " is not an Access database: it does not begin as a Jet or ACE file does.");
  impl_->mdb = mdb_open(file.c_str(), MDB_NOFLAGS);
  if (!impl_->mdb)
    throw SourceError(
        Quoted(file.string()) +
        " cannot be read as an Access database: its header is damaged or of an engine version the reader "
        "does not know. Open it in Access, save it as an Access 2000-2003 database (.mdb) and import that.");
  if (!mdb_read_catalog(impl_->mdb, MDB_ANY) || impl_->mdb->num_catalog == 0)
    throw SourceError(
        "The list of objects in " + Quoted(file.string()) +
        " cannot be read: the file is damaged or encrypted. Decrypt it in Access (or repair it with Compact and "
        "Repair) and import it again.");
}

MdbSource::~MdbSource() = default;

std::string MdbSource::Version() const {
  switch (impl_->mdb->f->jet_version) {
    case MDB_VER_JET3: return "Jet 3 (Access 97)";
    case MDB_VER_JET4: return "Jet 4 (Access 2000-2003)";
    case MDB_VER_ACCDB_2007: return "ACE 12 (Access 2007)";
    case MDB_VER_ACCDB_2010: return "ACE 14 (Access 2010)";
    default: return "ACE (Access 2013 or later)";
  }
}

std::vector<std::string> MdbSource::UserTableNames() const {
  std::vector<std::string> names;
  for (unsigned i = 0; i < impl_->mdb->num_catalog; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(impl_->mdb->catalog, i));
    if (e->object_type == MDB_TABLE && mdb_is_user_table(e)) names.emplace_back(e->object_name);
  }
  return names;
}

std::vector<std::string> MdbSource::LinkedTableNames() const {
  std::vector<std::string> names;
  for (unsigned i = 0; i < impl_->mdb->num_catalog; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(impl_->mdb->catalog, i));
    if (e->object_type == MDB_LINKED_TABLE) names.emplace_back(e->object_name);
  }
  return names;
}

bool MdbSource::HasSystemTable(const std::string& name) const { return impl_->Entry(name) != nullptr; }

std::vector<SourceQuery> MdbSource::Queries() const {
  std::vector<SourceQuery> out;
  for (unsigned i = 0; i < impl_->mdb->num_catalog; ++i) {
    auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(impl_->mdb->catalog, i));
    if (e->object_type == MDB_QUERY) out.push_back({e->object_name, static_cast<uint32_t>(e->table_pg & 0xffffff)});
  }
  return out;
}

SourceTable MdbSource::ReadTable(const std::string& name) const {
  MdbTableDef* table = impl_->Open(name);
  std::unique_ptr<MdbTableDef, void (*)(MdbTableDef*)> owner(table, mdb_free_tabledef);
  SourceTable out;
  out.name = name;
  out.row_count = table->num_rows;
  if (const char* rule = mdb_table_get_prop(table, "ValidationRule")) out.validation_rule = rule;
  bool has_counter = false;
  for (unsigned i = 0; i < table->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
    SourceColumn c;
    c.name = col->name;
    c.mdb_type = col->col_type;
    // Jet 4 keeps Text in UCS-2: the stored size is twice the characters.
    c.size = col->col_type == MDB_TEXT
                 ? (impl_->mdb->f->jet_version == MDB_VER_JET3 ? col->col_size : col->col_size / 2)
                 : 0;
    c.precision = col->col_prec;
    c.scale = col->col_scale;
    c.autonumber = col->is_long_auto;
    c.guid_autonumber = col->is_uuid_auto;
    has_counter |= c.autonumber;
    c.required = Prop(col, "Required") == "yes";
    c.default_value = Prop(col, "DefaultValue");
    c.validation_rule = Prop(col, "ValidationRule");
    c.validation_text = Prop(col, "ValidationText");
    out.columns.push_back(std::move(c));
  }
  if (has_counter) {
    // The table definition page records the last AutoNumber given four bytes after its row count.
    if (mdb_read_pg(impl_->mdb, table->entry->table_pg) == impl_->mdb->fmt->pg_size)
      out.last_counter = mdb_get_int32(impl_->mdb->pg_buf, impl_->mdb->fmt->tab_num_rows_offset + 4);
  }
  mdb_read_indices(table);  // fills table->indices; its result says nothing in this version
  if (!table->indices && table->num_idxs > 0)
    throw SourceError("The indexes of the table '" + name +
                      "' cannot be read: the file is damaged. Repair it in Access and import it again.");
  for (unsigned i = 0; i < table->num_idxs; ++i) {
    auto* idx = static_cast<MdbIndex*>(g_ptr_array_index(table->indices, i));
    SourceIndex x;
    x.name = idx->name;
    x.primary = idx->index_type == 1;
    x.foreign = idx->index_type == 2;
    x.unique = idx->flags & MDB_IDX_UNIQUE;
    x.ignore_nulls = idx->flags & MDB_IDX_IGNORENULLS;
    x.required = idx->flags & MDB_IDX_REQUIRED;
    for (unsigned k = 0; k < idx->num_keys && k < MDB_MAX_IDX_COLS; ++k) {
      const int n = idx->key_col_num[k] - 1;  // the library counts columns from 1 here
      if (n < 0 || n >= static_cast<int>(table->num_cols)) continue;
      auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, n));
      x.columns.emplace_back(col->name, idx->key_col_order[k] == MDB_DESC);
    }
    out.indexes.push_back(std::move(x));
  }
  return out;
}

MdbSource::Rows::Rows(const MdbSource& source, const std::string& table)
    : source_(source), table_(source.impl_->Open(table)), name_(table), chunk_(MDB_PGSIZE * 2) {
  for (unsigned i = 0; i < table_->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
    col->bind_ptr = nullptr;  // unbound: the library then converts nothing to text
    col->len_ptr = nullptr;
  }
  mdb_rewind_table(table_);
}

MdbSource::Rows::~Rows() { mdb_free_tabledef(table_); }

bool MdbSource::Rows::Next(std::vector<SourceValue>& row) {
  MdbHandle* mdb = source_.impl_->mdb;
  if (!mdb_fetch_row(table_)) return false;
  // The row just fetched is the one before the table's cursor, on the page in pg_buf.
  int start = 0;
  size_t size = 0;
  if (mdb_find_row(mdb, static_cast<int>(table_->cur_row) - 1, &start, &size) != 0)
    throw SourceError("Row " + std::to_string(read_ + 1) + " of the table '" + name_ +
                      "' cannot be found on its page: the file is damaged.");
  std::vector<MdbField> fields(table_->num_cols);
  if (mdb_crack_row(table_, start & kOffsetMask, size, fields.data()) < 0)
    throw SourceError("Row " + std::to_string(read_ + 1) + " of the table '" + name_ +
                      "' cannot be read: the file is damaged.");
  row.resize(table_->num_cols);
  for (unsigned i = 0; i < table_->num_cols; ++i) row[fields[i].colnum] = Decode(fields[i].colnum, &fields[i]);
  ++read_;
  return true;
}

SourceValue MdbSource::Rows::Decode(int column, const void* field_ptr) {
  const auto& f = *static_cast<const MdbField*>(field_ptr);
  auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, column));
  MdbHandle* mdb = source_.impl_->mdb;
  SourceValue v;
  using K = SourceValue::Kind;
  // Yes/No lives in the null mask: a set bit is Yes.
  if (col->col_type == MDB_BOOL) {
    v.kind = K::kInteger;
    v.integer = f.is_null ? 0 : -1;
    return v;
  }
  if (f.is_null) return v;
  const unsigned char* p = mdb->pg_buf + f.start;
  if (f.start < 0 || f.siz < 0 || f.start + f.siz > mdb->fmt->pg_size)
    throw SourceError("A value of the column '" + std::string(col->name) + "' in row " + std::to_string(read_ + 1) +
                      " of the table '" + name_ + "' lies outside its page: the file is damaged.");
  auto need = [&](int n) {
    if (f.siz < n)
      throw SourceError("A value of the column '" + std::string(col->name) + "' in row " + std::to_string(read_ + 1) +
                        " of the table '" + name_ + "' is shorter than its type: the file is damaged.");
  };
  switch (col->col_type) {
    case MDB_BYTE:
      need(1);
      v.kind = K::kInteger;
      v.integer = p[0];
      break;
    case MDB_INT:
      need(2);
      v.kind = K::kInteger;
      v.integer = static_cast<int16_t>(mdb_get_int16(mdb->pg_buf, f.start));
      break;
    case MDB_LONGINT:
    case MDB_COMPLEX:
      need(4);
      v.kind = K::kInteger;
      v.integer = static_cast<int32_t>(mdb_get_int32(mdb->pg_buf, f.start));
      break;
    case MDB_FLOAT:
      need(4);
      v.kind = K::kSingle;
      v.real = mdb_get_single(mdb->pg_buf, f.start);
      break;
    case MDB_DOUBLE:
      need(8);
      v.kind = K::kDouble;
      v.real = mdb_get_double(mdb->pg_buf, f.start);
      break;
    case MDB_DATETIME:
      need(8);
      v.kind = K::kDate;
      v.real = mdb_get_double(mdb->pg_buf, f.start);
      break;
    case MDB_MONEY: {
      need(8);
      uint64_t u = 0;
      for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
      v.kind = K::kCurrency;
      v.integer = static_cast<int64_t>(u);
      break;
    }
    case MDB_NUMERIC: {
      need(17);
      GText text(mdb_numeric_to_string(mdb, f.start, col->col_scale, col->col_prec));
      v.kind = K::kDecimal;
      v.bytes = text ? text.get() : "";
      break;
    }
    case MDB_REPID: {
      need(16);
      GText text(mdb_uuid_to_string(mdb->pg_buf, f.start));
      v.kind = K::kText;
      v.bytes = text.get();
      break;
    }
    case MDB_TEXT:
      v.kind = K::kText;
      v.bytes = Text(p, static_cast<size_t>(f.siz));
      break;
    case MDB_MEMO: {
      const std::string raw = LongValue(column, f.start, f.siz);
      v.kind = K::kText;
      v.bytes = Text(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
      break;
    }
    case MDB_OLE:
      v.kind = K::kBinary;
      v.bytes = LongValue(column, f.start, f.siz);
      break;
    case MDB_BINARY:
      v.kind = K::kBinary;
      v.bytes.assign(reinterpret_cast<const char*>(p), f.siz);
      break;
    default:
      throw SourceError("The column '" + std::string(col->name) + "' of the table '" + name_ + "' has a type (" +
                        std::to_string(col->col_type) + ") that the reader does not know.");
  }
  return v;
}

// Jet 4 text is decoded here (see jet_text.h); Jet 3 text is in the file's code page, which the
// library converts (as Windows-1252 unless MDB_JET3_CHARSET names another).
std::string MdbSource::Rows::Text(const unsigned char* p, size_t size) {
  MdbHandle* mdb = source_.impl_->mdb;
  if (mdb->f->jet_version != MDB_VER_JET3) return Jet4TextToUtf8(p, size);
  std::string out(size * 3 + 16, '\0');
  const int n = size == 0 ? 0 : mdb_unicode2ascii(mdb, reinterpret_cast<const char*>(p), size, out.data(), out.size());
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

// Memo and OLE values: kept in the row when short, otherwise on one or a chain of other pages.
// The library reads a chunk at a time into the column's bound buffer, which is lent to it here
// only for the read, so that fetching rows converts nothing.
std::string MdbSource::Rows::LongValue(int column, int start, int size) {
  auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, column));
  MdbHandle* mdb = source_.impl_->mdb;
  auto damaged = [&](const std::string& what) {
    return SourceError("The " + std::string(col->col_type == MDB_MEMO ? "Memo" : "OLE Object") +
                       " value of the column '" + col->name + "' in row " + std::to_string(read_ + 1) +
                       " of the table '" + name_ + "' " + what +
                       ": the file is damaged. Repair it in Access (Compact and Repair) and import it again.");
  };
  if (size < kLongValueHeader) throw damaged("has no header");
  char header[kLongValueHeader];
  std::memcpy(header, mdb->pg_buf + start, kLongValueHeader);
  const uint32_t word = static_cast<uint32_t>(mdb_get_int32(header, 0));
  const size_t expected = word & 0x3fffffff;
  col->cur_value_start = start;
  col->cur_value_len = size;
  col->bind_ptr = chunk_.data();
  std::string out;
  size_t n = mdb_ole_read(mdb, col, header, chunk_.size());
  out.append(chunk_.data(), n);
  while (out.size() < expected && (n = mdb_ole_read_next(mdb, col, header)) > 0) out.append(chunk_.data(), n);
  col->bind_ptr = nullptr;
  if (out.size() != expected)
    throw damaged("should hold " + std::to_string(expected) + " bytes but " + std::to_string(out.size()) +
                  " could be read");
  return out;
}

}  // namespace ornetta::import
