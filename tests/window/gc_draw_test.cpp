// The window layer's drawing helpers: bevels, frames, panels, the ramp bar
// and the clipped window-relative calls they draw through.
#include "window/gc_draw.h"

#include <gtest/gtest.h>

#include "kernel/gc.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "support/game_dir.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr uint32_t kBlack = 0;

class GCDrawTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Screen().Resize(320, 240);
    OpenDevice(320, 240);
    BuildColourTable();
  }
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

TEST_F(GCDrawTest, RampBarBandsOverlapByOneColumn) {
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

TEST_F(GCDrawTest, BevelContentPaintsFaceAndBands) {
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

TEST_F(GCDrawTest, SunkenFrameAndRaisedPanelEdges) {
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

TEST_F(GCDrawTest, WindowDrawingIsClippedAndNeedsADrawableWindow) {
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
