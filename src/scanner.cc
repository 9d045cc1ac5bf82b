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

namespace {

// Opens the window on the input. Only an input that holds a call of the
// library can yield a version, a name or a refusal. An input that can be
// read again is first searched for one, which costs a fraction of reading
// it with the engine; one that the first read shows whole needs no second
// read to be searched. False where there is no call to read.
bool open_for_engine(FileWindow* window, ReadFunction read,
                     RewindFunction rewind, void* input,
                     const SearchPattern& pattern) {
  open_window(window, read, input);
  if (rewind != nullptr && rewind(input) &&
      window_fill(window, read_block_size + 1) > read_block_size) {
    if (!has_library_call(window, pattern) && !window->failed) {
      return false;
    }
    if (!rewind(input)) {
      return false;  // as after a read error
    }
    open_window(window, read, input);
  }
  return true;
}

}  // namespace

int scan_to_library_call(ReadFunction read, RewindFunction rewind, void* input,
                         const SearchPattern& pattern, bool keeps_call,
                         LibraryScan* scan, char* version, ScanReport* report) {
  report->refused_line = 0;
  report->refused.length = 0;
  report->refused.text[0] = '\0';
  version[0] = '\0';
  if (!open_for_engine(&scan->window, read, rewind, input, pattern)) {
    return 0;
  }
  Engine* engine = &scan->engine;
  start_engine(engine, &scan->window, pattern);
  engine->keeps_call = keeps_call;
  const bool found = find_next_version(engine, version);
  if (!found) {
    version[0] = '\0';
    report->refused_line = engine->refused_line;
    report->refused = engine->refused;
  }
  return found ? 1 : 0;
}

int scan_for_version(ReadFunction read, RewindFunction rewind, void* input,
                     const SearchPattern& pattern, char* version,
                     ScanReport* report) {
  LibraryScan scan;
  return scan_to_library_call(read, rewind, input, pattern, false, &scan,
                              version, report);
}

std::size_t scan_for_names(ReadFunction read, RewindFunction rewind,
                           void* input, NameFunction on_name, void* context) {
  SearchPattern pattern;
  build_any_name_pattern(&pattern);
  FileWindow window;
  if (!open_for_engine(&window, read, rewind, input, pattern)) {
    return 0;
  }
  Engine engine;
  start_engine(&engine, &window, pattern);
  char name[version_buffer_size];
  std::size_t count = 0;
  while (find_next_version(&engine, name)) {
    ++count;
    if (!on_name(context, name)) {
      break;
    }
  }
  return count;
}
