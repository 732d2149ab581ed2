#include "repair/salvage/walker.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace ornetta::repair::salvage {

namespace {
constexpr uint64_t kLockByteOffset = uint64_t{1} << 30;
constexpr uint32_t kMaxExtraPages = 1u << 24;  // a header that claims more is itself not believed

void Wipe(std::vector<unsigned char>& bytes) { OPENSSL_cleanse(bytes.data(), bytes.size()); }
}  // namespace

PageMap::PageMap(const CipherPages& pages)
    : pages_(pages), state_(size_t{pages.page_count()} + 1, 0), type_(state_.size(), 0) {}

void PageMap::Set(uint32_t pgno, uint8_t flags) {
  if (pgno >= 1 && pgno <= count()) state_[pgno] |= flags;
}

bool PageMap::IsLockPage(uint32_t pgno) const {
  const uint64_t size = static_cast<uint64_t>(pages_.page_size());
  return pgno >= 1 && (pgno - 1) * size <= kLockByteOffset && kLockByteOffset < pgno * size;
}

void PageMap::Scan(const std::function<void(double)>& progress) {
  std::vector<unsigned char> page;
  for (uint32_t pgno = 1; pgno <= count(); ++pgno) {
    if (IsLockPage(pgno)) continue;
    if (!pages_.Read(pgno, page)) {
      state_[pgno] |= kLost;
      continue;
    }
    if (const std::optional<BtreePage> tree = BtreePage::Parse(page.data(), pages_.usable_size(), pgno)) {
      type_[pgno] = tree->type();
      if (!IsLeafType(tree->type())) {
        for (uint16_t i = 0; i < tree->cell_count(); ++i)
          if (const std::optional<Cell> cell = tree->CellAt(i)) Set(cell->left_child, kReferenced);
        Set(tree->right_child(), kReferenced);
      }
    }
    if (pgno == 1) header_.assign(page.begin(), page.begin() + 100);
    if (progress && pgno % 512 == 0) progress(static_cast<double>(pgno) / count());
  }
  Wipe(page);
}

void PageMap::ExtendTo(uint32_t header_count) {
  if (header_count <= count() || header_count - count() > kMaxExtraPages) return;
  state_.resize(size_t{header_count} + 1, kLost);
  type_.resize(state_.size(), 0);
}

bool PageMap::MarkFreelist(uint32_t trunk, uint32_t header_count) {
  std::vector<unsigned char> page;
  uint64_t marked = 0;
  bool known = true;
  for (uint32_t steps = 0; trunk != 0; ++steps) {
    if (steps > count() || Has(trunk, kFree)) {
      known = false;
      break;
    }
    if (Lost(trunk) || !pages_.Read(trunk, page)) {
      // Counted in the header as a free page itself; it named others only if the count has room.
      Set(trunk, kFree);
      known = marked + 1 == header_count;
      break;
    }
    Set(trunk, kFree);
    ++marked;
    const uint32_t leaves = ReadBig32(page.data() + 4);
    if (leaves > static_cast<uint32_t>(pages_.usable_size() / 4 - 2)) {
      known = false;
      break;
    }
    for (uint32_t i = 0; i < leaves; ++i) Set(ReadBig32(page.data() + 8 + 4 * i), kFree);
    marked += leaves;
    trunk = ReadBig32(page.data());
  }
  Wipe(page);
  return known;
}

Walker::Walker(PageMap& map, bool probe) : map_(map), probe_(probe) {}

Walker::~Walker() {
  Wipe(page_);
  Wipe(overflow_);
  OPENSSL_cleanse(payload_.data(), payload_.size());
}

bool Walker::ReadTreePage(uint32_t pgno, std::vector<unsigned char>& page) {
  if (map_.Lost(pgno) || map_.Has(pgno, PageMap::kOwned | PageMap::kFree)) return false;
  return map_.pages().Read(pgno, page);
}

