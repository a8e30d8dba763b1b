// StartScreen on a running engine: its window and buttons, and what a press
// on "S t a r t" sends to the program VADU.ini names (read at every press).
#include "present/start_screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "support/window_engine.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr char kIniHead[] =
    "TRACE ON\nLOOP_EXIT ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\nUSE_COLOR 3\n"
    "BACKSCREEN_COLOR 0\nFONT_SIZEX 16\nFONT_SIZEY 16\nSCREEN_SIZEX 640\nSCREEN_SIZEY 480\n";

class StartScreenTest : public test::WindowTest {
 protected:
  // The buttons stand at (350, 360) and (350, 420): a screen they fit.
  std::string Ini() const override { return std::string(kIniHead) + "START_PROGRAM Program\n"; }

  void SetUp() override {
    WindowTest::SetUp();
    if (HasFatalFailure()) return;
    // The program to start: a task whose events the test takes itself.
    program_ = CreateTask("Program", 0, 0);
    InitTaskEvents(program_);
  }

  // Start events the program got from the start screen since the last call.
  int StartsReceived() const {
    int starts = 0;
    for (int n = 0; n < 10000; ++n) {
      const int got = ReciveEvent(program_);
      if (got == EVENT_NONE) break;
      const uint8_t* e = EventBytes(CurrentEvent(program_));
      if (got == EVENT_RECEIVED && e != nullptr && GetU16(e) == kEventStart && GetI32(e + 4) == kTaskStartScreen) {
        ++starts;
      }
    }
    return starts;
  }
  void Press(int16_t button) {
    const int16_t y = button == kStartButton ? 360 : 420;
    Click(360, y + 10);
  }
  static int CountLogged(const std::string& line) {
    const auto log = test::ReadLines("SenELOG.dat");
    return static_cast<int>(std::count(log.begin(), log.end(), line));
  }

  Handle program_ = kNoHandle;
};

TEST_F(StartScreenTest, TheStartEventBuildsOneClosedWindowWithTwoButtons) {
  const Handle window = StartScreenWindow();
  ASSERT_NE(window, kNoHandle);
  EXPECT_EQ(WindowNameText(window), "StartScreen");
  EXPECT_EQ(WindowWidth(window), 640);
  EXPECT_EQ(WindowHeight(window), 480);
  EXPECT_EQ(TestWindowMode(window, WINDOWopen), 0u) << "nobody opens it in a normal run";
  ASSERT_NE(FindObject(window, kStartButton), kNoHandle);
  EXPECT_STREQ(ObjectView(FindObject(window, kStartButton))->text, "S t a r t");
  ASSERT_NE(FindObject(window, kEndButton), kNoHandle);

  // Another start event does not make a second window.
  const uint16_t windows = RecordCount(SystemResource("Window"));
  PostEvent(kTaskVaduManager, kTaskStartScreen, kEventStart);
  Settle(10);
  EXPECT_EQ(StartScreenWindow(), window);
  EXPECT_EQ(RecordCount(SystemResource("Window")), windows);
}

TEST_F(StartScreenTest, EachPressOnStartSendsTheConfiguredProgramItsStartEvent) {
  SendWindowRequest(owner(), StartScreenWindow(), 0, 0);
  Settle();
  ASSERT_NE(TestWindowMode(StartScreenWindow(), WINDOWdrawable), 0u) << "its draw request was answered";
  StartsReceived();

  Press(kStartButton);
  Press(kStartButton);
  EXPECT_EQ(StartsReceived(), 2);
  Press(kEndButton);
  EXPECT_EQ(StartsReceived(), 0) << "E n d does nothing here";

  // The key is read at every press: a name no task has is logged.
  test::WriteFile("VADU.ini", std::string(kIniHead) + "START_PROGRAM Nobody\n");
  Press(kStartButton);
  EXPECT_EQ(StartsReceived(), 0);
  EXPECT_EQ(CountLogged("START_SCREEN指定の名前が正しくありません。"), 1);
  // Without the key nothing starts and nothing more is logged.
  test::WriteFile("VADU.ini", kIniHead);
  Press(kStartButton);
  EXPECT_EQ(StartsReceived(), 0);
  EXPECT_EQ(CountLogged("START_SCREEN指定の名前が正しくありません。"), 1);
  // "TASKall" starts every task numbered 30 or more, as at start-up.
  test::WriteFile("VADU.ini", std::string(kIniHead) + "START_PROGRAM TASKall\n");
  Press(kStartButton);
  EXPECT_EQ(StartsReceived(), 1);
  EXPECT_EQ(CountLogged("START_SCREEN指定の名前が正しくありません。"), 1);
}

}  // namespace
}  // namespace vadu
