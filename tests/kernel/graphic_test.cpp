#include "kernel/graphic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bitmap.h"
#include "platform/bmp.h"
#include "platform/framebuffer.h"
#include "support/bmp_writer.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

constexpr int kW = 40, kH = 30;

class GraphicTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Screen().Resize(kW, kH);
  }
  void TearDown() override {
    EngineTest::TearDown();
    Screen().Resize(800, 600);
  }
  // Each screen pixel a colour of its own.
  static void Pattern() {
    for (int i = 0; i < kW * kH; ++i) Screen().pixels()[i] = 0x010000u + static_cast<uint32_t>(i);
  }
  static uint32_t At(int x, int y) { return Screen().Snapshot()[static_cast<size_t>(y) * kW + x]; }
  static uint32_t PixelOf(Handle graphic, int x, int y) {
    const GraphicRecord* g = GraphicView(graphic);
    int w = 0;
    BitmapSize(g->bitmap, &w, nullptr);
    return BitmapPixels(g->bitmap)[static_cast<size_t>(y) * w + x];
  }
  static void WriteBmpFile(const std::string& name, const test::Picture& p, const test::BmpForm& form) {
    const std::vector<uint8_t> bytes = test::WriteBmp(p, form);
    test::WriteFile(name, std::string(bytes.begin(), bytes.end()));
  }
  // A picture of at most `colours` colours.
  static test::Picture Picture(int w, int h, int colours = 256) {
    test::Picture p{w, h, {}};
    for (int i = 0; i < w * h; ++i) p.pixels.push_back(MakeColour(static_cast<uint8_t>(i % colours * 9), 40, 200));
    return p;
  }
};

TEST_F(GraphicTest, SaveCopiesInclusiveOffsetsAndLoadPutsTheExactPixelsBack) {
  Pattern();
  const Handle g = CreateGraphic(kNoHandle, 12, 12);
  ASSERT_NE(g, kNoHandle);
  // w and h are the last offsets: (0, 0, 9, 9) is 10 x 10 pixels.
  ASSERT_EQ(GraphicSave(0, 0, 9, 9, g), 0);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      EXPECT_EQ(PixelOf(g, x, y), x < 10 && y < 10 ? At(x, y) : 0u) << x << "," << y;
    }
  }
  const std::vector<uint32_t> saved = Screen().Snapshot();
  std::fill_n(Screen().pixels(), kW * kH, 0x777777u);
  ASSERT_EQ(GraphicLoad(20, 15, 9, 9, g), 0);
  for (int y = 14; y <= 25; ++y) {
    for (int x = 19; x <= 30; ++x) {
      const bool inside = x >= 20 && x < 30 && y >= 15 && y < 25;
      EXPECT_EQ(At(x, y), inside ? saved[(y - 15) * kW + (x - 20)] : 0x777777u) << x << "," << y;
    }
  }

  // Off the top-left corner: only the screen's part is saved, at its place
  // in the picture; a load past the bottom-right corner is cut.
  Pattern();
  const Handle h = CreateGraphic(kNoHandle, 5, 5);
  ASSERT_EQ(GraphicSave(-2, -3, 4, 4, h), 0);
  EXPECT_EQ(PixelOf(h, 0, 0), 0u);
  EXPECT_EQ(PixelOf(h, 2, 3), At(0, 0));
  EXPECT_EQ(PixelOf(h, 4, 4), At(2, 1));
  ASSERT_EQ(GraphicLoad(kW - 1, kH - 1, 4, 4, h), 0);
  EXPECT_EQ(At(kW - 1, kH - 1), 0u);
  for (int16_t v : {INT16_MIN, INT16_MAX}) {
    EXPECT_EQ(GraphicSave(v, v, v, v, h), 0);
    EXPECT_EQ(GraphicLoad(v, v, v, v, h), 0);
    EXPECT_EQ(ScreenCopy(v, v, v, v, v, v), 1);
    EXPECT_EQ(GraphicLoadMasked(h, v, v, v, v, 0), 1);
    EXPECT_EQ(DrawGraphicOffset(v, v, v, v, h, v, v), 1);
    EXPECT_EQ(StretchGraphic(v, v, v, v, h, v, v), 1);
    EXPECT_EQ(ShadeRect(v, v, v, v, 0xFFFFFF), 1);
    EXPECT_EQ(DrawGraphicKeyed(h, v, v, v, v, true), 1);
  }
}

