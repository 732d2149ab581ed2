#include "bench/bench_util.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace ornetta::bench {

namespace {
Measure Once(const std::function<void()>& work) {
  // Nothing left waiting to be written: no run pays for the disk writes of the one before, or of
  // the generator's gigabytes (the first sync of a run would otherwise wait for them).
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    try {
      work();
    } catch (const std::exception& e) {
      std::cerr << "bench: " << e.what() << "\n";
      _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Measure m;
  m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  m.peak_kib = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << "bench: the measured work failed\n";
    std::exit(1);
  }
  return m;
}
}  // namespace

Measure InChild(const std::function<void()>& work, int runs) {
  Measure best;
  for (int i = 0; i < runs; ++i) {
    const Measure m = Once(work);
    if (i == 0 || m.seconds < best.seconds) best = m;
  }
  return best;
}

Measure Command(const std::string& command, int runs) {
  return InChild(
      [&] {
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
      },
      runs);
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Best(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

void PrintRow(const std::string& name, const Measure& m, const Measure* anchor, const std::string& anchor_name) {
  std::printf("  %-44s %9.3f s  %8.1f MiB", name.c_str(), m.seconds, m.peak_kib / 1024.0);
  if (anchor) std::printf("   %5.2fx %s", m.seconds / anchor->seconds, anchor_name.c_str());
  std::printf("\n");
}

}  // namespace ornetta::bench
