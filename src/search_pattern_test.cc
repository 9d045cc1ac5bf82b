#include "search_pattern.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Whether the call in text starts with the pattern of lib_name: "yes",
// "no", or "more" where text ends before that is decided.
template <typename Char>
std::string head_of(const Char* lib_name, const std::string& text) {
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  switch (match_call_head(pattern, text.data(), text.size())) {
    case HeadMatch::yes:
      return "yes";
    case HeadMatch::no:
      return "no";
    case HeadMatch::needs_more:
      break;
  }
  return "more";
}

// A string of the bytes of a literal, zero bytes included.
template <std::size_t size>
std::string bytes(const char (&text)[size]) {
  return std::string(text, size - 1);
}

struct MatchRow {
  const char* lib_name;
  std::string text;
  const char* head;
};

class MatchTest : public testing::TestWithParam<MatchRow> {};

TEST_P(MatchTest, MatchesTheHeadOfTheCall) {
  const MatchRow& row = GetParam();
  EXPECT_EQ(head_of(row.lib_name, row.text), row.head)
      << "name " << row.lib_name << ", text " << row.text;
}

INSTANTIATE_TEST_SUITE_P(
    Layout, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT([libfoo], [1.2.3])\n", "yes"},
        MatchRow{"[libfoo]", "AC_INIT( [libfoo] , [2.0] )\n", "yes"},
        MatchRow{"[libfoo]", "AC_INIT(\t[libfoo]\t,\t2.0\n", "yes"},
        // Without a '(' right after it, AC_INIT gets no arguments at all.
        MatchRow{"[libfoo]", "AC_INIT ( [libfoo] , [2.0] )\n", "no"},
        MatchRow{"[libfoo]", "AC_INIT\t([libfoo], 2.0)\n", "no"},
        MatchRow{"libfoo", "AC_INIT(libfoo, 1.2.3)\n", "yes"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo])\n", "no"},
        // The comma decides: what follows is the engine's to read.
        MatchRow{"[libfoo]", "AC_INIT([libfoo],", "yes"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo]", "more"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo]  \n ", "more"},
        MatchRow{"[libfoo]", "AC_INIT", "more"},
        MatchRow{"[libfoo]", "", "more"}));

INSTANTIATE_TEST_SUITE_P(
    NameMustMatchExactly, MatchTest,
    testing::Values(MatchRow{"[libfoo]", "AC_INIT([LibFoo], [1.0])\n", "no"},
                    MatchRow{"libfoo", "AC_INIT([libfoo], [1.0])\n", "no"},
                    MatchRow{"[libfoo]", "AC_INIT(libfoo, 1.0)\n", "no"},
                    MatchRow{"[libfoo]", "AC_INIT([libfoobar], [1.0])\n", "no"},
                    MatchRow{"[libfoo]", "dnl AC_INIT([libfoo], [1.0])\n",
                             "no"},
                    MatchRow{"[libfoo]", "AC_INITX([libfoo], [1.0])\n", "no"},
                    MatchRow{"[libfoo]", "ac_init([libfoo], [1.0])\n", "no"}));

INSTANTIATE_TEST_SUITE_P(
    CallOverSeveralLines, MatchTest,
    testing::Values(
        MatchRow{"[libfoo]", "AC_INIT(\n\t[libfoo],\n\t[v])\n", "yes"},
        MatchRow{"[libfoo]", "AC_INIT([libfoo]\n, 1.0)\n", "yes"},
        MatchRow{"[libfoo]", "AC_INIT([lib\nfoo], 1.0)\n", "no"},
        MatchRow{"[libfoo]", bytes("AC_INIT(\0[libfoo], 1.0)\n"), "no"},
        MatchRow{"[libfoo]", bytes("AC_INIT([lib\0foo], [1.0])\n"), "no"},
        // 0xA0 is no whitespace.
        MatchRow{"[libfoo]", "AC_INIT(\xA0[libfoo], 1.0)\n", "no"}));