int Walker::Table(uint32_t root, Range range, const RowSink& row, const LostRow& lost_row, const LostPage& lost_page) {
  struct Step {
    uint32_t pgno;
    Range range;
    int depth;
  };
  std::vector<Step> stack{{root, range, 0}};
  std::vector<Step> children;
  std::vector<bool> seen(probe_ ? map_.count() + 1 : 0);  // when probing, against loops
  std::vector<Value> values;
  int leaf_depth = -1;
  while (!stack.empty()) {
    const Step step = stack.back();
    stack.pop_back();
    std::optional<BtreePage> tree;
    const bool looped = probe_ && step.pgno < seen.size() && seen[step.pgno];
    if (!looped && ReadTreePage(step.pgno, page_))
      tree = BtreePage::Parse(page_.data(), map_.pages().usable_size(), step.pgno);
    if (!tree || !IsTableType(tree->type())) {
      lost_page(step.pgno, step.range, step.depth);
      continue;
    }
    if (probe_)
      seen[step.pgno] = true;
    else
      map_.Set(step.pgno, PageMap::kOwned);
    if (tree->type() == kTableInterior) {
      children.clear();
      int64_t lo = step.range.lo;
      for (uint16_t i = 0; i < tree->cell_count(); ++i) {
        const std::optional<Cell> cell = tree->CellAt(i);
        if (!cell) continue;  // its child is reached by no cell: it is found among the orphans
        children.push_back({cell->left_child, {lo, std::min(cell->rowid, step.range.hi)}, step.depth + 1});
        lo = std::max(lo, cell->rowid);
      }
      children.push_back({tree->right_child(), {lo, step.range.hi}, step.depth + 1});
      stack.insert(stack.end(), children.rbegin(), children.rend());
      continue;
    }
    leaf_depth = step.depth;
    for (uint16_t i = 0; i < tree->cell_count(); ++i) {
      const std::optional<Cell> cell = tree->CellAt(i);
      if (!cell) continue;
      if (!Payload(*cell, &payload_))
        lost_row(cell->rowid, "a part of it was on a lost page");
      else if (!DecodeRecord(payload_, &values))
        lost_row(cell->rowid, "its record cannot be read");
      else
        row(cell->rowid, values);
    }
    if (on_leaf_end) on_leaf_end(step.pgno);
  }
  return leaf_depth;
}

bool Walker::Index(uint32_t root, const std::function<void(std::vector<Value>&)>& entry,
                   const std::function<void(uint32_t pgno)>& lost_page) {
  std::vector<uint32_t> stack{root};
  std::vector<Value> values;
  bool whole = true;
  while (!stack.empty()) {
    const uint32_t pgno = stack.back();
    stack.pop_back();
    std::optional<BtreePage> tree;
    if (ReadTreePage(pgno, page_)) tree = BtreePage::Parse(page_.data(), map_.pages().usable_size(), pgno);
    if (!tree || IsTableType(tree->type())) {
      if (lost_page) lost_page(pgno);
      whole = false;
      continue;
    }
    if (!probe_) map_.Set(pgno, PageMap::kOwned);
    const bool interior = tree->type() == kIndexInterior;
    if (interior) stack.push_back(tree->right_child());
    for (uint16_t i = 0; i < tree->cell_count(); ++i) {
      const std::optional<Cell> cell = tree->CellAt(i);
      if (!cell) {
        whole = false;
        continue;
      }
      if (interior) stack.push_back(cell->left_child);
      if (Payload(*cell, &payload_) && DecodeRecord(payload_, &values) && !values.empty())
        entry(values);
      else
        whole = false;
    }
  }
  return whole;
}

bool Walker::Payload(const Cell& cell, std::string* payload) {
  payload->assign(reinterpret_cast<const char*>(cell.local), cell.local_size);
  broken_page_ = 0;
  uint64_t remaining = cell.payload_size - cell.local_size;
  uint32_t next = cell.overflow;
  const size_t chunk = map_.pages().usable_size() - 4;
  std::vector<uint32_t> chain;
  while (remaining > 0) {
    if (next == 0 || chain.size() > map_.count() || std::find(chain.begin(), chain.end(), next) != chain.end())
      return false;
    if (!ReadTreePage(next, overflow_)) {
      if (map_.Lost(next)) broken_page_ = next;
      return false;
    }
    chain.push_back(next);
    const size_t take = static_cast<size_t>(std::min<uint64_t>(remaining, chunk));
    payload->append(reinterpret_cast<const char*>(overflow_.data() + 4), take);
    remaining -= take;
    next = ReadBig32(overflow_.data());
  }
  if (!probe_)
    for (uint32_t pgno : chain) map_.Set(pgno, PageMap::kOwned);
  return true;
}

}  // namespace ornetta::repair::salvage
