#include "search_pattern.h"

#include "text.h"

namespace {

void append_pattern_byte(SearchPattern* pattern, char byte) {
  if (is_whitespace_byte(byte)) {
    // Adjacent whitespace in a pattern is one directive: keep a single space.
    if (pattern->length > 0 && pattern->text[pattern->length - 1] == ' ') {
      return;
    }
    byte = ' ';
  }
  if (pattern->length == search_pattern_capacity) {
    pattern->can_match = false;
    return;
  }
  pattern->text[pattern->length++] = byte;
}

void append_pattern_text(SearchPattern* pattern, const char* text) {
  for (; *text != '\0'; ++text) {
    append_pattern_byte(pattern, *text);
  }
}

template <typename Char>
void build_pattern(const Char* lib_name, SearchPattern* pattern) {
  pattern->length = 0;
  pattern->can_match = true;
  append_pattern_text(pattern, "AC_INIT ( ");
  for (; *lib_name != 0; ++lib_name) {
    const unsigned code = code_of(*lib_name);
    if (code > max_narrow_code) {
      // Narrowing stops here, so the pattern never reaches its capture.
      pattern->can_match = false;
      return;
    }
    append_pattern_byte(pattern, static_cast<char>(code));
  }
  append_pattern_text(pattern, " , ");
}

}  // namespace

void build_search_pattern(const char* lib_name, SearchPattern* pattern) {
  build_pattern(lib_name, pattern);
}

void build_search_pattern(const wchar_t* lib_name, SearchPattern* pattern) {
  build_pattern(lib_name, pattern);
}

std::size_t match_search_pattern(const SearchPattern& pattern, const char* line,
                                 std::size_t length, char* capture) {
  if (!pattern.can_match) {
    return 0;
  }
  const char* next = line;
  const char* const end = line + length;
  for (std::size_t i = 0; i < pattern.length; ++i) {
    const char expected = pattern.text[i];
    if (expected == ' ') {
      while (next != end && is_whitespace_byte(*next)) {
        ++next;
      }
    } else if (next == end || *next != expected) {
      // A zero byte ends the text, and no pattern byte is zero.
      return 0;
    } else {
      ++next;
    }
  }
  while (next != end && is_whitespace_byte(*next)) {
    ++next;
  }
  std::size_t captured = 0;
  while (next != end && *next != '\0' && *next != ',' &&
         !is_whitespace_byte(*next)) {
    capture[captured++] = *next++;
  }
  capture[captured] = '\0';
  return captured;
}
