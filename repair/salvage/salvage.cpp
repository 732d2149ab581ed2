#include "repair/salvage/salvage.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "data/values/error.h"
#include "repair/salvage/btree.h"
#include "repair/salvage/cipher_pages.h"
#include "repair/salvage/rebuild.h"
#include "repair/salvage/walker.h"

namespace ornetta::repair::salvage {

namespace fs = std::filesystem;

namespace {
constexpr size_t kListedKeys = 200;
constexpr size_t kSampleRows = 32;  // rows of a page no tree reaches that are tried in each table
const char* const kSequenceTable = "sqlite_sequence";

std::string ValueText(const Value& v) {
  switch (v.kind) {
    case Value::kNull: return "Null";
    case Value::kInteger: return std::to_string(v.integer);
    case Value::kReal: return std::to_string(v.real);
    case Value::kText: return "'" + v.bytes.substr(0, 60) + (v.bytes.size() > 60 ? "...'" : "'");
    case Value::kBlob: return "(" + std::to_string(v.bytes.size()) + " bytes)";
  }
  return "";
}

std::string Join(const std::vector<Value>& values, size_t count) {
  std::string text;
  for (size_t i = 0; i < count && i < values.size(); ++i) text += (i ? ", " : "") + ValueText(values[i]);
  return text;
}

std::optional<crypto::Salt> SaltOf(const PageFile& file) {
  crypto::Salt salt{};
  if (file.Size() < salt.size() || !file.Read(0, salt.data(), salt.size())) return std::nullopt;
  return salt;
}

// The salt that reads `file`: its own, a backup's (a compacted copy keeps its source's salt), or
// its own with one bit mended, in that order.
std::unique_ptr<CipherPages> FindKey(const PageFile& file, const std::string& password, const StandIns& stand_ins,
                                     std::string* source) {
  const std::optional<crypto::Salt> own = SaltOf(file);
  if (own) {
    if (auto pages = CipherPages::Open(file, password, *own)) {
      *source = "the file's own salt";
      return pages;
    }
  }
  for (const fs::path& backup : stand_ins.backups) {
    const std::unique_ptr<PageFile> copy = PlainFile(backup);
    const std::optional<crypto::Salt> salt = copy ? SaltOf(*copy) : std::nullopt;
    if (!salt || (own && *salt == *own)) continue;
    if (auto pages = CipherPages::Open(file, password, *salt)) {
      *source = "the salt of the backup " + backup.string() + " (the file's own is damaged)";
      return pages;
    }
  }
  if (!own) return nullptr;
  for (size_t bit = 0; bit < own->size() * 8; ++bit) {
    crypto::Salt salt = *own;
    salt[bit / 8] ^= static_cast<unsigned char>(1u << (bit % 8));
    if (auto pages = CipherPages::Open(file, password, salt)) {
      *source = "the file's own salt with its one damaged bit mended";
      return pages;
    }
  }
  return nullptr;
}

// The rows of the schema table in the tree at page 1; `whole` is false when a page of it is lost.
std::vector<SchemaEntry> ReadSchema(PageMap& map, bool* whole) {
  std::vector<SchemaEntry> entries;
  *whole = true;
  Walker(map, true).Table(
      1, kAllRowids,
      [&](int64_t, std::vector<Value>& v) {
        if (v.size() < 5 || v[0].kind != Value::kText || v[1].kind != Value::kText) return;
        SchemaEntry e{v[0].bytes, v[1].bytes, v[2].kind == Value::kText ? v[2].bytes : "",
                      v[4].kind == Value::kText ? v[4].bytes : "", 0};
        if (v[3].kind == Value::kInteger && v[3].integer > 0 && v[3].integer <= UINT32_MAX)
          e.root = static_cast<uint32_t>(v[3].integer);
        entries.push_back(std::move(e));
      },
      [&](int64_t, const std::string&) { *whole = false; }, [&](uint32_t, const Range&, int) { *whole = false; });
  return entries;
}

// The schema of a file that stands in (a backup, another year's database).
std::optional<std::vector<SchemaEntry>> StandInSchema(const fs::path& file, const std::string& password) {
  const std::unique_ptr<PageFile> raw = PlainFile(file);
  const std::optional<crypto::Salt> salt = raw ? SaltOf(*raw) : std::nullopt;
  const std::unique_ptr<CipherPages> pages = salt ? CipherPages::Open(*raw, password, *salt) : nullptr;
  if (!pages) return std::nullopt;
  PageMap map(*pages);
  bool whole = false;
  std::vector<SchemaEntry> entries = ReadSchema(map, &whole);
  if (!whole || entries.empty()) return std::nullopt;
  return entries;
}

struct LostTreePage {
  uint32_t pgno;
  Range range;
  int depth;
};

struct TableState {
  SchemaEntry entry;
  const TableShape* shape = nullptr;
  std::vector<LostTreePage> lost;  // pages of its tree that are lost
  bool root_unknown = false;       // its tree was not found: every rowid may be anywhere
  int leaf_depth = -1;
  std::set<int64_t> found_in_lost;  // rows found again where lost pages were
  std::set<int64_t> known_lost;
  bool whole_index = false;  // an index of it was read whole
  TableOutcome outcome;

