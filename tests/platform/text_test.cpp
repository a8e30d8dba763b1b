// Text placement is checked through the pixels drawn (bounding boxes and
// exact equality of the same glyphs drawn at known positions), never through
// glyph shapes. Blended colours are compared with a tolerance of 2/255 per
// channel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/device.h"
#include "platform/text_raster.h"

namespace vadu {
namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  bool empty() const { return right < 0; }
};

FontSpec Font(uint32_t identity, int16_t w, int16_t h, uint16_t style = 0) {
  FontSpec f;
  f.identity = identity;
  f.width = w;
  f.height = h;
  f.style = style;
  return f;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override { Clear(); }
  void TearDown() override { Screen().Resize(800, 600); }
  static void Clear(int w = 240, int h = 80) { Screen().Resize(w, h); }
  // Bounding box of the pixels that differ from `background` in columns
  // [x0, x1) (the whole screen by default).
  static Box Ink(uint32_t background = 0, int x0 = 0, int x1 = 1 << 30) {
    Box b;
    const std::vector<uint32_t> px = Screen().Snapshot();
    const int w = Screen().width();
    for (int y = 0; y < Screen().height(); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x1, w); ++x) {
        if (px[y * w + x] == background) continue;
        b.left = std::min(b.left, x);
        b.right = std::max(b.right, x);
        b.top = std::min(b.top, y);
        b.bottom = std::max(b.bottom, y);
      }
    }
    return b;
  }
  // The screen after drawing each (x, text) in order on a clear screen.
  static std::vector<uint32_t> Drawn(const std::vector<std::pair<int, const char*>>& parts, const FontSpec& font,
                                     int y = 10) {
    Clear();
    for (const auto& [x, text] : parts)
      DrawTextRun(static_cast<int16_t>(x), static_cast<int16_t>(y), text, kWhite, font);
    return Screen().Snapshot();
  }
};

TEST_F(TextTest, CharactersConvertFromCp932) {
  struct Case {
    uint8_t lead, trail;
    uint32_t cp;
  } cases[] = {
      {'A', 0, 0x41},       {0x5C, 0, 0x5C},      {0xB1, 0, 0xFF71},  // half-width kana
      {0x82, 0xA0, 0x3042}, {0x88, 0x9F, 0x4E9C}, {0x81, 0x40, 0x3000},
      {0x82, 0, 0},         {'\n', 0, 0},         {0x82, 0x20, 0},  // a lead byte alone, a control, a bad pair
  };
  for (const Case& c : cases)
    EXPECT_EQ(Cp932CodePoint(c.lead, c.trail), c.cp) << std::hex << +c.lead << " " << +c.trail;
}

TEST_F(TextTest, OneByteCharactersTakeHalfACellAndTwoByteOnesAWholeCell) {
  const FontSpec font = Font(101, 16, 16);
  // "A", "あ", "B", the half-width kana "ｱ", "C".
  const std::vector<uint32_t> run = Drawn({{10,
                                            "A\x82\xA0"
                                            "B\xB1"
                                            "C"}},
                                          font);
  EXPECT_EQ(run, Drawn({{10, "A"}, {18, "\x82\xA0"}, {34, "B"}, {42, "\xB1"}, {50, "C"}}, font));

  // Each glyph's ink stays in its own cell (one pixel of slack for the
  // synthetic bold) and in rows y .. y + h - 1.
  const struct {
    int x, cell;
    const char* text;
  } cells[] = {{10, 8, "A"}, {18, 16, "\x82\xA0"}, {42, 8, "\xB1"}};
  for (const auto& c : cells) {
    Drawn({{c.x, c.text}}, font);
    const Box b = Ink();
    ASSERT_FALSE(b.empty()) << c.text;
    EXPECT_GE(b.left, c.x - 1) << c.text;
    EXPECT_LE(b.right, c.x + c.cell) << c.text;
    EXPECT_GE(b.top, 10 - 1) << c.text;
    EXPECT_LE(b.bottom, 10 + 16) << c.text;
  }
}

TEST_F(TextTest, GlyphsSitInTheCellFromTheTopDown) {
  const FontSpec font = Font(102, 32, 32);
  Drawn({{10, "\x82\xA0"}}, font, 20);  // あ
  Box b = Ink();
  EXPECT_GE(b.top, 20);
  EXPECT_LE(b.top, 26);
  EXPECT_LE(b.bottom, 20 + 31);
  EXPECT_GE(b.bottom, 20 + 24);
  Drawn({{10, "g"}}, font, 20);  // a descender reaches below the baseline
  b = Ink();
  EXPECT_GT(b.bottom, 20 + 28);
  EXPECT_LE(b.bottom, 20 + 31);
}

