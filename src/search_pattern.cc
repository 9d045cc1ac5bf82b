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
  pattern->any_name = false;
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
  // The name is what lies between "AC_INIT(" and the final ", ".
  constexpr std::size_t head = sizeof "AC_INIT(" - 1;
  std::size_t length = 0;
  if (pattern->can_match &&
      read_argument(pattern->text + head, pattern->length - head - 2,
                    &length) != ArgumentEnd::not_seen) {
    pattern->can_match = false;
  }
}

}  // namespace

ArgumentEnd read_argument(const char* text, std::size_t size,
                          std::size_t* length) {
  std::size_t quotes = 0;
  std::size_t parentheses = 0;
  std::size_t i = 0;
  for (; i < size; ++i) {
    const char byte = text[i];
    if (byte == '[') {
      ++quotes;
    } else if (byte == ']' && quotes > 0) {
      --quotes;
    } else if (quotes > 0) {
      continue;
    } else if (byte == '#') {
      *length = i;
      return ArgumentEnd::comment;
    } else if (byte == '(') {
      ++parentheses;
    } else if (byte == ')' && parentheses > 0) {
      --parentheses;
    } else if ((byte == ',' || byte == ')') && parentheses == 0) {
      *length = i;
      return byte == ',' ? ArgumentEnd::comma : ArgumentEnd::close;
    }
  }
  *length = i;
  return quotes == 0 && parentheses == 0 ? ArgumentEnd::not_seen
                                         : ArgumentEnd::open;
}

void build_search_pattern(const char* lib_name, SearchPattern* pattern) {
  build_pattern(lib_name, pattern);
}

void build_search_pattern(const wchar_t* lib_name, SearchPattern* pattern) {
  build_pattern(lib_name, pattern);
}

void build_any_name_pattern(SearchPattern* pattern) {
  pattern->length = 0;
  pattern->can_match = true;
  pattern->any_name = true;
  append_pattern_text(pattern, "AC_INIT(");
}

// Looking at every byte in turn would cost a call per byte; instead a
// branch-free test of each block, which compilers turn into vector
// compares, passes over the blocks that hold no keyword: it looks for the
// "C_" and the 'N' of "AC_INIT", which other Autoconf text seldom holds in
// that order. In a block that passes, the few 'N's are found with memchr
// and checked in full.
const char* find_call_keyword(const char* from, const char* end) {
  constexpr std::size_t block = 128;
  constexpr std::size_t n_offset = 4;  // "AC_INIT"[4] == 'N'
  const char* next = from;
  while (static_cast<std::size_t>(end - next) >= block + call_keyword_length) {
    unsigned char least = 0xFF;
    for (std::size_t i = 0; i < block; ++i) {
      const auto differs = static_cast<unsigned char>(
          (next[i + 1] ^ 'C') | (next[i + 2] ^ '_') | (next[i + 4] ^ 'N'));
      least = differs < least ? differs : least;
    }
    if (least == 0) {
      const char* n = next + n_offset;
      const char* const n_end = next + block + n_offset;
      while ((n = static_cast<const char*>(std::memchr(
                  n, 'N', static_cast<std::size_t>(n_end - n)))) != nullptr) {
        if (std::memcmp(n - n_offset, call_keyword, call_keyword_length) == 0) {
          return n - n_offset;
        }
        ++n;
      }
    }
    next += block;
  }
  for (; static_cast<std::size_t>(end - next) >= call_keyword_length; ++next) {
    if (std::memcmp(next, call_keyword, call_keyword_length) == 0) {
      return next;
    }
  }
  return end;
}

ArgumentEnd read_call_name(const char* text, std::size_t length,
                           std::size_t* start, std::size_t* name_length) {
  std::size_t first = sizeof "AC_INIT(" - 1;
  while (first < length && is_whitespace_byte(text[first])) {
    ++first;
  }
  *start = first;
  *name_length = 0;
  if (first >= length) {
    return ArgumentEnd::not_seen;
  }
  std::size_t argument = 0;
  const ArgumentEnd end =
      read_argument(text + first, length - first, &argument);
  while (argument > 0 && is_whitespace_byte(text[first + argument - 1])) {
    --argument;
  }
  *name_length = argument;
  return end;
}

namespace {

// "AC_INIT(", whitespace, any first argument but an empty one, whitespace
// and a comma.
HeadMatch match_any_call_head(const char* text, std::size_t length) {
  constexpr char head[] = "AC_INIT(";
  constexpr std::size_t head_length = sizeof head - 1;
  if (std::memcmp(text, head, length < head_length ? length : head_length) !=
      0) {
    return HeadMatch::no;
  }
  std::size_t start = 0;
  std::size_t name_length = 0;
  switch (read_call_name(text, length, &start, &name_length)) {
    case ArgumentEnd::not_seen:
    case ArgumentEnd::open:
      return HeadMatch::needs_more;
    case ArgumentEnd::comma:
      // A zero byte would end the name where it is printed.
      return name_length > 0 &&
                     std::memchr(text + start, '\0', name_length) == nullptr
                 ? HeadMatch::yes
                 : HeadMatch::no;
    case ArgumentEnd::close:
    case ArgumentEnd::comment:
      break;
  }
  return HeadMatch::no;
}

}  // namespace

HeadMatch match_call_head(const SearchPattern& pattern, const char* text,
                          std::size_t length) {
  if (!pattern.can_match) {
    return HeadMatch::no;
  }
  if (pattern.any_name) {
    return match_any_call_head(text, length);
  }
  std::size_t next = 0;
  for (std::size_t i = 0; i < pattern.length; ++i) {
    const char expected = pattern.text[i];
    if (expected == ' ') {
      if (i + 1 == pattern.length) {
        return HeadMatch::yes;  // the comma is matched: the head is whole
      }
      while (next != length && is_whitespace_byte(text[next])) {
        ++next;
      }
    } else if (next == length) {
      return HeadMatch::needs_more;
    } else if (text[next] != expected) {
      // No pattern byte is zero: a zero byte never matches.
      return HeadMatch::no;
    } else {
      ++next;
    }
  }
  return HeadMatch::yes;
}

bool call_head_at(FileWindow* window, const SearchPattern& pattern) {
  std::size_t shown = window_fill(window, call_keyword_length);
  for (;;) {
    const std::size_t length =
        shown < max_call_length ? shown : max_call_length;
    const HeadMatch match =
        match_call_head(pattern, window->buffer + window->begin, length);
    if (match != HeadMatch::needs_more) {
      return match == HeadMatch::yes;
    }
    if (length == max_call_length || window->ended) {
      return false;
    }
    // A pipe's writer may pause anywhere: read on only as far as needed.
    const std::size_t more = window_fill(window, shown + 1);
    if (more == shown) {
      return false;
    }
    shown = more;
  }
}
