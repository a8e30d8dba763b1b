#include "platform/input.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <deque>

#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/input_host.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// The key slot is one 32-bit atomic, so a two-byte character is stored and
// taken whole (a 16-bit slot lets the trail byte overwrite its own lead
// before the engine reads it):
//   bits 0-15  the code TakeKey hands out next (the lead byte of a pair)
//   bits 16-23 the trail byte of a two-byte character
//   kHasTrail  bits 16-23 hold a trail byte still to be handed out
//   kKeep      the slot must not be overwritten by a new key: it holds the
//              rest of a half-taken character or a character of committed
//              text; a new key then waits in the host queue behind it
// 0 is the empty slot.
constexpr uint32_t kHasTrail = 1u << 24;
constexpr uint32_t kKeep = 1u << 25;

std::atomic<uint32_t> g_key{0};
std::atomic<uint16_t> g_button{0};
std::atomic<int32_t> g_pointer_x{0};
std::atomic<int32_t> g_pointer_y{0};
std::atomic<uint32_t> g_modifiers{0};
// Modifier bits that went down since the engine's last query.
std::atomic<uint32_t> g_modifiers_pressed{0};
std::atomic<bool> g_foreground{true};
std::atomic<bool> g_close_request{false};
std::atomic<bool> g_repaint_request{false};
std::atomic<bool> g_power_event{false};
std::atomic<int32_t> g_wheel{0};

// Characters waiting for the slot. Host thread only.
struct Pending {
  uint32_t value;  // slot value, without kKeep
  bool text;       // from committed text: kept in the slot until taken
};
std::deque<Pending> g_queue;

uint32_t PairValue(uint8_t lead, uint8_t trail) {
  return static_cast<uint32_t>(lead) | (static_cast<uint32_t>(trail) << 16) | kHasTrail;
}

// A key or character from the host: overwrites an unread key, but waits
// behind a kept character or behind text still queued.
void PutValue(uint32_t value) {
  if (!g_queue.empty()) {
    if (!g_queue.back().text) {
      g_queue.back().value = value;
    } else {
      g_queue.push_back({value, false});
    }
    HostPumpText();
    return;
  }
  uint32_t cur = g_key.load(std::memory_order_acquire);
  for (;;) {
    if ((cur & kKeep) != 0) {
      g_queue.push_back({value, false});
      return;
    }
    if (g_key.compare_exchange_weak(cur, value, std::memory_order_acq_rel)) return;
  }
}

// The engine's idle wait: an event counter the host side adds to and the
// engine's wait drains. It lives for the process (made at first use), so a
// wake can never reach a closed descriptor.
int WakeFd() {
  static const int fd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  return fd;
}

}  // namespace

