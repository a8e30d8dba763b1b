// Window-relative drawing: the position rules of each operation, checked on
// the framebuffer's pixels. Text placement is compared with the same text
// drawn at a known position (glyphs are anti-aliased), never glyph shapes.
#include "window/draw.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/dialog_seam.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "support/game_dir.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kScreenW = 320, kScreenH = 240;
const uint32_t kBackground = MakeColour(90, 90, 90);
const uint32_t kInk = MakeColour(250, 10, 10);
const uint32_t kTextColour = MakeColour(10, 250, 10);

std::vector<std::pair<Handle, int>> g_errors;

class DrawTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Screen().Resize(kScreenW, kScreenH);
    OpenDevice(kScreenW, kScreenH);
    BuildColourTable();
    font_ = CreateFont(16, 16, 0, nullptr);
    g_errors.clear();
    DialogHandlers h;
    h.error = [](Handle task, int number, const char*) { g_errors.emplace_back(task, number); };
    SetDialogHandlers(h);
    Clear();
  }
  void TearDown() override {
    SetDialogHandlers(DialogHandlers{});
    EngineTest::TearDown();
  }
  static void Clear() { FillBox(0, 0, kScreenW - 1, kScreenH - 1, kBackground); }
  // A GC with the 16 x 16 font: text colour kTextColour, face, light and
  // shadow 1, 2, 3.
  Handle MakeGC() const {
    const Handle gc = CreateGC(kNoHandle, kTextColour, MakeColour(1, 1, 1), MakeColour(2, 2, 2), MakeColour(3, 3, 3));
    SetGCFont(gc, font_);
    return gc;
  }
  // A drawable window with its content at (x, y) on the screen.
  Handle Window(int16_t x, int16_t y, int16_t w, int16_t h) const {
    const Handle win = CreateWindow(kNoHandle, kNoHandle, w, h, WINDOWdrawable | WINDOWopen);
    const Handle gc = MakeGC();
    WindowRecord* v = WindowView(win);
    v->x = x;
    v->y = y;
    v->gc = gc;
    v->owner = kOwner;
    return win;
  }
  static uint32_t At(int x, int y) { return GetDot(static_cast<int16_t>(x), static_cast<int16_t>(y)); }
  // The pixels that changed since `before`, outside the inclusive box.
  static int ChangedOutside(const std::vector<uint32_t>& before, int x0, int y0, int x1, int y1) {
    const std::vector<uint32_t> now = Screen().Snapshot();
    int changed = 0;
    for (int y = 0; y < kScreenH; ++y) {
      for (int x = 0; x < kScreenW; ++x) {
        const bool inside = x >= x0 && x <= x1 && y >= y0 && y <= y1;
        if (!inside && now[y * kScreenW + x] != before[y * kScreenW + x]) ++changed;
      }
    }
    return changed;
  }
  static int ChangedPixels(const std::vector<uint32_t>& before) { return ChangedOutside(before, 0, 0, -1, -1); }
  // Columns [left, right] of the ink (pixels not background), or right < 0.
  static std::pair<int, int> InkColumns() {
    const std::vector<uint32_t> px = Screen().Snapshot();
    int left = kScreenW, right = -1;
    for (int y = 0; y < kScreenH; ++y) {
      for (int x = 0; x < kScreenW; ++x) {
        if (px[y * kScreenW + x] == kBackground) continue;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    return {left, right};
  }

  static constexpr Handle kOwner = 4321;
  Handle font_ = kNoHandle;
};

TEST_F(DrawTest, AWindowThatIsNotDrawableIgnoresEveryCall) {
  const Handle closed = Window(20, 20, 100, 60);
  WindowView(closed)->mode &= ~WINDOWdrawable;
  const Handle gc = GetWindowGC(closed);
  const std::string long_text(1100, 'x');
  const std::vector<uint32_t> before = Screen().Snapshot();
  for (Handle win : {closed, kNoHandle, Handle{99999}}) {
    WinPoint(win, 5, 5);
    WinPointColor(win, 5, 5, kInk);
    WinLine(win, 0, 0, 50, 50);
    WinLineColor(win, 0, 0, 50, 50, kInk);
    WinRectangle(win, 1, 1, 10, 10);
    WinRectangleColor(win, 1, 1, 10, 10, kInk);
    WinFillRectangle(win, 1, 1, 10, 10);
    WinFillRectangleColor(win, 1, 1, 10, 10, kInk);
    WinFill(win, kInk);
    WinMessage(win, 5, 5, "text");
    WinMessageColor(win, 5, 5, "text", kInk);
    WinMessageGC(win, 5, 5, "text", gc);
    WinCenterMessage(win, 5, "text", gc);
    WinMessage(win, 5, 5, long_text.c_str());  // not even reported
  }
  EXPECT_EQ(ChangedPixels(before), 0);
  EXPECT_TRUE(g_errors.empty());
  EXPECT_EQ(GetWindowGC(closed), gc);
}

TEST_F(DrawTest, PointsLinesAndRectanglesFollowTheirPositionRules) {
  const Handle win = Window(40, 30, 100, 50);
  // A point at x = width (one past the last column) is drawn; width + 1 and
  // negative positions are refused.
  WinPointColor(win, 100, 10, kInk);
  WinPointColor(win, 101, 10, kInk);
  WinPointColor(win, 10, 50, kInk);
  WinPointColor(win, 10, 51, kInk);
  WinPointColor(win, -1, 10, kInk);
  WinPoint(win, 20, 20);  // the plain form: the gc's text colour
  EXPECT_EQ(At(140, 40), kInk);
  EXPECT_EQ(At(141, 40), kBackground);
  EXPECT_EQ(At(50, 80), kInk);
  EXPECT_EQ(At(50, 81), kBackground);
  EXPECT_EQ(At(39, 40), kBackground);
  EXPECT_EQ(At(60, 50), kTextColour);

  // An outline at a negative x is refused; a fill at a negative x is drawn,
  // cut at the content's left edge.
  Clear();
  WinRectangleColor(win, -1, 5, 20, 10, kInk);
  WinRectangleColor(win, 5, -1, 20, 10, kInk);
  EXPECT_EQ(InkColumns().second, -1);
  WinFillRectangleColor(win, -5, 5, 20, 10, kInk);
  EXPECT_EQ(At(40, 35), kInk);
  EXPECT_EQ(At(40 + 15, 45), kInk);
  EXPECT_EQ(At(40 + 16, 35), kBackground);
  EXPECT_EQ(At(39, 35), kBackground);

  // An outline reaching past the right and bottom edges is drawn cut there.
  Clear();
  WinRectangleColor(win, 80, 40, 50, 30, kInk);
  EXPECT_EQ(At(40 + 80, 30 + 40), kInk);
  EXPECT_EQ(At(40 + 100, 30 + 45), kInk) << "the right side at the edge";
  EXPECT_EQ(At(40 + 90, 30 + 50), kInk) << "the bottom side at the edge";
  EXPECT_EQ(At(40 + 101, 30 + 40), kBackground);
  EXPECT_EQ(At(40 + 90, 30 + 51), kBackground);
  EXPECT_EQ(At(40 + 90, 30 + 45), kBackground) << "an outline, not a fill";

  // A line with both end points outside runs between the clamped points.
  Clear();
  WinLineColor(win, -30, 20, 500, 20, kInk);
  EXPECT_EQ(At(40, 50), kInk);
  EXPECT_EQ(At(40 + 99, 50), kInk);
  EXPECT_EQ(At(40 + 100, 50), kBackground) << "the clamped end point itself is not set";
  EXPECT_EQ(At(39, 50), kBackground);
  Clear();
  WinLineColor(win, -100, -100, 200, 200, kInk);  // clamped to (0, 0)-(100, 50)
  EXPECT_EQ(At(40, 30), kInk);
  EXPECT_EQ(At(40 + 98, 30 + 49), kInk);
  EXPECT_EQ(At(40 + 50, 30 + 50), kBackground) << "not the unclamped diagonal";
  EXPECT_EQ(At(40 + 25, 30 + 25), kBackground);
}

TEST_F(DrawTest, NothingIsDrawnOutsideTheContentWhateverTheArguments) {
  const Handle win = Window(100, 80, 60, 40);
  const Handle gc = GetWindowGC(win);
  const int16_t v[] = {INT16_MIN, -1000, -17, -1, 0, 7, 39, 40, 41, 59, 60, 61, 1000, INT16_MAX};
  const std::vector<uint32_t> before = Screen().Snapshot();
  for (int16_t a : v) {
    for (int16_t b : v) {
      WinPointColor(win, a, b, kInk);
      WinLineColor(win, a, b, b, a, kInk);
      WinRectangleColor(win, a, b, a, b, kInk);
      WinRectangleColor(win, 0, 0, a, b, kInk);
      WinFillRectangleColor(win, a, b, b, a, kInk);
      WinFillRectangleColor(win, a, a, b, b, kInk);
      WinMessageColor(win, a, b, "Wg\x88\x9F", kInk);
      WinMessageGC(win, a, b, "\x88\x9FWg", gc);
    }
    WinCenterMessage(win, a, "\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F", gc);
  }
  EXPECT_EQ(ChangedOutside(before, 100, 80, 160, 120), 0);

  // A window whose content reaches far beyond the screen: x from 200 to
  // 32967, y from -768 to 31999.
  const Handle far = Window(INT16_MAX, INT16_MIN, INT16_MAX, INT16_MAX);
  WindowView(far)->origin_x = 200 - INT16_MAX;
  WindowView(far)->origin_y = 32000;
  for (int16_t a : v) {
    WinFillRectangleColor(far, a, a, INT16_MAX, INT16_MAX, kInk);
    WinLineColor(far, a, INT16_MIN, INT16_MAX, a, kInk);
    WinMessageColor(far, a, a, "far", kInk);
  }
  for (int y = 0; y < kScreenH; ++y) EXPECT_EQ(At(199, y), kBackground) << y;
  EXPECT_EQ(At(200, 0), kInk);
  EXPECT_EQ(At(319, 239), kInk);
}

TEST_F(DrawTest, TextsUpTo1024BytesAreDrawnLongerOnesReported) {
  const Handle win = Window(10, 10, 300, 100);
  const std::string exact(1024, 'W');
  WinMessageColor(win, 0, 0, exact.c_str(), kInk);
  EXPECT_TRUE(g_errors.empty());
  EXPECT_NE(InkColumns().second, -1);

  Clear();
  const std::string over(1025, 'W');
  WinMessageColor(win, 0, 0, over.c_str(), kInk);
  WinMessageGC(win, 0, 0, over.c_str(), GetWindowGC(win));
  WinCenterMessage(win, 0, over.c_str(), GetWindowGC(win));
  ASSERT_EQ(g_errors.size(), 3u);
  for (const auto& [task, number] : g_errors) {
    EXPECT_EQ(task, kOwner);
    EXPECT_EQ(number, 78);
  }
  EXPECT_EQ(InkColumns().second, -1) << "nothing drawn";
}

TEST_F(DrawTest, TextNeedsRoomAndIsCutOnCharacterBoundaries) {
  const Handle win = Window(20, 20, 100, 60);
  auto drawn = [&](int16_t x, int16_t y, const char* text) {
    Clear();
    WinMessageColor(win, x, y, text, kInk);
    return Screen().Snapshot();
  };
  // Room right of x = 4 is 96 pixels: 12 half-width cells. Eleven one-byte
  // characters and a two-byte one need 13: the two-byte one is left out
  // whole, not split.
  EXPECT_EQ(drawn(4, 10, "abcdefghijk\x82\xA0"), drawn(4, 10, "abcdefghijk"));
  EXPECT_NE(drawn(4, 10, "abcdefghij\x82\xA0"), drawn(4, 10, "abcdefghij")) << "12 cells fit";
  // Two-byte characters are two cells wide: six of them fill the room.
  EXPECT_EQ(drawn(4, 10, "\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F"),
            drawn(4, 10, "\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F"));
  drawn(4, 10, "\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F\x88\x9F");
  EXPECT_LE(InkColumns().second, 20 + 100);

  // At least one half-width cell of room, and the whole character height.
  const std::vector<uint32_t> blank = drawn(0, 0, "");
  EXPECT_NE(drawn(92, 10, "A"), blank);
  EXPECT_EQ(drawn(93, 10, "A"), blank);
  EXPECT_EQ(drawn(101, 10, "A"), blank);
  EXPECT_NE(drawn(10, 44, "A"), blank);
  EXPECT_EQ(drawn(10, 45, "A"), blank);
  // With a given gc a whole full-width cell of room is needed.
  Clear();
  WinMessageGC(win, 85, 10, "A", GetWindowGC(win));
  EXPECT_EQ(Screen().Snapshot(), blank);
  WinMessageGC(win, 84, 10, "A", GetWindowGC(win));
  const std::vector<uint32_t> gc_text = Screen().Snapshot();
  EXPECT_NE(gc_text, blank);
  Clear();
  WinMessage(win, 84, 10, "A");  // the plain form: the gc's text colour
  EXPECT_EQ(Screen().Snapshot(), gc_text);
}

TEST_F(DrawTest, CentredTextIsCentredByItsWidthInCells) {
  const Handle win = Window(20, 20, 200, 60);
  const Handle gc = GetWindowGC(win);
  const uint32_t face = MakeColour(1, 1, 1), light = MakeColour(2, 2, 2);
  auto centred = [&](const char* text, Handle with) {
    Clear();
    WinCenterMessage(win, 10, text, with);
    return Screen().Snapshot();
  };
  auto at = [&](int16_t x, const char* text) {
    Clear();
    WinMessageColor(win, x, 10, text, face);
    return Screen().Snapshot();
  };
  // Four one-byte characters, 32 pixels: x = 100 - 16.
  EXPECT_EQ(centred("ABCD", gc), at(84, "ABCD"));
  EXPECT_FALSE(Logged("WinCenterMessage() in 2byte charcter"));
  // Three two-byte characters, 48 pixels: x = 100 - 24, centred as well.
  EXPECT_EQ(centred("\x88\x9F\x88\x9F\x88\x9F", gc), at(76, "\x88\x9F\x88\x9F\x88\x9F"));
  EXPECT_TRUE(Logged("WinCenterMessage() in 2byte charcter"));
  const auto [left, right] = InkColumns();
  EXPECT_NEAR((left + right) / 2.0, 20 + 100, 3.0);
  // Too wide to centre: x is at least 1.
  EXPECT_EQ(centred("ABCDEFGHIJKLMNOPQRSTUVWXYZ", gc), at(1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ"));

  // Embossed: once more one pixel up and left in the light colour, with the
  // given gc standing in for the window's own only during the call.
  const Handle embossed = MakeGC();
  GCView(embossed)->flags |= kGCEmbossed;
  const std::vector<uint32_t> got = centred("ABCD", embossed);
  Clear();
  WinMessageColor(win, 84, 10, "ABCD", face);
  WinMessageColor(win, 83, 9, "ABCD", light);
  EXPECT_EQ(got, Screen().Snapshot());
  EXPECT_EQ(GetWindowGC(win), gc);
}

// A picture of gw x gh pixels whose every pixel tells where it came from.
uint32_t PicturePixel(int x, int y) {
  return MakeColour(static_cast<uint8_t>(10 + x * 7), static_cast<uint8_t>(10 + y * 9), 200);
}

class GraphicDrawTest : public DrawTest {
 protected:
  // A graphic holding PicturePixel, made through the screen.
  static Handle Picture(int gw, int gh) {
    const Handle g = CreateGraphic(kNoHandle, static_cast<int16_t>(gw), static_cast<int16_t>(gh));
    for (int y = 0; y < gh; ++y) {
      for (int x = 0; x < gw; ++x) SetDot(static_cast<int16_t>(x), static_cast<int16_t>(y), PicturePixel(x, y));
    }
    EXPECT_EQ(GraphicSave(0, 0, static_cast<int16_t>(gw - 1), static_cast<int16_t>(gh - 1), g), 0);
    Clear();
    return g;
  }
};

TEST_F(GraphicDrawTest, TilingCoversTheContentWithWholeCopiesAndStrips) {
  const Handle small = Picture(10, 7);
  const Handle win = Window(50, 40, 35, 23);
  const std::vector<uint32_t> before = Screen().Snapshot();
  ASSERT_EQ(WinTileGraphic(win, small), 0);
  // Three by three whole copies, a right strip 5 wide, a bottom strip 2
  // high and their corner: every pixel of (0, 0)-(34, 22) is the picture's
  // pixel at (x mod 10, y mod 7); the far edges stay as they were.
  for (int y = 0; y <= 23; ++y) {
    for (int x = 0; x <= 35; ++x) {
      const uint32_t want = x < 35 && y < 23 ? PicturePixel(x % 10, y % 7) : kBackground;
      ASSERT_EQ(At(50 + x, 40 + y), want) << x << "," << y;
    }
  }
  EXPECT_EQ(ChangedOutside(before, 50, 40, 84, 62), 0);

  // A graphic larger than the content in either direction: 1, nothing drawn.
  Clear();
  const Handle wide = Picture(36, 5), tall = Picture(5, 24);
  const std::vector<uint32_t> clear = Screen().Snapshot();
  EXPECT_EQ(WinTileGraphic(win, wide), 1);
  EXPECT_EQ(WinTileGraphic(win, tall), 1);
  EXPECT_EQ(ChangedPixels(clear), 0);
  // Exactly the content's size: one whole copy.
  const Handle fits = Picture(35, 23);
  EXPECT_EQ(WinTileGraphic(win, fits), 0);
  EXPECT_EQ(At(50 + 34, 40 + 22), PicturePixel(34, 22));
  // No window, no graphic, not drawable.
  EXPECT_EQ(WinTileGraphic(kNoHandle, small), 1);
  EXPECT_EQ(WinTileGraphic(win, kNoHandle), 1);
  WindowView(win)->mode &= ~WINDOWdrawable;
  EXPECT_EQ(WinTileGraphic(win, small), 1);
}

TEST_F(GraphicDrawTest, PicturesAreCutToTheContentArea) {
  const Handle picture = Picture(30, 30);
  const Handle win = Window(100, 100, 20, 10);
  const std::vector<uint32_t> before = Screen().Snapshot();

  // A load reaching past every edge: the content shows the picture from
  // (5, 3) on, up to the far edge (20, 10) inclusive.
  EXPECT_EQ(WinGraphicLoad(win, -5, -3, 29, 29, picture), 0);
  EXPECT_EQ(At(100, 100), PicturePixel(5, 3));
  EXPECT_EQ(At(120, 110), PicturePixel(25, 13));
  EXPECT_EQ(ChangedOutside(before, 100, 100, 120, 110), 0);

  // Plain draws end before the far edge (x + w <= width).
  Clear();
  EXPECT_EQ(WinDrawGraphic(win, 15, 2, 30, 30, picture), 1);
  EXPECT_EQ(At(115, 102), PicturePixel(0, 0));
  EXPECT_EQ(At(119, 109), PicturePixel(4, 7));
  EXPECT_EQ(ChangedOutside(before, 115, 102, 119, 109), 0);
  Clear();
  WinDrawGraphicPart(win, -2, 0, 10, 10, 4, 6, picture);
  EXPECT_EQ(At(100, 100), PicturePixel(6, 6));
  EXPECT_EQ(At(107, 109), PicturePixel(13, 15));
  EXPECT_EQ(ChangedOutside(before, 100, 100, 107, 109), 0);
  Clear();
  WinShowPicture(picture, win, 12, 4);
  EXPECT_EQ(At(112, 104), PicturePixel(0, 0));
  EXPECT_EQ(At(119, 109), PicturePixel(7, 5));
  EXPECT_EQ(ChangedOutside(before, 112, 104, 119, 109), 0);
  Clear();
  WinDrawGraphicStretch(win, -10, -10, 100, 100, 30, 30, picture);
  EXPECT_EQ(ChangedOutside(before, 100, 100, 119, 109), 0);
  EXPECT_NE(At(100, 100), kBackground);

  // Missing window, graphic or drawability: 1 and nothing drawn.
  Clear();
  EXPECT_EQ(WinDrawGraphic(win, 0, 0, 5, 5, kNoHandle), 1);
  EXPECT_EQ(WinDrawGraphicPart(win, 0, 0, 5, 5, 0, 0, kNoHandle), 1);
  EXPECT_EQ(WinDrawGraphicStretch(win, 0, 0, 5, 5, 5, 5, kNoHandle), 1);
  EXPECT_EQ(WinGraphicLoad(kNoHandle, 0, 0, 5, 5, picture), 1);
  WindowView(win)->mode &= ~WINDOWdrawable;
  EXPECT_EQ(WinGraphicLoad(win, 0, 0, 5, 5, picture), 1);
  EXPECT_EQ(WinGraphicSave(win, 0, 0, 5, 5, picture), 1);
  EXPECT_EQ(WinCopyArea(win, 0, 0, 5, 5, 6, 0), 1);
  EXPECT_EQ(WinShowPicture(picture, win, 0, 0), 1);
  EXPECT_EQ(ChangedPixels(before), 0);
}

TEST_F(GraphicDrawTest, SavingCopyingAndShadingStayInTheWindow) {
  const Handle win = Window(60, 50, 40, 20);
  for (int y = 0; y <= 20; ++y) {
    for (int x = 0; x <= 40; ++x)
      SetDot(static_cast<int16_t>(60 + x), static_cast<int16_t>(50 + y), PicturePixel(x, y));
  }
  // Saving is relative to the content.
  const Handle saved = CreateGraphic(kNoHandle, 8, 8);
  EXPECT_EQ(WinGraphicSave(win, 3, 4, 7, 7, saved), 0);
  Clear();
  EXPECT_EQ(WinGraphicLoad(win, 0, 0, 7, 7, saved), 0);
  EXPECT_EQ(At(60, 50), PicturePixel(3, 4));
  EXPECT_EQ(At(67, 57), PicturePixel(10, 11));

  // A copy whose destination reaches past the right edge is cut there.
  for (int y = 0; y <= 20; ++y) {
    for (int x = 0; x <= 40; ++x)
      SetDot(static_cast<int16_t>(60 + x), static_cast<int16_t>(50 + y), PicturePixel(x, y));
  }
  const std::vector<uint32_t> before = Screen().Snapshot();
  WinCopyArea(win, 0, 0, 9, 9, 35, -3);
  EXPECT_EQ(At(60 + 35, 50), PicturePixel(0, 3));
  EXPECT_EQ(At(60 + 40, 50 + 6), PicturePixel(5, 9));
  EXPECT_EQ(ChangedOutside(before, 95, 50, 100, 56), 0);

  // Shading by white turns the cut rectangle black; a negative x is cut.
  const std::vector<uint32_t> unshaded = Screen().Snapshot();
  WinSemitransparentRectangle(win, -5, 2, 10, 30, MakeColour(255, 255, 255));
  EXPECT_EQ(At(60, 52), 0u);
  EXPECT_EQ(At(60 + 4, 50 + 19), 0u);
  EXPECT_EQ(ChangedOutside(unshaded, 60, 52, 64, 69), 0);
  WinSemitransparentRectangle(win, 41, 0, 5, 5, MakeColour(255, 255, 255));
  EXPECT_EQ(ChangedOutside(unshaded, 60, 52, 64, 69), 0) << "beyond the right edge: refused";
}

}  // namespace
}  // namespace vadu