TEST_F(TextTest, ALeadByteWithoutATrailByteIsDrawnAloneAsOneByte) {
  // An odd cell width tells the two readings apart: alone, the lead byte and
  // the space take 7 + 7 pixels; as a pair they would take 15.
  const FontSpec font = Font(103, 15, 16);
  EXPECT_EQ(Drawn({{10, "\x82 A"}}, font), Drawn({{10, "  A"}}, font));
  EXPECT_EQ(Drawn({{10, "A\x82"}}, font), Drawn({{10, "A"}}, font));  // at the very end
}

TEST_F(TextTest, NarrowGlyphsAreCentredInWideCells) {
  Drawn({{0, "\x82\xA0"}}, Font(104, 40, 16));
  const Box wide = Ink();
  EXPECT_NEAR((wide.left + wide.right) / 2.0, 20.0, 2.0);
  EXPECT_GE(wide.left, 8);
  Drawn({{0, "\x82\xA0"}}, Font(105, 16, 16));  // a glyph that fills its cell starts at x
  EXPECT_LE(Ink().left, 2);
}

TEST_F(TextTest, OnePieceDrawsEveryCharacterInTheFullWidthFontAtItsOwnWidth) {
  const FontSpec piece = Font(106, 16, 16, kFontOnePiece);
  const std::vector<uint32_t> grid_a = Drawn({{10, "A"}}, Font(107, 16, 16));
  const std::vector<uint32_t> piece_a = Drawn({{10, "A"}}, piece);
  EXPECT_NE(piece_a, grid_a);  // another face
  const std::vector<uint32_t> two = Drawn({{10, "AA"}}, piece);
  int found = 0;
  for (int advance = 6; advance <= 11; ++advance) {
    if (Drawn({{10, "A"}, {10 + advance, "A"}}, piece) == two) found = advance;
  }
  EXPECT_GE(found, 8) << "the second A follows the first by the glyph's own advance";
}

TEST_F(TextTest, ItalicLeansToTheRight) {
  // Leftmost ink of the top and bottom quarters of a tall stroke.
  auto lean = [](const FontSpec& font) {
    Clear();
    DrawTextRun(20, 10, "l", kWhite, font);
    const std::vector<uint32_t> px = Screen().Snapshot();
    const int w = Screen().width();
    auto leftmost = [&](int y0, int y1) {
      int m = w;
      for (int y = y0; y < y1; ++y)
        for (int x = 0; x < w; ++x)
          if (px[y * w + x] != 0) m = std::min(m, x);
      return m;
    };
    const Box b = Ink();
    const int q = (b.bottom - b.top) / 4;
    return leftmost(b.top, b.top + q) - leftmost(b.bottom - q, b.bottom + 1);
  };
  EXPECT_LE(std::abs(lean(Font(108, 48, 48))), 1);
  EXPECT_GE(lean(Font(109, 48, 48, kFontItalic)), 4);
}

TEST_F(TextTest, TextIsBlendedWithItsCoverage) {
  const uint32_t blue = MakeColour(0, 0, 220), red = MakeColour(200, 0, 0);
  Clear();
  FillBox(0, 0, 239, 79, blue);
  DrawTextRun(10, 10, "\x88\x9F\x82\xA0", red, Font(110, 24, 24));  // 亜あ
  int solid = 0, partial = 0;
  for (uint32_t p : Screen().Snapshot()) {
    if (p == blue) continue;
    const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
    EXPECT_EQ(g, 0);
    // p = a * red + (1 - a) * blue for one coverage a.
    EXPECT_NEAR(r / 200.0 + b / 220.0, 1.0, 2.0 / 255 * 2);
    if (p == red) {
      ++solid;
    } else {
      ++partial;
    }
  }
  EXPECT_GT(solid, 20);
  EXPECT_GT(partial, 20);
}

TEST_F(TextTest, HostFontsAreRebuiltOnlyForAnotherFont) {
  const FontSpec a = Font(111, 16, 16), b = Font(112, 24, 24);
  DrawTextRun(0, 0, "A", kWhite, a);
  const uint32_t builds = HostFontBuilds();
  DrawTextRun(0, 20, "B", kWhite, a);
  EXPECT_EQ(HostFontBuilds(), builds);
  DrawTextRun(0, 40, "C", kWhite, b);
  EXPECT_EQ(HostFontBuilds(), builds + 1);
  DrawTextRun(0, 40, "C", kWhite, a);
  EXPECT_EQ(HostFontBuilds(), builds + 2);
}

