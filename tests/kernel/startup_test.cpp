#include "kernel/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/dialog_seam.h"
#include "core/state.h"
#include "data/resource.h"
#include "host/headless/virtual_clock.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/manager.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/files.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "platform/input_host.h"
#include "support/game_dir.h"
#include "window/window.h"

namespace vadu {
namespace {

// A clock whose time moves only by the engine's sleeps; the local time
// stands still, so no clock ticks are sent and runs are deterministic.
class StillClock : public Clock {
 public:
  uint64_t NowMs() override { return now_ms; }
  void SleepMs(uint32_t ms) override {
    now_ms += ms;
    sleeps.push_back(ms);
  }
  void IdleWait(uint32_t ms) override {
    now_ms += ms;
    idle_waits.push_back(ms);
  }
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 0}; }
  uint64_t now_ms = 0;
  std::vector<uint32_t> sleeps;
  std::vector<uint32_t> idle_waits;
};

// A clock for an engine that never goes idle: time moves on by what each
// cycle costs (Spend) and by the engine's sleeps, and the host reports it in
// steps of `resolution_ms`, as a coarse host timer does.
class BusyClock : public Clock {
 public:
  BusyClock(const LocalDateTime& start, uint32_t resolution_ms) : start_(start), resolution_ms_(resolution_ms) {}
  uint64_t NowMs() override { return now_us_ / 1000 / resolution_ms_ * resolution_ms_; }
  void SleepMs(uint32_t ms) override {
    now_us_ += uint64_t{ms} * 1000;
    // The window manager's mouse reads sleep 10 ms in every cycle; any other
    // sleep is the engine going idle.
    if (ms != 10) ++sleeps;
  }
  LocalDateTime LocalTime() override { return AddMilliseconds(start_, NowMs()); }
  void Spend(uint64_t us) { now_us_ += us; }
  int sleeps = 0;

 private:
  LocalDateTime start_;
  uint32_t resolution_ms_;
  uint64_t now_us_ = 0;
};

// The application step of the tick tests: it looks at every event the
// cycle sent and files each clock tick under the second of the clock read
// that sent it (EventTask's current time). With a busy clock it also keeps
// the engine from going idle (an event to itself every other cycle, so the
// other tasks still catch up after a burst of ticks) and spends the cycle's
// cost.
std::map<int, std::pair<int, int>> g_ticks;  // by second of the day: eighths, halves
BusyClock* g_busy_clock = nullptr;
uint64_t g_cycle_us = 0;
bool g_post_now = false;

Handle CreateTickCounter() {
  const Handle task = CreateTask("TickCounter", 0, 0);
  InitTaskEvents(task);
  return task;
}
void TickCounterStep(Handle task) {
  for (int r = ReciveEvent(task); r == EVENT_RECEIVED || r == EVENT_OTHER; r = ReciveEvent(task)) {
    if (r != EVENT_RECEIVED) continue;
    const uint16_t code = EventView(CurrentEvent(task))->code;
    if (code != kEventEighthSecond && code != kEventHalfSecond) continue;
    const LocalDateTime t = UnpackDateTime(EventTaskTiming().current);
    std::pair<int, int>& tally = g_ticks[(t.hour * 60 + t.minute) * 60 + t.second];
    (code == kEventEighthSecond ? tally.first : tally.second)++;
  }
  if (g_busy_clock == nullptr) return;
  if ((g_post_now = !g_post_now)) PostEvent(TaskNumber(task), TaskNumber(task), 0x600);
  g_busy_clock->Spend(g_cycle_us);
}

std::vector<std::string> g_boxes;
std::vector<std::string> g_info;
void CaptureBox(const char* text) {
  g_boxes.emplace_back(text);
}
int CaptureInfo(const char* text) {
  g_info.emplace_back(text);
  return 1;
}

constexpr char kBaseIni[] =
    "TRACE ON\n"
    "LOOP_EXIT ON\n"
    "USER_NAME tester\n"
    "LONG_MACHINE_NAME longbox\n"
    "SHORT_MACHINE_NAME box\n"
    "MEMORY_TYPE INTEL\n"
    "CYCLE_WAIT 1\n"
    "FASTSYNC_WAIT 1\n"
    "USE_COLOR 3\n"
    "DEFAULT_FONT 2\n"
    "FONT_SIZEX 16\n"
    "FONT_SIZEY 16\n"
    "BACKSCREEN_COLOR 5\n";

