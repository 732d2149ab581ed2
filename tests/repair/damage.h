// Damage for the salvage tests: finds pages of a real database by what they hold, damages them
// on disk, and reads every row of a database for comparison.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace ornetta::testing {

struct TreePage {
  uint32_t pgno;
  uint8_t type;  // the b-tree page type
  int depth;     // 0 at the root
};

// The pages of the file's b-tree at `root`, root first, and the overflow pages its cells start.
struct Tree {
  std::vector<TreePage> pages;
  std::vector<uint32_t> overflow_heads;
  std::vector<uint32_t> Leaves() const;
  std::vector<uint32_t> Interior() const;
};

class DatabasePages {
 public:
  explicit DatabasePages(const std::filesystem::path& file);
  int page_size() const { return page_size_; }
  uint32_t page_count() const { return page_count_; }
  uint32_t Root(const std::string& name) const { return roots_.at(name); }
  Tree TreeAt(uint32_t root) const;
  // The pages on the freelist.
  std::vector<uint32_t> FreePages() const;
  // The pages of the overflow chain that starts at `head`.
  std::vector<uint32_t> Chain(uint32_t head) const;

 private:
  std::filesystem::path file_;
  int page_size_ = 0;
  uint32_t page_count_ = 0;
  std::map<std::string, uint32_t> roots_;
};

void FlipByte(const std::filesystem::path& file, uint64_t offset);
void ZeroBytes(const std::filesystem::path& file, uint64_t offset, uint64_t count);
void TruncateFile(const std::filesystem::path& file, uint64_t size);

// Every row of every table of `file` as "table|rowid|value|value...", each value with its kind.
std::set<std::string> AllRows(const std::filesystem::path& file);
// Of them, the rows of `table`.
std::set<std::string> RowsOf(const std::set<std::string>& rows, const std::string& table);

}  // namespace ornetta::testing
