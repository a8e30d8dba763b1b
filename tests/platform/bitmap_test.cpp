#include "platform/bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/framebuffer.h"
#include "platform/reset.h"

namespace vadu {
namespace {

constexpr uint32_t kGreen = 0x00FF00;

// A small screen and no bitmaps; the engine's default screen is put back
// afterwards, since the screen is one per process.
class BitmapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetEngineState();
    Screen().Resize(8, 6);
  }
  void TearDown() override {
    ResetEngineState();
    Screen().Resize(800, 600);
  }
  // Each screen pixel a colour of its own (never 0).
  static void Pattern() {
    uint32_t* px = Screen().pixels();
    for (int i = 0; i < Screen().width() * Screen().height(); ++i) px[i] = 0x100000u + static_cast<uint32_t>(i);
  }
  // Each bitmap pixel a colour of its own, unlike the screen's.
  static BitmapId PatternBitmap(int w, int h) {
    const BitmapId b = CreateBitmap(w, h);
    for (int i = 0; i < w * h; ++i) BitmapPixels(b)[i] = 0x200000u + static_cast<uint32_t>(i);
    return b;
  }
};

TEST_F(BitmapTest, IdsAreCheckedSizesBoundedAndFreedIdsNotReusedSoon) {
  for (auto [w, h] : {std::pair{0, 1}, {1, 0}, {-1, 5}, {4097, 1}, {1, 4097}, {INT_MIN, INT_MIN}}) {
    EXPECT_EQ(CreateBitmap(w, h), kNoBitmap) << w << " x " << h;
  }
  const BitmapId wide = CreateBitmap(4096, 2);
  ASSERT_NE(wide, kNoBitmap);
  int w = 0, h = 0;
  EXPECT_TRUE(BitmapSize(wide, &w, &h));
  EXPECT_EQ(w, 4096);
  EXPECT_EQ(h, 2);
  for (int i = 0; i < 4096 * 2; ++i) ASSERT_EQ(BitmapPixels(wide)[i], 0u) << "a new bitmap is black";
  EXPECT_EQ(LiveBitmapCount(), 1u);
  EXPECT_EQ(LiveBitmapBytes(), 4096u * 2 * 4);

  // The same slot comes back under a new id every time; the old ids find
  // nothing and freeing them again is harmless.
  std::set<BitmapId> ids;
  BitmapId last = kNoBitmap;
  for (int i = 0; i < 1000; ++i) {
    last = CreateBitmap(3, 3);
    ASSERT_TRUE(ids.insert(last).second) << "id given twice";
    if (i < 999) FreeBitmap(last);
  }
  for (BitmapId id : ids) {
    if (id == last) continue;
    EXPECT_EQ(BitmapPixels(id), nullptr);
    EXPECT_FALSE(BitmapSize(id, &w, &h));
    FreeBitmap(id);
  }
  EXPECT_NE(BitmapPixels(last), nullptr);
  EXPECT_EQ(LiveBitmapCount(), 2u);
  EXPECT_FALSE(CopyBitmapToScreen(0x12345678u, 0, 0, 1, 1, 0, 0));

  ResetEngineState();
  EXPECT_EQ(LiveBitmapCount(), 0u);
  EXPECT_EQ(LiveBitmapBytes(), 0u);
  EXPECT_EQ(BitmapPixels(wide), nullptr);
  EXPECT_EQ(BitmapPixels(last), nullptr);
  EXPECT_NE(CreateBitmap(1, 1), last);
}

// What a clipped copy must do, pixel by pixel: copy (sx + i, sy + j) to
// (dx + i, dy + j) wherever both lie inside their surfaces.
void ReferenceCopy(const std::vector<uint32_t>& src, int sw, int sh, int64_t sx, int64_t sy, int64_t w, int64_t h,
                   std::vector<uint32_t>& dst, int dw, int dh, int64_t dx, int64_t dy) {
  for (int64_t j = 0; j < h; ++j) {
    for (int64_t i = 0; i < w; ++i) {
      const int64_t x = sx + i, y = sy + j, tx = dx + i, ty = dy + j;
      if (x < 0 || y < 0 || x >= sw || y >= sh || tx < 0 || ty < 0 || tx >= dw || ty >= dh) continue;
      dst[ty * dw + tx] = src[y * sw + x];
    }
  }
}

