#include "tests/repair/damage.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>

#include "data/engine/engine.h"
#include "repair/salvage/btree.h"
#include "repair/salvage/cipher_pages.h"
#include "tools/demo/demo_installation.h"

namespace ornetta::testing {

namespace fs = std::filesystem;
using namespace repair::salvage;

std::vector<uint32_t> Tree::Leaves() const {
  std::vector<uint32_t> out;
  for (const TreePage& p : pages)
    if (IsLeafType(p.type)) out.push_back(p.pgno);
  return out;
}

std::vector<uint32_t> Tree::Interior() const {
  std::vector<uint32_t> out;
  for (const TreePage& p : pages)
    if (!IsLeafType(p.type)) out.push_back(p.pgno);
  return out;
}

namespace {
struct Reader {
  explicit Reader(const fs::path& file) : raw(PlainFile(file)) {
    crypto::Salt salt{};
    raw->Read(0, salt.data(), salt.size());
    pages = CipherPages::Open(*raw, demo::DeploymentPassword(), salt);
    if (!pages) throw std::runtime_error("no key reads " + file.string());
  }
  std::vector<unsigned char> Page(uint32_t pgno) const {
    std::vector<unsigned char> page;
    if (!pages->Read(pgno, page)) throw std::runtime_error("page " + std::to_string(pgno) + " does not read");
    return page;
  }
  std::unique_ptr<PageFile> raw;
  std::unique_ptr<CipherPages> pages;
};
}  // namespace

DatabasePages::DatabasePages(const fs::path& file) : file_(file) {
  Reader reader(file);
  page_size_ = reader.pages->page_size();
  page_count_ = reader.pages->page_count();
  engine::Handle db = engine::Open(file, demo::DeploymentPassword());
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT name, rootpage FROM sqlite_master WHERE rootpage > 0", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW)
    roots_[reinterpret_cast<const char*>(sqlite3_column_text(st, 0))] =
        static_cast<uint32_t>(sqlite3_column_int(st, 1));
  sqlite3_finalize(st);
}

Tree DatabasePages::TreeAt(uint32_t root) const {
  Reader reader(file_);
  Tree tree;
  std::vector<std::pair<uint32_t, int>> queue{{root, 0}};
  for (size_t i = 0; i < queue.size(); ++i) {
    const auto [pgno, depth] = queue[i];
    const std::vector<unsigned char> page = reader.Page(pgno);
    const std::optional<BtreePage> bt = BtreePage::Parse(page.data(), reader.pages->usable_size(), pgno);
    if (!bt) throw std::runtime_error("page " + std::to_string(pgno) + " is no b-tree page");
    tree.pages.push_back({pgno, bt->type(), depth});
    for (uint16_t c = 0; c < bt->cell_count(); ++c) {
      const std::optional<Cell> cell = bt->CellAt(c);
      if (!IsLeafType(bt->type())) queue.push_back({cell->left_child, depth + 1});
      if (cell->overflow) tree.overflow_heads.push_back(cell->overflow);
    }
    if (!IsLeafType(bt->type())) queue.push_back({bt->right_child(), depth + 1});
  }
  return tree;
}

std::vector<uint32_t> DatabasePages::FreePages() const {
  Reader reader(file_);
  std::vector<uint32_t> out;
  for (uint32_t trunk = ReadBig32(reader.Page(1).data() + 32); trunk;) {
    const std::vector<unsigned char> page = reader.Page(trunk);
    out.push_back(trunk);
    for (uint32_t i = 0; i < ReadBig32(page.data() + 4); ++i) out.push_back(ReadBig32(page.data() + 8 + 4 * i));
    trunk = ReadBig32(page.data());
  }
  return out;
}

std::vector<uint32_t> DatabasePages::Chain(uint32_t head) const {
  Reader reader(file_);
  std::vector<uint32_t> out;
  for (uint32_t pgno = head; pgno; pgno = ReadBig32(reader.Page(pgno).data())) out.push_back(pgno);
  return out;
}

void FlipByte(const fs::path& file, uint64_t offset) {
  const int fd = open(file.c_str(), O_RDWR);
  unsigned char b = 0;
  if (fd < 0 || pread(fd, &b, 1, static_cast<off_t>(offset)) != 1)
    throw std::runtime_error("cannot read " + file.string());
  b ^= 0x5a;
  if (pwrite(fd, &b, 1, static_cast<off_t>(offset)) != 1) throw std::runtime_error("cannot write " + file.string());
  close(fd);
}

void ZeroBytes(const fs::path& file, uint64_t offset, uint64_t count) {
  const int fd = open(file.c_str(), O_RDWR);
  const std::vector<char> zeros(count, 0);
  if (fd < 0 || pwrite(fd, zeros.data(), count, static_cast<off_t>(offset)) != static_cast<ssize_t>(count))
    throw std::runtime_error("cannot write " + file.string());
  close(fd);
}

void TruncateFile(const fs::path& file, uint64_t size) { fs::resize_file(file, size); }

std::set<std::string> AllRows(const fs::path& file) {
  engine::Handle db = engine::Open(file, demo::DeploymentPassword());
  std::vector<std::string> tables;
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db.get(), "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) tables.push_back(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
  sqlite3_finalize(st);
  std::set<std::string> rows;
  for (const std::string& table : tables) {
    const std::string sql = "SELECT rowid, * FROM \"" + table + "\"";
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot read " + table);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      std::string row = table;
      for (int i = 0; i < sqlite3_column_count(st); ++i) {
        const unsigned char* text = sqlite3_column_text(st, i);
        row +=
            "|" + std::to_string(sqlite3_column_type(st, i)) + ":" + (text ? reinterpret_cast<const char*>(text) : "");
      }
      rows.insert(row);
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) throw std::runtime_error("reading " + table + " failed: " + sqlite3_errstr(rc));
  }
  return rows;
}

std::set<std::string> RowsOf(const std::set<std::string>& rows, const std::string& table) {
  std::set<std::string> out;
  for (const std::string& row : rows)
    if (row.rfind(table + "|", 0) == 0) out.insert(row);
  return out;
}

}  // namespace ornetta::testing
