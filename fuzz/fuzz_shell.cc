// Drives the reader of configure's shell text over arbitrary file bytes
// with an arbitrary variable name and checks what must hold for any input.
//
// The input is the name, a zero byte, then the file; an input without a
// zero byte is a file read for the variable X.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "memory_input.h"
#include "shell_reader.h"
#include "text.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

std::string read(const std::string& file, const std::string& name,
                 std::size_t chunk) {
  MemoryInput input = {file.data(), file.size(), chunk, false, 0, true};
  char value[4096];
  std::memset(value, '?', sizeof value);
  ShellReport report;
  const bool found = read_shell_value(read_memory, rewind_memory, &input,
                                      name.data(), name.size(), value, &report);
  const std::size_t length = strnlen(value, sizeof value);
  check(length < sizeof value);
  if (!found) {
    check(length == 0 && report.reason != ShellRefusal::none);
    check(strnlen(report.name, sizeof report.name) < sizeof report.name);
    return "<refused " + std::to_string(static_cast<int>(report.reason)) + " " +
           std::to_string(report.line) + " " + report.name + ">";
  }
  check(report.reason == ShellRefusal::none);
  // A value is a literal word's: no byte the reader refuses in one.
  for (std::size_t i = 0; i < length; ++i) {
    check(std::strchr("[]#\\`$", value[i]) == nullptr);
  }
  return std::string(value, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes,
                                      std::size_t size) {
  const char* data = reinterpret_cast<const char*>(bytes);
  const char* split = static_cast<const char*>(std::memchr(data, 0, size));
  std::string name = "X";
  std::string file(data, size);
  if (split != nullptr) {
    name.assign(data, split);
    file.assign(split + 1, data + size);
  }
  if (name.size() > 64) return 0;
  // The result depends on the bytes alone, not on how reads split them.
  const std::string whole = read(file, name, file.size() + 1);
  check(read(file, name, 1 + file.size() % 997) == whole);
  return 0;
}
