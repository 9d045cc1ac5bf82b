#include "search_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The capture of line, or "<none>" when the line yields none.
template <typename Char>
std::string capture_of(const Char* lib_name, const std::string& line) {
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  std::string capture(max_line_length + 1, '?');
  const std::size_t newline = line.find('\n');
  const char* const end = line.data() + line.size();
  const char* const line_end =
      newline == std::string::npos ? end : line.data() + newline + 1;
  if (match_search_pattern(pattern, line.data(), line_end, end, false,
                           capture.data()) == 0) {
    return "<none>";
  }
  return capture.substr(0, capture.find('\0'));
}

// A string of the bytes of a literal, zero bytes included.
template <std::size_t size>
std::string bytes(const char (&text)[size]) {
  return std::string(text, size - 1);
}

struct MatchRow {
  const char* lib_name;
  std::string line;
  const char* capture;
};

class MatchTest : public testing::TestWithParam<MatchRow> {};

TEST_P(MatchTest, CapturesTheTokenAfterTheName) {
  const MatchRow& row = GetParam();
  EXPECT_EQ(capture_of(row.lib_name, row.line), row.capture)
      << "name " << row.lib_name << ", line " << row.line;
}

INSTANTIATE_TEST_SUITE_P(
    Layout, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.2.3])\n", "[1.2.3]"},
        MatchRow{"[libfoo]", "AC_INIT( [libfoo] , [2.0] )\n", "[2.0]"},
        MatchRow{"[libfoo]", "AC_INIT(\t[libfoo]\t,\t2.0\n", "2.0"},
        // Without a '(' right after it, AC_INIT gets no arguments at all.
        MatchRow{"[libfoo]", "AC_INIT ( [libfoo] , [2.0] )\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT\t([libfoo], 2.0)\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo],\v\f\r [1.0]\n", "[1.0]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], 1.0", "1.0"},
        MatchRow{"libfoo", "AC_INIT(libfoo, 1.2.3)\n", "1.2.3"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo])\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo],\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo],", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], )\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT", "<none>"},
        MatchRow{"[libfoo]", "", "<none>"}));

INSTANTIATE_TEST_SUITE_P(
    NameMustMatchExactly, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([LibFoo], [1.0])\n", "<none>"},
        MatchRow{"libfoo", "AC_INIT([libfoo], [1.0])\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT(libfoo, 1.0)\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoobar], [1.0])\n", "<none>"},
        MatchRow{"[libfoo]", "dnl AC_INIT([libfoo], [1.0])\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INITX([libfoo], [1.0])\n", "<none>"},
        MatchRow{"[libfoo]", "ac_init([libfoo], [1.0])\n", "<none>"}));

INSTANTIATE_TEST_SUITE_P(
    CaptureIsTheWholeArgument, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo],[1.2.3],[bugs])\n", "[1.2.3]"},
        MatchRow{"[megatools]",
                 "AC_INIT([megatools],[1.9.92],[megous@megous.com],"
                 "[megatools])\n",
                 "[1.9.92]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo],,[bugs])\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], , [bugs])\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0] [bugs])\n",
                 "[1.0] [bugs]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], 1.0 beta )\n", "1.0 beta"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], 1.0 \t\r\n", "1.0"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0]\r\n", "[1.0]"},
        // 0xA0 is no whitespace: it starts the capture.
        MatchRow{"[libfoo]", "AC_INIT([libfoo],\xA0[1.0])\n", "\xA0[1.0]"}));

INSTANTIATE_TEST_SUITE_P(
    CloseParenthesisEndsTheCapture, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0])dnl\n", "[1.0]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], v())\n", "v()"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], f(a)b)\n", "f(a)b"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0)])\n", "[1.0)]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [[1)]])\n", "[[1)]]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], 1.0]))\n", "1.0]"}));

INSTANTIATE_TEST_SUITE_P(
    QuotedWhitespaceAndCommasArePartOfTheCapture, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [(see version.h)], [x])\n",
                 "[(see version.h)]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1,2] x)\n", "[1,2] x"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0 \n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0", "<none>"}));

INSTANTIATE_TEST_SUITE_P(
    CallOverSeveralLines, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo],\n  [1.2.3])\n", "[1.2.3]"},
        MatchRow{"[libfoo]", "AC_INIT(\n\t[libfoo],\n\t[foo_version])\n",
                 "[foo_version]"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo]\n, 1.0)\n", "1.0"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo],\r\n\r\n  2.0\r\n", "2.0"},
        MatchRow{"[libfoo]", "AC_INIT([lib\nfoo], 1.0)\n", "<none>"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.0\n.1])\n", "<none>"},
        MatchRow{"[libfoo]", bytes("AC_INIT([libfoo],\0\n 1.0\n"), "<none>"},
        MatchRow{"[libfoo]", bytes("AC_INIT([libfoo],\n\0 1.0\n"), "<none>"}));

TEST(SearchPatternTest, CaptureCutByTheEndOfTheCallYieldsNothing) {
  SearchPattern pattern;
  build_search_pattern("a", &pattern);
  const std::string call = "AC_INIT(a,\n 12345";
  const char* const line_end = call.data() + call.find('\n') + 1;
  const char* const end = call.data() + call.size();
  char capture[max_line_length + 1];
  EXPECT_EQ(
      match_search_pattern(pattern, call.data(), line_end, end, true, capture),
      0U);
  EXPECT_EQ(
      match_search_pattern(pattern, call.data(), line_end, end, false, capture),
      5U);
  // On the first line, the capture ends where the line's piece does.
  EXPECT_EQ(match_search_pattern(pattern, call.data(), line_end - 1,
                                 line_end - 1, true, capture),
            0U);
}

