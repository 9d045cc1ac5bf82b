// Byte classes and narrowing shared by the modules. Classes are fixed ASCII
// sets: no locale, and no byte from 0x80 up belongs to either.
#ifndef GENVERSION_TEXT_H_
#define GENVERSION_TEXT_H_

#include <cstddef>
#include <cstring>

constexpr bool is_whitespace_byte(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

constexpr bool is_alphanumeric_byte(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
         (c >= 'a' && c <= 'z');
}

// m4 reads a name as a letter or '_' followed by letters, digits and '_'.
constexpr bool is_name_start(char c) {
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
constexpr bool is_name_byte(char c) {
  return is_name_start(c) || (c >= '0' && c <= '9');
}

// Whether the length bytes of name start with prefix.
inline bool has_prefix(const char* name, std::size_t length,
                       const char* prefix) {
  const std::size_t prefix_length = std::strlen(prefix);
  return length >= prefix_length &&
         std::memcmp(name, prefix, prefix_length) == 0;
}

// Letters, digits, '.', '_' and '-': the bytes a version keeps.
constexpr bool is_version_byte(char c) {
  return is_alphanumeric_byte(c) || c == '.' || c == '_' || c == '-';
}

// Drops every byte of text that is not a version byte, keeping the order of
// the others; returns the new length.
inline std::size_t filter_version(char* text) {
  std::size_t kept = 0;
  for (const char* next = text; *next != '\0'; ++next) {
    if (is_version_byte(*next)) {
      text[kept++] = *next;
    }
  }
  text[kept] = '\0';
  return kept;
}

// Narrowing turns each character code up to this one into the byte of that
// value; a larger code ends the text being written.
constexpr unsigned max_narrow_code = 255;

// The character code of one unit of byte text or wide text.
constexpr unsigned code_of(char c) { return static_cast<unsigned char>(c); }
// Where wchar_t is signed, a negative unit becomes a code far above 255.
constexpr unsigned code_of(wchar_t c) { return static_cast<unsigned>(c); }

#endif  // GENVERSION_TEXT_H_
