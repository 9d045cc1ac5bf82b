#include "scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>

#include "memory_input.h"
#include "text.h"

namespace {

// What a scan ends with: the version, "<none>", or "<refused LINE NAME>".
std::string outcome(int found, const char* version, const ScanReport& report) {
  if (found == 1) {
    return version;
  }
  EXPECT_EQ(found, 0);
  EXPECT_STREQ(version, "") << "a failed scan leaves the version empty";
  if (report.refused_line == 0) {
    return "<none>";
  }
  return "<refused " + std::to_string(report.refused_line) + " " +
         report.refused.text + ">";
}

// Scans data read chunk bytes at a time, once as a pipe and once as a file
// that can be read again, which must give the same.
std::string scan(const std::string& data, const char* lib_name,
                 std::size_t chunk, bool fails_at_end = false) {
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  std::string outcomes[2];
  for (const bool rewinds : {false, true}) {
    MemoryInput input{data.data(),  data.size(), chunk,
                      fails_at_end, 0,           rewinds};
    char version[version_buffer_size];
    std::memset(version, '?', sizeof version);
    ScanReport report;
    const int found = scan_for_version(read_memory, rewind_memory, &input,
                                       pattern, version, &report);
    outcomes[rewinds ? 1 : 0] = outcome(found, version, report);
  }
  EXPECT_EQ(outcomes[0], outcomes[1]) << "read once and read twice differ";
  return outcomes[0];
}

struct FilterRow {
  const char* capture;
  const char* version;
};

class FilterTest : public testing::TestWithParam<FilterRow> {};

TEST_P(FilterTest, KeepsOnlyVersionBytesInOrder) {
  std::string text = GetParam().capture;
  const std::size_t length = filter_version(text.data());
  EXPECT_STREQ(text.c_str(), GetParam().version);
  EXPECT_EQ(length, std::strlen(GetParam().version));
}

INSTANTIATE_TEST_SUITE_P(
    Filter, FilterTest,
    testing::Values(FilterRow{"[1.2.3])", "1.2.3"},
                    FilterRow{"1.2.3-rc1", "1.2.3-rc1"},
                    FilterRow{"2.0_beta", "2.0_beta"},
                    FilterRow{"1.2.3+git", "1.2.3git"},
                    FilterRow{"[1.\xC3\xA9"
                              "2\xFF]",
                              "1.2"},
                    FilterRow{"AZaz09._-", "AZaz09._-"},
                    FilterRow{"!\"#$%&'()*+/:;<=>?@[\\]^`{|}~", ""},
                    FilterRow{")", ""}, FilterRow{"", ""}));

struct ScanRow {
  const char* what;
  std::string data;
  const char* lib_name;
  std::string version;
};

// Every row is scanned with reads of several sizes: the result must not
// depend on where reads end.
class ScanTest
    : public testing::TestWithParam<std::tuple<ScanRow, std::size_t>> {};

TEST_P(ScanTest, FindsTheFirstCallWithAVersion) {
  const ScanRow& row = std::get<0>(GetParam());
  EXPECT_EQ(scan(row.data, row.lib_name, std::get<1>(GetParam())), row.version)
      << row.what;
}

const std::size_t read_sizes[] = {1, 7, 4095, 4096, 1 << 20};

std::string repeat(char byte, std::size_t count) {
  // Not braces: they would pick the initializer-list constructor.
  return std::string(count, byte);  // NOLINT(modernize-return-braced-init-list)
}

const ScanRow lines_rows[] = {
    {"empty input", "", "[libfoo]", "<none>"},
    {"no matching line", "AC_PREREQ([2.69])\nAC_OUTPUT\n", "[libfoo]",
     "<none>"},
    {"match on a later line",
     "dnl x\nAC_PREREQ(2.69)\nAC_INIT([libfoo], [1.2.3])\n", "[libfoo]",
     "1.2.3"},
    {"leading whitespace", " \t\v\f\rAC_INIT(libfoo, 1.2.3)\n", "libfoo",
     "1.2.3"},
    {"first of two wins", "AC_INIT(a, 1)\nAC_INIT(a, 2)\n", "a", "1"},
    {"emptied capture is passed over",
     "AC_INIT(a, [ ])\nAC_INIT(a, )\nAC_INIT(a,,x)\nAC_INIT(a, 3)\n", "a", "3"},
    {"carriage return", "AC_INIT(a, 1.0)\r\n", "a", "1.0"},
    {"last line without newline", "x\nAC_INIT(a, 4.0)", "a", "4.0"},
    {"zero byte ends the version", std::string("AC_INIT(a, 9\0.9)\n", 17), "a",
     "9"},
    {"zero byte hides the line", std::string("\0AC_INIT(a, 1)\n", 15), "a",
     "<none>"},
    {"text after a zero byte is still the same line",
     std::string("x\0\nAC_INIT(a, 1)\n", 17), "a", "1"},
    {"newline only", "\n\n\n", "a", "<none>"},
};

INSTANTIATE_TEST_SUITE_P(Lines, ScanTest,
                         testing::Combine(testing::ValuesIn(lines_rows),
                                          testing::ValuesIn(read_sizes)));

const std::string match_a = "AC_INIT(a, 5.0)\n";

const ScanRow long_line_rows[] = {
    {"keyword that ends a long name", repeat('x', 4095) + match_a, "a",
     "<none>"},
    {"whitespace before the call, however long", repeat(' ', 5000) + match_a,
     "a", "5.0"},
    {"a version far from its keyword",
     "AC_INIT(a," + repeat(' ', 5000) + "12.34)\n", "a", "12.34"},
    {"the head within 4095 bytes of the keyword",
     "AC_INIT(" + repeat(' ', 4085) + "a,1)\n", "a", "1"},
    {"the head past 4095 bytes of the keyword",
     "AC_INIT(" + repeat(' ', 4086) + "a,1)\n", "a", "<none>"},
    {"a version of 4095 bytes", "AC_INIT(a," + repeat('1', 4095) + ")\n", "a",
     repeat('1', 4095)},
    {"a longer version", "AC_INIT(a," + repeat('1', 4096) + ")\n", "a",
     "<refused 1 AC_INIT>"},
    {"last line without newline", repeat('x', 5000) + "\nAC_INIT(a, 6)", "a",
     "6"},
};

INSTANTIATE_TEST_SUITE_P(LongLines, ScanTest,
                         testing::Combine(testing::ValuesIn(long_line_rows),
                                          testing::ValuesIn(read_sizes)));

TEST(ScanTest, ReadErrorEndsTheInput) {
  for (const std::size_t chunk : read_sizes) {
    // A call read in full before the error still counts ...
    EXPECT_EQ(scan("AC_INIT(a, 1.0)\n", "a", chunk, true), "1.0");
    EXPECT_EQ(scan("x\nAC_INIT(a, 1.0)", "a", chunk, true), "1.0");
    // ... but one that the error cuts short yields nothing, and no refusal.
    EXPECT_EQ(scan("x\nAC_INIT(a, 1.0", "a", chunk, true), "<none>");
  }
}

TEST(ScanTest, ReadsNoFurtherThanTheCallNeeds) {
  // A pipe's writer may wait for the answer before it writes more.
  SearchPattern pattern;
  build_search_pattern("a", &pattern);
  for (const std::string& start :
       {std::string("AC_INIT(a, 1)\n"), std::string("AC_INIT(\n a,\n 1)")}) {
    const std::string data = start + repeat('x', 1 << 20);
    MemoryInput input{data.data(), data.size(), 4, false, 0, false};
    char version[version_buffer_size];
    ScanReport report;
    EXPECT_EQ(scan_for_version(read_memory, nullptr, &input, pattern, version,
                               &report),
              1);
    EXPECT_LE(input.offset, start.size() + 4);
  }
}

TEST(ScanTest, ResultDoesNotDependOnHowTheInputIsRead) {
  // Inputs made of the fragments that matter: keywords, names, quotes,
  // definitions and long runs that move calls across reads and the
  // engine's look ahead.
  const std::string fragments[] = {"AC_INIT",
                                   "AC_INIT(a, 1.0)",
                                   "AC_INIT(a,",
                                   "AC_INIT([a],[2],[b])",
                                   "(",
                                   "a",
                                   ",",
                                   " ",
                                   "\n",
                                   "\n",
                                   "x",
                                   "1.2",
                                   std::string(1, '\0'),
                                   "dnl ",
                                   "m4_define([v], [1.1])\n",
                                   "define(v, 2)",
                                   "m4_define([w], [v.x])\n",
                                   "m4_define([v],\n",
                                   "AC_INIT([a], [v])",
                                   "AC_INIT(a, w)\n",
                                   "AC_INIT(a,\n",
                                   "m4_if(v, 1.1, [3], [4])",
                                   "AC_DEFUN([x], [4])",
                                   "m4_esyscmd([date])",
                                   "[",
                                   "]",
                                   ")",
                                   "#",
                                   std::string(900, ' '),
                                   std::string(1300, 'x'),
                                   std::string(4095, 'y')};
  // The same inputs on every run, so that a failure can be repeated.
  std::mt19937 random(20261209);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  for (int round = 0; round < 2000; ++round) {
    std::string data;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      data += fragments[random() % (sizeof fragments / sizeof fragments[0])];
    }
    const std::size_t chunk = 1 + random() % 9000;
    const char* name = random() % 2 != 0 ? "a" : "[a]";
    ASSERT_EQ(scan(data, name, chunk), scan(data, name, data.size() + 1))
        << "round " << round << ", read size " << chunk;
  }
}

