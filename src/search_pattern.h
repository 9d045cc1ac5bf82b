// The search pattern: "AC_INIT( <lib_name> , ", which picks out the
// library's AC_INIT call by the bytes of the file.
#ifndef GENVERSION_SEARCH_PATTERN_H_
#define GENVERSION_SEARCH_PATTERN_H_

#include <cstddef>

#include "file_window.h"

// The longest text the tool keeps whole: a version, and the first bytes of
// a call that its head is matched in.
constexpr std::size_t max_line_length = 4095;

// Whitespace runs are held as one space, so a pattern longer than this holds
// more than max_line_length literal bytes and can match no call at all.
constexpr std::size_t search_pattern_capacity = 2 * max_line_length + 2;

struct SearchPattern {
  // Literal bytes, and a single ' ' for each run of whitespace, which matches
  // any run of whitespace in the text, including none.
  char text[search_pattern_capacity];
  std::size_t length;
  // False when no call can match: the name held a character that cannot be
  // narrowed, is too long to fit in any call, or is no whole m4 argument.
  bool can_match;
  // The pattern of every library: "AC_INIT(", any first argument, and the
  // comma after it.
  bool any_name;
};

// Builds the pattern for lib_name. Every byte of the name is literal, except
// that whitespace matches whitespace runs; a '%' is an ordinary byte. A
// name that m4 would not read as one whole first argument (an unquoted
// comma or '#', unbalanced quotes or parentheses) matches no call: m4
// would end or extend that argument elsewhere.
void build_search_pattern(const char* lib_name, SearchPattern* pattern);
// Wide names are narrowed: codes up to 255 become bytes, and a larger code
// leaves a pattern that can match nothing.
void build_search_pattern(const wchar_t* lib_name, SearchPattern* pattern);
// The pattern that any library's call matches.
void build_any_name_pattern(SearchPattern* pattern);

// How an m4 argument that starts at text ends, as m4 collects it with the
// quotes [ and ]: at a ',' or ')' outside quotes and nested parentheses,
// at a '#' outside quotes (a comment, which runs past it), or not within
// the text, with quotes or parentheses open at its end or not. length is
// where: the argument's bytes before that.
enum class ArgumentEnd { comma, close, comment, open, not_seen };
ArgumentEnd read_argument(const char* text, std::size_t size,
                          std::size_t* length);

// Every call the tool reads starts with this word.
constexpr char call_keyword[] = "AC_INIT";
constexpr std::size_t call_keyword_length = sizeof call_keyword - 1;

// Finds the next call_keyword in [from, end), or returns end.
const char* find_call_keyword(const char* from, const char* end);

// A call is read at most this far from its first byte.
constexpr std::size_t max_call_length = max_line_length;

enum class HeadMatch { no, yes, needs_more };

// Whether text, the first length bytes of a call, starts with the pattern:
// "AC_INIT(", the name, and the comma after it, each run of whitespace in
// the pattern matching any run of whitespace in the text, newlines
// included, or none. needs_more: the bytes end before that is decided.
HeadMatch match_call_head(const SearchPattern& pattern, const char* text,
                          std::size_t length);

// Whether the call at the window's next byte starts with the pattern,
// reading the input only as far as that needs: up to max_call_length
// bytes from the call's first byte.
bool call_head_at(FileWindow* window, const SearchPattern& pattern);

// The first argument of the call that text (at least "AC_INIT(") starts,
// as it stands there: where it starts after the whitespace before it, its
// length without the whitespace after it, and how it ends.
ArgumentEnd read_call_name(const char* text, std::size_t length,
                           std::size_t* start, std::size_t* name_length);

#endif  // GENVERSION_SEARCH_PATTERN_H_
