// The m4 engine: reads a configure.ac as m4 under Autoconf does, up to the
// library's AC_INIT call, keeping the definitions it makes, and expands the
// version argument of that call as Autoconf would. What only Autoconf could
// compute (its own macros, a shell command, another file, a name defined
// where the engine cannot see it) is refused, never guessed.
#ifndef GENVERSION_M4_EXPAND_H_
#define GENVERSION_M4_EXPAND_H_

#include <cstddef>
#include <cstdint>

#include "file_window.h"
#include "m4_input.h"
#include "m4_macros.h"
#include "m4_tokens.h"
#include "search_pattern.h"

// Calls take at most this many arguments, in this many bytes in all for
// the calls being collected at once; argument collection nests at most
// this deep; a top-level construct takes at most this many expansions.
constexpr std::size_t max_arguments = 64;
constexpr std::size_t argument_text_size = std::size_t{64} * 1024;
constexpr unsigned max_collection_depth = 64;
constexpr unsigned long max_expansions = 1024;
// ... and expansions giving at most this many bytes of text in all.
constexpr std::size_t max_expanded_bytes = std::size_t{16} * 1024;

// AC_INIT takes the package's name, version, bug-report address, tarname
// and URL, in that order.
constexpr unsigned package_argument_count = 5;

// The library's AC_INIT call as collected, for the values it defines.
struct PackageCall {
  LineNumber line;  // where the call starts
  unsigned count;   // its arguments, up to package_argument_count
  unsigned usable;  // those before the first that needs Autoconf
  NameText taint;   // what the first unusable one needs
  char text[package_argument_count][max_line_length];
  std::size_t length[package_argument_count];
};

// A macro call whose arguments are being collected.
struct Collection {
  const NameText* name;
  std::uint32_t start[max_arguments];
  std::uint32_t length[max_arguments];
  unsigned count;  // arguments collected so far
  bool closed;     // its ')' is read
  bool overflow;   // more arguments or text than the engine holds
  // Set by the first thing in an argument that needs Autoconf.
  bool tainted;
  unsigned taint_argument;
  NameText taint;
  Collection* outer;
};

struct Engine {
  Input input;
  MacroTable macros;
  // Arguments of the calls being collected, innermost last.
  char arguments[argument_text_size];
  std::size_t arguments_used;
  Collection* innermost;  // the innermost call being collected, or null
  unsigned collection_depth;
  unsigned long expansions;    // since the last top-level token of the file
  std::size_t expanded_bytes;  // the text they gave
  // Whether a keyword of the file is read inside quotes.
  bool in_quotes;
  // Whether a value of the package's (the version, its name, ...) is
  // being expanded.
  bool in_version;
  // Names may have been defined where the engine cannot see how (another
  // file, AC_DEFUN, a computed name): every definition made before, and
  // every name the table does not hold, needs Autoconf.
  bool names_unknown;
  bool defined_since_forgotten;  // a definition made since they were
  // Autoconf would fail, or read the rest of the file otherwise than the
  // engine can (changequote, an m4 error, a redefinition of Autoconf's own
  // macros): every later AC_INIT call needs Autoconf.
  bool lost;
  NameText lost_by;

  // The library's calls: where the next "AC_INIT" of the file may be, and
  // the first call that could not be resolved.
  const SearchPattern* pattern;
  unsigned long long next_keyword;
  LineNumber refused_line;  // 0 when none
  NameText refused;
  // Set before the search to keep the arguments of the call found.
  bool keeps_call;
  PackageCall call;
};

// Prepares the engine to read the file through window, looking for the
// calls of pattern's library.
void start_engine(Engine* engine, FileWindow* window,
                  const SearchPattern& pattern);

// Reads on to the next AC_INIT call of the library that yields a version.
// Returns true with the filtered version in version (max_line_length + 1
// bytes), false at the end of the file; calls whose version needs Autoconf
// are noted in refused_line and refused (the first only). With the
// any-name pattern, it stops at each call instead, with its first argument
// as written in version.
bool find_next_version(Engine* engine, char* version);

// The values AC_INIT defines besides the version, as the configure script
// gives them in PACKAGE_NAME and the like.
enum class PackageValue : std::uint8_t {
  name,
  bugreport,
  tarname,
  url,
  string
};

// After find_next_version returned true with keeps_call set: the value as
// Autoconf gives it from the call found, defaults included, in value
// (max_line_length + 1 bytes). Returns false with the name that stopped it
// in refused.
bool expand_package_value(Engine* engine, PackageValue which, char* value,
                          NameText* refused);

enum class MacroResult : std::uint8_t { done, needs_autoconf, undefined };

// After find_next_version returned true: the expansion of the macro name
// with no arguments, as m4 gives it there, in value (max_line_length + 1
// bytes). needs_autoconf comes with the name that stopped it in refused.
MacroResult expand_macro(Engine* engine, const char* name, std::size_t length,
                         char* value, NameText* refused);

// Whether m4 under Autoconf may expand a name as a macro whatever the file
// defines: a builtin, dnl, or a macro of Autoconf's and its kin.
bool may_be_m4sugar_macro(const char* name, std::size_t length);

// For the builtins.

// Arguments of a call as the builtins see them.
struct Arguments {
  const NameText* name;  // as called, for $0 and messages
  unsigned count;
  const char* text[max_arguments];
  std::size_t length[max_arguments];
};

// The value of a name, or kind none: the builtin, user definition or
// Autoconf macro that a name is, as the engine sees it.
enum class NameKind : std::uint8_t { none, text, builtin, opaque, autoconf };
struct NameMeaning {
  NameKind kind;
  const Macro* macro;  // for text and opaque, and builtins copied by name
  std::uint8_t builtin;
};
NameMeaning meaning_of(const Engine& engine, const char* name,
                       std::size_t length);

// Defines name (pushdef or define) with value, or as a definition the
// engine cannot see; notes a change to Autoconf's own macros.
void set_definition(Engine* engine, const char* name, std::size_t length,
                    const MacroValue& value, bool push);
void remove_definition(Engine* engine, const char* name, std::size_t length,
                       bool all);
// Whether text, where it is expanded, may define names.
bool may_define_names(const Engine& engine, const char* text,
                      std::size_t length);

#endif  // GENVERSION_M4_EXPAND_H_
