#include "platform/milestone.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/process_start.h"

namespace vadu {
namespace {

// VADU_TIMING as last read: -1 not yet, 0 off, 1 on.
std::atomic<int> g_enabled{-1};
std::mutex g_mutex;
std::vector<std::string> g_noted;  // behind g_mutex
int64_t g_start_ns = -1;           // behind g_mutex; the process start, once read
bool g_start_read = false;
// Names waiting for the next frame.
std::atomic<const char*> g_on_next_frame{nullptr};

// Longest name written; a longer one is cut, so the line stays one line of
// bounded length.
constexpr size_t kMaxName = 64;

bool Enabled() {
  int state = g_enabled.load(std::memory_order_acquire);
  if (state < 0) {
    const char* value = std::getenv("VADU_TIMING");
    state = value != nullptr && std::strcmp(value, "1") == 0 ? 1 : 0;
    g_enabled.store(state, std::memory_order_release);
  }
  return state == 1;
}

}  // namespace

void NoteMilestone(const char* name) {
  if (g_enabled.load(std::memory_order_relaxed) == 0 || !Enabled() || name == nullptr) return;
  // The moment is taken before the lock, so a wait for another thread's
  // line does not count.
  const int64_t now_ns = BootNowNs();
  std::string key(name, strnlen(name, kMaxName));
  // A line break or blank in the name would break the line's form.
  for (char& c : key) {
    if (c == '\n' || c == '\r' || c == ' ' || c == '\t') c = '_';
  }
  std::lock_guard lock(g_mutex);
  for (const std::string& noted : g_noted) {
    if (noted == key) return;
  }
  g_noted.push_back(key);
  if (!g_start_read) {
    g_start_ns = ProcessStartBootNs();
    g_start_read = true;
  }
  char line[128];
  int n;
  if (g_start_ns < 0) {
    n = std::snprintf(line, sizeof line, "vadu-timing: %s n/a\n", key.c_str());
  } else {
    n = std::snprintf(line, sizeof line, "vadu-timing: %s %.1f\n", key.c_str(),
                      static_cast<double>(now_ns - g_start_ns) / 1e6);
  }
  if (n <= 0) return;
  // One write, so lines of two threads never interleave.
  std::fflush(stderr);
  [[maybe_unused]] const ssize_t written =
      ::write(STDERR_FILENO, line, static_cast<size_t>(n) < sizeof line ? static_cast<size_t>(n) : sizeof line - 1);
}

void NoteMilestoneOnNextFrame(const char* name) {
  if (g_enabled.load(std::memory_order_relaxed) == 0 || !Enabled()) return;
  g_on_next_frame.store(name, std::memory_order_release);
}

void NoteFrameMilestones() {
  if (g_on_next_frame.load(std::memory_order_relaxed) == nullptr) return;
  const char* name = g_on_next_frame.exchange(nullptr, std::memory_order_acq_rel);
  if (name != nullptr) NoteMilestone(name);
}

void ForgetMilestones() {
  g_on_next_frame.store(nullptr, std::memory_order_release);
  std::lock_guard lock(g_mutex);
  g_noted.clear();
  g_enabled.store(-1, std::memory_order_release);
}

}  // namespace vadu
