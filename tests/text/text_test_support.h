// Helpers of the text tests: texts made from given block contents, and the
// text read back block by block.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/resource.h"
#include "support/game_dir.h"
#include "text/text.h"

namespace vadu::test {

class TextBufferTest : public EngineTest {
 protected:
  // A text whose blocks hold exactly `blocks` (each at most 1023 bytes),
  // with max_line the newlines they hold and text size their length.
  Handle MakeText(const std::vector<std::string>& blocks, const char* name = "t.txt") {
    const Handle text = CreateText(kNoHandle, name, 0);
    EXPECT_NE(text, kNoHandle);
    int32_t size = 0;
    int32_t newlines = 0;
    for (const std::string& b : blocks) {
      const Handle block = CreateTextBlock(text);
      EXPECT_NE(block, kNoHandle);
      EXPECT_LE(b.size(), 1023u);
      char* chars = reinterpret_cast<char*>(Body(block));
      std::memset(chars, 0, kTextBlockSize);
      std::memcpy(chars, b.data(), b.size());
      size += static_cast<int32_t>(b.size());
      for (char c : b) newlines += c == '\n' ? 1 : 0;
    }
    TextView(text)->text_size = size;
    TextView(text)->max_line = newlines;
    return text;
  }

  // The text of every block, in text order.
  static std::vector<std::string> Blocks(Handle text) {
    std::vector<std::string> out;
    for (Handle b = FirstTextBlock(text); b != kNoHandle; b = NextTextBlock(text, b)) {
      out.emplace_back(reinterpret_cast<const char*>(Body(b)), static_cast<size_t>(TextBlockLength(b)));
    }
    return out;
  }

  static std::string Content(Handle text) {
    std::string all;
    for (const std::string& b : Blocks(text)) all += b;
    return all;
  }

  // The log line with a handle in it, as the engine formats it.
  template <typename... Args>
  static std::string Format(const char* format, Args... args) {
    char line[512];
    std::snprintf(line, sizeof line, format, args...);
    return line;
  }
};

}  // namespace vadu::test
