// m4's tokens, read from the engine's input: names, quoted strings,
// comments and single other bytes. Quotes are Autoconf's '[' and ']', and
// comments run from '#' to the end of their line.
#ifndef GENVERSION_M4_TOKENS_H_
#define GENVERSION_M4_TOKENS_H_

#include <cstddef>

#include "m4_input.h"
#include "m4_macros.h"

// A name as the engine keeps it: longer names keep their first
// max_name_length bytes, and are never macros.
struct NameText {
  char text[max_name_length + 1];
  std::size_t length;
  bool cut;  // longer than max_name_length
};

void set_name(NameText* name, const char* text, std::size_t length);

// Where the text of tokens goes: a buffer that grows to capacity, or
// nowhere (text null). Past capacity, overflow is set and the rest dropped.
struct TextOut {
  char* text;
  std::size_t* length;
  std::size_t capacity;
  bool overflow;
};

inline void put_byte(TextOut* out, char byte) {
  if (out->text == nullptr) {
    return;
  }
  if (*out->length == out->capacity) {
    out->overflow = true;
    return;
  }
  out->text[(*out->length)++] = byte;
}

void put_text(TextOut* out, const char* text, std::size_t length);

// Reads the name that starts at the next byte, a name start.
void read_name(Input* input, NameText* name);

// Reads a quoted string whose '[' is read already, and puts its text
// without the outer quotes. Returns false where the input ends first.
bool read_quoted(Input* input, TextOut* out);

// Reads a comment from its '#' to its newline, both included, and puts it.
void read_comment(Input* input, TextOut* out);

#endif  // GENVERSION_M4_TOKENS_H_
