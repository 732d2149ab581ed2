// Import of a generated Jet database (its Table1 grown to ROWS rows of text, whole numbers, a
// double, a date, currency and Yes/No), side by side with mdbtools' own mdb-export of the same
// table to CSV: the reading every import needs, without the typing, the encrypted writing and the
// checks.
//
//   import_bench [ROWS ...]     (default: 100000 500000; a map page of the copy holds about 1,000,000)
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "bench/jet_fixture.h"
#include "tools/demo/demo_installation.h"
#include "tools/import/importer.h"

namespace fs = std::filesystem;
using namespace ornetta;

namespace {

std::vector<bench::JetValue> Row(uint64_t r) {
  const int64_t i = static_cast<int64_t>(r);
  return {"INV-" + std::to_string(i),
          "Customer " + std::to_string(i % 5000) + ": Printer paper A4",
          i % 256,
          i % 30000 - 15000,
          i * 7,
          static_cast<double>(i) * 1.25,
          45000.0 + static_cast<double>(i % 86400) / 86400.0,
          i * 12345,
          i % 2};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<uint64_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::strtoull(argv[i], nullptr, 10));
  if (sizes.empty()) sizes = {100000, 500000};
  const fs::path samples = ORNETTA_JET_SAMPLES;
  if (!fs::exists(samples / "testV2003.mdb")) {
    std::fprintf(stderr, "import_bench: the sample Access files are not in %s\n", samples.c_str());
    return 1;
  }
  const fs::path folder = fs::temp_directory_path() / ("ornetta-import-bench-" + std::to_string(getpid()));
  fs::create_directories(folder);
  std::printf(
      "Import of a generated Jet 4 file (testV2003.mdb's Table1 grown), against mdb-export of the same table to CSV\n");
  std::fflush(stdout);
  for (uint64_t rows : sizes) {
    const fs::path source = folder / "source.mdb";
    bench::WriteJetCopy(samples / "testV2003.mdb", source, "Table1", rows, Row);
    const double mb = static_cast<double>(fs::file_size(source)) / (1024.0 * 1024.0);
    bench::Measure ours, theirs;
    for (int round = 0; round < 3; ++round) {
      auto import = [&] {
        bench::Measure m = bench::InChild(
            [&] {
              import::Options o{source, folder / "target.mdb", true, demo::DeploymentPassword()};
              std::FILE* null = std::fopen("/dev/null", "w");
              if (import::Import(o, null, null, false, stderr) == import::kFailed) std::exit(1);
            },
            1);
        if (round == 0 || m.seconds < ours.seconds) ours = m;
      };
      auto export_csv = [&] {
        bench::Measure m = bench::Command("exec mdb-export '" + source.string() + "' Table1 > /dev/null", 1);
        if (round == 0 || m.seconds < theirs.seconds) theirs = m;
      };
      if (bench::FirstSideFirst(round))
        import(), export_csv();
      else
        export_csv(), import();
    }
    const double total = static_cast<double>(rows + 2);
    std::printf("\n%llu rows, %.1f MB source, best of 3:\n", static_cast<unsigned long long>(rows + 2), mb);
    bench::PrintRow("mdb-export Table1 to CSV", theirs, nullptr, "");
    bench::PrintRow("ornetta-import (typed, encrypted, checked)", ours, &theirs, "mdb-export");
    std::printf("  rows/s: ours %.0f, mdb-export %.0f\n", total / ours.seconds, total / theirs.seconds);
    std::fflush(stdout);
    fs::remove(source);
  }
  fs::remove_all(folder);
  return 0;
}
