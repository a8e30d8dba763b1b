#include "kernel/gc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/font.h"
#include "kernel/state.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "support/game_dir.h"
#include "window/window.h"

namespace vadu {
namespace {

std::vector<std::string> g_boxes;
void CaptureBox(const char* text) {
  g_boxes.emplace_back(text);
}

constexpr uint32_t kBlack = 0;

class GCTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_boxes.clear();
    SetMessageBoxHandler(CaptureBox);
    Screen().Resize(320, 240);
    OpenDevice(320, 240);
    BuildColourTable();
  }
  void Settings(const std::string& ini) { test::WriteFile("VADU.ini", ini); }
  // A drawable window of the given content size at (x, y) on the screen, with
  // a GC of face 1, light 2, shadow 3 and the initial ramp.
  static Handle Window(int16_t x, int16_t y, int16_t w, int16_t h) {
    const Handle win = CreateWindow(kNoHandle, kNoHandle, w, h, WINDOWdrawable | WINDOWopen);
    WindowRecord* v = WindowView(win);
    v->x = x;
    v->y = y;
    const Handle gc = CreateGC(kNoHandle, 0, MakeColour(1, 1, 1), MakeColour(2, 2, 2), MakeColour(3, 3, 3));
    WindowView(win)->gc = gc;
    return win;
  }
};

TEST_F(GCTest, StartupFontsAndTheDefaultFont) {
  Settings("FONT_SIZEX 16\nFONT_SIZEY 18\nFONT1_SIZEX 24\nFONT1_SIZEY 26\nFONT3_SIZEX 12\nDEFAULT_FONT 3\n");
  ASSERT_TRUE(CreateStartupFonts());
  const FontRecord* f1 = FontView(StartupFont(1));
  ASSERT_NE(f1, nullptr);
  EXPECT_EQ(f1->number, 1);
  EXPECT_EQ(f1->style, kFontOnePiece);
  EXPECT_EQ(f1->width, 24);
  EXPECT_EQ(f1->height, 26);
  // Missing sizes take the system font's.
  const FontRecord* f2 = FontView(StartupFont(2));
  EXPECT_EQ(f2->width, 16);
  EXPECT_EQ(f2->height, 18);
  EXPECT_EQ(f2->style, 0);
  EXPECT_EQ(FontView(StartupFont(3))->width, 12);
  EXPECT_EQ(FontView(StartupFont(3))->height, 18);
  EXPECT_EQ(FontView(SystemFont())->number, 0);
  EXPECT_EQ(DefaultFont(), StartupFont(3));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_EQ(GCView(CreateGC(kNoHandle, 0, 0, 0, 0))->font, StartupFont(3));
  FontSpec spec;
  ASSERT_TRUE(FontSpecOf(StartupFont(1), spec));
  EXPECT_EQ(spec.identity, StartupFont(1));
  EXPECT_EQ(spec.width, 24);
  EXPECT_FALSE(FontSpecOf(kNoHandle, spec));
}

TEST_F(GCTest, DefaultFontOutsideOneToThreeFallsBackToFontTwo) {
  for (const char* ini : {"DEFAULT_FONT 4\n", "DEFAULT_FONT 0\n", ""}) {
    SCOPED_TRACE(ini);
    g_boxes.clear();
    Settings(ini);
    ASSERT_TRUE(CreateStartupFonts());
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "指定フォント異常");
    EXPECT_EQ(DefaultFont(), StartupFont(2));
    EXPECT_EQ(GCView(CreateGC(kNoHandle, 0, 0, 0, 0))->font, StartupFont(2));
  }
}

TEST_F(GCTest, NewGCHasItsInitialValues) {
  Settings("DEFAULT_FONT 1\n");
  CreateStartupFonts();
  const Handle gc = CreateGC(kNoHandle, 5, 6, 7, 8);
  const GCRecord* g = GCView(gc);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->flags, 0);
  EXPECT_EQ(g->text, 5u);
  EXPECT_EQ(g->face, 6u);
  EXPECT_EQ(g->light, 7u);
  EXPECT_EQ(g->shadow, 8u);
  EXPECT_EQ(g->font, StartupFont(1));
  EXPECT_EQ(g->value32, 0xFFFFu);
  EXPECT_EQ(g->value36, 1);
  EXPECT_EQ(g->background, kNoHandle);
  EXPECT_EQ(g->ramp[0], MakeColour(50, 150, 20));
  EXPECT_EQ(g->ramp[8], MakeColour(50, 150, 160));
  EXPECT_EQ(g->ramp[15], MakeColour(50, 190, 230));

  SwapBevel(gc);
  EXPECT_EQ(GCView(gc)->light, 8u);
  EXPECT_EQ(GCView(gc)->shadow, 7u);
  SetGCColours(gc, 1, 2, 3);
  SetGCTextColour(gc, 4);
  SetGCFont(gc, StartupFont(2));
  EXPECT_EQ(GCView(gc)->face, 1u);
  EXPECT_EQ(GCView(gc)->shadow, 3u);
  EXPECT_EQ(GCView(gc)->text, 4u);
  EXPECT_EQ(GCView(gc)->font, StartupFont(2));
  // A handle that is not a GC is left alone.
  SetGCTextColour(StartupFont(2), 9);
  EXPECT_EQ(FontView(StartupFont(2))->number, 2);
}