// A headless engine in a fresh game directory: HostStartup on the test
// thread, then cycles one at a time (LOOP_EXIT is on).
class BootTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    g_boxes.clear();
    g_info.clear();
    ResetInput();
    SetPlatformClock(&clock_);
    SetMessageBoxHandler(CaptureBox);
    DialogHandlers handlers;
    handlers.info = CaptureInfo;
    SetDialogHandlers(handlers);
    std::string msg;
    for (int i = 1; i <= 120; ++i) msg += "message " + std::to_string(i) + "\n";
    test::WriteFile("SYSTEM.msg", msg);
    Screen().Resize(800, 600);
  }
  void Boot(const std::string& extra_ini = "") {
    test::WriteFile("VADU.ini", kBaseIni + extra_ini);
    ASSERT_TRUE(HostStartup());
  }
  static void Cycle() { RunScheduler(); }
  // Cycles until the manager is in `state`; the number of cycles, or -1.
  static int CyclesUntil(int16_t state, int limit = 200) {
    for (int n = 1; n <= limit; ++n) {
      Cycle();
      if (Kernel.manager_state == state) return n;
    }
    return -1;
  }
  static std::vector<std::string> Log() { return test::ReadLines("SenELOG.dat"); }
  static int LineAt(const std::string& line) {
    const auto log = Log();
    const auto it = std::find(log.begin(), log.end(), line);
    return it == log.end() ? -1 : static_cast<int>(it - log.begin());
  }
  static bool Logged(const std::string& line) { return LineAt(line) >= 0; }
  static bool LoggedPrefix(const std::string& prefix) {
    for (const std::string& l : Log()) {
      if (l.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }
  // Events of the queue with the given code, oldest first.
  static std::vector<Handle> Queued(uint16_t code) {
    std::vector<Handle> found;
    int guard = 10000;
    for (Handle e = QueueHead(); e != kNoHandle && guard-- > 0; e = EventView(e)->link) {
      if (EventView(e)->code == code) found.push_back(e);
    }
    return found;
  }
  static void SendToManager(uint16_t code, uint16_t value) {
    const Handle e = PostEvent(kTaskMenu, kTaskVaduManager, code);
    PutU16(EventBytes(e) + 36, value);
  }

  StillClock clock_;
};

TEST_F(BootTest, NormalStartLogsItsLinesInOrder) {
  Boot();
  // READY, one cycle per task record (StillPixie and the ten system tasks),
  // then START_PROGRAM.
  EXPECT_EQ(CyclesUntil(MANAGER_RUNNING), 13);

  const std::vector<std::string> in_order = {
      "\tVADU on  longbox(box)    OWNER tester",
      "\tscreen size 800/ 600 dot.",
      "    TARN 0.514 active",
      "       Screen size 800/600 dot   Pixel 32   Plans 1  Color 4294967296　GDIlimit 1",
      "System ready",
      "KeyTask start!",
      "ExecManager start!",
      "    NON START PROGRAM",
      "System start",
  };
  int last = -1;
  for (const std::string& line : in_order) {
    const int at = LineAt(line);
    EXPECT_GT(at, last) << line;
    last = at;
  }
  EXPECT_TRUE(LoggedPrefix("       Win Version "));
  EXPECT_TRUE(LoggedPrefix("       Computer name "));
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(StartupRequestedClose());
  // The application task came first and took the first automatic number.
  EXPECT_EQ(TaskNumber(FirstRecord(TaskResource())), 30);
  EXPECT_EQ(FindTaskByName("StillPixie"), 30);
  EXPECT_TRUE(HasFlag(APP_ACTIVE));
}

TEST_F(BootTest, SystemTasksGetTheStartEventOnePerCycle) {
  Boot();
  Cycle();  // READY
  ASSERT_EQ(Kernel.manager_state, MANAGER_START_SYSTEM);
  std::vector<int32_t> started;
  for (int n = 0; n < 11; ++n) {
    const Handle tail_before = QueueTail();
    Cycle();
    // The start event, if any, is the first event of the cycle.
    const Handle first = EventView(tail_before)->link;
    if (first != kNoHandle && EventView(first)->code == kEventStart) started.push_back(EventView(first)->destination);
  }
  EXPECT_EQ(started, (std::vector<int32_t>{1, 9, 22, 2, 7, 18, 16, 11, 12, 19}));
  EXPECT_EQ(Kernel.manager_state, MANAGER_START_PROGRAM);
}

TEST_F(BootTest, SystemMenuEntriesAreAddedWithoutAStartProgram) {
  Boot();
  ASSERT_GT(CyclesUntil(MANAGER_RUNNING), 0);
  EXPECT_TRUE(Logged("    NON START PROGRAM"));
  // The manager's two rows (the window manager adds one of its own).
  std::vector<Handle> entries;
  for (const Handle e : Queued(kEventAddSystemMenu)) {
    if (EventView(e)->sender == kTaskVaduManager) entries.push_back(e);
  }
  ASSERT_EQ(entries.size(), 2u);
  const uint8_t* a = EventBytes(entries[0]);
  EXPECT_EQ(EventView(entries[0])->destination, kTaskMenu);
  EXPECT_EQ(GetU16(a + 36), 3);
  EXPECT_STREQ(reinterpret_cast<const char*>(a + 44), "SysInfo");
  EXPECT_STREQ(reinterpret_cast<const char*>(a + 66), "SYSTEM情報");
  const uint8_t* b = EventBytes(entries[1]);
  EXPECT_EQ(GetU16(b + 36), 7);
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 44), "終了");
}

