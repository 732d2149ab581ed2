// Progress of an import: a bar redrawn in place on a terminal, plain lines otherwise (a log, a pipe).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace ornetta::import {

class Progress {
 public:
  Progress(std::FILE* out, bool terminal) : out_(out), terminal_(terminal) {}

  void StartTable(const std::string& name, int number, int count, uint64_t expected_rows);
  void Rows(uint64_t done);  // cheap: draws at most ten times a second
  void EndTable(uint64_t rows);
  void Step(const std::string& what);  // a line of its own: "Creating views"

 private:
  void Draw(uint64_t done);

  std::FILE* out_;
  bool terminal_;
  std::string name_;
  int number_ = 0, count_ = 0;
  uint64_t expected_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace ornetta::import