TEST_F(GCTest, SystemAndActiveGCsForEveryColourMode) {
  struct Case {
    int16_t use_color;
    const char* word;
    uint32_t face, light, shadow;  // of the active GC; 0xFFFFFFFF: the system GC itself
  };
  const uint32_t kSame = 0xFFFFFFFF;
  const Case cases[] = {
      {1, "GREEN", 8, 12, 4},
      {1, "BLUE", 5, 9, 1},
      {1, "PINK", 7, 11, 3},
      {1, "RED", 6, 10, 2},
      {1, nullptr, 6, 10, 2},
      {3, "GREEN", MakeColour(100, 200, 100), MakeColour(150, 250, 150), MakeColour(50, 100, 50)},
      {3, "RED", MakeColour(200, 100, 100), MakeColour(250, 150, 150), MakeColour(100, 50, 50)},
      {3, "BLUE", MakeColour(100, 100, 200), MakeColour(150, 150, 250), MakeColour(50, 50, 100)},
      {3, "WHITE", MakeColour(230, 230, 230), ColourTable[1], MakeColour(160, 160, 160)},
      {3, "YELLOW", MakeColour(210, 210, 0), MakeColour(250, 250, 60), MakeColour(140, 140, 0)},
      {3, "PURPLE", MakeColour(210, 110, 210), MakeColour(250, 150, 250), MakeColour(150, 60, 150)},
      {3, "BLUEGREEN", MakeColour(100, 200, 100), MakeColour(150, 250, 150), MakeColour(50, 100, 50)},
      {3, "PINK", ColourTable[17], ColourTable[18], ColourTable[19]},
      {0, "GREEN", kSame, kSame, kSame},
      {2, "PINK", kSame, kSame, kSame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.use_color) + " " + (c.word ? c.word : "(none)"));
    Settings(c.word ? std::string("ACTIVE_COLOR ") + c.word + "\n" : "");
    Kernel.use_color = c.use_color;
    ASSERT_TRUE(CreateSystemGCs());
    const GCRecord* s = GCView(SystemGC());
    ASSERT_NE(s, nullptr);
    if (c.use_color == 1) {
      EXPECT_EQ(s->face, 8u);
      EXPECT_EQ(s->light, 12u);
      EXPECT_EQ(s->shadow, 4u);
    } else {
      EXPECT_EQ(s->face, ColourTable[17]);
      EXPECT_EQ(s->light, ColourTable[18]);
      EXPECT_EQ(s->shadow, ColourTable[19]);
    }
    EXPECT_EQ(s->text, 0u);
    if (c.face == kSame) {
      EXPECT_EQ(ActiveGC(), SystemGC());
      continue;
    }
    ASSERT_NE(ActiveGC(), SystemGC());
    const GCRecord* a = GCView(ActiveGC());
    EXPECT_EQ(a->face, c.face);
    EXPECT_EQ(a->light, c.light);
    EXPECT_EQ(a->shadow, c.shadow);
    EXPECT_EQ(a->text, 0u);
  }
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(GCTest, RampBarBandsOverlapByOneColumn) {
  const Handle win = Window(20, 30, 100, 40);
  // Width 40: bands 2 pixels apart, 3 columns each, the bar ends at x + 32.
  EXPECT_EQ(RampBar(win, 10, 5, 40, 8), 1);
  const GCRecord* g = GCView(GetWindowGC(win));
  const int x0 = 20 + 10, y0 = 30 + 5;
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(GetDot(x0 + 2 * i, y0), g->ramp[i]);
    EXPECT_EQ(GetDot(x0 + 2 * i + 1, y0 + 8), g->ramp[i]);
  }
  EXPECT_EQ(GetDot(x0 + 32, y0), g->ramp[15]);
  EXPECT_EQ(GetDot(x0 + 33, y0), kBlack);
  EXPECT_EQ(GetDot(x0, y0 + 9), kBlack);
  EXPECT_EQ(GetDot(x0 - 1, y0), kBlack);

  // Narrower than 16: every band is one column at x, the last one shows.
  EXPECT_EQ(RampBar(win, 60, 20, 15, 2), 1);
  EXPECT_EQ(GetDot(20 + 60, 30 + 20), GCView(GetWindowGC(win))->ramp[15]);
  EXPECT_EQ(GetDot(20 + 61, 30 + 20), kBlack);
}

