#include "repair/salvage/schema_list.h"

#include <algorithm>
#include <memory>
#include <optional>

#include "data/values/error.h"

namespace ornetta::repair::salvage {

namespace fs = std::filesystem;

namespace {
constexpr uint8_t kNotARoot = 0xFF;  // a page some interior page points to: never a tree's root

bool Listed(const std::vector<SchemaEntry>& entries, const std::string& name) {
  return std::any_of(entries.begin(), entries.end(), [&](const SchemaEntry& e) { return e.name == name; });
}

// The entries of the list's tree at page 1. Its rows are taken as they stand (the tree proves
// them); `lost` gets the rowids its lost pages and broken rows covered.
std::vector<SchemaEntry> ReadListTree(PageMap& map, std::vector<Range>* lost, std::vector<uint32_t>* lost_pages) {
  std::vector<SchemaEntry> entries;
  const auto any_type = [](uint32_t) -> uint8_t { return 0; };
  Walker(map).Table(
      1, kAllRowids,
      [&](int64_t rowid, std::vector<Value>& v) {
        // A row the rebuild could not take (a virtual table) leaves a gap the user is told of.
        if (std::optional<SchemaEntry> e = SchemaRowOf(v, UINT32_MAX, any_type))
          entries.push_back(std::move(*e));
        else
          lost->push_back({rowid - 1, rowid});
      },
      [&](int64_t rowid, const std::string&) {
        lost->push_back({rowid - 1, rowid});
      },
      [&](uint32_t pgno, const Range& range, int) {
        lost->push_back(range);
        lost_pages->push_back(pgno);
      });
  return entries;
}

// Leaves of the list that no readable page of it reaches, told by their rows: every row an entry
// of the list whose root is a page of its kind that nothing points to, and (when page 1 was read)
// a rowid its lost pages covered. Returns how many were found.
int FindOrphanLeaves(PageMap& map, bool first_page, const std::vector<Range>& lost, std::vector<SchemaEntry>& entries) {
  const auto page_type = [&map](uint32_t pgno) -> uint8_t {
    if (map.Lost(pgno)) return 0;
    return map.Has(pgno, PageMap::kReferenced | PageMap::kFree | PageMap::kOwned) ? kNotARoot : map.Type(pgno);
  };
  int found = 0;
  for (uint32_t pgno = 2; pgno <= map.count(); ++pgno) {
    if (map.Type(pgno) != kTableLeaf ||
        map.Has(pgno, PageMap::kOwned | PageMap::kFree | PageMap::kLost | PageMap::kReferenced))
      continue;
    std::vector<SchemaEntry> rows;
    bool fits = true;
    Walker(map, true).Table(
        pgno, kAllRowids,
        [&](int64_t rowid, std::vector<Value>& v) {
          std::optional<SchemaEntry> e = fits ? SchemaRowOf(v, map.count(), page_type) : std::nullopt;
          const bool in_lost =
              !first_page || std::any_of(lost.begin(), lost.end(), [&](const Range& r) { return r.Holds(rowid); });
          if (!e || !in_lost)
            fits = false;
          else
            rows.push_back(std::move(*e));
        },
        [&](int64_t, const std::string&) { fits = false; }, [&](uint32_t, const Range&, int) { fits = false; });
    if (!fits || rows.empty()) continue;
    Walker(map).Table(
        pgno, kAllRowids, [](int64_t, std::vector<Value>&) {}, [](int64_t, const std::string&) {},
        [](uint32_t, const Range&, int) {});  // owned, with its overflow pages
    for (SchemaEntry& e : rows)
      if (!Listed(entries, e.name)) entries.push_back(std::move(e));
    ++found;
  }
  return found;
}

// The list of a file that stands in (a backup, another year's database), when it reads whole.
std::optional<std::vector<SchemaEntry>> StandInList(const fs::path& file, const std::string& password) {
  const std::unique_ptr<PageFile> raw = PlainFile(file);
  const std::optional<crypto::Salt> salt = raw ? SaltOf(*raw) : std::nullopt;
  const std::unique_ptr<CipherPages> pages = salt ? CipherPages::Open(*raw, password, *salt) : nullptr;
  if (!pages) return std::nullopt;
  PageMap map(*pages);
  std::vector<Range> lost;
  std::vector<uint32_t> lost_pages;
  std::vector<SchemaEntry> entries = ReadListTree(map, &lost, &lost_pages);
  if (!lost.empty() || entries.empty()) return std::nullopt;
  return entries;
}
}  // namespace

SchemaList FindSchema(PageMap& map, bool first_page, const std::string& password, const StandIns& stand_ins,
                      const std::string& file_name) {
  SchemaList list;
  std::vector<Range> lost;
  if (first_page) list.entries = ReadListTree(map, &lost, &list.lost_pages);
  if (!first_page) list.lost_pages.push_back(1);
  list.source = "the file itself";
  if (first_page && lost.empty()) return list;
  list.source = "the file's own readable pages";

  const int orphans = FindOrphanLeaves(map, first_page, lost, list.entries);
  const bool own = !list.entries.empty();
  if (orphans > 0)
    list.source +=
        " (" + std::to_string(orphans) + (orphans == 1 ? " page" : " pages") + " of it found by what they hold)";
  std::vector<std::pair<fs::path, bool>> candidates;
  for (const fs::path& b : stand_ins.backups) candidates.emplace_back(b, true);
  for (const fs::path& s : stand_ins.siblings) candidates.emplace_back(s, false);
  for (const auto& [candidate, is_backup] : candidates) {
    std::optional<std::vector<SchemaEntry>> other = StandInList(candidate, password);
    if (!other) continue;
    // Their pages here are not known: they are found by what they hold.
    for (SchemaEntry& e : *other) {
      e.root = 0;
      if (!Listed(list.entries, e.name)) list.entries.push_back(std::move(e));
    }
    list.source = own ? list.source + ", completed from " + candidate.string() : candidate.string();
    list.gap_filled_from_backup = is_backup;
    break;
  }
  if (list.entries.empty())
    throw Error(err::kEngine, "The list of tables of '" + file_name +
                                  "' is on a damaged page, and no backup or other database of its folder holds it.");
  list.gap = list.gap_filled_from_backup
                 ? "what the lost pages of the list of tables named was taken from the backup; a table or view "
                   "made after that backup would be missing"
                 : "the tables and views (saved queries) that only the lost pages of the list of tables named: "
                   "their names were lost with those pages";
  return list;
}

}  // namespace ornetta::repair::salvage
