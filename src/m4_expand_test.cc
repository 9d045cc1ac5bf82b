#include "m4_expand.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "memory_input.h"
#include "scanner.h"

namespace {

// The outcome of a scan for the library [t]: the version, "<none>", or
// "<refused NAME>" (or "<refused LINE NAME>" with line).
std::string scan_text(const std::string& text, std::size_t chunk,
                      bool with_line) {
  SearchPattern pattern;
  build_search_pattern("[t]", &pattern);
  MemoryInput input{text.data(), text.size(), chunk, false, 0, false};
  char version[version_buffer_size];
  ScanReport report;
  if (scan_for_version(read_memory, nullptr, &input, pattern, version,
                       &report) == 1) {
    return version;
  }
  if (report.refused_line == 0) {
    return "<none>";
  }
  return std::string("<refused ") +
         (with_line ? std::to_string(report.refused_line) + " " : "") +
         report.refused.text + ">";
}

// The same, read whole and a byte at a time, which must agree.
std::string outcome(const std::string& text, bool with_line = false) {
  std::string whole = scan_text(text, text.size() + 1, with_line);
  EXPECT_EQ(scan_text(text, 1, with_line), whole) << "reads of one byte";
  return whole;
}

std::string version_of(const std::string& prologue,
                       const std::string& argument) {
  return outcome((prologue.empty() ? "" : prologue + "\n") + "AC_INIT([t], " +
                 argument + ")\n");
}

// Rows checked against Autoconf 2.71 itself: the version Autoconf puts in
// PACKAGE_VERSION, filtered, or a refusal where it fails or needs a shell,
// another file or what the tool leaves to it.
struct EngineRow {
  const char* what;
  const char* prologue;
  const char* argument;
  const char* outcome;
};

class EngineTest : public testing::TestWithParam<EngineRow> {};

TEST_P(EngineTest, GivesAutoconfsVersionOrRefuses) {
  const EngineRow& row = GetParam();
  EXPECT_EQ(version_of(row.prologue, row.argument), row.outcome) << row.what;
}

const EngineRow definitions_rows[] = {
    {"quoted name and value", "m4_define([v], [1.4])", "[v]", "1.4"},
    {"bare define", "define(v, 2.0)", "v", "2.0"},
    {"parts",
     "m4_define([maj], [1])\nm4_define([min], [4])\nm4_define([ver], "
     "[maj.min])",
     "[ver]", "1.4"},
    {"name on the line after the call",
     "m4_define(\n    [foo_version],\n    [3.1])", "[foo_version]", "3.1"},
    {"unquoted value taken at once",
     "m4_define([a], [1])\nm4_define([b], a)\nm4_define([a], [2])", "[b]", "1"},
    {"quoted value taken when used", "m4_define([b], [a])\nm4_define([a], [7])",
     "[b]", "7"},
    {"redefinition replaces", "m4_define([v], [1.0])\nm4_define([v], [2.0])",
     "[v]", "2.0"},
    {"redefinition sees the old value",
     "m4_define([v], [1])\nm4_define([v], m4_if(v, [1], [1.1], [0]))", "[v]",
     "1.1"},
    {"value computed when read",
     "m4_define([v], m4_if([a], [a], [5.0], [6.0]))", "[v]", "5.0"},
    {"pushdef and popdef",
     "m4_define([v], [1])\nm4_pushdef([v], [2])\nm4_popdef([v])", "[v]", "1"},
    {"undefine", "m4_define([v], [1])\nm4_undefine([v])", "[v]", "v"},
    {"ifndef defines once",
     "m4_ifndef([v], [m4_define([v], [3.3])])\nm4_ifndef([v], [m4_define([v], "
     "[4.4])])",
     "[v]", "3.3"},
    {"define_default",
     "m4_define_default([v], [1])\nm4_define_default([v], [2])", "[v]", "1"},
    {"append",
     "m4_define([v], [1])\nm4_append([v], [2], [.])\nm4_append([w], [3])",
     "[v.w]", "1.2.3"},
    {"append_uniq",
     "m4_append_uniq([l], [a], [-])\nm4_append_uniq([l], [b], "
     "[-])\nm4_append_uniq([l], [a], [-])",
     "[l]", "a-b"},
    {"append_uniq matches whole items only",
     "m4_append_uniq([l], [ab], [-])\nm4_append_uniq([l], [b], [-])\n"
     "m4_append_uniq([l], [cd])\nm4_append_uniq([l], [d])\n"
     "m4_append_uniq([l], [ab], [-])",
     "[l]", "ab-bcd"},
    {"copy and rename",
     "m4_define([a], [1.2])\nm4_copy([a], [b])\nm4_rename([a], [c])", "[a.b.c]",
     "a.1.2.1.2"},
    {"comments and dnl hide definitions",
     "# m4_define([v], [9])\ndnl m4_define([v], [8])\nm4_define([w], [1])",
     "[v.w]", "v.1"},
    {"Autoconf's URL shim",
     "m4_ifndef([AC_PACKAGE_URL], [m4_define([AC_PACKAGE_URL], "
     "[https://x.org/])])",
     "[1.0]", "1.0"}};

INSTANTIATE_TEST_SUITE_P(Definitions, EngineTest,
                         testing::ValuesIn(definitions_rows));

const EngineRow parameters_rows[] = {
    {"$1 and $2", "m4_define([mk], [$1.$2])", "[mk(3, 4)]", "3.4"},
    {"missing arguments are empty", "m4_define([mk], [$1.$2])", "[mk(3)]",
     "3."},
    {"no call: parameters empty", "m4_define([v], [$1.0])", "[v]", ".0"},
    {"$# $* $@", "m4_define([c], [$#:$*:$@])", "[c(a, [b])]", "2abab"},
    {"$0 is the name", "m4_define([c], [[$0]])", "[c]", "c"},
    {"ten and more", "m4_define([ten], [$10$11])",
     "[ten(1,2,3,4,5,6,7,8,9,x,y)]", "xy"},
    {"concat helper",
     "m4_define([concat], $1$2$3$4)\nm4_define([v], concat(1, [.], 2))", "[v]",
     "1.2"},
    {"recursion",
     "m4_define([down], [m4_if([$1], [0], [z], [$1.down(m4_decr($1))])])",
     "[down(3)]", "3.2.1.z"},
    {"parameters in the version", "m4_define([v], [x])", "[1.$1$#]", "1.0"}};

INSTANTIATE_TEST_SUITE_P(Parameters, EngineTest,
                         testing::ValuesIn(parameters_rows));

const EngineRow conditionals_rows[] = {
    {"m4_if equal", "", "[m4_if([a], [a], [1], [2])]", "1"},
    {"m4_if several pairs", "", "[m4_if([a], [b], [1], [a], [a], [2], [3])]",
     "2"},
    {"m4_if default", "", "[m4_if([a], [b], [1], [c], [d], [2], [3])]", "3"},
    {"m4_if no match no default", "", "[1.m4_if([a], [b], [1])]", "1."},
    {"m4_if one argument", "", "[1.m4_if([a])]", "1."},
    {"m4_if two arguments", "", "[1.m4_if([a], [b])]", "<refused m4_if>"},
    {"m4_if five arguments", "", "[1.m4_if([a], [b], [c], [d], [e])]",
     "<refused m4_if>"},
    {"ifelse", "", "[ifelse(a, a, 4.0, 5.0)]", "4.0"},
    {"m4_ifdef", "m4_define([d], [])",
     "[m4_ifdef([d], [1], [2]).m4_ifdef([u], [1], [2])]", "1.2"},
    {"m4_ifdef of a builtin", "", "[m4_ifdef([m4_if], [1], [2])]", "1"},
    {"m4_ifdef one argument", "", "[m4_ifdef([d])]", "<refused m4_ifdef>"},
    {"m4_ifndef", "", "[m4_ifndef([u], [1], [2])]", "1"},
    {"m4_ifval", "", "[m4_ifval([], [1], [2]).m4_ifval([ ], [3], [4])]", "2.3"},
    {"m4_ifset", "m4_define([e], [])\nm4_define([f], [x])",
     "[m4_ifset([e], [1], [2]).m4_ifset([f], [3], [4]).m4_ifset([u], [5], "
     "[6])]",
     "2.3.6"},
    {"m4_ifblank", "",
     "[m4_ifblank([ \t\n], [1], [2]).m4_ifnblank([x], [3], [4])]", "1.3"},
    {"m4_default", "", "[m4_default([], [1]).m4_default([2], [3])]", "1.2"},
    {"m4_case", "",
     "[m4_case([b], [a], [1], [b], [2], [3]).m4_case([z], [a], [1], [9])]",
     "2.9"},
    {"m4_case no match", "", "[1.m4_case([z], [a], [1])]", "1."},
    {"GNOME odd minor", "m4_define([minor], [13])",
     "[m4_if(m4_eval(minor % 2), [1], [dev], [stable])]", "dev"}};

INSTANTIATE_TEST_SUITE_P(Conditionals, EngineTest,
                         testing::ValuesIn(conditionals_rows));

const EngineRow arithmetic_rows[] = {
    {"m4_eval", "", "[m4_eval(1 + 2 * 3).m4_eval(-2**2).m4_eval(2**3**2)]",
     "7.4.512"},
    {"m4_eval radix and width", "",
     "[m4_eval(255, 16).m4_eval(5, 2, 8).m4_eval(-7, 10, 3).m4_eval(35, 36)]",
     "ff.00000101.-007.z"},
    {"m4_eval numbers", "",
     "[m4_eval(0x1F).m4_eval(017).m4_eval(0b101).m4_eval(0r36:z)]",
     "31.15.5.35"},
    {"m4_eval wraps", "", "[m4_eval(2147483647 + 1).m4_eval(-2147483648 / -1)]",
     "-2147483648.-2147483648"},
    {"m4_eval logic", "",
     "[m4_eval(0 && 1/0).m4_eval(1 || 1/0).m4_eval(!5).m4_eval(~0)]",
     "0.1.0.-1"},
    {"m4_eval division by zero", "", "[1.m4_eval(1/0)]", "<refused m4_eval>"},
    {"m4_eval empty", "", "[1.m4_eval()]", "<refused m4_eval>"},
    {"m4_eval single =", "", "[1.m4_eval(1=1)]", "<refused m4_eval>"},
    {"m4_eval bad radix", "", "[1.m4_eval(1, 37)]", "<refused m4_eval>"},
    {"m4_incr m4_decr", "", "[m4_incr(4).m4_decr(0).m4_incr(2147483647)]",
     "5.-1.-2147483648"},
    {"m4_incr not a number", "", "[1.m4_incr([x])]", "<refused m4_incr>"},
    {"m4_incr leading space", "", "[1.m4_incr([ 5])]", "<refused m4_incr>"},
    {"incr and decr", "", "[incr(1).decr(1)]", "2.0"}};

INSTANTIATE_TEST_SUITE_P(Arithmetic, EngineTest,
                         testing::ValuesIn(arithmetic_rows));

const EngineRow text_rows[] = {
    {"m4_join", "", "[m4_join([.], [1], [], [2], [3])]", "1.2.3"},
    {"m4_join one argument", "", "[1.m4_join([.])]", "1."},
    {"m4_joinall", "", "[m4_joinall([.], [1], [], [2])]", "1..2"},
    {"m4_join result is quoted", "m4_define([x], [y])",
     "[m4_join([.], [[x]], [x])]", "x.x"},
    {"Bitcoin",
     "define(_MAJ, 22)\ndefine(_MIN, 0)\ndefine(_BUILD, 3)\ndefine(_RC, 2)",
     "m4_join([.], _MAJ, _MIN, _BUILD)m4_if(_RC, [0], [], [rc]_RC)",
     "22.0.3rc2"},
    {"m4_shift", "m4_define([v], m4_quote(m4_shift([a], [b], [c])))", "[v]",
     "bc"},
    {"a quoted result with a comma in the version", "",
     "[m4_quote(m4_shift([a], [b], [c]))]", "<refused m4_shift>"},
    {"m4_normalize", "", "[m4_normalize([  1.2 \n  3 ])]", "1.23"},
    {"m4_strip", "", "[m4_strip([ a \t b ])]", "ab"},
    {"m4_flatten", "", "[m4_flatten([a\\\nb\nc])]", "abc"},
    {"m4_substr", "",
     "[m4_substr([abcdef], [2]).m4_substr([abcdef], [1], [2]).m4_substr([abc], "
     "[-1])]",
     "cdef.bc."},
    {"m4_substr empty start", "", "[1.m4_substr([abc], [])]",
     "<refused m4_substr>"},
    {"substr is no macro under Autoconf", "", "[substr(abc, 1)]", "substrabc1"},
    {"m4_len m4_index", "",
     "[m4_len([abc]).m4_index([abcabc], [ca]).m4_index([abc], [x])]", "3.2.-1"},
    {"len and index", "", "[len(abc).index(abc, c)]", "3.2"},
    {"index of empty, longer and later text", "",
     "[index(abc,).index(abc, bc).index(ab, abc).index(aab, ab)]", "0.1.-1.1"},
    {"m4_translit", "",
     "[m4_translit([hello], [a-z], [A-Z]).m4_translit([x-y], [-y], "
     "[ab]).m4_translit([abc], [z-a])]",
     "HELLO.xab."},
    {"m4_translit too few", "", "[1.m4_translit([abc])]",
     "<refused m4_translit>"},
    {"m4_format", "",
     "[m4_format([%d.%02d.%s], 1, 2, [x]).m4_format([%-3s|%5d|%+d], [a], 7, "
     "3)]",
     "1.02.x.a73"},
    {"m4_format other conversions", "", "[m4_format([%x], 255)]",
     "<refused m4_format>"},
    {"m4_format empty number", "", "[1.m4_format([%d], [])]",
     "<refused m4_format>"},
    {"m4_quote m4_dquote", "m4_define([v], m4_quote([a], [b]).m4_dquote([c]))",
     "[v]", "ab.c"},
    {"m4_defn", "m4_define([v], [1.7])", "[m4_defn([v])]", "1.7"},
    {"m4_defn of undefined", "", "[1.m4_defn([u])]", "<refused m4_defn>"},
    {"m4_defn alone", "", "[1.m4_defn]", "<refused m4_defn>"},
    {"quadrigraphs", "", "[1.0@&t@beta@<:@x@:>@]", "1.0betax"}};

INSTANTIATE_TEST_SUITE_P(Text, EngineTest, testing::ValuesIn(text_rows));

const EngineRow refused_rows[] = {
    {"shell command", "", "m4_esyscmd([echo 1.0])", "<refused m4_esyscmd>"},
    {"shell command through a definition",
     "m4_define([v], m4_esyscmd_s([echo 2]))", "[v]", "<refused v>"},
    {"another file", "m4_define([v], [1])\nm4_sinclude([version.m4])", "[v]",
     "<refused v>"},
    {"AC_DEFUN", "AC_DEFUN([v], [3.0])", "[v]", "<refused v>"},
    {"regular expressions", "", "[m4_bpatsubst([1-2], [-], [.])]",
     "<refused m4_bpatsubst>"},
    {"changequote", "changequote(<, >)define(<v>, <7>)changequote([, ])", "[v]",
     "<refused changequote>"},
    {"Autoconf's own macros redefined",
     "m4_define([AC_PACKAGE_VERSION], [9.9])", "[1.0]",
     "<refused AC_PACKAGE_VERSION>"},
    {"an unknown m4sugar macro names it",
     "m4_define([v], [1])\nm4_copy_force([w], [v])", "[v]", "<refused v>"},
    {"definitions in the version", "", "[m4_define([w], [1])w]",
     "<refused m4_define>"},
    {"a name Autoconf forbids", "", "[[m4_foo]]", "<refused m4_foo>"},
    {"self reference", "m4_define([v], [v.])", "[v]", "<refused v>"}};

INSTANTIATE_TEST_SUITE_P(Refused, EngineTest, testing::ValuesIn(refused_rows));

TEST(EngineTest, ZeroByteEndsTheVersion) {
  // m4_normalize's patterns stop there; so does Autoconf's version.
  EXPECT_EQ(version_of("", std::string("[2.0\0.9]", 8)), "2.0");
}

TEST(EngineTest, RefusesRunawayExpansionAndDeepNesting) {
  EXPECT_EQ(version_of("m4_define([v], [v.])", "[v]"), "<refused v>");
  EXPECT_EQ(version_of("m4_define([v], [v])", "[v]"), "<refused v>");
  const std::string deep = std::string(200, '(') + "1" + std::string(200, ')');
  EXPECT_EQ(version_of("", "m4_eval(" + deep + ")"), "1");
  std::string nested = "1";
  for (int i = 0; i < 100; ++i) {
    nested.insert(0, "m4_if(a, a, ").append(")");
  }
  EXPECT_EQ(version_of("", nested), "<refused m4_if>");
}

// Each limit holds exactly where it is set, in 32-bit builds as in 64-bit
// ones: one step more is refused, never cut short or wrapped round.
TEST(EngineTest, LimitsHoldAtTheirEdges) {
  const auto chain = [](int links) {
    std::string text;
    for (int i = 0; i < links; ++i) {
      text += "m4_define([a" + std::to_string(i) + "], [a" +
              std::to_string(i + 1) + "])\n";
    }
    return text + "m4_define([a" + std::to_string(links) + "], [1.0])";
  };
  EXPECT_EQ(version_of(chain(1023), "[a0]"), "1.0");  // 1024 expansions
  EXPECT_EQ(version_of(chain(1024), "[a0]"), "<refused a0>");

  const auto parens = [](int depth) {
    return "m4_eval(" + std::string(depth, '(') + "1" +
           std::string(depth, ')') + ")";
  };
  EXPECT_EQ(version_of("", parens(255)), "1");
  EXPECT_EQ(version_of("", parens(256)), "<refused m4_eval>");

  const auto nested = [](int depth) {
    std::string text = "1";
    for (int i = 0; i < depth; ++i) {
      text.insert(0, "m4_if(a, a, ").append(")");
    }
    return text;
  };
  EXPECT_EQ(version_of("", nested(63)), "1");
  EXPECT_EQ(version_of("", nested(64)), "<refused m4_if>");

  const auto join = [](int items) {  // and the separator: items + 1 arguments
    std::string text = "m4_join([.]";
    for (int i = 0; i < items; ++i) {
      text += ", 1";
    }
    return text + ")";
  };
  EXPECT_EQ(version_of("", join(63)).size(), std::size_t{125});
  EXPECT_EQ(version_of("", join(64)), "<refused m4_join>");

  EXPECT_EQ(version_of("", "m4_format([%4095s], [x])"), "x");
  EXPECT_EQ(version_of("", "m4_format([%4096s], [x])"), "<refused m4_format>");
  EXPECT_EQ(version_of("", "[" + std::string(4095, '1') + "]"),
            std::string(4095, '1'));
  EXPECT_EQ(version_of("", "[" + std::string(4096, '1') + "]"),
            "<refused AC_INIT>");
}

TEST(EngineTest, RefusesExpansionsThatGiveTooMuchText) {
  // Found by fuzzing: each expansion gives kilobytes that dnl then reads
  // through; the text of one construct is bounded as its expansions are.
  EXPECT_EQ(version_of("m4_define([w], [m4_format([%4000s], [.])w])", "[w]"),
            "<refused m4_format>");
  EXPECT_EQ(
      version_of("m4_define([w], [m4_format([%4000s], [.])w])\nw", "[1.0]"),
      "<refused m4_format>");
}

TEST(EngineTest, KeepsEveryDefinitionOfALongFile) {
  // More values than the table's text holds at once: replaced values are
  // dropped, live ones kept.
  std::string prologue;
  for (int i = 0; i < 3000; ++i) {
    prologue += "m4_define([v" + std::to_string(i % 100) + "], [" +
                std::string(40, 'x') + std::to_string(i) + "])\n";
  }
  EXPECT_EQ(version_of(prologue, "[v99.v0]"),
            std::string(40, 'x') + "2999." + std::string(40, 'x') + "2900");
}

TEST(EngineTest, AFullTableRefusesWhatItCannotHold) {
  std::string prologue = "m4_define([early], [1])\n";
  for (int i = 0; i < 1100; ++i) {
    prologue += "m4_define([n" + std::to_string(i) + "], [2])\n";
  }
  EXPECT_EQ(version_of(prologue, "[early]"), "<refused early>");
  EXPECT_EQ(version_of(prologue, "[1.0]"), "1.0");
}

TEST(EngineTest, AnotherFileMakesEarlierAndUnknownNamesUnsure) {
  const std::string prologue =
      "m4_define([early], [1])\nm4_include([v.m4])\nm4_define([late], [2])";
  EXPECT_EQ(version_of(prologue, "[late]"), "2");
  EXPECT_EQ(version_of(prologue, "[early]"), "<refused early>");
  EXPECT_EQ(version_of(prologue, "[1.0-beta]"), "<refused beta>");
  EXPECT_EQ(version_of(prologue, "[1.0]"), "1.0");
}

TEST(EngineTest, AutoconfMacrosBeforeAcInitChangeNoDefinition) {
  EXPECT_EQ(version_of("m4_define([v], [1])\nAC_PREREQ([2.69])\n"
                       "AC_CONFIG_SRCDIR([v.c])\nm4_pattern_forbid([^X_])",
                       "[v]"),
            "1");
  // ... unless their arguments define names where the engine cannot see.
  EXPECT_EQ(version_of("m4_define([v], [1])\n"
                       "AS_IF([test x = y], [m4_define([v], [2])])",
                       "[v]"),
            "<refused v>");
}

TEST(EngineTest, ACallInsideQuotesOrArgumentsIsRefused) {
  EXPECT_EQ(outcome("m4_define([x], [\nAC_INIT([t], [1.0])\n])\n", true),
            "<refused 2 m4_define>");
  EXPECT_EQ(outcome("[\nAC_INIT([t], [1.0])\n]\n", true),
            "<refused 2 AC_INIT>");
  EXPECT_EQ(outcome("m4_if([a], [a],\n  AC_INIT([t], [1.0]))\n", true),
            "<refused 2 m4_if>");
  // A later call as m4 reads it still counts.
  EXPECT_EQ(outcome("AS_IF([x],\nAC_INIT([t], [1.0]))\nAC_INIT([t], [2.0])\n"),
            "2.0");
  // A comment or a name never hides a call, nor does a long line.
  EXPECT_EQ(outcome("# [\nAC_INIT([t], [3.0])\n"), "3.0");
  EXPECT_EQ(outcome(std::string(5000, ' ') + "AC_INIT([t], [4.0])\n"), "4.0");
  EXPECT_EQ(outcome(std::string(4095, 'x') + "AC_INIT([t], [5.0])\n"),
            "<none>");
}

TEST(EngineTest, ADefinitionEndingWhereAReadEndsLosesNoCall) {
  // A defining call whose name ends a 4095-byte stretch, then a call.
  for (const std::size_t pad : {4086, 4087, 4090, 4094, 8181}) {
    const std::string text =
        std::string(pad, ' ') + "m4_define([v], [1.0])\nAC_INIT([t], [v])\n";
    EXPECT_EQ(outcome(text), "1.0") << pad;
  }
}

TEST(EngineTest, ANameWithAZeroByteEndsThereInTheMessage) {
  // Found by fuzzing: any text may be defined, a zero byte included.
  EXPECT_EQ(version_of(std::string("define([AC_INITx\0y], [1])", 25), "[1.0]"),
            "<refused AC_INITx>");
}

TEST(EngineTest, TheFileEndingInsideTheCallIsRefused) {
  EXPECT_EQ(outcome("AC_INIT([t], [1.0]"), "<refused AC_INIT>");
  EXPECT_EQ(outcome("AC_INIT([t], [1.0"), "<refused AC_INIT>");
}

}  // namespace

