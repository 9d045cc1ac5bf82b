#include "m4.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "text.h"

namespace {

bool is_word(const char* name, std::size_t length, const char* word) {
  return std::strlen(word) == length && std::memcmp(name, word, length) == 0;
}

template <std::size_t count>
bool is_one_of(const char* name, std::size_t length,
               const char* const (&words)[count]) {
  return std::any_of(std::begin(words), std::end(words), [&](const char* word) {
    return is_word(name, length, word);
  });
}

// Autoconf, m4sugar, Automake, Libtool, pkg-config and Autoconf Archive
// macros: their expansion is Autoconf's to compute.
constexpr const char* autoconf_prefixes[] = {
    "m4_", "_m4_", "AC_", "_AC_", "AS_",  "_AS_", "AM_", "_AM_",
    "AH_", "AU_",  "AT_", "LT_",  "_LT_", "PKG_", "AX_"};

template <std::size_t count>
bool has_prefix_of(const char* name, std::size_t length,
                   const char* const (&prefixes)[count]) {
  return std::any_of(std::begin(prefixes), std::end(prefixes),
                     [&](const char* prefix) {
                       const std::size_t prefix_length = std::strlen(prefix);
                       return length >= prefix_length &&
                              std::memcmp(name, prefix, prefix_length) == 0;
                     });
}

bool has_autoconf_prefix(const char* name, std::size_t length) {
  return has_prefix_of(name, length, autoconf_prefixes);
}

// GNU m4 builtins that expand even without arguments.
constexpr const char* builtins_without_arguments[] = {
    "dnl",         "divert",   "undivert", "divnum",     "changequote",
    "changecom",   "sinclude", "m4exit",   "m4wrap",     "dumpdef",
    "traceon",     "traceoff", "__file__", "__line__",   "__oline__",
    "__program__", "__unix__", "__gnu__",  "__windows__"};

// Every GNU m4 1.4 builtin: each expands when arguments follow it.
constexpr const char* builtins[] = {
    "builtin",   "changecom",  "changequote", "changeword", "debugfile",
    "debugmode", "decr",       "define",      "defn",       "divert",
    "divnum",    "dnl",        "dumpdef",     "errprint",   "esyscmd",
    "eval",      "format",     "ifdef",       "ifelse",     "include",
    "incr",      "index",      "indir",       "len",        "m4exit",
    "m4wrap",    "maketemp",   "mkstemp",     "patsubst",   "popdef",
    "pushdef",   "regexp",     "shift",       "sinclude",   "substr",
    "syscmd",    "sysval",     "traceoff",    "traceon",    "translit",
    "undefine",  "undivert",   "unix",        "windows",    "os2",
    "__os2__",   "__file__",   "__gnu__",     "__line__",   "__program__",
    "__unix__",  "__windows__"};

struct DefiningMacroName {
  const char* name;
  std::size_t length;
  DefiningMacro macro;
};

constexpr DefiningMacroName defining_macros[] = {
    {"m4_define", 9, DefiningMacro::define},
    {"define", 6, DefiningMacro::define},
    {"m4_pushdef", 10, DefiningMacro::one_name},
    {"pushdef", 7, DefiningMacro::one_name},
    {"m4_popdef", 9, DefiningMacro::one_name},
    {"popdef", 6, DefiningMacro::one_name},
    {"m4_define_default", 17, DefiningMacro::one_name},
    {"m4_append", 9, DefiningMacro::one_name},
    {"m4_append_uniq", 14, DefiningMacro::one_name},
    {"m4_undefine", 11, DefiningMacro::one_name},
    {"undefine", 8, DefiningMacro::one_name},
    {"AC_DEFUN", 8, DefiningMacro::one_name},
    {"AC_DEFUN_ONCE", 13, DefiningMacro::one_name},
    {"AU_DEFUN", 8, DefiningMacro::one_name},
    {"m4_copy", 7, DefiningMacro::two_names},
    {"m4_copy_force", 13, DefiningMacro::two_names},
    {"m4_rename", 9, DefiningMacro::two_names},
    {"m4_rename_force", 15, DefiningMacro::two_names},
    {"AU_ALIAS", 8, DefiningMacro::two_names},
};

// The table of definitions.

const char* name_of(const Definitions& definitions, const Definition& entry) {
  return definitions.text + entry.name_at;
}

const Definition* find_definition(const Definitions& definitions,
                                  const char* name, std::size_t length) {
  for (std::size_t i = 0; i < definitions.count; ++i) {
    const Definition& entry = definitions.entries[i];
    if (entry.name_length == length &&
        std::memcmp(name_of(definitions, entry), name, length) == 0) {
      return &entry;
    }
  }
  return nullptr;
}

Definition* find_definition(Definitions* definitions, const char* name,
                            std::size_t length) {
  return const_cast<Definition*>(find_definition(
      static_cast<const Definitions&>(*definitions), name, length));
}

bool store_text(Definitions* definitions, const char* text, std::size_t length,
                std::uint32_t* at) {
  if (definitions_text_size - definitions->text_used < length) {
    return false;
  }
  std::memcpy(definitions->text + definitions->text_used, text, length);
  *at = static_cast<std::uint32_t>(definitions->text_used);
  definitions->text_used += length;
  return true;
}

// Adds a name the table does not hold yet. One that does not fit is refused
// with every other name the table does not hold.
void add_definition(Definitions* definitions, const char* name,
                    std::size_t length, const char* value,
                    std::size_t value_length, bool usable) {
  Definition entry = {0, static_cast<std::uint32_t>(length), 0,
                      static_cast<std::uint32_t>(value_length), usable};
  if (definitions->count == max_definitions ||
      !store_text(definitions, name, length, &entry.name_at) ||
      !store_text(definitions, value, value_length, &entry.value_at)) {
    definitions->unknown_names_refused = true;
    return;
  }
  definitions->entries[definitions->count++] = entry;
}

void refuse_name(Definitions* definitions, const char* name,
                 std::size_t length) {
  Definition* entry = find_definition(definitions, name, length);
  if (entry != nullptr) {
    entry->usable = false;
  } else {
    add_definition(definitions, name, length, "", 0, false);
  }
}

void define_name(Definitions* definitions, const char* name, std::size_t length,
                 const char* value, std::size_t value_length) {
  // A parameter ($1, $#, $@, ...) makes the value depend on the call.
  const bool usable = std::memchr(value, '$', value_length) == nullptr;
  Definition* entry = find_definition(definitions, name, length);
  if (entry == nullptr) {
    add_definition(definitions, name, length, value, value_length, usable);
    return;
  }
  // The same value again changes nothing; another value may hide a
  // definition that depends on a condition.
  const bool same_value = entry->value_length == value_length &&
                          std::memcmp(definitions->text + entry->value_at,
                                      value, value_length) == 0;
  if (!usable || !same_value) {
    entry->usable = false;
  }
}

// Reading through nested expansions. m4 pushes a macro's value back onto
// its input and reads on: a name may run from a value into the text after
// the macro, and quotes may open in one and close in the other.

struct Source {
  const char* text;
  std::size_t length;
  std::size_t at;
  unsigned depth;
  // The macro whose value this is; none for the text being expanded.
  const char* name;
  std::size_t name_length;
};

struct Input {
  Source sources[max_expansion_depth + 1];
  std::size_t count;
  unsigned expansions;
};

void start_input(Input* input, const char* text, std::size_t length) {
  input->sources[0] = Source{text, length, 0, 0, nullptr, 0};
  input->count = 1;
  input->expansions = 0;
}

// Drops the sources that are read to their end, except the first.
void drop_used_sources(Input* input) {
  while (input->count > 1 && input->sources[input->count - 1].at ==
                                 input->sources[input->count - 1].length) {
    --input->count;
  }
}

// The byte ahead bytes further on, or -1 past the end of all input.
int peek(const Input& input, std::size_t ahead) {
  for (std::size_t i = input.count; i-- > 0;) {
    const Source& source = input.sources[i];
    const std::size_t left = source.length - source.at;
    if (ahead < left) {
      return static_cast<unsigned char>(source.text[source.at + ahead]);
    }
    ahead -= left;
  }
  return -1;
}

void advance(Input* input) {
  drop_used_sources(input);
  ++input->sources[input->count - 1].at;
}

struct Output {
  char* text;
  std::size_t capacity;
  std::size_t length;
  // Keep only version bytes, as the version is filtered in the end anyway.
  bool version_bytes_only;
};

bool put(Output* output, char byte) {
  if (output->version_bytes_only && !is_version_byte(byte)) {
    return true;
  }
  if (output->length == output->capacity) {
    return false;
  }
  output->text[output->length++] = byte;
  return true;
}

bool put_text(Output* output, const char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    if (!put(output, text[i])) {
      return false;
    }
  }
  return true;
}

