#include "m4_eval.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// eval's result as m4 prints it, or "<invalid>".
std::string eval(const char* expression) {
  std::int32_t value = 0;
  if (evaluate_expression(expression, std::strlen(expression), &value) !=
      EvalStatus::ok) {
    return "<invalid>";
  }
  return std::to_string(value);
}

struct EvalRow {
  const char* expression;
  const char* result;
};

class EvalTest : public testing::TestWithParam<EvalRow> {};

TEST_P(EvalTest, EvaluatesAsGnuM4) {
  EXPECT_EQ(eval(GetParam().expression), GetParam().result)
      << GetParam().expression;
}

// Each checked against GNU m4 1.4.19.
INSTANTIATE_TEST_SUITE_P(
    Precedence, EvalTest,
    testing::Values(EvalRow{"-2**2", "4"}, EvalRow{"2**3**2", "512"},
                    EvalRow{"1+2*3", "7"}, EvalRow{"!0+1", "2"},
                    EvalRow{"1<2<3", "1"}, EvalRow{"6&3|8^1", "11"},
                    EvalRow{"-(3)", "-3"}, EvalRow{"2*-3", "-6"},
                    EvalRow{"  3 +  4 ", "7"}, EvalRow{"(1+2)*3", "9"}));

INSTANTIATE_TEST_SUITE_P(
    Arithmetic, EvalTest,
    testing::Values(
        EvalRow{"2**31", "-2147483648"},
        EvalRow{"-2147483648/-1", "-2147483648"},
        EvalRow{"-2147483648%-1", "0"}, EvalRow{"2147483647+1", "-2147483648"},
        EvalRow{"4294967296", "0"}, EvalRow{"99999999999", "1215752191"},
        EvalRow{"-5%3", "-2"}, EvalRow{"5%-3", "2"}, EvalRow{"7/2", "3"},
        EvalRow{"1<<33", "2"}, EvalRow{"-8>>1", "-4"}, EvalRow{"~0", "-1"},
        EvalRow{"1==1 && 2", "1"}, EvalRow{"!5", "0"}, EvalRow{"0 && 1/0", "0"},
        EvalRow{"1 || 1/0", "1"}, EvalRow{"3**0", "1"}, EvalRow{"2**40", "0"}));

INSTANTIATE_TEST_SUITE_P(
    Numbers, EvalTest,
    testing::Values(EvalRow{"0x1F", "31"}, EvalRow{"0b101", "5"},
                    EvalRow{"017", "15"}, EvalRow{"0r36:z", "35"},
                    EvalRow{"0r1:111", "3"}, EvalRow{"0x", "0"},
                    EvalRow{"0r2:101", "5"}));

INSTANTIATE_TEST_SUITE_P(
    Invalid, EvalTest,
    testing::Values(EvalRow{"", "<invalid>"}, EvalRow{"x", "<invalid>"},
                    EvalRow{"1/0", "<invalid>"}, EvalRow{"1%0", "<invalid>"},
                    EvalRow{"2**-1", "<invalid>"}, EvalRow{"0**0", "<invalid>"},
                    EvalRow{"1=1", "<invalid>"}, EvalRow{"--3", "<invalid>"},
                    EvalRow{"1+=1", "<invalid>"}, EvalRow{"1?2:3", "<invalid>"},
                    EvalRow{"(1,2)", "<invalid>"}, EvalRow{"09", "<invalid>"},
                    EvalRow{"1 2", "<invalid>"}, EvalRow{"+", "<invalid>"},
                    EvalRow{"0r37:1", "<invalid>"}, EvalRow{"(1", "<invalid>"},
                    EvalRow{"12abc", "<invalid>"}));

TEST(EvalTest, StopsAtAFixedDepth) {
  const std::string shallow =
      std::string(200, '(') + "1" + std::string(200, ')');
  const std::string deep =
      std::string(100000, '(') + "1" + std::string(100000, ')');
  std::int32_t value = 0;
  EXPECT_EQ(evaluate_expression(shallow.data(), shallow.size(), &value),
            EvalStatus::ok);
  EXPECT_EQ(evaluate_expression(deep.data(), deep.size(), &value),
            EvalStatus::too_deep);
  std::string minus;
  for (int i = 0; i < 100000; ++i) {
    minus += "- ";
  }
  minus += "1";
  EXPECT_EQ(evaluate_expression(minus.data(), minus.size(), &value),
            EvalStatus::too_deep);
}

TEST(EvalTest, WritesInAnyRadixWithAWidth) {
  char out[64];
  const auto format = [&](std::int32_t value, unsigned radix,
                          std::size_t width) {
    return std::string(out,
                       format_in_radix(value, radix, width, out, sizeof out));
  };
  EXPECT_EQ(format(10, 16, 0), "a");
  EXPECT_EQ(format(-10, 16, 0), "-a");
  EXPECT_EQ(format(255, 2, 12), "000011111111");
  EXPECT_EQ(format(-7, 10, 5), "-00007");
  EXPECT_EQ(format(35, 36, 0), "z");
  EXPECT_EQ(format(3, 1, 0), "111");
  EXPECT_EQ(format(0, 2, 0), "0");
  EXPECT_EQ(format(-2147483647 - 1, 10, 0), "-2147483648");
  EXPECT_EQ(format(5, 10, 100), "");  // no room
}

TEST(EvalTest, ReadsNumericArgumentsAsM4Does) {
  const auto parse = [](const char* text) {
    std::int32_t value = 0;
    return parse_integer(text, std::strlen(text), &value)
               ? std::to_string(value)
               : std::string("<invalid>");
  };
  EXPECT_EQ(parse("-5"), "-5");
  EXPECT_EQ(parse("+5"), "5");
  EXPECT_EQ(parse("010"), "10");
  EXPECT_EQ(parse("99999999999"), "1215752191");
  EXPECT_EQ(parse(""), "<invalid>");
  EXPECT_EQ(parse(" 5"), "<invalid>");
  EXPECT_EQ(parse("5 "), "<invalid>");
  EXPECT_EQ(parse("0x10"), "<invalid>");
  EXPECT_EQ(parse("-"), "<invalid>");
  EXPECT_EQ(parse("99999999999999999999"), "<invalid>");
}

}  // namespace
