#include "program_name.h"

namespace {

template <typename Char>
ProgramName split(const Char* path) {
  ProgramName name = {0, 0, 0, 0};
  if (path == nullptr) {
    return name;
  }
  std::size_t file_begin = 0;
  if (path[0] != 0 && path[1] == ':') {
    file_begin = 2;
  }
  std::size_t end = file_begin;
  std::size_t last_dot = 0;
  bool has_dot = false;
  for (; path[end] != 0; ++end) {
    if (path[end] == '/' || path[end] == '\\') {
      file_begin = end + 1;
      has_dot = false;  // a dot in a directory name starts no extension
    } else if (path[end] == '.') {
      last_dot = end;
      has_dot = true;
    }
  }
  const std::size_t base_end = has_dot ? last_dot : end;
  const std::size_t base_length = base_end - file_begin;
  const std::size_t extension_length = end - base_end;
  if (base_length > max_program_name_part ||
      extension_length > max_program_name_part) {
    return name;
  }
  name.base_begin = file_begin;
  name.base_length = base_length;
  name.extension_begin = base_end;
  name.extension_length = extension_length;
  return name;
}

}  // namespace

ProgramName split_program_name(const char* path) { return split(path); }

ProgramName split_program_name(const wchar_t* path) { return split(path); }
