#include "scanner.h"

#include <cstring>

#include "text.h"

namespace {

// Input is read in blocks of this size; what is left of an unfinished line
// (less than max_line_length bytes) is carried to the front of the buffer.
constexpr std::size_t read_block_size = std::size_t{48} * 1024;

// Every line that can match starts, after its whitespace, with this word.
constexpr char keyword[] = "AC_INIT";
constexpr std::size_t keyword_length = sizeof keyword - 1;

// Finds the next keyword in [from, end), or returns end. Looking at every
// line start would cost a call per line; instead a branch-free test of each
// block, which compilers turn into vector compares, passes over the blocks
// that hold no keyword: it looks for the "C_" and the 'N' of "AC_INIT",
// which other Autoconf text seldom holds in that order. In a block that
// passes, the few 'N's are found with memchr and checked in full.
const char* find_keyword(const char* from, const char* end) {
  constexpr std::size_t block = 128;
  constexpr std::size_t n_offset = 4;  // "AC_INIT"[4] == 'N'
  const char* next = from;
  while (static_cast<std::size_t>(end - next) >= block + keyword_length) {
    // Zero exactly where all three bytes are there; kept byte-wide, so the
    // compiler can use one vector lane a byte.
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
        if (std::memcmp(n - n_offset, keyword, keyword_length) == 0) {
          return n - n_offset;
        }
        ++n;
      }
    }
    next += block;
  }
  for (; static_cast<std::size_t>(end - next) >= keyword_length; ++next) {
    if (std::memcmp(next, keyword, keyword_length) == 0) {
      return next;
    }
  }
  return end;
}

bool is_whitespace_run(const char* begin, const char* end) {
  for (; begin != end; ++begin) {
    if (!is_whitespace_byte(*begin)) {
      return false;
    }
  }
  return true;
}

// Where lines start in a buffer, learnt lazily: only the stretches in
// front of keywords, and the end of the buffer, are searched for newlines,
// each byte at most once.
struct PieceStarts {
  // A piece starts here; more start every max_line_length bytes after it,
  // up to the next newline.
  std::size_t anchor;
  // No newline stands in [anchor, newlines_known_to) but maybe its last byte.
  std::size_t newlines_known_to;
};

// The start of the piece that holds the byte at offset at (>= anchor).
std::size_t piece_start(const char* buffer, PieceStarts* starts,
                        std::size_t at) {
  for (std::size_t i = at; i > starts->newlines_known_to; --i) {
    if (buffer[i - 1] == '\n') {
      starts->anchor = i;
      break;
    }
  }
  starts->newlines_known_to = at;
  const std::size_t start = starts->anchor + (at - starts->anchor) /
                                                 max_line_length *
                                                 max_line_length;
  starts->anchor = start;
  return start;
}

// The length of the complete piece at piece, or 0 when the piece is not
// complete yet: no newline and fewer than max_line_length bytes.
std::size_t complete_piece_length(const char* piece, std::size_t available) {
  const std::size_t window =
      available < max_line_length ? available : max_line_length;
  const void* newline = std::memchr(piece, '\n', window);
  if (newline != nullptr) {
    return static_cast<std::size_t>(static_cast<const char*>(newline) - piece) +
           1;
  }
  return available >= max_line_length ? max_line_length : 0;
}

}  // namespace

bool is_version_byte(char c) {
  return is_alphanumeric_byte(c) || c == '.' || c == '_' || c == '-';
}

std::size_t filter_version(char* text) {
  std::size_t kept = 0;
  for (const char* next = text; *next != '\0'; ++next) {
    if (is_version_byte(*next)) {
      text[kept++] = *next;
    }
  }
  text[kept] = '\0';
  return kept;
}

int scan_line(const char* line, std::size_t length,
              const SearchPattern& pattern, char* version) {
  const char* const end = line + length;
  while (line != end && is_whitespace_byte(*line)) {
    ++line;
  }
  if (match_search_pattern(pattern, line, static_cast<std::size_t>(end - line),
                           version) == 0) {
    return 0;
  }
  return filter_version(version) > 0 ? 1 : 0;
}

int scan_for_version(ReadFunction read, void* input,
                     const SearchPattern& pattern, char* version) {
  char buffer[max_line_length + read_block_size];
  std::size_t held = 0;  // bytes in buffer; buffer[0] always starts a piece
  for (;;) {
    const long count = read(input, buffer + held, read_block_size);
    if (count < 0) {
      break;  // the unfinished piece is lost, as with a line reader
    }
    const bool ended = count == 0;
    // What was carried is part of one piece, without a newline: it need not
    // be searched for newlines again, however small the reads.
    PieceStarts starts = {0, held};
    held += static_cast<std::size_t>(count);

    // Only a piece whose text starts with the keyword after whitespace can
    // match; try those. The other pieces need not even be found.
    std::size_t search_from = 0;
    std::size_t unfinished = held;  // where the first untried piece starts
    while (pattern.can_match) {
      const char* found = find_keyword(buffer + search_from, buffer + held);
      if (found == buffer + held) {
        break;
      }
      const auto at = static_cast<std::size_t>(found - buffer);
      const std::size_t start = piece_start(buffer, &starts, at);
      if (!is_whitespace_run(buffer + start, found)) {
        search_from = at + 1;
        continue;
      }
      std::size_t length = complete_piece_length(buffer + start, held - start);
      if (length == 0) {
        if (!ended) {
          unfinished = start;  // try it when the rest has been read
          break;
        }
        length = held - start;  // the last line, without newline
      }
      if (scan_line(buffer + start, length, pattern, version) == 1) {
        return 1;
      }
      search_from = start + length;
      starts = PieceStarts{search_from, search_from};
    }
    if (ended) {
      break;
    }
    // An anchor at held means the pieces tried end right there: nothing is
    // unfinished. Otherwise find the piece that holds the last byte.
    if (unfinished == held && starts.anchor < held) {
      unfinished = piece_start(buffer, &starts, held - 1);
      if (complete_piece_length(buffer + unfinished, held - unfinished) != 0) {
        unfinished = held;
      }
    }
    std::memmove(buffer, buffer + unfinished, held - unfinished);
    held -= unfinished;
  }
  version[0] = '\0';
  return 0;
}
