#include "m4.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Feeds the lines of a configure.ac prologue to the definitions the way the
// scanner does: each line that starts with m4_define( or define( is a
// definition, any other defining call refuses its names.
class Prologue {
 public:
  Prologue() { clear_definitions(&definitions_); }

  Prologue& define(const std::string& call) {
    const std::size_t paren = call.find('(');
    const std::string arguments = call.substr(paren + 1);
    read_definition(&definitions_, arguments.data(), arguments.size());
    return *this;
  }

  Prologue& refuse(const std::string& call) {
    const std::size_t paren = call.find('(');
    const char* word = nullptr;
    const DefiningMacro macro =
        defining_macro_before(call.data() + paren, call.data(), &word);
    EXPECT_NE(macro, DefiningMacro::none) << call;
    const std::string arguments = call.substr(paren + 1);
    refuse_defined_names(&definitions_, macro, arguments.data(),
                         arguments.size());
    return *this;
  }

  // The expanded version of capture, or "<refused NAME>".
  [[nodiscard]] std::string expand(const std::string& capture) const {
    char version[max_line_length + 1];
    RefusedName refused;
    if (!expand_version(definitions_, capture.data(), capture.size(), version,
                        &refused)) {
      return std::string("<refused ") + refused.text + ">";
    }
    return version;
  }

  [[nodiscard]] const Definitions& definitions() const { return definitions_; }

 private:
  Definitions definitions_;
};

struct ExpandRow {
  const char* what;
  std::vector<std::string> definitions;
  const char* capture;
  const char* version;
};

class ExpandTest : public testing::TestWithParam<ExpandRow> {};

TEST_P(ExpandTest, ExpandsAsAutoconfDoesOrRefuses) {
  Prologue prologue;
  for (const std::string& line : GetParam().definitions) {
    prologue.define(line);
  }
  EXPECT_EQ(prologue.expand(GetParam().capture), GetParam().version)
      << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Literal, ExpandTest,
    testing::Values(ExpandRow{"quoted", {}, "[1.2.3]", "1.2.3"},
                    ExpandRow{"bare", {}, "1.2.3", "1.2.3"},
                    ExpandRow{
                        "undefined names stay", {}, "[VERSION]", "VERSION"},
                    ExpandRow{"suffixes stay", {}, "1.2.3-rc1", "1.2.3-rc1"},
                    ExpandRow{"underscore", {}, "2.0_beta", "2.0_beta"},
                    ExpandRow{"filtered", {}, "[1.2.3+git]", "1.2.3git"},
                    ExpandRow{"double quotes", {}, "[[1.0]]", "1.0"},
                    ExpandRow{"empty", {}, "[]", ""}));

INSTANTIATE_TEST_SUITE_P(
    Definitions, ExpandTest,
    testing::Values(
        ExpandRow{
            "quoted name and value", {"m4_define([v], [1.4])"}, "[v]", "1.4"},
        ExpandRow{"bare name and value", {"define(v, 2.0)"}, "v", "2.0"},
        ExpandRow{"parts",
                  {"m4_define([foo_major], [1])", "m4_define([foo_minor], [4])",
                   "m4_define([foo_version], [foo_major.foo_minor])"},
                  "[foo_version]",
                  "1.4"},
        ExpandRow{"value on the next line",
                  {"m4_define([v],\n          [3.1])"},
                  "[v]",
                  "3.1"},
        ExpandRow{
            "unquoted value taken at once",
            {"m4_define([a], [1])", "m4_define([b], a)", "m4_define([a], [1])"},
            "[b]",
            "1"},
        ExpandRow{"quoted value taken when used",
                  {"m4_define([b], [a])", "m4_define([a], [7])"},
                  "[b]",
                  "7"},
        ExpandRow{"() after a name is dropped",
                  {"m4_define([v], [1.5])"},
                  "[v()]",
                  "1.5"},
        ExpandRow{"m4_defn gives the value",
                  {"m4_define([v], [8.1])"},
                  "m4_defn([v])",
                  "8.1"},
        ExpandRow{"quotes in a value are read when it is used",
                  {"m4_define([v], [[x]])", "m4_define([x], [2])"},
                  "v",
                  "2"},
        ExpandRow{"quoted name is not expanded",
                  {"m4_define([v], [[x]])", "m4_define([x], [2])"},
                  "[v]",
                  "x"},
        ExpandRow{"a name runs from a value into the text after it",
                  {"m4_define([x], [ab])", "m4_define([abc], [9])"},
                  "x()c",
                  "9"},
        ExpandRow{"same value again",
                  {"m4_define([v], [1])", "m4_define([v], [1])"},
                  "[v]",
                  "1"},
        ExpandRow{"quoted comma from a value stays",
                  {"m4_define([v], [[1,2]])"},
                  "v",
                  "12"},
        ExpandRow{"one argument defines the name as empty",
                  {"m4_define([e])"},
                  "[1e]",
                  "1"}));

