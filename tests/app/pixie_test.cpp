// The application task in a running engine on the demo game: start-up, the
// dispatch of keys, clicks, menu choices and message ends, the Ctrl
// advance, and whole playthroughs to both endings, checked by the
// transcript, the game state and the log.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pixie_app.h"
#include "core/transcript.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "menu/menu.h"
#include "platform/bytes.h"
#include "platform/input.h"
#include "platform/input_host.h"
#include "present/effect.h"
#include "support/window_engine.h"
#include "window/object.h"
#include "window/window.h"

#ifndef VADU_DEMO_DIR
#error "VADU_DEMO_DIR names the built demo directory (tests/CMakeLists.txt)"
#endif

namespace vadu {
namespace {

namespace fs = std::filesystem;

constexpr uint16_t kReturn = 13;
constexpr uint16_t kDown = 6;
constexpr uint16_t kEscape = 15;
// Long enough for any message of the demo to be typed out.
constexpr uint64_t kTyping = 25000;

std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

class PixieTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    for (const fs::directory_entry& e : fs::directory_iterator(VADU_DEMO_DIR)) {
      fs::copy(e.path(), fs::path(dir()) / e.path().filename(), fs::copy_options::overwrite_existing);
    }
    // One scheduler cycle per RunScheduler call (the last setting wins).
    test::WriteFile("VADU.ini", test::ReadFile("VADU.ini") + "LOOP_EXIT ON\n");
    clock_.RunLocalTime(true);
    SetPlatformClock(&clock_);
    HostSetForeground(true);
    ASSERT_TRUE(OpenTranscript("t.txt"));
    ASSERT_TRUE(HostStartup());
    Run(2000);
    ASSERT_NE(App().play_window, kNoHandle);
    ASSERT_NE(App().state, kNoHandle);
  }
  void TearDown() override {
    CloseTranscript();
    GameDirTest::TearDown();
  }

  // Lets the engine run `ms` of clock time.
  void Run(uint64_t ms) {
    const uint64_t end = clock_.NowMs() + ms;
    for (int n = 0; clock_.NowMs() < end && n < 5000000; ++n) RunScheduler();
  }
  void Key(uint16_t code, uint64_t ms = 200) {
    HostPutKey(code);
    Run(ms);
  }
  void Advance() { Key(kReturn, kTyping); }
  void Choose(int downs) {
    for (int i = 0; i < downs; ++i) Key(kDown);
    Advance();
  }
  // An event to the application as another task would send it.
  uint8_t* Post(uint16_t code) { return EventBytes(PostEvent(kTaskWindow, TaskNumber(App().task), code)); }

  std::vector<std::string> Transcript() const { return test::ReadLines("t.txt"); }
  int Count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : Transcript()) n += l == line ? 1 : 0;
    return n;
  }
  int CountPrefix(const std::string& prefix) const {
    int n = 0;
    for (const std::string& l : Transcript()) n += l.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  bool Logged(const std::string& line) const {
    for (const std::string& l : test::ReadLines("SenELOG.dat")) {
      if (l == line) return true;
    }
    return false;
  }
  int32_t Num(const char* name) const { return GetNum(App().state, name); }

  // The prologue (two messages, each typed and then ended by a press) up to
  // the first morning's question.
  void Prologue() {
    for (int i = 0; i < 4; ++i) Advance();
  }

  test::InputClock clock_;
};

TEST_F(PixieTest, StartsWithItsTitleWindowAndStatusAndWaitsForAKey) {
  const std::vector<std::string> t = Transcript();
  ASSERT_FALSE(t.empty());
  EXPECT_EQ(t[0], Utf8(u8"title: 潮風の七日間  -goStillPixie v0.310-"));
  EXPECT_EQ(CountPrefix("message:"), 0);
  EXPECT_NE(TestWindowMode(App().play_window, WINDOWopen), 0u);
  EXPECT_NE(TestWindowMode(App().status_window, WINDOWopen), 0u);
  EXPECT_EQ(TestWindowMode(App().select_window, WINDOWshow), 0u);
  EXPECT_NE(App().play_record, kNoHandle);
}

TEST_F(PixieTest, PressesCompleteEachPageOfAMessageBeforeTheNextStep) {
  // The first message has two pages; a press while its first page types
  // completes that page, the next turns to the second, and only then does
  // the message end.
  Key(kReturn, 1000);
  EXPECT_EQ(CountPrefix("message:"), 1);
  EXPECT_EQ(App().draw_mes, 1);
  Key(kReturn, 1000);
  EXPECT_EQ(App().draw_mes, 1);
  EXPECT_EQ(Count("prompt: PushAnyKey"), 0);
  Key(kReturn, 1000);
  EXPECT_EQ(App().draw_mes, 0);
  EXPECT_EQ(Count("prompt: PushAnyKey"), 1);
  EXPECT_TRUE(Logged("text_draw() 二枚目表示"));
  EXPECT_EQ(CountPrefix("message:"), 1);
  // The second message is typed to its end and ends by itself.
  Advance();
  EXPECT_EQ(CountPrefix("message:"), 2);
  EXPECT_EQ(Count("prompt: PushAnyKey"), 2);
  EXPECT_EQ(App().draw_mes, 0);
}

