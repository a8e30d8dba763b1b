#include "platform/device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/host.h"
#include "platform/png.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

constexpr uint32_t kRed = 0x0000C8;  // MakeColour(200, 0, 0)

// A fresh black screen of the given size; the engine's default size is put
// back afterwards, since the screen is one per process.
class DeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { Use(16, 12); }
  void TearDown() override { Screen().Resize(800, 600); }
  static void Use(int w, int h) { Screen().Resize(w, h); }
  // The set pixels as rows of '#' and '.', for exact pictures.
  static std::string Picture() {
    std::string s;
    const std::vector<uint32_t> px = Screen().Snapshot();
    for (int y = 0; y < Screen().height(); ++y) {
      for (int x = 0; x < Screen().width(); ++x) s += px[y * Screen().width() + x] != 0 ? '#' : '.';
      s += '\n';
    }
    return s;
  }
};

TEST_F(DeviceTest, ColourTableHoldsTheListedColoursAndLeavesNineToThirteenBlack) {
  for (uint32_t& c : ColourTable) c = 0xDEAD;
  BuildColourTable();
  const uint8_t rgb[kColourTableSize][3] = {
      {0, 0, 0},       {255, 255, 255}, {200, 0, 0},    {0, 0, 220},     {200, 200, 0},   {30, 150, 40},
      {240, 110, 110}, {120, 120, 250}, {200, 160, 80}, {0, 0, 0},       {0, 0, 0},       {0, 0, 0},
      {0, 0, 0},       {0, 0, 0},       {20, 70, 20},   {120, 30, 30},   {30, 30, 120},   {120, 120, 120},
      {200, 200, 200}, {50, 50, 50},    {50, 10, 10},   {255, 180, 180}, {230, 150, 180}, {250, 250, 140},
      {120, 190, 100}, {0, 109, 86},    {88, 206, 145}, {179, 184, 187},
  };
  for (int i = 0; i < kColourTableSize; ++i) {
    EXPECT_EQ(ColourTable[i], MakeColour(rgb[i][0], rgb[i][1], rgb[i][2])) << "entry " << i;
  }
  EXPECT_EQ(ColourTable[2], 0x0000C8u);  // red in the low byte
  EXPECT_EQ(ColourTable[3], 0xDC0000u);
}

TEST_F(DeviceTest, FillBoxIsInclusiveAndClipsAtTheLeftEdge) {
  Use(6, 4);
  FillBox(1, 1, 2, 1, kRed);
  EXPECT_EQ(Picture(),
            "......\n"
            ".###..\n"
            ".###..\n"
            "......\n");
  EXPECT_EQ(GetDot(1, 1), kRed);

  Use(6, 4);
  FillBox(-10, 0, 10, 3, kRed);  // x + width = 0: nothing
  FillBox(0, -10, 3, 10, kRed);  // y + height = 0: nothing
  FillBox(3, 1, -1, 1, kRed);    // a negative size is empty
  EXPECT_EQ(Picture(), "......\n......\n......\n......\n");

  // Columns -10 to 1 inclusive: the two on the screen are filled (clipping
  // removes only what is off the screen).
  FillBox(-10, 1, 11, 1, kRed);
  EXPECT_EQ(Picture(),
            "......\n"
            "##....\n"
            "##....\n"
            "......\n");
}

TEST_F(DeviceTest, FillBoxOverTheWholeScreenAndBeyond) {
  Use(5, 3);
  FillBox(-3, -3, 100, 100, kRed);
  for (uint32_t p : Screen().Snapshot()) EXPECT_EQ(p, kRed);
}

TEST_F(DeviceTest, DrawFrameCoversWidthPlusOneByHeightPlusOne) {
  Use(6, 5);
  DrawFrame(1, 1, 3, 2, kRed);
  EXPECT_EQ(Picture(),
            "......\n"
            ".####.\n"
            ".#..#.\n"
            ".####.\n"
            "......\n");
  Use(3, 3);
  DrawFrame(1, 1, 0, 0, kRed);
  EXPECT_EQ(Picture(), "...\n.#.\n...\n");
}

TEST_F(DeviceTest, DrawLineLeavesTheEndPointUnset) {
  Use(6, 6);
  DrawLine(0, 0, 4, 0, kRed);  // horizontal
  DrawLine(5, 5, 5, 2, kRed);  // vertical, upwards
  DrawLine(0, 1, 3, 4, kRed);  // diagonal
  DrawLine(2, 2, 2, 2, kRed);  // a point: nothing
  EXPECT_EQ(Picture(),
            "####..\n"
            "#.....\n"
            ".#....\n"
            "..#..#\n"
            ".....#\n"
            ".....#\n");
}