  bool InLost(int64_t rowid) const {
    return root_unknown ||
           std::any_of(lost.begin(), lost.end(), [&](const LostTreePage& p) { return p.range.Holds(rowid); });
  }
  void NoteLost(int64_t rowid, const std::string& how) {
    if (!known_lost.insert(rowid).second) return;
    ++outcome.lost_known;
    if (outcome.lost_keys.size() < kListedKeys) outcome.lost_keys.push_back(how);
  }
};

// One salvage: the file's pages, the new database, and what each table got and lost.
class Run {
 public:
  Run(PageMap& map, Rebuild& rebuild, const std::vector<SchemaEntry>& schema, SalvageOutcome& outcome)
      : map_(map), rebuild_(rebuild), schema_(schema), outcome_(outcome) {
    for (const SchemaEntry& e : schema) {
      const TableShape* shape = rebuild.Table(e.name);
      if (e.type != "table" || !shape) continue;
      TableState& t = tables_[e.name];
      t.entry = e;
      t.shape = shape;
      t.outcome.name = e.name;
      order_.push_back(e.name);
    }
  }

  // Each table's own tree, from the root the schema names.
  void ReadTrees(const std::function<void(double)>& progress) {
    for (size_t i = 0; i < order_.size(); ++i) {
      TableState& t = tables_[order_[i]];
      if (t.entry.root == 0)
        t.root_unknown = true;
      else
        ReadTree(t, t.entry.root);
      if (progress) progress(static_cast<double>(i + 1) / order_.size());
    }
  }

  // Leaf pages that no tree reaches, when the freelist is known: each holds rows from under a lost
  // interior page, and goes to the one table whose lost range and columns fit all its rows.
  void ReadOrphanLeaves(bool freelist_known) {
    std::vector<unsigned char> page;
    std::string payload;
    Walker walker(map_);
    for (uint32_t pgno = 2; pgno <= map_.count(); ++pgno) {
      if (map_.Type(pgno) != kTableLeaf || map_.Has(pgno, PageMap::kOwned | PageMap::kFree | PageMap::kLost)) continue;
      if (!map_.pages().Read(pgno, page)) continue;
      const std::optional<BtreePage> tree = BtreePage::Parse(page.data(), map_.pages().usable_size(), pgno);
      if (!tree) continue;
      map_.Set(pgno, PageMap::kOwned);
      std::vector<std::pair<int64_t, std::vector<Value>>> rows;
      for (uint16_t i = 0; i < tree->cell_count(); ++i) {
        const std::optional<Cell> cell = tree->CellAt(i);
        std::vector<Value> values;
        if (cell && walker.Payload(*cell, &payload) && DecodeRecord(payload, &values))
          rows.emplace_back(cell->rowid, std::move(values));
      }
      if (rows.empty()) continue;
      std::vector<TableState*> fits;
      for (const std::string& name : order_) {
        TableState& t = tables_[name];
        if (!freelist_known || (t.lost.empty() && !t.root_unknown) || name == kSequenceTable) continue;
        if (std::all_of(rows.begin(), rows.end(),
                        [&](const auto& r) { return t.InLost(r.first) && t.shape->Fits(r.second); }))
          fits.push_back(&t);
      }
      Narrow(fits, rows);
      if (fits.size() != 1) {
        SetAside(pgno, rows.size(), rows.front().first, rows.back().first,
                 !freelist_known ? "the list of free pages is damaged, so a page freed by deletions cannot be told "
                                   "from a page of live rows"
                 : fits.empty()  ? "no table can hold them with certainty"
                                 : "more than one table could hold them");
        continue;
      }
      for (auto& [rowid, values] : rows) Insert(*fits.front(), rowid, values, true);
    }
    OPENSSL_cleanse(page.data(), page.size());
    OPENSSL_cleanse(payload.data(), payload.size());
  }

