#include "host/headless/virtual_clock.h"

#include <cstdio>

namespace vadu {
namespace {

// The civil date of a day count from 1970-01-01 (proleptic Gregorian; the
// inverse of DaysFromCivil).
void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

uint64_t RealNowMs() {
  SystemClock real;
  return real.NowMs();
}

}  // namespace

LocalDateTime AddMilliseconds(const LocalDateTime& start, uint64_t ms) {
  int64_t days = DaysFromCivil(start.year, start.month, start.day);
  int64_t in_day = ((static_cast<int64_t>(start.hour) * 60 + start.minute) * 60 + start.second) * 1000 +
                   start.millisecond + static_cast<int64_t>(ms % 86400000u);
  days += static_cast<int64_t>(ms / 86400000u) + in_day / 86400000;
  in_day %= 86400000;
  LocalDateTime out;
  CivilFromDays(days, out.year, out.month, out.day);
  out.millisecond = static_cast<int>(in_day % 1000);
  in_day /= 1000;
  out.second = static_cast<int>(in_day % 60);
  in_day /= 60;
  out.minute = static_cast<int>(in_day % 60);
  out.hour = static_cast<int>(in_day / 60);
  return out;
}

bool ParseClockStart(const char* text, LocalDateTime& out) {
  if (text == nullptr) return false;
  int y, mo, d, h, mi, s, used = 0;
  if (std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6) return false;
  if (text[used] != '\0') return false;
  // The engine keeps the year in 14 bits.
  if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > DaysInMonth(y, mo)) return false;
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return false;
  out = LocalDateTime{y, mo, d, h, mi, s, 0};
  return true;
}

VirtualClock::VirtualClock(const LocalDateTime& start) : start_(start) {}

uint64_t VirtualClock::NowMs() {
  return now_.load(std::memory_order_acquire);
}

void VirtualClock::SleepMs(uint32_t ms) {
  std::unique_lock lock(mutex_);
  uint64_t target = now_.load(std::memory_order_relaxed) + ms;
  if (!armed_ || std::this_thread::get_id() == host_thread_) {
    now_.store(target, std::memory_order_release);
    return;
  }
  if (sync_wanted_) {
    at_sync_ = true;
    host_cv_.notify_all();
    engine_cv_.wait(lock, [this] { return !at_sync_; });
  }
  if (target > limit_) {
    wanted_ = target;
    if (now_.load(std::memory_order_relaxed) < limit_) now_.store(limit_, std::memory_order_release);
    parked_ = true;
    host_cv_.notify_all();
    engine_cv_.wait(lock, [this, target] { return target <= limit_; });
    parked_ = false;
  }
  now_.store(target, std::memory_order_release);
}

LocalDateTime VirtualClock::LocalTime() {
  return AddMilliseconds(start_, NowMs());
}

void VirtualClock::Arm() {
  std::lock_guard lock(mutex_);
  armed_ = true;
  host_thread_ = std::this_thread::get_id();
  limit_ = now_.load(std::memory_order_relaxed);
}

void VirtualClock::SetLimit(uint64_t limit_ms) {
  std::lock_guard lock(mutex_);
  limit_ = limit_ms;
  if (parked_) {
    if (wanted_ <= limit_) {
      parked_ = false;  // the engine goes on; it clears the rest itself
      engine_cv_.notify_all();
    } else if (now_.load(std::memory_order_relaxed) < limit_) {
      now_.store(limit_, std::memory_order_release);
    }
  }
}

uint64_t VirtualClock::Limit() {
  std::lock_guard lock(mutex_);
  return limit_;
}

void VirtualClock::SetSyncWanted(bool wanted) {
  std::lock_guard lock(mutex_);
  sync_wanted_ = wanted;
}

VirtualClock::Stop VirtualClock::WaitForEngine(uint64_t real_deadline_ms) {
  std::unique_lock lock(mutex_);
  auto ready = [this] { return ended_ || at_sync_ || parked_; };
  while (!ready()) {
    if (real_deadline_ms == 0) {
      host_cv_.wait(lock);
      continue;
    }
    uint64_t now = RealNowMs();
    if (now >= real_deadline_ms) return Stop::kDeadline;
    host_cv_.wait_for(lock, std::chrono::milliseconds(real_deadline_ms - now));
  }
  if (ended_) return Stop::kEnded;
  if (at_sync_) return Stop::kSync;
  return Stop::kParked;
}

void VirtualClock::ResumeFromSync() {
  std::lock_guard lock(mutex_);
  at_sync_ = false;
  engine_cv_.notify_all();
}

void VirtualClock::NotifyEnded() {
  std::lock_guard lock(mutex_);
  ended_ = true;
  host_cv_.notify_all();
}

}  // namespace vadu
