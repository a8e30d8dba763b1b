// The game data file: the tables read from pixie.res and their limits, the
// number, time and date texts, mode value names, picture names built from
// mode variables, and the status window as it is drawn on the screen.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/pixie_app.h"
#include "core/dialog_seam.h"
#include "data/compute.h"
#include "data/resource.h"
#include "kernel/gc.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "support/game_dir.h"
#include "support/window_engine.h"
#include "window/window.h"

namespace vadu {
namespace {

// A game state "Charcter" with a text, parameters and two mode variables.
void MakeState() {
  PixieApp& a = App();
  a.charcter = CreateResource(kNoHandle, "pixie_cahrcter.res", "Charcter");
  CreateItem(a.charcter, "名前", ITEMstring, 24);
  CreateItem(a.charcter, "time", ITEMlong, 0);
  CreateItem(a.charcter, "体力", ITEMlong, 0);
  CreateItem(a.charcter, "知力", ITEMlong, 0);
  CreateItem(a.charcter, "今日", ITEMlong, 0);
  CreateItem(a.charcter, "sky", ITEMlong, 0);
  CreateItem(a.charcter, "x", ITEMlong, 0);
  a.state = CreateRecord(a.charcter, -1, 0);
  SetStr(a.state, "名前", "ナギ");
}

class GameDataTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    MakeState();
  }
  // pixie.res with the lines given (each ends with a line end).
  static void Pixie(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    test::WriteFile("pixie.res", text);
  }
  static std::string Time(int32_t minutes) {
    SetNum(App().state, "time", minutes);
    char out[64];
    const char* text = TimeText(out, sizeof out);
    return text != nullptr ? text : "(none)";
  }
};

TEST_F(GameDataTest, NumbersAreFullWidthWithinTheTableAndABlankOutsideIt) {
  EXPECT_STREQ(NumberText(0), "　");
  EXPECT_STREQ(NumberText(7), "７");
  EXPECT_STREQ(NumberText(10), "１０");
  EXPECT_STREQ(NumberText(60), "６０");
  EXPECT_STREQ(NumberText(61), "　");
  EXPECT_STREQ(NumberText(-1), "　");
  EXPECT_STREQ(WeekdayText(7), "日");
  EXPECT_STREQ(WeekdayText(8), "　");
  EXPECT_STREQ(WeekdayText(-3), "　");
}

TEST_F(GameDataTest, TimeTextsAtTheFullHourAndPastIt) {
  EXPECT_EQ(Time(600), "時刻　１０時 ０分");
  EXPECT_EQ(Time(61), "時刻　１時 １分");
  // 61 hours lie beyond the number table: a blank, never a read past it.
  EXPECT_EQ(Time(61 * 60), "時刻　　時 ０分");
  EXPECT_EQ(Time(0), "(none)");
  EXPECT_TRUE(Logged("取得時間が0です."));
  App().month = 8;
  App().day = 31;
  App().week = 4;
  char out[64];
  EXPECT_STREQ(DateText(out, sizeof out), "８月 ３１日 (木)");
}

TEST_F(GameDataTest, EveryKeyIsReadWithItsDefaultWhenMissing) {
  Pixie({"PLAYER_NAME ナギ", "GAME_TITLE 潮風", "MONTH 8", "DAY 1", "WEEK 4"});
  init_pixie();
  const PixieApp& a = App();
  EXPECT_STREQ(a.player_name, "ナギ");
  EXPECT_STREQ(a.game_title, "潮風");
  EXPECT_EQ(a.month, 8);
  EXPECT_EQ(a.day, 1);
  EXPECT_EQ(a.week, 4);
  EXPECT_EQ(a.end_month, 12);
  EXPECT_EQ(a.end_day, 31);
  EXPECT_EQ(a.date_sts, 0);
  EXPECT_EQ(a.text_height, 200);
  EXPECT_STREQ(a.start_background, "robyA.bmp");
  EXPECT_EQ(a.ActiveSelect, 0);
  EXPECT_EQ(a.PopupMenu, 0);
  EXPECT_EQ(a.param_count, 0);
  EXPECT_EQ(a.mode_count, 0);
  EXPECT_STREQ(a.display[1], "");

  Pixie({"MONTH 13", "DAY 40", "WEEK 9", "END_MONTH 0", "END_DAY 77", "DATE_STS 2", "TEXT_HIGHT 5000",
         "ActiveSelect ON", "PopupMenu ON", "Start_BackGraphic sea.bmp"});
  init_pixie();
  EXPECT_EQ(a.month, 12);
  EXPECT_EQ(a.day, 31);
  EXPECT_EQ(a.week, 7);
  EXPECT_EQ(a.end_month, 1);
  EXPECT_EQ(a.end_day, 31);
  EXPECT_EQ(a.date_sts, 2);
  EXPECT_EQ(a.text_height, 580);
  EXPECT_EQ(a.ActiveSelect, 1);
  EXPECT_EQ(a.PopupMenu, 1);
  EXPECT_STREQ(a.start_background, "sea.bmp");
  EXPECT_TRUE(Logged("pixie.res MONTH 13 is out of range: 12 is used"));
}

