// The effect task on a running engine: the typewriter of a message area
// (one character a tick at the margins, the line-break rule, tags, line
// ends, full pages and the pages after them, replacement by a newer request,
// the whole-page calls), the grid and wipe transitions, the strip capture
// and restore, the Ctrl fast-forward, and the typing speed on the engine
// clock. Ticks are posted by the tests where they need exact control.
#include "present/effect.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/input.h"
#include "platform/input_host.h"
#include "support/game_dir.h"
#include "support/window_engine.h"
#include "window/draw.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

using test::Pixel;

// The message area: 256 x 112 with 16-pixel characters. Margins 16 and 8;
// lines 24 apart; 14 characters fit a line, 4 lines a page (a fifth line
// would reach below the area).
constexpr int kAreaW = 256, kAreaH = 112;
constexpr int kLeft = kAreaW / 16, kTop = kAreaH / 14;
constexpr int kCell = 16, kLineStep = kCell + 8;
constexpr int kPerLine = 14, kLines = 4, kPerPage = kPerLine * kLines;
const uint32_t kWhite = MakeColour(255, 255, 255);
const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);

// n full blocks (a glyph whose middle is solid ink).
std::string Blocks(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "■";
  return s;
}

class EffectTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_NE(EffectDataResource(), kNoHandle);
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : test::ReadLines("SenELOG.dat")) {
      if (l == line) return true;
    }
    return false;
  }
  // A play window with one message area (number 110, its own gc), open.
  Handle MessageArea(const std::string& text) {
    play_ = CreateWindow(owner(), kNoHandle, 300, 200, 0);
    gc_ = CreateGC(owner(), kWhite, 0, 0, 0);
    object_ = CreateMessage(play_, 110, 10, 10, kAreaW, kAreaH, gc_);
    Open(play_, 10, 10);
    SetText(text);
    area_ = ContentRect(ObjectView(object_)->window);
    background_ = Pixel(area_.x + 1, area_.y + kAreaH - 1);
    return object_;
  }
  void SetText(const std::string& text) { ASSERT_EQ(SetMessageObject(play_, 110, text.c_str()), object_); }
  // A request from the owner, taken by the effect task.
  void Request(int32_t type, uint16_t id = 7, int32_t mode = kEffectTypewriter, uint32_t colour = kWhite,
               Handle window = kNoHandle, Handle object = kNoHandle, int16_t x = 0, int16_t y = 0, int16_t w = 0,
               int16_t h = 0) {
    EffectRequest q;
    q.id = id;
    q.type = type;
    q.colour = colour;
    q.mode = mode;
    q.window = window != kNoHandle ? window : play_;
    q.object = object != kNoHandle || type != EFFECTtext ? object : object_;
    q.x = x;
    q.y = y;
    q.width = w;
    q.height = h;
    ASSERT_EQ(SendEffectRequest(TaskNumber(owner()), q), 0);
    Settle(20);
  }
  // Eighth-second ticks as EventTask sends them.
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      PostEvent(kTaskEvent, kEveryTask, kEventEighthSecond);
      Settle(20);
    }
  }
  EffectRecord Record(int16_t type = EFFECTtext, Handle object = kNoHandle) {
    const EffectRecord* r = EffectView(FindEffect(type == EFFECTtext && object == kNoHandle ? object_ : object, type));
    return r != nullptr ? *r : EffectRecord{};
  }
  // Any pixel of the rectangle (screen coordinates) other than the area's
  // darkened background.
  bool Inked(int x, int y, int w, int h) const {
    for (int yy = y; yy < y + h; ++yy) {
      for (int xx = x; xx < x + w; ++xx) {
        if (Pixel(xx, yy) != background_) return true;
      }
    }
    return false;
  }
  // The cell of a two-byte character at pen (px, py) of the page.
  bool CellInked(int px, int py, int size = kCell) const {
    return Inked(area_.x + kLeft + px, area_.y + kTop + py, size, size);
  }
  bool CharInked(int k) const { return CellInked(k % kPerLine * kCell, k / kPerLine * kLineStep); }
  // The middle of a block's cell: solid ink in the exact text colour.
  uint32_t Core(int px, int py, int size = kCell) const {
    return Pixel(area_.x + kLeft + px + size / 2, area_.y + kTop + py + size / 2);
  }
  std::vector<test::Notice> Results(uint16_t code) const { return owner_log().Of(code); }
  // A whole-page call as the window objects make it; the owner then reads
  // what it was sent.
  int Redraw(int mode) {
    const int result = RedrawEffect(object_, mode);
    Settle(20);
    return result;
  }

  Handle play_ = kNoHandle, gc_ = kNoHandle, object_ = kNoHandle;
  ScreenRect area_;
  uint32_t background_ = 0;
};