enum class Stop { end, comma, close, refused };

struct Scan {
  const Definitions* definitions;
  Input input;
  Output output;
  RefusedName* refused;
};

Stop refuse(Scan* scan, const char* name, std::size_t length) {
  const std::size_t kept = length < sizeof scan->refused->text
                               ? length
                               : sizeof scan->refused->text - 1;
  std::memcpy(scan->refused->text, name, kept);
  scan->refused->text[kept] = '\0';
  return Stop::refused;
}

// Too long a result: the innermost expansion is what made it so.
Stop refuse_overflow(Scan* scan) {
  const Source& source = scan->input.sources[scan->input.count - 1];
  if (source.name == nullptr) {
    return refuse(scan, "m4", 2);
  }
  return refuse(scan, source.name, source.name_length);
}

// m4_defn([name]): the value of name, as it stands.
Stop expand_defn(Scan* scan, const char* defn, std::size_t defn_length) {
  char name[max_line_length + 1];
  std::size_t length = 0;
  bool well_formed = peek(scan->input, 0) == '(' && peek(scan->input, 1) == '[';
  if (well_formed) {
    for (int c = peek(scan->input, 2 + length);
         c >= 0 && is_name_byte(static_cast<char>(c)) &&
         length < max_line_length;
         c = peek(scan->input, 2 + length)) {
      name[length++] = static_cast<char>(c);
    }
    well_formed = length > 0 && is_name_start(name[0]) &&
                  peek(scan->input, 2 + length) == ']' &&
                  peek(scan->input, 3 + length) == ')';
  }
  if (!well_formed) {
    return refuse(scan, defn, defn_length);
  }
  const Definition* entry = find_definition(*scan->definitions, name, length);
  if (entry == nullptr) {
    return refuse(scan, defn, defn_length);
  }
  if (!entry->usable) {
    return refuse(scan, name, length);
  }
  for (std::size_t i = 0; i < length + 4; ++i) {
    advance(&scan->input);
  }
  if (!put_text(&scan->output, scan->definitions->text + entry->value_at,
                entry->value_length)) {
    return refuse(scan, name, length);
  }
  return Stop::end;
}