namespace {

// The engine stopped at the library's call of a file, for the values the
// call defines besides the version.
struct StoppedScan {
  LibraryScan scan;
  bool found;
};

void stop_at_call(const std::string& text, const char* lib_name,
                  StoppedScan* stopped) {
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  MemoryInput input{text.data(), text.size(), 5, false, 0, false};
  char version[version_buffer_size];
  ScanReport report;
  stopped->found =
      scan_to_library_call(read_memory, nullptr, &input, pattern, true,
                           &stopped->scan, version, &report) == 1;
}

// Rows checked against the configure script Autoconf 2.71 makes, run: the
// value, or "<refused NAME>".
struct PackageRow {
  const char* lib_name;
  const char* file;
  PackageValue which;
  const char* outcome;
};

class PackageValueTest : public testing::TestWithParam<PackageRow> {};

TEST_P(PackageValueTest, GivesTheConfigureScriptsValueOrRefuses) {
  const PackageRow& row = GetParam();
  // Too large for a test's stack.
  const auto stopped = std::make_unique<StoppedScan>();
  stop_at_call(std::string(row.file) + "\n", row.lib_name, stopped.get());
  ASSERT_TRUE(stopped->found) << row.file;
  char value[version_buffer_size];
  NameText refused;
  const std::string got =
      expand_package_value(&stopped->scan.engine, row.which, value, &refused)
          ? std::string(value)
          : std::string("<refused ") + refused.text + ">";
  EXPECT_EQ(got, row.outcome) << row.file;
}

using P = PackageValue;
const PackageRow package_rows[] = {
    // Autoconf's defaults: the tarname from the name, gnu.org's page for
    // GNU packages, the name and the unfiltered version.
    {"[GNU Foo Bar]", "AC_INIT([GNU Foo Bar], [2.1-rc1])", P::tarname,
     "foo-bar"},
    {"[GNU Foo Bar]", "AC_INIT([GNU Foo Bar], [2.1-rc1])", P::url,
     "https://www.gnu.org/software/foo-bar/"},
    {"[GNU Foo Bar]", "AC_INIT([GNU Foo Bar], [2.1-rc1])", P::string,
     "GNU Foo Bar 2.1-rc1"},
    {"[GNU Foo Bar]", "AC_INIT([GNU Foo Bar], [2.1-rc1])", P::bugreport, ""},
    {"[GNU t]", "AC_INIT([GNU t], [1], [], [tt])", P::url,
     "https://www.gnu.org/software/tt/"},
    {"[t]", "AC_INIT([t], [1], [b], [my-tar])", P::url, ""},
    {"[t]", "AC_INIT([t], [1.0 beta])", P::string, "t 1.0 beta"},
    // Normalized, then expanded with no arguments.
    {"[t]", "m4_define([bugs], [b@x.org])\nAC_INIT([t], [1], bugs)",
     P::bugreport, "b@x.org"},
    {"[t]", "AC_INIT([t], [1], [a  [b]  c])", P::bugreport, "a b c"},
    {"[t]", "AC_INIT([t], [1], [$1 and $#])", P::bugreport, " and 0"},
    {"[t]", "AC_INIT([t], [1], [], [[]])", P::tarname, ""},
    // What only Autoconf knows, or the configure script breaks on.
    {"[Foo+Bar]", "m4_define([foo], [x])\nAC_INIT([Foo+Bar], [1])", P::tarname,
     "<refused AC_PACKAGE_TARNAME>"},
    {"[t]", "m4_define([AC_PACKAGE_NAME], [x])\nAC_INIT([t], [1])", P::name,
     "<refused AC_PACKAGE_NAME>"},
    {"[t]", "AC_INIT([t], [1], [it's])", P::bugreport,
     "<refused AC_PACKAGE_BUGREPORT>"},
    {"[t]", "AC_INIT([t], [1], [m4_esyscmd([echo x])])", P::bugreport,
     "<refused m4_esyscmd>"},
    // A plain version stays what it is where the rest of the call never
    // closes; the rest is refused.
    {"[t]", "AC_INIT([t], [1.0], [b(", P::bugreport, "<refused AC_INIT>"},
};

INSTANTIATE_TEST_SUITE_P(Table, PackageValueTest,
                         testing::ValuesIn(package_rows));

TEST(MacroValue, IsTheExpansionWhereTheCallIsRead) {
  const struct {
    const char* file;
    MacroResult result;
    const char* value;
  } rows[] = {
      {"m4_define([v], [15:0:15])\nAC_INIT([t], [1])", MacroResult::done,
       "15:0:15"},
      {"m4_define([v], [m4_eval(2 + 3)])\nAC_INIT([t], [1])", MacroResult::done,
       "5"},
      {"AC_INIT([t], [1])\nm4_define([v], [2])", MacroResult::undefined, ""},
      {"m4_define([v], [@<:@x@:>@])\nAC_INIT([t], [1])",
       MacroResult::needs_autoconf, ""},
      {"AC_DEFUN([v], [4])\nAC_INIT([t], [1])", MacroResult::needs_autoconf,
       ""},
  };
  for (const auto& row : rows) {
    const auto stopped = std::make_unique<StoppedScan>();
    stop_at_call(std::string(row.file) + "\n", "[t]", stopped.get());
    ASSERT_TRUE(stopped->found) << row.file;
    char value[version_buffer_size];
    NameText refused;
    EXPECT_EQ(expand_macro(&stopped->scan.engine, "v", 1, value, &refused),
              row.result)
        << row.file;
    EXPECT_STREQ(value, row.value) << row.file;
  }
}

}  // namespace
