// The scenario step's interpreter on a game state and a text library made in
// memory: tags, library words, the player's name, the buffers' limits, the
// GSP requests and the calendar. No window exists, so every text the step
// gives to the message area is refused there and only the text counts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/pixie_app.h"
#include "data/compute.h"
#include "data/resource.h"
#include "menu/menu.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class ScenarioTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    PixieApp& a = App();
    a.charcter = CreateResource(kNoHandle, "pixie_cahrcter.res", "Charcter");
    CreateItem(a.charcter, "名前", ITEMstring, 24);
    CreateItem(a.charcter, "GSPrequest", ITEMlong, 0);
    CreateItem(a.charcter, "change_day", ITEMlong, 0);
    CreateItem(a.charcter, "mode", ITEMlong, 0);
    CreateItem(a.charcter, "old_mode", ITEMlong, 0);
    CreateItem(a.charcter, "count", ITEMlong, 0);
    CreateItem(a.charcter, "体力", ITEMlong, 0);
    CreateItem(a.charcter, "場面", ITEMlong, 0);
    a.state = CreateRecord(a.charcter, -1, 0);
    SetStr(a.state, "名前", "ナギ");
    a.param_count = 1;
    std::strcpy(a.params[0], "体力");

    a.text_lib = CreateResource(kNoHandle, "tlibsave.res", "TextLIBt");
    CreateItem(a.text_lib, "textlib_word", ITEMstring, 32);
    CreateItem(a.text_lib, "Compare", ITEMstring, 128);
    CreateItem(a.text_lib, "Text", ITEMstring, 1024);

    a.play_list = CreateResource(kNoHandle, "PlayList.res", "PlayList");
    CreateItem(a.play_list, "Compare", ITEMstring, 128);
    CreateItem(a.play_list, "TEXT", ITEMstring, 2048);
    CreateItem(a.play_list, "Compute", ITEMstring, 128);
  }

  void Library(const char* word, const char* compare, const char* text) {
    const Handle r = CreateRecord(App().text_lib, -1, 0);
    SetStr(r, "textlib_word", word);
    SetStr(r, "Compare", compare);
    SetStr(r, "Text", text);
  }
  void Play(const char* compare, const char* text, const char* compute) {
    const Handle r = CreateRecord(App().play_list, -1, 0);
    SetStr(r, "Compare", compare);
    SetStr(r, "TEXT", text);
    SetStr(r, "Compute", compute);
  }

  // Runs a text as a scenario step does (in the scenario buffer); `out_`
  // is what would be typed.
  int Exec(const std::string& text) {
    PixieApp& a = App();
    std::memset(a.base_text, 0, sizeof a.base_text);
    std::memcpy(a.base_text, text.data(), std::min(text.size(), sizeof a.base_text - 1));
    a.pendingText = a.base_text;
    std::memset(out_, 0x5A, sizeof out_);
    const int r = exec_command(a.pendingText, out_, kScenarioTextSize);
    EXPECT_EQ(out_[kScenarioTextSize], '\x5A') << "wrote past the output";
    return r;
  }
  int32_t Num(const char* name) { return GetNum(App().state, name); }

  char out_[kScenarioTextSize + 1] = {};
};

TEST_F(ScenarioTest, TheNameTagBecomesThePlayersNameAnywhereAlsoInsideALibraryText) {
  Library("あいさつ", "1==1", "「おはよう、<名前>くん」");
  EXPECT_EQ(Exec("<名前>は<あいさつ>と聞いた<名前>"), 0);
  EXPECT_STREQ(out_, "ナギは「おはよう、ナギくん」と聞いたナギ");
  EXPECT_EQ(App().pendingText, nullptr);
}

TEST_F(ScenarioTest, ALibraryTextIsPickedByItsConditionAndItsTagsAreExecuted) {
  Library("あさ", "体力>=100", "元気だ。");
  Library("あさ", "1==1", "<Compute 体力+=7>だるい。<font_color PALETred>");
  SetNum(App().state, "体力", 10);
  EXPECT_EQ(Exec("朝。<あさ>"), 0);
  EXPECT_STREQ(out_, "朝。だるい。<font_color PALETred>");
  EXPECT_EQ(Num("体力"), 17);
  EXPECT_TRUE(Logged(" textlib展開 -あさ-"));
}

TEST_F(ScenarioTest, AWordWhoseTextHoldsItselfStopsAtTheNestingLimit) {
  Library("わな", "1==1", "わ<わな>");
  EXPECT_EQ(Exec("<わな>終"), 0);
  // Eight levels of the text, then the tag as an unknown one; the rest of
  // the text still follows.
  std::string expected;
  for (int i = 0; i < 8; ++i) expected += "わ";
  expected += "<わな>終";
  EXPECT_EQ(std::string(out_), expected);
}

