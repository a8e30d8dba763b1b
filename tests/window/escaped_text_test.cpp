// Escaped text drawing: each line is compared with the plain window text
// drawn where and how the escapes say it should be.
#include "window/escaped_text.h"

#include <gtest/gtest.h>

#include <vector>

#include "kernel/font.h"
#include "kernel/gc.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/input_host.h"
#include "support/game_dir.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kScreenW = 320, kScreenH = 200;
const uint32_t kBackground = MakeColour(90, 90, 90);
const uint32_t kText = MakeColour(10, 250, 10);
const uint32_t kLight = MakeColour(2, 2, 2), kShadow = MakeColour(3, 3, 3);

// Time passes only by sleeps; the left button goes down at a given moment.
class PressClock : public Clock {
 public:
  uint64_t NowMs() override { return now; }
  void SleepMs(uint32_t ms) override {
    now += ms;
    if (press_at != 0 && now >= press_at) HostSetButton(1);
  }
  LocalDateTime LocalTime() override { return {}; }
  uint64_t now = 1000;
  uint64_t press_at = 0;
};

class EscapedTextTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Screen().Resize(kScreenW, kScreenH);
    OpenDevice(kScreenW, kScreenH);
    BuildColourTable();
    SetPlatformClock(&clock_);
    const Handle font = CreateFont(16, 16, 0, nullptr);
    gc_ = CreateGC(kNoHandle, kText, MakeColour(1, 1, 1), kLight, kShadow);
    SetGCFont(gc_, font);
    win_ = CreateWindow(kNoHandle, kNoHandle, 280, 150, WINDOWdrawable | WINDOWopen);
    WindowRecord* w = WindowView(win_);
    w->x = 20;
    w->y = 30;
    w->gc = gc_;
    Clear();
  }
  static void Clear() { FillBox(0, 0, kScreenW - 1, kScreenH - 1, kBackground); }
  std::vector<uint32_t> Escaped(const char* text, int16_t x = 10, int16_t y = 10) {
    Clear();
    EXPECT_EQ(DrawEscapedText(win_, x, y, text, gc_), 1);
    return Screen().Snapshot();
  }

  PressClock clock_;
  Handle gc_ = kNoHandle;
  Handle win_ = kNoHandle;
};

TEST_F(EscapedTextTest, AColourEscapeColoursItsLineAndALineBreakMovesDown) {
  const std::vector<uint32_t> got = Escaped("\\cRWarning\\nsecond line");
  Clear();
  WinMessageColor(win_, 10, 10, "Warning", ColourTable[2]);
  WinMessageColor(win_, 10, 26, "second line", kText);
  EXPECT_EQ(got, Screen().Snapshot());
  int red = 0;
  for (uint32_t p : got) red += p == MakeColour(200, 0, 0);
  EXPECT_GT(red, 10);

  // Green and blue, either case; another letter keeps the text colour and
  // is consumed with the escape.
  struct Case {
    const char* text;
    uint32_t colour;
  } cases[] = {{"\\cgGo", ColourTable[5]}, {"\\cBGo", ColourTable[3]}, {"\\cxGo", kText}};
  for (const Case& c : cases) {
    const std::vector<uint32_t> drawn = Escaped(c.text);
    Clear();
    WinMessageColor(win_, 10, 10, "Go", c.colour);
    EXPECT_EQ(drawn, Screen().Snapshot()) << c.text;
  }
  // A newline ends the text; an escape not at the start of a line is text.
  const std::vector<uint32_t> ended = Escaped("one\ntwo\\nthree");
  Clear();
  WinMessageColor(win_, 10, 10, "one", kText);
  EXPECT_EQ(ended, Screen().Snapshot());
  const std::vector<uint32_t> inner = Escaped("a\\cRb");
  Clear();
  WinMessageColor(win_, 10, 10, "a\\cRb", kText);
  EXPECT_EQ(inner, Screen().Snapshot());
}

TEST_F(EscapedTextTest, ARuleLineDrawsOnlyTheTwoColouredSeparator) {
  const std::vector<uint32_t> got = Escaped("\\l", 10, 20);
  // From x to the window width - 10 (end point not set), at y + 10 in the
  // shadow colour and y + 9 in the light colour, relative to the content.
  for (int i = 0; i < kScreenW * kScreenH; ++i) {
    const int x = i % kScreenW - 20, y = i / kScreenW - 30;
    uint32_t want = kBackground;
    if (x >= 10 && x < 270 && y == 30) want = kShadow;
    if (x >= 10 && x < 270 && y == 29) want = kLight;
    ASSERT_EQ(got[i], want) << x << "," << y;
  }
  // Its text after the escape is not drawn; the next line is.
  const std::vector<uint32_t> with_text = Escaped("\\lhidden\\nshown", 10, 20);
  Clear();
  WinLineColor(win_, 10, 30, 270, 30, kShadow);
  WinLineColor(win_, 10, 29, 270, 29, kLight);
  WinMessageColor(win_, 10, 36, "shown", kText);
  EXPECT_EQ(with_text, Screen().Snapshot());
}

TEST_F(EscapedTextTest, TypewriterOutputPausesAfterEachCharacterUntilAPress) {
  // Every character takes a full-width cell and is followed by 0.3 s.
  const std::vector<uint32_t> typed = Escaped("\\cR\\wAB\\n\x88\x9F");
  EXPECT_EQ(clock_.now - 1000, 900u);
  Clear();
  WinMessageColor(win_, 10, 10, "A", ColourTable[2]);
  WinMessageColor(win_, 26, 10, "B", ColourTable[2]);
  WinMessageColor(win_, 10, 26, "\x88\x9F", kText);
  EXPECT_EQ(typed, Screen().Snapshot());

  // A press during the second pause: the rest follows without pauses.
  clock_.now = 1000;
  clock_.press_at = 1450;
  const std::vector<uint32_t> hurried = Escaped("\\wABC\\nDE");
  EXPECT_EQ(clock_.now - 1000, 450u);
  Clear();
  const char* first[] = {"A", "B", "C"};
  for (int i = 0; i < 3; ++i) WinMessageColor(win_, static_cast<int16_t>(10 + 16 * i), 10, first[i], kText);
  WinMessageColor(win_, 10, 26, "D", kText);
  WinMessageColor(win_, 26, 26, "E", kText);
  EXPECT_EQ(hurried, Screen().Snapshot());
}

}  // namespace
}  // namespace vadu