INSTANTIATE_TEST_SUITE_P(
    ZeroByteEndsTheText, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", bytes("AC_INIT([libfoo], [2.0\0.9])\n"), "[2.0"},
        MatchRow{"[libfoo]", bytes("AC_INIT([lib\0foo], [1.0])\n"), "<none>"},
        MatchRow{"[libfoo]", bytes("AC_INIT([libfoo],\0 [1.0])\n"), "<none>"}));

INSTANTIATE_TEST_SUITE_P(
    WhitespaceInNameMatchesAnyRun, MatchTest,
    testing::Values(MatchRow{"my lib", "AC_INIT(my lib, 1.0)\n", "1.0"},
                    MatchRow{"my lib", "AC_INIT(mylib, 1.0)\n", "1.0"},
                    MatchRow{"my lib", "AC_INIT(my\tlib, 1.0)\n", "1.0"},
                    MatchRow{"my lib", "AC_INIT(my \t \r lib, 1.0)\n", "1.0"},
                    MatchRow{"my\t\nlib", "AC_INIT(my lib, 1.0)\n", "1.0"},
                    MatchRow{" [libfoo] ", "AC_INIT([libfoo],1)\n", "1"},
                    MatchRow{" ", "AC_INIT(,1)\n", "1"},
                    MatchRow{"my lib", "AC_INIT(my_lib, 1.0)\n", "<none>"}));

INSTANTIATE_TEST_SUITE_P(
    PercentIsAnOrdinaryByte, MatchTest,
    testing::Values(MatchRow{"lib%sfoo", "AC_INIT(lib%sfoo, 4.5)\n", "4.5"},
                    MatchRow{"lib%sfoo", "AC_INIT(libbarfoo, 4.5)\n", "<none>"},
                    MatchRow{"%s", "AC_INIT(anything, 1.0)\n", "<none>"},
                    MatchRow{"%n%s%d", "AC_INIT(%n%s%d, 6.6)\n", "6.6"},
                    MatchRow{"100%", "AC_INIT(100%, 1)\n", "1"},
                    MatchRow{"%%", "AC_INIT(%, 1)\n", "<none>"},
                    MatchRow{"%%", "AC_INIT(%%, 1)\n", "1"}));

TEST(SearchPatternTest, LongNamesAreMatchedInFull) {
  const std::string name(150, 'a');
  EXPECT_EQ(capture_of(name.c_str(), "AC_INIT(" + name + ", 8.1)\n"), "8.1");
  std::string other = name;
  other.back() = 'b';
  EXPECT_EQ(capture_of(other.c_str(), "AC_INIT(" + name + ", 8.1)\n"),
            "<none>");
}

TEST(SearchPatternTest, NameFillingAWholeLineStillMatches) {
  // "AC_INIT(" + name + ",1" is exactly the longest line there can be, and
  // the name alternates with whitespace so its pattern is as long as any
  // pattern that can still match.
  const std::size_t literals = max_line_length - 10;
  std::string name;
  for (std::size_t i = 0; i < literals; ++i) {
    name += i == 0 ? "a" : " a";
  }
  const std::string line = "AC_INIT(" + std::string(literals, 'a') + ",1";
  ASSERT_EQ(line.size(), max_line_length);
  EXPECT_EQ(capture_of(name.c_str(), line), "1");
}

TEST(SearchPatternTest, NameTooLongForAnyLineMatchesNothing) {
  SearchPattern pattern;
  build_search_pattern(std::string(100000, 'a').c_str(), &pattern);
  EXPECT_FALSE(pattern.can_match);
  // Whitespace runs take no room, however long they are.
  const std::string spaced =
      std::string(100000, ' ') + "x" + std::string(100000, '\t');
  EXPECT_EQ(capture_of(spaced.c_str(), "AC_INIT(x, 3.3)\n"), "3.3");
}

struct WideRow {
  std::wstring lib_name;
  std::string line;
  const char* capture;
};

class WideNameTest : public testing::TestWithParam<WideRow> {};

TEST_P(WideNameTest, IsNarrowedBeforeMatching) {
  const WideRow& row = GetParam();
  EXPECT_EQ(capture_of(row.lib_name.c_str(), row.line), row.capture);
}

INSTANTIATE_TEST_SUITE_P(
    Narrowing, WideNameTest,
    testing::Values(
        WideRow{L"[libfoo]", "AC_INIT([libfoo], 1.0)\n", "1.0"},
        WideRow{L"[caf\u00e9]", "AC_INIT([caf\xE9], 2.0)\n", "2.0"},
        WideRow{L"[caf\u00e9]", "AC_INIT([caf\xC3\xA9], 2.0)\n", "<none>"},
        WideRow{L"[\u00ff]", "AC_INIT([\xFF], 2.0)\n", "2.0"},
        // A character above 255 cuts the pattern before its capture; it is
        // never taken for the byte of its low eight bits (here ':').
        WideRow{L"[\u263a]", "AC_INIT([:], 2.0)\n", "<none>"},
        WideRow{L"\u263a", "AC_INIT(, 2.0)\n", "<none>"},
        WideRow{L"my\u0009lib", "AC_INIT(my lib, 1)\n", "1"}));

}  // namespace
