// Splits the path the tool was started by into the base name and extension
// shown in the usage line.
#ifndef GENVERSION_PROGRAM_NAME_H_
#define GENVERSION_PROGRAM_NAME_H_

#include <cstddef>

// The usage line has room for at most this many characters of the base
// name, and as many of the extension.
constexpr std::size_t max_program_name_part = 255;

// Both parts as offsets and lengths into the path.
struct ProgramName {
  std::size_t base_begin;
  std::size_t base_length;
  std::size_t extension_begin;
  std::size_t extension_length;
};

// A drive prefix ("C:") and everything up to the last '/' or '\' are set
// aside; the extension runs from the last '.' of what remains, dot included.
// When either part is longer than max_program_name_part, both are empty. A
// null path has empty parts.
ProgramName split_program_name(const char* path);
ProgramName split_program_name(const wchar_t* path);

#endif  // GENVERSION_PROGRAM_NAME_H_
