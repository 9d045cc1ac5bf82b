// The version scanner: reads the input once, tracks the m4 definitions made
// before each AC_INIT call, and stops at the first AC_INIT call of the
// library whose version argument yields a version.
#ifndef GENVERSION_SCANNER_H_
#define GENVERSION_SCANNER_H_

#include <cstddef>

#include "m4.h"
#include "search_pattern.h"

// A version is at most as long as the longest line.
constexpr std::size_t version_buffer_size = max_line_length + 1;

// Reads up to size bytes of the input into buffer. Returns the number of
// bytes read, 0 at the end of the input, or -1 after a read error.
using ReadFunction = long (*)(void* input, char* buffer, std::size_t size);

// Moves the input back to its start; false where it cannot, as on a pipe.
using RewindFunction = bool (*)(void* input);

// Drops every byte of text that is not a version byte, keeping the order of
// the others; returns the new length.
std::size_t filter_version(char* text);

// What the scan saw besides the version: the first AC_INIT call of the
// library whose version only Autoconf could compute.
struct ScanReport {
  // Its line, counting from 1; 0 when no call was refused.
  unsigned long refused_line;
  // The name that stopped its expansion.
  RefusedName refused;
};

// Reads the input with read as a line reader with a buffer of
// max_line_length + 1 bytes returns it: a line longer than max_line_length
// is tried as consecutive pieces of that length, and a last line without
// newline is tried too. A read error ends the scan as the end of the input
// does, and a line it interrupts is not tried. Returns 1 with the version of
// the first AC_INIT call that yields one, else 0 with version empty.
// An input that rewind (which may be null) can move back to its start is
// first searched for the library's calls alone, and read again in full only
// where one yields a capture: the result is the same.
int scan_for_version(ReadFunction read, RewindFunction rewind, void* input,
                     const SearchPattern& pattern, char* version,
                     ScanReport* report);

// The steps of the scan, for a plain reference scanner in the tests.

// Tries the AC_INIT call whose keyword is at keyword: its line runs to
// line_end, the whole call to call_end (see match_search_pattern). Returns
// 1 with a version, 0 when the call yields none, -1 when only Autoconf
// could compute it (refused holds the name that stopped the expansion).
int try_init_call(const SearchPattern& pattern, const Definitions& definitions,
                  const char* keyword, const char* line_end,
                  const char* call_end, bool call_is_cut, char* version,
                  RefusedName* refused);

// How a call of a defining macro counts, judged by the piece of the line
// that holds its '(' (piece up to end).
enum class CallRole {
  ignored,     // on a line that starts with dnl or #: m4 never reads it
  definition,  // m4_define or define starting its line: a definition
  refusal      // anything else: the names it defines are refused
};
CallRole defining_call_role(const char* piece, const char* end,
                            const char* word, DefiningMacro macro,
                            bool inside_definition);

#endif  // GENVERSION_SCANNER_H_
