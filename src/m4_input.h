// What the m4 engine reads: the file, with the text of expansions pushed
// back in front of it, as m4 rereads what a macro expands to. A name or a
// quoted string may run from pushed-back text into what follows it.
#ifndef GENVERSION_M4_INPUT_H_
#define GENVERSION_M4_INPUT_H_

#include <cstddef>
#include <cstdint>

#include "file_window.h"

// Pushed-back text nests at most this deep, in this many bytes in all.
constexpr std::size_t max_input_depth = 256;
constexpr std::size_t input_text_size = std::size_t{64} * 1024;

struct PushedText {
  std::uint32_t start;  // where its text starts in Input::text
  std::uint32_t at;     // the next byte to read
  std::uint32_t end;
};

struct Input {
  FileWindow* file;  // null where only pushed-back text is read
  PushedText levels[max_input_depth];
  std::size_t depth;
  // While sealed, levels below the floor, and the file under them, are not
  // read: the end of the levels above it is the end of the input.
  bool sealed;
  std::size_t floor;
  char text[input_text_size];
  std::size_t text_used;
  // Called when the file byte at the stream offset watch is about to be
  // consumed; it sets the next offset to watch.
  unsigned long long watch;
  void (*on_watch)(void* context);
  void* watch_context;
};

void open_input(Input* input, FileWindow* file);

// Drops the levels above the floor that are read to their end.
inline void drop_read_levels(Input* input) {
  while (input->depth > input->floor &&
         input->levels[input->depth - 1].at ==
             input->levels[input->depth - 1].end) {
    --input->depth;
    input->text_used = input->levels[input->depth].start;
  }
}

// Whether the next byte comes from the file itself.
inline bool reads_file(Input* input) {
  drop_read_levels(input);
  return input->depth == 0 && !input->sealed && input->file != nullptr;
}

// The next byte, or -1 at the end of the input.
inline int peek_byte(Input* input) {
  if (input->depth > input->floor) {
    const PushedText& top = input->levels[input->depth - 1];
    if (top.at != top.end) {
      return static_cast<unsigned char>(input->text[top.at]);
    }
    drop_read_levels(input);
    if (input->depth > input->floor) {
      const PushedText& level = input->levels[input->depth - 1];
      return static_cast<unsigned char>(input->text[level.at]);
    }
  }
  if (input->sealed || input->file == nullptr) {
    return -1;
  }
  return window_peek(input->file);
}

// Consumes the byte peek_byte showed.
inline void next_byte(Input* input) {
  if (input->depth > input->floor) {
    ++input->levels[input->depth - 1].at;
    return;
  }
  FileWindow* file = input->file;
  if (file->offset == input->watch && input->on_watch != nullptr) {
    input->on_watch(input->watch_context);
  }
  window_advance(file);
}

// Reading the file a run at a time: where the next bytes come from the
// file, how many the window shows before the watched offset (0 where they
// do not, or the watched byte is next); the run starts at file_bytes.
inline std::size_t file_run(Input* input) {
  if (!reads_file(input)) {
    return 0;
  }
  FileWindow* file = input->file;
  if (file->begin == file->end && window_fill(file, 1) == 0) {
    return 0;
  }
  std::size_t count = file->end - file->begin;
  if (input->watch >= file->offset && input->watch - file->offset < count) {
    count = static_cast<std::size_t>(input->watch - file->offset);
  }
  return count;
}

inline const char* file_bytes(const Input& input) {
  return input.file->buffer + input.file->begin;
}

// Text for a new level is written at text + text_used, up to the end of
// text; push_text makes the length bytes written there the next input.
// Returns false where there is no room for another level.
bool push_text(Input* input, std::size_t length);

// Room left for text to push.
inline std::size_t push_room(const Input& input) {
  return input_text_size - input.text_used;
}

#endif  // GENVERSION_M4_INPUT_H_
