// A booted headless engine for benchmarks that need tasks and windows: a
// fresh temporary game directory with the given settings, a clock that only
// moves when the engine sleeps, and an owner task (the application's place)
// whose step the benchmark gives. Standard output (the start banner, the
// editor's console lines) goes to /dev/null while it lives.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/state.h"
#include "engine/assembly.h"
#include "kernel/event.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "platform/reset.h"

namespace vadu::bench {

class StillClock : public Clock {
 public:
  uint64_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override { now_ += ms; }
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 0}; }

 private:
  uint64_t now_ = 0;
};

// The owner task of the running BenchEngine.
inline Handle& Owner() {
  static Handle owner = kNoHandle;
  return owner;
}

// An owner step that answers draw requests and lets everything else pass
// (window objects draw themselves).
inline void AnswerDraws(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e != nullptr && GetU16(e) == kEventReqDraw) RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
}

class BenchEngine {
 public:
  // Boots on an 800 x 600 screen until the manager runs; ok() tells whether
  // start-up succeeded.
  BenchEngine(const char* ini, void (*owner_step)(Handle)) {
    char tmpl[] = "/tmp/vadu-bench-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    std::ofstream(std::string("VADU.ini"), std::ios::binary) << ini;
    std::fflush(stdout);
    saved_stdout_ = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);

    AssembleEngine();
    ResetEngineState();
    SetPlatformClock(&clock_);
    RegisterApplication({.create = CreateOwner, .step = owner_step});
    Screen().Resize(800, 600);
    ok_ = HostStartup();
    for (int n = 0; n < 100 && Kernel.manager_state != MANAGER_RUNNING; ++n) RunScheduler();
  }
  ~BenchEngine() {
    std::fflush(stdout);
    ::dup2(saved_stdout_, 1);
    ::close(saved_stdout_);
    ResetEngineState();
    std::filesystem::current_path(old_cwd_);
    std::filesystem::remove_all(dir_);
  }
  BenchEngine(const BenchEngine&) = delete;
  BenchEngine& operator=(const BenchEngine&) = delete;

  bool ok() const { return ok_; }
  static void Run(int cycles) {
    for (int n = 0; n < cycles; ++n) RunScheduler();
  }

 private:
  static Handle CreateOwner() {
    Owner() = CreateTask("BenchOwner", 0, 0);
    InitTaskEvents(Owner());
    return Owner();
  }

  std::string dir_;
  std::filesystem::path old_cwd_;
  int saved_stdout_ = -1;
  StillClock clock_;
  bool ok_ = false;
};

}  // namespace vadu::bench
