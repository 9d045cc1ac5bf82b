#include "driver.h"

#include <cstdint>
#include <cstring>

#include "m4_expand.h"
#include "program_name.h"
#include "scanner.h"
#include "search_pattern.h"
#include "shell_reader.h"
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
  usage.add(
      " [--get NAME]... [--m4 NAME]... <lib_name> <path/to/configure.ac>\n\n");
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

// Adds "path:line: " to message; no line where line is 0.
void add_place(Message* message, const native_char* path, LineNumber line) {
  message->add_narrowed(path);
  if (line != 0) {
    char digits[24];
    std::size_t first = sizeof digits;
    for (LineNumber rest = line; rest != 0; rest /= 10) {
      digits[--first] = static_cast<char>('0' + rest % 10);
    }
    message->add(":");
    message->add(digits + first, sizeof digits - first);
  }
  message->add(": ");
}

// The first AC_INIT call of the library that only Autoconf could expand,
// where no call yielded a version.
int report_unresolved(const native_char* path, const ScanReport& report,
                      std::FILE* err) {
  Message message(err);
  message.add("Error: Version string could not be resolved!\n");
  add_place(&message, path, report.refused_line);
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

// The values a run asks for, in the order asked.
constexpr std::size_t max_requests = 64;
// All the result lines, written at once when every value is known.
constexpr std::size_t output_size = std::size_t{64} * 1024;

enum class RequestKind : std::uint8_t { version, package, macro, shell };

struct Request {
  RequestKind kind;
  PackageValue package;
  char name[max_name_length + 1];
  std::size_t length;
};

// Sets request from a --get or --m4 argument; false where it is no name.
template <typename Char>
bool set_request(const Char* argument, bool m4, Request* request) {
  std::size_t length = 0;
  for (; argument[length] != 0; ++length) {
    const unsigned code = code_of(argument[length]);
    if (length == max_name_length || code > 127 ||
        !is_name_byte(static_cast<char>(code)) ||
        (length == 0 && !is_name_start(static_cast<char>(code)))) {
      return false;
    }
    request->name[length] = static_cast<char>(code);
  }
  request->name[length] = '\0';
  request->length = length;
  if (length == 0) {
    return false;
  }
  constexpr struct {
    const char* name;
    PackageValue value;
  } package_names[] = {{"PACKAGE_NAME", PackageValue::name},
                       {"PACKAGE_BUGREPORT", PackageValue::bugreport},
                       {"PACKAGE_TARNAME", PackageValue::tarname},
                       {"PACKAGE_URL", PackageValue::url},
                       {"PACKAGE_STRING", PackageValue::string}};
  request->kind = m4 ? RequestKind::macro : RequestKind::shell;
  request->package = PackageValue::name;
  if (!m4 && std::strcmp(request->name, "PACKAGE_VERSION") == 0) {
    request->kind = RequestKind::version;
  }
  for (const auto& known : package_names) {
    if (!m4 && std::strcmp(request->name, known.name) == 0) {
      request->kind = RequestKind::package;
      request->package = known.value;
    }
  }
  return true;
}

// Appends the line "#define NAME "value"" to output, the value escaped as
// a C string: false where output has no room for it.
bool add_define(const Request& request, const char* value, char* output,
                std::size_t* used) {
  char line[max_name_length + 4 * version_buffer_size + 16];
  std::size_t length = 0;
  const auto put = [&](const char* text) {
    for (; *text != '\0'; ++text) {
      line[length++] = *text;
    }
  };
  put("#define ");
  put(request.name);
  put(" \"");
  for (const char* next = value; *next != '\0'; ++next) {
    const auto byte = static_cast<unsigned char>(*next);
    if (byte == '"' || byte == '\\') {
      line[length++] = '\\';
      line[length++] = static_cast<char>(byte);
    } else if (byte < 0x20 || byte >= 0x7F) {
      line[length++] = '\\';
      line[length++] = static_cast<char>('0' + (byte >> 6));
      line[length++] = static_cast<char>('0' + ((byte >> 3) & 7));
      line[length++] = static_cast<char>('0' + (byte & 7));
    } else {
      line[length++] = static_cast<char>(byte);
    }
  }
  put("\"\n");
  if (output_size - *used < length) {
    return false;
  }
  std::memcpy(output + *used, line, length);
  *used += length;
  return true;
}

int report_value_refused(const Request& request, const native_char* path,
                         LineNumber line, const char* cause, const char* reason,
                         std::FILE* err) {
  Message message(err);
  message.add("Error: ");
  message.add(request.name);
  message.add(" could not be resolved!\n");
  add_place(&message, path, line);
  message.add(cause);
  message.add(reason);
  message.add("\n\n");
  message.send();
  return 1;
}

int report_shell_refused(const Request& request, const native_char* path,
                         const ShellReport& report, std::FILE* err) {
  const char* reason = "";
  switch (report.reason) {
    case ShellRefusal::none:
    case ShellRefusal::not_assigned:
      reason = " is not set in the file";
      break;
    case ShellRefusal::owned:
      reason = " may be set by configure itself";
      break;
    case ShellRefusal::assigned_twice:
      reason = " is set a second time";
      break;
    case ShellRefusal::not_top_level:
      reason = " is set inside a condition, loop, function or macro";
      break;
    case ShellRefusal::used_before:
      reason = " is used before it is set";
      break;
    case ShellRefusal::other_use:
      reason = " is used where it may be set";
      break;
    case ShellRefusal::not_literal:
      reason = " is set to more than a literal word";
      break;
    case ShellRefusal::m4_name:
      reason = " may be expanded by m4";
      break;
    case ShellRefusal::unreadable:
      reason =
          " cannot be read: the file holds text genversion does not follow";
      break;
    case ShellRefusal::too_deep:
      reason = " refers to variables nested too deep";
      break;
  }
  return report_value_refused(request, path, report.line, report.name, reason,
                              err);
}

// The value of one request, from the scan stopped at the library's call,
// or from the file's shell text. Returns 0, or 1 with the message written.
int resolve_request(const Request& request, const native_char* path,
                    std::FILE* input, LibraryScan* scan, const char* version,
                    char* value, std::FILE* err) {
  Engine* engine = &scan->engine;
  const LineNumber call_line = engine->call.line;
  NameText refused;
  switch (request.kind) {
    case RequestKind::version:
      std::memcpy(value, version, std::strlen(version) + 1);
      return 0;
    case RequestKind::package:
      if (expand_package_value(engine, request.package, value, &refused)) {
        return 0;
      }
      return report_value_refused(request, path, call_line, refused.text,
                                  " needs Autoconf", err);
    case RequestKind::macro:
      switch (
          expand_macro(engine, request.name, request.length, value, &refused)) {
        case MacroResult::done:
          return 0;
        case MacroResult::undefined:
          return report_value_refused(request, path, call_line, request.name,
                                      " is no macro where AC_INIT is read",
                                      err);
        case MacroResult::needs_autoconf:
          break;
      }
      return report_value_refused(request, path, call_line, refused.text,
                                  " needs Autoconf", err);
    case RequestKind::shell:
      break;
  }
  ShellReport report;
  if (read_shell_value(read_input, rewind_input, input, request.name,
                       request.length, value, &report)) {
    return 0;
  }
  return report_shell_refused(request, path, report, err);
}

int write_output(const char* output, std::size_t length, std::FILE* out,
                 std::FILE* err) {
  // The caller fills the length bytes of output before it calls.
  // cppcheck-suppress uninitvar
  if (std::fwrite(output, 1, length, out) == length && std::fflush(out) == 0) {
    return 0;
  }
  Message failure(err);
  failure.add("Error: Failed to write to standard output!\n\n");
  failure.send();
  return 1;
}

// Reads the options before <lib_name> and <configure.ac>. Returns the
// index of lib_name, or 0 where the arguments are not a valid call.
int read_options(int argc, const native_char* const* argv, Request* requests,
                 std::size_t* count) {
  *count = 0;
  int i = 1;
  while (i + 2 < argc) {
    const bool m4 = is_option(argv[i], "--m4");
    if (!m4 && !is_option(argv[i], "--get")) {
      return 0;
    }
    if (*count == max_requests ||
        !set_request(argv[i + 1], m4, &requests[*count])) {
      return 0;
    }
    ++*count;
    i += 2;
  }
  return i + 2 == argc ? i : 0;
}
// genversion [--get NAME]... [--m4 NAME]... <lib_name> <configure.ac>
// Its buffers stay out of the two-argument run's stack frame, which stays
// small for a fast start.
int get_values(int argc, const native_char* const* argv, std::FILE* out,
               std::FILE* err) {
  Request requests[max_requests];
  std::size_t count = 0;
  const int first = read_options(argc, argv, requests, &count);
  if (first == 0 || argv[first][0] == 0 || argv[first + 1][0] == 0) {
    return show_usage(argv[0], err);
  }
  const native_char* const lib_name = argv[first];
  const native_char* const path = argv[first + 1];
  std::FILE* input = open_input(path);
  if (input == nullptr) {
    return report_open_failure(path, err);
  }
  bool keeps_call = false;
  for (std::size_t i = 0; i < count; ++i) {
    keeps_call = keeps_call || requests[i].kind == RequestKind::package ||
                 requests[i].kind == RequestKind::macro;
  }
  SearchPattern pattern;
  build_search_pattern(lib_name, &pattern);
  static_assert(sizeof(LibraryScan) < std::size_t{512} * 1024,
                "the scan fits the stack");
  LibraryScan scan;
  char version[version_buffer_size];
  ScanReport report;
  int status = 1;
  if (scan_to_library_call(read_input, rewind_input, input, pattern, keeps_call,
                           &scan, version, &report) != 1) {
    if (report.refused_line != 0) {
      report_unresolved(path, report, err);
    } else {
      report_not_found(err);
    }
    std::fclose(input);
    return 1;
  }
  char output[output_size];
  std::size_t used = 0;
  status = 0;
  for (std::size_t i = 0; i < count && status == 0; ++i) {
    char value[version_buffer_size];
    status =
        resolve_request(requests[i], path, input, &scan, version, value, err);
    if (status == 0 && !add_define(requests[i], value, output, &used)) {
      Message message(err);
      message.add("Error: The values asked for are too long to write!\n\n");
      message.send();
      status = 1;
    }
  }
  std::fclose(input);
  return status == 0 ? write_output(output, used, out, err) : 1;
}

}  // namespace

int run_genversion(int argc, const native_char* const* argv, std::FILE* out,
                   std::FILE* err) {
  if (argc < 3 || (argc == 3 && (argv[1][0] == 0 || argv[2][0] == 0))) {
    // A process may be started with no arguments at all, not even its name.
    return show_usage(argc > 0 ? argv[0] : nullptr, err);
  }
  if (is_option(argv[1], "--names")) {
    return list_names(argv[2], out, err);
  }
  if (argc > 3) {
    return get_values(argc, argv, out, err);
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