INSTANTIATE_TEST_SUITE_P(
    WhitespaceInNameMatchesAnyRun, MatchTest,
    testing::Values(MatchRow{"my lib", "AC_INIT(my lib, 1.0)\n", "yes"},
                    MatchRow{"my lib", "AC_INIT(mylib, 1.0)\n", "yes"},
                    MatchRow{"my lib", "AC_INIT(my\tlib, 1.0)\n", "yes"},
                    MatchRow{"my lib", "AC_INIT(my \t \r lib, 1.0)\n", "yes"},
                    MatchRow{"my\t\nlib", "AC_INIT(my lib, 1.0)\n", "yes"},
                    MatchRow{" [libfoo] ", "AC_INIT([libfoo],1)\n", "yes"},
                    MatchRow{" ", "AC_INIT(,1)\n", "yes"},
                    MatchRow{"my lib", "AC_INIT(my_lib, 1.0)\n", "no"}));

INSTANTIATE_TEST_SUITE_P(
    PercentIsAnOrdinaryByte, MatchTest,
    testing::Values(MatchRow{"lib%sfoo", "AC_INIT(lib%sfoo, 4.5)\n", "yes"},
                    MatchRow{"lib%sfoo", "AC_INIT(libbarfoo, 4.5)\n", "no"},
                    MatchRow{"%s", "AC_INIT(anything, 1.0)\n", "no"},
                    MatchRow{"%n%s%d", "AC_INIT(%n%s%d, 6.6)\n", "yes"},
                    MatchRow{"100%", "AC_INIT(100%, 1)\n", "yes"},
                    MatchRow{"%%", "AC_INIT(%, 1)\n", "no"},
                    MatchRow{"%%", "AC_INIT(%%, 1)\n", "yes"}));

// m4 ends the first argument at the first comma or ')' outside quotes and
// parentheses: a name that is no whole argument names no call, even where
// its bytes stand in the file (each row checked with Autoconf 2.71: for
// AC_INIT(foo,bar, [2.0]) it gives the name foo and the version bar).
INSTANTIATE_TEST_SUITE_P(
    NameIsOneWholeArgument, MatchTest,
    testing::Values(MatchRow{"foo,bar", "AC_INIT(foo,bar, [2.0])\n", "no"},
                    MatchRow{"foo", "AC_INIT(foo,bar, [2.0])\n", "yes"},
                    MatchRow{"[a,b]", "AC_INIT([a,b], [1])\n", "yes"},
                    MatchRow{"f(a,b)", "AC_INIT(f(a,b), [1.5])\n", "yes"},
                    MatchRow{"f(a", "AC_INIT(f(a,b), [1.5])\n", "no"},
                    MatchRow{"foo)", "AC_INIT(foo), [1])\n", "no"},
                    MatchRow{"[foo", "AC_INIT([foo, [1.0]])\n", "no"},
                    MatchRow{"foo#x", "AC_INIT(foo#x, [1.0])\n", "no"},
                    MatchRow{"[a#]", "AC_INIT([a#], [1])\n", "yes"},
                    MatchRow{"[a]]", "AC_INIT([a]], [1])\n", "yes"}));

// The pattern of any library: the name of each call a library's name can
// pick out, as written, or "no" / "more".
std::string any_name_of(const std::string& text) {
  SearchPattern pattern;
  build_any_name_pattern(&pattern);
  switch (match_call_head(pattern, text.data(), text.size())) {
    case HeadMatch::no:
      return "no";
    case HeadMatch::needs_more:
      return "more";
    case HeadMatch::yes:
      break;
  }
  std::size_t start = 0;
  std::size_t length = 0;
  read_call_name(text.data(), text.size(), &start, &length);
  return text.substr(start, length);
}

