// Input held in memory for scan_for_version, and the reading rules in
// their plainest form; shared by the unit tests, the fuzz target and the
// benchmark.
#ifndef GENVERSION_TESTS_MEMORY_INPUT_H_
#define GENVERSION_TESTS_MEMORY_INPUT_H_

#include <algorithm>
#include <cstddef>

#include "scanner.h"
#include "search_pattern.h"

// Hands out at most chunk bytes a read, so that lines cross read
// boundaries anywhere; may end in a read error instead of the end.
struct MemoryInput {
  const char* data;
  std::size_t size;
  std::size_t chunk;
  bool fails_at_end;
  std::size_t offset;
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

// Splits the whole input into the pieces a line reader with a 4096-byte
// buffer returns and tries each: what scan_for_version must agree with.
inline int scan_by_line_reader(const char* data, std::size_t size,
                               const SearchPattern& pattern, char* version) {
  for (std::size_t start = 0; start < size;) {
    std::size_t length = 0;
    while (start + length < size && length < max_line_length) {
      if (data[start + length++] == '\n') {
        break;
      }
    }
    if (scan_line(data + start, length, pattern, version) == 1) {
      return 1;
    }
    start += length;
  }
  version[0] = '\0';
  return 0;
}

#endif  // GENVERSION_TESTS_MEMORY_INPUT_H_