TEST_F(BootTest, StartProgramByName) {
  struct Case {
    const char* value;
    bool started;
  };
  for (const Case& c : {Case{"StillPixie", true}, Case{"Nobody", false}}) {
    SCOPED_TRACE(c.value);
    ResetStartup();
    test::ResetEngine();
    SetPlatformClock(&clock_);
    SetMessageBoxHandler(CaptureBox);
    Boot(std::string("START_PROGRAM ") + c.value + "\n");
    ASSERT_GT(CyclesUntil(MANAGER_START_PROGRAM), 0);
    const Handle tail = QueueTail();
    Cycle();
    EXPECT_EQ(Kernel.manager_state, MANAGER_RUNNING);
    const Handle first = EventView(tail)->link;
    ASSERT_NE(first, kNoHandle);
    if (c.started) {
      EXPECT_EQ(EventView(first)->code, kEventStart);
      EXPECT_EQ(EventView(first)->destination, 30);
    } else {
      EXPECT_EQ(EventView(first)->code, kEventAddSystemMenu);
      EXPECT_TRUE(Logged("START_PROGRAMの名前が正しくありません。"));
    }
    EXPECT_TRUE(Logged(std::string("       - ") + c.value + " -   TARN start up"));
    EXPECT_TRUE(Logged("System start"));
  }
}

TEST_F(BootTest, TaskAllStartsEveryUserTaskOnePerCycleAfterTheRedraw) {
  Boot("START_PROGRAM TASKall\n");
  ASSERT_GT(CyclesUntil(MANAGER_START_PROGRAM), 0);
  CreateTask("Extra", 0, 0);  // number 31, last record
  // While the window manager redraws, nothing starts.
  SetFlag(REDRAW_MOTION);
  const Handle tail = QueueTail();
  for (int i = 0; i < 3; ++i) Cycle();
  EXPECT_EQ(QueueTail(), tail);
  EXPECT_EQ(Kernel.manager_state, MANAGER_START_PROGRAM);
  ClearFlag(REDRAW_MOTION);

  // Twelve task records: the last cycle finishes.
  int cycles = 0;
  while (Kernel.manager_state == MANAGER_START_PROGRAM && cycles < 50) {
    Cycle();
    ++cycles;
  }
  EXPECT_EQ(cycles, 12);
  std::vector<int32_t> started;
  for (Handle e : Queued(kEventStart)) started.push_back(EventView(e)->destination);
  // Events older than the cleanup may be gone; the two user tasks' are last.
  ASSERT_GE(started.size(), 2u);
  EXPECT_EQ((std::vector<int32_t>(started.end() - 2, started.end())), (std::vector<int32_t>{30, 31}));
  EXPECT_TRUE(Logged("System start"));
  // The line that sets START_PROGRAM contains "TASK" without ON or OFF.
  EXPECT_TRUE(Logged("message 100"));
}

