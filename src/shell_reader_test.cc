#include "shell_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_input.h"

namespace {

struct ShellCase {
  const char* what;
  const char* file;
  const char* name;
  const char* value;  // null: refused for reason
  ShellRefusal reason;
  LineNumber line;
};

std::ostream& operator<<(std::ostream& out, const ShellCase& c) {
  return out << c.what;
}

class ShellReaderTest : public testing::TestWithParam<ShellCase> {};

TEST_P(ShellReaderTest, GivesTheValueOrRefuses) {
  const ShellCase& c = GetParam();
  const std::string file = c.file;
  // Small chunks, so that lines and names cross the reads.
  MemoryInput input{file.data(), file.size(), 7, false, 0, true};
  char value[4096];
  ShellReport report;
  const bool found =
      read_shell_value(read_memory, rewind_memory, &input, c.name,
                       std::char_traits<char>::length(c.name), value, &report);
  if (c.value != nullptr) {
    EXPECT_TRUE(found) << static_cast<int>(report.reason) << " at "
                       << report.line;
    EXPECT_STREQ(value, c.value);
  } else {
    EXPECT_FALSE(found) << value;
    EXPECT_EQ(report.reason, c.reason);
    EXPECT_EQ(report.line, c.line);
  }
}

using R = ShellRefusal;
constexpr const char* head = "AC_INIT([foo], [1.0])\n";

const ShellCase shell_cases[] = {
    // What is given.
    {"plain", "X=8\n", "X", "8", R::none, 0},
    {"after a comment line", "# X is the ABI\nX=8\n", "X", "8", R::none, 0},
    {"after dnl line", "dnl X is the ABI\nX=8\n", "X", "8", R::none, 0},
    {"marked by AC_SUBST", "X=8\nAC_SUBST([X])\nAC_SUBST(X)\n", "X", "8",
     R::none, 0},
    {"marked before it is set", "AC_SUBST([X])\nX=8\n", "X", "8", R::none, 0},
    {"AC_SUBST with a value", "AC_SUBST(X, 43)\n", "X", "43", R::none, 0},
    {"AC_SUBST with a quoted value", "AC_SUBST([X], [15:0:15])\n", "X",
     "15:0:15", R::none, 0},
    {"single quotes", "X='a b'\n", "X", "a b", R::none, 0},
    {"double quotes and variables", "A=1\nB=2\nX=\"$A:${B}\" # joined\n", "X",
     "1:2", R::none, 0},
    {"unquoted variables", "A=1\nB=2\nX=$A.$B;\n", "X", "1.2", R::none, 0},
    {"empty", "X=\n", "X", "", R::none, 0},
    {"quotes in quotes", "A=1\nX=\"it's $A\"'\"b'\n", "X", "it's 1\"b", R::none,
     0},
    {"used after", "X=8\necho $X ${X}\n", "X", "8", R::none, 0},
    {"after if and case", "if a; then\n b\nfi\ncase x in a) ;; esac\nX=1\n",
     "X", "1", R::none, 0},
    {"after a macro call over lines", "AS_IF([test],\n  [Y=1])\nX=1\n", "X",
     "1", R::none, 0},
    {"libtool's name space", "LT_CURRENT=4\n", "LT_CURRENT", "4", R::none, 0},
    {"a name inside another word", "XX=1\nX=2\nAXE=3\n", "X", "2", R::none, 0},

    // Set in a way the reader cannot be sure of.
    {"never set", head, "X", nullptr, R::not_assigned, 0},
    {"twice", "X=1\nX=2\n", "X", nullptr, R::assigned_twice, 2},
    {"AC_SUBST and an assignment", "X=1\nAC_SUBST([X], [2])\n", "X", nullptr,
     R::assigned_twice, 2},
    {"inside if", "if true; then\n  X=1\nfi\n", "X", nullptr, R::not_top_level,
     2},
    {"inside case", "case $h in\n*) X=1 ;;\nesac\n", "X", nullptr,
     R::not_top_level, 2},
    {"inside AS_IF", "AS_IF([test a],\n[X=1])\n", "X", nullptr,
     R::not_top_level, 2},
    {"inside a function", "f() {\nX=1\n}\n", "X", nullptr, R::not_top_level, 2},
    {"inside a loop", "for i in 1; do\nX=1\ndone\n", "X", nullptr,
     R::not_top_level, 2},
    {"inside a subshell", "(\nX=1\n)\n", "X", nullptr, R::not_top_level, 2},
    {"inside braces", "{\nX=1\n}\n", "X", nullptr, R::not_top_level, 2},
    {"inside top-level quotes", "[\nX=1\n]\n", "X", nullptr, R::not_top_level,
     2},
    {"on a continued line", "true \\\nX=1\n", "X", nullptr, R::not_top_level,
     2},
    {"AC_SUBST inside AS_IF", "AS_IF([t], [AC_SUBST([X], [1])])\n", "X",
     nullptr, R::other_use, 1},
    {"used before", "echo $X\nX=1\n", "X", nullptr, R::used_before, 1},
    {"command substitution", "X=$(cat v)\n", "X", nullptr, R::not_literal, 1},
    {"backquotes", "X=`cat v`\n", "X", nullptr, R::not_literal, 1},
    {"arithmetic", "X=$((1+2))\n", "X", nullptr, R::not_literal, 1},
    {"a glob", "X=*.c\n", "X", nullptr, R::not_literal, 1},
    {"a tilde", "X=~/v\n", "X", nullptr, R::not_literal, 1},
    {"a prefix of a command", "X=1 make\n", "X", nullptr, R::not_literal, 1},
    {"m4 quotes in the value", "X=[1]\n", "X", nullptr, R::not_literal, 1},
    {"a backslash", "X=a\\b\n", "X", nullptr, R::not_literal, 1},
    {"an open quote", "X='a\nb'\n", "X", nullptr, R::not_literal, 1},
    {"a positional parameter", "X=$1\n", "X", nullptr, R::not_literal, 1},
    {"a default", "X=${Y:-1}\n", "X", nullptr, R::not_literal, 1},
    {"set by a parameter expansion", "X=1\n: ${X=2}\n", "X", nullptr,
     R::other_use, 2},
    {"exported", "X=1\nexport X\n", "X", nullptr, R::other_use, 2},
    {"read", "X=1\nread X\n", "X", nullptr, R::other_use, 2},
    {"set by a macro", "X=1\nAC_CHECK_PROG([X], [x], [y])\n", "X", nullptr,
     R::other_use, 2},
    {"in a comment after code", "X=1\nY=2 # X=3\n", "X", nullptr, R::other_use,
     2},
    {"an m4 macro of that name", "m4_define([X], [2])\nX=1\n", "X", nullptr,
     R::other_use, 1},
    {"a value m4 expands", "m4_define([V], [2])\nX=V\n", "X", nullptr,
     R::m4_name, 2},
    {"a value with an Autoconf name", "X=AC_FOO\n", "X", nullptr, R::m4_name,
     1},
    {"refers to one never set", "X=$Y\n", "Y", nullptr, R::not_assigned, 0},
    {"refers to one set later", "X=$Y\nY=1\n", "X", nullptr, R::used_before, 1},
    {"refers to one set inside if", "if a; then\nY=1\nfi\nX=$Y\n", "X", nullptr,
     R::not_top_level, 2},
    {"configure's own", "CFLAGS=-O2\n", "CFLAGS", nullptr, R::owned, 0},
    {"configure's own, lower case", "prefix=/usr\n", "prefix", nullptr,
     R::owned, 0},
    {"refers to configure's own", "X=$PACKAGE_VERSION\n", "X", nullptr,
     R::owned, 1},
    {"libtool's own macros", "LT_INIT=1\n", "LT_INIT", nullptr, R::owned, 0},
    {"a here-document", "cat <<EOF\nEOF\nX=1\n", "X", nullptr, R::unreadable,
     0},
    {"changequote", "m4_changequote(<,>)\nX=1\n", "X", nullptr, R::unreadable,
     0},
    {"another file", "m4_include([v.m4])\nX=1\n", "X", nullptr, R::unreadable,
     0},
    {"an if never closed", "if a; then\nX=1\n", "X", nullptr, R::unreadable, 0},
    {"an if m4 passes on from quotes", "[if a; then]\nX=1\nfi\n", "X", nullptr,
     R::not_top_level, 2},
    {"a fi never opened", "X=1\nfi\n", "X", nullptr, R::unreadable, 0},
    {"variables in a circle", "X=$X\n", "X", nullptr, R::used_before, 1},
};

INSTANTIATE_TEST_SUITE_P(Table, ShellReaderTest,
                         testing::ValuesIn(shell_cases));

TEST(ShellReader, NeedsAnInputThatCanBeReadAgain) {
  const std::string file = "X=1\n";
  MemoryInput input{file.data(), file.size(), 64, false, 0, false};
  char value[4096];
  ShellReport report;
  EXPECT_FALSE(read_shell_value(read_memory, rewind_memory, &input, "X", 1,
                                value, &report));
  EXPECT_EQ(report.reason, ShellRefusal::unreadable);
}

TEST(ShellReader, DeepReferencesAreRefused) {
  std::string file = "V0=1\n";
  for (int i = 1; i <= 12; ++i) {
    file += "V" + std::to_string(i) + "=$V" + std::to_string(i - 1) + "\n";
  }
  MemoryInput input{file.data(), file.size(), 64, false, 0, true};
  char value[4096];
  ShellReport report;
  EXPECT_TRUE(read_shell_value(read_memory, rewind_memory, &input, "V8", 2,
                               value, &report));
  EXPECT_STREQ(value, "1");
  EXPECT_FALSE(read_shell_value(read_memory, rewind_memory, &input, "V12", 3,
                                value, &report));
  EXPECT_EQ(report.reason, ShellRefusal::too_deep);
}

}  // namespace
