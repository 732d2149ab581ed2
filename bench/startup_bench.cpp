// Start-up and idle memory of the utility, in fresh processes on a demo installation
// (QT_QPA_PLATFORM=offscreen):
//   - start-up: from just before fork/exec to the window's first paint, the program's own start
//     (Form_Load opens the year database through clsProd) against the same window with no
//     database work, alternated round by round;
//   - memory: VmRSS and VmHWM of the real `ornetta` executable idle with its window shown, and of
//     the window alone for comparison.
//
//   startup_bench [ROUNDS]     (default 15)
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_util.h"
#include "data/values/installation.h"
#include "tools/demo/demo_installation.h"

namespace fs = std::filesystem;
using namespace ornetta;

namespace {
constexpr double kTargetRatio = 1.5;
constexpr int kTimeoutMs = 60000;

long long MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

[[noreturn]] void Fail(const std::string& what, const fs::path& log = {}) {
  std::cerr << "startup_bench: " << what << "\n";
  if (!log.empty()) {
    std::ifstream in(log);
    std::cerr << in.rdbuf();
  }
  std::exit(1);
}

struct Child {
  pid_t pid = -1;
  int out = -1;  // read end of the child's standard output
  long long started_ns = 0;
};

// Starts `program` from its own folder; its standard error goes to `log` (Qt's offscreen notes).
Child Start(const fs::path& program, const std::vector<std::string>& args, const fs::path& log) {
  int fds[2];
  if (pipe(fds) != 0) Fail("pipe failed");
  Child c;
  c.started_ns = MonotonicNs();
  c.pid = fork();
  if (c.pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    std::FILE* err = std::fopen(log.c_str(), "w");
    if (err) dup2(fileno(err), STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[1]);
  c.out = fds[0];
  return c;
}

// The probe's "shown <ns> <open>" line, or fails after the timeout (a message box would wait forever).
std::string ReadLine(const Child& c, const fs::path& log) {
  std::string line;
  char ch;
  while (true) {
    pollfd p{c.out, POLLIN, 0};
    if (poll(&p, 1, kTimeoutMs) <= 0) {
      kill(c.pid, SIGKILL);
      Fail("the probe did not show its window in time", log);
    }
    if (read(c.out, &ch, 1) != 1) Fail("the probe ended before showing its window", log);
    if (ch == '\n') return line;
    line += ch;
  }
}

void Finish(Child& c, bool terminate, const fs::path& log) {
  if (terminate) kill(c.pid, SIGTERM);
  int status = 0;
  waitpid(c.pid, &status, 0);
  close(c.out);
  if (!terminate && (!WIFEXITED(status) || WEXITSTATUS(status) != 0)) Fail("the probe failed", log);
}

struct Shown {
  double seconds;
  bool database_open;
};

Shown TimeStart(const fs::path& probe, const std::string& mode, const fs::path& log) {
  Child c = Start(probe, {mode}, log);
  std::istringstream in(ReadLine(c, log));
  std::string word;
  long long shown_ns = 0;
  int open = -1;
  in >> word >> shown_ns >> open;
  if (word != "shown" || open < 0) Fail("unexpected output from the probe", log);
  Finish(c, false, log);
  return {(shown_ns - c.started_ns) / 1e9, open == 1};
}

// Fields of /proc/PID/status in kB.
long StatusKib(pid_t pid, const std::string& key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key + ":", 0) == 0) return std::atol(line.c_str() + key.size() + 1);
  return -1;
}

long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string f;
  long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::atol(f.c_str());
    if (i == 15) stime = std::atol(f.c_str());
  }
  return utime + stime;
}

// Whether the process holds `file` open (the engine keeps an open database's file open).
bool HoldsOpen(pid_t pid, const fs::path& file) {
  std::error_code ec;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
    std::error_code link_ec;
    if (fs::read_symlink(fd.path(), link_ec) == file) return true;
  }
  return false;
}

struct Memory {
  double rss_mib = 0, hwm_mib = 0, anon_mib = 0, file_mib = 0;
};

