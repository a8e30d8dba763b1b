// Headless playthroughs of the demo game through the vadu command: both
// endings, menu choices by mouse, the Ctrl fast forward, a save slot
// written in one run and loaded in the next, auto play, and the pixels of
// the results screen, the status gauges and the message area. Every test
// plays a copy of the built demo in its own temporary directory (runs write
// logs, slots and resource files there) and checks the transcript, the
// exit code, the slot file and screenshots.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_files.h"
#include "platform/framebuffer.h"
#include "platform/png.h"

#if !defined(VADU_DEMO_DIR) || !defined(VADU_RES_EXE) || !defined(VADU_DEMO_SCRIPTS)
#error "tests/CMakeLists.txt names the built demo, vadu-res and tests/e2e/demo"
#endif

namespace {

using vadu::e2e::Lines;
using vadu::e2e::ReadAll;
using vadu::e2e::Utf8;

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// --- Script pieces ----------------------------------------------------------
// The keys follow tests/e2e/demo/good.script: a press completes a typing
// message and the next press takes the step. After a choice the game
// flashes the changed status rows in a modal wait, and a key given while
// the engine waits replaces one it has not read yet, so the next key comes
// two seconds later.

// From the title to the first morning, whose question types.
std::string Prologue() {
  return "wait 1000\nkey Return\n"            // the title: the prologue starts
         "wait 1000\nkey Return\n"            // its first page completed
         "wait 300\nkey Return\n"             // its second page
         "wait 300\nkey Return\n"             // <input>: Mio types
         "wait 1000\nkey Return\nwait 300\n"  // completed
         "key Return\n";                      // 8/1: the question types
}

// Chooses menu row `row` with Down (the first opens the menu and highlights
// row 1) and Return.
std::string ChooseByKeys(int row) {
  std::string s = "wait 1000\n";
  for (int i = 0; i < row; ++i) s += "key Down\nwait 200\n";
  return s + "key Return\nwait 2000\n";
}

// The selection object 111 stands at (680, 20) in the play window, which
// the 800 x 600 screen holds at (0, 0); its rows are 22 high (its 18-pixel
// font + 4) below a framed top edge, row 0 being the title. Once the question
// has been typed the menu opens by itself, and a click chooses a row.
constexpr int kSelectX = 730;
int SelectRowY(int row) {
  return 20 + 2 + 22 * row + 11;
}
std::string ChooseByClick(int row) {
  return "wait 10000\nclick " + std::to_string(kSelectX) + " " + std::to_string(SelectRowY(row)) + "\nwait 2000\n";
}

// Completes the day's message and takes the next step (the next morning).
std::string EndDay() {
  return "key Return\nwait 300\nkey Return\nwait 1000\n";
}

// The popup menu (PopupMenu ON) opens centred on a right press over the
// play window: the system font's popup is 293 high, so pressed at (600,
// 380) its content starts at y 234, rows 24 high; letting go over a row
// chooses it. 保存 is row 1, 読込 row 2.
std::string Popup(int row) {
  return "down 600 380 right\nwait 300\nmove 600 " + std::to_string(380 - 146 + 24 * row + 12) +
         "\nwait 300\nup\nwait 1000\n";
}

// The save menu (object 118) stands at (300, 100): a title row, then the
// slots, rows 24 high (the system GC's 20-pixel font + 4). The slot's
// message dialog takes a key once its first second is over.
std::string ChooseSlot(int slot) {
  return "click 400 " + std::to_string(100 + 2 + 24 * slot + 12) + "\nwait 1500\nkey Return\nwait 1000\n";
}

// --- A demo directory and its runs -------------------------------------------

class DemoRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vadu_demo_e2e_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    game_ = root_ + "/game";
    // Files an earlier run of the built demo may have left (make run) would
    // change the game: saved tables are loaded in place of the scripts.
    const std::string cmd = "cp -R '" VADU_DEMO_DIR "' '" + game_ + "' && cd '" + game_ +
                            "' && rm -f PlayList.res tlibsave.res pixie_cahrcter.res pixie_char*.res SenELOG.dat *.png";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }
  void TearDown() override {
    const std::string cmd = "rm -rf '" + root_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  // Plays the script text in the game directory; returns vadu's exit code
  // and keeps the run's transcript lines.
  int Play(const std::string& script) {
    const std::string path = root_ + "/input.script";
    std::ofstream(path, std::ios::binary) << script;
    return PlayFile(path);
  }
  int PlayFile(const std::string& script_path) {
    const std::string cmd = "cd '" + root_ + "' && '" VADU_EXE "' --headless --virtual-clock --timeout 120 --input '" +
                            script_path + "' --transcript t.txt game >out.txt 2>err.txt";
    const int status = std::system(cmd.c_str());
    transcript_ = Lines(ReadAll(root_ + "/t.txt"));
    err_ = ReadAll(root_ + "/err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int Count(const std::string& line) const {
    return static_cast<int>(std::count(transcript_.begin(), transcript_.end(), line));
  }
  int CountPrefix(const std::string& prefix) const {
    return static_cast<int>(std::count_if(transcript_.begin(), transcript_.end(),
                                          [&](const std::string& l) { return StartsWith(l, prefix); }));
  }
  // Index of the first line from `from` on that starts with `prefix`, or -1.
  int Find(const std::string& prefix, int from = 0) const {
    for (size_t i = static_cast<size_t>(from); i < transcript_.size(); ++i) {
      if (StartsWith(transcript_[i], prefix)) return static_cast<int>(i);
    }
    return -1;
  }
  // True when lines starting with the prefixes come in this order.
  ::testing::AssertionResult InOrder(const std::vector<std::string>& prefixes) const {
    int at = 0;
    for (const std::string& p : prefixes) {
      const int found = Find(p, at);
      if (found < 0) return ::testing::AssertionFailure() << "missing after line " << at << ": " << p;
      at = found + 1;
    }
    return ::testing::AssertionSuccess();
  }

  std::vector<uint32_t> Shot(const std::string& name) {
    std::vector<uint32_t> px;
    int w = 0, h = 0;
    EXPECT_TRUE(vadu::ReadPng((game_ + "/" + name).c_str(), &px, &w, &h)) << name;
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    if (w != 800 || h != 600) px.assign(800 * 600, 0);
    return px;
  }

  std::string root_, game_, err_;
  std::vector<std::string> transcript_;
};

// Pixels of colour `c` in the rectangle [x0, x1) x [y0, y1) of a screenshot.
int CountColour(const std::vector<uint32_t>& px, int x0, int y0, int x1, int y1, uint32_t c) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) n += px[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)] == c ? 1 : 0;
  }
  return n;
}

