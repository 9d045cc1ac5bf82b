#include "long_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct ExtendedRow {
  const wchar_t* full_path;
  const wchar_t* extended;  // nullptr: not converted
};

class ExtendedPathTest : public testing::TestWithParam<ExtendedRow> {};

TEST_P(ExtendedPathTest, WritesTheExtendedForm) {
  wchar_t extended[64];
  const bool converted = to_extended_path(GetParam().full_path, extended,
                                          sizeof extended / sizeof *extended);
  if (GetParam().extended == nullptr) {
    EXPECT_FALSE(converted);
  } else {
    ASSERT_TRUE(converted);
    EXPECT_EQ(std::wstring(extended), GetParam().extended);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ExtendedPathTest,
    testing::Values(
        ExtendedRow{L"C:\\src\\configure.ac", L"\\\\?\\C:\\src\\configure.ac"},
        ExtendedRow{L"d:/src/configure.ac", L"\\\\?\\d:\\src\\configure.ac"},
        ExtendedRow{L"\\\\server\\share\\configure.ac",
                    L"\\\\?\\UNC\\server\\share\\configure.ac"},
        ExtendedRow{L"//server/share/configure.ac",
                    L"\\\\?\\UNC\\server\\share\\configure.ac"},
        ExtendedRow{L"\\\\?\\C:\\configure.ac", L"\\\\?\\C:\\configure.ac"},
        ExtendedRow{L"\\\\?\\UNC\\s\\x\\c.ac", L"\\\\?\\UNC\\s\\x\\c.ac"},
        ExtendedRow{L"\\\\.\\NUL", L"\\\\.\\NUL"},
        // Not absolute: GetFullPathNameW gives no such path.
        ExtendedRow{L"configure.ac", nullptr},
        ExtendedRow{L"C:configure.ac", nullptr}, ExtendedRow{L"", nullptr}));

TEST(ExtendedPathTest, RefusesWhatDoesNotFit) {
  wchar_t extended[16];
  EXPECT_FALSE(to_extended_path(L"C:\\abc", extended, 7));  // needs 11
  EXPECT_TRUE(to_extended_path(L"C:\\a", extended, 9));
  EXPECT_EQ(std::wstring(extended), L"\\\\?\\C:\\a");
  EXPECT_FALSE(to_extended_path(L"C:\\ab", extended, 8));
}

}  // namespace