  // Without page 1 no tree's root is known: each tree that no page points to is a fragment, and
  // goes to the one table whose columns fit all its rows. With the freelist unknown, a table that
  // several fragments fit takes only the one whose root is an interior page (a tree, not a single
  // page that may have been freed); the rest is set aside.
  void ReadFragments() {
    std::map<std::string, std::vector<uint32_t>> candidates;
    for (uint32_t pgno = 2; pgno <= map_.count(); ++pgno) {
      if (!IsTableType(map_.Type(pgno)) || map_.Has(pgno, PageMap::kReferenced | PageMap::kOwned)) continue;
      std::vector<TableState*> fits;
      for (const std::string& name : order_)
        if (name != kSequenceTable) fits.push_back(&tables_[name]);
      bool sequence = true;
      size_t rows = 0;
      std::vector<std::pair<int64_t, std::vector<Value>>> sample;
      Walker(map_, true)
          .Table(
              pgno, kAllRowids,
              [&](int64_t rowid, std::vector<Value>& v) {
                ++rows;
                if (sample.size() < kSampleRows) sample.emplace_back(rowid, v);
                std::erase_if(fits, [&](const TableState* t) { return !t->shape->Fits(v); });
                sequence = sequence && v.size() == 2 && v[0].kind == Value::kText && v[1].kind == Value::kInteger &&
                           tables_.count(v[0].bytes);
              },
              [](int64_t, const std::string&) {}, [](uint32_t, const Range&, int) {});
      if (rows == 0) continue;
      Narrow(fits, sample);
      if (sequence && tables_.count(kSequenceTable))
        candidates[kSequenceTable].push_back(pgno);
      else if (fits.size() == 1)
        candidates[fits.front()->entry.name].push_back(pgno);
      else
        SetAsideTree(pgno, fits.empty() ? "no table can hold its rows" : "more than one table could hold its rows");
    }
    for (auto& [name, roots] : candidates) {
      uint32_t chosen = roots.size() == 1 ? roots.front() : 0;
      if (!chosen) {
        std::vector<uint32_t> trees;
        std::copy_if(roots.begin(), roots.end(), std::back_inserter(trees),
                     [&](uint32_t r) { return map_.Type(r) == kTableInterior; });
        if (trees.size() == 1) chosen = trees.front();
      }
      for (uint32_t root : roots)
        if (root != chosen) SetAsideTree(root, "more than one set of pages could be the rows of " + name);
      if (!chosen) continue;
      TableState& t = tables_[name];
      t.root_unknown = false;
      ReadTree(t, chosen);
    }
    for (const std::string& name : order_) {
      TableState& t = tables_[name];
      if (t.root_unknown && name != kSequenceTable)
        outcome_.notes.push_back("No pages of the table " + name + " were found with certainty.");
    }
  }

