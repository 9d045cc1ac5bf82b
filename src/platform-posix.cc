// Files of 2 GiB and more open and read on 32-bit systems too.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
#define _FILE_OFFSET_BITS 64

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform.h"

std::FILE* open_input(const char* path) {
  std::FILE* input = std::fopen(path, "r");
  if (input == nullptr) {
    return nullptr;
  }
  // fopen accepts a folder here, where Windows refuses it; refuse it too.
  struct stat status = {};
  if (fstat(fileno(input), &status) != 0 || S_ISDIR(status.st_mode)) {
    std::fclose(input);
    return nullptr;
  }
  return input;
}

bool rewind_input(void* input) {
  // Reads go to the descriptor, so its offset is all there is to move.
  return lseek(fileno(static_cast<std::FILE*>(input)), 0, SEEK_SET) == 0;
}

long read_input(void* input, char* buffer, std::size_t size) {
  // Read the descriptor directly: a pipe's lines are tried as soon as they
  // arrive, and nothing is copied through a stdio buffer.
  const int descriptor = fileno(static_cast<std::FILE*>(input));
  for (;;) {
    const ssize_t count = read(descriptor, buffer, size);
    if (count >= 0) {
      return static_cast<long>(count);
    }
    if (errno != EINTR) {
      return -1;
    }
  }
}
