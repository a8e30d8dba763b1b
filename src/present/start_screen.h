// StartScreen (task 19): a window as large as the screen with two buttons,
// "S t a r t" (object 1) and "E n d" (object 200). A press on "S t a r t"
// sends the start event 0x101 to the program START_PROGRAM names, every
// press again. The window is made at the task's start event and left closed:
// the kernel starts START_PROGRAM itself, so a normal run never shows it; a
// task that wants the start screen opens it (StartScreenWindow).
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// Object numbers of the buttons.
inline constexpr int16_t kStartButton = 1;
inline constexpr int16_t kEndButton = 200;

// The start window (none before the task's start event, or when it could
// not be made).
Handle StartScreenWindow();

// The task's step (registered from the composition root) and its reset.
void StartScreen(Handle task);
void ResetStartScreen();

}  // namespace vadu
