// Drives program-name splitting over arbitrary paths and checks the parts
// against the rules written out plainly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "program_name.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// The parts by the rules: set a drive prefix aside, take what follows the
// last separator, split it at its last dot.
ProgramName split_by_rules(const std::string& path) {
  std::size_t file_begin = path.size() >= 2 && path[1] == ':' ? 2 : 0;
  for (std::size_t i = file_begin; i < path.size(); ++i) {
    if (is_separator(path[i])) file_begin = i + 1;
  }
  const std::size_t dot = path.rfind('.');
  const std::size_t base_end =
      dot != std::string::npos && dot >= file_begin ? dot : path.size();
  ProgramName name = {file_begin, base_end - file_begin, base_end,
                      path.size() - base_end};
  if (name.base_length > max_program_name_part ||
      name.extension_length > max_program_name_part) {
    return ProgramName{0, 0, 0, 0};
  }
  return name;
}

void check_same(const ProgramName& a, const ProgramName& b) {
  if (a.base_length == 0 && a.extension_length == 0) {
    // Empty parts: where they point does not matter.
    check(b.base_length == 0 && b.extension_length == 0);
    return;
  }
  check(a.base_begin == b.base_begin && a.base_length == b.base_length);
  check(a.extension_begin == b.extension_begin &&
        a.extension_length == b.extension_length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes,
                                      std::size_t size) {
  // A path is text: it ends at its first zero byte.
  std::string path(reinterpret_cast<const char*>(bytes), size);
  path.resize(path.find('\0') == std::string::npos ? size : path.find('\0'));

  const ProgramName name = split_program_name(path.c_str());
  check(name.base_begin + name.base_length <= path.size());
  check(name.extension_begin + name.extension_length <= path.size());
  check(name.base_length <= max_program_name_part);
  check(name.extension_length <= max_program_name_part);
  check(name.extension_length == 0 || path[name.extension_begin] == '.');
  check_same(split_by_rules(path), name);

  std::wstring wide;
  for (const char c : path)
    wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  check_same(name, split_program_name(wide.c_str()));
  return 0;
}
