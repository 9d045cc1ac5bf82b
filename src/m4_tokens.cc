#include "m4_tokens.h"

#include <cstring>

#include "text.h"

void set_name(NameText* name, const char* text, std::size_t length) {
  // A defined name may be any text; in a message it ends at a zero byte.
  const void* zero = std::memchr(text, '\0', length);
  if (zero != nullptr) {
    length = static_cast<std::size_t>(static_cast<const char*>(zero) - text);
  }
  name->cut = length > max_name_length;
  name->length = name->cut ? max_name_length : length;
  std::memcpy(name->text, text, name->length);
  name->text[name->length] = '\0';
}

void put_text(TextOut* out, const char* text, std::size_t length) {
  if (out->text == nullptr) {
    return;
  }
  const std::size_t room = out->capacity - *out->length;
  const std::size_t kept = length < room ? length : room;
  std::memcpy(out->text + *out->length, text, kept);
  *out->length += kept;
  out->overflow = out->overflow || kept < length;
}

namespace {

// The length of the run of the file's next bytes up to the first for which
// stop holds, or the end of what can be taken at once.
template <typename Stop>
std::size_t run_until(Input* input, Stop stop) {
  const std::size_t count = file_run(input);
  const char* bytes = file_bytes(*input);
  std::size_t length = 0;
  while (length < count && !stop(bytes[length])) {
    ++length;
  }
  return length;
}

}  // namespace

void read_name(Input* input, NameText* name) {
  name->length = 0;
  name->cut = false;
  // The bytes of the file, a run at a time; then one byte at a time, where
  // a name runs on into pushed-back text or across the watched offset.
  for (std::size_t run =
           run_until(input, [](char c) { return !is_name_byte(c); });
       run > 0;
       run = run_until(input, [](char c) { return !is_name_byte(c); })) {
    const std::size_t room = max_name_length - name->length;
    const std::size_t kept = run < room ? run : room;
    std::memcpy(name->text + name->length, file_bytes(*input), kept);
    name->length += kept;
    name->cut = name->cut || kept < run;
    window_consume(input->file, run);
  }
  for (int c = peek_byte(input); c >= 0 && is_name_byte(static_cast<char>(c));
       c = peek_byte(input)) {
    if (name->length < max_name_length) {
      name->text[name->length++] = static_cast<char>(c);
    } else {
      name->cut = true;
    }
    next_byte(input);
  }
  name->text[name->length] = '\0';
}

bool read_quoted(Input* input, TextOut* out) {
  unsigned depth = 1;
  for (;;) {
    // The file's bytes a run at a time, where they can be taken so.
    const std::size_t count = file_run(input);
    if (count > 0) {
      const char* bytes = file_bytes(*input);
      for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '[') {
          ++depth;
        } else if (bytes[i] == ']' && --depth == 0) {
          put_text(out, bytes, i);
          window_consume(input->file, i + 1);
          return true;
        }
      }
      put_text(out, bytes, count);
      window_consume(input->file, count);
      continue;
    }
    const int c = peek_byte(input);
    if (c < 0) {
      return false;
    }
    next_byte(input);
    if (c == '[') {
      ++depth;
    } else if (c == ']' && --depth == 0) {
      return true;
    }
    put_byte(out, static_cast<char>(c));
  }
}

void read_comment(Input* input, TextOut* out) {
  for (int c = peek_byte(input); c >= 0; c = peek_byte(input)) {
    const std::size_t run = run_until(input, [](char b) { return b == '\n'; });
    if (run > 0) {
      put_text(out, file_bytes(*input), run);
      window_consume(input->file, run);
      continue;
    }
    next_byte(input);
    put_byte(out, static_cast<char>(c));
    if (c == '\n') {
      return;
    }
  }
}
