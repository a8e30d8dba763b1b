// The engine's start, its cycle and its end.
#include "kernel/startup.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/install.h"
#include "core/log.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/key_task.h"
#include "kernel/manager.h"
#include "kernel/system_records.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/clock.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/host.h"
#include "platform/host_seam.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "platform/system_info.h"

namespace vadu {
namespace {

// Set on the host thread before the engine thread exists; read by it.
std::atomic<bool> g_engine_started{false};
// CYCLE_WAIT or FASTSYNC_WAIT was missing: the host ends after start-up.
bool g_close_after_startup = false;
Handle g_app_task = kNoHandle;
// The two start-up date-time stamps; the first seeds EventTask's ticks.
uint8_t g_start_stamp[8] = {};
uint8_t g_start_stamp2[8] = {};

// Where every task's cursor stands (a hash of the cursors and their fresh
// flags), and whether some task has an event it has not looked at yet. A
// cycle in which a cursor moved, or after which an event waits, is active.
struct CursorState {
  uint64_t hash = 1469598103934665603ull;
  bool waiting = false;
};
CursorState Cursors() {
  CursorState state;
  const Handle tasks = TaskResource();
  int steps = RecordCount(tasks);
  for (Handle t = FirstRecord(tasks); t != kNoHandle && steps-- > 0; t = NextRecord(t)) {
    const TaskRecord* v = TaskView(t);
    if (v == nullptr) continue;
    const bool fresh = (v->flags & kTaskFreshCursor) != 0;
    state.hash = (state.hash ^ (static_cast<uint64_t>(v->cursor) << 1 | (fresh ? 1 : 0))) * 1099511628211ull;
    if (v->cursor == kNoHandle) continue;
    const EventHead* e = EventView(v->cursor);
    if (fresh || (e != nullptr && e->link != kNoHandle)) state.waiting = true;
  }
  return state;
}

// What the host hands over once per cycle on the engine thread: the wheel
// notches turned (logged only), a suspend or resume, a repaint and the close
// request.
void TakeHostRequests() {
  if (const int32_t notches = TakeWheel(); notches != 0) WriteLogf("mouse wheel count %d", static_cast<int>(notches));
  if (TakePowerEvent()) WriteLog("Windows Power Off or Resume");
  // A later paint redraws the windows, and only while the system runs.
  if (TakeRepaintRequest() && Kernel.manager_state == MANAGER_RUNNING) {
    WriteLog("TARN window redraw call for WINDOWS");
    RunRepaintHooks();
  }
  if (!TakeCloseRequest()) return;
  WriteLog("TARN CLOSED");
  if (HasFlag(SYSTEM_END)) return;
  WriteLog("TARN Direct close request!");
  PostEvent(kTaskVaduManager, kTaskVaduManager, ShutDownEvent);
}

// After a cycle in which no task looked at an event, the engine waits for
// the next tick or for the player, whichever comes first (the clock's idle
// wait): an idle engine wakes eight times a second instead of polling. A
// cycle with activity goes straight on to the next.
void PaceIdle(bool active) {
  if (active) return;
  // A tick due now still gets a short sleep: the cycle that sends it comes
  // next.
  const uint32_t until_tick = MsUntilNextTick();
  PlatformClock().IdleWait(until_tick > 0 ? until_tick : 1);
}

// The host lines of the log: platform version, operating system, names.
void LogHostLines() {
  WriteLogf("    TARN %s active", kPlatformVersion);
  const OsVersion os = HostOsVersion();
  WriteLogf("       Win Version %d.%d  %s", os.major, os.minor, os.name.c_str());
  WriteLogf("       Computer name %s  User name %s", HostComputerName().c_str(), HostUserName().c_str());
}

// Start-up's self-check under TEST_RUN.
bool StartupConsistent() {
  if (SystemFlags.load() == 0) return false;
  if (SystemTask(kVaduManagerTask) != kNoHandle || SystemTask(kEventTaskTask) != kNoHandle ||
      SystemTask(kTextTaskTask) != kNoHandle) {
    return false;
  }
  for (const char* name : {"Event", "Task", "Font", "GC", "Window", "Object"}) {
    if (SystemResource(name) == kNoHandle) return false;
  }
  return Kernel.current_group != kNoHandle && ValidHandle(Kernel.current_group);
}

}  // namespace

bool HostStartup() {
  g_engine_started = true;
  if (InitEngine() != 1) return false;
  LogHostLines();
  SetFlag(APP_ACTIVE);
  g_app_task = CreateApplicationTask();
  DrawStartBanner();
  return true;
}

int InitEngine() {
  // 1. The banner on standard output.
  std::printf("%s V%s R%s(%d)\n", kEngineName, kEngineVersion, kEngineRevision, kStateBlockSize);
  std::printf("    a multimedia runtime for scenario games, on the TARN %s platform layer\n", kPlatformVersion);
  std::printf("    log, settings and game data are read from the current directory\n");
  std::fflush(stdout);

  // 2-4. The device, the mouse button, the log.
  OpenDevice(Kernel.screen_width, Kernel.screen_height);
  Kernel.screen_width = static_cast<int16_t>(std::min(Screen().width(), static_cast<int>(kMaxScreenSize)));
  Kernel.screen_height = static_cast<int16_t>(std::min(Screen().height(), static_cast<int>(kMaxScreenSize)));
  ClearMouseButton();
  OpenLogFile();

  // 5-7. Flags, the install record, the pool.
  SystemFlags.store(TRACE);
  UpdateInstallRecord();
  if (!CreatePool()) return 0;
  // A new pool: every handle of an earlier one is forgotten.
  ResetResources();
  ResetEventQueue();
  ResetFonts();
  ResetGCs();

  // 8-12. Settings.
  ReadFlagKeys();
  ReadNameKeys();
  ReadMemoryType();
  if (!ReadWaitKeys()) g_close_after_startup = true;
  ReadMaxEvent();
  if (HasFlag(TEST_RUN)) {
    WriteLogf("    struct size   window %d  win obj %d.", kWindowRecordSize, kWindowObjectRecordSize);
  }

  // 14. The start-up stamps.
  PackDateTime(g_start_stamp, PlatformClock().LocalTime());
  PackDateTime(g_start_stamp2, PlatformClock().LocalTime());
  SetStartupDateTime(g_start_stamp);

  // 15. The manager and the kernel counters.
  Kernel.manager_state = MANAGER_READY;
  ResetManagerState();
  Kernel.next_task_number = kFirstAutoTaskNumber;
  Kernel.group_counter = 0;
  Kernel.current_task = kNoHandle;
  ClearMouseCapture();

  // 16. The screen: VADU.ini overrides the host's values.
  if (const int32_t colour_mode = LookupNumber("USE_COLOR", kIniFile); colour_mode >= 0) {
    Kernel.use_color = static_cast<int16_t>(colour_mode);
  }
  // The same rule as the host's (ScreenSizeSetting), so the screen the host
  // made, the banner's desktop and the engine's screen agree.
  Kernel.screen_width = ScreenSizeSetting("SCREEN_SIZEX", Kernel.screen_width);
  Kernel.screen_height = ScreenSizeSetting("SCREEN_SIZEY", Kernel.screen_height);
  if (Screen().width() != Kernel.screen_width || Screen().height() != Kernel.screen_height) {
    Screen().Resize(Kernel.screen_width, Kernel.screen_height);
  }
  WriteLogf("\tscreen size %d/ %d dot.", Kernel.screen_width, Kernel.screen_height);
  BuildColourTable();

  // 17-18. The group and the system resources. They come from a fresh pool
  // that holds nothing else yet; without them nothing can run.
  if (!CreateSystemResources()) {
    std::fputs("VADU: the system resources cannot be made\n", stderr);
    return 0;
  }

  // 19-20. Fonts and the event queue.
  CreateStartupFonts();
  if (!InitEventQueue()) {
    ShowMessageBox("init event errror!!");
    return 0;
  }

  // 21. The window manager's set-up (its globals, the root window) through
  // the start hooks of the task step table, then the system GCs.
  RunStartHooks();
  CreateSystemGCs();

  // 22. The self-check.
  if (HasFlag(TEST_RUN) && !StartupConsistent()) ShowMessageBox("VADU 初期化ミス！");
  return 1;
}

void EngineThread() {
  WriteLog("**** START! THREAD PROGRAM!! ****");
  // The device carries out every drawing call at once (batch limit 1).
  do {
    if (g_engine_started) {
      RunScheduler();
    } else {
      PlatformClock().SleepMs(1);
    }
  } while (!HasFlag(SYSTEM_END));
  WriteLog("system end ready");
  WriteLog(" exit thread");
  HostQuit(0);
}

void RunScheduler() {
  while (!HasFlag(SYSTEM_END)) {
    TakeHostRequests();
    const uint64_t before = Cursors().hash;
    for (int i = 0; i < kSystemTaskCount; ++i) RunSystemTaskStep(i, SystemTask(i));
    if (HasFlag(APP_ACTIVE)) RunApplicationStep(g_app_task);
    if (HasFlag(SYSTEM_END)) return;
    const CursorState after = Cursors();
    PaceIdle(after.hash != before || after.waiting);
    if (HasFlag(LOOP_EXIT)) return;
  }
}

void HostCloseAfterEnd() {
  WriteLog("TARN CLOSED");
}

bool StartupRequestedClose() {
  return g_close_after_startup;
}

void ResetStartup() {
  g_engine_started = false;
  g_close_after_startup = false;
  g_app_task = kNoHandle;
  std::memset(g_start_stamp, 0, sizeof g_start_stamp);
  std::memset(g_start_stamp2, 0, sizeof g_start_stamp2);
  ResetManagerState();
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetStartup);
}  // namespace

}  // namespace vadu
