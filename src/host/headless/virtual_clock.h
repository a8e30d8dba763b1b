// The headless host's virtual clock: time advances only by the engine's own
// sleeps, so a scripted run is deterministic and runs far faster than real
// time.
//
// The host paces the engine with a limit: an engine sleep that would cross
// the limit blocks ("parks") until the host raises it. The input script's
// `wait MS` raises the limit by MS and waits until the engine is parked
// again, so the engine has run exactly MS ms of clock time and stands still
// while the host runs the next commands. While the host has queued text to
// hand over, it asks the engine to stop at every sleep (a sync point) so it
// can feed the next character at a deterministic moment.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/clock.h"

namespace vadu {

class VirtualClock : public Clock {
 public:
  static constexpr uint64_t kNoLimit = UINT64_MAX;

  // The clock reads `start` as local time at 0 ms.
  explicit VirtualClock(const LocalDateTime& start);

  uint64_t NowMs() override;
  // Advances the time by `ms`. Once armed, a sleep of any thread but the
  // host's stops at sync points and parks at the limit.
  void SleepMs(uint32_t ms) override;
  // The start date-time plus the elapsed clock time (calendar arithmetic,
  // no time zone or daylight saving, so a run is reproducible).
  LocalDateTime LocalTime() override;

  // --- Host side ------------------------------------------------------------
  // Called on the host thread before the engine thread starts: from now on
  // the limit holds (set to the current time); the calling thread's own
  // sleeps never block.
  void Arm();
  // Raises (or sets) the limit. When the parked engine still cannot reach
  // its sleep's end, the clock stands at the limit.
  void SetLimit(uint64_t limit_ms);
  uint64_t Limit();
  // While set, every engine sleep first stops at a sync point.
  void SetSyncWanted(bool wanted);

  enum class Stop { kParked, kSync, kEnded, kDeadline };
  // Waits until the engine is parked at the limit, stands at a sync point,
  // or has ended (NotifyEnded), or until `real_deadline_ms` of the real
  // clock has passed (0: no deadline).
  Stop WaitForEngine(uint64_t real_deadline_ms);
  // Lets the engine go on from a sync point.
  void ResumeFromSync();
  // The engine thread has ended (or the host must stop waiting for it).
  void NotifyEnded();

 private:
  std::mutex mutex_;
  std::condition_variable engine_cv_;  // the engine waits here
  std::condition_variable host_cv_;    // the host waits here
  std::atomic<uint64_t> now_{0};
  uint64_t limit_ = kNoLimit;
  uint64_t wanted_ = 0;  // end of the parked sleep
  bool armed_ = false;
  bool parked_ = false;
  bool sync_wanted_ = false;
  bool at_sync_ = false;
  bool ended_ = false;
  std::thread::id host_thread_;
  LocalDateTime start_;
};

// Adds `ms` milliseconds to a date-time (proleptic Gregorian calendar).
LocalDateTime AddMilliseconds(const LocalDateTime& start, uint64_t ms);
// Parses "YYYY-MM-DD HH:MM:SS" (a valid date and time). False when it is not.
bool ParseClockStart(const char* text, LocalDateTime& out);

}  // namespace vadu