TEST_F(PixieTest, CtrlHeldWhileIdleAdvancesButNeverSkipsATypingMessage) {
  Prologue();
  Choose(1);
  const int messages = CountPrefix("message:");
  const size_t log_before = test::ReadLines("SenELOG.dat").size();
  const size_t shown_before = Transcript().size();
  HostSetModifiers(kModControl);
  Run(3000);
  HostSetModifiers(0);
  Run(200);
  // Ctrl started the next morning; every message before it had ended
  // (its prompt follows it), and none was cut short by a skip.
  EXPECT_GT(CountPrefix("message:"), messages);
  const std::vector<std::string> log = test::ReadLines("SenELOG.dat");
  for (size_t i = log_before; i < log.size(); ++i) EXPECT_NE(log[i].rfind("\tskip!", 0), 0u);
  const std::vector<std::string> t = Transcript();
  for (size_t i = shown_before; i + 1 < t.size(); ++i) {
    if (t[i].rfind("message:", 0) != 0 || t[i].size() <= 12) continue;
    for (size_t j = i + 1; j < t.size(); ++j) {
      if (t[j].rfind("prompt:", 0) == 0) break;
      EXPECT_NE(t[j].rfind("message:", 0), 0u) << "a message followed one that had not ended: " << t[i];
    }
  }
  // It stops at a question: the selection waits for the player.
  EXPECT_EQ(App().select_menu, 1);
}

// Advance latency in scheduler cycles: at most two cycles beyond the next
// clock tick (one an eighth of a second) from a press on a finished page to
// the next message's first character, and from a press while a page types
// to the whole page. The press comes between two ticks, as a player's does.
TEST_F(PixieTest, APressShowsTheNextPageWithinTwoCyclesBeyondTheTick) {
  const auto text_effect = [] { return EffectView(FindEffect(App().message_object, EFFECTtext)); };
  // Runs single cycles until `done`; the cycles run in all and those that
  // started at or after `tick_ms`.
  struct Cycles {
    int all = 0, after_tick = 0;
  };
  const auto cycles_until = [this](uint64_t tick_ms, const auto& done) {
    Cycles c;
    while (!done() && c.all < 10000) {
      const bool past = clock_.NowMs() >= tick_ms;
      RunScheduler();
      ++c.all;
      c.after_tick += past ? 1 : 0;
    }
    return c;
  };
  const auto next_tick = [this] { return (clock_.NowMs() / 125 + 1) * 125; };

  // The first message: its first page typed and waiting, so its second
  // page comes on the next press.
  Key(kReturn, 40);
  const EffectRecord* typing = text_effect();
  ASSERT_NE(typing, nullptr);
  ASSERT_EQ(typing->flags & (kEffectPageFull | kEffectEndReported), 0u);
  // A press while the page types: the whole page at once.
  HostPutKey(kReturn);
  const Cycles complete =
      cycles_until(0, [&] { return text_effect() != nullptr && (text_effect()->flags & kEffectPageFull) != 0; });
  Run(1000);
  Key(kReturn, kTyping);  // the second page, typed to its end
  ASSERT_EQ(App().draw_mes, 0);
  ASSERT_EQ(Count("prompt: PushAnyKey"), 1);
  Run(37);  // between two ticks

  // A press on the finished page: the next message's first character.
  HostPutKey(kReturn);
  const uint64_t tick = next_tick();
  const Cycles first_char = cycles_until(tick, [&] {
    const EffectRecord* r = text_effect();
    return CountPrefix("message:") == 2 && r != nullptr && r->page_base + r->position > 0;
  });
  std::printf(
      "advance latency: page completed after %d cycle(s); next page's first character %d cycle(s) "
      "after the press, %d from the tick\n",
      complete.all, first_char.all, first_char.after_tick);
  EXPECT_LE(complete.all, 2);
  EXPECT_LE(first_char.after_tick, 2);
}

TEST_F(PixieTest, TheSelectionIsChosenByKeyboardAndBuiltFromTheSelectTag) {
  Prologue();
  Advance();
  EXPECT_EQ(Count(Utf8(u8"select: 海で遊ぶ=1 | 勉強する=2 | 店を手伝う=3 | 昼寝する=4 | 終了=9")), 1);
  EXPECT_EQ(Count("prompt: Select Menu"), 1);
  EXPECT_NE(TestWindowMode(App().select_window, WINDOWshow), 0u);
  Choose(2);
  EXPECT_EQ(Num("mode"), 2);
  EXPECT_EQ(App().select_menu, 0);
  EXPECT_EQ(App().selectCursor, 0);
  EXPECT_EQ(TestWindowMode(App().select_window, WINDOWshow), 0u);
}

