#include "window/window_task.h"

#include <cstring>

#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "window/draw.h"
#include "window/manager.h"
#include "window/mouse.h"
#include "window/window.h"

namespace vadu {
namespace {

// The system-menu row that writes the window list to the log.
constexpr uint16_t kWindowStsEntry = 1;
constexpr int16_t kTitleFontSize = 14;

void Init(Handle task) {
  const Handle root = RootWindow();
  if (root == kNoHandle) WriteLog("      WindowManager init SYS error!!");
  if (const GCRecord* g = GCView(GetWindowGC(root)); g != nullptr) WinFill(root, g->face);
  SetTitleFont(CreateFont(kTitleFontSize, kTitleFontSize, 0, nullptr));
  AddSystemMenuEntry(task, kWindowStsEntry, "WindowSTS", "Window Sts Loging!");
}

// 0x302: a window already open is only brought up (nothing when it is the
// active window on top).
void OpenRequest(Handle window, int16_t x, int16_t y) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if ((w->mode & WINDOWopen) == 0) {
    open_window(window, x, y);
  } else if (!(window == ActiveWindow() && w->depth == 1)) {
    activate_window(window);
  }
}

// 0x30b: a window on top is only made active, with nothing redrawn or sent.
void ActivateRequest(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || window == ActiveWindow()) return;
  if (w->depth == 1) {
    RaiseWindow(window);
    SwitchActiveDecorations(window);
  } else {
    activate_window(window);
  }
  UpdateDepths();
}

// 0x312: every open top-level window, from the top down.
void CloseAll() {
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr) return;
  int budget = RecordCount(SystemResource("Window")) + 2;
  for (Handle w = root->last_child; w != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    const Handle back = v->back;
    if ((v->mode & WINDOWopen) != 0) close_window(w);
    w = back;
  }
}

void Dispatch(Handle task, const uint8_t* e) {
  const Handle window = GetU32(e + WindowEventAt::kWindow);
  switch (GetU16(e)) {
    case kEventSystemReady:
      Init(task);
      break;
    case kEventStart: {
      WriteLog("WindowManager start!");
      const Handle root = RootWindow();
      WriteLogf("    root window size %d/%d dot.", WindowWidth(root), WindowHeight(root));
      break;
    }
    case kEventOpenWindow:
      OpenRequest(window, GetI16(e + WindowPlaceAt::kX), GetI16(e + WindowPlaceAt::kY));
      break;
    case kEventCloseWindow:
      close_window(window);
      break;
    case kEventRetDraw:
      HandleRetDraw(window);
      break;
    case kEventActivateWindow:
      ActivateRequest(window);
      break;
    case kEventWindowMoved:
      move_window(window, GetI16(e + WindowPlaceAt::kX), GetI16(e + WindowPlaceAt::kY));
      UpdateDepths();
      break;
    case kEventCloseAllWindows:
      CloseAll();
      break;
    case kEventWindowToFront:
      RaiseWindow(window);
      break;
    case kEventMenuChosen:
      DumpWindowList();
      break;
    default:
      break;  // the other task-control events, and 0x311
  }
}

void ClearDrawableOnAnswer(Handle window) {
  ClearWindowMode(window, WINDOWdrawable);
}

}  // namespace

void WindowTask(Handle task) {
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    // A copy: handling may allocate, and the event's record may move.
    uint8_t e[kEventRecordSize];
    if (const uint8_t* b = EventBytes(CurrentEvent(task))) {
      std::memcpy(e, b, sizeof e);
      Dispatch(task, e);
    }
  } else if (Kernel.manager_state == MANAGER_RUNNING) {
    PollMouse();
  }
  KickRedrawMotion();
}

void WindowManagerStart() {
  ClearWindowGlobals();
  ResetWindowManager();
  CreateRootWindow();
  SetRetDrawHook(&ClearDrawableOnAnswer);
}

void WindowManagerReady() {
  SetRootOwner(FindTaskByNumber(kTaskVaduManager));
}

void WindowManagerRepaint() {
  redraw_all();
  KickRedrawMotion();
}

}  // namespace vadu
