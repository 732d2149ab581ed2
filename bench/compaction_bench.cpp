// Compaction of year databases, side by side with a plain file copy and with SQLite's own
// VACUUM INTO of the same data unencrypted (Debian's sqlite3 shell). The reference keeps SQLite's
// default page size, 4096 bytes, which is what anyone would run; the same at our page size is
// printed beside it.
//
//   compaction_bench [SIZE_MB ...]     (default: 10 100)
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/bench_util.h"
#include "data/engine/connection_string.h"
#include "data/engine/engine.h"
#include "data/engine/jet_engine.h"
#include "data/values/installation.h"
#include "tools/demo/demo_installation.h"
#ifdef ORNETTA_HAVE_REPAIR
#include "data/clsProd.h"
#include "repair/repair_compact.h"
#include "repair/salvage/salvage.h"
#endif
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace ornetta;

namespace {
constexpr int kSqliteDefaultPageSize = 4096;

#ifdef ORNETTA_HAVE_REPAIR
// A host with no one to show anything to: the benchmark only times the work.
class QuietHost : public platform::Host {
 public:
  explicit QuietHost(fs::path folder) : folder_(std::move(folder)) {}
  void MessageBox(const std::string& text, int icon, const std::string&) override {
    if (icon == platform::kIconCritical) throw std::runtime_error(text);
  }
  [[noreturn]] void EndProgram() override { std::exit(3); }
  fs::path ProgramFolder() const override { return folder_; }
  void ProcessPendingMessages() override {}
  void SetDefaultPointer() override {}
  CivilDateTime Now() const override { return {2026, 12, 9, 12, 0, 0}; }

 private:
  fs::path folder_;
};

// Prints how long each stage of a repair took, so that the profile of a run is in its output.
class StageTimer : public repair::ProgressSink {
 public:
  void OnStage(repair::Stage, const std::string& text) override {
    Close();
    text_ = text;
    started_ = std::chrono::steady_clock::now();
  }
  void OnFraction(double) override {}
  void Close() {
    if (text_.empty()) return;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started_;
    std::printf("      %-60s %7.3f s\n", text_.c_str(), took.count());
    text_.clear();
  }

