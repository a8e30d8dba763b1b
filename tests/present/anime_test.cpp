// AnimeTask on a running engine: which picture a script shows at which
// step, how animations end (and give back their pictures), presses, stop
// and toggle, and scripts that cannot be read or hold lines of any kind.
// Ticks are posted by the test (the test clock sends none), so every step
// is counted exactly: one tick is four steps.
#include "present/anime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bitmap.h"
#include "platform/framebuffer.h"
#include "support/bmp_writer.h"
#include "support/window_engine.h"
#include "text/text.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

const uint32_t kGrey = MakeColour(90, 90, 90);
const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kBlue = MakeColour(0, 0, 220);
const uint32_t kGreen = MakeColour(0, 160, 0);

class AnimeTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    if (HasFatalFailure()) return;
    WritePicture("a.bmp", kRed);
    WritePicture("b.bmp", kBlue);
    WritePicture("c.bmp", kGreen);
    // A window whose content starts at screen (20, 20); pictures are shown
    // at (10, 5) in it, so at screen (30, 25).
    window_ = Window("Anim", 20, 20, 100, 80, 0, kGrey);
  }

  static void WritePicture(const std::string& name, uint32_t colour) {
    const test::Picture p{8, 8, std::vector<uint32_t>(64, colour)};
    const std::vector<uint8_t> bytes = test::WriteBmp(p, test::BmpForm{});
    test::WriteFile(name, std::string(bytes.begin(), bytes.end()));
  }

  // Starts the script in the window and lets the task take the request.
  Handle Start(const std::string& script, Handle window = kNoHandle, int16_t x = 10) {
    const Handle w = window != kNoHandle ? window : window_;
    const std::vector<Handle> before = Records();
    EXPECT_EQ(SendAnimeRequest(owner(), kAnimeStart, w, x, 5, script.c_str()), 0);
    Settle(10);
    for (Handle r : Records()) {
      if (std::find(before.begin(), before.end(), r) == before.end()) return r;
    }
    return kNoHandle;
  }
  static std::vector<Handle> Records() {
    std::vector<Handle> records;
    for (Handle r = FirstRecord(AnimeDataResource()); r != kNoHandle; r = NextRecord(r)) records.push_back(r);
    return records;
  }
  void Request(int32_t type, Handle window = kNoHandle) {
    SendAnimeRequest(owner(), type, window != kNoHandle ? window : window_, 0, 0, nullptr);
    Settle(10);
  }
  // One eighth-second tick, as EventTask sends it.
  void Tick(int n = 1) {
    for (int i = 0; i < n; ++i) {
      PostEvent(kTaskEvent, kEveryTask, kEventEighthSecond);
      Settle(10);
    }
  }
  // The colour at the picture's place on the screen.
  static uint32_t Shown(int x = 30) { return test::Pixel(x + 3, 28); }

  static int ActiveGraphics() { return Attr(SystemResource("Graphic VRAM"))->active_count; }
  static std::vector<std::string> Log() { return test::ReadLines("SenELOG.dat"); }
  static int CountLogged(const std::string& line) {
    const auto log = Log();
    return static_cast<int>(std::count(log.begin(), log.end(), line));
  }
  // The line numbers the step log lines report, in order.
  static std::vector<int> LinesRun() {
    std::vector<int> lines;
    const std::string key = "  anime line ";
    for (const std::string& l : Log()) {
      if (l.rfind("sync_ani() ", 0) != 0) continue;
      lines.push_back(std::stoi(l.substr(l.find(key) + key.size())));
    }
    return lines;
  }

  Handle window_ = kNoHandle;
};

