// The version scanner: reads the input once, line by line, and stops at the
// first line whose capture leaves a non-empty version.
#ifndef GENVERSION_SCANNER_H_
#define GENVERSION_SCANNER_H_

#include <cstddef>

#include "search_pattern.h"

// A version is the filtered capture of one line, so it always fits.
constexpr std::size_t version_buffer_size = max_line_length + 1;

// Reads up to size bytes of the input into buffer. Returns the number of
// bytes read, 0 at the end of the input, or -1 after a read error.
using ReadFunction = long (*)(void* input, char* buffer, std::size_t size);

// Letters, digits, '.', '_' and '-': the bytes a version keeps.
bool is_version_byte(char c);

// Drops every byte of text that is not a version byte, keeping the order of
// the others; returns the new length.
std::size_t filter_version(char* text);

// Tries one line: skips its leading whitespace, matches it and filters the
// capture into version (version_buffer_size bytes). Returns 1 when that
// leaves a non-empty version, else 0.
int scan_line(const char* line, std::size_t length,
              const SearchPattern& pattern, char* version);

// Reads the input with read and tries each line as a line reader with a
// buffer of max_line_length + 1 bytes returns it: a line longer than
// max_line_length is tried as consecutive pieces of that length, and a last
// line without newline is tried too. A read error ends the scan as the end
// of the input does, and a line it interrupts is not tried. Returns 1 with
// the version of the first line that yields one, else 0 with version empty.
int scan_for_version(ReadFunction read, void* input,
                     const SearchPattern& pattern, char* version);

#endif  // GENVERSION_SCANNER_H_
