#include "driver.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
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

// A configure.ac written for one test and removed after it.
class ValuesFile {
 public:
  explicit ValuesFile(const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fputs(text.c_str(), file);
    std::fclose(file);
  }
  ~ValuesFile() { std::remove(path.c_str()); }
  ValuesFile(const ValuesFile&) = delete;
  ValuesFile& operator=(const ValuesFile&) = delete;
  const std::string path = "driver_test_values.ac";
};

// A value as a C string: '"' and '\\' escaped, bytes below 0x20 and from
// 0x7F as three octal digits always, so that a digit after one stays apart.
std::string c_string(const std::string& value) {
  std::string text;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == '"' || byte == '\\') {
      text += '\\';
      text += c;
    } else if (byte < 0x20 || byte >= 0x7F) {
      char octal[5];
      std::snprintf(octal, sizeof octal, "\\%03o", byte);
      text += octal;
    } else {
      text += c;
    }
  }
  return text;
}

TEST(DriverTest, ValuesAreCStringsWithEveryOtherByteEscaped) {
  // Every byte a quoted shell word may hold, and a bug-report address
  // with the two that C escapes with a backslash. Not 0x1A, which ends a
  // file read as text on Windows.
  std::string value;
  for (int byte = 1; byte < 256; ++byte) {
    if (byte != 0x1A &&
        std::strchr("'\n[]#\\`(){}*?~<>|&!$\r\v\f", byte) == nullptr) {
      value += static_cast<char>(byte);
    }
  }
  const std::string bugs = R"(say "hi" \ 1)";
  const ValuesFile file("AC_INIT([t], [1], [" + bugs + "])\nX='" + value +
                        "1'\n");
  const RunResult result = run({"genversion", "--get", "X", "--get",
                                "PACKAGE_BUGREPORT", "[t]", file.path});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "#define X \"" + c_string(value + "1") +
                            "\"\n#define PACKAGE_BUGREPORT \"" +
                            c_string(bugs) + "\"\n");
  EXPECT_NE(result.out.find("\\3771\""), std::string::npos);  // 0xFF, "1"
}

TEST(DriverTest, OptionsWithoutTheirPlaceAreUsageErrors) {
  const ValuesFile file("AC_INIT([t], [1])\n");
  const std::vector<std::vector<std::string>> calls = {
      {"genversion", "--get", "[t]", file.path},  // no name
      {"genversion", "--get", "X", "--m4", "[t]", file.path},
      {"genversion", "--set", "X", "[t]", file.path},  // no such option
      {"genversion", "--get", "A-B", "[t]", file.path},
      {"genversion", "--get", "X", "", file.path},
      {"genversion", "--get", "X", "[t]", file.path, "extra"},
  };
  for (const auto& call : calls) {
    const RunResult result = run(call);
    EXPECT_EQ(result.status, 1) << call[2];
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(usage_line(result.err), "Usage: genversion" + usage_tail);
  }
}

TEST(DriverTest, AFailedWriteOfValuesIsAnError) {
  const ValuesFile file("AC_INIT([t], [1])\n");
  std::FILE* read_only = std::fopen(styles.c_str(), "r");
  ASSERT_NE(read_only, nullptr);
  const RunResult result =
      run({"genversion", "--get", "PACKAGE_NAME", "[t]", file.path}, read_only);
  std::fclose(read_only);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "Error: Failed to write to standard output!\n\n");
}

TEST(DriverTest, TheVersionsMessagesStandForEveryValue) {
  // No call of the library: the message is the version's, whatever is
  // asked.
  const ValuesFile file("AC_INIT([other], [1])\n");
  const RunResult result = run({"genversion", "--get", "X", "[t]", file.path});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "Error: Version string could not be found!\n\n");
}

}  // namespace
