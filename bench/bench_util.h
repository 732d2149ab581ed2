// Small helpers for the benchmarks: wall time, peak memory of a child, shell commands.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace ornetta::bench {

struct Measure {
  double seconds = 0;
  long peak_kib = 0;  // peak resident memory of the process that did the work
};

// Runs `work` in a forked child so that its peak memory is its own; best of `runs` times. Every
// run starts with the disk's pending writes done.
Measure InChild(const std::function<void()>& work, int runs = 3);

// Runs a shell command (a reference tool) the same way. End it with "exec TOOL ..." so that the
// measured memory is the tool's own.
Measure Command(const std::string& command, int runs = 3);

// Middle value (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);
// Smallest value; 0 for none.
double Best(const std::vector<double>& values);

// Runs of a side-by-side comparison: the side that does the same work first alternates per round,
// so that a slow phase of the machine hits both.
inline bool FirstSideFirst(int round) { return round % 2 == 0; }

void PrintRow(const std::string& name, const Measure& m, const Measure* anchor, const std::string& anchor_name);

}  // namespace ornetta::bench
