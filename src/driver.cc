#include "driver.h"

#include <cstring>

#include "program_name.h"
#include "scanner.h"
#include "search_pattern.h"
#include "text.h"

namespace {

// Fixed when the tool is compiled; a build with SOURCE_DATE_EPOCH set gets
// that date instead, so that it can be reproduced.
constexpr char build_date[] = __DATE__;

// One message for one stream, gathered and written in as few calls as its
// length allows so that it reaches the stream whole. Narrowed text that
// meets a character above 255 ends the message there: nothing after it is
// written, neither the rest of that text nor the rest of the message.
class Message {
 public:
  // The buffer is written before it is read: no need to clear it.
  // cppcheck-suppress uninitMemberVar
  explicit Message(std::FILE* stream) : stream_(stream) {}
  Message(const Message&) = delete;
  Message& operator=(const Message&) = delete;

  void add(const char* text) { add(text, std::strlen(text)); }

  void add(const char* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
      put(bytes[i]);
    }
  }

  template <typename Char>
  void add_narrowed(const Char* text, std::size_t length) {
    for (std::size_t i = 0; i < length && !stopped_; ++i) {
      const unsigned code = code_of(text[i]);
      if (code > max_narrow_code) {
        stopped_ = true;
      } else {
        put(static_cast<char>(code));
      }
    }
  }

  template <typename Char>
  void add_narrowed(const Char* text) {
    std::size_t length = 0;
    while (text[length] != 0) {
      ++length;
    }
    add_narrowed(text, length);
  }

  // Writes out what is gathered; true when all of it reached the stream.
  bool send() {
    write_buffer();
    if (std::fflush(stream_) != 0) {
      failed_ = true;
    }
    return !failed_;
  }

 private:
  void put(char byte) {
    if (stopped_) {
      return;
    }
    if (used_ == sizeof buffer_) {
      write_buffer();
    }
    buffer_[used_++] = byte;
  }

  void write_buffer() {
    if (used_ > 0 && std::fwrite(buffer_, 1, used_, stream_) != used_) {
      failed_ = true;
    }
    used_ = 0;
  }

  std::FILE* stream_;
  // Room for the result line with the longest version in one write.
  char buffer_[version_buffer_size + 64];
  std::size_t used_ = 0;
  bool stopped_ = false;
  bool failed_ = false;
};

int show_usage(const native_char* program, std::FILE* err) {
  Message banner(err);
  banner.add("QUORIX [");
  banner.add(build_date);
  banner.add("]\n\n");
  banner.send();

  Message usage(err);
  usage.add("Usage: ");
  if (program != nullptr) {
    const ProgramName name = split_program_name(program);
    usage.add_narrowed(program + name.base_begin, name.base_length);
    usage.add_narrowed(program + name.extension_begin, name.extension_length);
  }
  usage.add(" <lib_name> <path/to/configure.ac>\n\n");
  usage.send();
  return 1;
}

int report_open_failure(const native_char* path, std::FILE* err) {
  Message message(err);
  message.add("Error: Failed to open input file!\n");
  message.add_narrowed(path);
  message.add("\n\n");
  message.send();
  return 1;
}

int report_not_found(std::FILE* err) {
  Message message(err);
  message.add("Error: Version string could not be found!\n\n");
  message.send();
  return 1;
}

// The first AC_INIT call of the library that only Autoconf could expand,
// where no call yielded a version.
int report_unresolved(const native_char* path, const ScanReport& report,
                      std::FILE* err) {
  char line[24];
  std::size_t digits = sizeof line;
  for (LineNumber rest = report.refused_line;
       digits == sizeof line || rest != 0; rest /= 10) {
    line[--digits] = static_cast<char>('0' + rest % 10);
  }
  Message message(err);
  message.add("Error: Version string could not be resolved!\n");
  message.add_narrowed(path);
  message.add(":");
  message.add(line + digits, sizeof line - digits);
  message.add(": ");
  message.add(report.refused.text);
  message.add(" needs Autoconf\n\n");
  message.send();
  return 1;
}

int write_version(const char* version, std::FILE* out, std::FILE* err) {
  Message line(out);
  line.add("#define PACKAGE_VERSION \"");
  line.add(version);
  line.add("\"\n");
  if (line.send()) {
    return 0;
  }
  // A build must not take an empty or cut header for success.
  Message failure(err);
  failure.add("Error: Failed to write to standard output!\n\n");
  failure.send();
  return 1;
}

// --names: each name is written as it is found, on a line of its own.
struct NameOutput {
  std::FILE* out;
  bool failed;
};

bool write_name(void* context, const char* name) {
  auto* output = static_cast<NameOutput*>(context);
  Message line(output->out);
  line.add(name);
  line.add("\n");
  output->failed = !line.send();
  return !output->failed;
}

int list_names(const native_char* path, std::FILE* out, std::FILE* err) {
  std::FILE* input = open_input(path);
  if (input == nullptr) {
    return report_open_failure(path, err);
  }
  NameOutput output{out, false};
  const std::size_t count =
      scan_for_names(read_input, rewind_input, input, write_name, &output);
  std::fclose(input);
  Message message(err);
  if (output.failed) {
    message.add("Error: Failed to write to standard output!\n\n");
  } else if (count == 0) {
    message.add("Error: No AC_INIT call with a library name found!\n\n");
  } else {
    return 0;
  }
  message.send();
  return 1;
}

template <typename Char>
bool is_option(const Char* argument, const char* option) {
  for (; *option != '\0'; ++argument, ++option) {
    if (code_of(*argument) != code_of(*option)) {
      return false;
    }
  }
  return *argument == 0;
}

}  // namespace

int run_genversion(int argc, const native_char* const* argv, std::FILE* out,
                   std::FILE* err) {
  if (argc != 3 || argv[1][0] == 0 || argv[2][0] == 0) {
    // A process may be started with no arguments at all, not even its name.
    return show_usage(argc > 0 ? argv[0] : nullptr, err);
  }
  if (is_option(argv[1], "--names")) {
    return list_names(argv[2], out, err);
  }
  const native_char* const lib_name = argv[1];
  const native_char* const path = argv[2];

  std::FILE* input = open_input(path);
  if (input == nullptr) {
    return report_open_failure(path, err);
  }
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  char version[version_buffer_size];
  ScanReport report;
  int status = 1;
  if (scan_for_version(read_input, rewind_input, input, pattern, version,
                       &report) == 1) {
    status = write_version(version, out, err);
  } else if (report.refused_line != 0) {
    report_unresolved(path, report, err);
  } else {
    report_not_found(err);
  }
  std::fclose(input);
  return status;
}
