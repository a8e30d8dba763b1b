#include "window/window_task.h"

#include "kernel/event.h"
#include "kernel/task.h"
#include "window/window.h"

namespace vadu {

// FIXME: the window manager's step (redraw motions, open and close
// requests, the mouse) replaces this; until then the task only receives its
// events, so its cursor moves on and the queue can be freed.
void WindowTask(Handle task) {
  ReciveEvent(task);
}

void WindowManagerStart() {
  ClearWindowGlobals();
  CreateRootWindow();
}

void WindowManagerReady() {
  SetRootOwner(FindTaskByNumber(kTaskVaduManager));
}

}  // namespace vadu
