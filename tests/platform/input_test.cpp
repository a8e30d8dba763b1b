// The input state the host writes and the engine polls, and the headless
// host's input script and virtual clock.
#include "platform/input.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "platform/clock.h"
#include "platform/input_host.h"

namespace vadu {
namespace {

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetInput(); }
  void TearDown() override {
    ResetInput();
    SetPlatformClock(nullptr);
  }
};

TEST_F(InputTest, KeyDownIsReplacedByItsCharacter) {
  HostPutKey('A');
  HostPutKey('a');
  EXPECT_EQ(TakeKey(), 'a');
  EXPECT_EQ(TakeKey(), 0);
}

TEST_F(InputTest, TwoByteCharacterIsHandedOutWholeLeadFirst) {
  HostPutChar(0x82, 0xA0);
  EXPECT_EQ(TakeKey(), 0x82);
  // A key arriving between the two takes does not replace the trail byte; it
  // follows once the trail byte has been taken.
  HostPutKey(KEY_RETURN);
  EXPECT_EQ(TakeKey(), 0xA0);
  EXPECT_EQ(TakeKey(), 0);
  HostPumpText();
  EXPECT_EQ(TakeKey(), KEY_RETURN);
  EXPECT_FALSE(HostTextPending());
}

TEST_F(InputTest, UnreadTwoByteCharacterIsOverwrittenWhole) {
  HostPutChar(0x82, 0xA0);
  HostPutKey('x');
  EXPECT_EQ(TakeKey(), 'x');
  EXPECT_EQ(TakeKey(), 0);
}

TEST_F(InputTest, CommittedTextIsHandedOverOneCharacterAtATime) {
  HostPutKey('Q');  // an unread key-down: the text replaces it
  HostPutText(
      "a\x82\xA0"
      "b");
  EXPECT_TRUE(HostTextPending());
  EXPECT_EQ(TakeKey(), 'a');
  EXPECT_EQ(TakeKey(), 0) << "the next character waits for the host's pump";
  HostPumpText();
  HostPumpText();  // a second pump does nothing while the slot is full
  EXPECT_EQ(TakeKey(), 0x82);
  EXPECT_EQ(TakeKey(), 0xA0);
  // Keys typed while text is pending come after it; a key-down is still
  // replaced by its character there.
  HostPutKey('C');
  HostPutKey('c');
  HostPumpText();
  EXPECT_EQ(TakeKey(), 'b');
  HostPumpText();
  EXPECT_EQ(TakeKey(), 'c');
  EXPECT_FALSE(HostTextPending());
  EXPECT_EQ(TakeKey(), 0);
}

TEST_F(InputTest, TextCharactersAreNotOverwrittenByKeys) {
  HostPutText("xy");
  HostPutKey('k');
  EXPECT_EQ(TakeKey(), 'x');
  HostPumpText();
  EXPECT_EQ(TakeKey(), 'y');
  HostPumpText();
  EXPECT_EQ(TakeKey(), 'k');
}

TEST_F(InputTest, ModifiersAreStickyUntilQueriedAndZeroInBackground) {
  HostSetModifiers(kModShift);
  HostSetModifiers(0);  // released before the engine looked
  EXPECT_EQ(ModifierKeys(), kModShift);
  EXPECT_EQ(ModifierKeys(), 0u);
  HostSetModifiers(kModControl | kModInsert);
  EXPECT_EQ(ModifierKeys(), kModControl | kModInsert);
  EXPECT_EQ(ModifierKeys(), kModControl | kModInsert) << "still held";
  HostSetForeground(false);
  EXPECT_EQ(ModifierKeys(), 0u);
}

struct CountingClock : Clock {
  uint64_t now = 0;
  int sleeps = 0;
  uint64_t NowMs() override { return now; }
  void SleepMs(uint32_t ms) override {
    now += ms;
    ++sleeps;
  }
  LocalDateTime LocalTime() override { return {}; }
};

TEST_F(InputTest, MouseButtonWaitsTenMillisecondsThroughTheClock) {
  CountingClock clock;
  SetPlatformClock(&clock);
  HostSetButton(1);
  HostSetButton(2);  // the right button pressed while the left is held
  EXPECT_EQ(MouseButton(), 2);
  EXPECT_EQ(clock.now, 10u);
  EXPECT_EQ(PeekMouseButton(), 2);
  ClearMouseButton();
  EXPECT_EQ(MouseButton(), 0);
  EXPECT_EQ(clock.sleeps, 2);
}

TEST_F(InputTest, CloseRequestAndWheelAreTakenOnce) {
  HostRequestClose();
  HostAddWheel(-1);
  HostAddWheel(3);
  EXPECT_TRUE(TakeCloseRequest());
  EXPECT_FALSE(TakeCloseRequest());
  EXPECT_EQ(TakeWheel(), 2);
  EXPECT_EQ(TakeWheel(), 0);
}

