// One damaged file's pages: which are lost, free or already read into a table, and the walks of
// its b-trees that read rows and index entries from the pages that remain.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "repair/salvage/btree.h"
#include "repair/salvage/cipher_pages.h"

namespace ornetta::repair::salvage {

// Rowids in (lo, hi].
struct Range {
  int64_t lo, hi;
  bool Holds(int64_t rowid) const { return rowid > lo && rowid <= hi; }
};
constexpr Range kAllRowids{INT64_MIN, INT64_MAX};

class PageMap {
 public:
  enum Flag : uint8_t { kLost = 1, kFree = 2, kOwned = 4, kReferenced = 8 };

  explicit PageMap(const CipherPages& pages);

  uint32_t count() const { return static_cast<uint32_t>(state_.size() - 1); }
  bool Lost(uint32_t pgno) const { return pgno == 0 || pgno > count() || (state_[pgno] & kLost); }
  bool Has(uint32_t pgno, uint8_t flags) const { return pgno >= 1 && pgno <= count() && (state_[pgno] & flags); }
  void Set(uint32_t pgno, uint8_t flags);
  // The b-tree type of a page that was read (0 for other pages and lost ones).
  uint8_t Type(uint32_t pgno) const { return pgno <= count() ? type_[pgno] : 0; }
  // The page that holds the engine's lock bytes at 1 GiB is never written; it is not lost.
  bool IsLockPage(uint32_t pgno) const;

  // Reads every page once: lost or not, its b-tree type, and the pages interior pages point to.
  // `progress` gets the share of pages read.
  void Scan(const std::function<void(double)>& progress);
  // Counts pages beyond the file's end that its header says it has (a truncated file) as lost.
  void ExtendTo(uint32_t header_count);
  // Marks the freelist (from its first trunk page) free. False when a page of it that may have
  // named free pages is lost: a lost trunk is harmless only when the header's count of free pages
  // (`header_count`) leaves no page for it to have named.
  bool MarkFreelist(uint32_t first_trunk, uint32_t header_count);

  // The first 100 bytes of page 1, when it was read.
  const std::vector<unsigned char>& header() const { return header_; }
  const CipherPages& pages() const { return pages_; }

 private:
  const CipherPages& pages_;
  std::vector<uint8_t> state_;
  std::vector<uint8_t> type_;
  std::vector<unsigned char> header_;
};

// Reads b-trees of a PageMap. Pages it reads are marked owned (unless probing), so no page feeds
// two trees and a loop in a damaged tree ends.
class Walker {
 public:
  using RowSink = std::function<void(int64_t rowid, std::vector<Value>& values)>;
  // A row that is known (its rowid) but cannot be read whole.
  using LostRow = std::function<void(int64_t rowid, const std::string& why)>;
  // A page of the tree that is lost (or is no page of a table tree), the rowids it covered, and
  // its depth below the root.
  using LostPage = std::function<void(uint32_t pgno, const Range& range, int depth)>;

  // `probe`: read without marking pages owned (to learn what a tree holds before taking it).
  Walker(PageMap& map, bool probe = false);
  ~Walker();

  // The rows of the table tree at `root`, in rowid order. Returns the depth of its leaves (-1
  // when no leaf was read).
  int Table(uint32_t root, Range range, const RowSink& row, const LostRow& lost_row, const LostPage& lost_page);

  // The entries of the index tree at `root` (each a record whose last value is the rowid);
  // false when a page of it was lost (then not every entry was seen).
  bool Index(uint32_t root, const std::function<void(std::vector<Value>&)>& entry,
             const std::function<void(uint32_t pgno)>& lost_page = {});

  // A cell's whole payload: its part in the page and the rest from its overflow chain. False when
  // a page of the chain is lost or the chain does not hold together (never a shortened value).
  bool Payload(const Cell& cell, std::string* payload);
  // The page of the last overflow chain that Payload could not read (0 when none was lost).
  uint32_t broken_page() const { return broken_page_; }

  // Called after the cells of each leaf that Table reads: the caller can take a leaf's rows as
  // one (all or none).
  std::function<void(uint32_t pgno)> on_leaf_end;

 private:
  bool ReadTreePage(uint32_t pgno, std::vector<unsigned char>& page);

  PageMap& map_;
  bool probe_;
  std::vector<unsigned char> page_, overflow_;
  std::string payload_;
  uint32_t broken_page_ = 0;
};

}  // namespace ornetta::repair::salvage