TEST_F(GameDataTest, TablesAreCutToTheirSizes) {
  const std::string long_value = "ながいながいながいながい";  // 24 bytes
  Pixie({"PARANAME p1,p2,p3,p4,p5,p6,p7,p8,p9,p10,p11,p12", "MODENAME1 今日,v0,v1,v2,v3,v4,v5,v6,v7,v8,v9",
         "MODENAME2 sky," + long_value, "MODENAME3 いちにさんしごろくしちはち,a", "DISPLAY1 " + std::string(50, 'd')});
  init_pixie();
  const PixieApp& a = App();
  ASSERT_EQ(a.param_count, kMaxParams);
  EXPECT_STREQ(a.params[10], "p11");
  EXPECT_TRUE(Logged("pixie.res PARANAME: more than 11 names, the rest is not read"));
  EXPECT_EQ(a.mode_words[0], kModeWords);
  EXPECT_STREQ(a.modes[0][9], "v8");
  EXPECT_TRUE(Logged("pixie.res MODENAME1: more than 10 words, the rest is not read"));
  // A value name is cut on a character boundary; an item name that does
  // not fit would name another item: the line is not used.
  EXPECT_STREQ(a.modes[1][1], "ながいながいながい");
  EXPECT_EQ(a.mode_words[2], 0);
  EXPECT_EQ(ModeRow("いちにさんしごろくしちはち"), -1);
  EXPECT_EQ(std::strlen(a.display[1]), static_cast<size_t>(kDisplayNameSize - 1));

  // A parameter name longer than 9 bytes is refused, not cut to another.
  Pixie({"PARANAME 体力,ながいなまえ,知力"});
  init_pixie();
  ASSERT_EQ(a.param_count, 2);
  EXPECT_STREQ(a.params[1], "知力");
}

TEST_F(GameDataTest, AModeVariableShowsTheNameOfItsValueAndNoneOutsideTheLine) {
  Pixie({"MODENAME1 sky,morning,evening,night", "MODENAME2 今日,未定,海遊び,勉強,手伝い,昼寝"});
  init_pixie();
  const int row = ModeRow("今日");
  ASSERT_EQ(row, 1);
  SetNum(App().state, "今日", 2);
  EXPECT_STREQ(ModeValueName(row), "勉強");  // the fourth word of the line
  SetNum(App().state, "今日", 9);
  EXPECT_STREQ(ModeValueName(row), "");
  SetNum(App().state, "今日", -1);
  EXPECT_STREQ(ModeValueName(row), "");
  SetNum(App().state, "sky", 3);  // the line names values 0..2 only
  EXPECT_STREQ(ModeValueName(0), "");
  EXPECT_STREQ(ModeValueName(10), "");
  EXPECT_STREQ(ModeValueName(-1), "");
}

TEST_F(GameDataTest, ValueNamesInAComputeBecomeTheirNumbersWholeWordsOnly) {
  Pixie({"MODENAME1 今日,未定,海遊び,勉強", "MODENAME2 sky,morning,evening,ポ"});
  init_pixie();
  auto replaced = [](const char* text) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, "%s", text);
    ReplaceModeValueNames(buffer, sizeof buffer);
    return std::string(buffer);
  };
  EXPECT_EQ(replaced("今日=勉強"), "今日=2");
  EXPECT_EQ(replaced("今日=勉強会"), "今日=勉強会");
  EXPECT_EQ(replaced("今日=お勉強"), "今日=お勉強");
  EXPECT_EQ(replaced("sky=evening;x=(勉強+morning)*2"), "sky=1;x=(2+0)*2");
  // The second byte of "ポ" is the code of "|": it neither ends a word nor
  // is a word of its own.
  EXPECT_EQ(replaced("sky=ポ"), "sky=2");
  EXPECT_EQ(replaced("sky=ポポ|x==1"), "sky=ポポ|x==1");
  // A text item stores its text as written.
  EXPECT_EQ(replaced("名前=勉強;今日=海遊び"), "名前=勉強;今日=1");

  char compute[64] = "今日=勉強";
  ReplaceModeValueNames(compute, sizeof compute);
  ASSERT_EQ(ComputeRecord(App().state, compute, sizeof compute), 1);
  EXPECT_EQ(GetNum(App().state, "今日"), 2);
}