TEST_F(BootTest, ShutdownSetsSystemEndOnTheEleventhManagerStep) {
  Boot();
  ASSERT_GT(CyclesUntil(MANAGER_RUNNING), 0);
  SendToManager(ShutDownEvent, 0);
  ASSERT_GT(CyclesUntil(MANAGER_ENDING, 10), 0);
  EXPECT_EQ(ShutdownCountdown(), 10);
  EXPECT_TRUE(Logged("ShutDownEventを受け取りました　終了します。"));
  EXPECT_TRUE(Logged("終了時ｵｰﾌﾟﾝされていたｽﾄﾘｰﾑ数 0"));
  // The broadcast shutdown is in the queue for every task.
  const std::vector<Handle> broadcasts = Queued(ShutDownEvent);
  ASSERT_FALSE(broadcasts.empty());
  EXPECT_EQ(EventView(broadcasts.back())->destination, kEveryTask);
  EXPECT_TRUE(test::FileExists("VADUrev.dat"));

  for (int step = 1; step <= 10; ++step) {
    Cycle();
    EXPECT_FALSE(HasFlag(SYSTEM_END)) << step;
  }
  Cycle();
  EXPECT_TRUE(HasFlag(SYSTEM_END));
  // Once SYSTEM_END is set no step runs any more.
  const size_t lines = Log().size();
  Cycle();
  EXPECT_EQ(Log().size(), lines);
}

TEST_F(BootTest, SystemMenuChoices) {
  Boot();
  ASSERT_GT(CyclesUntil(MANAGER_RUNNING), 0);
  // The system dialogs installed themselves at start; the text is caught
  // here instead (the dialog itself is the dialog tests' to check).
  DialogHandlers handlers;
  handlers.info = CaptureInfo;
  SetDialogHandlers(handlers);
  SendToManager(kEventMenuChosen, 3);
  // The manager reaches the event once it has walked the ones before it.
  for (int i = 0; i < 20 && g_info.empty(); ++i) Cycle();
  ASSERT_EQ(g_info.size(), 1u);
  EXPECT_EQ(g_info[0].rfind("VADUv0.319\\ntester(longbox)\\nmilli sync 20   event ", 0), 0u) << g_info[0];
  EXPECT_TRUE(g_info[0].ends_with("\\n RedrawMotion 0")) << g_info[0];
  EXPECT_EQ(Kernel.manager_state, MANAGER_RUNNING);

  // The other entry ends the system.
  SendToManager(kEventMenuChosen, 7);
  EXPECT_GT(CyclesUntil(MANAGER_ENDING, 5), 0);
}

TEST_F(BootTest, EngineThreadRunsUntilTheHostCloseRequestHasEndedTheSystem) {
  Boot();
  ASSERT_GT(CyclesUntil(MANAGER_RUNNING), 0);
  ClearFlag(LOOP_EXIT);
  HostRequestClose();
  EngineThread();
  EXPECT_TRUE(HasFlag(SYSTEM_END));
  EXPECT_LT(LineAt("**** START! THREAD PROGRAM!! ****"), LineAt("TARN CLOSED"));
  EXPECT_LT(LineAt("TARN CLOSED"), LineAt("TARN Direct close request!"));
  EXPECT_LT(LineAt("TARN Direct close request!"), LineAt("system end ready"));
  EXPECT_EQ(LineAt("system end ready") + 1, LineAt(" exit thread"));
  // A close request after the end only logs.
  HostCloseAfterEnd();
  EXPECT_EQ(Log().back(), "TARN CLOSED");
}

TEST_F(BootTest, LoopExitReturnsAfterEachCycle) {
  Boot();
  EXPECT_EQ(Kernel.manager_state, MANAGER_READY);
  RunScheduler();
  EXPECT_EQ(Kernel.manager_state, MANAGER_START_SYSTEM);
  EXPECT_TRUE(Logged("System ready"));
  RunScheduler();
  EXPECT_EQ(Kernel.manager_state, MANAGER_START_SYSTEM);
}

