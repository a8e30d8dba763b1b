// The line copy that stops at the line-break escape.
#include "data/escape.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vadu {
namespace {

TEST(EscapeLineCopy, StopsAtTheEscapeANewlineOrTheEnd) {
  struct Case {
    const char* src;
    const char* line;
    size_t stop;  // offset of the returned position
  } cases[] = {
      {"first\\nsecond", "first", 5},
      {"one\ntwo", "one", 3},
      {"whole", "whole", 5},
      {"", "", 0},
      {"\\nnext", "", 0},
      {"a\\b\\", "a\\b\\", 4},  // a backslash not followed by n is text
      {"\\cRred\\n", "\\cRred", 6},
      // The second byte of "表" (0x95 0x5C) followed by n is no escape.
      {"\x95\x5Cn\\nx", "\x95\x5Cn", 3},
  };
  for (const Case& c : cases) {
    char dst[32];
    std::memset(dst, 'Q', sizeof dst);
    const char* stop = EscapeLineCopy(c.src, dst, sizeof dst);
    EXPECT_EQ(std::string(dst), c.line) << c.src;
    EXPECT_EQ(stop - c.src, static_cast<ptrdiff_t>(c.stop)) << c.src;
  }
}

TEST(EscapeLineCopy, CutsToTheRoomOnACharacterBoundary) {
  // "ab" and two two-byte characters. Room for 4 bytes: the first two-byte
  // character and the terminator would need 5, so only "ab" is kept.
  const char* src = "ab\x82\xA0\x82\xA2\\nrest";
  char dst[8];
  std::memset(dst, 'Q', sizeof dst);
  EXPECT_EQ(EscapeLineCopy(src, dst, 4) - src, 6) << "the end of the line is still found";
  EXPECT_STREQ(dst, "ab");
  EXPECT_EQ(dst[4], 'Q') << "nothing written past the room";
  EXPECT_EQ(EscapeLineCopy(src, dst, 5) - src, 6);
  EXPECT_STREQ(dst, "ab\x82\xA0");

  // No room: nothing written, the end is still found.
  dst[0] = 'Q';
  EXPECT_EQ(EscapeLineCopy(src, dst, 0) - src, 6);
  EXPECT_EQ(dst[0], 'Q');
  EXPECT_EQ(EscapeLineCopy(src, nullptr, 10) - src, 6);
  EXPECT_EQ(EscapeLineCopy(nullptr, dst, sizeof dst), nullptr);
}

}  // namespace
}  // namespace vadu