// Reads the name that starts here and expands it, keeps it as it is, or
// refuses it. Returns Stop::end when scanning goes on.
Stop expand_name(Scan* scan) {
  Input* input = &scan->input;
  drop_used_sources(input);
  const unsigned depth = input->sources[input->count - 1].depth;
  char name[max_line_length + 1];
  std::size_t length = 0;
  for (int c = peek(*input, 0); c >= 0 && is_name_byte(static_cast<char>(c));
       c = peek(*input, 0)) {
    if (length == max_line_length) {
      return refuse(scan, name, length);
    }
    name[length++] = static_cast<char>(c);
    advance(input);
  }
  if (is_word(name, length, "m4_defn")) {
    return expand_defn(scan, name, length);
  }
  const Definition* entry = find_definition(*scan->definitions, name, length);
  if (entry != nullptr) {
    if (!entry->usable) {
      return refuse(scan, name, length);
    }
    if (peek(*input, 0) == '(') {
      // "()" passes no arguments; anything else needs the macro's
      // parameters, which the tool does not evaluate.
      if (peek(*input, 1) != ')') {
        return refuse(scan, name, length);
      }
      advance(input);
      advance(input);
    }
    drop_used_sources(input);
    if (depth >= max_expansion_depth || ++input->expansions > max_expansions ||
        input->count == sizeof input->sources / sizeof input->sources[0]) {
      return refuse(scan, name, length);
    }
    const char* const text = scan->definitions->text;
    input->sources[input->count++] =
        Source{text + entry->value_at, entry->value_length, 0, depth + 1,
               text + entry->name_at,  entry->name_length};
    return Stop::end;
  }
  if (has_autoconf_prefix(name, length) ||
      is_one_of(name, length, builtins_without_arguments) ||
      (peek(*input, 0) == '(' && is_one_of(name, length, builtins)) ||
      scan->definitions->unknown_names_refused) {
    return refuse(scan, name, length);
  }
  return put_text(&scan->output, name, length) ? Stop::end
                                               : refuse_overflow(scan);
}