// The idle engine's wait ends for anything the host hands over: at once
// when it came before the wait, or when it comes during it; with nothing
// handed over it runs out.
TEST_F(InputTest, TheIdleWaitEndsForHostInputAndOtherwiseRunsOut) {
  while (WaitForHostInput(0)) {
  }
  HostSetButton(0);
  EXPECT_TRUE(WaitForHostInput(60000));
  EXPECT_FALSE(WaitForHostInput(1));
  std::thread host([] {
    SystemClock().SleepMs(20);
    HostRequestRepaint();
  });
  // Without the wake this wait would run its full minute and fail.
  EXPECT_TRUE(WaitForHostInput(60000));
  host.join();
  EXPECT_TRUE(TakeRepaintRequest());
}

// --- Input script -----------------------------------------------------------

TEST(InputScript, ParsesEveryCommand) {
  std::vector<ScriptCommand> cmds;
  std::string error;
  ASSERT_TRUE(
      ParseScript("# a comment\n"
                  "\n"
                  "wait 250   # trailing comment\r\n"
                  "key a\n"
                  "key #\n"
                  "key return\n"
                  "key *\n"
                  "text \xE3\x81\x82 x*\n"
                  "hold Shift\n"
                  "release insert\n"
                  "click 10 -20 right\n"
                  "down 1 2\n"
                  "up\n"
                  "move 5 6\n"
                  "shot Start.PNG\n"
                  "close\n",
                  cmds, error))
      << error;
  ASSERT_EQ(cmds.size(), 14u);
  EXPECT_EQ(cmds[0].kind, ScriptCommand::kWait);
  EXPECT_EQ(cmds[0].ms, 250u);
  EXPECT_EQ(cmds[0].line, 3);
  EXPECT_EQ(cmds[1].key_down, 'A');
  EXPECT_EQ(cmds[1].character, 'a');
  EXPECT_EQ(cmds[2].character, '#');
  EXPECT_EQ(cmds[3].key_down, KEY_RETURN);
  EXPECT_EQ(cmds[4].character, KEY_ASTERISK);
  EXPECT_EQ(cmds[5].text, std::string("\x82\xA0 x\x0E"));
  EXPECT_EQ(cmds[6].modifier, kModShift);
  EXPECT_EQ(cmds[7].kind, ScriptCommand::kRelease);
  EXPECT_EQ(cmds[7].modifier, kModInsert);
  EXPECT_EQ(cmds[8].kind, ScriptCommand::kClick);
  EXPECT_EQ(cmds[8].y, -20);
  EXPECT_TRUE(cmds[8].right);
  EXPECT_FALSE(cmds[9].right);
  EXPECT_EQ(cmds[10].kind, ScriptCommand::kUp);
  EXPECT_EQ(cmds[11].x, 5);
  EXPECT_EQ(cmds[12].text, "Start.PNG");
  EXPECT_EQ(cmds[13].kind, ScriptCommand::kClose);
}

TEST(InputScript, KeyNamesGiveTheKeyboardsCodes) {
  struct Case {
    const char* name;
    uint16_t key_down, character;
  } cases[] = {
      {"Escape", KEY_ESCAPE, KEY_ESCAPE},
      {"Tab", KEY_TAB, KEY_TAB},
      {"Backspace", KEY_BACKSPACE, KEY_BACKSPACE},
      {"Delete", KEY_DELETE, 0},
      {"Home", KEY_HOME, 0},
      {"Up", KEY_UP, 0},
      {"Down", KEY_DOWN, 0},
      {"Left", KEY_LEFT, 0},
      {"Right", KEY_RIGHT, 0},
      {"Space", ' ', ' '},
      {"Help", KEY_HELP, 0},
      {"Clear", KEY_CLEAR, 0},
      {"PageUp", 33, 0},
      {"PageDown", 34, 0},
      {"z", 'Z', 'z'},
      {"7", '7', '7'},
  };
  for (const Case& c : cases) {
    uint16_t down = 0, ch = 0;
    ASSERT_TRUE(ScriptKeyCodes(c.name, down, ch)) << c.name;
    EXPECT_EQ(down, c.key_down) << c.name;
    EXPECT_EQ(ch, c.character) << c.name;
  }
  uint16_t down, ch;
  EXPECT_FALSE(ScriptKeyCodes("F13", down, ch));
  EXPECT_FALSE(ScriptKeyCodes("\xE3\x81\x82", down, ch));
}

