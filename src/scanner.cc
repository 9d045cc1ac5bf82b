#include "scanner.h"

#include <cstring>

#include "m4_expand.h"
#include "text.h"

bool has_library_call(FileWindow* window, const SearchPattern& pattern) {
  if (!pattern.can_match) {
    return false;
  }
  for (;;) {
    if (window_fill(window, max_look_ahead) < call_keyword_length) {
      return false;
    }
    const char* start = window->buffer + window->begin;
    const char* end = window->buffer + window->end;
    const char* found = find_call_keyword(start, end);
    if (found == end) {
      // Keep what could start a keyword that the next read completes.
      window->begin = window->end - (call_keyword_length - 1);
      if (window->ended) {
        return false;
      }
      continue;
    }
    window->begin = static_cast<std::size_t>(found - window->buffer);
    if (blank_line_before(*window, window->begin) &&
        call_head_at(window, pattern)) {
      return true;
    }
    ++window->begin;
  }
}

int scan_for_version(ReadFunction read, RewindFunction rewind, void* input,
                     const SearchPattern& pattern, char* version,
                     ScanReport* report) {
  report->refused_line = 0;
  report->refused.length = 0;
  report->refused.text[0] = '\0';
  version[0] = '\0';
  FileWindow window;
  open_window(&window, read, input);
  // Only an input that holds a call of the library can yield a version or
  // a refusal. An input that can be read again is first searched for one,
  // which costs a fraction of reading it with the engine; one that the
  // first read shows whole needs no second read to be searched.
  if (rewind != nullptr && rewind(input) &&
      window_fill(&window, read_block_size + 1) > read_block_size) {
    if (!has_library_call(&window, pattern) && !window.failed) {
      return 0;
    }
    if (!rewind(input)) {
      return 0;  // as after a read error
    }
    open_window(&window, read, input);
  }
  Engine engine;
  start_engine(&engine, &window, pattern);
  const bool found = find_next_version(&engine, version);
  if (!found) {
    version[0] = '\0';
    report->refused_line = engine.refused_line;
    report->refused = engine.refused;
  }
  return found ? 1 : 0;
}