TEST_F(TextTest, AWarmCacheRendersNoGlyphAgain) {
  const FontSpec font = Font(113, 20, 20);
  DrawTextRun(0, 0, "Warm \x82\xA0\x82\xA2", kWhite, font);
  const GlyphCacheStats cold = GetGlyphCacheStats();
  DrawTextRun(0, 30, "Warm \x82\xA0\x82\xA2", kWhite, font);
  const GlyphCacheStats warm = GetGlyphCacheStats();
  EXPECT_EQ(warm.misses, cold.misses);
  EXPECT_GE(warm.hits, cold.hits + 6);
}

TEST_F(TextTest, MissingFontsAreReportedOnceAndDrawNothing) {
  SetTextFontFamilies("VaduNoSuchFamily", nullptr);
  ::testing::internal::CaptureStderr();
  DrawTextRun(10, 10, "A\x82\xA0", kWhite, Font(114, 16, 16));
  DrawTextRun(10, 30, "A\x82\xA0", kWhite, Font(114, 16, 16, kFontOnePiece));
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "vadu: font VaduNoSuchFamily not found: text is not drawn\n");
  EXPECT_TRUE(Ink().empty());

  SetTextFontFamilies("VaduNoSuchA", "VaduNoSuchB");
  ::testing::internal::CaptureStderr();
  DrawTextRun(10, 10, "A", kWhite, Font(114, 16, 16));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "vadu: font VaduNoSuchA and VaduNoSuchB not found: text is not drawn\n");

  SetTextFontFamilies(nullptr, nullptr);
  DrawTextRun(10, 10, "A", kWhite, Font(114, 16, 16));
  EXPECT_FALSE(Ink().empty());
}

TEST_F(TextTest, ClippedTextSetsOnlyPixelsInsideTheClip) {
  const FontSpec fonts[] = {Font(130, 24, 24), Font(131, 24, 24, kFontOnePiece | kFontItalic)};
  for (const FontSpec& f : fonts) {
    // The clip cuts through the second character and the glyph rows.
    const std::vector<uint32_t> whole = Drawn({{10,
                                                "\x88\x9F"
                                                "A\x82\xA0"}},
                                              f);
    Clear();
    const ClipBox clip{20, 15, 45, 28};
    DrawTextRunClipped(10, 10,
                       "\x88\x9F"
                       "A\x82\xA0",
                       kWhite, f, clip);
    const std::vector<uint32_t> cut = Screen().Snapshot();
    const int w = Screen().width();
    int inside = 0;
    for (size_t i = 0; i < cut.size(); ++i) {
      const int x = static_cast<int>(i) % w, y = static_cast<int>(i) / w;
      const bool in = x >= clip.left && x <= clip.right && y >= clip.top && y <= clip.bottom;
      // Inside the clip exactly what the whole text draws; nothing outside.
      EXPECT_EQ(cut[i], in ? whole[i] : 0u) << x << "," << y;
      if (in && cut[i] != 0) ++inside;
    }
    EXPECT_GT(inside, 10);
  }
  // An empty clip draws nothing.
  Clear();
  DrawTextRunClipped(10, 10, "A", kWhite, fonts[0], ClipBox{30, 0, 29, 79});
  EXPECT_TRUE(Ink().empty());
}

TEST_F(TextTest, WildPositionsAndSizesStayOnTheScreen) {
  Clear(40, 30);
  const int16_t pos[] = {-32768, -200, -9, 0, 35, 32767};
  const FontSpec fonts[] = {
      Font(120, 16, 16),       Font(121, 0, 16),        Font(122, -8, 16),
      Font(123, 16, 0),        Font(124, 2, 3),         Font(125, 3, 300),
      Font(126, 32767, 32767), Font(127, -32768, 2000), Font(128, 16, 16, kFontOnePiece | kFontItalic)};
  for (const FontSpec& f : fonts) {
    for (int16_t x : pos) {
      for (int16_t y : pos) DrawTextRun(x, y, "A\x82\xA0\xB1 \x82", kWhite, f);
    }
  }
  EXPECT_EQ(Screen().Snapshot().size(), 40u * 30u);
  DrawTextRun(0, 0, nullptr, kWhite, fonts[0]);
}

}  // namespace
}  // namespace vadu
