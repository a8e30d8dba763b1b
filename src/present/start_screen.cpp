#include "present/start_screen.h"

#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

struct StartScreenState {
  Handle window = kNoHandle;  // the start window
};
StartScreenState g;

// Makes the start window once: a second start event (START_PROGRAM naming
// this task, say) must not leave the first window behind.
void Build(Handle task) {
  if (WindowView(g.window) != nullptr) return;
  g.window = CreateWindow(task, kNoHandle, Kernel.screen_width, Kernel.screen_height, 0);
  if (g.window == kNoHandle) return;
  SetWindowPosition(g.window, 0, 0);
  SetWindowName(g.window, "StartScreen");
  CreateMessageButton(g.window, kStartButton, 350, 360, "S t a r t");
  CreateMessageButton(g.window, kEndButton, 350, 420, "E n d");
}

void SendStart(int32_t number) {
  PostEvent(kTaskStartScreen, number, kEventStart);
}

// The program START_PROGRAM names gets the start event; "TASKall" means
// every task numbered 30 or more, as at start-up.
void StartProgram() {
  char value[100];
  if (IniString("START_PROGRAM", value, sizeof value) == nullptr) return;
  if (FindText(value, "TASKall") != 0) {
    const Handle tasks = TaskResource();
    const uint32_t limit = RecordCount(tasks);
    Handle t = FirstRecord(tasks);
    for (uint32_t n = 0; t != kNoHandle && n < limit; ++n, t = NextRecord(t)) {
      if (const int32_t number = TaskNumber(t); number >= kFirstAutoTaskNumber) SendStart(number);
    }
    return;
  }
  if (const int32_t number = FindTaskByName(value); number > 0) {
    SendStart(number);
  } else {
    WriteLog("START_SCREEN指定の名前が正しくありません。");
  }
}

}  // namespace

Handle StartScreenWindow() {
  return g.window;
}

void StartScreen(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  uint8_t e[kEventRecordSize];
  const uint8_t* b = EventBytes(CurrentEvent(task));
  if (b == nullptr) return;
  std::memcpy(e, b, sizeof e);
  switch (GetU16(e)) {
    case kEventStart:
      Build(task);
      break;
    case kEventReqDraw:
      // The window asked about is answered, whichever it is: a request left
      // unanswered would hold the window manager's redraw up for good.
      RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
      break;
    case kEventObjectClicked:
      if (GetI16(e + ObjectClickedAt::kNumber) == kStartButton) StartProgram();
      break;
    default:
      break;
  }
}

void ResetStartScreen() {
  g = StartScreenState{};
}

}  // namespace vadu
