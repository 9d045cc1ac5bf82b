#include "scanner.h"

#include <cstring>

#include "text.h"

namespace {

// Input is read in blocks of this size; what is left of an unfinished line
// (less than max_line_length bytes) is carried to the front of the buffer.
constexpr std::size_t read_block_size = std::size_t{32} * 1024;

}  // namespace

bool is_version_byte(char c) {
  return is_alphanumeric_byte(c) || c == '.' || c == '_' || c == '-';
}

std::size_t filter_version(char* text) {
  std::size_t kept = 0;
  for (const char* next = text; *next != '\0'; ++next) {
    if (is_version_byte(*next)) {
      text[kept++] = *next;
    }
  }
  text[kept] = '\0';
  return kept;
}

int scan_line(const char* line, std::size_t length,
              const SearchPattern& pattern, char* version) {
  const char* const end = line + length;
  while (line != end && is_whitespace_byte(*line)) {
    ++line;
  }
  if (match_search_pattern(pattern, line, static_cast<std::size_t>(end - line),
                           version) == 0) {
    return 0;
  }
  return filter_version(version) > 0 ? 1 : 0;
}

int scan_for_version(ReadFunction read, void* input,
                     const SearchPattern& pattern, char* version) {
  char buffer[max_line_length + read_block_size];
  std::size_t held = 0;  // bytes in buffer; buffer[0] always starts a line
  for (;;) {
    const long count = read(input, buffer + held, read_block_size);
    if (count < 0) {
      break;
    }
    if (count == 0) {
      if (held > 0 && scan_line(buffer, held, pattern, version) == 1) {
        return 1;
      }
      break;
    }
    held += static_cast<std::size_t>(count);

    std::size_t start = 0;
    for (;;) {
      const std::size_t available = held - start;
      const std::size_t window =
          available < max_line_length ? available : max_line_length;
      const void* newline = std::memchr(buffer + start, '\n', window);
      std::size_t length = 0;
      if (newline != nullptr) {
        length = static_cast<std::size_t>(static_cast<const char*>(newline) -
                                          (buffer + start)) +
                 1;
      } else if (available >= max_line_length) {
        length = max_line_length;
      } else {
        break;  // unfinished line: read more first
      }
      if (scan_line(buffer + start, length, pattern, version) == 1) {
        return 1;
      }
      start += length;
    }
    std::memmove(buffer, buffer + start, held - start);
    held -= start;
  }
  version[0] = '\0';
  return 0;
}
