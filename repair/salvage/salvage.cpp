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
#include "repair/salvage/schema_list.h"
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

struct LostTreePage {
  uint32_t pgno;
  Range range;
  int depth;
};

using Rows = std::vector<std::pair<int64_t, std::vector<Value>>>;

struct TableState {
  SchemaEntry entry;
  const TableShape* shape = nullptr;
  std::vector<LostTreePage> lost;  // pages of its tree that are lost
  bool root_unknown = false;       // its tree was not found: every rowid may be anywhere
  bool pages_found = false;        // with its root unknown, pages of it were found by what they hold
  int leaf_depth = -1;
  std::set<int64_t> found_in_lost;  // rows found again where lost pages were
  std::set<int64_t> known_lost;
  bool whole_index = false;  // an index of it was read whole
  TableOutcome outcome;

  bool InLost(int64_t rowid) const {
    return root_unknown ||
           std::any_of(lost.begin(), lost.end(), [&](const LostTreePage& p) { return p.range.Holds(rowid); });
  }
  // Whether pages that no tree reaches may hold its rows.
  bool TakesOrphans() const { return root_unknown || !lost.empty(); }
  void NoteLost(int64_t rowid, const std::string& how) {
    if (!known_lost.insert(rowid).second) return;
    ++outcome.lost_known;
    if (outcome.lost_keys.size() < kListedKeys) outcome.lost_keys.push_back(how);
  }
};

// Whether rows look like the AUTOINCREMENT counters: a table's name and a number.
bool CounterRow(const std::vector<Value>& v) {
  return v.size() == 2 && v[0].kind == Value::kText && v[1].kind == Value::kInteger;
}

// A tree (often a single leaf) that no readable page reaches, and the tables it could be part of.
struct Orphan {
  uint32_t root;
  size_t rows = 0;
  int64_t first = 0, last = 0;
  std::vector<TableState*> fits;
  bool counters = false;  // every row a counter of a table of the file
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

  // Each table's own tree, from the root the list names. The trees of the engine's own tables
  // that are not rebuilt are walked too, so that no other table takes their pages.
  void ReadTrees(const std::function<void(double)>& progress) {
    for (size_t i = 0; i < order_.size(); ++i) {
      TableState& t = tables_[order_[i]];
      if (t.entry.root == 0)
        t.root_unknown = true;
      else
        ReadTree(t, t.entry.root);
      if (progress) progress(static_cast<double>(i + 1) / order_.size());
    }
    for (const SchemaEntry& e : schema_)
      if (e.type == "table" && e.root != 0 && !tables_.count(e.name))
        Walker(map_).Table(
            e.root, kAllRowids, [](int64_t, std::vector<Value>&) {}, [](int64_t, const std::string&) {},
            [](uint32_t, const Range&, int) {});
  }