TEST_F(ScenarioTest, LibraryTextsThatAreMissingOrTooShort) {
  Library("空", "1==1", "x");
  EXPECT_EQ(Exec("a<空>b"), 0);
  EXPECT_STREQ(out_, "ab");
  EXPECT_TRUE(Logged("decode TextLib Nullstring"));
  // No condition holds: an unknown tag, copied as it is.
  Library("条件", "体力>500", "never");
  EXPECT_EQ(Exec("<条件>"), 0);
  EXPECT_STREQ(out_, "<条件>");
  EXPECT_TRUE(Logged(" 未定義ﾀｸﾞでTextLIBにもありません。 -条件- exe0"));
}

TEST_F(ScenarioTest, ATagWithoutItsClosingBracketEndsAtTheEndOfTheText) {
  EXPECT_EQ(Exec("前<Compute 体力=44"), 0);
  EXPECT_STREQ(out_, "前");
  EXPECT_EQ(Num("体力"), 44);
  EXPECT_EQ(Exec("a>b"), 0);
  EXPECT_STREQ(out_, "a>b");
  EXPECT_TRUE(Logged("ERROR TAG>"));
}

TEST_F(ScenarioTest, TextsAreCutAtTheBuffersNeverOverrun) {
  // A library word that doubles its text fills the scenario buffer.
  Library("倍", "1==1", "<倍><倍>");
  Library("長", "1==1", std::string(1000, 'x').c_str());
  EXPECT_EQ(Exec("<長><長><長><長><長><長>"), 0);
  EXPECT_EQ(std::strlen(out_), kScenarioTextSize - 1);
  EXPECT_EQ(Exec("<倍>"), 0);
  EXPECT_LT(std::strlen(App().base_text), kScenarioTextSize);
  // A two-byte character is never split by the cut.
  char text[] = "xああ";
  char small[5] = {0, 0, 0, 0, '\x5A'};
  EXPECT_EQ(exec_command(text, small, 4), 0);
  EXPECT_STREQ(small, "xあ");
  EXPECT_EQ(small[4], '\x5A');
}

TEST_F(ScenarioTest, AnInputTagLeavesTheRestPendingAndATagAtTheEndEndsTheText) {
  EXPECT_EQ(Exec("一<input>二"), 0);
  EXPECT_STREQ(out_, "一");
  ASSERT_NE(App().pendingText, nullptr);
  EXPECT_STREQ(App().pendingText, "二");
  EXPECT_EQ(exec_command(App().pendingText, out_, kScenarioTextSize), 0);
  EXPECT_STREQ(out_, "二");
  EXPECT_EQ(App().pendingText, nullptr);

  EXPECT_EQ(Exec("終わり<input>"), 2);
  EXPECT_STREQ(out_, "終わり");
  EXPECT_EQ(App().pendingText, nullptr);
}

TEST_F(ScenarioTest, ASelectOfTwoNumberedItemsBuildsTwoRowsAndTheChoiceDropsTheWordsAfterIt) {
  PixieApp& a = App();
  a.select_menu_handle = CreateMenu(kNoHandle, 15);
  ASSERT_NE(a.select_menu_handle, kNoHandle);
  SetMenuItem(a.select_menu_handle, "残り", " ", 3);
  EXPECT_EQ(Exec("行く？<Select はい:5, いいえ:7>後の言葉"), 0);
  EXPECT_STREQ(out_, "行く？");
  EXPECT_EQ(a.select_menu, 1);
  EXPECT_STREQ(a.menu_str, "はい:5,いいえ:7");
  EXPECT_STREQ(MenuSlot(a.select_menu_handle, 1)->label, "はい");
  EXPECT_EQ(GetMenuItemValue(a.select_menu_handle, 1), 5);
  EXPECT_STREQ(MenuSlot(a.select_menu_handle, 2)->label, "いいえ");
  EXPECT_EQ(GetMenuItemValue(a.select_menu_handle, 2), 7);
  // The rows without an item are hidden and cannot be chosen.
  EXPECT_STREQ(MenuSlot(a.select_menu_handle, 3)->label, "");
  EXPECT_EQ(GetMenuItemValue(a.select_menu_handle, 3), -1);
  EXPECT_NE(TestMenuItemFlags(a.select_menu_handle, 3, MENUdisabled), 0);
  ASSERT_NE(a.pendingText, nullptr);
  EXPECT_STREQ(a.pendingText, "後の言葉");

  Play("mode==7", "いいえの道", "");
  SelectMenu(7);
  EXPECT_EQ(a.select_menu, 0);
  EXPECT_STREQ(a.base_text, "いいえの道");
  EXPECT_EQ(a.pendingText, nullptr);
}

TEST_F(ScenarioTest, NoTextBeforeAStopIsReported) {
  EXPECT_EQ(Exec("<NoText><input>。"), 3);
  EXPECT_STREQ(out_, "<NoText>");
}

TEST_F(ScenarioTest, AParameterDrivenTo250ReadsTwoHundredAfterTheStep) {
  Play("場面==0", "<Compute 体力=250>走った。", "場面=1");
  EXPECT_EQ(action_pixie(), 0);
  EXPECT_EQ(Num("体力"), 200);
  EXPECT_EQ(Num("場面"), 1);
  // No record matches now: the step shows nothing and stays usable.
  EXPECT_EQ(action_pixie(), 0);
  EXPECT_EQ(App().play_record, kNoHandle);
}