TEST_F(EffectTest, TypingClearsTheAreaThenDrawsOneCharacterATickFromTheMargins) {
  MessageArea(Blocks(5));
  // Something over the area before the text starts: the first step clears it.
  WinFill(ObjectView(object_)->window, kRed);
  Request(EFFECTtext);
  EXPECT_TRUE(Logged("create effect"));
  Tick(3);
  EXPECT_EQ(Pixel(area_.x + 2, area_.y + 2), background_);
  for (int k = 0; k < 3; ++k) EXPECT_TRUE(CharInked(k)) << k;
  EXPECT_FALSE(CharInked(3));
  EXPECT_EQ(Core(0, 0), kWhite);
  // Nothing left of the margin or above it.
  EXPECT_FALSE(Inked(area_.x, area_.y, kLeft, kAreaH));
  EXPECT_FALSE(Inked(area_.x, area_.y, kAreaW, kTop));
  EXPECT_EQ(Record().position, 6);

  // At the end the position stays on the text's end and nothing more is
  // drawn; typing alone does not report the end.
  Tick(4);
  EXPECT_TRUE(CharInked(4));
  EXPECT_FALSE(CharInked(5));
  EXPECT_EQ(Record().position, 10);
  EXPECT_TRUE(Results(kEventEffectEnded).empty());
}

TEST_F(EffectTest, ACharacterThatNeverStartsALineStaysBeyondTheMargin) {
  // A full line, then "。": it stays on the line, the break comes after it.
  MessageArea(Blocks(kPerLine) + "。■");
  Request(EFFECTtext);
  Tick(kPerLine + 2);
  EXPECT_TRUE(CellInked(kPerLine * kCell, 0));
  EXPECT_TRUE(CellInked(0, kLineStep));
  EXPECT_FALSE(CellInked(kCell, kLineStep));

  // "、" and "」" alike; any other character goes to the next line.
  for (const char* mark : {"、", "」", "■"}) {
    SetText(Blocks(kPerLine) + mark + "■");
    Request(EFFECTtext);
    Tick(kPerLine + 2);
    const bool stays = std::string(mark) != "■";
    EXPECT_EQ(CellInked(kPerLine * kCell, 0), stays) << mark;
    EXPECT_EQ(CellInked(kCell, kLineStep), !stays) << mark;
  }
}

