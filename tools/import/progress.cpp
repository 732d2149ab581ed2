#include "tools/import/progress.h"

#include <algorithm>

namespace ornetta::import {

void Progress::StartTable(const std::string& name, int number, int count, uint64_t expected_rows) {
  name_ = name;
  number_ = number;
  count_ = count;
  expected_ = expected_rows;
  last_ = {};
  if (terminal_)
    Draw(0);
  else
    std::fprintf(out_, "Table %d of %d: %s (%llu rows)\n", number, count, name.c_str(),
                 static_cast<unsigned long long>(expected_rows));
  std::fflush(out_);
}

void Progress::Rows(uint64_t done) {
  if (!terminal_ || (done & 1023) != 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  Draw(done);
}

void Progress::Draw(uint64_t done) {
  constexpr int kWidth = 30;
  const int filled = expected_ ? static_cast<int>(kWidth * std::min<uint64_t>(done, expected_) / expected_) : 0;
  std::fprintf(out_, "\r\033[K[%-*s] table %d/%d %s  %llu/%llu rows", kWidth, std::string(filled, '#').c_str(), number_,
               count_, name_.c_str(), static_cast<unsigned long long>(done),
               static_cast<unsigned long long>(expected_));
  std::fflush(out_);
}

void Progress::EndTable(uint64_t rows) {
  if (terminal_) {
    expected_ = expected_ ? expected_ : rows;
    Draw(rows);
    std::fputs("\n", out_);
  } else {
    std::fprintf(out_, "  %llu rows copied and checked\n", static_cast<unsigned long long>(rows));
  }
  std::fflush(out_);
}

void Progress::Step(const std::string& what) {
  std::fprintf(out_, "%s\n", what.c_str());
  std::fflush(out_);
}

}  // namespace ornetta::import
