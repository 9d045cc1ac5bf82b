#include <share.h>

#include "platform.h"

std::FILE* open_input(const wchar_t* path) {
  // Text mode reads CR LF as one newline and ends the file at a byte 0x1A.
  return _wfsopen(path, L"r", _SH_DENYNO);
}

long read_input(void* input, char* buffer, std::size_t size) {
  auto* file = static_cast<std::FILE*>(input);
  const std::size_t count = std::fread(buffer, 1, size, file);
  if (count > 0) {
    return static_cast<long>(count);
  }
  return std::ferror(file) != 0 ? -1 : 0;
}