TEST_F(GCTest, BevelContentPaintsFaceAndBands) {
  const Handle win = Window(100, 100, 20, 10);
  const Handle gc = GetWindowGC(win);
  ASSERT_EQ(BevelContent(win, 2, gc), 0);
  const uint32_t face = MakeColour(1, 1, 1), light = MakeColour(2, 2, 2), shadow = MakeColour(3, 3, 3);
  struct Pixel {
    int x, y;
    uint32_t colour;
  };
  // W = 18, H = 8: light (0,0)-(18,2) and (0,0)-(2,8); shadow (0,8)-(18,10)
  // and (18,2)-(20,10); the rest of (0,0)-(20,10) is face.
  const Pixel pixels[] = {
      {10, 5, face},    {0, 0, light},    {18, 1, light},   {2, 7, light}, {1, 8, shadow},
      {10, 10, shadow}, {18, 5, shadow},  {20, 10, shadow}, {19, 1, face}, {20, 0, face},
      {21, 5, kBlack},  {10, 11, kBlack}, {-1, 0, kBlack},
  };
  for (const Pixel& p : pixels) {
    EXPECT_EQ(GetDot(static_cast<int16_t>(100 + p.x), static_cast<int16_t>(100 + p.y)), p.colour) << p.x << "," << p.y;
  }
  EXPECT_EQ(BevelContent(win, 2, kNoHandle), 1);
  EXPECT_EQ(BevelContent(kNoHandle, 2, gc), 1);
}

TEST_F(GCTest, SunkenFrameAndRaisedPanelEdges) {
  const Handle win = Window(10, 10, 30, 20);
  const Handle gc = GetWindowGC(win);
  const uint32_t face = MakeColour(1, 1, 1), light = MakeColour(2, 2, 2), shadow = MakeColour(3, 3, 3);
  ASSERT_EQ(SunkenFrame(win, 2, 3, gc), 0);
  // Frame from (2, 3) to (28, 17): shadow top and left, light bottom and right.
  EXPECT_EQ(GetDot(10 + 5, 10 + 3), shadow);
  EXPECT_EQ(GetDot(10 + 2, 10 + 10), shadow);
  EXPECT_EQ(GetDot(10 + 5, 10 + 17), light);
  EXPECT_EQ(GetDot(10 + 28, 10 + 10), light);

  const Handle win2 = Window(100, 10, 40, 30);
  RaisedPanel(win2, 0, 0, 40, 30, GetWindowGC(win2));
  EXPECT_EQ(GetDot(100 + 10, 10 + 0), light);    // top edge
  EXPECT_EQ(GetDot(100 + 10, 10 + 1), face);     // face band
  EXPECT_EQ(GetDot(100 + 10, 10 + 4), shadow);   // inner groove
  EXPECT_EQ(GetDot(100 + 10, 10 + 30), shadow);  // bottom edge
  EXPECT_EQ(GetDot(100 + 0, 10 + 10), light);    // left edge
  EXPECT_EQ(GetDot(100 + 40, 10 + 10), shadow);  // right edge
}

TEST_F(GCTest, WindowDrawingIsClippedAndNeedsADrawableWindow) {
  const Handle win = Window(50, 50, 10, 10);
  // Filled rectangles are cut at the content area, on every side.
  WinFillRectangleColor(win, -5, -5, 30, 30, MakeColour(9, 9, 9));
  EXPECT_EQ(GetDot(50, 50), MakeColour(9, 9, 9));
  EXPECT_EQ(GetDot(60, 60), MakeColour(9, 9, 9));
  EXPECT_EQ(GetDot(49, 55), kBlack);
  EXPECT_EQ(GetDot(55, 49), kBlack);
  EXPECT_EQ(GetDot(61, 55), kBlack);
  // Beyond the far edge: refused.
  WinFillRectangleColor(win, 11, 0, 2, 2, MakeColour(8, 8, 8));
  EXPECT_EQ(GetDot(61, 50), kBlack);
  // Lines are clamped into the content area.
  WinLineColor(win, -20, 3, 50, 3, MakeColour(7, 7, 7));
  EXPECT_EQ(GetDot(50, 53), MakeColour(7, 7, 7));
  EXPECT_EQ(GetDot(59, 53), MakeColour(7, 7, 7));
  EXPECT_EQ(GetDot(49, 53), kBlack);

  WindowView(win)->mode &= ~WINDOWdrawable;
  WinFill(win, MakeColour(6, 6, 6));
  EXPECT_EQ(RampBar(win, 0, 0, 40, 4), 1);
  EXPECT_EQ(GetDot(55, 55), MakeColour(9, 9, 9));
}

}  // namespace
}  // namespace vadu
