#include "m4_input.h"

void open_input(Input* input, FileWindow* file) {
  input->file = file;
  input->depth = 0;
  input->sealed = false;
  input->floor = 0;
  input->text_used = 0;
  input->watch = ~0ULL;
  input->on_watch = nullptr;
  input->watch_context = nullptr;
}

bool push_text(Input* input, std::size_t length) {
  if (input->depth == max_input_depth) {
    return false;
  }
  if (length == 0) {
    return true;
  }
  const auto start = static_cast<std::uint32_t>(input->text_used);
  input->levels[input->depth++] =
      PushedText{start, start, static_cast<std::uint32_t>(start + length)};
  input->text_used += length;
  return true;
}
