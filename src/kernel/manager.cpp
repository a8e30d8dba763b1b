// VaduManager (task 1), ExecManager (task 16) and the system task list.
#include "kernel/manager.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/install.h"
#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"

namespace vadu {
namespace {

// The system menu entry that shows the system information.
constexpr uint16_t kSysInfoEntry = 3;
constexpr uint16_t kEndEntry = 7;
// Cycles every task still gets after the shutdown broadcast.
constexpr int16_t kShutdownCycles = 10;

struct ManagerState {
  Handle tasks[kSystemTaskCount] = {};
  Handle cursor = kNoHandle;  // task record the start sequence is at
  int16_t countdown = 0;
  // ExecManager's program counters: no task is ever given program code, so
  // they stay 0; the level-3 line shows one of them.
  int32_t exec_level3 = 0;
};
ManagerState g;

void SendStart(int32_t number) {
  PostEvent(kTaskVaduManager, number, kEventStart);
}

// The system information text, with the two-character line-break escape.
void ShowSystemInformation() {
  char text[256];
  std::snprintf(text, sizeof text, "VADUv%s%s\\n%s(%s)\\nmilli sync %d   event %d\\n RedrawMotion %d", kEngineVersion,
                kEngineRevision, Kernel.user_name, Kernel.long_machine_name,
                static_cast<int>(EventTaskTiming().milli_sync), static_cast<int>(RecordCount(EventResource())),
                static_cast<int>(SystemFlags.load() & REDRAW_MOTION));
  InfoDialog(text);
}

void ReceiveStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  if (code == kEventMenuChosen) {
    if (GetU16(e + MenuChosenAt::kValue) == kSysInfoEntry) {
      ShowSystemInformation();
    } else {
      PostEvent(kTaskVaduManager, kTaskVaduManager, ShutDownEvent);
    }
  } else if (code == ShutDownEvent) {
    WriteLog("ShutDownEventを受け取りました　終了します。");
    SaveRunStatistics();
    ShutdownSystem();
  }
}

// One task record per cycle: the start event to a system task.
void StartSystemStep() {
  if (const int32_t number = TaskNumber(g.cursor); number >= 0 && number < kFirstAutoTaskNumber) SendStart(number);
  g.cursor = NextRecord(g.cursor);
  if (g.cursor == kNoHandle) {
    g.cursor = FirstRecord(TaskResource());
    Kernel.manager_state = MANAGER_START_PROGRAM;
  }
}

void FinishStart(Handle task) {
  AddSystemMenuEntry(task, kSysInfoEntry, "SysInfo", "SYSTEM情報");
  AddSystemMenuEntry(task, kEndEntry, "終了", "SYSTEMの終了");
  WriteLog("System start");
  Kernel.manager_state = MANAGER_RUNNING;
}

void StartProgramStep(Handle task) {
  char value[kKeywordLineMax + 1];
  if (IniString("START_PROGRAM", value, sizeof value) == nullptr) {
    WriteLog("    NON START PROGRAM");
    FinishStart(task);
    return;
  }
  if (FindText(value, "TASKall") != 0) {
    // Every task numbered 30 or more, one task record per cycle; not while
    // the window manager redraws.
    if (HasFlag(REDRAW_MOTION)) return;
    if (const int32_t number = TaskNumber(g.cursor); number >= kFirstAutoTaskNumber) SendStart(number);
    g.cursor = NextRecord(g.cursor);
    if (g.cursor != kNoHandle) return;
    FinishStart(task);
    return;
  }
  const int32_t number = FindTaskByName(value);
  if (number > 0) {
    SendStart(number);
  } else {
    WriteLog("START_PROGRAMの名前が正しくありません。");
  }
  FinishStart(task);
}

}  // namespace

Handle SystemTask(int index) {
  return index >= 0 && index < kSystemTaskCount ? g.tasks[index] : kNoHandle;
}

void CreateSystemTasks() {
  for (int i = 0; i < kSystemTaskCount; ++i) {
    const SystemTaskEntry& entry = SystemTaskAt(i);
    g.tasks[i] = CreateTask(entry.name, entry.number, 0);
    InitTaskEvents(g.tasks[i]);
  }
  // The layers' hooks: the root window, made before any task existed, gets
  // the manager as its owner; the system dialogs are made.
  RunReadyHooks();
}

void VaduManager(Handle task) {
  switch (Kernel.manager_state) {
    case MANAGER_READY:
      WriteLog("System ready");
      Kernel.manager_state = MANAGER_START_SYSTEM;
      CreateSystemTasks();
      g.cursor = FirstRecord(TaskResource());
      PostEvent(kTaskVaduManager, kEveryTask, kEventSystemReady);
      // The manager's own record exists only from now on.
      ReceiveStep(g.tasks[kVaduManagerTask]);
      return;
    case MANAGER_START_SYSTEM:
      StartSystemStep();
      ReceiveStep(task);
      return;
    case MANAGER_START_PROGRAM:
      StartProgramStep(task);
      return;
    case MANAGER_ENDING:
      if (g.countdown-- <= 0) SetFlag(SYSTEM_END);
      return;
    default:
      ReceiveStep(task);
      return;
  }
}

void ExecManager(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const EventHead* e = EventView(CurrentEvent(task));
  if (e == nullptr) return;
  if (e->code == kEventStart) {
    WriteLog("ExecManager start!");
  } else if (e->code == kEventMenuChosen) {
    WriteLogf(" Level3  %d.", static_cast<int>(g.exec_level3));
  }
}

int ShutdownSystem() {
  PostEvent(kTaskVaduManager, kEveryTask, ShutDownEvent);
  // Every engine file is opened and closed within the call that uses it,
  // and a FILE stream cannot be closed safely by anyone but its holder; so
  // the files are counted, not closed: a count above 0 is a leak to look at.
  WriteLogf("終了時ｵｰﾌﾟﾝされていたｽﾄﾘｰﾑ数 %d", CountOpenGameFiles());
  g.countdown = kShutdownCycles;
  Kernel.manager_state = MANAGER_ENDING;
  return 1;
}

int CountOpenGameFiles() {
  char cwd[PATH_MAX];
  if (::getcwd(cwd, sizeof cwd) == nullptr) return 0;
  std::string prefix = cwd;
  if (prefix.empty() || prefix.back() != '/') prefix += '/';
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return 0;
  const int own = ::dirfd(dir);
  int count = 0;
  while (const dirent* d = ::readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(d->d_name, &end, 10);
    // The standard streams and the listing's own descriptor do not count.
    if (end == d->d_name || *end != '\0' || fd <= 2 || fd == own) continue;
    const std::string link = std::string("/proc/self/fd/") + d->d_name;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    target[n] = '\0';
    struct stat st {};
    if (::stat(link.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (std::strncmp(target, prefix.c_str(), prefix.size()) == 0) ++count;
  }
  ::closedir(dir);
  return count;
}

void ResetManagerState() {
  g = ManagerState{};
}

int16_t ShutdownCountdown() {
  return g.countdown;
}

}  // namespace vadu
