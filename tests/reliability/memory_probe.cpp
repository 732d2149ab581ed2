// memory_probe MODE PROGRAM_FOLDER: a process that does what the program does with the database
// password and reports what its own memory holds afterwards. Run by memory_test.cpp.
//
// MODE scan:     start-up (keys prepared, databases located and opened), then a database repair
//                through the Repair command; after each, "<when> <hits> <bytes scanned>" for a scan
//                of every readable page of this process for the password; then "private 0|1".
// MODE control:  the same scan while the password is held on purpose: proves the scan finds it.
// MODE crash:    start-up, then a forced crash (abort).
// MODE crash-before: a forced crash before anything builds the password (the core-dump control).
//
// The scan never writes the password into memory itself: it compares each byte with the stored,
// shifted form of the password (platform byte XOR 0x80), which is not the password.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/values/ansi.h"
#include "data/clsProd.h"
#include "data/crypto/password.h"
#include "platform/process_guard.h"
#include "platform/secret_memory.h"
#include "repair/dispatch.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace {

using namespace ornetta;

class QuietHost : public platform::Host {
 public:
  explicit QuietHost(std::filesystem::path folder) : folder_(std::move(folder)) {}
  void MessageBox(const std::string& text, int, const std::string&) override {
    std::fprintf(stderr, "message: %s\n", text.c_str());
  }
  [[noreturn]] void EndProgram() override { std::_Exit(3); }
  std::filesystem::path ProgramFolder() const override { return folder_; }
  void ProcessPendingMessages() override {}
  void SetDefaultPointer() override {}
  CivilDateTime Now() const override { return {2026, 12, 9, 12, 0, 0}; }

 private:
  std::filesystem::path folder_;
};

struct RepairOption : repair::RepairView {
  std::string current;
  bool Selected(repair::Option o) const override { return o == repair::Option::optDBRepair; }
  std::string txtSQLText() const override { return ""; }
  std::string txtCurrDBText() const override { return current; }
};

struct Scan {
  long hits = 0;
  unsigned long long bytes = 0;
};

// Every readable mapping of this process, read through /proc/self/mem.
Scan ScanOwnMemory(const std::vector<unsigned char>& shifted) {
  Scan scan;
  const size_t n = shifted.size();
  constexpr size_t kChunk = size_t{4} << 20;
  auto* buf =
      static_cast<unsigned char*>(mmap(nullptr, kChunk, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  const int mem = open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  std::ifstream maps("/proc/self/maps");
  std::string line;
  std::vector<std::string> lines;
  while (std::getline(maps, line))
    lines.push_back(line);  // read whole before scanning: scanning allocates nothing more
  const unsigned char first = static_cast<unsigned char>(shifted[0] ^ 0x80);
  for (const std::string& l : lines) {
    unsigned long long start = 0, end = 0;
    char perms[5] = {};
    if (std::sscanf(l.c_str(), "%llx-%llx %4s", &start, &end, perms) != 3 || perms[0] != 'r') continue;
    if (l.find("[vvar]") != std::string::npos || l.find("[vsyscall]") != std::string::npos) continue;
    // Terabytes of address space reserved by a sanitizer for its shadow, never this program's data.
    if (end - start > (1ull << 32)) continue;
    for (unsigned long long at = start; at < end;) {
      const size_t want = static_cast<size_t>(std::min<unsigned long long>(kChunk, end - at));
      const ssize_t got = pread(mem, buf, want, static_cast<off_t>(at));
      if (got <= 0) break;
      scan.bytes += static_cast<unsigned long long>(got);
      for (const unsigned char* p = buf;
           (p = static_cast<const unsigned char*>(std::memchr(p, first, static_cast<size_t>(buf + got - p)))); ++p) {
        if (static_cast<size_t>(buf + got - p) < n) break;
        size_t i = 1;
        while (i < n && (p[i] ^ 0x80) == shifted[i]) ++i;
        if (i == n) {
          ++scan.hits;
          const unsigned long long where = at + static_cast<unsigned long long>(p - buf);
          std::fprintf(stderr, "password at %#llx in %s\n", where, l.c_str());
#if defined(__SANITIZE_ADDRESS__)
          // Which heap block held it, and where it was allocated and freed.
          __asan_describe_address(reinterpret_cast<void*>(where));
#endif
        }
      }
      platform::WipeBytes(buf, static_cast<size_t>(got));
      // Overlap by the password's length less one, so that one lying across two chunks is found.
      at += static_cast<unsigned long long>(got) > n ? static_cast<unsigned long long>(got) - (n - 1)
                                                     : static_cast<unsigned long long>(got);
      if (static_cast<size_t>(got) < want) break;
    }
  }
  close(mem);
  munmap(buf, kChunk);
  return scan;
}

void Report(const char* when, const Scan& scan) { std::printf("%s %ld %llu\n", when, scan.hits, scan.bytes); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string mode = argv[1];
  const std::filesystem::path folder = argv[2];
  if (mode == "crash-before") std::abort();

  const std::vector<unsigned char> shifted = ansi::FromUtf8(crypto::StoredPasswordConstant());
  QuietHost host(folder);
  if (mode == "control") {
    std::string held = crypto::ShiftCodes(crypto::StoredPasswordConstant());
    Report("held", ScanOwnMemory(shifted));
    platform::WipeString(held);
    return 0;
  }

  // Start-up as the program does it: keys first, then the window's load.
  const auto keys = clsProd::PrepareKeys(folder);
  clsProd prod(host);
  prod.Get_Connection();
  if (!prod.dbconnection || prod.dbconnection->State() != 1) return 4;
  if (mode == "crash") std::abort();
  Report("start-up", ScanOwnMemory(shifted));

  RepairOption view;
  view.current = prod.file_nme;
  repair::RepairCommand command(prod, host, view);
  command.cmdOK_Click();
  if (!command.last_failure_reason().empty()) {
    std::fprintf(stderr, "repair failed: %s\n", command.last_failure_reason().c_str());
    return 5;
  }
  Report("repair", ScanOwnMemory(shifted));
  std::printf("private %d\n", platform::MemoryIsPrivate() ? 1 : 0);
  return 0;
}
