#include "platform/clock.h"

#include <sys/time.h>

#include <cerrno>
#include <ctime>

#include "platform/bytes.h"
#include "platform/input.h"
#include "platform/reset.h"

namespace vadu {
namespace {
SystemClock g_system_clock;
Clock* g_clock = nullptr;
}  // namespace

Clock& PlatformClock() {
  return g_clock != nullptr ? *g_clock : g_system_clock;
}
void SetPlatformClock(Clock* clock) {
  g_clock = clock;
}

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

void SystemClock::IdleWait(uint32_t ms) {
  WaitForHostInput(ms);
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

void PackDateTime(uint8_t* stamp, const LocalDateTime& t) {
  uint32_t w0 = GetU32(stamp) & ~0x0FFFFFFFu;
  uint32_t w1 = GetU32(stamp + 4) & ~0x003FFFFFu;
  w0 |= (static_cast<uint32_t>(t.year) & 0x3FFF) | ((static_cast<uint32_t>(t.month) & 0xF) << 14) |
        ((static_cast<uint32_t>(t.day) & 0x1F) << 18) | ((static_cast<uint32_t>(t.hour) & 0x1F) << 23);
  w1 |= (static_cast<uint32_t>(t.minute) & 0x3F) | ((static_cast<uint32_t>(t.second) & 0x3F) << 6) |
        ((static_cast<uint32_t>(t.millisecond) & 0x3FF) << 12);
  PutU32(stamp, w0);
  PutU32(stamp + 4, w1);
}

LocalDateTime UnpackDateTime(const uint8_t* stamp) {
  const uint32_t w0 = GetU32(stamp);
  const uint32_t w1 = GetU32(stamp + 4);
  LocalDateTime t;
  t.year = static_cast<int>(w0 & 0x3FFF);
  t.month = static_cast<int>((w0 >> 14) & 0xF);
  t.day = static_cast<int>((w0 >> 18) & 0x1F);
  t.hour = static_cast<int>((w0 >> 23) & 0x1F);
  t.minute = static_cast<int>(w1 & 0x3F);
  t.second = static_cast<int>((w1 >> 6) & 0x3F);
  t.millisecond = static_cast<int>((w1 >> 12) & 0x3FF);
  return t;
}

void ClearDateTime(uint8_t* stamp) {
  PutU32(stamp, GetU32(stamp) & ~0x0FFFFFFFu);
  PutU32(stamp + 4, GetU32(stamp + 4) & ~0x003FFFFFu);
}

int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yoe = year - era * 400;
  const int64_t doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t LocalTimeMs(const LocalDateTime& t) {
  const int64_t seconds = ((DaysFromCivil(t.year, t.month, t.day) * 24 + t.hour) * 60 + t.minute) * 60 + t.second;
  return seconds * 1000 + t.millisecond;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { SetPlatformClock(nullptr); });
}  // namespace

}  // namespace vadu
