#include "scanner.h"

#include <cstring>

#include "text.h"

namespace {

// Input is read in blocks of this size; what is left of an unfinished call
// is carried to the front of the buffer. Larger blocks save no time, and
// the whole buffer still fits in the stack a small input touches anyway, so
// a large input needs no more memory than a small one.
constexpr std::size_t read_block_size = std::size_t{32} * 1024;

// Bytes kept in front of the first piece in the buffer, so that the name of
// a defining macro whose '(' is in that piece can be read back.
constexpr std::size_t lookbehind = 32;
static_assert(lookbehind > max_defining_macro_length, "names are read back");

// Every line that can match starts, after its whitespace, with this word.
constexpr char keyword[] = "AC_INIT";

template <std::size_t size>
bool starts_with(const char* at, const char* end, const char (&word)[size]) {
  return static_cast<std::size_t>(end - at) >= size - 1 &&
         std::memcmp(at, word, size - 1) == 0;
}

// The uppercase defining macros; all others end in a lowercase letter.
bool starts_uppercase_defining_macro(const char* at, const char* end) {
  return starts_with(at, end, "AC_DEFUN") || starts_with(at, end, "AU_DEFUN") ||
         starts_with(at, end, "AU_ALIAS");
}

bool is_lowercase(char c) { return c >= 'a' && c <= 'z'; }

// Whether at is worth a closer look: the keyword, a '(' after a lowercase
// letter (where every lowercase defining macro's call starts its
// arguments), or an uppercase defining macro's name.
bool is_candidate(const char* at, const char* end) {
  return starts_with(at, end, keyword) ||
         (end - at >= 2 && at[1] == '(' && is_lowercase(at[0])) ||
         starts_uppercase_defining_macro(at, end);
}

// Finds the next keyword in [from, end), or returns end. Looking at every
// line start would cost a call per line; instead a branch-free test of each
// block, which compilers turn into vector compares, passes over the blocks
// that hold no keyword: it looks for the "C_" and the 'N' of "AC_INIT",
// which other Autoconf text seldom holds in that order. In a block that
// passes, the few 'N's are found with memchr and checked in full.
const char* find_keyword(const char* from, const char* end) {
  constexpr std::size_t keyword_length = sizeof keyword - 1;
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

// The test of find_candidate at one place: zero where a candidate may
// start.
unsigned char candidate_test(const char* at) {
  const auto c_ = static_cast<unsigned char>((at[1] ^ 'C') | (at[2] ^ '_'));
  const auto n4 = static_cast<unsigned char>(at[4] ^ 'N');
  const auto u6 = static_cast<unsigned char>(at[6] ^ 'U');
  const auto ac = static_cast<unsigned char>(c_ | (n4 < u6 ? n4 : u6));
  const auto au = static_cast<unsigned char>((at[1] ^ 'U') | (at[2] ^ '_'));
  const auto letter = static_cast<unsigned char>(at[0] - 'a');
  const auto call =
      static_cast<unsigned char>((at[1] ^ '(') | (letter > 25 ? letter : 0));
  const unsigned char a = ac < au ? ac : au;
  return a < call ? a : call;
}

// Finds the next candidate in [from, end), or returns end; a '(' candidate
// is returned as the letter before it. Looking at every byte in turn would
// cost a call per byte; instead a branch-free test of each block, which
// compilers turn into vector compares, passes over the blocks that hold no
// candidate: it looks for "?C_?N" (AC_INIT), "?C_???U" (AC_DEFUN), "?U_"
// (AU_DEFUN, AU_ALIAS) and a lowercase letter before '(', which ordinary
// Autoconf text holds in few blocks. A block that passes is looked at byte
// by byte.
const char* find_candidate(const char* from, const char* end) {
  constexpr std::size_t block = 128;
  constexpr std::size_t reach = 7;  // the test reads next[i] to next[i + 6]
  const char* next = from;
  while (static_cast<std::size_t>(end - next) >= block + reach) {
    // Zero exactly where a candidate may start; kept byte-wide, so the
    // compiler can use one vector lane a byte.
    unsigned char tests[block];
    unsigned char least = 0xFF;
    for (std::size_t i = 0; i < block; ++i) {
      tests[i] = candidate_test(next + i);
      least = tests[i] < least ? tests[i] : least;
    }
    // In a block that passes, look at each place whose test passed.
    for (const unsigned char* passed = tests;
         least == 0 &&
         (passed = static_cast<const unsigned char*>(std::memchr(
              passed, 0, static_cast<std::size_t>(tests + block - passed)))) !=
             nullptr;
         ++passed) {
      const char* const at = next + (passed - tests);
      if (is_candidate(at, end)) {
        return at;
      }
    }
    next += block;
  }
  for (; next != end; ++next) {
    if (is_candidate(next, end)) {
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

int try_init_call(const SearchPattern& pattern, const Definitions& definitions,
                  const char* keyword, const char* line_end,
                  const char* call_end, bool call_is_cut, char* version,
                  RefusedName* refused) {
  char capture[max_line_length + 1];
  const std::size_t length = match_search_pattern(
      pattern, keyword, line_end, call_end, call_is_cut, capture);
  if (length == 0) {
    version[0] = '\0';
    return 0;
  }
  if (!expand_version(definitions, capture, length, version, refused)) {
    return -1;
  }
  return version[0] != '\0' ? 1 : 0;
}

CallRole defining_call_role(const char* piece, const char* end,
                            const char* word, DefiningMacro macro,
                            bool inside_definition) {
  const char* text = piece;
  while (text != end && is_whitespace_byte(*text)) {
    ++text;
  }
  if (starts_with(text, end, "#") ||
      (starts_with(text, end, "dnl") &&
       (end - text == 3 || !is_name_byte(text[3])))) {
    return CallRole::ignored;
  }
  return macro == DefiningMacro::define && word == text && !inside_definition
             ? CallRole::definition
             : CallRole::refusal;
}

namespace {

// Newlines in [begin, end). Counted a byte wide in blocks short enough not
// to overflow, so that the compiler can count one vector lane a byte.
unsigned long count_newlines(const char* begin, const char* end) {
  constexpr std::size_t block = 128;
  unsigned long count = 0;
  for (; static_cast<std::size_t>(end - begin) >= block; begin += block) {
    unsigned char in_block = 0;
    for (std::size_t i = 0; i < block; ++i) {
      in_block = static_cast<unsigned char>(in_block + (begin[i] == '\n'));
    }
    count += in_block;
  }
  for (; begin != end; ++begin) {
    count += *begin == '\n' ? 1 : 0;
  }
  return count;
}

// What the scan knows besides the bytes in its buffer.
struct ScanState {
  Definitions definitions;
  // Stream offset of the buffer's first byte.
  unsigned long long buffer_offset;
  // Candidates before this stream offset are handled already.
  unsigned long long handled_until;
  // Calls before this stream offset stand inside a definition's value.
  unsigned long long definition_end;
  // Newlines before the first piece in the buffer; counted only until the
  // first refusal, whose line is all that is reported.
  unsigned long lines_before;
};

// Keeps the line of the first refused call; the name is in the report.
void note_refusal(const ScanState& state, const char* origin,
                  const char* keyword, const RefusedName& refused,
                  ScanReport* report) {
  if (report->refused_line == 0) {
    report->refused_line =
        state.lines_before + count_newlines(origin, keyword) + 1;
    report->refused = refused;
  }
}

// What one pass over the input looks for.
enum class Pass {
  // Only whether some AC_INIT call of the library yields a capture: that
  // needs no definitions, so only the keyword is searched for.
  calls_only,
  // Everything: definitions, refusals and the version.
  full
};

// Tries the AC_INIT call at keyword as the pass needs: in a calls_only
// pass, 1 when it yields a capture.
int try_call(Pass pass, const SearchPattern& pattern,
             const Definitions& definitions, const char* keyword,
             const char* line_end, const char* call_end, bool call_is_cut,
             char* version, RefusedName* refused) {
  if (pass == Pass::full) {
    return try_init_call(pattern, definitions, keyword, line_end, call_end,
                         call_is_cut, version, refused);
  }
  char capture[max_line_length + 1];
  return match_search_pattern(pattern, keyword, line_end, call_end, call_is_cut,
                              capture) > 0
             ? 1
             : 0;
}

// One pass over the input. Returns 1 when it finds what the pass looks
// for; sets read_failed when a read error ended it.
int scan_pass(Pass pass, ReadFunction read, void* input,
              const SearchPattern& pattern, char* version, ScanReport* report,
              bool* read_failed) {
  ScanState state;
  clear_definitions(&state.definitions);
  state.buffer_offset = 0;
  state.handled_until = 0;
  state.definition_end = 0;
  state.lines_before = 0;
  report->refused_line = 0;
  report->refused.text[0] = '\0';

  // A call is read up to max_call_length bytes from its first byte, which
  // is at most max_line_length bytes into its piece: an unfinished call
  // carries less than twice max_line_length bytes.
  char buffer[lookbehind + 2 * max_line_length + read_block_size];
  // buffer[origin] starts a piece; the bytes before it are only read back
  // for names. Before the input there is nothing a name could hold.
  std::size_t origin = lookbehind;
  std::memset(buffer, '\n', lookbehind);
  std::size_t held = origin;
  RefusedName refused;
  for (;;) {
    const long count = read(input, buffer + held, read_block_size);
    if (count < 0) {
      *read_failed = true;
      break;  // the unfinished piece is lost, as with a line reader
    }
    const bool ended = count == 0;
    // What was carried is part of one piece, without a newline: it need not
    // be searched for newlines again, however small the reads.
    PieceStarts starts = {origin, held};
    held += static_cast<std::size_t>(count);

    std::size_t search_from = origin;
    std::size_t unfinished = held;  // where the first unhandled piece starts
    while (pattern.can_match) {
      const char* found =
          pass == Pass::full
              ? find_candidate(buffer + search_from, buffer + held)
              : find_keyword(buffer + search_from, buffer + held);
      if (found == buffer + held) {
        break;
      }
      auto at = static_cast<std::size_t>(found - buffer);
      search_from = at + 1;
      if (state.buffer_offset + at < state.handled_until) {
        continue;
      }
      const bool is_init = starts_with(found, buffer + held, keyword);
      const char* word = found;
      DefiningMacro macro = DefiningMacro::none;
      if (!is_init) {
        // Move to the '(' of the call, past the name of an uppercase macro.
        if (found[1] == '(') {
          ++at;
        } else {
          while (at != held && is_name_byte(buffer[at])) {
            ++at;
          }
          if (at == held && !ended) {
            unfinished = piece_start(buffer, &starts, search_from - 1);
            break;
          }
          if (at == held || buffer[at] != '(') {
            continue;
          }
        }
        macro = defining_macro_before(buffer + at, buffer, &word);
        if (macro == DefiningMacro::none) {
          continue;
        }
      }
      const std::size_t start = piece_start(buffer, &starts, at);
      if (is_init && !is_whitespace_run(buffer + start, found)) {
        continue;
      }
      std::size_t length = complete_piece_length(buffer + start, held - start);
      // The call is read up to max_call_length bytes from its first byte:
      // wait until all of that which the input holds is here. A version on
      // the first line of an AC_INIT call needs nothing more, though.
      const auto first = static_cast<std::size_t>(word - buffer);
      if (!ended && held - first <= max_call_length) {
        if (is_init && length != 0) {
          const int tried = try_call(
              pass, pattern, state.definitions, found, buffer + start + length,
              buffer + start + length, false, version, &refused);
          if (tried == 1) {
            return 1;
          }
          if (tried < 0) {
            state.handled_until = state.buffer_offset + at + 1;
            note_refusal(state, buffer + origin, found, refused, report);
            continue;
          }
        }
        unfinished = start;
        break;
      }
      if (length == 0) {
        length = held - start;  // the last line, without newline
      }
      const std::size_t call_end =
          held - first > max_call_length ? first + max_call_length : held;
      state.handled_until = state.buffer_offset + at + 1;
      if (is_init) {
        const int tried = try_call(pass, pattern, state.definitions, found,
                                   buffer + start + length, buffer + call_end,
                                   call_end != held, version, &refused);
        if (tried == 1) {
          return 1;
        }
        if (tried < 0) {
          note_refusal(state, buffer + origin, found, refused, report);
        }
        continue;
      }
      const unsigned long long paren = state.buffer_offset + at;
      const char* const arguments = buffer + at + 1;
      const auto arguments_length =
          static_cast<std::size_t>(buffer + call_end - arguments);
      switch (defining_call_role(buffer + start, buffer + start + length, word,
                                 macro, paren < state.definition_end)) {
        case CallRole::ignored:
          break;
        case CallRole::definition:
          state.definition_end =
              paren + 1 +
              read_definition(&state.definitions, arguments, arguments_length);
          break;
        case CallRole::refusal:
          refuse_defined_names(&state.definitions, macro, arguments,
                               arguments_length);
          break;
      }
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
    if (pass == Pass::full && report->refused_line == 0) {
      state.lines_before +=
          count_newlines(buffer + origin, buffer + unfinished);
    }
    // Keep the unfinished piece, and the bytes before it that a name may
    // need.
    const std::size_t kept_from = unfinished - lookbehind;
    std::memmove(buffer, buffer + kept_from, held - kept_from);
    state.buffer_offset += kept_from;
    held -= kept_from;
    origin = lookbehind;
  }
  version[0] = '\0';
  return 0;
}

}  // namespace

int scan_for_version(ReadFunction read, RewindFunction rewind, void* input,
                     const SearchPattern& pattern, char* version,
                     ScanReport* report) {
  bool read_failed = false;
  // Definitions matter only where a call of the library yields a capture.
  // An input that can be read again is first searched for one with the
  // keyword alone, which costs a fraction of the full search; most inputs
  // without the library's version end there.
  if (rewind != nullptr && rewind(input)) {
    if (scan_pass(Pass::calls_only, read, input, pattern, version, report,
                  &read_failed) == 0 &&
        !read_failed) {
      return 0;
    }
    if (!rewind(input)) {
      version[0] = '\0';
      return 0;  // as after a read error
    }
  }
  return scan_pass(Pass::full, read, input, pattern, version, report,
                   &read_failed);
}
