// The input file as a window of bytes: read in blocks, consumed a byte or
// a run at a time, with a bounded look ahead. It tells the line of the
// next byte, and whether the line before it is blank (an AC_INIT call
// counts only where it starts its line's text), on demand: both are asked
// seldom, and counting as bytes go by would cost every byte.
#ifndef GENVERSION_FILE_WINDOW_H_
#define GENVERSION_FILE_WINDOW_H_

#include <cstddef>

// Reads up to size bytes of the input into buffer. Returns the number of
// bytes read, 0 at the end of the input, or -1 after a read error.
using ReadFunction = long (*)(void* input, char* buffer, std::size_t size);

// Moves the input back to its start; false where it cannot, as on a pipe.
using RewindFunction = bool (*)(void* input);

// A line of the input, counting from 1: 64 bits wherever long is 32, as on
// 32-bit systems and Windows, so a file of over 4 Gi lines is told right.
using LineNumber = unsigned long long;

// Input is read in blocks of this size.
constexpr std::size_t read_block_size = std::size_t{32} * 1024;
// How far past the next byte the window can always show.
constexpr std::size_t max_look_ahead = std::size_t{8} * 1024;

struct FileWindow {
  ReadFunction read;
  void* input;
  char buffer[read_block_size + max_look_ahead];
  // The bytes not consumed yet are [begin, end).
  std::size_t begin;
  std::size_t end;
  bool ended;   // the input has no more bytes
  bool failed;  // it ended in a read error
  // Stream offset of buffer[begin], the next byte.
  unsigned long long offset;
  // Newlines in the bytes dropped before buffer[0], where lines are
  // counted: a search for the library's calls alone needs no line numbers.
  bool counts_lines;
  LineNumber lines_before_buffer;
  // Whether the bytes dropped since their last newline are whitespace.
  bool blank_before_buffer;
};

void open_window(FileWindow* window, ReadFunction read, void* input);

// Makes at least count bytes from begin visible, as far as the input has
// them (count <= max_look_ahead); returns how many are visible, which may
// be more.
std::size_t window_fill(FileWindow* window, std::size_t count);

// The next byte, or -1 at the end of the input.
inline int window_peek(FileWindow* window) {
  if (window->begin == window->end && window_fill(window, 1) == 0) {
    return -1;
  }
  return static_cast<unsigned char>(window->buffer[window->begin]);
}

// Consumes the next byte, which window_peek has shown.
inline void window_advance(FileWindow* window) {
  ++window->begin;
  ++window->offset;
}

// Consumes the next count bytes, which the window shows.
inline void window_consume(FileWindow* window, std::size_t count) {
  window->begin += count;
  window->offset += count;
}

// The line of the next byte, counting from 1.
LineNumber window_line(const FileWindow& window);

// Whether every byte before the next one on its line is whitespace.
bool window_line_blank(const FileWindow& window);

// Whether the bytes of the buffer from the last newline before at up to at
// are all whitespace.
bool blank_line_before(const FileWindow& window, std::size_t at);

#endif  // GENVERSION_FILE_WINDOW_H_
