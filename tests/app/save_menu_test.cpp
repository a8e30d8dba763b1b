// Save slots and the save menu on a running StillPixie: a small game
// directory is started as the vadu command starts one, and the scenario is
// driven through the application's own functions. Checked: the slot files'
// names and contents, the labels, the screen and text rebuilt by a load,
// damaged and missing slots, and a save that fails half way.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pixie_app.h"
#include "core/dialog_seam.h"
#include "core/state.h"
#include "core/transcript.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/startup.h"
#include "menu/menu.h"
#include "platform/clock.h"
#include "support/game_dir.h"
#include "support/window_engine.h"
#include "window/object.h"
#include "window/window.h"
#include "window/window_record.h"

namespace vadu {
namespace {

constexpr char kIni[] =
    "TRACE ON\nLOOP_EXIT ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\nUSE_COLOR 3\n"
    "BACKSCREEN_COLOR 0\nFONT1_SIZEX 16\nFONT1_SIZEY 16\nFONT2_SIZEX 16\nFONT2_SIZEY 16\n"
    "FONT3_SIZEX 16\nFONT3_SIZEY 16\nFONT_SIZEX 16\nFONT_SIZEY 16\nSCREEN_SIZEX 800\nSCREEN_SIZEY 600\n"
    "START_PROGRAM StillPixie\n";

constexpr char kPixie[] =
    "PLAYER_NAME ナギ\nGAME_TITLE テスト\nMONTH 8\nDAY 1\nWEEK 4\nEND_MONTH 8\nEND_DAY 7\nDATE_STS 1\n"
    "DISPLAY1 体力\nActiveSelect OFF\nPARANAME 体力\nRES_FILE playlist.form\nPopupMenu OFF\n";

constexpr char kState[] =
    "ResourceName pixie_cahrcter.res\nDataName Charcter\n"
    "Item 名前 ITEMstring 24\nItem change_day ITEMlong\nItem GSPrequest ITEMlong\nItem mode ITEMlong\n"
    "Item old_mode ITEMlong\nItem count ITEMlong\nItem time ITEMlong\nItem menu_str ITEMstring 256\n"
    "Item select_menu ITEMlong\nItem backgraphic_name ITEMstring 64\nItem base_text ITEMstring 4096\n"
    "Item 体力 ITEMlong\nItem 場面 ITEMlong\nItem month ITEMlong\nItem day ITEMlong\nItem week ITEMlong\n"
    "StartData\n名前 ナギ\nchange_day 0\nGSPrequest 0\nmode 0\nold_mode 0\ncount 0\ntime 540\n"
    "select_menu 0\n体力 10\n場面 0\nmonth 0\nday 0\nweek 0\nEndData\n";

constexpr char kPlayList[] =
    "ResourceName PlayList.res\nDataName PlayList\n"
    "Item Compare ITEMstring 128\nItem TEXT ITEMstring 2048\nItem Compute ITEMstring 128\n"
    "StartData\nCompare 場面==0\nTEXT \"はじめの文<input>つづきの文<Select 海:1,山:2>\"\nEndData\n"
    "StartData\nCompare 場面==1\nTEXT \"おわりの文\"\nEndData\n";

std::vector<std::string>* g_shown = nullptr;

class SaveMenuTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    std::string messages;
    for (int i = 1; i <= 100; ++i) messages += "message " + std::to_string(i) + "\n";
    test::WriteFile("SYSTEM.msg", messages);
    test::WriteFile("VADU.ini", kIni);
    test::WriteFile("pixie.res", kPixie);
    test::WriteFile("still_pixie.res", kState);
    test::WriteFile("playlist.form", kPlayList);
    SetPlatformClock(&clock_);
    ASSERT_TRUE(HostStartup());
    for (int n = 0; n < 2000 && TestWindowMode(App().play_window, WINDOWopen) == 0; ++n) RunScheduler();
    ASSERT_NE(TestWindowMode(App().play_window, WINDOWopen), 0u);
    Settle();
    // The message dialog is answered at once; what it showed is kept.
    g_shown = &shown_;
    SetDialogHandlers({.message_text = [](const char* text) {
      g_shown->push_back(text);
      return 0;
    }});
    ASSERT_TRUE(OpenTranscript("transcript.txt"));
  }
  void TearDown() override {
    CloseTranscript();
    g_shown = nullptr;
    GameDirTest::TearDown();
  }
  static void Settle(int cycles = 60) {
    for (int n = 0; n < cycles; ++n) RunScheduler();
  }
  // A scenario step, as a key press gives one once the page is typed.
  static void Step() {
    App().draw_mes = 0;
    action_pixie();
  }
  static Handle State() { return App().state; }
  static std::string Str(Handle record, const char* item) {
    const char* s = GetStr(record, item);
    return s != nullptr ? s : "(none)";
  }
  static std::string Label(int row) {
    const MenuRow* r = MenuSlot(App().save_menu, row);
    return r != nullptr ? r->label : "(none)";
  }
  static bool SelectionShown() { return TestWindowMode(App().select_window, WINDOWshow) != 0; }
  bool Logged(const std::string& line) const {
    for (const std::string& l : test::ReadLines("SenELOG.dat")) {
      if (l == line) return true;
    }
    return false;
  }

