// Small helpers for the benchmarks: wall time, peak memory of a child, shell commands.
#pragma once

#include <functional>
#include <string>

namespace ornetta::bench {

struct Measure {
  double seconds = 0;
  long peak_kib = 0;  // peak resident memory of the process that did the work
};

// Runs `work` in a forked child so that its peak memory is its own; best of `runs` times.
Measure InChild(const std::function<void()>& work, int runs = 3);

// Runs a shell command (a reference tool) the same way. End it with "exec TOOL ..." so that the
// measured memory is the tool's own.
Measure Command(const std::string& command, int runs = 3);

void PrintRow(const std::string& name, const Measure& m, const Measure* anchor, const std::string& anchor_name);

}  // namespace ornetta::bench