TEST_F(EffectTest, TagsColourTheTextAndChangeItsSize) {
  MessageArea(
      "<font_color PALETred>■<font_color  PALET blue >■<font_color nonsense>■<font_color PALETblack>■"
      "<font_color PALETmint>■<font_color PALETwhite>■");
  Request(EFFECTtext);
  Tick(6);
  EXPECT_EQ(Core(0, 0), kRed);
  EXPECT_EQ(Core(kCell, 0), MakeColour(0, 0, 220));  // blanks are taken out of the operand
  EXPECT_EQ(Core(2 * kCell, 0), MakeColour(30, 150, 40));
  EXPECT_EQ(Core(3 * kCell, 0), 0u);
  EXPECT_EQ(Core(4 * kCell, 0), MakeColour(88, 206, 145));
  EXPECT_EQ(Core(5 * kCell, 0), kWhite);

  // Size 1 before any size 2 changes nothing; 2 takes the large font, 1
  // goes back. An unknown tag is logged and skipped.
  const Handle normal = GCView(gc_)->font;
  SetText("<font_size 1>■<font_size 2>■<font_size 1><bold on>■");
  Request(EFFECTtext);
  Tick(1);
  EXPECT_EQ(GCView(gc_)->font, normal);
  Tick(1);
  EXPECT_NE(GCView(gc_)->font, normal);
  EXPECT_EQ(FontView(GCView(gc_)->font)->height, 24);
  EXPECT_EQ(Core(kCell, 0, 24), kWhite);
  EXPECT_TRUE(Inked(area_.x + kLeft + kCell, area_.y + kTop + 18, 24, 6));  // below a 16-pixel cell
  Tick(1);
  EXPECT_EQ(GCView(gc_)->font, normal);
  EXPECT_TRUE(CellInked(kCell + 24, 0));  // after the wide cell
  EXPECT_TRUE(Logged("EffectTask unknow code"));
  EXPECT_TRUE(Logged("bold"));

  // A tag without its '>' ends at the text's end and does nothing.
  SetText("■<font_color PALETred ■■");
  Request(EFFECTtext);
  Tick(3);
  EXPECT_EQ(Record().position, static_cast<int32_t>(std::string("■<font_color PALETred ■■").size()));
  EXPECT_EQ(GCView(gc_)->text, kWhite);
  EXPECT_FALSE(CellInked(kCell, 0));
}

TEST_F(EffectTest, LineFeedsAndTheWrittenBackslashNStartANewLine) {
  MessageArea("■\n■\\n■\r\n■");
  Request(EFFECTtext);
  Tick(7);
  EXPECT_TRUE(CellInked(0, 0));
  EXPECT_TRUE(CellInked(0, kLineStep));
  EXPECT_TRUE(CellInked(0, 2 * kLineStep));
  EXPECT_TRUE(CellInked(0, 3 * kLineStep));
  EXPECT_FALSE(CellInked(kCell, 0));
  EXPECT_FALSE(CellInked(kCell, kLineStep));
  // The two characters are one line end, not a backslash drawn.
  EXPECT_EQ(Record().position, static_cast<int32_t>(std::string("■\n■\\n■\r\n■").size()));
}

TEST_F(EffectTest, AFullPageHaltsBeforeTheNextCharacterAndLaterPagesFollowInTurn) {
  // Exactly one page: every character is drawn (none lost below the area),
  // then the next step halts the record although only the end follows.
  MessageArea(Blocks(kPerPage));
  Request(EFFECTtext);
  Tick(kPerPage);
  for (int k = 0; k < kPerPage; ++k) ASSERT_TRUE(CharInked(k)) << k;
  EXPECT_EQ(Record().flags & kEffectHalted, 0u);
  Tick(1);
  EXPECT_NE(Record().flags & kEffectHalted, 0u);
  Tick(3);
  EXPECT_EQ(Record().position, 2 * kPerPage);
  // The next page is empty: turning to it reaches the end.
  EXPECT_EQ(Redraw(kRedrawNextPage), 0);
  EXPECT_TRUE(Logged("続きﾃﾞｰﾀ見つけた"));
  EXPECT_TRUE(Logged("text_draw() 二枚目表示"));
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_FALSE(CharInked(0));

  // Three pages, told apart by colour: each press shows the next page, the
  // last press's end is reported once.
  owner_log().Clear();
  SetText(Blocks(kPerPage) + "<font_color PALETred>" + Blocks(kPerPage) + "<font_color PALETblue>" + Blocks(3));
  Request(EFFECTtext);
  Tick(kPerPage + 1);
  EXPECT_NE(Record().flags & kEffectPageFull, 0u);
  EXPECT_EQ(Core(0, 0), kWhite);
  EXPECT_EQ(Redraw(kRedrawComplete), 0);
  EXPECT_EQ(Core(0, 0), kRed);
  EXPECT_TRUE(CharInked(kPerPage - 1));
  EXPECT_TRUE(Results(kEventEffectEnded).empty());
  EXPECT_EQ(Redraw(kRedrawComplete), 0);
  EXPECT_EQ(Core(0, 0), MakeColour(0, 0, 220));
  EXPECT_TRUE(CharInked(2));
  EXPECT_FALSE(CharInked(3));
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(Results(kEventEffectEnded)[0].value, 7);
  EXPECT_EQ(Results(kEventEffectEnded)[0].window, play_);
  // Further presses draw the last page again without a second report.
  EXPECT_EQ(Redraw(kRedrawComplete), 0);
  EXPECT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_TRUE(CharInked(2));
}

