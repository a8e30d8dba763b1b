// WindowTask (task 2): the window manager's task step, and the window
// manager's part of start-up.
#pragma once

#include "core/types.h"

namespace vadu {

// One step: at most one event addressed to the manager (open, close, draw
// answers, activate, move, close all, raise, the window list), else, while
// the system runs, one poll of the mouse. A redraw motion whose next window
// waits for nobody is drawn at the end of the step.
void WindowTask(Handle task);

// Start-up (the kernel's start hook): forgets the window manager's state,
// makes the system root window and takes WINDOWdrawable off a window whose
// owner answers a draw request during a redraw motion.
void WindowManagerStart();
// Once the system tasks exist (the kernel's ready hook): the root window,
// made before any task, gets VaduManager as its owner.
void WindowManagerReady();
// A host repaint: every open window is redrawn.
void WindowManagerRepaint();

}  // namespace vadu