  // Index entries whose rows were on lost pages name those rows; a whole index names all of them.
  void ReadIndexes() {
    Walker walker(map_);
    for (const SchemaEntry& e : schema_) {
      if (e.type != "index" || e.root == 0) continue;
      auto it = tables_.find(e.table);
      if (it == tables_.end()) continue;
      TableState& t = it->second;
      const bool whole = walker.Index(
          e.root,
          [&](std::vector<Value>& v) {
            if (v.back().kind != Value::kInteger) return;
            const int64_t rowid = v.back().integer;
            if (!t.InLost(rowid) || t.found_in_lost.count(rowid)) return;
            t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ", " + e.name + " = " + Join(v, v.size() - 1));
          },
          [&](uint32_t pgno) { owners_[pgno] = "index " + e.name + " (rebuilt from the rows)"; });
      t.whole_index = t.whole_index || (whole && !e.sql.empty() && e.sql.find(" WHERE ") == std::string::npos) ||
                      (whole && e.sql.empty());
    }
  }

  void Finish() {
    const auto sequence = tables_.find(kSequenceTable);
    if (sequence != tables_.end() && !sequence->second.root_unknown && sequence->second.lost.empty())
      rebuild_.SetSequences(sequences_);
    else if (tables_.count(kSequenceTable))
      outcome_.notes.push_back("The AUTOINCREMENT counters were lost; each continues after its table's largest key.");
    for (const std::string& name : order_) {
      if (name == kSequenceTable) continue;
      TableState& t = tables_[name];
      const auto written = rebuild_.written().find(name);
      t.outcome.recovered = written == rebuild_.written().end() ? 0 : written->second;
      t.outcome.lost_pages = static_cast<long long>(t.lost.size());
      t.outcome.lost_rowids.assign(t.known_lost.begin(), t.known_lost.end());
      // A lost interior page's rows are found again leaf by leaf, unless a leaf under it is lost
      // too; a lost leaf's rows are gone. A whole index names each missing row; without one, rows
      // may be missing wherever a page was lost.
      t.outcome.count_exact = t.whole_index && !t.root_unknown;
      t.outcome.rows_lost = t.outcome.lost_known > 0 || t.root_unknown || (!t.outcome.count_exact && !t.lost.empty());
      outcome_.tables.push_back(t.outcome);
      for (const LostTreePage& p : t.lost)
        owners_[p.pgno] =
            (t.leaf_depth >= 0 && p.depth < t.leaf_depth ? "an interior page of table " : "rows of table ") + name;
    }
  }

  const std::map<uint32_t, std::string>& owners() const { return owners_; }

 private:
  // Of the tables whose columns fit `rows`, those whose column count is the rows' own (a row has
  // fewer only when columns were added later), then those that accept every one of them with
  // their types' checks.
  void Narrow(std::vector<TableState*>& fits, const std::vector<std::pair<int64_t, std::vector<Value>>>& rows) {
    if (fits.size() < 2) return;
    size_t widest = 0;
    for (const auto& r : rows) widest = std::max(widest, r.second.size());
    std::vector<TableState*> exact;
    std::copy_if(fits.begin(), fits.end(), std::back_inserter(exact),
                 [&](const TableState* t) { return t->shape->columns.size() == widest; });
    if (!exact.empty()) fits = exact;
    if (fits.size() < 2) return;
    std::erase_if(fits, [&](TableState* t) {
      for (size_t i = 0; i < rows.size() && i < kSampleRows; ++i)
        if (!rebuild_.Accepts(*t->shape, rows[i].first, rows[i].second)) return true;
      return false;
    });
  }