TEST_F(AnimeTest, TheFourLineScriptShowsEachPictureAtItsStepAndLoopsPastTheFirst) {
  test::WriteFile("walk.txt", "pic a.bmp\nwait 8\npic b.bmp\njump 0\n");
  const int graphics = ActiveGraphics();
  const Handle anime = Start("walk.txt");
  ASSERT_NE(anime, kNoHandle);
  EXPECT_EQ(AnimeCount(), 1);
  EXPECT_EQ(Shown(), kGrey) << "nothing runs before the first tick";

  Tick();  // steps 1-4: the first line runs at once, then the wait
  EXPECT_EQ(Shown(), kRed);
  EXPECT_EQ(Shown(40), kGrey) << "drawn at the picture's own size";
  Tick();  // steps 5-8: waiting
  EXPECT_EQ(Shown(), kRed);
  Tick();  // steps 9-12: the second picture eight steps after the wait, the jump, the wait again
  EXPECT_EQ(Shown(), kBlue);

  // From here the loop runs the wait and the second picture only.
  WinFill(window_, kGrey);
  Tick();  // steps 13-16: waiting
  EXPECT_EQ(Shown(), kGrey) << "the first picture is not shown again";
  Tick();  // step 20: the second picture
  EXPECT_EQ(Shown(), kBlue);
  EXPECT_EQ(LinesRun(), (std::vector<int>{0, 1, 2, 3, 1, 2}));

  // Each picture was loaded once and is kept, keyed by its line.
  EXPECT_EQ(CountLogged("  create graphic work"), 2);
  EXPECT_EQ(ActiveGraphics(), graphics + 2);
  // The step line, the script line as fetched, the request line.
  const auto log = Log();
  const auto first =
      std::find_if(log.begin(), log.end(), [](const std::string& l) { return l.rfind("sync_ani", 0) == 0; });
  ASSERT_NE(first, log.end());
  const std::string head = "sync_ani() s:ms 09:0000   ms_count: ";
  const std::string tail = "  anime line 0 anime play count 1";
  EXPECT_EQ(first->rfind(head, 0), 0u) << *first;
  ASSERT_GT(first->size(), head.size() + tail.size());
  EXPECT_EQ(first->substr(first->size() - tail.size()), tail);
  EXPECT_EQ(*(first + 1), "pic a.bmp ");
  EXPECT_EQ(CountLogged("rev anime event."), 1);
}

TEST_F(AnimeTest, AnAnimationEndsPastItsLastLineOrAtAJumpToNoLineAndFreesItsPictures) {
  const int graphics = ActiveGraphics();
  const size_t bitmaps = LiveBitmapCount();
  // Running past the last line: line 1 is the empty line after the last
  // line end, line 2 is none.
  test::WriteFile("once.txt", "pic a.bmp\n");
  const Handle once = Start("once.txt");
  const Handle script = AnimeView(once)->script;
  Tick();
  EXPECT_EQ(AnimeCount(), 0);
  EXPECT_EQ(AnimeView(once), nullptr);
  EXPECT_EQ(ActiveGraphics(), graphics);
  EXPECT_EQ(LiveBitmapCount(), bitmaps);
  EXPECT_EQ(TextView(script), nullptr) << "the script's text is deleted";
  EXPECT_EQ(Shown(), kRed) << "the window keeps the last picture";
  EXPECT_EQ(CountLogged("delete anime!! once.txt"), 1);

  // A jump to a line the script does not have ends it at once, whatever
  // the number: past the end, -1 (which would restart at line 0) and 65536
  // (line 0 in 16 bits).
  for (const char* target : {"7", "-1", "65536"}) {
    SCOPED_TRACE(target);
    WinFill(window_, kGrey);
    test::WriteFile("jumpy.txt", std::string("pic a.bmp\njump ") + target + "\npic b.bmp\n");
    Start("jumpy.txt");
    Tick(3);
    EXPECT_EQ(AnimeCount(), 0);
    EXPECT_EQ(Shown(), kRed) << "nothing after the jump ran";
    EXPECT_EQ(ActiveGraphics(), graphics);
  }
  EXPECT_EQ(CountLogged("pic b.bmp "), 0);
}

TEST_F(AnimeTest, APressGoesToThePressLineOnceAndOnlyWhenTheScriptGaveOne) {
  test::WriteFile("press.txt",
                  "pic a.bmp\n"          // 0
                  "wait 6\n"             // 1
                  "press_jump_line 6\n"  // 2
                  "pic b.bmp\n"          // 3
                  "wait 4\n"             // 4
                  "jump 3\n"             // 5
                  "pic c.bmp\n"          // 6
                  "wait 100\n");         // 7
  const Handle anime = Start("press.txt");
  Tick();  // steps 1-4: the first picture, the wait
  EXPECT_EQ(Shown(), kRed);
  Request(kAnimePress);  // no press line seen yet: nothing
  EXPECT_EQ(AnimeView(anime)->line, 2);
  Tick(2);  // step 8: the press line; step 9: the second picture; step 10: wait 4
  EXPECT_EQ(Shown(), kBlue);
  EXPECT_EQ(AnimeView(anime)->press_line, 6);
  Request(kAnimePress);
  EXPECT_EQ(AnimeView(anime)->press_line, -1) << "a press line is used once";
  Tick();  // step 14: the press line's picture instead of the jump
  EXPECT_EQ(Shown(), kGreen);
  EXPECT_EQ(CountLogged("press animewindow"), 2);
  EXPECT_EQ(CountLogged("jump 3 "), 0);
}

