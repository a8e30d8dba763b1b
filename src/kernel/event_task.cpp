// EventTask (task 9): turns the host clock into broadcast tick events and
// frees the events every task has passed.
#include <cstdint>
#include <cstring>

#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "platform/clock.h"

namespace vadu {
namespace {

EventTiming g_timing;
uint8_t g_startup_stamp[8] = {};

// What the start event seeds the distinct-millisecond count with: the
// count of a second is not known before the first second has passed.
constexpr int32_t kSeedTicks = 20;
// The tick marks lie on the local time's second.
constexpr int64_t kEighthSecondMs = 125;
constexpr int64_t kHalfSecondMs = 500;

// The last mark of the period at or before `ms` (local times before 1970
// are negative).
int64_t MarkAtOrBefore(int64_t ms, int64_t period) {
  const int64_t q = ms / period;
  return (ms % period < 0 ? q - 1 : q) * period;
}

// True when the clock has reached `next`; `next` then becomes the first mark
// after `now`. A read that comes after several marks (a long modal wait, a
// stalled host) counts as one: the ticks pace typing, animation and waits,
// which should go on at their pace, not race through a burst of ticks to
// catch up. A clock set back (daylight saving ends, the user sets the time)
// places the next mark after the new time instead of waiting for the old
// one, which may be an hour away.
bool PassedMark(int64_t now, int64_t& next, int64_t period) {
  const bool passed = now >= next;
  if (passed || now < next - period) next = MarkAtOrBefore(now, period) + period;
  return passed;
}

void Tick(uint16_t code) {
  PostEvent(kTaskEvent, kEveryTask, code);
}

// Reads the clock and sends the ticks; each level is looked at only when the
// level below it changed.
void ClockTicks() {
  EventTiming& m = g_timing;
  PackDateTime(m.current, PlatformClock().LocalTime());
  // Compared as stored, so a clock value wider than its field still compares
  // equal to what was kept of it.
  const LocalDateTime now = UnpackDateTime(m.current);
  LocalDateTime last = UnpackDateTime(m.last);

  // The ticks come from the clock's marks, not from counting reads: how
  // many distinct milliseconds a second holds depends on how busy the
  // engine is and how long it sleeps when idle.
  const int64_t now_ms = LocalTimeMs(now);
  if (PassedMark(now_ms, m.next_eighth_ms, kEighthSecondMs)) Tick(kEventEighthSecond);
  if (PassedMark(now_ms, m.next_half_ms, kHalfSecondMs)) Tick(kEventHalfSecond);

  if (now.millisecond == last.millisecond) return;
  last.millisecond = now.millisecond;
  // The counter is reset every second; it only grows without bound under a
  // clock whose second never changes.
  if (m.tick_counter < INT32_MAX) ++m.tick_counter;

  if (now.second != last.second) {
    m.milli_sync = m.tick_counter;
    m.tick_counter = 1;
    last.second = now.second;
    Tick(kEventSecond);
    if (now.minute != last.minute) {
      WriteLogf("%2d時%2d分%2d秒 %04dm秒 経過時間 %2d秒 %ld ｻｲｸﾙ  ﾊﾟﾌｫｰﾏﾝｽ %ld", now.hour, now.minute, now.second,
                now.millisecond, 60, static_cast<long>(m.total_cycles), static_cast<long>(m.total_cycles / 60));
      m.total_cycles = 0;
      last.minute = now.minute;
      Tick(kEventMinute);
      if (now.hour != last.hour) {
        Tick(kEventHour);
        last.hour = now.hour;
        if (now.day != last.day) {
          Tick(kEventDay);
          last.day = now.day;
          if (now.month != last.month) {
            Tick(kEventMonth);
            last.month = now.month;
            if (now.year != last.year) {
              Tick(kEventYear);
              last.year = now.year;
            }
          }
        }
      }
    }
  }
  PackDateTime(m.last, last);
}

// Frees the head while every cursor has passed it: one event a cycle below
// MAX_EVENT, as many as can go at or above it.
void CleanQueue() {
  const int top = TopEvent();
  const ResourceAttr* a = Attr(EventResource());
  // The queue's length: its active records (freed ones stay in the chain
  // for reuse and are not part of the queue).
  const int count = a == nullptr ? 0 : a->active_count;
  if (count >= Kernel.max_event) {
    WriteLog("MAX event count over.!!!");
    for (int n = count - top; n > 1; --n) {
      if (FreeHeadEvent() != 0) break;
    }
  } else if (top > 1) {
    FreeHeadEvent();
  }
}

}  // namespace

uint32_t MsUntilNextTick() {
  if (g_timing.next_eighth_ms == 0) return 0;
  const int64_t left = g_timing.next_eighth_ms - LocalTimeMs(PlatformClock().LocalTime());
  if (left <= 0) return 0;
  return left > kEighthSecondMs ? static_cast<uint32_t>(kEighthSecondMs) : static_cast<uint32_t>(left);
}

EventTiming& EventTaskTiming() {
  return g_timing;
}

void SetStartupDateTime(const uint8_t stamp[8]) {
  std::memcpy(g_startup_stamp, stamp, sizeof g_startup_stamp);
}

void EventTask(Handle task) {
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    const EventHead* e = EventView(CurrentEvent(task));
    if (e != nullptr && e->code == kEventStart) {
      g_timing.milli_sync = kSeedTicks;
      g_timing.tick_counter = kSeedTicks;
      std::memcpy(g_timing.last, g_startup_stamp, sizeof g_timing.last);
      // The first marks are those at or after start-up: an engine that
      // starts on a whole second ticks at once, and its first second has
      // all eight and two ticks.
      const int64_t start = LocalTimeMs(UnpackDateTime(g_startup_stamp));
      g_timing.next_eighth_ms = MarkAtOrBefore(start + kEighthSecondMs - 1, kEighthSecondMs);
      g_timing.next_half_ms = MarkAtOrBefore(start + kHalfSecondMs - 1, kHalfSecondMs);
    }
  }

  ++g_timing.total_cycles;
  // The clock is read on every CYCLE_WAIT-th cycle only, and only while the
  // system runs; on such a cycle before start-up ends or during shutdown
  // nothing else happens either. The other cycles go straight to cleanup.
  const int wait = Kernel.cycle_wait > 0 ? Kernel.cycle_wait : 1;
  if (g_timing.total_cycles % static_cast<uint32_t>(wait) == 0) {
    if (Kernel.manager_state != MANAGER_RUNNING) return;
    ClockTicks();
  }
  CleanQueue();
}

}  // namespace vadu
