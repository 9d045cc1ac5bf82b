// Writes the large or binary inputs of black-box cases at test time, so
// that they need not be kept in the repository.
//
//   make_case_input fill PATH COUNT TEXT    appends TEXT, COUNT times
//   make_case_input random PATH SIZE SEED   appends SIZE pseudo-random bytes
//   make_case_input sparse PATH SIZE -      appends SIZE zero bytes as a
//                                           hole (POSIX only): files of
//                                           gigabytes that take no disk
//
// TEXT takes the escapes \n \r \t \\ and \xNN, decoded here rather than by
// the caller so that any byte, zero included, passes through an emulator's
// argument handling untouched.
// Files past 2 GiB on 32-bit systems too.
#define _FILE_OFFSET_BITS 64

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool decode(const char* text, std::string* bytes) {
  for (const char* p = text; *p != 0; ++p) {
    if (*p != '\\') {
      bytes->push_back(*p);
      continue;
    }
    ++p;
    switch (*p) {
      case 'n':
        bytes->push_back('\n');
        break;
      case 'r':
        bytes->push_back('\r');
        break;
      case 't':
        bytes->push_back('\t');
        break;
      case '\\':
        bytes->push_back('\\');
        break;
      case 'x': {
        const int high = p[1] == 0 ? -1 : hex_digit(p[1]);
        const int low = high < 0 ? -1 : hex_digit(p[2]);
        if (low < 0) return false;
        bytes->push_back(static_cast<char>(high * 16 + low));
        p += 2;
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

bool write_all(std::FILE* file, const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

bool fill(std::FILE* file, unsigned long long count, const std::string& text) {
  if (text.empty()) return true;
  // Write in blocks of about 1 MiB: a 256 MiB input costs a few hundred
  // calls, not millions.
  unsigned long long per_block = (1u << 20) / text.size() + 1;
  if (per_block > count) per_block = count;
  std::string block;
  for (unsigned long long i = 0; i < per_block; ++i) block += text;
  for (; count >= per_block && per_block > 0; count -= per_block) {
    if (!write_all(file, block)) return false;
  }
  for (; count > 0; --count) {
    if (!write_all(file, text)) return false;
  }
  return true;
}

bool random_bytes(std::FILE* file, unsigned long long size,
                  std::uint64_t seed) {
  // xorshift64*: the same bytes for the same seed on every platform.
  std::uint64_t state = seed == 0 ? 1 : seed;
  std::string block;
  while (size > 0) {
    block.clear();
    for (; size > 0 && block.size() < (1u << 16); --size) {
      state ^= state >> 12;
      state ^= state << 25;
      state ^= state >> 27;
      block.push_back(static_cast<char>((state * 0x2545F4914F6CDD1Dull) >> 56));
    }
    if (!write_all(file, block)) return false;
  }
  return true;
}

#ifdef _WIN32
bool extend_sparse(std::FILE*, unsigned long long) { return false; }
#else
bool extend_sparse(std::FILE* file, unsigned long long size) {
  struct stat status = {};
  const int descriptor = fileno(file);
  return std::fflush(file) == 0 && fstat(descriptor, &status) == 0 &&
         ftruncate(descriptor, status.st_size + static_cast<off_t>(size)) == 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr,
                 "usage: make_case_input fill|random|sparse PATH N "
                 "TEXT|SEED|-\n");
    return 2;
  }
  const std::string kind = argv[1];
  const unsigned long long number = std::strtoull(argv[3], nullptr, 10);
  std::FILE* file = std::fopen(argv[2], "ab");
  if (file == nullptr) {
    std::perror(argv[2]);
    return 1;
  }
  bool ok = false;
  if (kind == "fill") {
    std::string text;
    if (!decode(argv[4], &text)) {
      std::fprintf(stderr, "make_case_input: bad escape in '%s'\n", argv[4]);
      return 2;
    }
    ok = fill(file, number, text);
  } else if (kind == "sparse") {
    ok = extend_sparse(file, number);
  } else if (kind == "random") {
    ok = random_bytes(file, number, std::strtoull(argv[4], nullptr, 10));
  } else {
    std::fprintf(stderr, "make_case_input: unknown kind '%s'\n", argv[1]);
    return 2;
  }
  if (std::fclose(file) != 0 || !ok) {
    std::perror(argv[2]);
    return 1;
  }
  return 0;
}
