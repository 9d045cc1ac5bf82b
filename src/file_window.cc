#include "file_window.h"

#include <cstring>

#include "text.h"

void open_window(FileWindow* window, ReadFunction read, void* input) {
  window->read = read;
  window->input = input;
  window->begin = 0;
  window->end = 0;
  window->ended = false;
  window->failed = false;
  window->offset = 0;
  window->line = 1;
  window->line_blank = true;
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

void window_advance(FileWindow* window) {
  const char byte = window->buffer[window->begin++];
  ++window->offset;
  if (byte == '\n') {
    ++window->line;
    window->line_blank = true;
  } else if (!is_whitespace_byte(byte)) {
    window->line_blank = false;
  }
}