TEST_F(GameDataTest, PictureNamesAreBuiltFromModeVariablesAndTheFormatNeverReachesPrintf) {
  Pixie({"MODENAME1 sky,morning,evening", "BG_FORMAT bg_%s.bmp,sky", "FG_FORMAT f%d%n%x_%s_%s_%%.bmp,sky,unknown",
         "RES_FILE a"});
  init_pixie();
  SetNum(App().state, "sky", 1);
  char out[64];
  EXPECT_STREQ(BuildNameFromFormat("BG_FORMAT", out, sizeof out), "bg_evening.bmp");
  EXPECT_TRUE(Logged("BG_FORMAT -bg_evening.bmp-"));
  EXPECT_STREQ(BuildNameFromFormat("FG_FORMAT", out, sizeof out), "f%d%n%x_evening__%.bmp");
  char small[8];
  EXPECT_STREQ(BuildNameFromFormat("BG_FORMAT", small, sizeof small), "bg_even");
  EXPECT_EQ(BuildNameFromFormat("TEXTLIB_FILE", out, sizeof out), nullptr);
}

TEST_F(GameDataTest, ParametersAreKeptWithinTheirRange) {
  Pixie({"PARANAME 体力,知力,ない"});
  init_pixie();
  SetNum(App().state, "体力", 250);
  SetNum(App().state, "知力", -5);
  ClampParameters();
  EXPECT_EQ(GetNum(App().state, "体力"), 200);
  EXPECT_EQ(GetNum(App().state, "知力"), 0);
}

TEST_F(GameDataTest, TheStartDataIsACopyOfTheStateKeptUnderItsOwnNumber) {
  SetNum(App().state, "体力", 60);
  Pixie({"PLAYER_NAME ナギ"});
  init_pixie();
  const Handle start = StartDataRecord(false);
  ASSERT_NE(start, kNoHandle);
  EXPECT_TRUE(Logged("Save Start data for init_pixie()"));
  EXPECT_EQ(GetNum(start, "体力"), 60);
  // The state stays the first record whose name holds the player's.
  EXPECT_EQ(FindRecordByStr(App().charcter, "名前", "ナギ"), App().state);
  SetNum(App().state, "体力", 10);
  init_pixie();
  EXPECT_EQ(GetNum(StartDataRecord(false), "体力"), 60);  // made once
}

TEST_F(GameDataTest, ThePlayListIsBuiltFromItsScriptsAndAMissingKeyEndsTheGame) {
  std::vector<std::string> shown;
  static std::vector<std::string>* seen = nullptr;
  seen = &shown;
  SetDialogHandlers({.error = [](Handle, int, const char* extra) { seen->push_back(extra); }});
  Pixie({"PLAYER_NAME ナギ"});
  EXPECT_EQ(BuildPlayListFromFiles(), 1);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], "RES_FILEが記述されていません");
  EXPECT_EQ(BuildTextLibFromFiles(), 1);
  EXPECT_TRUE(Logged("このｼﾅﾘｵはTextLibが定義されていません"));

  test::WriteFile("list.form",
                  "ResourceName PlayList.res\nDataName PlayList\nItem TEXT ITEMstring 64\n"
                  "StartData\nTEXT first\nEndData\n");
  test::WriteFile("more.txt", "StartData\nTEXT second\nEndData\n");
  test::WriteFile("never.txt", "StartData\nTEXT third\nEndData\n");
  // An empty word ends the list.
  Pixie({"RES_FILE list.form,more.txt,,never.txt"});
  EXPECT_EQ(BuildPlayListFromFiles(), 0);
  ASSERT_NE(App().play_list, kNoHandle);
  EXPECT_EQ(RecordCount(App().play_list), 2);
  EXPECT_STREQ(GetStr(FirstRecord(App().play_list), "TEXT"), "second");
  SetDialogHandlers({});
}

