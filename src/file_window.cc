#include "file_window.h"

#include <cstring>

#include "text.h"

namespace {

// Newlines in [begin, end), found with memchr: lines are long, and it
// passes over the bytes between them faster than a loop looks at each.
std::size_t count_newlines(const char* begin, const char* end) {
  std::size_t count = 0;
  for (const char* next = begin;
       (next = static_cast<const char*>(std::memchr(
            next, '\n', static_cast<std::size_t>(end - next)))) != nullptr;
       ++next) {
    ++count;
  }
  return count;
}

}  // namespace

void open_window(FileWindow* window, ReadFunction read, void* input) {
  window->read = read;
  window->input = input;
  window->begin = 0;
  window->end = 0;
  window->ended = false;
  window->failed = false;
  window->offset = 0;
  window->counts_lines = false;
  window->lines_before_buffer = 0;
  window->blank_before_buffer = true;
}

bool blank_line_before(const FileWindow& window, std::size_t at) {
  for (std::size_t i = at; i > 0; --i) {
    const char byte = window.buffer[i - 1];
    if (byte == '\n') {
      return true;
    }
    if (!is_whitespace_byte(byte)) {
      return false;
    }
  }
  return window.blank_before_buffer;
}

std::size_t window_fill(FileWindow* window, std::size_t count) {
  while (window->end - window->begin < count && !window->ended) {
    if (window->end == sizeof window->buffer) {
      // Move what is left to the front; what is dropped may hold the start
      // of the current line.
      window->blank_before_buffer = blank_line_before(*window, window->begin);
      if (window->counts_lines) {
        window->lines_before_buffer +=
            count_newlines(window->buffer, window->buffer + window->begin);
      }
      std::memmove(window->buffer, window->buffer + window->begin,
                   window->end - window->begin);
      window->end -= window->begin;
      window->begin = 0;
    }
    std::size_t room = sizeof window->buffer - window->end;
    room = room < read_block_size ? room : read_block_size;
    const long got =
        window->read(window->input, window->buffer + window->end, room);
    if (got <= 0) {
      window->ended = true;
      window->failed = got < 0;
      break;
    }
    window->end += static_cast<std::size_t>(got);
  }
  return window->end - window->begin;
}

LineNumber window_line(const FileWindow& window) {
  return window.lines_before_buffer +
         count_newlines(window.buffer, window.buffer + window.begin) + 1;
}

bool window_line_blank(const FileWindow& window) {
  return blank_line_before(window, window.begin);
}