TEST_F(GraphicTest, RecordsOwnTheirPixelsAndAFailedPictureLeavesNoRecord) {
  const Handle resource = SystemResource("Graphic VRAM");
  const Handle g = CreateGraphic(kNoHandle, 7, 3);
  GraphicRecord* r = GraphicView(g);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->width, 7);
  EXPECT_EQ(r->height, 3);
  EXPECT_EQ(r->link, kNoHandle);
  EXPECT_EQ(r->id, 0u);
  int w = 0, h = 0;
  ASSERT_TRUE(BitmapSize(r->bitmap, &w, &h));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 3);
  r->id = 77;
  const uint32_t bitmap = r->bitmap;
  const uint16_t active = Attr(resource)->active_count;

  EXPECT_EQ(FreeGraphic(kNoHandle, g), 0);
  EXPECT_EQ(BitmapPixels(bitmap), nullptr);
  EXPECT_EQ(GraphicView(g), nullptr);
  EXPECT_EQ(FreeGraphic(kNoHandle, g), 1);
  EXPECT_EQ(GraphicSave(0, 0, 1, 1, g), 1);
  EXPECT_EQ(GraphicLoad(0, 0, 1, 1, g), 1);
  EXPECT_TRUE(Logged("Error GraphicLoad() BitBlt() ret 0"));
  EXPECT_EQ(DrawGraphic(0, 0, 1, 1, g), 0);
  EXPECT_EQ(StretchGraphic(0, 0, 1, 1, g, 1, 1), 0);

  // The record comes back for the next graphic with no key left in it.
  const Handle again = CreateGraphic(kNoHandle, 2, 2);
  EXPECT_EQ(again, g);
  EXPECT_EQ(GraphicView(again)->id, 0u);
  EXPECT_EQ(Attr(resource)->active_count, active);
  for (auto [cw, ch] : {std::pair<int16_t, int16_t>{0, 5}, {5, -1}, {4097, 1}}) {
    EXPECT_EQ(CreateGraphic(kNoHandle, cw, ch), kNoHandle);
    EXPECT_EQ(Attr(resource)->active_count, active);
  }
  EXPECT_EQ(LiveBitmapCount(), 1u);
}

TEST_F(GraphicTest, MaskedKeyedShadedOffsetAndStretchedDraws) {
  const Handle g = CreateGraphic(kNoHandle, 4, 3);
  uint32_t* px = BitmapPixels(GraphicView(g)->bitmap);
  for (int i = 0; i < 12; ++i) px[i] = 0x00FF00;  // pure green
  Pattern();
  const std::vector<uint32_t> before = Screen().Snapshot();
  EXPECT_EQ(DrawGraphicKeyed(g, 1, 1, 99, 99, true), 1);
  EXPECT_EQ(Screen().Snapshot(), before) << "an all-green picture leaves the screen unchanged";
  // Not keyed, it is loaded like any picture (cut to its size).
  EXPECT_EQ(DrawGraphicKeyed(g, 1, 1, 99, 99, false), 0);
  EXPECT_EQ(At(4, 3), 0x00FF00u);
  EXPECT_EQ(At(5, 3), before[3 * kW + 5]);

  // Masked: screen OR (picture AND NOT colour), over w + 1 by h + 1.
  std::fill_n(Screen().pixels(), kW * kH, 0x000011u);
  for (int i = 0; i < 12; ++i) px[i] = 0xABCDEF;
  EXPECT_EQ(GraphicLoadMasked(g, 2, 2, 1, 0, 0x00FF00), 1);
  EXPECT_EQ(At(2, 2), 0xAB00FFu);
  EXPECT_EQ(At(3, 2), 0xAB00FFu);
  EXPECT_EQ(At(4, 2), 0x000011u);
  EXPECT_EQ(At(2, 3), 0x000011u);

  // Offset: w and h are cut to the picture's own size; the copy then stops
  // at its edges.
  for (int i = 0; i < 12; ++i) px[i] = static_cast<uint32_t>(i + 1);
  std::fill_n(Screen().pixels(), kW * kH, 0u);
  EXPECT_EQ(DrawGraphicOffset(0, 0, 10, 10, g, 2, 1), 1);
  EXPECT_EQ(At(0, 0), 7u);
  EXPECT_EQ(At(1, 1), 12u);
  EXPECT_EQ(At(2, 0), 0u);
  EXPECT_EQ(At(0, 2), 0u);
  EXPECT_EQ(DrawGraphic(10, 10, 2, 5, g), 1);
  EXPECT_EQ(At(11, 12), 10u);
  EXPECT_EQ(At(12, 10), 0u);
  EXPECT_EQ(StretchGraphic(20, 0, 8, 6, g, 4, 3), 1);
  EXPECT_EQ(At(20, 0), 1u);
  EXPECT_EQ(At(27, 5), 12u);

  // Shading by white blackens the rectangle, w by h, and nothing else.
  Pattern();
  EXPECT_EQ(ShadeRect(3, 4, 5, 2, MakeColour(255, 255, 255)), 1);
  EXPECT_EQ(At(3, 4), 0u);
  EXPECT_EQ(At(7, 5), 0u);
  EXPECT_EQ(At(8, 5), before[5 * kW + 8]);
  EXPECT_EQ(At(7, 6), before[6 * kW + 7]);

  // A screen copy onto an overlapping place moves the old pixels.
  Pattern();
  EXPECT_EQ(ScreenCopy(0, 0, 9, 9, 3, 2), 1);
  EXPECT_EQ(At(3, 2), before[0]);
  EXPECT_EQ(At(12, 11), before[9 * kW + 9]);
}