// The status window drawn into a real window of an 800 x 600 screen.
class StatusWindowTest : public test::WindowTest {
 protected:
  std::string Ini() const override {
    std::string ini = test::WindowTest::Ini();
    const auto at = ini.find("SCREEN_SIZEX 320");
    ini.replace(at, std::strlen("SCREEN_SIZEX 320\nSCREEN_SIZEY 240"), "SCREEN_SIZEX 800\nSCREEN_SIZEY 600");
    return ini;
  }
  void SetUp() override {
    test::WindowTest::SetUp();
    MakeState();
    App().task = owner();
    window_ = Window("status", 20, 30, 180, 260, WINDOWframe, kFace);
    SetWindowGC(window_, CreateGC(owner(), ColourTable[1], kFace, ColourTable[18], ColourTable[19]));
    App().status_window = window_;
    CreateStatusGCs();
  }
  void Show(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    test::WriteFile("pixie.res", text);
    init_pixie();
    DrawStatus();
  }
  // The pixel at (x, y) of the status window's content.
  uint32_t At(int x, int y) const {
    const ScreenRect r = ContentRect(window_);
    return test::Pixel(r.x + x, r.y + y);
  }
  bool RowHas(int y, uint32_t colour) const {
    for (int yy = y; yy < y + 20; ++yy) {
      for (int x = 0; x < 180; ++x) {
        if (At(x, yy) == colour) return true;
      }
    }
    return false;
  }
  static uint32_t Ramp(int k) {
    static const uint8_t kRamp[16][3] = {{200, 200, 0},  {200, 200, 10}, {200, 180, 10}, {200, 170, 10},
                                         {200, 160, 10}, {200, 160, 10}, {200, 140, 0},  {200, 120, 0},
                                         {210, 100, 0},  {220, 70, 10},  {220, 60, 10},  {220, 50, 10},
                                         {230, 40, 10},  {230, 20, 10},  {240, 10, 10},  {250, 0, 0}};
    return MakeColour(kRamp[k][0], kRamp[k][1], kRamp[k][2]);
  }
  static bool Logged(const std::string& line) {
    for (const std::string& l : test::ReadLines("SenELOG.dat")) {
      if (l == line) return true;
    }
    return false;
  }
  static constexpr uint32_t kFace = 0x00787878;
  Handle window_ = kNoHandle;
};

TEST_F(StatusWindowTest, AGaugeIsDrawnWithTheYellowToRedRampAtItsRow) {
  SetNum(App().state, "体力", 192);  // a bar of 64 pixels: 16 bands of 4
  Show({"DATE_STS 0", "DISPLAY1 体力"});
  for (int k = 0; k < 16; ++k) EXPECT_EQ(At(100 + 4 * k + 2, 10 + 7), Ramp(k)) << "band " << k;
  EXPECT_EQ(At(100 + 64 + 3, 17), kFace);  // past the bar
  EXPECT_EQ(At(101, 10 + 17), kFace);      // below its 15 pixels
  // The window keeps its own GC.
  EXPECT_NE(GetWindowGC(window_), App().gauge_gc);
  EXPECT_EQ(GCView(GetWindowGC(window_))->face, kFace);
}

TEST_F(StatusWindowTest, TheDateLineMovesEveryRowDownByOne) {
  SetNum(App().state, "体力", 96);
  Show({"DATE_STS 0", "DISPLAY1 blank", "DISPLAY2 体力", "DISPLAY3 名前"});
  // "blank" keeps its place: the gauge of row 2 is at y 30.
  EXPECT_EQ(At(101, 10 + 7), kFace);
  EXPECT_EQ(At(101, 30 + 7), Ramp(0));
  EXPECT_TRUE(RowHas(50, ColourTable[6]));  // 名前:ナギ in colour 6

  Show({"DATE_STS 1", "MONTH 8", "DAY 1", "WEEK 4", "DISPLAY1 blank", "DISPLAY2 体力", "DISPLAY3 名前"});
  EXPECT_TRUE(RowHas(10, ColourTable[1]));  // the date in the window's text colour
  EXPECT_EQ(At(101, 30 + 7), kFace);
  EXPECT_EQ(At(101, 50 + 7), Ramp(0));
  EXPECT_TRUE(RowHas(70, ColourTable[6]));
  EXPECT_FALSE(RowHas(50, ColourTable[6]));
}

TEST_F(StatusWindowTest, ModeRowsShowTheirValueNameAndZeroOrNegativeValuesNoBar) {
  SetNum(App().state, "体力", 0);
  SetNum(App().state, "知力", -30);
  SetNum(App().state, "今日", 1);
  Show({"DATE_STS 2", "DISPLAY1 体力", "DISPLAY2 知力", "DISPLAY3 今日", "MODENAME1 今日,未定,海遊び"});
  EXPECT_TRUE(Logged("取得時間が0です."));  // no time line, the rows keep their places
  EXPECT_EQ(At(101, 30 + 7), kFace);
  EXPECT_EQ(At(101, 50 + 7), kFace);
  EXPECT_TRUE(RowHas(70, ColourTable[6]));
  // A closed window is not drawn.
  Close(window_);
  SetNum(App().state, "体力", 150);
  DrawStatus();
  EXPECT_NE(At(102, 30 + 7), Ramp(0));
}

}  // namespace
}  // namespace vadu