// The names of a file's AC_INIT calls, a line each, read chunk bytes at a
// time, as a file or as a pipe.
std::string names_in(const std::string& text, std::size_t chunk, bool rewinds) {
  MemoryInput input{text.data(), text.size(), chunk, false, 0, rewinds};
  std::string names;
  const std::size_t count = scan_for_names(
      read_memory, rewind_memory, &input,
      [](void* context, const char* name) {
        *static_cast<std::string*>(context) += std::string(name) + "\n";
        return true;
      },
      &names);
  EXPECT_EQ(
      static_cast<std::size_t>(std::count(names.begin(), names.end(), '\n')),
      count);
  return names;
}

TEST(ScanTest, NamesAreThoseOfTheCallsM4Reads) {
  const std::string file =
      "dnl AC_INIT([commented], [1])\n"
      "# AC_INIT([hashed], [1])\n"
      "AC_INIT([libogg], [1.3.5], [ogg-dev@xiph.org])\n"
      "m4_define([x], [AC_INIT([quoted], [1])])\n"
      "AC_INIT(plain,2.0)\n"
      "  AC_INIT( [spaced]  , [3])\n"
      "AC_INIT([one])\n"
      "text AC_INIT([not first], [1])\n"
      "AC_INIT(foo,bar, [2.0])\n"
      "AC_INIT([multi\nline], [1])\n" +
      repeat('x', 5000) + "\nAC_INIT([late], [1])\n";
  const std::string expected =
      "[libogg]\nplain\n[spaced]\nfoo\n[multi line]\n[late]\n";
  for (const std::size_t chunk : read_sizes) {
    EXPECT_EQ(names_in(file, chunk, true), expected) << chunk;
    EXPECT_EQ(names_in(file, chunk, false), expected) << chunk;
  }
  EXPECT_EQ(names_in("AC_INIT([a])\n" + repeat(' ', 40000), 7, true), "");
  // After changequote the engine cannot tell what m4 reads as a call.
  EXPECT_EQ(
      names_in("AC_INIT(a, 1)\nchangequote(<,>)\nAC_INIT(b, 2)\n", 3, false),
      "a\n");
}

}  // namespace
