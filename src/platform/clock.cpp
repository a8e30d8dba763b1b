#include "platform/clock.h"

#include <sys/time.h>

#include <cerrno>
#include <ctime>

namespace vadu {
namespace {
SystemClock g_system_clock;
Clock* g_clock = nullptr;
}  // namespace

Clock& PlatformClock() { return g_clock != nullptr ? *g_clock : g_system_clock; }
void SetPlatformClock(Clock* clock) { g_clock = clock; }

// <chrono> cannot be used here: it holds a literal (the micro sign) that has
// no CP932 form, so the POSIX calls stand in for it.
uint64_t SystemClock::NowMs() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

void SystemClock::SleepMs(uint32_t ms) {
  timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

LocalDateTime SystemClock::LocalTime() {
  timeval tv;
  ::gettimeofday(&tv, nullptr);
  time_t secs = tv.tv_sec;
  tm t;
  ::localtime_r(&secs, &t);
  LocalDateTime d;
  d.year = t.tm_year + 1900;
  d.month = t.tm_mon + 1;
  d.day = t.tm_mday;
  d.hour = t.tm_hour;
  d.minute = t.tm_min;
  d.second = t.tm_sec;
  d.millisecond = static_cast<int>(tv.tv_usec / 1000);
  return d;
}

}  // namespace vadu