TEST_F(EffectTest, ASecondRequestReplacesTheFirstAndTypingStartsAgain) {
  MessageArea(Blocks(10));
  Request(EFFECTtext, 1);
  Tick(5);
  EXPECT_TRUE(CharInked(4));
  SetText("<font_color PALETred>" + Blocks(6));
  Request(EFFECTtext, 2);
  EXPECT_TRUE(Logged("EFFECT TASK 要求受付 RestoreWindowによりメッセージウインドウ・クリア"));
  EXPECT_TRUE(Logged("同一ｴﾌｪｸﾄﾃﾞｰﾀが存在するため、古い方を削除します  count rec 1"));
  ASSERT_EQ(Results(kEventEffectReplaced).size(), 1u);
  EXPECT_EQ(Results(kEventEffectReplaced)[0].value, 1);
  EXPECT_EQ(Results(kEventEffectReplaced)[0].window, play_);
  EXPECT_FALSE(CharInked(4));  // cleared at once
  Tick(1);
  EXPECT_EQ(Core(0, 0), kRed);
  EXPECT_FALSE(CharInked(1));
  EXPECT_EQ(Record().id, 2u);

  // Type 6: an id no record has changes nothing; the record's own id makes
  // its text whole-page, so the next tick completes it and reports the end.
  Request(EFFECTmode, 9, kEffectWholePage);
  Tick(1);
  EXPECT_EQ(Record().mode, kEffectTypewriter);
  EXPECT_FALSE(CharInked(2));
  Request(EFFECTmode, 2, kEffectWholePage);
  Tick(1);
  for (int k = 0; k < 6; ++k) EXPECT_TRUE(CharInked(k)) << k;
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(Results(kEventEffectEnded)[0].value, 2);
}

TEST_F(EffectTest, WholePageCallsCompleteRepaintAndEndAOnePageText) {
  MessageArea(Blocks(6));
  Request(EFFECTtext);
  Tick(3);
  // Mode 2 (the area drawn again) repaints as far as it had got.
  ClearWindowMode(play_, WINDOWresave);
  ASSERT_EQ(DrawObject(play_, 110), 0);
  EXPECT_TRUE(Logged("RedrawEffect() mode 2 6"));
  EXPECT_TRUE(CharInked(2));
  EXPECT_FALSE(CharInked(3));
  // Mode 0 (a press) completes the page and reports the end, once.
  EXPECT_EQ(Redraw(kRedrawComplete), 0);
  EXPECT_TRUE(CharInked(5));
  EXPECT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(Redraw(kRedrawComplete), 0);
  EXPECT_EQ(Results(kEventEffectEnded).size(), 1u);
  // The record stays for later repaints, halted.
  EXPECT_NE(Record().flags & kEffectHalted, 0u);
  Tick(2);
  EXPECT_EQ(Record().position, 12);

  // A text that ends with a tag: its repaints read the tag with the end
  // and keep the record; a text cut short of where it had got ends it.
  SetText(Blocks(2) + "<font_color PALETwhite>");
  Request(EFFECTtext, 3);
  Tick(3);
  for (int i = 0; i < 2; ++i) {
    ASSERT_EQ(DrawObject(play_, 110), 0);
    EXPECT_TRUE(CharInked(1));
    ASSERT_NE(FindEffect(object_, EFFECTtext), kNoHandle);
  }
  SetText(Blocks(1));
  ASSERT_EQ(DrawObject(play_, 110), 0);
  EXPECT_EQ(FindEffect(object_, EFFECTtext), kNoHandle);

  // Mode 1 on a one-page text ends it.
  owner_log().Clear();
  SetText(Blocks(2));
  Request(EFFECTtext, 4);
  Tick(1);
  EXPECT_EQ(Redraw(kRedrawNextPage), 0);
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(Results(kEventEffectEnded)[0].value, 4);

  // With the parent closed nothing can be drawn: 1.
  Close(play_);
  EXPECT_EQ(Redraw(kRedrawComplete), 1);
}

