// KeyTask (task 22) turns the host's key slot into broadcast key events, and
// the mouse-capture slot lets one task take all mouse input (a pop-up menu,
// for example).
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// One step: its own receive first ("KeyTask start!" on the system-ready
// event); only in a cycle in which it was handed no event does it take a key
// from the host. A lead byte of a two-byte character takes the next key as
// its trail byte (0 when none is waiting); the modifier bits are read after
// both bytes. The key event 0x200 goes from 22 to 999 with the key text at
// bytes 28-30 (one or two bytes, then 0) and the modifier bits at 32-35.
void KeyTask(Handle task);

// Gives the slot to the task: 1 when it was free, 0 (slot unchanged) when
// another task holds it or the handle is not a task.
int CaptureMouse(Handle task);
// Frees the slot: 1 when the task held it, else 0.
int ReleaseMouse(Handle task);
// The task number in the slot, 0 when free.
int32_t MouseCapture();
// Empties the slot (start-up, tests).
void ClearMouseCapture();

}  // namespace vadu
