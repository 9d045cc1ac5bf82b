// Input held in memory for scan_for_version, read in chunks of any size;
// shared by the unit tests, the fuzz targets and the benchmark.
#ifndef GENVERSION_TESTS_MEMORY_INPUT_H_
#define GENVERSION_TESTS_MEMORY_INPUT_H_

#include <algorithm>
#include <cstddef>

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

#endif  // GENVERSION_TESTS_MEMORY_INPUT_H_