TEST_F(EffectTest, AClosedWindowEndsItsEffects) {
  MessageArea(Blocks(6));
  Request(EFFECTtext);
  Tick(2);
  Close(play_);
  Tick(1);
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(FindEffect(object_, EFFECTtext), kNoHandle);
  Tick(1);
  EXPECT_EQ(Results(kEventEffectEnded).size(), 1u);
}

// Every pixel of the window's content, (0, 0) to (width, height).
bool Covered(Handle window, uint32_t colour) {
  const ScreenRect c = ContentRect(window);
  for (int y = c.y; y <= c.y + c.height; ++y) {
    for (int x = c.x; x <= c.x + c.width; ++x) {
      if (Pixel(x, y) != colour) return false;
    }
  }
  return true;
}

TEST_F(EffectTest, TheGridAndTheWipeCoverTheWindowInTheirFrames) {
  const Handle grid = Window("Grid", 20, 20, 100, 60, 0, 0);
  Request(EFFECTgrid, 1, 0, kRed, grid);
  // Lines 20 apart, one pixel further each frame: the twentieth frame
  // covers the window, the twenty-first ends the effect.
  Tick(19);
  EXPECT_FALSE(Covered(grid, kRed));
  Tick(1);
  EXPECT_TRUE(Covered(grid, kRed));
  EXPECT_TRUE(Results(kEventEffectEnded).empty());
  Tick(1);
  ASSERT_EQ(Results(kEventEffectEnded).size(), 1u);
  EXPECT_EQ(Results(kEventEffectEnded)[0].window, grid);
  EXPECT_EQ(Pixel(ContentRect(grid).x + 101, ContentRect(grid).y + 10), 0u);  // nothing outside

  // Wipes in a narrow and a wide window.
  for (const int16_t width : {60, 200}) {
    owner_log().Clear();
    const Handle wipe = Window("Wipe", 10, 100, width, 40, 0, 0);
    Request(EFFECTwipe, 2, 0, kGreen, wipe);
    Tick(1);
    EXPECT_FALSE(Covered(wipe, kGreen)) << width;
    Tick(14);
    EXPECT_TRUE(Results(kEventEffectEnded).empty());
    Tick(1);
    EXPECT_TRUE(Covered(wipe, kGreen)) << width;
    EXPECT_EQ(Results(kEventEffectEnded).size(), 1u);
    Close(wipe);
  }
}