// Waits until the process has used no CPU for a second (idle in its event loop), then reads its memory.
Memory IdleMemory(pid_t pid) {
  long last = CpuTicks(pid);
  int quiet_polls = 0;
  for (int i = 0; i < 300 && quiet_polls < 10; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const long now = CpuTicks(pid);
    quiet_polls = now == last ? quiet_polls + 1 : 0;
    last = now;
  }
  return {StatusKib(pid, "VmRSS") / 1024.0, StatusKib(pid, "VmHWM") / 1024.0, StatusKib(pid, "RssAnon") / 1024.0,
          StatusKib(pid, "RssFile") / 1024.0};
}

void PrintMemory(const std::string& name, const std::vector<Memory>& runs) {
  std::vector<double> rss, hwm, anon, file;
  for (const Memory& m : runs) {
    rss.push_back(m.rss_mib);
    hwm.push_back(m.hwm_mib);
    anon.push_back(m.anon_mib);
    file.push_back(m.file_mib);
  }
  std::printf("  %-46s VmRSS %6.1f MiB  VmHWM %6.1f MiB  (RssAnon %5.1f, RssFile %5.1f)\n", name.c_str(),
              bench::Median(rss), bench::Median(hwm), bench::Median(anon), bench::Median(file));
}
}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const fs::path work = fs::temp_directory_path() / ("ornetta-startup-" + std::to_string(getpid()));
  const fs::path program = work / "program";
  demo::Options options;
  options.invoices = 10 * 4600;  // year databases of about 10 MB
  options.log_rows = 20000;
  demo::CreateInstallation(program, options);
  const fs::path probe = program / "startup_probe", ornetta_exe = program / "ornetta";
  fs::copy_file(ORNETTA_PROBE_PATH, probe);
  fs::copy_file(ORNETTA_PROGRAM_PATH, ornetta_exe);
  const fs::path log = work / "stderr.log";

  fs::path year;
  for (const auto& e : fs::directory_iterator(ornetta::Installation(program).database_folder()))
    if (ornetta::Installation::MayBeYearDatabase(e.path().filename().string()) &&
        (year.empty() || e.path().filename() > year.filename()))
      year = e.path();

  std::printf("Start-up: fork/exec to the window's first paint, offscreen (median and best of %d, alternated)\n",
              rounds);
  for (int i = 0; i < 2; ++i) {  // warm the caches (font configuration, libraries) for both sides
    TimeStart(probe, "window", log);
    TimeStart(probe, "database", log);
  }
  std::vector<double> window_only, with_database;
  for (int r = 0; r < rounds; ++r) {
    for (int side = 0; side < 2; ++side) {
      const bool database = (side == 0) != bench::FirstSideFirst(r);
      const Shown s = TimeStart(probe, database ? "database" : "window", log);
      if (s.database_open != database) Fail("the probe's year database is not in the expected state", log);
      (database ? with_database : window_only).push_back(s.seconds);
    }
  }
  const double w_med = bench::Median(window_only), d_med = bench::Median(with_database);
  const double w_best = bench::Best(window_only), d_best = bench::Best(with_database);
  std::printf("  %-46s median %7.1f ms  best %7.1f ms\n", "window alone, no database work (anchor)", w_med * 1e3,
              w_best * 1e3);
  std::printf("  %-46s median %7.1f ms  best %7.1f ms   %.2fx median, %.2fx best\n",
              "window with Form_Load (year database open)", d_med * 1e3, d_best * 1e3, d_med / w_med, d_best / w_best);
  std::printf("  target at most %.1fx: %s\n", kTargetRatio, d_med / w_med <= kTargetRatio ? "met" : "NOT met");

  const int memory_rounds = rounds < 3 ? 1 : 3;
  std::printf("\nMemory: idle with the window shown (median of %d, read when no CPU was used for 1 s)\n",
              memory_rounds);
  std::vector<Memory> real, alone;
  for (int r = 0; r < memory_rounds; ++r) {
    Child c = Start(ornetta_exe, {}, log);
    const Memory m = IdleMemory(c.pid);
    if (!HoldsOpen(c.pid, fs::canonical(year))) Fail("ornetta does not hold the year database open", log);
    real.push_back(m);
    Finish(c, true, log);

    Child p = Start(probe, {"window", "--stay"}, log);
    ReadLine(p, log);
    alone.push_back(IdleMemory(p.pid));
    Finish(p, true, log);
  }
  PrintMemory("ornetta, year database open", real);
  PrintMemory("the window alone, no database work", alone);
  fs::remove_all(work);
  return 0;
}
