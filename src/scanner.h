// The version scanner: reads the input with the m4 engine up to the first
// AC_INIT call of the library whose version argument yields a version.
#ifndef GENVERSION_SCANNER_H_
#define GENVERSION_SCANNER_H_

#include <cstddef>

#include "file_window.h"
#include "m4_expand.h"
#include "m4_tokens.h"
#include "search_pattern.h"

// A version is at most this long.
constexpr std::size_t version_buffer_size = max_line_length + 1;

// What the scan saw besides the version: the first AC_INIT call of the
// library whose version only Autoconf could compute.
struct ScanReport {
  // Its line, counting from 1; 0 when no call was refused.
  LineNumber refused_line;
  // The name that stopped it.
  NameText refused;
};

// Whether the input holds an AC_INIT call of the library: the keyword
// first on its line and the pattern after it, by the bytes alone. Reads
// the window's input to its end or to the first such call.
bool has_library_call(FileWindow* window, const SearchPattern& pattern);

// Reads the input with read, as m4 under Autoconf would, and returns 1
// with the version of the first AC_INIT call of the library that yields
// one, else 0 with version empty. A read error ends the input. An input
// that rewind (which may be null) can move back to its start is first
// searched for the library's calls alone, and read with the engine only
// where it holds one: the result is the same.
int scan_for_version(ReadFunction read, RewindFunction rewind, void* input,
                     const SearchPattern& pattern, char* version,
                     ScanReport* report);

// A scan that stops at the library's call that yields the version, for
// the other values asked of it there.
struct LibraryScan {
  FileWindow window;
  Engine engine;
};

// As scan_for_version, but the engine is left in scan at the call found
// when it returns 1. With keeps_call, the call's arguments are kept for
// expand_package_value.
int scan_to_library_call(ReadFunction read, RewindFunction rewind, void* input,
                         const SearchPattern& pattern, bool keeps_call,
                         LibraryScan* scan, char* version, ScanReport* report);

// Called with the first argument of each AC_INIT call, as written; false
// stops the scan.
using NameFunction = bool (*)(void* context, const char* name);

// Reads the input as scan_for_version does, and calls on_name, in file
// order, for every AC_INIT call that a library's name can pick out: m4
// reads it as a call, it starts its line's text, and its first argument,
// not empty, ends at a comma. Returns how many it called on_name for.
std::size_t scan_for_names(ReadFunction read, RewindFunction rewind,
                           void* input, NameFunction on_name, void* context);

#endif  // GENVERSION_SCANNER_H_