uint32_t At(const std::vector<uint32_t>& px, int x, int y) {
  return px[static_cast<size_t>(y) * 800 + static_cast<size_t>(x)];
}

const std::string kDayMenu = Utf8(u8"select: 海で遊ぶ=1 | 勉強する=2 | 店を手伝う=3 | 昼寝する=4 | 終了=9");

// The first words of each activity's message, by menu row.
std::string Activity(int row) {
  switch (row) {
    case 1:
      return Utf8(u8"message: 浜辺で");
    case 2:
      return Utf8(u8"message: 机にむかって");
    case 3:
      return Utf8(u8"message: おばあちゃんの店を手伝った");
    default:
      return Utf8(u8"message: 縁側で");
  }
}

// --- The endings --------------------------------------------------------------

TEST_F(DemoRun, GoodEndingByKeyboard) {
  ASSERT_EQ(PlayFile(VADU_DEMO_SCRIPTS "/good.script"), 0) << err_;
  ASSERT_FALSE(transcript_.empty());
  EXPECT_EQ(transcript_[0], Utf8(u8"title: 潮風の七日間  -goStillPixie v0.310-"));
  // Five mornings with a menu (the rainy days have none), each day in turn.
  EXPECT_EQ(Count(kDayMenu), 5);
  EXPECT_TRUE(InOrder(
      {Utf8(u8"message: <font_size 2><font_color PALETyellow>　潮風の七日間"), Utf8(u8"message: 「あなたがナギくん？"),
       Utf8(u8"message: 荷物をおいて"), Activity(1), Utf8(u8"message: 八月二日"), Activity(2),
       Utf8(u8"message: 八月三日は"), Utf8(u8"message: 八月四日も雨"), Utf8(u8"message: 八月五日"), Activity(4),
       Utf8(u8"message: 八月六日"), Activity(1), Utf8(u8"message: 八月七日"), Activity(2),
       Utf8(u8"message: その夜は夏祭り"), Utf8(u8"message: <font_size 2><font_color PALETyellow>　グッドエンド"),
       Utf8(u8"select: おわる=9 | 終了=9")}));
  EXPECT_EQ(CountPrefix(Utf8(u8"message: <font_size 2><font_color PALETred>　バッドエンド")), 0);
  // The game ends on the quit question, answered Yes.
  ASSERT_GE(transcript_.size(), 2u);
  EXPECT_EQ(transcript_[transcript_.size() - 2], Utf8(u8"dialog: ゲームを終了しますか？"));
  EXPECT_EQ(transcript_.back(), "answer: 1");
  EXPECT_EQ(err_.find("the rest was not run"), std::string::npos) << err_;
}