 private:
  std::string text_;
  std::chrono::steady_clock::time_point started_;
};

// A copy of `src` with a few pages damaged (a byte changed in each of three spread through the
// file), as a damaged year database usually has.
fs::path DamagedCopy(const fs::path& src, const fs::path& to) {
  fs::copy_file(src, to, fs::copy_options::overwrite_existing);
  const uint64_t size = fs::file_size(to);
  const int fd = open(to.c_str(), O_RDWR);
  for (int quarter = 1; quarter <= 3; ++quarter) {
    const off_t at = static_cast<off_t>(size / 4 * quarter + 1000);
    unsigned char b = 0;
    if (pread(fd, &b, 1, at) != 1) throw std::runtime_error("cannot read " + to.string());
    b ^= 0x5a;
    if (pwrite(fd, &b, 1, at) != 1) throw std::runtime_error("cannot write " + to.string());
  }
  close(fd);
  return to;
}

// The salvage alone, as the repair runs it on a damaged file: read, rebuild, flush.
void SalvageOnce(const fs::path& damaged, const fs::path& to) {
  const std::unique_ptr<repair::salvage::PageFile> file = repair::salvage::PlainFile(damaged);
  repair::salvage::Salvage(*file, damaged.filename().string(), demo::DeploymentPassword(), {}, to);
}

// The whole repair: backup, both compactions, checks and swaps.
void WholeRepair(const fs::path& program, const std::string& file_name) {
  QuietHost host(program);
  clsProd prod(host);
  prod.Get_Connection();
  StageTimer timer;
  repair::RepairContext context{prod, host, &timer, repair::DefaultAccessApplicationFactory(), "", {}, {}};
  if (!repair::Repair_Compact_DB(context, file_name)) throw std::runtime_error(context.failure_reason);
  timer.Close();
  std::fflush(stdout);
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {10, 100};
  const fs::path work = fs::temp_directory_path() / ("ornetta-bench-" + std::to_string(getpid()));
  fs::create_directories(work);
  std::printf("Compaction (best of 3; ratios against the rows marked 'anchor')\n");
  std::fflush(stdout);  // the measured children must not print it again
  for (int mb : sizes) {
    const Installation install(work / "program");
    const std::string year = Installation::YearDatabaseName(2026, 2027);
    fs::create_directories(install.database_folder());
    const fs::path src = install.database(year), plain = work / "plain.db", plain_ours = work / "plain16k.db";
    demo::Options options;
    options.invoices = mb * 4600;
    options.log_rows = mb * 2000;
    options.delete_fraction = 0.33;
    demo::CreateYearDatabase(src, 2026, options);
    // The references get the same rows and deletions, so the same free space to drop.
    options.encrypted = false;
    options.page_size = kSqliteDefaultPageSize;
    demo::CreateYearDatabase(plain, 2026, options);
    options.page_size = engine::kPageSize;
    demo::CreateYearDatabase(plain_ours, 2026, options);
    // The measured children start as copies of this process: hand the generator's memory back
    // first, or it counts in their peak.
    malloc_trim(0);
    std::printf("\n%d MB target: encrypted %.1f MB, plain %.1f MB\n", mb, fs::file_size(src) / 1048576.0,
                fs::file_size(plain) / 1048576.0);
    std::fflush(stdout);

    const std::string copy_to = (work / "copy.mdb").string(), vacuum_to = (work / "vacuum.db").string();
    const bench::Measure copy =
        bench::Command("rm -f '" + copy_to + "' && exec cp '" + src.string() + "' '" + copy_to + "'");
    auto vacuum_into = [&](const fs::path& from) {
      return bench::Command("rm -f '" + vacuum_to + "' && exec sqlite3 '" + from.string() + "' \"VACUUM INTO '" +
                            vacuum_to + "'\"");
    };
    const bench::Measure vacuum = vacuum_into(plain);
    const bench::Measure vacuum_ours = vacuum_into(plain_ours);
    fs::remove(copy_to);
    fs::remove(vacuum_to);
    bench::Measure ours;
    for (int run = 0; run < 3; ++run) {
      const bench::Measure m = bench::InChild(
          [&] {
            const std::string pw = demo::DeploymentPassword();
            JetEngine().CompactDatabase(CompactionSourceString(src.string(), pw),
                                        CompactionDestinationString((work / "TMP.mdb").string(), pw));
          },
          1);
      fs::remove(work / "TMP.mdb");
      if (run == 0 || m.seconds < ours.seconds) ours = m;
    }
#ifdef ORNETTA_HAVE_REPAIR
    const fs::path damaged = DamagedCopy(src, work / "damaged.mdb");
    bench::Measure salvage;
    for (int run = 0; run < 3; ++run) {
      const bench::Measure m = bench::InChild([&] { SalvageOnce(damaged, work / "SALVAGED.mdb"); }, 1);
      fs::remove(work / "SALVAGED.mdb");
      if (run == 0 || m.seconds < salvage.seconds) salvage = m;
    }
    fs::remove(damaged);
    demo::CreateStartDatabase(install.start_database(), {{2026, 2027, year, true}});
    const bench::Measure whole =
        bench::InChild([&] { WholeRepair(install.program_folder(), year); }, 1);  // once: it changes the files
#endif
    bench::PrintRow("file copy (cp)", copy, nullptr, "");
    bench::PrintRow("SQLite VACUUM INTO, unencrypted (anchor)", vacuum, nullptr, "");
    bench::PrintRow("  the same with " + std::to_string(engine::kPageSize) + "-byte pages", vacuum_ours, &vacuum,
                    "of VACUUM INTO");
    bench::PrintRow("our compaction (encrypted)", ours, &vacuum, "of VACUUM INTO");
    bench::PrintRow("", ours, &copy, "of file copy");
#ifdef ORNETTA_HAVE_REPAIR
    bench::PrintRow("our salvage of the file with 3 damaged pages", salvage, &vacuum, "of VACUUM INTO");
    bench::PrintRow("", salvage, &ours, "of our compaction");
    bench::PrintRow("our whole repair (backup, both, checks, swaps)", whole, &vacuum, "of VACUUM INTO");
#endif
    fs::remove_all(install.program_folder());
    fs::remove(plain);
    fs::remove(plain_ours);
  }
  fs::remove_all(work);
  return 0;
}
