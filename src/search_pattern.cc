#include "search_pattern.h"

#include <cstring>

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
  // m4 passes arguments only to a '(' right after the macro's name:
  // "AC_INIT (" calls AC_INIT without any, and Autoconf's version is empty.
  append_pattern_text(pattern, "AC_INIT( ");
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

namespace {

// Walks the text of a call line by line: the current line is [next,
// line_end); a line that ends at its newline is followed by the next one.
struct CallText {
  const char* next;
  const char* line_end;
  const char* call_end;
  bool continues;  // the current line may be followed by the next
  bool continued;  // the current line follows an earlier one
};

// Moves on to the next line of the call, if there is one.
bool next_line(CallText* call) {
  if (!call->continues || call->line_end == call->call_end) {
    return false;
  }
  call->next = call->line_end;
  const void* newline = std::memchr(
      call->next, '\n', static_cast<std::size_t>(call->call_end - call->next));
  call->line_end = newline != nullptr ? static_cast<const char*>(newline) + 1
                                      : call->call_end;
  call->continues = newline != nullptr;
  call->continued = true;
  return true;
}

// Skips whitespace, across line ends where the call goes on. A zero byte
// ends a line's text: no pattern byte and no whitespace is zero, so a walk
// that reaches the end of a line met none, and a line that holds one never
// continues.
void skip_whitespace(CallText* call) {
  for (;;) {
    while (call->next != call->line_end && is_whitespace_byte(*call->next)) {
      ++call->next;
    }
    if (call->next != call->line_end || !next_line(call)) {
      return;
    }
  }
}

}  // namespace

std::size_t match_search_pattern(const SearchPattern& pattern, const char* text,
                                 const char* line_end, const char* call_end,
                                 bool call_is_cut, char* capture) {
  capture[0] = '\0';
  if (!pattern.can_match) {
    return 0;
  }
  CallText call = {text, line_end, call_end,
                   line_end != text && line_end[-1] == '\n', false};
  for (std::size_t i = 0; i < pattern.length; ++i) {
    const char expected = pattern.text[i];
    if (expected == ' ') {
      skip_whitespace(&call);
    } else if (call.next == call.line_end || *call.next != expected) {
      // A zero byte ends the text, and no pattern byte is zero.
      return 0;
    } else {
      ++call.next;
    }
  }
  skip_whitespace(&call);
  const char* const end = call.line_end;
  const char* next = call.next;
  std::size_t captured = 0;
  unsigned quotes = 0;
  unsigned parentheses = 0;
  for (; next != end && *next != '\0' && *next != '\n' &&
         (quotes > 0 || *next != ',');
       ++next) {
    if (quotes > 0) {
      quotes += *next == '[' ? 1 : 0;
      quotes -= *next == ']' ? 1 : 0;
    } else if (*next == '[') {
      quotes = 1;
    } else if (*next == '(') {
      ++parentheses;
    } else if (*next == ')') {
      if (parentheses == 0) {
        break;  // it closes the AC_INIT call
      }
      --parentheses;
    }
    capture[captured++] = *next;
  }
  // A capture on a later line that runs into the end of what is read of
  // the call may be cut short; a quoted one that runs into the end of its
  // line goes on past it.
  if ((call.continued && call_is_cut && next == call_end) ||
      (quotes > 0 && (next == end || *next == '\n'))) {
    captured = 0;
  }
  // Whitespace before the argument's end is no part of the version.
  while (captured > 0 && is_whitespace_byte(capture[captured - 1])) {
    --captured;
  }
  capture[captured] = '\0';
  return captured;
}
