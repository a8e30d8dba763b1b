// The kernel's table of task steps: what layers may register, what runs for
// a step nobody registered, and the hooks start-up runs.
#include "kernel/task_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/manager.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "platform/reset.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

std::vector<std::string> g_calls;
std::vector<uint16_t> g_menu_codes;  // codes the registered MenuTask step received

void MenuStep(Handle task) {
  g_calls.push_back("menu step");
  if (ReciveEvent(task) == EVENT_RECEIVED) g_menu_codes.push_back(EventView(CurrentEvent(task))->code);
}
void WindowStart() {
  g_calls.push_back("window start");
}
void MenuStart() {
  g_calls.push_back("menu start");
}
void WindowReady() {
  // Every system task record exists by now.
  g_calls.push_back(FindTaskByNumber(kTaskStartScreen) != kNoHandle ? "window ready" : "window ready early");
}
void MenuReset() {
  g_calls.push_back("menu reset");
}
Handle CreateApp() {
  g_calls.push_back("app create");
  const Handle t = CreateTask("TestApp", 0, 0);
  InitTaskEvents(t);
  return t;
}
void AppStep(Handle task) {
  g_calls.push_back("app step");
  ReciveEvent(task);
}

// Local time stands still: no clock ticks join the queue.
class StillClock : public Clock {
 public:
  uint64_t NowMs() override { return now_ms; }
  void SleepMs(uint32_t ms) override { now_ms += ms; }
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 0}; }
  uint64_t now_ms = 0;
};

class TaskStepsTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    ClearTaskStepRegistrations();
    g_calls.clear();
    g_menu_codes.clear();
    test::WriteFile("VADU.ini", "LOOP_EXIT ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\n");
    Screen().Resize(320, 200);
    SetPlatformClock(&clock_);
  }
  void TearDown() override {
    ClearTaskStepRegistrations();
    GameDirTest::TearDown();
  }
  static size_t Count(const std::string& call) {
    size_t n = 0;
    for (const std::string& c : g_calls) n += c == call ? 1 : 0;
    return n;
  }
  StillClock clock_;
};

TEST_F(TaskStepsTest, OnlyTheLayersTasksCanBeRegistered) {
  // The kernel's own steps and numbers outside the table are refused.
  for (const int32_t number : {kTaskVaduManager, kTaskEvent, kTaskKey, kTaskExecManager, 0, 3, 30, 999}) {
    SCOPED_TRACE(number);
    EXPECT_FALSE(RegisterTaskStep(number, {.step = MenuStep}));
  }
  EXPECT_EQ(SystemTaskAt(kVaduManagerTask).hooks.step, &VaduManager);
  EXPECT_EQ(SystemTaskAt(kExecManagerTask).hooks.step, &ExecManager);
  EXPECT_TRUE(RegisterTaskStep(kTaskMenu, {.step = MenuStep}));
  EXPECT_EQ(SystemTaskAt(kMenuTaskTask).hooks.step, &MenuStep);
  // The table keeps the cycle's order, names and numbers.
  const char* names[] = {"VaduManager", "EventTask",   "KeyTask",   "WindowTask", "MenuTask",
                         "TextTask",    "ExecManager", "AnimeTask", "EffectTask", "StartScreen"};
  for (int i = 0; i < kSystemTaskCount; ++i) EXPECT_STREQ(SystemTaskAt(i).name, names[i]);
  ClearTaskStepRegistrations();
  EXPECT_EQ(SystemTaskAt(kMenuTaskTask).hooks.step, nullptr);
}

TEST_F(TaskStepsTest, StartUpRunsTheHooksAndTheCycleTheSteps) {
  ASSERT_TRUE(RegisterTaskStep(kTaskWindow, {.start = WindowStart, .ready = WindowReady}));
  ASSERT_TRUE(RegisterTaskStep(kTaskMenu, {.step = MenuStep, .start = MenuStart, .reset = MenuReset}));
  RegisterApplication({.create = CreateApp, .step = AppStep});

  ASSERT_TRUE(HostStartup());
  // Start hooks in the table's order during InitEngine, then the
  // application task.
  ASSERT_GE(g_calls.size(), 3u);
  EXPECT_EQ(g_calls[0], "window start");
  EXPECT_EQ(g_calls[1], "menu start");
  EXPECT_EQ(g_calls[2], "app create");
  EXPECT_EQ(FindTaskByName("TestApp"), 30);

  RunScheduler();  // the manager makes the system tasks: the ready hooks run
  EXPECT_EQ(Count("window ready"), 1u);
  EXPECT_EQ(Count("window ready early"), 0u);
  for (int n = 0; n < 30; ++n) RunScheduler();
  EXPECT_EQ(Count("menu step"), 31u);
  EXPECT_EQ(Count("app step"), 31u);
  // The registered step got the start event the manager sends it.
  EXPECT_NE(std::find(g_menu_codes.begin(), g_menu_codes.end(), kEventStart), g_menu_codes.end());

  // The registered reset is part of the one reset.
  ResetEngineState();
  EXPECT_EQ(Count("menu reset"), 1u);
}

TEST_F(TaskStepsTest, UnregisteredStepsOnlyReceiveSoTheQueueIsFreed) {
  ASSERT_TRUE(HostStartup());
  EXPECT_EQ(FindTaskByName("StillPixie"), -1);  // no application registered
  for (int n = 0; n < 100; ++n) RunScheduler();
  ASSERT_EQ(Kernel.manager_state, MANAGER_RUNNING);
  // Every task has seen every event (no cursor rests on one), and the
  // start-up events before the last few have been freed, one a cycle.
  EXPECT_EQ(TopEvent(), 0);
  EXPECT_LE(Attr(EventResource())->active_count, 12);
}

}  // namespace
}  // namespace vadu
