// Drives the scanner and its m4 engine over arbitrary file bytes with an
// arbitrary library name and checks what must hold for any input.
//
// The input is a layout byte, the name, a zero byte, then the file; an
// input without a zero byte is a name alone. The layout byte may put
// padding without a newline in front of the file, so that its first bytes
// land just short of 4095 bytes in, where a call's head stops being read,
// and where random mutation alone seldom gets:
//   bits 7-6: 0 or 1 no padding; 2 spaces; 3 "AC_INIT(" and spaces, a call
//             whose head the file's first bytes finish;
//   bits 5-0: how far short of 4095 bytes the padding ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "memory_input.h"
#include "scanner.h"
#include "search_pattern.h"
#include "text.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// Checks the invariants of a scan's result, and writes it down as text:
// the version, or the line and name of the first refusal.
int outcome(int found, const char* buffer, const ScanReport& report,
            std::string* version) {
  check(found == 0 || found == 1);
  const std::size_t length = strnlen(buffer, version_buffer_size);
  check(length < version_buffer_size);  // terminated, at most 4095 bytes
  check((found == 1) == (length > 0));
  for (std::size_t i = 0; i < length; ++i) {
    check(is_version_byte(buffer[i]));
  }
  version->assign(buffer, length);
  if (found == 0 && report.refused_line != 0) {
    const std::size_t name =
        strnlen(report.refused.text, sizeof report.refused.text);
    check(name > 0 && name < sizeof report.refused.text);
    *version += "<refused " + std::to_string(report.refused_line) + " " +
                report.refused.text + ">";
  }
  return found;
}

// Scans data read chunk bytes at a time, as a file that can be read again
// or as a pipe.
int scan(const char* data, std::size_t size, std::size_t chunk, bool rewinds,
         const SearchPattern& pattern, std::string* version) {
  MemoryInput input = {data, size, chunk, false, 0, rewinds};
  char buffer[version_buffer_size];
  std::memset(buffer, '?', sizeof buffer);
  ScanReport report;
  const int found = scan_for_version(read_memory, rewind_memory, &input,
                                     pattern, buffer, &report);
  return outcome(found, buffer, report, version);
}

// The values of the library's call that --get and --m4 give, as text:
// each value or a refusal.
std::string values(const char* data, std::size_t size, std::size_t chunk,
                   bool rewinds, const SearchPattern& pattern,
                   const std::string& version) {
  MemoryInput input = {data, size, chunk, false, 0, rewinds};
  static LibraryScan scan;
  char buffer[version_buffer_size];
  ScanReport report;
  const int found = scan_to_library_call(read_memory, rewind_memory, &input,
                                         pattern, true, &scan, buffer, &report);
  // Keeping the call's arguments does not change the version.
  std::string kept;
  outcome(found, buffer, report, &kept);
  check(kept == version);
  if (found != 1) return kept;
  std::string text;
  for (unsigned i = 0; i < 5; ++i) {
    char value[version_buffer_size];
    NameText refused;
    if (expand_package_value(&scan.engine, static_cast<PackageValue>(i), value,
                             &refused)) {
      const std::size_t length = strnlen(value, sizeof value);
      check(length < sizeof value);
      check(std::memchr(value, '\'', length) == nullptr);
      text += value;
    } else {
      check(value[0] == '\0' && refused.length > 0);
      text += "<refused " + std::string(refused.text) + ">";
    }
    text += '\n';
  }
  // A macro the file may define: the first name it holds.
  const char* name = data;
  while (name < data + size && !is_name_start(*name)) ++name;
  std::size_t length = 0;
  while (name + length < data + size && is_name_byte(name[length]) &&
         length < 64)
    ++length;
  char value[version_buffer_size];
  NameText refused;
  const MacroResult result =
      expand_macro(&scan.engine, name, length, value, &refused);
  check(result == MacroResult::done || value[0] == '\0');
  text += result == MacroResult::done ? value : "<not given>";
  return text;
}

// The names of the file's AC_INIT calls, a line each.
std::string names(const char* data, std::size_t size, std::size_t chunk,
                  bool rewinds) {
  MemoryInput input = {data, size, chunk, false, 0, rewinds};
  std::string listed;
  const std::size_t count = scan_for_names(
      read_memory, rewind_memory, &input,
      [](void* context, const char* name) {
        auto* text = static_cast<std::string*>(context);
        check(*name != '\0' && std::strchr(name, '\n') == nullptr);
        *text += name;
        *text += '\n';
        return true;
      },
      &listed);
  check(count == static_cast<std::size_t>(
                     std::count(listed.begin(), listed.end(), '\n')));
  return listed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes,
                                      std::size_t size) {
  if (size == 0) return 0;
  const unsigned layout = bytes[0];
  const char* input = reinterpret_cast<const char*>(bytes + 1);
  const char* input_end = input + size - 1;
  const char* split = static_cast<const char*>(
      std::memchr(input, 0, static_cast<std::size_t>(input_end - input)));
  const std::string lib_name(input, split == nullptr ? input_end : split);
  std::string file;
  const unsigned mode = layout >> 6;
  if (mode >= 2) {
    file.assign(max_line_length - (layout & 63), ' ');
    if (mode == 3) file.replace(0, 8, "AC_INIT(");
  }
  if (split != nullptr) file.append(split + 1, input_end);
  const char* const file_data = file.data();
  const std::size_t file_size = file.size();

  SearchPattern pattern;
  build_search_pattern(lib_name.c_str(), &pattern);
  check(pattern.length <= sizeof pattern.text);

  // A wide name of the same codes gives the same pattern.
  std::wstring wide_name;
  for (const char c : lib_name)
    wide_name += static_cast<wchar_t>(static_cast<unsigned char>(c));
  SearchPattern wide_pattern;
  build_search_pattern(wide_name.c_str(), &wide_pattern);
  check(wide_pattern.can_match == pattern.can_match);
  check(wide_pattern.length == pattern.length);
  check(std::memcmp(wide_pattern.text, pattern.text, pattern.length) == 0);

  // The result depends on the bytes alone: not on whether the input can be
  // read twice (and so is searched for the library's calls before the
  // engine reads it), nor on how reads split it.
  std::string whole;
  const int found =
      scan(file_data, file_size, file_size + 1, true, pattern, &whole);
  std::string chunked;
  const std::size_t chunk =
      1 + (file_size * 2654435761U + lib_name.size()) % 5000;
  check(scan(file_data, file_size, chunk, false, pattern, &chunked) == found);
  check(chunked == whole);

  // The values besides the version, however read: only a call that gives
  // a version has them.
  if (found == 1) {
    const std::string given =
        values(file_data, file_size, file_size + 1, true, pattern, whole);
    check(values(file_data, file_size, chunk, false, pattern, whole) == given);
  }

  // The names of the calls, however read; each picks out a call of the
  // file as a library's name, and the first, the first call.
  const std::string listed = names(file_data, file_size, file_size + 1, true);
  check(names(file_data, file_size, chunk, false) == listed);
  if (!listed.empty()) {
    const std::string first = listed.substr(0, listed.find('\n'));
    SearchPattern named;
    build_search_pattern(first.c_str(), &named);
    check(named.can_match);
    MemoryInput input = {file_data, file_size, file_size + 1, false, 0, true};
    FileWindow window;
    open_window(&window, read_memory, &input);
    check(has_library_call(&window, named));
  }
  return 0;
}