TEST_F(DemoRun, BadEnding) {
  ASSERT_EQ(PlayFile(VADU_DEMO_SCRIPTS "/bad.script"), 0) << err_;
  EXPECT_EQ(Count(kDayMenu), 5);
  // A nap every day, then the festival night alone.
  EXPECT_EQ(CountPrefix(Activity(4)), 5);
  EXPECT_TRUE(
      InOrder({Utf8(u8"message: 夏祭りの夜。"), Utf8(u8"message: <font_size 2><font_color PALETred>　バッドエンド"),
               Utf8(u8"dialog: バッドエンド！")}));
  EXPECT_EQ(CountPrefix(Utf8(u8"message: <font_size 2><font_color PALETyellow>　グッドエンド")), 0);
  // Nothing is shown once the dialog has ended the game.
  EXPECT_EQ(transcript_.back(), "answer: 0");
}

// --- Choosing by mouse -----------------------------------------------------------

class DemoChoice : public DemoRun, public ::testing::WithParamInterface<int> {};

TEST_P(DemoChoice, ClickOnARowPlaysTheDayTheKeyboardDoes) {
  const int row = GetParam();
  const std::string after = EndDay() + "wait 1000\n";
  ASSERT_EQ(Play(Prologue() + ChooseByKeys(row) + after), 0) << err_;
  ASSERT_TRUE(InOrder({kDayMenu, Activity(row), Utf8(u8"message: 八月二日")}));
  const std::vector<std::string> by_keys(transcript_.begin() + Find(Activity(row)), transcript_.end());
  ASSERT_EQ(Play(Prologue() + ChooseByClick(row) + after), 0) << err_;
  // From the choice on, the click plays what the keys did: the same day,
  // then the next morning.
  const int day = Find(Activity(row));
  ASSERT_GE(day, 0) << "row " << row << " was not chosen";
  EXPECT_EQ(std::vector<std::string>(transcript_.begin() + day, transcript_.end()), by_keys);
}

INSTANTIATE_TEST_SUITE_P(Rows, DemoChoice, ::testing::Values(1, 2, 3, 4));

// --- Ctrl ------------------------------------------------------------------------

TEST_F(DemoRun, HeldCtrlPlaysOnToTheNextQuestion) {
  // From the first day's activity: three seconds with Ctrl held type it,
  // end it and type the next morning up to its menu; without Ctrl the
  // activity is still typing then.
  const std::string start = Prologue() + ChooseByKeys(1);
  ASSERT_EQ(Play(start + "wait 3000\n"), 0) << err_;
  EXPECT_EQ(Find(Utf8(u8"message: 八月二日")), -1);
  ASSERT_EQ(Play(start + "hold Ctrl\nwait 3000\nrelease Ctrl\nwait 300\n"), 0) << err_;
  EXPECT_TRUE(
      InOrder({Activity(1), "prompt: PushAnyKey", kDayMenu, Utf8(u8"message: 八月二日"), "prompt: Select Menu"}));
  // It stops at the question: no choice was made for the player.
  EXPECT_EQ(Find(Activity(1), Find(Utf8(u8"message: 八月二日"))), -1);
  EXPECT_EQ(Find(Activity(2)), -1);
}

