#include "host/run_engine.h"

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "kernel/startup.h"

namespace vadu {
namespace {

// How long, in real time, the host waits for the engine thread to end after
// the engine asked to quit.
constexpr uint64_t kJoinGraceMs = 5000;

}  // namespace

void EngineHost::RequestQuit(int code) {
  {
    std::lock_guard lock(mutex_);
    if (!quit_) code_ = code;
    quit_ = true;
  }
  cv_.notify_all();
  Wake();
}

bool EngineHost::QuitRequested() {
  std::lock_guard lock(mutex_);
  return quit_;
}

bool EngineHost::EngineEnded() {
  std::lock_guard lock(mutex_);
  return ended_;
}

int EngineHost::QuitCode() {
  std::lock_guard lock(mutex_);
  return code_;
}

void EngineHost::EngineThreadEnded() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
    quit_ = true;
  }
  cv_.notify_all();
  Wake();
}

bool EngineHost::WaitEngineEnded(uint64_t ms) {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return ended_; });
}

void ExitNow(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(code);
}

int RunEngine(EngineHost& host, const RunOptions& options) {
  const int64_t timeout_ms = options.timeout_ms;
  SetPlatformClock(&host.EngineClock());
  SetMessageBoxHandler(host.MessageBoxes());
  SetHost(&host);
  auto finish = [](int code) {
    SetHost(nullptr);
    SetMessageBoxHandler(nullptr);
    SetPlatformClock(nullptr);
    return code;
  };

  const uint64_t start_ms = PlatformClock().NowMs();
  // Start-up runs on this thread, as on the window's first paint.
  if (!HostStartup() || StartupRequestedClose()) return finish(kExitStartup);
  if (host.QuitRequested()) return finish(host.QuitCode());

  host.Started();
  std::thread engine([&host] {
    EngineThread();
    host.EngineThreadEnded();
  });

  const uint64_t deadline = timeout_ms < 0 ? kNoDeadline : start_ms + static_cast<uint64_t>(timeout_ms);
  if (!host.Pump(deadline)) {
    std::fprintf(stderr, "vadu: timeout: the engine ran past %lld s of engine-clock time\n",
                 static_cast<long long>(timeout_ms / 1000));
    ExitNow(kExitTimeout);
  }
  host.Ending();

  int code = host.QuitCode();
  if (code == kExitOk && host.InputFailed()) code = kExitBadInput;
  if (!host.WaitEngineEnded(kJoinGraceMs)) {
    std::fprintf(stderr, "vadu: the engine thread did not end after the quit request\n");
    ExitNow(code);
  }
  engine.join();
  return finish(code);
}

}  // namespace vadu
