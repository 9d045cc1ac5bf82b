// Input held in memory for scan_for_version, and the reading rules in
// their plainest form; shared by the unit tests, the fuzz target and the
// benchmark.
#ifndef GENVERSION_TESTS_MEMORY_INPUT_H_
#define GENVERSION_TESTS_MEMORY_INPUT_H_

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "scanner.h"
#include "search_pattern.h"
#include "text.h"

// Hands out at most chunk bytes a read, so that lines cross read
// boundaries anywhere; may end in a read error instead of the end.
struct MemoryInput {
  const char* data;
  std::size_t size;
  std::size_t chunk;
  bool fails_at_end;
  std::size_t offset;
  // Whether it can be read again from the start, as a file can.
  bool rewinds;
};

// A ReadFunction over a MemoryInput.
inline long read_memory(void* source, char* buffer, std::size_t size) {
  auto* input = static_cast<MemoryInput*>(source);
  if (input->offset == input->size) {
    return input->fails_at_end ? -1 : 0;
  }
  const std::size_t count =
      std::min({size, input->chunk, input->size - input->offset});
  std::copy_n(input->data + input->offset, count, buffer);
  input->offset += count;
  return static_cast<long>(count);
}

// A RewindFunction over a MemoryInput.
inline bool rewind_memory(void* source) {
  auto* input = static_cast<MemoryInput*>(source);
  if (!input->rewinds) {
    return false;
  }
  input->offset = 0;
  return true;
}

// The scan in its plainest form, over the whole input at once: splits it
// into the pieces a line reader with a 4096-byte buffer returns, and tries
// each byte of each piece in turn for an AC_INIT call at its first text or
// a defining call's '('. What scan_for_version must agree with.
inline int scan_by_line_reader(const char* data, std::size_t size,
                               const SearchPattern& pattern, char* version,
                               ScanReport* report) {
  Definitions definitions;
  clear_definitions(&definitions);
  std::size_t definition_end = 0;
  unsigned long line = 1;
  report->refused_line = 0;
  report->refused.text[0] = '\0';
  const char* const data_end = data + size;
  const auto call_end = [&](const char* first) {
    return static_cast<std::size_t>(data_end - first) > max_call_length
               ? first + max_call_length
               : data_end;
  };
  for (std::size_t start = 0; start < size && pattern.can_match;) {
    std::size_t length = 0;
    while (start + length < size && length < max_line_length) {
      if (data[start + length++] == '\n') {
        break;
      }
    }
    const char* const piece = data + start;
    const char* const piece_end = piece + length;
    const char* text = piece;
    while (text != piece_end && is_whitespace_byte(*text)) {
      ++text;
    }
    for (const char* at = piece; at != piece_end; ++at) {
      if (at == text && piece_end - at >= 7 &&
          std::memcmp(at, "AC_INIT", 7) == 0) {
        RefusedName refused;
        const char* const end = call_end(at);
        const int tried =
            try_init_call(pattern, definitions, at, piece_end, end,
                          end != data_end, version, &refused);
        if (tried == 1) {
          return 1;
        }
        if (tried < 0 && report->refused_line == 0) {
          report->refused_line = line;
          report->refused = refused;
        }
      }
      const char* word = nullptr;
      const DefiningMacro macro = *at == '('
                                      ? defining_macro_before(at, data, &word)
                                      : DefiningMacro::none;
      if (macro == DefiningMacro::none) {
        continue;
      }
      const auto arguments_length =
          static_cast<std::size_t>(call_end(word) - (at + 1));
      const auto paren = static_cast<std::size_t>(at - data);
      switch (defining_call_role(piece, piece_end, word, macro,
                                 paren < definition_end)) {
        case CallRole::ignored:
          break;
        case CallRole::definition:
          definition_end =
              paren + 1 +
              read_definition(&definitions, at + 1, arguments_length);
          break;
        case CallRole::refusal:
          refuse_defined_names(&definitions, macro, at + 1, arguments_length);
          break;
      }
    }
    line += piece_end[-1] == '\n' ? 1 : 0;
    start += length;
  }
  version[0] = '\0';
  return 0;
}

#endif  // GENVERSION_TESTS_MEMORY_INPUT_H_