  void ReadTree(TableState& t, uint32_t root) {
    const bool sequence = t.entry.name == kSequenceTable;
    const int depth = Walker(map_).Table(
        root, kAllRowids,
        [&](int64_t rowid, std::vector<Value>& v) {
          if (!sequence)
            Insert(t, rowid, v, false);
          else if (v.size() == 2 && v[0].kind == Value::kText && v[1].kind == Value::kInteger)
            sequences_.emplace_back(v[0].bytes, v[1].integer);
        },
        [&](int64_t rowid, const std::string& why) {
          t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ": " + why);
        },
        [&](uint32_t pgno, const Range& range, int d) {
          t.lost.push_back({pgno, range, d});
        });
    t.leaf_depth = std::max(t.leaf_depth, depth);
  }

  void Insert(TableState& t, int64_t rowid, const std::vector<Value>& values, bool found_again) {
    if (!rebuild_.Insert(*t.shape, rowid, values))
      t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ": the rebuilt table refused it (" + Join(values, 4) + ")");
    else if (found_again)
      t.found_in_lost.insert(rowid);
  }

  void SetAside(uint32_t pgno, size_t rows, int64_t first, int64_t last, const std::string& why) {
    outcome_.set_aside_rows += static_cast<long long>(rows);
    outcome_.notes.push_back("Page " + std::to_string(pgno) + ": " + std::to_string(rows) + " rows (rowids " +
                             std::to_string(first) + " to " + std::to_string(last) + ") set aside: " + why + ".");
  }

  void SetAsideTree(uint32_t root, const std::string& why) {
    size_t rows = 0;
    int64_t first = 0, last = 0;
    Walker(map_).Table(
        root, kAllRowids,
        [&](int64_t rowid, std::vector<Value>&) {
          if (rows++ == 0) first = rowid;
          last = rowid;
        },
        [](int64_t, const std::string&) {}, [](uint32_t, const Range&, int) {});
    if (rows) SetAside(root, rows, first, last, why);
  }

  PageMap& map_;
  Rebuild& rebuild_;
  const std::vector<SchemaEntry>& schema_;
  SalvageOutcome& outcome_;
  std::map<std::string, TableState> tables_;
  std::vector<std::string> order_;
  std::vector<std::pair<std::string, int64_t>> sequences_;
  std::map<uint32_t, std::string> owners_;
};

uint32_t HeaderWord(const std::vector<unsigned char>& header, size_t offset) {
  return ReadBig32(header.data() + offset);
}

// The tables to rebuild: the file's own list, completed (or replaced, when page 1 is lost) from
// the first stand-in that has a whole one.
std::vector<SchemaEntry> FindSchema(PageMap& map, bool first_page, const std::string& password,
                                    const StandIns& stand_ins, SalvageOutcome& outcome) {
  bool whole = false;
  std::vector<SchemaEntry> schema;
  if (first_page) schema = ReadSchema(map, &whole);
  outcome.schema_source = "the file itself";
  if (whole) return schema;
  std::vector<fs::path> candidates = stand_ins.backups;
  candidates.insert(candidates.end(), stand_ins.siblings.begin(), stand_ins.siblings.end());
  for (const fs::path& candidate : candidates) {
    std::optional<std::vector<SchemaEntry>> other = StandInSchema(candidate, password);
    if (!other) continue;
    // Entries the file still has keep their page numbers; the others come without them.
    for (SchemaEntry& e : *other) {
      e.root = 0;
      if (std::none_of(schema.begin(), schema.end(), [&](const SchemaEntry& s) { return s.name == e.name; }))
        schema.push_back(e);
    }
    outcome.schema_source = (first_page ? "the file itself, completed from " : "") + candidate.string();
    return schema;
  }
  if (schema.empty())
    throw Error(err::kEngine, "The list of tables of '" + outcome.file_name +
                                  "' is on a damaged page, and no backup or other database of its folder holds it.");
  outcome.notes.push_back("Part of the list of tables was lost; only the tables still listed were salvaged.");
  return schema;
}
}  // namespace

bool SalvageOutcome::RowsLost() const {
  return set_aside_rows > 0 || std::any_of(tables.begin(), tables.end(),
                                           [](const TableOutcome& t) { return t.lost_known > 0 || t.rows_lost; });
}