  test::InputClock clock_;
  std::vector<std::string> shown_;
};

TEST_F(SaveMenuTest, SavingToRowThreeWritesSlotFileThreeWithTheState) {
  SetNum(State(), "体力", 42);
  OpenSaveMenu(1);
  EXPECT_EQ(App().savemenu_flag, 1);
  EXPECT_EQ(Label(0), "保存");
  SaveMenuReturn(3);
  CloseSaveMenu();
  EXPECT_EQ(App().savemenu_flag, 0);
  ASSERT_TRUE(test::FileExists("pixie_char03.res"));
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_EQ(shown_[0], "Save pixie_char03.res:" + std::to_string(RecordCount(App().charcter)));
  // The game state's resource keeps its own file name.
  EXPECT_STREQ(Attr(App().charcter)->res_name, "pixie_cahrcter.res");

  const Handle copy = OpenResource(kNoHandle, "pixie_char03.res", "Other");
  ASSERT_NE(copy, kNoHandle);
  EXPECT_EQ(Str(FirstRecord(copy), "名前"), "ナギ");
  EXPECT_EQ(GetNum(FirstRecord(copy), "体力"), 42);
  EXPECT_EQ(GetNum(FirstRecord(copy), "month"), 8);
  const std::vector<std::string> lines = test::ReadLines("transcript.txt");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "save: pixie_char03.res"), lines.end());
}

TEST_F(SaveMenuTest, LabelsAreReadAfreshAndTheSlotResourcesReleased) {
  SaveSlot(3);
  OpenSaveMenu(2);
  EXPECT_EQ(Label(0), "読込");
  EXPECT_EQ(Label(3), "No3:ナギ");
  EXPECT_EQ(Label(4), "未設定");  // no file: the row keeps its label
  CloseSaveMenu();

  // Saved again under another name: the label follows the file.
  SetStr(State(), "名前", "ナギ二");
  SaveSlot(3);
  int resources = 0;
  for (Handle r = FirstResource(); r != kNoHandle; r = Attr(r)->next_resource) ++resources;
  OpenSaveMenu(2);
  EXPECT_EQ(Label(3), "No3:ナギ二");
  CloseSaveMenu();
  int after = 0;
  for (Handle r = FirstResource(); r != kNoHandle; r = Attr(r)->next_resource) ++after;
  EXPECT_EQ(after, resources);
  const Handle slot = FindResource("pixie_char03.res", "Charcter");
  ASSERT_NE(slot, kNoHandle);
  EXPECT_EQ(RecordCount(slot), 0);
  EXPECT_EQ(FindResource("pixie_cahrcter.res", "Charcter"), App().charcter);
}

