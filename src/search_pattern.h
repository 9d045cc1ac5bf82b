// The search pattern: "AC_INIT( <lib_name> , " followed by a capture of the
// version token, and the matcher that tries it on one line.
#ifndef GENVERSION_SEARCH_PATTERN_H_
#define GENVERSION_SEARCH_PATTERN_H_

#include <cstddef>

// The longest line text the matcher is ever given; longer lines reach it in
// pieces of this length.
constexpr std::size_t max_line_length = 4095;

// Whitespace runs are held as one space, so a pattern longer than this holds
// more than max_line_length literal bytes and can match no line at all.
constexpr std::size_t search_pattern_capacity = 2 * max_line_length + 2;

struct SearchPattern {
  // Literal bytes, and a single ' ' for each run of whitespace, which matches
  // any run of whitespace in the line, including none. The capture follows
  // the last byte.
  char text[search_pattern_capacity];
  std::size_t length;
  // False when no line can yield a capture: the name held a character that
  // cannot be narrowed, or is too long to fit in any line.
  bool can_match;
};

// Builds the pattern for lib_name. Every byte of the name is literal, except
// that whitespace matches whitespace runs; a '%' is an ordinary byte.
void build_search_pattern(const char* lib_name, SearchPattern* pattern);
// Wide names are narrowed: codes up to 255 become bytes, and a larger code
// leaves a pattern that can match nothing.
void build_search_pattern(const wchar_t* lib_name, SearchPattern* pattern);

// Matches a call against the pattern. The call's text starts at text
// (leading whitespace already skipped), its first line runs to line_end,
// newline included, and the whole call to call_end: where a line ends at
// its newline before the capture has taken a byte, matching goes on with
// the next line, the newline counting as whitespace. A zero byte ends the
// text of its line, and that line does not continue; call_is_cut says that
// call_end cuts a line short, where a capture yields nothing. On a match,
// stores the captured token with a terminator in capture, which has room
// for max_line_length + 1 bytes, and returns its length; returns 0 when the
// call yields no capture. The capture is the m4 argument: it skips
// whitespace, then runs up to the next comma or ')' that closes no '('
// outside [ ] quotes, or the end of its line, without the whitespace
// before that; quotes still open at the end of the line leave no capture.
// It never starts with a comma.
std::size_t match_search_pattern(const SearchPattern& pattern, const char* text,
                                 const char* line_end, const char* call_end,
                                 bool call_is_cut, char* capture);

#endif  // GENVERSION_SEARCH_PATTERN_H_
