#include "kernel/wait.h"

#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/input.h"

namespace vadu {

int WaitTicks(int ticks, uint16_t mode) {
  if (ticks <= 0) return 0;
  Clock& clock = PlatformClock();
  const uint64_t start = clock.NowMs();
  uint16_t last_button = PeekMouseButton();
  constexpr uint16_t kButtonBits = kWaitButtonLeft | kWaitButtonRight | kWaitButtonAny;
  for (;;) {
    if ((clock.NowMs() - start) / 10 >= static_cast<uint64_t>(ticks)) return 0;
    if (mode != 0) {
      if (const uint16_t key = TakeKey(); key != 0) {
        // A two-byte character is taken whole, so its trail byte is not
        // left behind to arrive later as a key of its own.
        if (IsLeadByte(static_cast<unsigned char>(key))) TakeKey();
        return kWaitKey;
      }
    }
    // Paces the loop: the read sleeps 10 ms.
    const uint16_t button = MouseButton();
    if (mode == 0 || button == last_button) continue;
    if ((mode & kButtonBits) != 0) return button;
    if ((mode & kWaitRelease) != 0 && button == 0) return 0;
    // A press the mode does not end on: remember it, so that its release
    // is seen as a change.
    last_button = button;
  }
}

}  // namespace vadu
