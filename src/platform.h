// What differs between Windows and POSIX systems: the kind of text the
// arguments arrive as, and how the input file is opened and read.
#ifndef GENVERSION_PLATFORM_H_
#define GENVERSION_PLATFORM_H_

#include <cstddef>
#include <cstdio>

// Windows hands the program wide arguments; POSIX systems hand it bytes.
#ifdef _WIN32
using native_char = wchar_t;
#else
using native_char = char;
#endif

// Opens path for reading as text, letting others read and write the file
// meanwhile. Returns nullptr when the file cannot be opened or is a folder.
std::FILE* open_input(const native_char* path);

// Reads up to size bytes of an input from open_input (a ReadFunction).
// Returns the count, 0 at the end of the input, or -1 after a read error.
long read_input(void* input, char* buffer, std::size_t size);

// Moves an input from open_input back to its start (a RewindFunction);
// false where it cannot be read again, as a pipe.
bool rewind_input(void* input);

#endif  // GENVERSION_PLATFORM_H_