void WakeEngine() {
  const int fd = WakeFd();
  if (fd < 0) return;
  const uint64_t one = 1;
  // A full counter (never reached in practice) already means "wake".
  [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

bool WaitForHostInput(uint32_t ms) {
  const int fd = WakeFd();
  if (fd < 0) {
    // Without the counter the wait is a plain sleep, as short as an
    // engine polling its input would sleep.
    PlatformClock().SleepMs(ms < Clock::kIdleStepMs ? ms : Clock::kIdleStepMs);
    return false;
  }
  pollfd p{fd, POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, static_cast<int>(ms));
  } while (r < 0 && errno == EINTR);
  if (r <= 0) return false;
  uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = ::read(fd, &count, sizeof count);
  return true;
}

void HostPutKey(uint16_t code) {
  PutValue(code);
  WakeEngine();
}

void HostPutChar(uint8_t lead, uint8_t trail) {
  PutValue(trail != 0 ? PairValue(lead, trail) : lead);
  WakeEngine();
}

void HostPutText(const char* cp932) {
  if (cp932 == nullptr || cp932[0] == '\0') return;
  // The text replaces an unread key, as any new character would.
  if (g_queue.empty()) {
    uint32_t cur = g_key.load(std::memory_order_acquire);
    while (cur != 0 && (cur & kKeep) == 0 && !g_key.compare_exchange_weak(cur, 0, std::memory_order_acq_rel)) {
    }
  }
  const auto* p = reinterpret_cast<const uint8_t*>(cp932);
  while (*p != 0) {
    if (IsLeadByte(p[0]) && IsTrailByte(p[1])) {
      g_queue.push_back({PairValue(p[0], p[1]), true});
      p += 2;
    } else {
      g_queue.push_back({p[0], true});
      p += 1;
    }
  }
  HostPumpText();
}

void HostPumpText() {
  if (g_queue.empty()) return;
  uint32_t expected = 0;
  const Pending& next = g_queue.front();
  uint32_t value = next.value | (next.text ? kKeep : 0);
  if (g_key.compare_exchange_strong(expected, value, std::memory_order_acq_rel)) {
    g_queue.pop_front();
    WakeEngine();
  }
}

bool HostTextPending() {
  return !g_queue.empty();
}

void HostSetButton(uint16_t state) {
  g_button.store(state, std::memory_order_release);
  WakeEngine();
}

void HostSetPointer(int32_t x, int32_t y) {
  g_pointer_x.store(x, std::memory_order_relaxed);
  g_pointer_y.store(y, std::memory_order_relaxed);
  WakeEngine();
}

void HostSetModifiers(uint32_t bits) {
  uint32_t old = g_modifiers.exchange(bits, std::memory_order_acq_rel);
  uint32_t went_down = bits & ~old;
  if (went_down != 0) g_modifiers_pressed.fetch_or(went_down, std::memory_order_acq_rel);
  WakeEngine();
}

void HostSetForeground(bool foreground) {
  g_foreground.store(foreground, std::memory_order_release);
  WakeEngine();
}

void HostRequestClose() {
  g_close_request.store(true, std::memory_order_release);
  WakeEngine();
}

void HostRequestRepaint() {
  g_repaint_request.store(true, std::memory_order_release);
  WakeEngine();
}

void HostNotePowerEvent() {
  g_power_event.store(true, std::memory_order_release);
  WakeEngine();
}

void HostAddWheel(int32_t notches) {
  g_wheel.fetch_add(notches, std::memory_order_acq_rel);
  WakeEngine();
}

uint16_t TakeKey() {
  uint32_t cur = g_key.load(std::memory_order_acquire);
  for (;;) {
    if (cur == 0) return 0;
    if ((cur & kHasTrail) != 0) {
      // Hand out the lead byte; the trail byte stays, kept, for the next call.
      uint32_t rest = ((cur >> 16) & 0xFF) | kKeep;
      if (g_key.compare_exchange_weak(cur, rest, std::memory_order_acq_rel)) return static_cast<uint16_t>(cur & 0xFF);
    } else {
      if (g_key.compare_exchange_weak(cur, 0, std::memory_order_acq_rel)) return static_cast<uint16_t>(cur & 0xFFFF);
    }
  }
}

uint16_t MouseButton() {
  PlatformClock().SleepMs(10);
  return g_button.load(std::memory_order_acquire);
}

uint16_t PeekMouseButton() {
  return g_button.load(std::memory_order_acquire);
}

void ClearMouseButton() {
  g_button.store(0, std::memory_order_release);
}

int32_t PointerX() {
  return g_pointer_x.load(std::memory_order_relaxed);
}
int32_t PointerY() {
  return g_pointer_y.load(std::memory_order_relaxed);
}

uint32_t ModifierKeys() {
  // The remembered presses are used up by every query, in front or not.
  uint32_t pressed = g_modifiers_pressed.exchange(0, std::memory_order_acq_rel);
  if (!g_foreground.load(std::memory_order_acquire)) return 0;
  return g_modifiers.load(std::memory_order_acquire) | pressed;
}

bool TakeCloseRequest() {
  return g_close_request.exchange(false, std::memory_order_acq_rel);
}

bool CloseRequestPending() {
  return g_close_request.load(std::memory_order_acquire);
}

bool TakeRepaintRequest() {
  return g_repaint_request.exchange(false, std::memory_order_acq_rel);
}

bool TakePowerEvent() {
  return g_power_event.exchange(false, std::memory_order_acq_rel);
}

int32_t TakeWheel() {
  return g_wheel.exchange(0, std::memory_order_acq_rel);
}

void ResetInput() {
  g_key.store(0);
  g_button.store(0);
  g_pointer_x.store(0);
  g_pointer_y.store(0);
  g_modifiers.store(0);
  g_modifiers_pressed.store(0);
  g_foreground.store(true);
  g_close_request.store(false);
  g_repaint_request.store(false);
  g_power_event.store(false);
  g_wheel.store(0);
  g_queue.clear();
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetInput);
}  // namespace

}  // namespace vadu