TEST_F(BootTest, IdleCyclesWaitForTheNextTickOrInput) {
  Boot();
  ASSERT_GT(CyclesUntil(MANAGER_RUNNING), 0);
  for (int i = 0; i < 20; ++i) Cycle();
  clock_.sleeps.clear();
  clock_.idle_waits.clear();
  for (int i = 0; i < 40; ++i) Cycle();
  // An idle cycle neither sleeps for its look at the mouse nor polls: it
  // waits for the next tick (at most an eighth of a second away) or input.
  EXPECT_TRUE(clock_.sleeps.empty());
  ASSERT_EQ(clock_.idle_waits.size(), 40u);
  for (const uint32_t ms : clock_.idle_waits) {
    EXPECT_GE(ms, 1u);
    EXPECT_LE(ms, 125u);
  }

  // A key is activity: no idle wait in its cycle, and the cycles after it
  // wait again.
  clock_.sleeps.clear();
  clock_.idle_waits.clear();
  HostPutKey('a');
  Cycle();
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_TRUE(clock_.idle_waits.empty());
  for (int i = 0; i < 6; ++i) Cycle();
  EXPECT_TRUE(clock_.sleeps.empty());
  EXPECT_FALSE(clock_.idle_waits.empty());
}

TEST_F(BootTest, MissingWaitAsksTheHostToEndAfterStartUp) {
  test::WriteFile("VADU.ini", "TRACE ON\nMEMORY_TYPE INTEL\nFASTSYNC_WAIT 1\nBACKSCREEN_COLOR 0\nDEFAULT_FONT 1\n");
  ASSERT_TRUE(HostStartup());
  EXPECT_TRUE(StartupRequestedClose());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "SYSTEMWAITが記述されてません VADU.ini nis ot0.3");
  // Start-up still ran to its end.
  EXPECT_NE(RootWindow(), kNoHandle);
}

// Settings and messages of a game installed read-only: writing them is
// refused even to root; the engine's own files stay writable.
bool SettingsReadOnly(const char* path, const char* mode) {
  const bool settings = std::strcmp(path, "VADU.ini") == 0 || std::strcmp(path, "SYSTEM.msg") == 0;
  return !settings || std::strpbrk(mode, "wa+") == nullptr;
}

TEST_F(BootTest, ReadOnlySettingsStartTheGame) {
  SetGameFileOpenFilter(SettingsReadOnly);
  Boot("TEST_RUN ON\nSTART_PROGRAM TASKall\n");
  // No "MEMORY_TYPE unknow!" or "SYSTEMWAIT..." box for files that are there.
  EXPECT_TRUE(g_boxes.empty());
  EXPECT_FALSE(StartupRequestedClose());
  EXPECT_TRUE(HasFlag(TEST_RUN));
  EXPECT_TRUE(Logged("\tVADU on  longbox(box)    OWNER tester"));
  EXPECT_TRUE(Logged("message 100"));  // read from SYSTEM.msg for the TASKall line
}

TEST_F(BootTest, TestRunLogsTheStructSizesAndPassesItsCheck) {
  Boot("TEST_RUN ON\n");
  EXPECT_TRUE(Logged("    struct size   window 84  win obj 108."));
  EXPECT_TRUE(g_boxes.empty());
}

TEST_F(BootTest, ScreenSizeKeysOverrideTheHostScreen) {
  Boot("SCREEN_SIZEX 640\nSCREEN_SIZEY -480\n");
  EXPECT_TRUE(Logged("\tscreen size 640/ 480 dot."));
  EXPECT_EQ(Screen().width(), 640);
  EXPECT_EQ(Screen().height(), 480);
  EXPECT_EQ(WindowWidth(RootWindow()), 640);
  EXPECT_EQ(WindowHeight(RootWindow()), 480);
}

TEST_F(BootTest, OversizedScreenIsCappedAndZeroKeepsTheHostScreen) {
  Boot("SCREEN_SIZEX 70000\nSCREEN_SIZEY 0\n");
  EXPECT_TRUE(Logged("\tscreen size 4096/ 600 dot."));
  EXPECT_EQ(Screen().width(), 4096);
  EXPECT_EQ(Screen().height(), 600);
  EXPECT_EQ(WindowWidth(RootWindow()), 4096);
}