TEST_F(BitmapTest, CopiesClipToScreenAndBitmapAtAnyCoordinates) {
  const int positions[] = {INT16_MIN, -5, -1, 0, 2, 7, 8, INT16_MAX};
  // Sizes only up to what the reference can walk; the extremes clip the same.
  const int sizes[] = {INT16_MIN, -1, 0, 1, 3, 9, 40};
  const std::pair<int, int> offsets[] = {{0, 0}, {-2, 1}, {3, 2}};
  const BitmapId b = PatternBitmap(4, 3);
  const std::vector<uint32_t> bitmap(BitmapPixels(b), BitmapPixels(b) + 12);
  int checked = 0;
  for (int x : positions) {
    for (int y : positions) {
      for (int w : sizes) {
        for (int h : sizes) {
          for (auto [bx, by] : offsets) {
            // Screen to bitmap.
            Pattern();
            const std::vector<uint32_t> screen = Screen().Snapshot();
            std::copy(bitmap.begin(), bitmap.end(), BitmapPixels(b));
            std::vector<uint32_t> want = bitmap;
            ReferenceCopy(screen, 8, 6, x, y, w, h, want, 4, 3, bx, by);
            ASSERT_TRUE(CopyScreenToBitmap(x, y, w, h, b, bx, by));
            ASSERT_EQ(std::vector<uint32_t>(BitmapPixels(b), BitmapPixels(b) + 12), want)
                << x << "," << y << " " << w << "x" << h << " to " << bx << "," << by;
            // Bitmap to screen.
            std::copy(bitmap.begin(), bitmap.end(), BitmapPixels(b));
            want = screen;
            ReferenceCopy(bitmap, 4, 3, bx, by, w, h, want, 8, 6, x, y);
            ASSERT_TRUE(CopyBitmapToScreen(b, bx, by, w, h, x, y));
            ASSERT_EQ(Screen().Snapshot(), want) << bx << "," << by << " " << w << "x" << h << " to " << x << "," << y;
            ++checked;
          }
        }
      }
    }
  }
  EXPECT_EQ(checked, 8 * 8 * 7 * 7 * 3);
  // The widest arguments the platform takes are safe too.
  for (int v : {INT_MIN, INT_MAX}) {
    EXPECT_TRUE(CopyScreenToBitmap(v, v, v, v, b, v, v));
    EXPECT_TRUE(CopyBitmapToScreen(b, v, v, v, v, v, v));
    EXPECT_TRUE(StretchBitmapToScreen(b, v, v, v, v, v, v));
    ShadeScreen(v, v, v, v, 0xFFFFFF);
    CopyScreenToScreen(v, v, v, v, v, v);
  }
}

TEST_F(BitmapTest, MaskedKeyedAndShadedPixels) {
  // Masked: screen OR (bitmap AND NOT colour).
  std::fill_n(Screen().pixels(), 48, 0x0F0F0Fu);
  const BitmapId b = CreateBitmap(3, 2);
  std::fill_n(BitmapPixels(b), 6, 0xF0F0FFu);
  ASSERT_TRUE(CopyBitmapToScreenMasked(b, 3, 2, 6, 5, 0x0000F0));
  std::vector<uint32_t> px = Screen().Snapshot();
  EXPECT_EQ(px[5 * 8 + 6], 0xFFFF0Fu);
  EXPECT_EQ(px[5 * 8 + 7], 0xFFFF0Fu);
  EXPECT_EQ(px[4 * 8 + 7], 0x0F0F0Fu) << "outside the rectangle";
  EXPECT_EQ(px[5 * 8 + 5], 0x0F0F0Fu);

  // Keyed: pure green is left out; a picture of nothing else writes nothing.
  Pattern();
  const std::vector<uint32_t> before = Screen().Snapshot();
  std::fill_n(BitmapPixels(b), 6, kGreen);
  const uint64_t generation = Screen().generation();
  ASSERT_TRUE(CopyBitmapToScreenKeyed(b, 3, 2, 1, 1, kGreen));
  EXPECT_EQ(Screen().Snapshot(), before);
  EXPECT_EQ(Screen().generation(), generation);
  BitmapPixels(b)[1] = 0x00FF01;
  BitmapPixels(b)[3] = 0xFF0000;
  ASSERT_TRUE(CopyBitmapToScreenKeyed(b, 3, 2, -1, 0, kGreen));
  px = Screen().Snapshot();
  EXPECT_EQ(px[0], 0x00FF01u);
  for (int i : {1, 8, 9}) EXPECT_EQ(px[i], before[i]) << "green at " << i;
  EXPECT_EQ(std::count(px.begin(), px.end(), 0xFF0000u), 0) << "bitmap column 0 lies left of the screen";

  // Shade: each component less the colour's, at least 0, over rows long
  // enough for the wide path and its tail.
  Screen().Resize(11, 3);
  std::fill_n(Screen().pixels(), 33, MakeColour(10, 200, 255));
  ShadeScreen(-3, 1, 14, 5, MakeColour(20, 100, 255));
  px = Screen().Snapshot();
  for (int i = 0; i < 33; ++i) {
    EXPECT_EQ(px[i], i < 11 ? MakeColour(10, 200, 255) : MakeColour(0, 100, 0)) << i;
  }
  ShadeScreen(0, 0, 11, 3, MakeColour(255, 255, 255));
  for (uint32_t p : Screen().Snapshot()) EXPECT_EQ(p, 0u);
}

