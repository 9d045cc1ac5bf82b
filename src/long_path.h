// Windows opens a path of MAX_PATH (260) characters or more only in its
// extended-length form, "\\?\" and the full path, unless the machine has
// the long-path switch on; the tool uses that form for long paths, so a
// configure.ac deep in a build tree still opens.
#ifndef GENVERSION_LONG_PATH_H_
#define GENVERSION_LONG_PATH_H_

#include <cstddef>

// The longest path that opens without the extended form: MAX_PATH less
// its terminator.
constexpr std::size_t max_plain_path_length = 259;

// The longest extended path Windows takes, terminator included.
constexpr std::size_t extended_path_capacity = 32768;

// Writes the extended form of full_path, an absolute path as
// GetFullPathNameW gives it, into extended (capacity units, terminator
// included): "C:\x" becomes "\\?\C:\x", "\\server\share\x" becomes
// "\\?\UNC\server\share\x", '/' becomes '\', and a path already in that
// form ("\\?\", or a device as "\\.\") is kept as it is. Returns false
// when it does not fit, or is no absolute path.
bool to_extended_path(const wchar_t* full_path, wchar_t* extended,
                      std::size_t capacity);

#endif  // GENVERSION_LONG_PATH_H_
