#include "kernel/gc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/state.h"
#include "kernel/font.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

std::vector<std::string> g_boxes;
void CaptureBox(const char* text) {
  g_boxes.emplace_back(text);
}

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

}  // namespace
}  // namespace vadu
