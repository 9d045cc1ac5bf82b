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

void read_name(Input* input, NameText* name) {
  name->length = 0;
  name->cut = false;
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
    next_byte(input);
    put_byte(out, static_cast<char>(c));
    if (c == '\n') {
      return;
    }
  }
}