INSTANTIATE_TEST_SUITE_P(
    Refusals, ExpandTest,
    testing::Values(
        ExpandRow{"m4 builtin with arguments",
                  {},
                  "m4_esyscmd([git",
                  "<refused m4_esyscmd>"},
        ExpandRow{"Autoconf macro",
                  {},
                  "[AC_PACKAGE_VERSION]",
                  "<refused AC_PACKAGE_VERSION>"},
        ExpandRow{"GNU m4 builtin called", {}, "[len(abc)]", "<refused len>"},
        ExpandRow{"builtin without arguments",
                  {},
                  "[1.0-__unix__]",
                  "<refused __unix__>"},
        ExpandRow{"dnl", {}, "[1dnl]", "<refused dnl>"},
        ExpandRow{
            "parameters", {"m4_define([v], [$1.0])"}, "[v]", "<refused v>"},
        ExpandRow{"arguments to a defined name",
                  {"m4_define([v], [1])"},
                  "[v(2)]",
                  "<refused v>"},
        ExpandRow{"defined twice",
                  {"m4_define([v], [1])", "m4_define([v], [2])"},
                  "[v]",
                  "<refused v>"},
        ExpandRow{"value needs Autoconf",
                  {"m4_define([v], m4_esyscmd([git describe]))"},
                  "[v]",
                  "<refused v>"},
        ExpandRow{"call does not close",
                  {"m4_define([v], [1.0]"},
                  "[v]",
                  "<refused v>"},
        ExpandRow{"third argument",
                  {"m4_define([v], [1.0], [x])"},
                  "[v]",
                  "<refused v>"},
        ExpandRow{
            "refers to itself", {"m4_define([v], [v])"}, "[v]", "<refused v>"},
        ExpandRow{"grows without end",
                  {"m4_define([v], [1v])"},
                  "[v]",
                  "<refused v>"},
        ExpandRow{"m4_defn of something else",
                  {},
                  "m4_defn([AC_INIT])",
                  "<refused m4_defn>"},
        ExpandRow{"m4 comment", {}, "1.0#x", "<refused #>"}));

TEST(DefinitionsTest, OtherDefiningCallsRefuseTheirNames) {
  const char* const calls[] = {"m4_pushdef([v], [2])",
                               "pushdef([v], [2])",
                               "popdef([v])",
                               "m4_popdef([v])",
                               "m4_define_default([v], [2])",
                               "m4_append([v], [2])",
                               "m4_append_uniq([v], [2])",
                               "m4_undefine([v])",
                               "undefine([v])",
                               "AC_DEFUN([v], [2])",
                               "AC_DEFUN_ONCE([v], [2])",
                               "AU_DEFUN([v], [2])",
                               "m4_copy([w], [v])",
                               "m4_copy_force([v], [w])",
                               "m4_rename([w], [v])",
                               "m4_rename_force([v], [w])",
                               "AU_ALIAS([w], [v])"};
  for (const char* call : calls) {
    Prologue prologue;
    prologue.define("m4_define([v], [1])").refuse(call);
    EXPECT_EQ(prologue.expand("[v]"), "<refused v>") << call;
  }
}

TEST(DefinitionsTest, ChangingAutoconfItselfRefusesEveryVersion) {
  // Autoconf gives 9.9, 8.8 and 5.5 for the version 1.0 after these.
  const char* const changes[] = {"m4_define([AC_PACKAGE_VERSION], [9.9])",
                                 "m4_pushdef([AC_PACKAGE_VERSION], [8.8])",
                                 "m4_define([m4_normalize], [5.5])",
                                 "define([define], [x])"};
  for (const char* change : changes) {
    Prologue prologue;
    if (std::string(change).find("m4_pushdef") == 0) {
      prologue.refuse(change);
    } else {
      prologue.define(change);
    }
    const std::string call(change);
    const std::size_t name = call.find('(') + 1;
    const std::string changed = call.substr(
        name + (call[name] == '[' ? 1 : 0),
        call.find_first_of("],", name) - name - (call[name] == '[' ? 1 : 0));
    EXPECT_EQ(prologue.expand("[1.0]"), "<refused " + changed + ">") << change;
  }
  // Macros of a project's own, or Autoconf macros that do not make the
  // version, change nothing.
  Prologue prologue;
  prologue.refuse("AC_DEFUN([AX_CHECK_FOO], [x])")
      .define("define([AC_SITE_LOAD], )");
  EXPECT_EQ(prologue.expand("[1.0]"), "1.0");
}

TEST(DefinitionsTest, ComputedNameRefusesEveryUnknownName) {
  Prologue prologue;
  prologue.define("m4_define([v], [1])").refuse("m4_define([$1], [x])");
  EXPECT_EQ(prologue.expand("[v]"), "1");
  EXPECT_EQ(prologue.expand("[1.0]"), "1.0");
  EXPECT_EQ(prologue.expand("[1.0-rc1]"), "<refused rc1>");
}

TEST(DefinitionsTest, FullTableRefusesWhatItCannotHold) {
  Prologue prologue;
  for (std::size_t i = 0; i < max_definitions; ++i) {
    prologue.define("m4_define([n" + std::to_string(i) + "], [1])");
  }
  EXPECT_FALSE(prologue.definitions().unknown_names_refused);
  prologue.define("m4_define([extra], [2])");
  EXPECT_EQ(prologue.expand("[n0]"), "1");
  EXPECT_EQ(prologue.expand("[extra]"), "<refused extra>");
  EXPECT_EQ(prologue.expand("[other]"), "<refused other>");
}

TEST(DefinitionsTest, DefiningMacroIsAWholeName) {
  const char* word = nullptr;
  const std::string texts[] = {"AC_DEFINE(", "my_define(", "xdefine(",
                               "m4_defn(", "AC_DEFUNX("};
  for (const std::string& text : texts) {
    EXPECT_EQ(defining_macro_before(text.data() + text.size() - 1, text.data(),
                                    &word),
              DefiningMacro::none)
        << text;
  }
  const std::string call = " m4_define(";
  EXPECT_EQ(
      defining_macro_before(call.data() + call.size() - 1, call.data(), &word),
      DefiningMacro::define);
  EXPECT_EQ(word, call.data() + 1);
}

}  // namespace
