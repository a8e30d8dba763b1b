// Milliseconds since this process started, counted from the moment the
// kernel made it (so the loading of its libraries before main is counted),
// not from some point in main. Header-only and free of the engine, so a
// program that must not link the engine (bench/bare_sdl.cpp) measures its
// start-up exactly as NoteMilestone does.
//
// The start is the process's starttime in /proc/self/stat (clock ticks since
// boot, in steps of 1/sysconf(_SC_CLK_TCK) s: 10 ms on Linux) against
// CLOCK_BOOTTIME, the clock that starttime counts on. A start read in whole
// ticks makes every figure up to one tick too long, the same for every
// program measured this way.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>

namespace vadu {

// The process's start on CLOCK_BOOTTIME, in nanoseconds; -1 when
// /proc/self/stat cannot be read or parsed.
inline int64_t ProcessStartBootNs() {
  const int fd = ::open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  char buf[1024];
  ssize_t len = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buf + len, sizeof buf - 1 - static_cast<size_t>(len));
    if (n <= 0) break;
    len += n;
    if (static_cast<size_t>(len) >= sizeof buf - 1) break;
  }
  ::close(fd);
  if (len <= 0) return -1;
  buf[len] = '\0';
  // The command name (field 2) is in parentheses and may hold blanks and
  // parentheses itself: the fields that follow start after the last ')'.
  const char* p = nullptr;
  for (const char* q = buf; *q != '\0'; ++q) {
    if (*q == ')') p = q;
  }
  if (p == nullptr) return -1;
  ++p;
  // starttime is field 22; field 3 is the first after the name.
  for (int field = 3; field < 22; ++field) {
    while (*p == ' ') ++p;
    while (*p != ' ' && *p != '\0') ++p;
    if (*p == '\0') return -1;
  }
  while (*p == ' ') ++p;
  if (*p < '0' || *p > '9') return -1;
  uint64_t ticks = 0;
  for (; *p >= '0' && *p <= '9'; ++p) ticks = ticks * 10 + static_cast<uint64_t>(*p - '0');
  const long hz = ::sysconf(_SC_CLK_TCK);
  if (hz <= 0) return -1;
  return static_cast<int64_t>(ticks / static_cast<uint64_t>(hz)) * 1000000000 +
         static_cast<int64_t>(ticks % static_cast<uint64_t>(hz)) * 1000000000 / hz;
}

// Nanoseconds on CLOCK_BOOTTIME now.
inline int64_t BootNowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_BOOTTIME, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Milliseconds from `start_ns` (ProcessStartBootNs) to now; -1 when the
// start is unknown.
inline double MsSinceProcessStart(int64_t start_ns) {
  if (start_ns < 0) return -1;
  return static_cast<double>(BootNowNs() - start_ns) / 1e6;
}

}  // namespace vadu