TEST_F(DeviceTest, SteepAndShallowLinesStepOnePixelAlongTheLongAxis) {
  Use(4, 7);
  DrawLine(0, 0, 2, 6, kRed);  // steep: one pixel per row
  EXPECT_EQ(Picture(),
            "#...\n"
            "#...\n"
            ".#..\n"
            ".#..\n"
            ".#..\n"
            "..#.\n"
            "....\n");
  Use(7, 3);
  DrawLine(6, 2, 0, 0, kRed);  // shallow, right to left: one pixel per column
  EXPECT_EQ(Picture(),
            ".#.....\n"
            "..###..\n"
            ".....##\n");
}

TEST_F(DeviceTest, SetDotAndGetDotIgnoreThePixelsOffTheScreen) {
  Use(4, 4);
  SetDot(3, 3, 0x123456);
  SetDot(4, 0, kRed);
  SetDot(-1, 0, kRed);
  SetDot(0, -1, kRed);
  SetDot(0, 4, kRed);
  EXPECT_EQ(GetDot(3, 3), 0x123456u);
  EXPECT_EQ(GetDot(4, 3), 0u);
  EXPECT_EQ(GetDot(-32768, 32767), 0u);
  EXPECT_EQ(Picture(), "....\n....\n....\n...#\n");
  SetDot(1, 1, 0xFF010203);  // the top byte is not part of a colour
  EXPECT_EQ(GetDot(1, 1), 0x010203u);
}

TEST_F(DeviceTest, FocusIsADottedInversionThatASecondDrawRemoves) {
  Use(8, 6);
  FillBox(0, 0, 7, 5, 0x102030);
  FillBox(2, 2, 2, 1, kRed);
  const std::vector<uint32_t> before = Screen().Snapshot();
  DrawFocus(1, 1, 4, 3);
  const std::vector<uint32_t> shown = Screen().Snapshot();
  // Every other outline pixel (screen x + y even) is inverted; inside and
  // outside are untouched.
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool outline = (x >= 1 && x <= 5 && y >= 1 && y <= 4) && (x == 1 || x == 5 || y == 1 || y == 4);
      const uint32_t want = outline && (x + y) % 2 == 0 ? before[y * 8 + x] ^ 0xFFFFFFu : before[y * 8 + x];
      EXPECT_EQ(shown[y * 8 + x], want) << x << "," << y;
    }
  }
  RedrawFocus();
  EXPECT_EQ(Screen().Snapshot(), before);
  // Partly off the screen, and degenerate: still restored exactly.
  for (auto [x, y, w, h] : std::vector<std::array<int16_t, 4>>{
           {-3, -2, 20, 3}, {5, 5, 0, 0}, {6, 0, 0, 9}, {7, 2, -9, -1}, {-32768, -32768, 32767, 32767}}) {
    DrawFocus(x, y, w, h);
    RedrawFocus();
    EXPECT_EQ(Screen().Snapshot(), before) << x << "," << y << " " << w << "x" << h;
  }
}

// Clipping must not move a shape: whatever an operation draws on a small
// screen equals the matching window of the same shape drawn on a large
// screen, shifted so that nothing was clipped. Run under the sanitizer build
// this also proves that nothing is written outside the screen.
TEST_F(DeviceTest, ClippedShapesEqualTheirUnclippedPixels) {
  constexpr int kW = 24, kH = 16, kOff = 80, kBigW = kW + 2 * kOff, kBigH = kH + 2 * kOff;
  using Op = void (*)(int16_t, int16_t, int16_t, int16_t, int);
  const std::pair<const char*, Op> ops[] = {
      {"line", [](int16_t a, int16_t b, int16_t c, int16_t d, int o) { DrawLine(a + o, b + o, c + o, d + o, kRed); }},
      {"frame", [](int16_t a, int16_t b, int16_t c, int16_t d, int o) { DrawFrame(a + o, b + o, c, d, kRed); }},
      {"fill", [](int16_t a, int16_t b, int16_t c, int16_t d, int o) { FillBox(a + o, b + o, c, d, kRed); }},
  };
  const int16_t coords[] = {-45, -5, -1, 0, 3, 15, 23, 24, 45};
  const int16_t sizes[] = {-30, -1, 2, 15, 30};
  for (const auto& [name, op] : ops) {
    // Every case drawn unclipped in the middle of a large screen, its
    // window kept; then every case drawn on the small screen.
    std::vector<std::array<int16_t, 4>> cases;
    for (int16_t a : coords)
      for (int16_t b : coords)
        for (int16_t c : coords)
          for (int16_t d : sizes) {
            // A box whose far edge is at 0 is not drawn at all (its own rule).
            if (std::string(name) != "fill" || (a + c != 0 && b + d != 0)) cases.push_back({a, b, c, d});
          }
    std::vector<uint32_t> windows;
    Use(kBigW, kBigH);
    for (const auto& [a, b, c, d] : cases) {
      std::fill_n(Screen().pixels(), kBigW * kBigH, 0u);
      op(a, b, c, d, kOff);
      for (int y = 0; y < kH; ++y) {
        const uint32_t* row = Screen().pixels() + (y + kOff) * kBigW + kOff;
        windows.insert(windows.end(), row, row + kW);
      }
    }
    Use(kW, kH);
    for (size_t i = 0; i < cases.size(); ++i) {
      const auto& [a, b, c, d] = cases[i];
      std::fill_n(Screen().pixels(), kW * kH, 0u);
      op(a, b, c, d, 0);
      ASSERT_TRUE(std::equal(windows.begin() + i * kW * kH, windows.begin() + (i + 1) * kW * kH, Screen().pixels()))
          << name << " " << a << "," << b << "," << c << "," << d;
    }
  }
}