TEST_F(AnimeTest, StopAndToggleActOnTheFirstAnimationOfTheWindow) {
  test::WriteFile("loop.txt", "pic a.bmp\nwait 2\npic b.bmp\nwait 2\njump 0\n");
  const Handle first = Start("loop.txt");
  const Handle second = Start("loop.txt", kNoHandle, 50);
  ASSERT_NE(first, second);
  EXPECT_EQ(AnimeCount(), 2);
  EXPECT_EQ(FindAnime(window_), first);

  Request(kAnimeToggle);
  EXPECT_EQ(AnimeView(first)->flags & kAnimePlaying, 0u);
  const int16_t paused_at = AnimeView(first)->line;
  Tick(2);
  EXPECT_EQ(AnimeView(first)->line, paused_at) << "a paused animation takes no steps";
  EXPECT_NE(AnimeView(second)->flags & kAnimePlaying, 0u);
  Request(kAnimeToggle);
  Tick();
  EXPECT_NE(AnimeView(first)->line, paused_at);
  EXPECT_EQ(CountLogged("ANIME start & stop"), 2);

  // Both read one script text; stopping the first leaves the second its
  // script.
  Request(kAnimeStop);
  EXPECT_EQ(AnimeView(first), nullptr);
  EXPECT_EQ(AnimeCount(), 1);
  EXPECT_EQ(FindAnime(window_), second);
  ASSERT_NE(TextView(AnimeView(second)->script), nullptr);
  Tick(3);
  EXPECT_NE(AnimeView(second)->flags & kAnimePlaying, 0u) << "the second animation still plays";

  // Requests for a window without an animation do nothing.
  const Handle other = Window("Other", 150, 20, 60, 60, 0, kGrey);
  for (int32_t type : {kAnimeStop, kAnimePress, kAnimeToggle}) Request(type, other);
  EXPECT_EQ(AnimeCount(), 1);
  EXPECT_NE(AnimeView(second)->flags & kAnimePlaying, 0u);
  Request(kAnimeStop);
  EXPECT_EQ(AnimeCount(), 0);
}

TEST_F(AnimeTest, AScriptThatCannotBeReadLeavesAnIdleRecord) {
  // Missing: the reader's line, a record that stays and never plays.
  const Handle missing = Start("missing.txt");
  ASSERT_NE(missing, kNoHandle);
  EXPECT_EQ(CountLogged("File open error! missing.txt for read"), 1);
  EXPECT_EQ(AnimeCount(), 1);
  EXPECT_EQ(AnimeView(missing)->flags, 0u);
  Tick(2);
  EXPECT_EQ(AnimeCount(), 1);
  // Toggled on, it has no line to run and ends at its first step.
  Request(kAnimeToggle);
  Tick();
  EXPECT_EQ(AnimeCount(), 0);

  // A name too long for a text's name is not cut: the cut name would read
  // another file.
  const std::string cut(41, 'n');
  test::WriteFile(cut, "pic a.bmp\n");
  const Handle long_name = Start(cut + ".txt");
  EXPECT_EQ(CountLogged("指定されたアニメスクリプトが読み込めませんでした。"), 1);
  EXPECT_EQ(AnimeView(long_name)->script, kNoHandle);
  Tick();
  EXPECT_EQ(Shown(), kGrey);
  Request(kAnimeStop);
  EXPECT_EQ(AnimeCount(), 0);
}

TEST_F(AnimeTest, ScriptLinesOfAnyKindAreStepsAndNothingMore) {
  test::WriteFile("odd.txt", std::string(3000, 'x') +
                                 "\n"                 // 0: longer than a block
                                 "\x82\n"             // 1: a lone lead byte
                                 "pic\n"              // 2: no picture named
                                 "pic nothing.bmp\n"  // 3: no such picture
                                 "pic\tb.bmp\n"       // 4: a tab between the words
                                 "wait 65537\n"       // 5: more than 16 bits
                                 "pic a.bmp\n");      // 6
  const Handle anime = Start("odd.txt");
  Tick();  // lines 0-3
  EXPECT_EQ(CountLogged("no graphic "), 1);
  EXPECT_EQ(CountLogged("no graphic nothing.bmp"), 1);
  EXPECT_EQ(Shown(), kGrey);
  Tick();  // line 4, the wait, and no picture after it
  EXPECT_EQ(Shown(), kBlue) << "a missing picture does not hold the animation up";
  EXPECT_EQ(AnimeView(anime)->wait, INT16_MAX);
  Tick(2);
  EXPECT_EQ(Shown(), kBlue);
  EXPECT_EQ(AnimeView(anime)->line, 6);

  // A window that is not drawable is logged and left alone.
  const Handle closed = Window("Closed", 150, 20, 60, 60, 0, kGrey, false);
  test::WriteFile("shut.txt", "pic a.bmp\n");
  Start("shut.txt", closed);
  Tick();
  EXPECT_EQ(CountLogged("anime window描画禁止です"), 1);
}

}  // namespace
}  // namespace vadu
