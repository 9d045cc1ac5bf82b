// The reader of configure's shell text: the value a shell variable has at
// the end of every run of the configure script, where configure.ac sets
// it once, at the top level, to a literal word. Everything else about the
// variable (a second assignment, one inside an if or a macro's argument,
// a word m4 or the shell would change) is refused, never guessed.
#ifndef GENVERSION_SHELL_READER_H_
#define GENVERSION_SHELL_READER_H_

#include <cstddef>
#include <cstdint>

#include "file_window.h"
#include "m4_macros.h"

// Why a variable's value cannot be given.
enum class ShellRefusal : std::uint8_t {
  none,
  not_assigned,    // no assignment in the file
  owned,           // a variable of Autoconf's, Automake's or Libtool's own
  assigned_twice,  // set more than once, or also by AC_SUBST
  not_top_level,   // set inside if, case, a loop, a function or a macro
  used_before,     // read before it is set
  other_use,       // used in a way that may set it (read, export, a macro)
  not_literal,     // set to more than a literal word
  m4_name,         // its value holds a name m4 may expand
  unreadable,      // the file is beyond what the reader follows
  too_deep,        // variables refer to each other too deep
};

struct ShellReport {
  ShellRefusal reason;
  LineNumber line;  // where the reason is seen; 0 for the whole file
  // The variable or word at fault: the one asked for or one its value uses.
  char name[max_name_length + 1];
};

// The whole file is read again for each variable and word a value uses:
// an input that rewind cannot move back to its start is refused.
// Returns true with the value (max_line_length + 1 bytes), else false with
// the reason in report.
bool read_shell_value(ReadFunction read, RewindFunction rewind, void* input,
                      const char* name, std::size_t length, char* value,
                      ShellReport* report);

// Whether configure's own machinery may set a variable of this name.
bool is_owned_variable(const char* name, std::size_t length);

#endif  // GENVERSION_SHELL_READER_H_
