// The compare argument of InStr, InStrRev, StrComp and Replace on a real database: 0 compares
// binary (case counts), 1 and 2 as text (case does not, Latin-1 letters included), -1 takes the
// function's own default; positions count characters, not bytes.
#include <gtest/gtest.h>

#include "tests/jet/jet_database.h"

namespace ornetta {
namespace {

using JetCompareTest = testing::JetDatabase;

TEST_F(JetCompareTest, InStrFindsFromStartWithItsCompare) {
  ExpectValues({
      // Without a compare, as the database compares: text.
      {"InStr('abcABC', 'B')", "2"},
      {"InStr(3, 'abcABC', 'B')", "5"},
      {"InStr(1, 'abcABC', 'B', 0)", "5"},  // binary: only the capital
      {"InStr(1, 'abcABC', 'B', 1)", "2"},
      {"InStr(1, 'abcABC', 'B', 2)", "2"},
      {"InStr(1, 'abcABC', 'B', -1)", "2"},  // the function's default, text
      {"InStr(1, 'ÉCOLE école', 'é', 1)", "1"},
      {"InStr(1, 'ÉCOLE école', 'é', 0)", "7"},
      {"InStr(2, 'héllo wörld', 'ö')", "8"},  // characters, not bytes
      {"InStr('abc', 'x')", "0"},
      {"InStr(4, 'abc', 'c')", "0"},
      {"InStr(9, 'abc', 'c')", "0"},
      {"InStr(2, 'abc', '')", "2"},  // an empty text sought is found at start
      {"InStr('', 'a')", "0"},
      {"InStr('', '')", "0"},
      {"InStr(1, Null, 'a', 1)", "<null>"},
      {"InStr(1, 'a', Null, 0)", "<null>"},
      {"InStr('a', Null)", "<null>"},
  });
  ExpectErrors({
      {"InStr(0, 'abc', 'a')", "Invalid procedure call or argument."},
      {"InStr(1, 'abc', 'a', 3)", "Invalid procedure call or argument."},
      {"InStr(Null, 'abc', 'a')", "Invalid use of Null."},
      {"InStr(1, 'abc', 'a', Null)", "Invalid use of Null."},
      {"InStr(1, 'abc', 'a', 1, 1)", "Wrong number of arguments"},
  });
}

TEST_F(JetCompareTest, InStrRevFindsTheLastWithinStart) {
  ExpectValues({
      {"InStrRev('abcabc', 'b')", "5"},
      {"InStrRev('abcabc', 'B')", "5"},
      {"InStrRev('abcABC', 'b', -1, 0)", "2"},
      {"InStrRev('abcABC', 'b', -1, 1)", "5"},
      {"InStrRev('abcabc', 'b', 4)", "2"},
      {"InStrRev('abcabc', 'bc', 5)", "2"},  // wholly within the first 5
      {"InStrRev('abcabc', 'bc', 6)", "5"},
      {"InStrRev('abcabc', 'x')", "0"},
      {"InStrRev('abc', 'c', 9)", "0"},  // start past the end
      {"InStrRev('abc', '', 2)", "2"},
      {"InStrRev('abc', '')", "3"},
      {"InStrRev('', 'a')", "0"},
      {"InStrRev('wörld wörld', 'Ö')", "8"},
      {"InStrRev('ab', 'abc')", "0"},
      {"InStrRev(Null, 'a')", "<null>"},
      {"InStrRev('a', Null, 1)", "<null>"},
  });
  ExpectErrors({
      {"InStrRev('abc', 'a', 0)", "Invalid procedure call or argument."},
      {"InStrRev('abc', 'a', -2)", "Invalid procedure call or argument."},
      {"InStrRev('abc', 'a', 1, 7)", "Invalid procedure call or argument."},
      {"InStrRev('abc', 'a', Null)", "Invalid use of Null."},
      {"InStrRev('abc')", "Wrong number of arguments"},
  });
}

TEST_F(JetCompareTest, StrCompAndReplaceTakeTheirCompare) {
  ExpectValues({
      {"StrComp('Été', 'été', 1)", "0"},
      {"StrComp('Été', 'été', 0)", "-1"},
      {"StrComp('Été', 'été', -1)", "-1"},
      {"StrComp('b', 'A', 2)", "1"},
      {"StrComp('a', 'ab', 1)", "-1"},
      {"Replace('ÉtÉ été', 'é', 'e', 1, -1, 1)", "ete ete"},
      {"Replace('ÉtÉ été', 'é', 'e')", "ÉtÉ ete"},
      {"Replace('ABab', 'b', 'x', 1, -1, 2)", "Axax"},
      {"Replace('ABab', 'b', 'x', 1, -1, -1)", "ABax"},
  });
  ExpectErrors({{"StrComp('a', 'b', Null)", "Invalid use of Null."},
                {"Replace('a', 'a', 'b', 1, -1, 9)", "Invalid procedure call"}});
}

}  // namespace
}  // namespace ornetta
