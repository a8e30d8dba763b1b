// The modal busy wait: the engine thread waits inside a task step (a dialog,
// a typewriter line, an animation pause) while no task step runs. Time is
// counted in hundredths of a second ("ticks") on the platform clock; every
// pass reads the mouse button, which sleeps 10 ms, so the wait costs no
// processor and a virtual clock runs it without real waiting.
#pragma once

#include <cstdint>

namespace vadu {

// Bits of the wait mode. 0: nothing cuts the wait short.
enum WaitMode : uint16_t {
  // Any of these: a change of the mouse-button state ends the wait.
  kWaitButtonLeft = 0x1,
  kWaitButtonRight = 0x2,
  kWaitButtonAny = 0x4,
  // The button state going back to 0 (a release) ends the wait.
  kWaitRelease = 0x20,
};
// The result of a wait ended by a key.
inline constexpr int kWaitKey = 3;

// Waits `ticks` hundredths of a second; 0 at once for 0 or fewer ticks.
// With a mode other than 0 a waiting key ends it (the key is taken, both
// bytes of a two-byte character) with kWaitKey, and a change of the button
// state ends it with the new state: any change when the mode has one of
// the button bits, only a release (new state 0) with kWaitRelease. Returns
// 0 when the time is up.
int WaitTicks(int ticks, uint16_t mode);

}  // namespace vadu