// --- Save and load -----------------------------------------------------------------

TEST_F(DemoRun, SlotSavedInOneRunIsLoadedInTheNext) {
  // The first morning's menu is open (it opens once its question is typed).
  ASSERT_EQ(Play(Prologue() + "wait 10000\n" + Popup(1) + ChooseSlot(3) + "close\n"), 0) << err_;
  EXPECT_TRUE(InOrder({kDayMenu, "prompt: Select Menu", "dialog: Save pixie_char03.res:", "save: pixie_char03.res"}));
  const std::string slot = game_ + "/pixie_char03.res";
  ASSERT_EQ(access(slot.c_str(), F_OK), 0);

  // The tool shows the game state's record first, with what the save stored.
  const std::string dump_cmd = "'" VADU_RES_EXE "' dump '" + slot + "' >'" + root_ + "/dump.txt' 2>&1";
  ASSERT_EQ(std::system(dump_cmd.c_str()), 0) << ReadAll(root_ + "/dump.txt");
  const std::string dump = ReadAll(root_ + "/dump.txt");
  const size_t first = dump.find("\n  record ");
  ASSERT_NE(first, std::string::npos) << dump;
  const size_t second = dump.find("\n  record ", first + 1);
  const std::vector<std::string> record =
      Lines(dump.substr(first, second == std::string::npos ? std::string::npos : second - first));
  for (const std::string& want :
       {Utf8(u8"    \"名前\" \"ナギ\""), Utf8(u8"    \"menu_str\" \"海で遊ぶ:1,勉強する:2,店を手伝う:3,昼寝する:4\""),
        std::string("    \"select_menu\" 1"), std::string("    \"backgraphic_name\" \"bg_morning.bmp\""),
        std::string("    \"base_text\" \"\""), std::string("    \"month\" 8"), std::string("    \"day\" 1"),
        std::string("    \"week\" 4")}) {
    EXPECT_NE(std::find(record.begin(), record.end(), want), record.end()) << want << "\n" << dump;
  }

  // A new run in the same directory loads it from the title: the same menu
  // comes again, and the game goes on from it to the next day.
  ASSERT_EQ(Play("wait 1000\n" + Popup(2) + ChooseSlot(3) + ChooseByKeys(2) + EndDay()), 0) << err_;
  const int load = Find("load: pixie_char03.res");
  ASSERT_GE(load, 0);
  // The saved menu is shown again, not its question.
  EXPECT_EQ(Find(Utf8(u8"message: 荷物をおいて")), -1);
  EXPECT_TRUE(InOrder({"dialog: Load pixie_char03.res:", "load: pixie_char03.res", kDayMenu, Activity(2),
                       Utf8(u8"message: 八月二日")}));
}

// --- Auto play and the results screen ------------------------------------------------

TEST_F(DemoRun, RainyDaysPlayThemselves) {
  // 8/1 and 8/2, then the rain starts auto play: half a minute without a
  // key shows both rainy days, and auto play stops at the second.
  ASSERT_EQ(Play(Prologue() + ChooseByKeys(1) + EndDay() + ChooseByKeys(2) + EndDay() + "wait 30000\n"), 0) << err_;
  const int rain = Find(Utf8(u8"message: 八月三日は"));
  ASSERT_GE(rain, 0);
  EXPECT_TRUE(InOrder(
      {Utf8(u8"message: 八月三日は"), "prompt: PushAnyKey", Utf8(u8"message: 八月四日も雨"), "prompt: PushAnyKey"}));
  EXPECT_EQ(Find(Utf8(u8"message: 八月五日")), -1);
  EXPECT_EQ(transcript_.back(), "prompt: PushAnyKey");
}

