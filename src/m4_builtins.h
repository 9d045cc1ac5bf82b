// The macros the engine evaluates itself: GNU m4's builtins and m4sugar's
// macros as Autoconf defines them, one small function each, and the ones
// it knows only to refuse.
#ifndef GENVERSION_M4_BUILTINS_H_
#define GENVERSION_M4_BUILTINS_H_

#include <cstddef>

#include "m4_expand.h"
#include "m4_tokens.h"

enum class BuiltinOutcome {
  done,            // the result is in the TextOut, to be read again
  needs_autoconf,  // only Autoconf knows the result
  defines_unseen,  // ... and it may define names the engine cannot see
  fails            // m4 would report it, and Autoconf fail; or the engine
                   // could no longer read the file as m4 does
};

using BuiltinFunction = BuiltinOutcome (*)(Engine* engine,
                                           const Arguments& arguments,
                                           TextOut* result);

struct Builtin {
  const char* name;
  std::size_t name_length;
  BuiltinFunction function;
  // Recognised only when arguments follow, as GNU m4's builtins that
  // need them; alone, the name is plain text.
  bool blind;
  // Its first argument names the macro it defines: a value that needs
  // Autoconf makes that macro need Autoconf, and no more.
  bool defines_first;
  // Its result is quoted text, read as such only where quoted as here.
  bool quotes_result;
};

// The builtin called name, or -1.
int find_builtin(const char* name, std::size_t length);
const Builtin& builtin_at(int index);
std::size_t builtin_count();

// Whether name is one of the macros that define or remove names.
bool is_defining_builtin(int index);

#endif  // GENVERSION_M4_BUILTINS_H_
