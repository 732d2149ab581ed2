// The benchmarks' arithmetic: a wrong median or best would print a wrong ratio with no other sign.
#include "bench/bench_util.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <vector>

namespace ornetta::bench {
namespace {

TEST(BenchUtilTest, MedianOfAnOddCountIsTheMiddleValueWhateverTheOrder) {
  EXPECT_DOUBLE_EQ(Median({5, 1, 3}), 3);
  EXPECT_DOUBLE_EQ(Median({9}), 9);
  EXPECT_DOUBLE_EQ(Median({2, 2, 7, 1, 100}), 2);
}

TEST(BenchUtilTest, MedianOfAnEvenCountIsTheMeanOfTheTwoMiddleValues) {
  EXPECT_DOUBLE_EQ(Median({4, 1, 3, 2}), 2.5);
  EXPECT_DOUBLE_EQ(Median({10, 20}), 15);
}

TEST(BenchUtilTest, NoValuesGiveZeroRatherThanAFault) {
  EXPECT_DOUBLE_EQ(Median({}), 0);
  EXPECT_DOUBLE_EQ(Best({}), 0);
}

TEST(BenchUtilTest, BestIsTheSmallestValue) {
  EXPECT_DOUBLE_EQ(Best({0.3, 0.1, 0.2}), 0.1);
  EXPECT_DOUBLE_EQ(Best({7}), 7);
}

TEST(BenchUtilTest, TheFirstSideAlternatesRoundByRound) {
  int first = 0;
  for (int round = 0; round < 10; ++round) first += FirstSideFirst(round) ? 1 : 0;
  EXPECT_EQ(first, 5);
  EXPECT_NE(FirstSideFirst(0), FirstSideFirst(1));
}

TEST(BenchUtilTest, InChildMeasuresTheChildsOwnWorkAndKeepsTheFastestRun) {
  int calls_in_parent = 0;
  const Measure m = InChild(
      [&] {
        ++calls_in_parent;  // happens in the child: the parent's copy stays 0
        std::vector<char> block(8 << 20, 1);
        volatile char sink = block[block.size() - 1];
        (void)sink;
      },
      2);
  EXPECT_EQ(calls_in_parent, 0);
  EXPECT_GT(m.seconds, 0);
  EXPECT_GE(m.peak_kib, 8 * 1024);
}

}  // namespace
}  // namespace ornetta::bench