TEST_F(EffectTest, StripsGiveBackTheExactPixelsInFourPasses) {
  const Handle w = Window("Strips", 20, 20, 120, 80, 0, 0);
  const ScreenRect c = ContentRect(w);
  // A pattern no two neighbouring pixels share.
  for (int y = 0; y <= 80; ++y) {
    for (int x = 0; x <= 120; ++x) {
      WinPointColor(w, static_cast<int16_t>(x), static_cast<int16_t>(y),
                    MakeColour(static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x ^ y)));
    }
  }
  const auto pattern = [&](int x, int y) {
    return MakeColour(static_cast<uint8_t>(x * 2), static_cast<uint8_t>(y * 3), static_cast<uint8_t>(x ^ y));
  };
  owner_log().Clear();
  const Handle graphics = SystemResource("Graphic VRAM");
  const int before = Attr(graphics)->active_count;
  // The rectangle (10, 10) 50 x 31: an odd height.
  Request(EFFECTcapture, 5, 0, 0, w, kNoHandle, 10, 10, 50, 31);
  Tick(1);
  EXPECT_EQ(Attr(graphics)->active_count, before + 16);
  Tick(3);  // nothing more happens while it waits
  WinFill(w, kGreen);
  Request(EFFECTrestore, 5, 0, 0, w);
  EXPECT_EQ(FindEffect(kNoHandle, EFFECTcapture), kNoHandle);
  // The first pass, on the fifth tick counted since the capture: strips 0,
  // 4, 8, ...
  Tick(3);
  EXPECT_EQ(Pixel(c.x + 10, c.y + 10), kGreen);
  Tick(1);
  EXPECT_EQ(Pixel(c.x + 10, c.y + 10), pattern(10, 10));
  EXPECT_EQ(Pixel(c.x + 59, c.y + 11), pattern(59, 11));
  EXPECT_EQ(Pixel(c.x + 10, c.y + 12), kGreen);
  EXPECT_EQ(Pixel(c.x + 10, c.y + 18), pattern(10, 18));
  Tick(15);
  for (int y = 10; y < 41; ++y) {
    for (int x = 10; x < 60; ++x) ASSERT_EQ(Pixel(c.x + x, c.y + y), pattern(x, y)) << x << "," << y;
  }
  EXPECT_EQ(Pixel(c.x + 60, c.y + 20), kGreen);
  EXPECT_EQ(Pixel(c.x + 20, c.y + 41), kGreen);  // below the rectangle
  EXPECT_EQ(FindEffect(kNoHandle, EFFECTrestore), kNoHandle);
  EXPECT_EQ(Attr(graphics)->active_count, before);
  EXPECT_TRUE(Results(kEventEffectEnded).empty());

  // A restore without a capture simply ends, drawing nothing.
  WinFill(w, kRed);
  Request(EFFECTrestore, 6, 3, 0, w);
  ASSERT_NE(FindEffect(kNoHandle, EFFECTrestore), kNoHandle);
  Tick(5);
  EXPECT_EQ(FindEffect(kNoHandle, EFFECTrestore), kNoHandle);
  EXPECT_TRUE(Covered(w, kRed));
  EXPECT_TRUE(Results(kEventEffectEnded).empty());
  EXPECT_TRUE(Results(kEventEffectReplaced).empty());
}

TEST_F(EffectTest, HoldingCtrlTypesOneMoreCharacterEachCycle) {
  MessageArea(Blocks(20));
  Request(EFFECTtext);
  Tick(1);
  HostSetForeground(true);
  HostSetModifiers(kModControl);
  for (int i = 0; i < 5; ++i) Cycle();
  HostSetModifiers(0);
  Settle(5);
  EXPECT_EQ(Record().position, 12);
  EXPECT_TRUE(CharInked(5));
  EXPECT_FALSE(CharInked(6));
}

// The engine's own ticks: EventTask sends one each 125 ms of clock time.
class EffectClockTest : public EffectTest {
 protected:
  void SetUp() override {
    clock_.RunLocalTime(true);
    EffectTest::SetUp();
  }
  void RunUntil(uint64_t ms) {
    while (clock_.NowMs() < ms) Cycle();
  }
};

TEST_F(EffectClockTest, APageOfNCharactersTakesNEighthsOfASecond) {
  MessageArea(Blocks(20));
  // Start half way between two ticks (the local time started on a mark).
  RunUntil(clock_.NowMs() + 125 - clock_.NowMs() % 125 + 62);
  const uint64_t start = clock_.NowMs();
  EffectRequest q;
  q.type = EFFECTtext;
  q.colour = kWhite;
  q.window = play_;
  q.object = object_;
  ASSERT_EQ(SendEffectRequest(TaskNumber(owner()), q), 0);
  RunUntil(start + 1000);
  EXPECT_EQ(Record().position, 2 * 8);
  EXPECT_TRUE(CharInked(7));
  EXPECT_FALSE(CharInked(8));
  RunUntil(start + 2000);
  EXPECT_EQ(Record().position, 2 * 16);
  EXPECT_TRUE(CharInked(15));
  EXPECT_FALSE(CharInked(16));
}

}  // namespace
}  // namespace vadu