TEST_F(GraphicTest, TheLoaderLogsEachRefusalAndHoldsOnlyItsLastPicture) {
  test::BmpForm form;
  form.bits = 8;
  WriteBmpFile("good.bmp", Picture(6, 4), form);
  EXPECT_EQ(LoadBMP(kNoHandle, "nothere.bmp"), 0u);
  EXPECT_TRUE(Logged("BMP file nothere.bmp open error"));
  std::filesystem::create_directory("dir.bmp");
  EXPECT_EQ(LoadBMP(kNoHandle, "dir.bmp"), 0u);
  EXPECT_TRUE(Logged("BMP file dir.bmp open error"));

  std::vector<uint8_t> v4 = test::WriteBmp(Picture(6, 4), form);
  PutU32(v4.data() + 14, 108);
  test::WriteFile("v4.bmp", std::string(v4.begin(), v4.end()));
  EXPECT_EQ(LoadBMP(kNoHandle, "v4.bmp"), 0u);
  EXPECT_TRUE(Logged("v4.bmp file BITMAP INFO error"));

  form.compression = kBmpRle8;
  std::vector<uint8_t> rle = test::WriteBmp(Picture(6, 4), form);
  rle.resize(rle.size() - 3);
  test::WriteFile("rle.bmp", std::string(rle.begin(), rle.end()));
  EXPECT_EQ(LoadBMP(kNoHandle, "rle.bmp"), 0u);
  EXPECT_TRUE(Logged("BMP biCompression."));

  // 16 bits without a colour table, and plain pixels cut short: refused
  // without a line.
  const size_t lines = Log().size();
  test::BmpForm plain16;
  plain16.bits = 16;
  WriteBmpFile("plain16.bmp", Picture(3, 3), plain16);
  EXPECT_EQ(LoadBMP(kNoHandle, "plain16.bmp"), 0u);
  std::vector<uint8_t> cut = test::WriteBmp(Picture(6, 4), test::BmpForm{});
  cut.pop_back();
  test::WriteFile("cut.bmp", std::string(cut.begin(), cut.end()));
  EXPECT_EQ(LoadBMP(kNoHandle, "cut.bmp"), 0u);
  EXPECT_EQ(Log().size(), lines);
  EXPECT_EQ(LiveBitmapCount(), 0u);

  // A name in the scenario's spelling finds the file; a second load
  // releases the first picture.
  const uint32_t first = LoadBMP(kNoHandle, "GOOD.BMP");
  ASSERT_NE(first, 0u);
  const uint32_t second = LoadBMP(kNoHandle, "good.bmp");
  ASSERT_NE(second, 0u);
  EXPECT_EQ(BitmapPixels(first), nullptr);
  EXPECT_EQ(LiveBitmapCount(), 1u);
  FreeLoadedBMP();
  EXPECT_EQ(LiveBitmapCount(), 0u);
}

TEST_F(GraphicTest, LoadGraphicFileTakesThePictureAndDrawBMPFileReleasesIt) {
  test::BmpForm form;
  form.bits = 4;
  form.compression = kBmpRle4;
  const test::Picture p = Picture(9, 5, 7);
  WriteBmpFile("face.bmp", p, form);
  const Handle g = LoadGraphicFile(kNoHandle, "face.bmp");
  ASSERT_NE(g, kNoHandle);
  EXPECT_EQ(GraphicView(g)->width, 9);
  EXPECT_EQ(GraphicView(g)->height, 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 9; ++x) EXPECT_EQ(PixelOf(g, x, y), p.at(x, y)) << x << "," << y;
  }
  FreeLoadedBMP();
  EXPECT_NE(BitmapPixels(GraphicView(g)->bitmap), nullptr) << "the record owns the picture";
  EXPECT_EQ(LoadGraphicFile(kNoHandle, "missing.bmp"), kNoHandle);

  std::fill_n(Screen().pixels(), kW * kH, 0x111111u);
  EXPECT_EQ(DrawBMPFile("face.bmp", 30, 2, 4, 100), 1);
  EXPECT_EQ(At(30, 2), p.at(0, 0));
  EXPECT_EQ(At(33, 6), p.at(3, 4));
  EXPECT_EQ(At(34, 2), 0x111111u) << "cut to w";
  EXPECT_EQ(At(30, 7), 0x111111u) << "cut to the picture";
  EXPECT_EQ(DrawBMPFile("missing.bmp", 0, 0, 5, 5), 1);
  EXPECT_EQ(LiveBitmapCount(), 1u);
}

}  // namespace
}  // namespace vadu
