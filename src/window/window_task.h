// WindowTask (task 2): the window manager's task step, and the window
// manager's part of start-up.
#pragma once

#include "core/types.h"

namespace vadu {

// One step of the window manager.
void WindowTask(Handle task);

// Start-up (the kernel's start hook): forgets the window manager's globals
// and makes the system root window.
void WindowManagerStart();
// Once the system tasks exist (the kernel's ready hook): the root window,
// made before any task, gets VaduManager as its owner.
void WindowManagerReady();

}  // namespace vadu