TEST_F(SaveMenuTest, WithTheTimeShownALabelCarriesTheTimeOrNONtime) {
  App().date_sts = 2;
  SetNum(State(), "time", 0);
  SaveSlot(1);
  SetNum(State(), "time", 61);
  SaveSlot(2);
  OpenSaveMenu(2);
  EXPECT_EQ(Label(1), "NONtime:ナギ");
  EXPECT_EQ(Label(2), "１時１分:ナギ");
  CloseSaveMenu();
}

TEST_F(SaveMenuTest, SavedWhileSelectingALoadShowsTheSameMenuAndWaits) {
  Step();  // はじめの文, stopped at <input>
  Step();  // つづきの文 and the menu
  ASSERT_EQ(App().select_menu, 1);
  App().month = 8;
  App().day = 3;
  App().week = 6;
  ASSERT_EQ(SaveSlot(2), 0);
  EXPECT_EQ(GetNum(State(), "select_menu"), 1);
  EXPECT_EQ(Str(State(), "menu_str"), "海:1,山:2");
  EXPECT_EQ(Str(State(), "base_text"), "");

  // Away from the menu: rows emptied, the calendar moved on.
  BuildSelectMenu("");
  App().select_menu = 0;
  if (SelectionShown()) CloseObject(App().play_window, kObjSelect);
  SetNum(State(), "select_menu", 0);
  App().month = 9;
  App().day = 9;
  App().week = 1;

  ASSERT_EQ(LoadSlot(2), 0);
  EXPECT_EQ(App().select_menu, 1);
  EXPECT_TRUE(SelectionShown());
  const Handle menu = App().select_menu_handle;
  EXPECT_STREQ(MenuSlot(menu, 1)->label, "海");
  EXPECT_EQ(MenuSlot(menu, 1)->value, 1);
  EXPECT_STREQ(MenuSlot(menu, 2)->label, "山");
  EXPECT_EQ(MenuSlot(menu, 2)->value, 2);
  EXPECT_NE(MenuSlot(menu, 3)->flags & MENUdisabled, 0);
  EXPECT_EQ(App().month, 8);
  EXPECT_EQ(App().day, 3);
  EXPECT_EQ(App().week, 6);
  EXPECT_TRUE(Logged("pixie_char02.res"));
  const std::vector<std::string> lines = test::ReadLines("transcript.txt");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "load: pixie_char02.res"), lines.end());
}

TEST_F(SaveMenuTest, APendingTextIsTypedAgainFromTheMessageOnTheScreen) {
  Step();
  ASSERT_NE(App().pendingText, nullptr);
  ASSERT_EQ(SaveSlot(5), 0);
  EXPECT_EQ(Str(State(), "base_text"), "はじめの文<input>つづきの文<Select 海:1,山:2>");
  Step();  // on to the menu
  ASSERT_EQ(App().select_menu, 1);

  ASSERT_EQ(LoadSlot(5), 0);
  EXPECT_EQ(App().select_menu, 0);
  EXPECT_FALSE(SelectionShown());
  EXPECT_STREQ(App().message, "はじめの文");
  ASSERT_NE(App().pendingText, nullptr);
  EXPECT_EQ(std::string(App().pendingText).rfind("つづきの文", 0), 0u);
  Step();
  EXPECT_EQ(App().select_menu, 1);
}

TEST_F(SaveMenuTest, SavedWithoutAPendingTextALoadTypesAnEmptyMessage) {
  SetNum(State(), "場面", 1);
  Step();  // おわりの文: the whole text at once
  ASSERT_EQ(App().pendingText, nullptr);
  ASSERT_EQ(SaveSlot(6), 0);
  EXPECT_EQ(Str(State(), "base_text"), "");
  ASSERT_EQ(LoadSlot(6), 0);
  EXPECT_EQ(App().draw_mes, 0);
  EXPECT_TRUE(Logged("短いメッセージ（3文字以下）を表示しようとしました 下行表示"));
}

