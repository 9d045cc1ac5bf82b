#include "long_path.h"

namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool is_drive_letter(wchar_t c) {
  return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// Appends text to extended at *length, separators as '\'.
bool append(const wchar_t* text, wchar_t* extended, std::size_t capacity,
            std::size_t* length) {
  for (; *text != 0; ++text) {
    if (*length + 1 >= capacity) {
      return false;
    }
    extended[(*length)++] = is_separator(*text) ? L'\\' : *text;
  }
  extended[*length] = 0;
  return true;
}

}  // namespace

bool to_extended_path(const wchar_t* full_path, wchar_t* extended,
                      std::size_t capacity) {
  std::size_t length = 0;
  if (capacity == 0) {
    return false;
  }
  extended[0] = 0;
  const bool starts_double =
      is_separator(full_path[0]) && is_separator(full_path[1]);
  if (starts_double && (full_path[2] == L'?' || full_path[2] == L'.') &&
      is_separator(full_path[3])) {
    return append(full_path, extended, capacity, &length);
  }
  if (starts_double) {
    return append(L"\\\\?\\UNC\\", extended, capacity, &length) &&
           append(full_path + 2, extended, capacity, &length);
  }
  if (is_drive_letter(full_path[0]) && full_path[1] == L':' &&
      is_separator(full_path[2])) {
    return append(L"\\\\?\\", extended, capacity, &length) &&
           append(full_path, extended, capacity, &length);
  }
  return false;
}