TEST_F(PixieTest, QuittingFromTheSelectionAsksFirstByKeyAndByMouse) {
  Prologue();
  Advance();
  // Row 11, "終了" (value 9), by keyboard: No keeps the game going.
  for (int i = 0; i < 11; ++i) Key(kDown);
  clock_.At(1000, [] { HostPutKey(kEscape); });
  Advance();
  EXPECT_EQ(Count(Utf8(u8"dialog: ゲームを終了しますか？")), 1);
  EXPECT_EQ(Count("answer: 2"), 1);
  EXPECT_FALSE(App().quit_requested);
  EXPECT_EQ(Num("mode"), 9);
  // By mouse: the menu's choice event with the same value.
  ASSERT_EQ(App().select_menu, 1);
  clock_.At(50, [] { HostPutKey(kReturn); });
  uint8_t* e = Post(kEventMenuChosen);
  PutU16(e + MenuChosenAt::kValue, 9);
  PutU32(e + MenuChosenAt::kMenu, App().select_menu_handle);
  Run(500);
  EXPECT_EQ(Count(Utf8(u8"dialog: ゲームを終了しますか？")), 2);
  EXPECT_EQ(Count("answer: 1"), 1);
  EXPECT_TRUE(App().quit_requested);
}

TEST_F(PixieTest, TheRightButtonClosesAnOpenSaveMenu) {
  OpenSaveMenu(1);
  Run(200);
  ASSERT_EQ(App().savemenu_flag, 1);
  // While the menu is open a click does not advance.
  uint8_t* e = Post(kEventObjectClicked);
  PutU16(e + ObjectClickedAt::kNumber, kObjMessage);
  Run(200);
  EXPECT_EQ(CountPrefix("message:"), 0);
  e = Post(kEventMouse);
  PutU16(e + MouseEventAt::kButton, 2);
  PutU32(e + MouseEventAt::kWindow, App().status_window);
  Run(200);
  EXPECT_EQ(App().savemenu_flag, 0);
  EXPECT_EQ(TestWindowMode(App().savemenu_window, WINDOWshow), 0u);
}

TEST_F(PixieTest, AReplacedMessageWithoutASelectionIsOnlyLogged) {
  Post(kEventEffectReplaced);
  Run(200);
  EXPECT_TRUE(Logged("ret_effect no.1286　:effect_breakを受信しました(test1:draw_mes0:select_menu0)"));
  EXPECT_EQ(CountPrefix("prompt:"), 0);
  EXPECT_EQ(App().test, 1);
}

TEST_F(PixieTest, AShortMessageIsShownOnlyWhileASelectionIsOpen) {
  EXPECT_EQ(ShowMessage("ab"), 1);
  EXPECT_EQ(App().draw_mes, 0);
  App().select_menu = 1;
  EXPECT_EQ(ShowMessage("ab"), 0);
  EXPECT_EQ(App().draw_mes, 1);
  EXPECT_TRUE(Logged("Select表示催促のため、表示を行います"));
}

TEST_F(PixieTest, TheGoodPathEndsWithTheResultsAndAQuestionBeforeQuitting) {
  Prologue();
  Choose(1);  // 8/1 the sea
  Advance();
  Choose(2);  // 8/2 study
  Advance();  // 8/3 rain: plays by itself into 8/4
  Run(60000);
  EXPECT_EQ(App().autoPlay, 0);
  EXPECT_EQ(App().day, 4);
  Advance();  // 8/5
  Choose(4);  // a nap
  Advance();
  Choose(1);  // 8/6 the sea
  Advance();
  Choose(2);  // 8/7 study
  Advance();  // the festival
  Advance();  // the results
  EXPECT_EQ(Num("体力"), 70);
  EXPECT_EQ(Num("知力"), 60);
  EXPECT_EQ(Num("友情"), 65);
  EXPECT_TRUE(Logged("体力 70"));
  EXPECT_EQ(CountPrefix(Utf8(u8"message: <font_size 2><font_color PALETyellow>　グッドエンド")), 1);
  Advance();
  EXPECT_EQ(Count(Utf8(u8"select: おわる=9 | 終了=9")), 1);
  clock_.At(800, [] { HostPutKey(kReturn); });
  Choose(1);
  EXPECT_EQ(Count(Utf8(u8"dialog: ゲームを終了しますか？")), 1);
  EXPECT_TRUE(App().quit_requested);
}

TEST_F(PixieTest, TheBadPathEndsInTheBadEndDialogAndQuits) {
  Prologue();
  Choose(4);  // 8/1 a nap
  Advance();
  Choose(4);  // 8/2 a nap
  Advance();  // 8/3 rain, playing by itself into 8/4
  Run(60000);
  Advance();  // 8/5
  for (int day = 5; day <= 7; ++day) {
    Choose(4);
    Advance();
  }
  Advance();  // after the festival night, alone: the bad end
  EXPECT_EQ(CountPrefix(Utf8(u8"message: <font_size 2><font_color PALETred>　バッドエンド")), 1);
  clock_.At(300, [] { HostPutKey(kReturn); });
  Advance();
  EXPECT_EQ(CountPrefix(Utf8(u8"dialog: ")), 1);
  EXPECT_EQ(Num("GSPrequest"), 2);
  EXPECT_TRUE(App().quit_requested);
  // Nothing is shown once the program ends.
  EXPECT_EQ(Transcript().back().rfind("answer:", 0), 0u);
}

}  // namespace
}  // namespace vadu
