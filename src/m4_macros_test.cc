#include "m4_macros.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "m4_builtins.h"

namespace {

class MacroTableTest : public testing::Test {
 protected:
  void SetUp() override { clear_macros(&table_); }

  bool define(const std::string& name, const std::string& value,
              bool push = false) {
    const MacroValue text = {MacroKind::text, value.data(), value.size(), 0,
                             false};
    return push ? pushdef_macro(&table_, name.data(), name.size(), text)
                : define_macro(&table_, name.data(), name.size(), text);
  }

  std::string value(const std::string& name) {
    const Macro* macro = find_macro(table_, name.data(), name.size());
    if (macro == nullptr) {
      return "<undefined>";
    }
    return {macro_value(table_, *macro), macro->value_length};
  }

  void popdef(const std::string& name) {
    popdef_macro(&table_, name.data(), name.size());
  }

  MacroTable table_;
};

TEST_F(MacroTableTest, DefineReplacesAndPushdefStacks) {
  EXPECT_TRUE(define("v", "1"));
  EXPECT_TRUE(define("v", "2"));
  EXPECT_EQ(value("v"), "2");
  EXPECT_TRUE(define("v", "3", true));
  EXPECT_EQ(value("v"), "3");
  EXPECT_TRUE(define("v", "4"));  // replaces the top only
  popdef("v");
  EXPECT_EQ(value("v"), "2");
  popdef("v");
  EXPECT_EQ(value("v"), "<undefined>");
  popdef("v");  // nothing left: no effect
}

TEST_F(MacroTableTest, UndefineDropsTheWholeStack) {
  define("v", "1");
  define("v", "2", true);
  define("w", "3");
  undefine_macro(&table_, "v", 1);
  EXPECT_EQ(value("v"), "<undefined>");
  EXPECT_EQ(value("w"), "3");
}

TEST_F(MacroTableTest, ReusesTheRoomOfReplacedValues) {
  const std::string big(1000, 'x');
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(define("v" + std::to_string(i % 10), big + std::to_string(i)))
        << i;
  }
  for (int i = 990; i < 1000; ++i) {
    EXPECT_EQ(value("v" + std::to_string(i % 10)), big + std::to_string(i));
  }
}

TEST_F(MacroTableTest, RefusesWhatDoesNotFit) {
  EXPECT_FALSE(define("v", std::string(max_live_text, 'x')));
  EXPECT_TRUE(define("v", std::string(max_live_text - 1, 'x')));
  EXPECT_FALSE(define("w", "1"));
  EXPECT_TRUE(define("v", "1"));  // the old value's room is free again
  popdef("v");
  EXPECT_FALSE(define(std::string(max_name_length + 1, 'n'), "1"));
  for (std::size_t i = 0; i < max_macros; ++i) {
    ASSERT_TRUE(define("n" + std::to_string(i), "1"));
  }
  EXPECT_FALSE(define("one_more", "1"));
  EXPECT_TRUE(define("n0", "2"));  // a name held already is replaced
  popdef("n1");
  EXPECT_TRUE(define("one_more", "1"));
}

TEST(BuiltinTableTest, IsInByteOrderAndFindsEveryName) {
  for (std::size_t i = 0; i < builtin_count(); ++i) {
    const char* name = builtin_at(static_cast<int>(i)).name;
    if (i > 0) {
      EXPECT_LT(std::strcmp(builtin_at(static_cast<int>(i - 1)).name, name), 0)
          << name;
    }
    EXPECT_EQ(builtin_at(static_cast<int>(i)).name_length, std::strlen(name));
    EXPECT_EQ(find_builtin(name, std::strlen(name)), static_cast<int>(i));
  }
  EXPECT_EQ(find_builtin("m4_i", 4), -1);
  EXPECT_EQ(find_builtin("eval", 4), -1);  // Autoconf keeps only m4_eval
}

}  // namespace