// Reads the input as m4 does: quoted text loses one level of quotes and is
// kept as it is, names outside quotes are expanded. Reading an argument,
// it ends at a ',' or ')' outside quotes and parentheses; otherwise, at the
// end of the input.
Stop scan_text(Scan* scan, bool argument) {
  unsigned quotes = 0;
  unsigned parentheses = 0;
  for (;;) {
    const int next = peek(scan->input, 0);
    if (next < 0) {
      return Stop::end;
    }
    const char byte = static_cast<char>(next);
    if (quotes == 0 && is_name_start(byte)) {
      const Stop stop = expand_name(scan);
      if (stop != Stop::end) {
        return stop;
      }
      continue;
    }
    advance(&scan->input);
    if (quotes > 0) {
      if (byte == '[') {
        ++quotes;
      } else if (byte == ']' && --quotes == 0) {
        continue;
      }
    } else if (byte == '[') {
      quotes = 1;
      continue;
    } else if (byte == '#') {
      // An m4 comment: it hides the rest of its line from m4.
      return refuse(scan, "#", 1);
    } else if (argument) {
      if (parentheses == 0 && (byte == ',' || byte == ')')) {
        return byte == ',' ? Stop::comma : Stop::close;
      }
      if (byte == '(') {
        ++parentheses;
      } else if (byte == ')') {
        --parentheses;
      }
    }
    if (!put(&scan->output, byte)) {
      return refuse_overflow(scan);
    }
  }
}

void skip_whitespace(const char** next, const char* end, bool newlines) {
  while (*next != end && is_whitespace_byte(**next) &&
         (newlines || **next != '\n')) {
    ++*next;
  }
}

// Reads an argument that is a plain name, "[name]" or a bare name, up to
// the ',' or ')' after it. The name must stand on the call's line. A bare
// name that m4 would expand is not plain.
bool read_plain_name(const Definitions& definitions, const char** next,
                     const char* end, const char** name, std::size_t* length) {
  skip_whitespace(next, end, false);
  const bool quoted = *next != end && **next == '[';
  if (quoted) {
    ++*next;
  }
  *name = *next;
  if (*next == end || !is_name_start(**next)) {
    return false;
  }
  while (*next != end && is_name_byte(**next)) {
    ++*next;
  }
  *length = static_cast<std::size_t>(*next - *name);
  if (quoted) {
    if (*next == end || **next != ']') {
      return false;
    }
    ++*next;
  } else if (find_definition(definitions, *name, *length) != nullptr ||
             has_autoconf_prefix(*name, *length) ||
             is_one_of(*name, *length, builtins)) {
    return false;
  }
  skip_whitespace(next, end, true);
  return *next != end && (**next == ',' || **next == ')');
}

// Names whose definitions Autoconf's own AC_INIT relies on to compute
// and write PACKAGE_VERSION: m4sugar, Autoconf's internals, AC_INIT and
// the macros it defines and writes the version with.
bool is_autoconf_machinery(const char* name, std::size_t length) {
  constexpr const char* prefixes[] = {"m4_",     "_m4_",        "_AC_",
                                      "AC_INIT", "AC_PACKAGE_", "AC_SUBST"};
  return has_prefix_of(name, length, prefixes) ||
         is_one_of(name, length, builtins);
}

void note_autoconf_changed(Definitions* definitions, const char* name,
                           std::size_t length) {
  if (definitions->autoconf_changed) {
    return;
  }
  definitions->autoconf_changed = true;
  RefusedName& by = definitions->autoconf_changed_by;
  const std::size_t kept =
      length < sizeof by.text ? length : sizeof by.text - 1;
  std::memcpy(by.text, name, kept);
  by.text[kept] = '\0';
}