bool IsDamaged(const PageFile& file, const std::string& password) {
  const std::optional<crypto::Salt> salt = SaltOf(file);
  if (!salt) return file.Size() > 0;
  const std::unique_ptr<CipherPages> pages = CipherPages::Open(file, password, *salt);
  if (!pages || file.Size() % pages->page_size() != 0) return true;
  PageMap map(*pages);
  std::vector<unsigned char> page;
  for (uint32_t pgno = pages->page_count(); pgno >= 1; --pgno)  // page 1 last: its header is kept
    if (!map.IsLockPage(pgno) && !pages->Read(pgno, page)) return true;
  const bool short_file = HeaderWord(page, 28) > pages->page_count();
  OPENSSL_cleanse(page.data(), page.size());
  return short_file;
}

SalvageOutcome Salvage(const PageFile& source, const std::string& file_name, const std::string& password,
                       const StandIns& stand_ins, const fs::path& destination, const SalvageProgress& progress,
                       platform::FileOps& file_ops) {
  SalvageOutcome outcome;
  outcome.file_name = file_name;
  const std::unique_ptr<CipherPages> pages = FindKey(source, password, stand_ins, &outcome.key_source);
  if (!pages)
    throw Error(err::kEngine, "No key reads '" + file_name +
                                  "': its salt is damaged and no backup of it holds the salt, or it is not a database "
                                  "of this installation.");
  outcome.page_size = pages->page_size();
  PageMap map(*pages);
  const auto part = [&progress](double from, double to) {
    return [&progress, from, to](double f) {
      if (progress) progress(from + (to - from) * f);
    };
  };
  map.Scan(part(0, 0.4));

  const bool first_page = !map.Lost(1) && map.header().size() == 100;
  int32_t user_version = 0, application_id = 0;
  bool freelist_known = false;
  if (first_page) {
    const std::vector<unsigned char>& h = map.header();
    if (HeaderWord(h, 56) > 1)
      throw Error(err::kEngine, "'" + file_name + "' keeps its text in UTF-16; only UTF-8 files can be salvaged.");
    map.ExtendTo(HeaderWord(h, 28));
    user_version = static_cast<int32_t>(HeaderWord(h, 60));
    application_id = static_cast<int32_t>(HeaderWord(h, 68));
    freelist_known = map.MarkFreelist(HeaderWord(h, 32));
    if (!freelist_known) outcome.notes.push_back("A page of the list of free pages is lost.");
  } else {
    outcome.notes.push_back(
        "The first page is lost: the header values kept by the engine (the schema version) were "
        "reset, and pages freed by deletions cannot be told from pages of rows.");
  }
  outcome.page_count = map.count();
  const std::vector<SchemaEntry> schema = FindSchema(map, first_page, password, stand_ins, outcome);

  std::error_code ec;
  fs::remove(destination, ec);
  try {
    Rebuild rebuild(destination, password, pages->salt(), schema, file_ops);
    Run run(map, rebuild, schema, outcome);
    run.ReadTrees(part(0.4, 0.8));
    if (first_page)
      run.ReadOrphanLeaves(freelist_known);
    else
      run.ReadFragments();
    run.ReadIndexes();
    run.Finish();
    if (progress) progress(0.9);
    rebuild.Finish(user_version, application_id);

    for (uint32_t pgno = 1; pgno <= map.count(); ++pgno) {
      if (!map.Lost(pgno) || map.IsLockPage(pgno)) continue;
      outcome.lost_pages.push_back(pgno);
      const auto owner = run.owners().find(pgno);
      outcome.lost_owners.push_back(pgno == 1                       ? "the list of tables and the file's header"
                                    : map.Has(pgno, PageMap::kFree) ? "the list of free pages (no rows)"
                                    : owner != run.owners().end()   ? owner->second
                                                                    : "not known (no readable page points to it)");
    }
    if (progress) progress(1.0);
  } catch (...) {
    fs::remove(destination, ec);
    throw;
  }
  return outcome;
}

}  // namespace ornetta::repair::salvage