  // Trees that no readable page reaches: the leaves (or subtrees) under a lost interior page, and
  // the trees of tables whose root is not known. Each goes to the one table whose lost rowids and
  // whose columns fit every row on it, a leaf at a time (a row its table refuses sets its whole
  // leaf aside); a tree that no table or more than one could hold is set aside. With the freelist
  // unknown, a page freed by deletions cannot be told from a live one: leaves under a lost
  // interior page are set aside, and a table whose root is unknown takes only a single tree, or
  // the one of its trees whose root is an interior page.
  void ReadOrphans(bool freelist_known) {
    std::vector<Orphan> orphans;
    for (uint32_t pgno = 2; pgno <= map_.count(); ++pgno)
      if (IsTableType(map_.Type(pgno)) &&
          !map_.Has(pgno, PageMap::kReferenced | PageMap::kOwned | PageMap::kFree | PageMap::kLost))
        if (std::optional<Orphan> o = Probe(pgno)) orphans.push_back(std::move(*o));
    std::map<TableState*, std::vector<Orphan*>> chosen;
    for (Orphan& o : orphans) {
      if (o.counters) {
        TakeCounters(o);
      } else if (o.fits.size() != 1) {
        SetAside(o, o.fits.empty() ? "no table can hold them with certainty" : "more than one table could hold them");
      } else if (!freelist_known && !o.fits.front()->root_unknown) {
        SetAside(o,
                 "the list of free pages is damaged, so a page freed by deletions cannot be told from a page of "
                 "live rows");
      } else {
        chosen[o.fits.front()].push_back(&o);
      }
    }
    for (auto& [table, trees] : chosen) {
      if (!freelist_known && table->root_unknown && trees.size() > 1) {
        std::vector<Orphan*> interior;
        std::copy_if(trees.begin(), trees.end(), std::back_inserter(interior),
                     [&](const Orphan* o) { return map_.Type(o->root) == kTableInterior; });
        for (Orphan* o : trees)
          if (interior.size() != 1 || o != interior.front())
            SetAside(*o, "more than one set of pages could be the rows of " + table->entry.name);
        if (interior.size() != 1) continue;
        trees = interior;
      }
      for (Orphan* o : trees) Take(*table, *o);
      // One whole tree is the table's own, unless a lost page that nothing points to could have
      // been its root.
      if (table->root_unknown && trees.size() == 1 && table->lost.empty() && !UnclaimedLostPage())
        table->root_unknown = false;
    }
    for (const std::string& name : order_) {
      TableState& t = tables_[name];
      if (t.root_unknown && !t.pages_found && name != kSequenceTable)
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
          [&](uint32_t pgno) { owners_[pgno] = "a page of the index " + e.name + " (rebuilt from the rows)"; });
      t.whole_index = t.whole_index || (whole && (e.sql.empty() || e.sql.find(" WHERE ") == std::string::npos));
    }
  }

  void Finish() {
    if (tables_.count(kSequenceTable)) {
      const TableState& counters = tables_[kSequenceTable];
      if ((counters.root_unknown && !counters.pages_found) || !counters.lost.empty())
        outcome_.notes.push_back(
            "Some AUTOINCREMENT counters were lost; each of those continues after its table's largest key.");
      rebuild_.SetSequences(sequences_);
    }
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
      t.outcome.count_exact = t.whole_index && (!t.root_unknown || t.pages_found);
      t.outcome.rows_lost = t.outcome.lost_known > 0 || (t.root_unknown && !t.outcome.count_exact) ||
                            (!t.outcome.count_exact && !t.lost.empty());
      outcome_.tables.push_back(t.outcome);
      for (const LostTreePage& p : t.lost) owners_[p.pgno] = LostPageOwner(t, p);
    }
  }

  const std::map<uint32_t, std::string>& owners() const { return owners_; }

 private:
  // What a lost page of a table's tree held, and what followed from its loss.
  static std::string LostPageOwner(const TableState& t, const LostTreePage& p) {
    const std::string& name = t.entry.name;
    // Rows under it that were found again were on leaves of their own: it was an interior page.
    const bool interior = (t.leaf_depth >= 0 && p.depth < t.leaf_depth) ||
                          std::any_of(t.found_in_lost.begin(), t.found_in_lost.end(),
                                      [&](int64_t rowid) { return p.range.Holds(rowid); });
    if (interior)
      return "an interior page of table " + name +
             (t.outcome.rows_lost ? ": the rows under it that were not found again are lost"
                                  : ": its leaves were found, no row lost");
    return "a leaf page of table " + name + ": its rows are lost" +
           (t.outcome.count_exact ? " (an index names each of them)" : "");
  }

  // Reads the tree at `root` without taking it: its rows' rowids against each table's lost
  // ranges, its rows against each table's columns.
  std::optional<Orphan> Probe(uint32_t root) {
    Orphan o;
    o.root = root;
    for (const std::string& name : order_)
      if (name != kSequenceTable && tables_[name].TakesOrphans()) o.fits.push_back(&tables_[name]);
    bool counters = true;
    Rows sample;
    Walker(map_, true)
        .Table(
            root, kAllRowids,
            [&](int64_t rowid, std::vector<Value>& v) {
              if (o.rows++ == 0) o.first = rowid;
              o.last = rowid;
              if (sample.size() < kSampleRows) sample.emplace_back(rowid, v);
              std::erase_if(o.fits, [&](const TableState* t) { return !t->InLost(rowid) || !t->shape->Fits(v); });
              counters = counters && CounterRow(v) && tables_.count(v[0].bytes);
            },
            [](int64_t, const std::string&) {}, [](uint32_t, const Range&, int) {});
    if (o.rows == 0) return std::nullopt;
    const auto sequence = tables_.find(kSequenceTable);
    o.counters = counters && sequence != tables_.end() && sequence->second.TakesOrphans();
    if (counters) o.fits.clear();  // the counters never feed a table of rows
    Narrow(o.fits, sample);
    return o;
  }

  // Of the tables whose columns fit `rows`, those whose column count is the rows' own (a row has
  // fewer only when columns were added later), then those that accept every one of them with
  // their types' checks.
  void Narrow(std::vector<TableState*>& fits, const Rows& rows) {
    if (fits.size() < 2) return;
    size_t widest = 0;
    for (const auto& r : rows) widest = std::max(widest, r.second.size());
    std::vector<TableState*> exact;
    std::copy_if(fits.begin(), fits.end(), std::back_inserter(exact),
                 [&](const TableState* t) { return t->shape->columns.size() == widest; });
    if (!exact.empty()) fits = exact;
    if (fits.size() < 2) return;
    std::erase_if(fits, [&](TableState* t) {
      return std::any_of(rows.begin(), rows.end(),
                         [&](const auto& r) { return !rebuild_.Accepts(*t->shape, r.first, r.second); });
    });
  }

  // Puts the rows of an orphan tree into `t`, a leaf at a time: each row with every check of its
  // table, and a leaf with one row that fails set aside whole.
  void Take(TableState& t, const Orphan& o) {
    Rows leaf;
    std::vector<int64_t> broken;
    Walker walker(map_);
    walker.on_leaf_end = [&](uint32_t pgno) {
      if (!rebuild_.InsertChecked(*t.shape, leaf)) {
        SetAside(pgno, leaf.size() + broken.size(), leaf.empty() ? 0 : leaf.front().first,
                 leaf.empty() ? 0 : leaf.back().first,
                 "a row on it does not fit the table " + t.entry.name + " that its other rows fit");
      } else {
        for (const auto& r : leaf) t.found_in_lost.insert(r.first);
        for (int64_t rowid : broken)
          t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ": a part of it was on a lost page");
      }
      leaf.clear();
      broken.clear();
    };
    const int depth = walker.Table(
        o.root, kAllRowids, [&](int64_t rowid, std::vector<Value>& v) { leaf.emplace_back(rowid, std::move(v)); },
        [&](int64_t rowid, const std::string&) { broken.push_back(rowid); },
        [&](uint32_t pgno, const Range& range, int d) {
          if (t.root_unknown) t.lost.push_back({pgno, range, d});
        });
    if (t.root_unknown) {
      t.pages_found = true;
      t.leaf_depth = std::max(t.leaf_depth, depth);
    }
  }

  // Whether a lost page (beyond the first) is one that no readable page points to.
  bool UnclaimedLostPage() const {
    for (uint32_t pgno = 2; pgno <= map_.count(); ++pgno)
      if (map_.Lost(pgno) && !map_.IsLockPage(pgno) && !map_.Has(pgno, PageMap::kReferenced | PageMap::kFree))
        return true;
    return false;
  }

  void TakeCounters(const Orphan& o) {
    tables_[kSequenceTable].pages_found = true;
    Walker(map_).Table(
        o.root, kAllRowids, [&](int64_t, std::vector<Value>& v) { sequences_.emplace_back(v[0].bytes, v[1].integer); },
        [](int64_t, const std::string&) {}, [](uint32_t, const Range&, int) {});
  }

  void ReadTree(TableState& t, uint32_t root) {
    const bool sequence = t.entry.name == kSequenceTable;
    Walker walker(map_);
    const int depth = walker.Table(
        root, kAllRowids,
        [&](int64_t rowid, std::vector<Value>& v) {
          if (!sequence)
            Insert(t, rowid, v);
          else if (CounterRow(v))
            sequences_.emplace_back(v[0].bytes, v[1].integer);
        },
        [&](int64_t rowid, const std::string& why) {
          t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ": " + why);
          if (walker.broken_page())
            owners_[walker.broken_page()] = "an overflow page of table " + t.entry.name + ": the row with rowid " +
                                            std::to_string(rowid) + " is lost";
        },
        [&](uint32_t pgno, const Range& range, int d) {
          t.lost.push_back({pgno, range, d});
        });
    t.leaf_depth = std::max(t.leaf_depth, depth);
  }

  void Insert(TableState& t, int64_t rowid, const std::vector<Value>& values) {
    if (!rebuild_.Insert(*t.shape, rowid, values))
      t.NoteLost(rowid, "rowid " + std::to_string(rowid) + ": the rebuilt table refused it (" + Join(values, 4) + ")");
  }

  void SetAside(const Orphan& o, const std::string& why) { SetAside(o.root, o.rows, o.first, o.last, why); }
  void SetAside(uint32_t pgno, size_t rows, int64_t first, int64_t last, const std::string& why) {
    outcome_.set_aside_rows += static_cast<long long>(rows);
    outcome_.notes.push_back("Page " + std::to_string(pgno) + ": " + std::to_string(rows) + " rows (rowids " +
                             std::to_string(first) + " to " + std::to_string(last) + ") set aside: " + why + ".");
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
    freelist_known = map.MarkFreelist(HeaderWord(h, 32), HeaderWord(h, 36));
    if (!freelist_known) outcome.notes.push_back("A page of the list of free pages is lost.");
  } else {
    outcome.notes.push_back(
        "The first page is lost: the header values kept by the engine (the schema version) were "
        "reset, and pages freed by deletions cannot be told from pages of rows.");
  }
  outcome.page_count = map.count();
  const SchemaList list = FindSchema(map, first_page, password, stand_ins, file_name);
  const std::vector<SchemaEntry>& schema = list.entries;
  outcome.schema_source = list.source;
  if (!list.gap.empty()) {
    if (list.gap_filled_from_backup)
      outcome.notes.push_back("Part of the list of tables was lost: " + list.gap + ".");
    else
      outcome.lost_objects.push_back(list.gap);
  }

  std::error_code ec;
  fs::remove(destination, ec);
  try {
    Rebuild rebuild(destination, password, pages->salt(), schema, file_ops);
    Run run(map, rebuild, schema, outcome);
    run.ReadTrees(part(0.4, 0.8));
    run.ReadOrphans(freelist_known);
    run.ReadIndexes();
    run.Finish();
    if (progress) progress(0.9);
    for (const std::string& lost : rebuild.Finish(user_version, application_id)) outcome.lost_objects.push_back(lost);

    for (uint32_t pgno = 1; pgno <= map.count(); ++pgno) {
      if (!map.Lost(pgno) || map.IsLockPage(pgno)) continue;
      outcome.lost_pages.push_back(pgno);
      const auto owner = run.owners().find(pgno);
      const bool of_list = std::count(list.lost_pages.begin(), list.lost_pages.end(), pgno) > 0;
      outcome.lost_owners.push_back(
          pgno == 1 ? "the file's header and the start of the list of tables: the list was read from " + list.source
          : of_list ? "a page of the list of tables: what it listed was read from " + list.source
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