// Reads a name that a defining call defines. One that is not a plain name
// may be any name: every name the table does not hold is refused.
bool read_defined_name(Definitions* definitions, const char** next,
                       const char* end, const char** name,
                       std::size_t* length) {
  if (!read_plain_name(*definitions, next, end, name, length)) {
    definitions->unknown_names_refused = true;
    return false;
  }
  if (is_autoconf_machinery(*name, *length)) {
    note_autoconf_changed(definitions, *name, *length);
  }
  return true;
}

}  // namespace

void clear_definitions(Definitions* definitions) {
  definitions->count = 0;
  definitions->text_used = 0;
  definitions->unknown_names_refused = false;
  definitions->autoconf_changed = false;
}

DefiningMacro defining_macro_before(const char* paren, const char* begin,
                                    const char** word) {
  for (const DefiningMacroName& macro : defining_macros) {
    const std::size_t length = macro.length;
    const char* const name = paren - length;
    // A digit before the name would end an m4 name that starts with a
    // letter; taking the call for a defining one then only refuses more.
    // Most words differ in their last letter already.
    if (static_cast<std::size_t>(paren - begin) >= length &&
        paren[-1] == macro.name[length - 1] &&
        std::memcmp(name, macro.name, length) == 0 &&
        (name == begin || !is_name_start(name[-1]))) {
      *word = name;
      return macro.macro;
    }
  }
  return DefiningMacro::none;
}

std::size_t read_definition(Definitions* definitions, const char* arguments,
                            std::size_t length) {
  const char* next = arguments;
  const char* const end = arguments + length;
  const char* name = nullptr;
  std::size_t name_length = 0;
  if (!read_defined_name(definitions, &next, end, &name, &name_length)) {
    return length;
  }
  if (*next == ')') {
    define_name(definitions, name, name_length, "", 0);
    return static_cast<std::size_t>(next + 1 - arguments);
  }
  ++next;
  skip_whitespace(&next, end, true);
  char value[max_line_length + 1];
  RefusedName refused;
  Scan scan = {definitions, {}, {value, max_line_length, 0, false}, &refused};
  start_input(&scan.input, next, static_cast<std::size_t>(end - next));
  // A third argument, a call that does not close or a value that needs
  // Autoconf: the name has no sure value.
  const Stop stop = scan_text(&scan, true);
  if (stop != Stop::close) {
    refuse_name(definitions, name, name_length);
  } else {
    define_name(definitions, name, name_length, value, scan.output.length);
  }
  return stop == Stop::close ? static_cast<std::size_t>(next - arguments) +
                                   scan.input.sources[0].at
                             : length;
}

void refuse_defined_names(Definitions* definitions, DefiningMacro macro,
                          const char* arguments, std::size_t length) {
  const char* next = arguments;
  const char* const end = arguments + length;
  const char* name = nullptr;
  std::size_t name_length = 0;
  if (!read_defined_name(definitions, &next, end, &name, &name_length)) {
    return;
  }
  refuse_name(definitions, name, name_length);
  if (macro != DefiningMacro::two_names) {
    return;
  }
  if (*next != ',') {
    definitions->unknown_names_refused = true;
    return;
  }
  ++next;
  skip_whitespace(&next, end, true);
  if (read_defined_name(definitions, &next, end, &name, &name_length)) {
    refuse_name(definitions, name, name_length);
  }
}

bool expand_version(const Definitions& definitions, const char* capture,
                    std::size_t length, char* version, RefusedName* refused) {
  if (definitions.autoconf_changed) {
    *refused = definitions.autoconf_changed_by;
    version[0] = '\0';
    return false;
  }
  char collected[max_line_length + 1];
  Scan collect = {
      &definitions, {}, {collected, max_line_length, 0, false}, refused};
  start_input(&collect.input, capture, length);
  if (scan_text(&collect, true) == Stop::refused) {
    version[0] = '\0';
    return false;
  }
  Scan rescan = {
      &definitions, {}, {version, max_line_length, 0, true}, refused};
  start_input(&rescan.input, collected, collect.output.length);
  const bool expanded = scan_text(&rescan, false) != Stop::refused;
  version[expanded ? rescan.output.length : 0] = '\0';
  return expanded;
}
