#include "file_window.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_input.h"

namespace {

// Line numbers go past 32 bits, where long has only 32 (32-bit systems,
// Windows): a file of over 4 Gi lines names the line of a refusal right.
TEST(FileWindowTest, CountsLinesPast32Bits) {
  const std::string text = "a\nb\nc";
  MemoryInput input{text.data(), text.size(), text.size(), false, 0, false};
  FileWindow window;
  open_window(&window, read_memory, &input);
  window.counts_lines = true;
  window.lines_before_buffer = 0xFFFFFFFFULL;  // as if read through already
  ASSERT_EQ(window_fill(&window, text.size()), text.size());
  EXPECT_EQ(window_line(window), 0x100000000ULL);
  window_consume(&window, 4);  // to "c"
  EXPECT_EQ(window_line(window), 0x100000002ULL);
}

}  // namespace
