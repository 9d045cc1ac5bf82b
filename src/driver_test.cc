#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using native_string = std::basic_string<native_char>;

native_string native(const std::string& text) {
  return {text.begin(), text.end()};
}

std::string read_back(std::FILE* stream) {
  std::rewind(stream);
  std::string text;
  for (int c = std::getc(stream); c != EOF; c = std::getc(stream)) {
    text += static_cast<char>(c);
  }
  std::fclose(stream);
  return text;
}

struct RunResult {
  int status;
  std::string out;
  std::string err;
};

// Runs the driver in-process with argv (a null argv[0] stands for a process
// started with no arguments at all) and collects what it writes.
RunResult run(const std::vector<std::string>& args, std::FILE* out = nullptr) {
  std::vector<native_string> texts;
  texts.reserve(args.size());
  for (const std::string& arg : args) {
    texts.push_back(native(arg));
  }
  std::vector<const native_char*> argv;
  argv.reserve(texts.size() + 1);
  for (const native_string& text : texts) {
    argv.push_back(text.c_str());
  }
  argv.push_back(nullptr);
  std::FILE* own_out = out != nullptr ? out : std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status =
      run_genversion(static_cast<int>(args.size()), argv.data(), own_out, err);
  return RunResult{status, out != nullptr ? "" : read_back(own_out),
                   read_back(err)};
}

const std::string styles = GENVERSION_FIXTURES "/styles.ac";
const std::string usage_tail =
    " [--get NAME]... [--m4 NAME]... <lib_name> <path/to/configure.ac>\n\n";

std::string usage_line(const std::string& err) {
  const std::size_t at = err.find("Usage: ");
  return at == std::string::npos ? "" : err.substr(at);
}

TEST(DriverTest, WritesTheVersionLineAndNothingElse) {
  const RunResult result = run({"genversion", "[libfoo]", styles});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "#define PACKAGE_VERSION \"1.2.3\"\n");
  EXPECT_EQ(result.err, "");
}

TEST(DriverTest, BannerShowsTheBuildDate) {
  const RunResult result = run({"genversion"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  // "QUORIX [Dec  8 2026]\n\n": the date as the compiler writes it.
  ASSERT_GE(result.err.size(), 22U);
  EXPECT_EQ(result.err.substr(0, 8), "QUORIX [");
  EXPECT_EQ(result.err.substr(19, 3), "]\n\n");
  EXPECT_EQ(usage_line(result.err), "Usage: genversion" + usage_tail);
}

TEST(DriverTest, ProcessWithoutArgumentsGetsUsageWithoutName) {
  const RunResult result = run({});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(usage_line(result.err), "Usage: " + usage_tail);
}

struct UsageRow {
  std::string program;
  std::string shown;
};

class UsageTest : public testing::TestWithParam<UsageRow> {};

TEST_P(UsageTest, ShowsBaseNameAndExtension) {
  const RunResult result = run({GetParam().program, "[libfoo]"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(usage_line(result.err), "Usage: " + GetParam().shown + usage_tail);
}

INSTANTIATE_TEST_SUITE_P(
    ProgramNames, UsageTest,
    testing::Values(UsageRow{"C:\\tools\\gen.exe", "gen.exe"},
                    UsageRow{"tools.d/gen", "gen"},
                    UsageRow{"/usr/bin/genversion", "genversion"},
                    UsageRow{std::string(256, 'g') + ".exe", ""}));

TEST(DriverTest, FailedWriteOfTheResultIsAnError) {
  // A stream opened for reading refuses every write.
  std::FILE* read_only = std::fopen(styles.c_str(), "r");
  ASSERT_NE(read_only, nullptr);
  const RunResult result = run({"genversion", "[libfoo]", styles}, read_only);
  std::fclose(read_only);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Error: Failed to write to standard output!\n\n");
}

TEST(DriverTest, ReadsAFileThatIsOpenForWritingElsewhere) {
  // Builds write configure.ac while others read it: opening it must not
  // ask for sole access.
  const std::string path = "driver_test_open_for_writing.ac";
  std::FILE* writer = std::fopen(path.c_str(), "w");
  ASSERT_NE(writer, nullptr);
  std::fputs("AC_INIT([libfoo], [3.2.1])\n", writer);
  std::fflush(writer);
  const RunResult result = run({"genversion", "[libfoo]", path});
  std::fclose(writer);
  std::remove(path.c_str());
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "#define PACKAGE_VERSION \"3.2.1\"\n");
}

}  // namespace
