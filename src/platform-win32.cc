#include <io.h>
#include <share.h>
#include <windows.h>

#include "long_path.h"
#include "platform.h"

std::FILE* open_input(const wchar_t* path) {
  // A path of MAX_PATH or more opens in its extended form; messages still
  // show the path as it was given.
  wchar_t full_path[extended_path_capacity];
  wchar_t extended[extended_path_capacity];
  const DWORD length =
      GetFullPathNameW(path, extended_path_capacity, full_path, nullptr);
  const bool long_path =
      length > max_plain_path_length && length < extended_path_capacity &&
      to_extended_path(full_path, extended, extended_path_capacity);
  // Text mode reads CR LF as one newline and ends the file at a byte 0x1A.
  return _wfsopen(long_path ? extended : path, L"r", _SH_DENYNO);
}

bool rewind_input(void* input) {
  // fseek seems to succeed on a pipe or a console: only a file on disk
  // can really be read again.
  auto* file = static_cast<std::FILE*>(input);
  // The C runtime hands out the OS handle as an integer.
  auto* const handle =
      reinterpret_cast<HANDLE>(  // NOLINT(performance-no-int-to-ptr)
          _get_osfhandle(_fileno(file)));
  return GetFileType(handle) == FILE_TYPE_DISK &&
         std::fseek(file, 0, SEEK_SET) == 0;
}

long read_input(void* input, char* buffer, std::size_t size) {
  auto* file = static_cast<std::FILE*>(input);
  const std::size_t count = std::fread(buffer, 1, size, file);
  if (count > 0) {
    return static_cast<long>(count);
  }
  return std::ferror(file) != 0 ? -1 : 0;
}
