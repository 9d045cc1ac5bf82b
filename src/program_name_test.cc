#include "program_name.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SplitRow {
  std::string path;
  std::string base;
  std::string extension;
};

class SplitTest : public testing::TestWithParam<SplitRow> {};

TEST_P(SplitTest, GivesBaseNameAndExtension) {
  const SplitRow& row = GetParam();
  const ProgramName name = split_program_name(row.path.c_str());
  EXPECT_EQ(row.path.substr(name.base_begin, name.base_length), row.base)
      << row.path;
  EXPECT_EQ(row.path.substr(name.extension_begin, name.extension_length),
            row.extension)
      << row.path;
}

TEST_P(SplitTest, WideTextSplitsTheSameWay) {
  const SplitRow& row = GetParam();
  const std::wstring wide(row.path.begin(), row.path.end());
  const ProgramName name = split_program_name(wide.c_str());
  EXPECT_EQ(std::wstring(wide, name.base_begin, name.base_length),
            std::wstring(row.base.begin(), row.base.end()));
  EXPECT_EQ(std::wstring(wide, name.extension_begin, name.extension_length),
            std::wstring(row.extension.begin(), row.extension.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitTest,
    testing::Values(
        SplitRow{"gen", "gen", ""}, SplitRow{"gen.exe", "gen", ".exe"},
        SplitRow{"C:\\tools\\gen.exe", "gen", ".exe"},
        SplitRow{"/usr/local/bin/genversion", "genversion", ""},
        SplitRow{"tools.d/gen", "gen", ""}, SplitRow{"tools.d\\gen", "gen", ""},
        SplitRow{"C:/mixed\\seps/gen.exe", "gen", ".exe"},
        SplitRow{"a.tar.gz", "a.tar", ".gz"},
        SplitRow{".hidden", "", ".hidden"}, SplitRow{"gen.", "gen", "."},
        SplitRow{"dir/", "", ""}, SplitRow{"", "", ""}));

INSTANTIATE_TEST_SUITE_P(
    DrivePrefix, SplitTest,
    testing::Values(SplitRow{"C:gen.exe", "gen", ".exe"},
                    SplitRow{"x:", "", ""}, SplitRow{"C", "C", ""},
                    // Only the second character marks a drive.
                    SplitRow{"ab:c.exe", "ab:c", ".exe"},
                    SplitRow{"::", "", ""}));

INSTANTIATE_TEST_SUITE_P(
    Limits, SplitTest,
    testing::Values(
        SplitRow{std::string(255, 'g') + ".exe", std::string(255, 'g'), ".exe"},
        SplitRow{std::string(256, 'g') + ".exe", "", ""},
        SplitRow{"gen." + std::string(254, 'e'), "gen",
                 "." + std::string(254, 'e')},
        SplitRow{"gen." + std::string(255, 'e'), "", ""},
        // Only the file name counts, not the folders before it.
        SplitRow{std::string(300, 'd') + "/gen.exe", "gen", ".exe"}));

TEST(SplitProgramNameTest, NullPathHasEmptyParts) {
  const ProgramName name =
      split_program_name(static_cast<const char*>(nullptr));
  EXPECT_EQ(name.base_length, 0U);
  EXPECT_EQ(name.extension_length, 0U);
}

}  // namespace
