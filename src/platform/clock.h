// The platform clock: every clock read and every sleep of the engine goes
// through it. The real clock reads the host; the headless host's virtual
// clock advances only by the engine's own sleeps, and tests install fake
// clocks that step in any way they like.
#pragma once

#include <cstdint>

namespace vadu {

// Local date and time as the host gives it.
struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t NowMs() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  virtual LocalDateTime LocalTime() = 0;
  // The idle engine's sleep: at most `ms`, ended early by host input where
  // the clock can see it. A clock that cannot (a virtual or test clock)
  // sleeps in steps of at most kIdleStepMs, as an engine polling its input
  // would.
  static constexpr uint32_t kIdleStepMs = 16;
  virtual void IdleWait(uint32_t ms) { SleepMs(ms < kIdleStepMs ? ms : kIdleStepMs); }
};

// DateTimeStamp: 8 bytes, two little-endian words of bit fields, low bits
// first. Word 0: year 14, month 4, day 5, hour 5 (4 bits unused). Word 1:
// minute 6, second 6, milliseconds 10 (10 bits unused). Resource files, the
// install record and the event task's clock all use it.
void PackDateTime(uint8_t* stamp, const LocalDateTime& t);
LocalDateTime UnpackDateTime(const uint8_t* stamp);
// Clears the used bit fields, keeping the unused bits as they were.
void ClearDateTime(uint8_t* stamp);

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar
// (negative before it).
int64_t DaysFromCivil(int64_t year, int month, int day);
// A local date-time as milliseconds from 1970-01-01 00:00 of the same local
// calendar (no time zone): one number that orders and subtracts local times,
// with every whole second a multiple of 1000.
int64_t LocalTimeMs(const LocalDateTime& t);

// The clock in use (the real host clock unless another is installed).
Clock& PlatformClock();
// Installs a clock (not owned); nullptr restores the real clock.
void SetPlatformClock(Clock* clock);

// The real host clock.
class SystemClock : public Clock {
 public:
  uint64_t NowMs() override;
  void SleepMs(uint32_t ms) override;
  LocalDateTime LocalTime() override;
  // Sleeps until `ms` have passed or the host hands over input, a repaint or
  // a close request (WaitForHostInput), so an idle engine wakes only for its
  // next tick or for the player.
  void IdleWait(uint32_t ms) override;
};

}  // namespace vadu
