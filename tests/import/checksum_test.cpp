// The table checksum: rows in any order give the same sum; Null, an empty text and a shifted value
// do not.
#include <gtest/gtest.h>

#include "tools/import/checksum.h"

namespace ornetta::import {
namespace {

using Row = std::vector<std::optional<std::string>>;

TableChecksum Sum(const std::vector<Row>& rows) {
  TableChecksum sum;
  for (const Row& r : rows) sum.AddRow(r);
  return sum;
}

TEST(TableChecksum, OrderFreeButValueExact) {
  const Row a{"1", "x"}, b{"2", std::nullopt}, c{"3", ""};
  EXPECT_EQ(Sum({a, b, c}), Sum({c, a, b}));
  EXPECT_EQ(Sum({a, b, c}).Hex(), Sum({b, c, a}).Hex());
  EXPECT_FALSE(Sum({a, b}) == Sum({a, Row{"2", ""}}));           // Null is not empty text
  EXPECT_FALSE(Sum({Row{"ab", "c"}}) == Sum({Row{"a", "bc"}}));  // nor one value's bytes the next one's
  EXPECT_FALSE(Sum({a, a}) == Sum({a}));                         // a row twice is not once
  EXPECT_FALSE(Sum({a, a, b, b}) == Sum({c, c, b, b}) && Sum({a, a}) == Sum({c, c}));
  EXPECT_EQ(Sum({a, b}).rows(), 2u);
}

}  // namespace
}  // namespace ornetta::import
