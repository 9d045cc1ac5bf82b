// Drives the m4 engine alone: a prologue of definitions and a version
// argument, read as the file
//   PROLOGUE
//   AC_INIT([t], VERSION)
// and checks what must hold for any input: a version of version bytes, or
// a refusal naming something, the same however reads split the input.
//
// The input is the prologue, a zero byte, then the version argument; an
// input without a zero byte is a prologue alone.
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

std::string scan(const std::string& file, std::size_t chunk, bool rewinds,
                 const SearchPattern& pattern) {
  MemoryInput input = {file.data(), file.size(), chunk, false, 0, rewinds};
  char version[version_buffer_size];
  std::memset(version, '?', sizeof version);
  ScanReport report;
  const int found = scan_for_version(read_memory, rewind_memory, &input,
                                     pattern, version, &report);
  check(found == 0 || found == 1);
  const std::size_t length = strnlen(version, sizeof version);
  check(length < sizeof version);
  check((found == 1) == (length > 0));
  for (std::size_t i = 0; i < length; ++i) check(is_version_byte(version[i]));
  if (found == 1) return version;
  if (report.refused_line == 0) return "<none>";
  check(report.refused.length > 0 &&
        report.refused.length == std::strlen(report.refused.text));
  return "<refused " + std::to_string(report.refused_line) + " " +
         report.refused.text + ">";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes,
                                      std::size_t size) {
  const char* input = reinterpret_cast<const char*>(bytes);
  const char* end = input + size;
  const char* split = static_cast<const char*>(std::memchr(input, 0, size));
  std::string file(input, split == nullptr ? end : split);
  file += "\nAC_INIT([t], ";
  if (split != nullptr) file.append(split + 1, end);
  file += ")\n";

  SearchPattern pattern;
  build_search_pattern("[t]", &pattern);
  // Whether the file is searched for the call first is fuzz_scanner's to
  // check; here, reads of a few bytes against one read.
  const std::string whole = scan(file, file.size() + 1, false, pattern);
  check(scan(file, 1 + size % 97, false, pattern) == whole);
  return 0;
}
