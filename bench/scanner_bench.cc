// Bytes per second of scan_for_version over input held in memory.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "memory_input.h"
#include "scanner.h"
#include "search_pattern.h"

namespace {

// Ordinary configure.ac lines, with AC_INIT lines of other libraries.
std::string configure_lines(std::size_t size) {
  const char* lines[] = {
      "AC_PREREQ([2.69])\n",
      "AC_CONFIG_SRCDIR([src/main.c])\n",
      "AM_INIT_AUTOMAKE([foreign subdir-objects -Wall])\n",
      "AC_CHECK_HEADERS([stdlib.h string.h unistd.h])\n",
      "AC_MSG_CHECKING([for a working compiler])\n",
      "if test \"x$enable_debug\" = \"xyes\"; then\n",
      "  CFLAGS=\"$CFLAGS -g -O0\"\n",
      "fi\n",
      "AC_DEFINE([HAVE_FEATURE], [1], [Define if the feature is there.])\n",
      "AC_CONFIG_FILES([Makefile src/Makefile])\n"};
  std::string text;
  for (std::size_t i = 0; text.size() < size; ++i) {
    text += i % 1000 == 999 ? "AC_INIT([libother], [1.2.3])\n"
                            : lines[i % (sizeof lines / sizeof lines[0])];
  }
  return text;
}

// Scans data as a pipe, or with rewinds as a file that can be read again.
void scan(benchmark::State& state, const std::string& data,
          std::size_t chunk = SIZE_MAX, bool rewinds = false) {
  SearchPattern pattern;
  build_search_pattern("[libbench]", &pattern);
  char version[version_buffer_size];
  ScanReport report;
  for (auto _ : state) {
    MemoryInput input{data.data(), data.size(), chunk, false, 0, rewinds};
    benchmark::DoNotOptimize(scan_for_version(
        read_memory, rewind_memory, &input, pattern, version, &report));
    state.SetBytesProcessed(state.bytes_processed() +
                            static_cast<int64_t>(input.offset));
  }
}

void BM_NoMatch(benchmark::State& state) {
  static const std::string data = configure_lines(std::size_t{64} << 20);
  scan(state, data);
}

// A file is first searched for the library's calls alone.
void BM_NoMatchInFile(benchmark::State& state) {
  static const std::string data = configure_lines(std::size_t{64} << 20);
  scan(state, data, SIZE_MAX, true);
}

void BM_MatchOnLine3(benchmark::State& state) {
  static const std::string data =
      "dnl sample\nAC_PREREQ([2.69])\nAC_INIT([libbench], [1.2.3])\n" +
      configure_lines(4096);
  scan(state, data);
}

void BM_OneLongLine(benchmark::State& state) {
  static const std::string data(std::size_t{64} << 20, 'x');
  scan(state, data);
}

// A long line that arrives a few bytes a read: each read must cost what
// it brings, not what is carried over from the reads before it.
void BM_LongLineInSmallReads(benchmark::State& state) {
  static const std::string data(std::size_t{1} << 20, 'x');
  scan(state, data, 16);
}

BENCHMARK(BM_NoMatch);
BENCHMARK(BM_NoMatchInFile);
BENCHMARK(BM_MatchOnLine3);
BENCHMARK(BM_OneLongLine);
BENCHMARK(BM_LongLineInSmallReads);

}  // namespace
