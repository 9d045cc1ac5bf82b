// The m4 side of a version: the literal definitions a configure.ac makes
// before its AC_INIT line, and the expansion of AC_INIT's version argument
// with them, as Autoconf would expand it. Whatever only Autoconf could
// compute (its own macros, m4 builtins, macros with arguments, names the
// tool cannot be sure of) is refused, never guessed.
#ifndef GENVERSION_M4_H_
#define GENVERSION_M4_H_

#include <cstddef>
#include <cstdint>

#include "search_pattern.h"

// Sized for real files, which make at most a few hundred definitions.
constexpr std::size_t max_definitions = 1024;
constexpr std::size_t definitions_text_size = std::size_t{64} * 1024;

// A defining call is read at most this far from its first byte.
constexpr std::size_t max_call_length = max_line_length;

// Expansions nest at most this deep, and a version takes at most this many
// expansions in all: deeper or longer is refused, so that definitions that
// refer to themselves end in a refusal, never a hang.
constexpr unsigned max_expansion_depth = 64;
constexpr unsigned max_expansions = 65536;

struct Definition {
  std::uint32_t name_at;
  std::uint32_t name_length;
  std::uint32_t value_at;
  std::uint32_t value_length;
  // False for a name the tool cannot be sure of: using it is refused.
  bool usable;
};

// The name that stopped an expansion, for the refusal message.
struct RefusedName {
  char text[max_line_length + 1];
};

struct Definitions {
  Definition entries[max_definitions];
  std::size_t count;
  // Names and values of the entries.
  char text[definitions_text_size];
  std::size_t text_used;
  // Set when a name may be defined where the tool cannot see it (a defining
  // call whose name is computed, or a full table): from then on a name the
  // table does not hold is refused instead of being taken literally.
  bool unknown_names_refused;
  // Set by the first defining call of a name that Autoconf's own AC_INIT
  // relies on (Autoconf's, m4sugar's or an m4 builtin's), which may change
  // how Autoconf computes the version: every AC_INIT call after it is
  // refused, naming it.
  bool autoconf_changed;
  RefusedName autoconf_changed_by;
};

void clear_definitions(Definitions* definitions);

// What a macro called with arguments does to the definitions.
enum class DefiningMacro {
  none,      // nothing the tool tracks
  define,    // m4_define or define: a definition where it starts a line
  one_name,  // redefines, pushes, appends to or removes its first argument
  two_names  // copies or renames: its first and second arguments
};
// The defining macro whose name ends just before the '(' at paren, or none;
// word gets the name's first byte. The byte before the name must not be a
// letter or '_': bytes from begin on may be read.
DefiningMacro defining_macro_before(const char* paren, const char* begin,
                                    const char** word);
// The longest name of a defining macro, and so how far before its '('
// defining_macro_before reads.
constexpr std::size_t max_defining_macro_length = 17;

// The call's arguments, from just after its '(' to at most max_call_length
// bytes from the macro's first byte, or the end of the input.

// A definition at the start of a line: its first argument, a plain name,
// gets its second, collected as m4 collects an argument. A name that
// cannot be given a sure value is refused. Returns how many bytes of
// arguments the call takes, its ')' included (all of them when it does not
// close).
std::size_t read_definition(Definitions* definitions, const char* arguments,
                            std::size_t length);
// Any other defining call: the names it names are refused.
void refuse_defined_names(Definitions* definitions, DefiningMacro macro,
                          const char* arguments, std::size_t length);

// Expands a version argument captured from an AC_INIT line: collected as
// m4 collects an argument, then rescanned, then filtered to version bytes
// (version holds max_line_length + 1 bytes). Returns true with the version,
// which may be empty; false when the expansion needs Autoconf, with the
// name that stopped it in refused.
bool expand_version(const Definitions& definitions, const char* capture,
                    std::size_t length, char* version, RefusedName* refused);

#endif  // GENVERSION_M4_H_
