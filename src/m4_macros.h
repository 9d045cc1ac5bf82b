// The m4 macro table: the definitions a configure.ac makes, each name with
// its pushdef stack, in fixed arrays. Builtins are found by name in a fixed
// table of their own until a definition hides or undefines them.
#ifndef GENVERSION_M4_MACROS_H_
#define GENVERSION_M4_MACROS_H_

#include <cstddef>
#include <cstdint>

// Sized for real files, which make at most a few hundred definitions in a
// few KiB. Live names and values take at most half the text, so that each
// compaction frees at least half of it and storing text stays linear.
constexpr std::size_t max_macros = 1024;
constexpr std::size_t macro_text_size = std::size_t{64} * 1024;
constexpr std::size_t max_live_text = macro_text_size / 2;
// Longer names are never defined.
constexpr std::size_t max_name_length = 255;

enum class MacroKind : std::uint8_t {
  text,       // a definition whose value the engine holds
  builtin,    // a builtin, under a name it was copied or renamed to
  opaque,     // defined where the engine cannot see how (AC_DEFUN, a value
              // that needs Autoconf): using it needs Autoconf
  undefined,  // hides the builtin of the same name
};

struct Macro {
  std::uint32_t name_at;
  std::uint32_t value_at;
  std::uint32_t value_length;
  std::uint16_t name_length;
  MacroKind kind;
  std::uint8_t builtin;  // for MacroKind::builtin
  // The value may define names when it is expanded: a call of it where the
  // engine cannot follow (in Autoconf's own macros) may change the table.
  bool may_define;
  std::int16_t below;  // the definition this one hides (pushdef), or -1
  std::int16_t next;   // the next name in the same hash bucket, or -1
};

constexpr std::size_t macro_buckets = 1024;

struct MacroTable {
  Macro entries[max_macros];
  std::int16_t buckets[macro_buckets];  // the top definition of each name
  std::int16_t free_list;               // through Macro::next
  std::size_t never_used;               // entries from here on are unused
  std::size_t free_count;
  char text[macro_text_size];
  std::size_t text_used;
  std::size_t live_text;  // bytes of text that definitions hold
};

void clear_macros(MacroTable* table);

// The top definition of name, or null.
const Macro* find_macro(const MacroTable& table, const char* name,
                        std::size_t length);

inline const char* macro_name(const MacroTable& table, const Macro& macro) {
  return table.text + macro.name_at;
}
inline const char* macro_value(const MacroTable& table, const Macro& macro) {
  return table.text + macro.value_at;
}

// What a definition of a name holds.
struct MacroValue {
  MacroKind kind;
  const char* text;  // for MacroKind::text
  std::size_t length;
  std::uint8_t builtin;  // for MacroKind::builtin
  bool may_define;
};

// define: replaces the top definition of name, or makes the first.
// pushdef: pushes a definition over the ones there. Both return false
// where the table is full. Neither name nor value may lie in the table's
// own text, which making room may move.
bool define_macro(MacroTable* table, const char* name, std::size_t length,
                  const MacroValue& value);
bool pushdef_macro(MacroTable* table, const char* name, std::size_t length,
                   const MacroValue& value);
// Drops the top definition, or all of them.
void popdef_macro(MacroTable* table, const char* name, std::size_t length);
void undefine_macro(MacroTable* table, const char* name, std::size_t length);

// Every definition of every name, top or hidden, with f(macro).
template <typename F>
void for_each_macro(MacroTable* table, F f) {
  for (std::int16_t head : table->buckets) {
    for (std::int16_t name = head; name >= 0;
         name = table->entries[name].next) {
      for (std::int16_t at = name; at >= 0; at = table->entries[at].below) {
        f(&table->entries[at]);
      }
    }
  }
}

#endif  // GENVERSION_M4_MACROS_H_