TEST_F(ScenarioTest, AStepIsRefusedWhileAMessageTypes) {
  Play("1==1", "文", "体力+=1");
  App().draw_mes = 1;
  EXPECT_EQ(action_pixie(), 1);
  EXPECT_EQ(Num("体力"), 0);
  EXPECT_TRUE(Logged("action_pixie()が呼ばれましたが、描画中によりキャンセル"));
}

TEST_F(ScenarioTest, GspRequestsAreResetExceptTheBadEnd) {
  SetNum(App().state, "GSPrequest", 4);
  HandleGSPRequest();
  EXPECT_EQ(App().autoPlay, 1);
  EXPECT_EQ(Num("GSPrequest"), 0);
  SetNum(App().state, "GSPrequest", 5);
  HandleGSPRequest();
  EXPECT_EQ(App().autoPlay, 0);
  EXPECT_EQ(Num("GSPrequest"), 0);

  SetNum(App().state, "GSPrequest", 2);
  HandleGSPRequest();
  EXPECT_EQ(Num("GSPrequest"), 2);
  EXPECT_TRUE(App().quit_requested);
  // Once the program is ending no step runs (and no second bad end).
  Play("1==1", "文", "体力+=1");
  EXPECT_EQ(action_pixie(), 1);
  EXPECT_EQ(Num("体力"), 0);
}

TEST_F(ScenarioTest, TheCalendarTurnsMonthsAndWeekdaysAndKnowsItsEnd) {
  PixieApp& a = App();
  a.month = 1;
  a.day = 31;
  a.week = 7;
  ChangeDay();
  EXPECT_EQ(a.month, 2);
  EXPECT_EQ(a.day, 1);
  EXPECT_EQ(a.week, 1);
  a.month = 12;
  a.day = 31;
  ChangeDay();
  EXPECT_EQ(a.month, 1);
  EXPECT_EQ(a.day, 1);

  // The end date passed in a later month is an end too.
  a.month = 8;
  a.day = 31;
  a.end_month = 8;
  a.end_day = 31;
  SetNum(a.state, "change_day", 1);
  Play("1==1", "", "");
  action_pixie();
  EXPECT_EQ(Num("change_day"), 100);
}

TEST_F(ScenarioTest, AChoiceCountsRepeatsAndDropsThePendingText) {
  Play("mode==3", "三", "old_mode=mode");
  SetNum(App().state, "old_mode", 3);
  SetNum(App().state, "count", 4);
  App().pendingText = App().base_text;
  std::strcpy(App().base_text, "残り");
  SelectMenu(3);
  EXPECT_EQ(Num("count"), 5);
  EXPECT_EQ(Num("mode"), 3);
  EXPECT_EQ(App().pendingText, nullptr);
  EXPECT_STREQ(App().base_text, "三");
  SelectMenu(2);
  EXPECT_EQ(Num("count"), 0);
}

// GSP 8 from a Compute tag rebuilds the screen from the start data, whose
// text then runs in the scenario buffer: the text the tag stood in is over
// (its buffer holds the restored text, which owns the pending rest). This
// state has no base_text item, so the restored text is that of the play
// record matching the start data.
TEST_F(ScenarioTest, AGspEightTagRestoresTheStartDataAndEndsTheTextItStoodIn) {
  PixieApp& a = App();
  SetNum(a.state, "体力", 5);
  CopyRecordItems(a.state, StartDataRecord(true));
  Play("1==1", "再開<input>残り", "");
  EXPECT_EQ(Exec("前置きの長い文<Compute 体力=99;GSPrequest=8>後ろ"), kTextReplaced);
  EXPECT_EQ(Num("体力"), 5);
  EXPECT_EQ(Num("GSPrequest"), 0);
  ASSERT_NE(a.pendingText, nullptr);
  EXPECT_STREQ(a.pendingText, "残り");
  EXPECT_FALSE(a.restoring);
  EXPECT_TRUE(Logged("scenario text replaced by a restore at -Compute 体力=99;GSPrequest=8-: the rest is not run"));
}

TEST_F(ScenarioTest, AGspEightInsideTheRestoredTextIsRefusedInsteadOfRestoringWithoutEnd) {
  PixieApp& a = App();
  CopyRecordItems(a.state, StartDataRecord(true));
  Play("1==1", "<Compute GSPrequest=8>また<Compute GSPrequest=8>", "");
  EXPECT_EQ(Exec("<Compute GSPrequest=8>"), kTextReplaced);
  EXPECT_EQ(Num("GSPrequest"), 0);
  EXPECT_EQ(a.pendingText, nullptr);
  EXPECT_TRUE(Logged("GSPrequest 8 inside a restored text is refused"));
  // Outside a restore the request works again.
  EXPECT_EQ(Exec("<Compute GSPrequest=8>"), kTextReplaced);
}

}  // namespace
}  // namespace vadu