TEST_F(DeviceTest, ExtremeCoordinatesDrawNothingOutsideTheScreen) {
  Use(8, 6);
  const int16_t v[] = {-32768, -32767, -1, 0, 5, 7, 8, 32766, 32767};
  for (int16_t a : v) {
    for (int16_t b : v) {
      for (int16_t c : v) {
        for (int16_t d : v) {
          DrawLine(a, b, c, d, kRed);
          DrawFrame(a, b, c, d, kRed);
          FillBox(a, b, c, d, kRed);
          DrawFocus(a, b, c, d);
          SetDot(a, b, kRed);
        }
      }
    }
  }
  EXPECT_EQ(Screen().Snapshot().size(), 48u);
  // A line from one extreme corner to the other crosses the screen exactly
  // where the diagonal through the origin does.
  Use(8, 6);
  DrawLine(-32767, -32767, 32767, 32767, kRed);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(GetDot(i, i), kRed) << i;
}

TEST_F(DeviceTest, DrawingBumpsTheGenerationOnlyWhenItWrote) {
  Use(4, 4);
  const uint64_t g0 = Screen().generation();
  FillBox(10, 10, 3, 3, kRed);
  DrawLine(-5, -5, -1, -9, kRed);
  EXPECT_EQ(Screen().generation(), g0);
  SetDot(1, 1, kRed);
  EXPECT_GT(Screen().generation(), g0);
}

class FakeHost : public Host {
 public:
  void RequestQuit(int code) override { quits.push_back(code); }
  void SetTitle(const char*) override {}
  DisplayInfo Display() override { return DisplayInfo{}; }
  std::vector<int> quits;
};

TEST_F(DeviceTest, OpenKeepsTheHostsScreenAndCloseAsksTheHostToEnd) {
  Use(10, 7);
  EXPECT_EQ(OpenDevice(800, 600), 0);
  EXPECT_EQ(Screen().width(), 10);
  EXPECT_EQ(Screen().height(), 7);
  FakeHost host;
  SetHost(&host);
  CloseDevice();
  CloseDevice();
  SetHost(nullptr);
  EXPECT_EQ(host.quits, (std::vector<int>{0, 0}));
}

TEST_F(DeviceTest, ResizeKeepsAtLeastOnePixel) {
  Screen().Resize(0, -5);
  EXPECT_EQ(Screen().width(), 1);
  EXPECT_EQ(Screen().height(), 1);
  FillBox(0, 0, 5, 5, kRed);
  EXPECT_EQ(GetDot(0, 0), kRed);
}

class PngTest : public test::GameDirTest {};

TEST_F(PngTest, WrittenScreensReadBackExactly) {
  std::vector<uint32_t> px(7 * 3);
  for (size_t i = 0; i < px.size(); ++i) px[i] = MakeColour(i * 11, 255 - i, i * 3 + 1);
  ASSERT_TRUE(WritePng("shot.png", px.data(), 7, 3));
  std::vector<uint32_t> back;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPng("shot.png", &back, &w, &h));
  EXPECT_EQ(w, 7);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(back, px);
  // The file really is PNG (its signature), RGB without alpha (colour type 2).
  const std::string bytes = test::ReadFile("shot.png");
  ASSERT_GT(bytes.size(), 26u);
  EXPECT_EQ(bytes.substr(1, 3), "PNG");
  EXPECT_EQ(bytes[25], 2);
}

TEST_F(PngTest, BadArgumentsAndUnwritablePathsFailCleanly) {
  const uint32_t one = 0;
  EXPECT_FALSE(WritePng("a.png", &one, 0, 1));
  EXPECT_FALSE(WritePng("a.png", nullptr, 1, 1));
  EXPECT_FALSE(WritePng("no_such_dir/a.png", &one, 1, 1));
  EXPECT_FALSE(test::FileExists("a.png"));
  test::WriteFile("fake.png", "not a png at all");
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  EXPECT_FALSE(ReadPng("fake.png", &px, &w, &h));
  EXPECT_FALSE(ReadPng("missing.png", &px, &w, &h));
}

}  // namespace
}  // namespace vadu