TEST_F(BitmapTest, StretchTakesTheNearestPixelAndSkipsSourceOutsideTheBitmap) {
  const BitmapId b = CreateBitmap(2, 2);
  const uint32_t a = 0xA, c = 0xC, d = 0xD, e = 0xE;
  BitmapPixels(b)[0] = a;
  BitmapPixels(b)[1] = c;
  BitmapPixels(b)[2] = d;
  BitmapPixels(b)[3] = e;
  auto rows = [](int x, int y, int w, int h) {
    std::vector<uint32_t> px = Screen().Snapshot(), out;
    for (int j = y; j < y + h; ++j) {
      for (int i = x; i < x + w; ++i) out.push_back(px[j * Screen().width() + i]);
    }
    return out;
  };
  // Doubled: each source pixel becomes a 2 x 2 block; the part left of the
  // screen is cut off.
  ASSERT_TRUE(StretchBitmapToScreen(b, 2, 2, -1, 0, 4, 4));
  EXPECT_EQ(rows(0, 0, 3, 4), (std::vector<uint32_t>{a, c, c, a, c, c, d, e, e, d, e, e}));
  // A source extent twice the bitmap: only the screen pixels whose source
  // is inside it are drawn.
  Pattern();
  const std::vector<uint32_t> before = Screen().Snapshot();
  ASSERT_TRUE(StretchBitmapToScreen(b, 4, 4, 0, 0, 4, 4));
  EXPECT_EQ(rows(0, 0, 4, 2), (std::vector<uint32_t>{a, c, before[2], before[3], d, e, before[10], before[11]}));
  EXPECT_EQ(rows(0, 2, 1, 1), (std::vector<uint32_t>{before[16]}));
  // Halved: the pixel under each destination pixel's centre.
  ASSERT_TRUE(StretchBitmapToScreen(b, 2, 2, 5, 5, 1, 1));
  EXPECT_EQ(rows(5, 5, 1, 1), (std::vector<uint32_t>{e}));
  // Nothing for empty or negative extents.
  Pattern();
  for (auto [sw, w] : {std::pair{0, 2}, {2, 0}, {-2, 2}, {2, -2}})
    ASSERT_TRUE(StretchBitmapToScreen(b, sw, 2, 0, 0, w, 2));
  EXPECT_EQ(Screen().Snapshot(), before);
  EXPECT_FALSE(StretchBitmapToScreen(kNoBitmap, 2, 2, 0, 0, 2, 2));
}

TEST_F(BitmapTest, ScreenToScreenCopiesOverlappingRectanglesAsThroughATemporary) {
  struct Case {
    int sx, sy, w, h, dx, dy;
  };
  const Case cases[] = {
      {0, 0, 5, 4, 2, 1},    // down and right over itself
      {2, 1, 5, 4, 0, 0},    // up and left over itself
      {1, 0, 6, 6, 0, 0},    // left within the same rows
      {-3, -2, 6, 5, 1, 1},  // source partly off the screen: only on-screen pixels move
      {6, 4, 9, 9, -1, -2},  // destination partly off the screen
  };
  for (const Case& c : cases) {
    Pattern();
    const std::vector<uint32_t> before = Screen().Snapshot();
    std::vector<uint32_t> want = before;
    ReferenceCopy(before, 8, 6, c.sx, c.sy, c.w, c.h, want, 8, 6, c.dx, c.dy);
    CopyScreenToScreen(c.sx, c.sy, c.w, c.h, c.dx, c.dy);
    EXPECT_EQ(Screen().Snapshot(), want) << c.sx << "," << c.sy << " to " << c.dx << "," << c.dy;
  }
}

TEST_F(BitmapTest, TheScreenIsTouchedOnlyWhenAPixelWasWritten) {
  const BitmapId b = PatternBitmap(2, 2);
  uint64_t g = Screen().generation();
  CopyScreenToBitmap(0, 0, 8, 6, CreateBitmap(8, 6), 0, 0);
  CopyBitmapToScreen(b, 0, 0, 2, 2, 8, 0);
  CopyBitmapToScreenMasked(b, 2, 2, -2, 0, 0);
  ShadeScreen(0, 6, 8, 1, 0x010101);
  CopyScreenToScreen(0, 0, 2, 2, -2, 0);
  StretchBitmapToScreen(b, 2, 2, 0, -4, 4, 4);
  EXPECT_EQ(Screen().generation(), g);
  CopyBitmapToScreen(b, 0, 0, 2, 2, 7, 5);
  EXPECT_GT(Screen().generation(), g);
  EXPECT_EQ(Screen().Snapshot()[5 * 8 + 7], 0x200000u);
}

}  // namespace
}  // namespace vadu