TEST_F(DemoRun, ResultsScreenShowsEachParameterAndItsRise) {
  ASSERT_EQ(PlayFile(VADU_DEMO_SCRIPTS "/good.script"), 0) << err_;
  const std::vector<uint32_t> px = Shot("results.png");
  const uint32_t name = vadu::MakeColour(200, 200, 200);   // colour table 18
  const uint32_t value = vadu::MakeColour(120, 120, 120);  // 17
  const uint32_t rise = vadu::MakeColour(0, 0, 220);       // 3
  const uint32_t fall = vadu::MakeColour(200, 0, 0);       // 2
  // 体力, 知力 and 友情 rose on the good path: three rows, a fourth empty.
  for (int i = 1; i <= 4; ++i) {
    const int y = 50 + 30 * (i - 1);
    const bool row = i <= 3;
    EXPECT_EQ(CountColour(px, 20, y, 76, y + 20, name) > 20, row) << "name of row " << i;
    EXPECT_EQ(CountColour(px, 80, y, 116, y + 20, value) > 20, row) << "value of row " << i;
    EXPECT_EQ(CountColour(px, 120, y, 170, y + 20, rise) > 20, row) << "rise of row " << i;
    EXPECT_EQ(CountColour(px, 120, y, 170, y + 20, fall), 0) << "row " << i;
    // Nothing of the row's colours in the gap before the values.
    EXPECT_EQ(CountColour(px, 76, y, 80, y + 20, name), 0) << "row " << i;
  }
}

// --- Status window and message area ------------------------------------------------------

TEST_F(DemoRun, StatusGaugesAndMessageTextAreWhereTheyBelong) {
  // The title, then the first morning, its question typed to its end.
  ASSERT_EQ(Play("wait 1000\nshot title.png\n" + Prologue() + "wait 10000\nshot morning.png\n"), 0) << err_;
  const std::vector<uint32_t> title = Shot("title.png");
  const std::vector<uint32_t> morning = Shot("morning.png");
  const uint32_t white = vadu::MakeColour(255, 255, 255);
  // The message area: (80, 420), 660 x 160 (TEXT_HIGHT 160). Its text is
  // there once typed, not before, and none spills to its sides.
  EXPECT_EQ(CountColour(title, 80, 420, 740, 580, white), 0);
  EXPECT_GT(CountColour(morning, 80, 420, 740, 580, white), 1000);
  EXPECT_EQ(CountColour(morning, 60, 420, 80, 580, white), 0);
  EXPECT_EQ(CountColour(morning, 740, 420, 760, 580, white), 0);

  // The status window at (20, 30), the date on top and the parameter rows
  // below: 体力 (60 on the first morning) is DISPLAY4, at y 90 of the
  // window, its gauge from x 100 in the bands of the yellow-to-red ramp.
  const int gauge_y = 30 + 90 + 7;
  const uint32_t first_band = vadu::MakeColour(200, 200, 0);
  const uint32_t last_band = vadu::MakeColour(250, 0, 0);
  const int x0 = 20 + 100;
  const uint32_t face = vadu::MakeColour(120, 120, 120);  // colour table 17
  EXPECT_EQ(At(morning, x0, gauge_y), first_band);
  EXPECT_EQ(At(morning, x0 - 1, gauge_y), face);
  // The bands run from yellow to red; the bar is about 60 / 3 pixels long
  // and the face follows it.
  int end = x0;
  while (end < 200 && At(morning, end, gauge_y) != face) ++end;
  EXPECT_EQ(At(morning, end - 1, gauge_y), last_band);
  EXPECT_GE(end - x0, 16);
  EXPECT_LE(end - x0, 21);
  // A band a row: the bar is 15 pixels high.
  EXPECT_EQ(At(morning, x0, 30 + 90), first_band);
  EXPECT_EQ(At(morning, x0, 30 + 90 + 14), first_band);
  EXPECT_EQ(At(morning, x0, 30 + 90 + 16), face);
}

}  // namespace