TEST_F(BootTest, RootWindowTakesItsColourFromTheTable) {
  struct Case {
    const char* line;
    int index;
  };
  for (const Case& c : {Case{"BACKSCREEN_COLOR 5\n", 5}, Case{"BACKSCREEN_COLOR 27\n", 27},
                        Case{"BACKSCREEN_COLOR 28\n", 0}, Case{"", 0}}) {
    SCOPED_TRACE(c.line);
    ResetStartup();
    test::ResetEngine();
    SetPlatformClock(&clock_);
    SetMessageBoxHandler(CaptureBox);
    std::string ini = kBaseIni;
    ini.erase(ini.find("BACKSCREEN_COLOR"));
    test::WriteFile("VADU.ini", ini + c.line);
    ASSERT_TRUE(HostStartup());
    const WindowRecord* root = WindowView(RootWindow());
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->name, "SystemRootWindow");
    EXPECT_EQ(root->mode, WINDOWdrawable | WINDOWopen);
    EXPECT_EQ(root->depth, 1);
    EXPECT_EQ(root->width, 800);
    const GCRecord* gc = GCView(root->gc);
    ASSERT_NE(gc, nullptr);
    EXPECT_EQ(gc->face, ColourTable[c.index]);
  }
}

// The engine's clock starts on a second (as a headless run's does), so the
// first second of the run is a whole one.
constexpr LocalDateTime kTickStart{2024, 5, 6, 7, 8, 9, 0};
constexpr int kTickStartSecond = (7 * 60 + 8) * 60 + 9;
constexpr int kTickSeconds = 4;

// Boots an engine on `clock` with the tick counter as its application and
// runs whole cycles until the clock has passed kTickSeconds seconds; the
// ticks of each of those seconds, from the first.
class TickTest : public BootTest {
 protected:
  std::vector<std::pair<int, int>> RunSeconds(Clock& clock, int cycle_wait) {
    g_ticks.clear();
    g_post_now = false;
    ResetStartup();
    test::ResetEngine();
    SetPlatformClock(&clock);
    SetMessageBoxHandler(CaptureBox);
    RegisterApplication({.create = CreateTickCounter, .step = TickCounterStep});
    std::string ini = kBaseIni;
    ini.replace(ini.find("CYCLE_WAIT 1"), 12, "CYCLE_WAIT " + std::to_string(cycle_wait));
    test::WriteFile("VADU.ini", ini);
    EXPECT_TRUE(HostStartup());
    for (int n = 0; n < 2000000 && clock.NowMs() < kTickSeconds * 1000 + 100; ++n) Cycle();
    EXPECT_EQ(Kernel.manager_state, MANAGER_RUNNING);
    std::vector<std::pair<int, int>> counts;
    for (int s = kTickStartSecond; s < kTickStartSecond + kTickSeconds; ++s) {
      counts.push_back(g_ticks[s]);
    }
    return counts;
  }
  void TearDown() override {
    g_busy_clock = nullptr;
    BootTest::TearDown();
  }
  const std::vector<std::pair<int, int>> kEightAndTwo = std::vector<std::pair<int, int>>(kTickSeconds, {8, 2});
};

TEST_F(TickTest, IdleEngineOnTheVirtualClockTicksEightAndTwoTimesEverySecond) {
  // The virtual clock moves only by the engine's idle sleeps (1 ms doubling
  // to 16 ms), so every second of this run was slept through.
  for (int cycle_wait : {1, 3}) {
    SCOPED_TRACE(cycle_wait);
    VirtualClock clock(kTickStart);
    EXPECT_EQ(RunSeconds(clock, cycle_wait), kEightAndTwo);
  }
}

TEST_F(TickTest, BusyEngineTicksEightAndTwoTimesEverySecond) {
  struct Case {
    uint32_t resolution_ms;  // of the host clock
    uint64_t cycle_us;       // what one cycle costs
  };
  for (const Case c : {Case{1, 350}, Case{16, 200}}) {
    for (int cycle_wait : {1, 3}) {
      SCOPED_TRACE(testing::Message() << c.resolution_ms << " ms clock, " << c.cycle_us << " us a cycle, CYCLE_WAIT "
                                      << cycle_wait);
      BusyClock clock(kTickStart, c.resolution_ms);
      g_busy_clock = &clock;
      g_cycle_us = c.cycle_us;
      EXPECT_EQ(RunSeconds(clock, cycle_wait), kEightAndTwo);
      EXPECT_EQ(clock.sleeps, 0);
      g_busy_clock = nullptr;
    }
  }
}

}  // namespace
}  // namespace vadu