TEST_F(SaveMenuTest, ADamagedOrMissingSlotLoadsNothingAndTheGameGoesOn) {
  SetNum(State(), "体力", 10);
  ASSERT_EQ(SaveSlot(3), 0);
  const std::string good = test::ReadFile("pixie_char03.res");
  // The records cut off in the middle.
  test::WriteFile("pixie_char04.res", good.substr(0, good.size() - 100));
  test::WriteFile("pixie_char05.res", "not a resource file");
  SetNum(State(), "体力", 77);
  const size_t shown = shown_.size();

  EXPECT_EQ(LoadSlot(4), 1);
  EXPECT_TRUE(Logged("READING ERROR"));
  EXPECT_TRUE(Logged("Load pixie_char04.res: nothing loaded"));
  EXPECT_EQ(LoadSlot(5), 1);
  EXPECT_EQ(LoadSlot(9), 1);  // no such file
  EXPECT_EQ(GetNum(State(), "体力"), 77);
  EXPECT_EQ(shown_.size(), shown);  // no "Load" message
  // The partly read resource is released and the game state untouched.
  const Handle partial = FindResource("pixie_char04.res", "Charcter");
  ASSERT_NE(partial, kNoHandle);
  EXPECT_EQ(RecordCount(partial), 0);
  EXPECT_EQ(FindRecordByStr(App().charcter, "名前", "ナギ"), State());

  OpenSaveMenu(2);
  EXPECT_EQ(Label(3), "No3:ナギ");
  EXPECT_EQ(Label(4), "未設定");
  EXPECT_EQ(Label(5), "未設定");
  CloseSaveMenu();
  Step();
  Settle();
  EXPECT_STREQ(App().message, "はじめの文");
}

TEST_F(SaveMenuTest, ASaveThatFailsHalfWayLeavesTheOldSlotWhole) {
  SetNum(State(), "体力", 10);
  ASSERT_EQ(SaveSlot(7), 0);
  const std::string old = test::ReadFile("pixie_char07.res");
  ASSERT_GT(old.size(), 4096u);
  SetNum(State(), "体力", 99);
  shown_.clear();

  // Files may not grow beyond 1000 bytes: the new slot's write stops there.
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const sighandler_t previous = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = SaveSlot(7);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, previous);

  EXPECT_EQ(result, 1);
  EXPECT_EQ(test::ReadFile("pixie_char07.res"), old);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_EQ(shown_[1], "Save pixie_char07.res failed");
  EXPECT_STREQ(Attr(App().charcter)->res_name, "pixie_cahrcter.res");
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
  const std::vector<std::string> lines = test::ReadLines("transcript.txt");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "save: pixie_char07.res"), 1);
}

TEST_F(SaveMenuTest, AStoredDateThatIsNoDateKeepsTheCalendar) {
  App().month = 13;
  ASSERT_EQ(SaveSlot(8), 0);
  App().month = 8;
  ASSERT_EQ(LoadSlot(8), 0);
  EXPECT_EQ(App().month, 8);
  EXPECT_TRUE(Logged("the saved date 13/1 (4) is no date: the calendar is kept"));
}

TEST_F(SaveMenuTest, ThePopupMenuOpensTheSaveMenuAndOtherValuesDoNothing) {
  PopupReturn(2);
  EXPECT_EQ(App().savemenu_flag, 2);
  EXPECT_NE(TestWindowMode(App().savemenu_window, WINDOWshow), 0u);
  CloseSaveMenu();
  EXPECT_EQ(TestWindowMode(App().savemenu_window, WINDOWshow), 0u);
  PopupReturn(7);
  EXPECT_EQ(App().savemenu_flag, 0);
  SaveMenuReturn(1);  // no menu open
  EXPECT_TRUE(Logged("savemenu_flag異常です"));
  EXPECT_FALSE(test::FileExists("pixie_char01.res"));
  // The title row is no slot.
  OpenSaveMenu(1);
  SaveMenuReturn(0);
  CloseSaveMenu();
  EXPECT_FALSE(test::FileExists("pixie_char00.res"));
  EXPECT_TRUE(Logged("savemenu return 0 is no slot"));
}

}  // namespace
}  // namespace vadu