TEST(SearchPatternTest, AnyNameIsTheFirstArgumentAsWritten) {
  EXPECT_EQ(any_name_of("AC_INIT([libogg], [1.3.5])"), "[libogg]");
  EXPECT_EQ(any_name_of("AC_INIT( \n [spaced]  , 3)"), "[spaced]");
  EXPECT_EQ(any_name_of("AC_INIT(my lib,1)"), "my lib");
  EXPECT_EQ(any_name_of("AC_INIT(f(a,b), [1])"), "f(a,b)");
  EXPECT_EQ(any_name_of("AC_INIT([a, b], [1])"), "[a, b]");
  EXPECT_EQ(any_name_of("AC_INIT(foo,bar, [2.0])"), "foo");
  // No comma after it: no name a library could be found by.
  EXPECT_EQ(any_name_of("AC_INIT([one])"), "no");
  EXPECT_EQ(any_name_of("AC_INIT(, [1])"), "no");
  EXPECT_EQ(any_name_of("AC_INIT(foo # x, [1])"), "no");
  EXPECT_EQ(any_name_of(bytes("AC_INIT(a\0b, [1])")), "no");
  EXPECT_EQ(any_name_of("AC_INIT ([a], [1])"), "no");
  EXPECT_EQ(any_name_of("AC_INIT([a"), "more");
  EXPECT_EQ(any_name_of("AC_INIT(  "), "more");
  EXPECT_EQ(any_name_of("AC_INI"), "more");
}

TEST(SearchPatternTest, LongNamesAreMatchedInFull) {
  const std::string name(150, 'a');
  EXPECT_EQ(head_of(name.c_str(), "AC_INIT(" + name + ", 8.1)\n"), "yes");
  std::string other = name;
  other.back() = 'b';
  EXPECT_EQ(head_of(other.c_str(), "AC_INIT(" + name + ", 8.1)\n"), "no");
}

TEST(SearchPatternTest, NameTooLongForAnyCallMatchesNothing) {
  SearchPattern pattern;
  build_search_pattern(std::string(100000, 'a').c_str(), &pattern);
  EXPECT_FALSE(pattern.can_match);
  // Whitespace runs take no room, however long they are.
  const std::string spaced =
      std::string(100000, ' ') + "x" + std::string(100000, '\t');
  EXPECT_EQ(head_of(spaced.c_str(), "AC_INIT(x, 3.3)\n"), "yes");
}

TEST(SearchPatternTest, FindsTheKeywordAnywhereInABlock) {
  for (std::size_t at = 0; at < 300; ++at) {
    std::string text(300, 'x');
    text.replace(at, call_keyword_length, call_keyword, call_keyword_length);
    text.resize(300);
    const char* found = find_call_keyword(text.data(), text.data() + 300);
    const std::size_t expected = at + call_keyword_length <= 300 ? at : 300;
    EXPECT_EQ(static_cast<std::size_t>(found - text.data()), expected);
  }
}

struct WideRow {
  std::wstring lib_name;
  std::string line;
  const char* head;
};

class WideNameTest : public testing::TestWithParam<WideRow> {};

TEST_P(WideNameTest, IsNarrowedBeforeMatching) {
  const WideRow& row = GetParam();
  EXPECT_EQ(head_of(row.lib_name.c_str(), row.line), row.head);
}

INSTANTIATE_TEST_SUITE_P(
    Narrowing, WideNameTest,
    testing::Values(
        WideRow{L"[libfoo]", "AC_INIT([libfoo], 1.0)\n", "yes"},
        WideRow{L"[caf\u00e9]", "AC_INIT([caf\xE9], 2.0)\n", "yes"},
        WideRow{L"[caf\u00e9]", "AC_INIT([caf\xC3\xA9], 2.0)\n", "no"},
        WideRow{L"[\u00ff]", "AC_INIT([\xFF], 2.0)\n", "yes"},
        // A character above 255 leaves a pattern that matches nothing; it
        // is never taken for the byte of its low eight bits (here ':').
        WideRow{L"[\u263a]", "AC_INIT([:], 2.0)\n", "no"},
        WideRow{L"\u263a", "AC_INIT(, 2.0)\n", "no"},
        WideRow{L"my\u0009lib", "AC_INIT(my lib, 1)\n", "yes"}));

}  // namespace