TEST(InputScript, BadLinesNameTheirLine) {
  struct Case {
    const char* script;
    const char* error;
  } cases[] = {
      {"wait 1\nfly\n", "line 2: unknown command 'fly'"},
      {"wait -5\n", "line 1: bad number '-5'"},
      {"wait 99999999999999999999\n", "line 1: bad number"},
      {"wait\n", "line 1: wait has the wrong number of arguments"},
      {"key\n", "line 1: key needs one key name"},
      {"key a b\n", "line 1: key needs one key name"},
      {"text\n", "line 1: text needs the characters to type"},
      {"click 1 2 left\n", "line 1: expected 'right'"},
      {"move 1 99999\n", "line 1: bad position"},
      {"up 3\n", "line 1: up takes no arguments"},
      {"shot .png\n", "line 1: shot needs a file name ending in .png"},
      {"shot ../../etc/x.png\n", "line 1: shot takes a file name, not a path"},
      {"release Hyper\n", "line 1: unknown modifier"},
      {"Wait 10\n", "line 1: unknown command 'Wait'"},
  };
  for (const Case& c : cases) {
    std::vector<ScriptCommand> cmds;
    std::string error;
    EXPECT_FALSE(ParseScript(c.script, cmds, error)) << c.script;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.script << " gave: " << error;
  }
}

TEST(InputScript, MissingFileIsAnError) {
  std::vector<ScriptCommand> cmds;
  std::string error;
  EXPECT_FALSE(LoadScript("/nonexistent/dir/x.script", cmds, error));
  EXPECT_NE(error.find("/nonexistent/dir/x.script"), std::string::npos);
}

// --- Virtual clock ----------------------------------------------------------

TEST(VirtualClockTime, LocalTimeIsStartPlusElapsed) {
  LocalDateTime start;
  ASSERT_TRUE(ParseClockStart("2024-02-28 23:59:58", start));
  LocalDateTime t = AddMilliseconds(start, 86400000u + 2500u);  // over the leap day
  EXPECT_EQ(t.year, 2024);
  EXPECT_EQ(t.month, 3);
  EXPECT_EQ(t.day, 1);
  EXPECT_EQ(t.hour, 0);
  EXPECT_EQ(t.minute, 0);
  EXPECT_EQ(t.second, 0);
  EXPECT_EQ(t.millisecond, 500);
  ASSERT_TRUE(ParseClockStart("1999-12-31 23:59:59", start));
  t = AddMilliseconds(start, 1000);
  EXPECT_EQ(t.year, 2000);
  EXPECT_EQ(t.month, 1);
  EXPECT_EQ(t.day, 1);
  for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00", "2024-01-01",
                          "2024-01-01 00:00:00x", ""}) {
    EXPECT_FALSE(ParseClockStart(bad, start)) << bad;
  }
}

TEST(VirtualClockTime, EngineSleepsStopAtTheLimitUntilTheHostRaisesIt) {
  VirtualClock clock(LocalDateTime{2024, 1, 1, 0, 0, 0, 0});
  clock.SleepMs(5);  // before arming: free
  EXPECT_EQ(clock.NowMs(), 5u);
  clock.Arm();
  std::atomic<int> sleeps{0};
  std::atomic<bool> stop{false};
  std::thread engine([&] {
    while (!stop.load()) {
      clock.SleepMs(7);
      ++sleeps;
    }
  });
  EXPECT_EQ(clock.WaitForEngine(0), VirtualClock::Stop::kParked);
  EXPECT_EQ(sleeps.load(), 0);
  EXPECT_EQ(clock.NowMs(), 5u);
  clock.SetLimit(105);  // 100 ms of engine time: 14 sleeps of 7 ms fit
  EXPECT_EQ(clock.WaitForEngine(0), VirtualClock::Stop::kParked);
  EXPECT_EQ(sleeps.load(), 14);
  EXPECT_EQ(clock.NowMs(), 105u) << "the clock stands at the limit";
  // At sync points the host sees every sleep.
  clock.SetSyncWanted(true);
  clock.SetLimit(200);
  EXPECT_EQ(clock.WaitForEngine(0), VirtualClock::Stop::kSync);
  EXPECT_EQ(sleeps.load(), 15) << "the parked sleep has completed before the next sync";
  clock.SetSyncWanted(false);
  clock.ResumeFromSync();
  EXPECT_EQ(clock.WaitForEngine(0), VirtualClock::Stop::kParked);
  EXPECT_LE(clock.NowMs(), 200u);
  stop.store(true);
  clock.SetLimit(VirtualClock::kNoLimit);
  engine.join();
  clock.NotifyEnded();
  EXPECT_EQ(clock.WaitForEngine(0), VirtualClock::Stop::kEnded);
}

}  // namespace
}  // namespace vadu
