#include "host/headless/headless_host.h"

#include <signal.h>

#include <cstdio>
#include <mutex>
#include <vector>

#include "host/headless/script.h"
#include "host/headless/virtual_clock.h"
#include "host/run_engine.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "platform/input_host.h"
#include "platform/png.h"

namespace vadu {
namespace {

uint64_t RealNowMs() {
  SystemClock real;
  return real.NowMs();
}

void StderrMessageBox(const char* text) {
  std::fprintf(stderr, "TARN: %s\n", Cp932ToUtf8(text).c_str());
  std::fflush(stderr);
}

void OnSignal(int) {
  HostRequestClose();
}

void InstallSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  // A second signal ends the process the usual way.
  sa.sa_flags = SA_RESETHAND;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

class HeadlessHost : public EngineHost {
 public:
  HeadlessHost(const HeadlessOptions& options, std::vector<ScriptCommand> script, DisplayInfo display)
      : options_(options),
        script_(std::move(script)),
        display_(display),
        virtual_clock_(options.clock_start),
        clock_(options.virtual_clock ? &virtual_clock_ : nullptr) {}

  // --- EngineHost -----------------------------------------------------------
  Clock& EngineClock() override {
    if (clock_ != nullptr) return virtual_clock_;
    return real_clock_;
  }
  MessageBoxHandler MessageBoxes() override { return StderrMessageBox; }
  void Started() override {
    InstallSignals();
    if (clock_ != nullptr) clock_->Arm();
  }
  bool Pump(uint64_t deadline_ms) override;
  void Ending() override {
    // The engine asked to quit; let it finish freely.
    if (clock_ == nullptr) return;
    clock_->SetSyncWanted(false);
    clock_->ResumeFromSync();
    clock_->SetLimit(VirtualClock::kNoLimit);
  }
  bool InputFailed() const override { return shots_failed_; }

  // --- Host -----------------------------------------------------------------
  void SetTitle(const char*) override {}  // no window to title
  DisplayInfo Display() override { return display_; }

 protected:
  void Wake() override {
    if (clock_ != nullptr) clock_->NotifyEnded();
    std::lock_guard lock(wake_mutex_);
    woken_ = true;
    wake_cv_.notify_all();
  }

 private:
  enum class Result { kParked, kEnded, kTimedOut };

  Result RunFor(uint64_t ms);
  Result RunScript();
  Result Run(const ScriptCommand& cmd);
  Result Settle();
  Result RunVirtual(uint64_t ms);
  Result RunReal(uint64_t ms);
  // Waits up to `ms` real milliseconds for a quit request.
  bool WaitQuit(uint64_t ms) {
    std::unique_lock lock(wake_mutex_);
    wake_cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return woken_; });
    return QuitRequested();
  }

  const HeadlessOptions& options_;
  std::vector<ScriptCommand> script_;
  DisplayInfo display_;
  SystemClock real_clock_;
  VirtualClock virtual_clock_;
  VirtualClock* clock_;
  uint64_t deadline_ms_ = kNoDeadline;
  uint64_t script_ms_ = 0;
  uint64_t backstop_real_ms_ = 0;
  uint32_t modifiers_ = 0;
  bool shots_failed_ = false;
  std::mutex wake_mutex_;
  std::condition_variable wake_cv_;
  bool woken_ = false;
};

bool HeadlessHost::Pump(uint64_t deadline_ms) {
  deadline_ms_ = deadline_ms;
  if (deadline_ms != kNoDeadline) {
    // A virtual clock stands still while the engine computes without
    // sleeping; past this much real time the run counts as timed out too.
    const uint64_t span = deadline_ms - PlatformClock().NowMs();
    backstop_real_ms_ = RealNowMs() + span * 2 + 10000;
  }
  Result r = RunScript();
  if (r == Result::kTimedOut) return false;
  if (r == Result::kEnded || QuitRequested()) return true;
  // The script is done: its end is a close request; without a script the
  // engine runs until it ends (or a signal asks it to close).
  if (!options_.input.empty()) HostRequestClose();
  return RunFor(VirtualClock::kNoLimit) != Result::kTimedOut;
}

HeadlessHost::Result HeadlessHost::RunFor(uint64_t ms) {
  return clock_ != nullptr ? RunVirtual(ms) : RunReal(ms);
}

// Runs every command; stops early when the engine ends.
HeadlessHost::Result HeadlessHost::RunScript() {
  if (clock_ != nullptr) {
    if (const Result r = Settle(); r != Result::kParked) return r;
  }
  for (size_t i = 0; i < script_.size(); ++i) {
    const ScriptCommand& cmd = script_[i];
    const Result r = Run(cmd);
    if (r == Result::kParked) continue;
    if (r == Result::kEnded && i + 1 < script_.size()) {
      std::fprintf(stderr, "vadu: the engine ended during line %d of the input script; the rest was not run\n",
                   cmd.line);
    }
    return r;
  }
  return Result::kParked;
}

HeadlessHost::Result HeadlessHost::Run(const ScriptCommand& cmd) {
  switch (cmd.kind) {
    case ScriptCommand::kWait:
      return RunFor(cmd.ms);
    case ScriptCommand::kKey:
      HostPutKey(cmd.key_down);
      if (cmd.character != 0) HostPutKey(cmd.character);
      break;
    case ScriptCommand::kText:
      HostPutText(cmd.text.c_str());
      if (clock_ != nullptr) clock_->SetSyncWanted(HostTextPending());
      break;
    case ScriptCommand::kHold:
      modifiers_ |= cmd.modifier;
      HostSetModifiers(modifiers_);
      break;
    case ScriptCommand::kRelease:
      modifiers_ &= ~cmd.modifier;
      HostSetModifiers(modifiers_);
      break;
    case ScriptCommand::kClick: {
      HostSetPointer(cmd.x, cmd.y);
      HostSetButton(cmd.right ? 2 : 1);
      if (const Result r = RunFor(50); r != Result::kParked) return r;
      HostSetButton(0);
      break;
    }
    case ScriptCommand::kDown:
      HostSetPointer(cmd.x, cmd.y);
      HostSetButton(cmd.right ? 2 : 1);
      break;
    case ScriptCommand::kUp:
      HostSetButton(0);
      break;
    case ScriptCommand::kMove:
      HostSetPointer(cmd.x, cmd.y);
      break;
    case ScriptCommand::kShot: {
      std::string path = cmd.text;
      if (!options_.screenshot_dir.empty() && path[0] != '/') path = options_.screenshot_dir + "/" + path;
      if (!WriteScreenPng(path)) {
        std::fprintf(stderr, "vadu: %s:%d: cannot write %s\n", options_.input.c_str(), cmd.line, path.c_str());
        shots_failed_ = true;
      }
      break;
    }
    case ScriptCommand::kClose:
      HostRequestClose();
      break;
  }
  return QuitRequested() ? Result::kEnded : Result::kParked;
}

// Virtual clock: waits until the engine is parked at the limit, feeding
// queued text at its sync points.
HeadlessHost::Result HeadlessHost::Settle() {
  for (;;) {
    switch (clock_->WaitForEngine(backstop_real_ms_)) {
      case VirtualClock::Stop::kSync:
        HostPumpText();
        clock_->SetSyncWanted(HostTextPending());
        clock_->ResumeFromSync();
        break;
      case VirtualClock::Stop::kParked:
        return Result::kParked;
      case VirtualClock::Stop::kEnded:
        return Result::kEnded;
      case VirtualClock::Stop::kDeadline:
        return Result::kTimedOut;
    }
  }
}

HeadlessHost::Result HeadlessHost::RunVirtual(uint64_t ms) {
  script_ms_ = ms == VirtualClock::kNoLimit || script_ms_ + ms < script_ms_ ? VirtualClock::kNoLimit : script_ms_ + ms;
  uint64_t limit = script_ms_;
  bool capped = false;
  if (deadline_ms_ < limit) {
    limit = deadline_ms_;
    capped = true;
  }
  clock_->SetLimit(limit);
  const Result r = Settle();
  // Parked at the deadline while the script wants more: past the timeout.
  if (r == Result::kParked && capped) return Result::kTimedOut;
  return r;
}

HeadlessHost::Result HeadlessHost::RunReal(uint64_t ms) {
  const uint64_t end = ms == VirtualClock::kNoLimit ? VirtualClock::kNoLimit : PlatformClock().NowMs() + ms;
  for (;;) {
    HostPumpText();
    const uint64_t now = PlatformClock().NowMs();
    if (now > deadline_ms_) return Result::kTimedOut;
    if (now >= end) return QuitRequested() ? Result::kEnded : Result::kParked;
    // Queued text is fed every millisecond; otherwise the host only
    // watches for the end, so an idle run costs next to nothing.
    uint64_t nap = HostTextPending() ? 1 : 500;
    if (end - now < nap) nap = end - now;
    if (deadline_ms_ - now < nap) nap = deadline_ms_ - now + 1;
    if (WaitQuit(nap)) return Result::kEnded;
  }
}

}  // namespace

bool WriteScreenPng(const std::string& path) {
  Framebuffer& fb = Screen();
  std::vector<uint32_t> pixels;
  int width, height;
  {
    std::lock_guard lock(fb.mutex());
    width = fb.width();
    height = fb.height();
    pixels.assign(fb.pixels(), fb.pixels() + static_cast<size_t>(width) * static_cast<size_t>(height));
  }
  return WritePng(path.c_str(), pixels.data(), width, height);
}

int RunHeadless(const HeadlessOptions& options) {
  std::vector<ScriptCommand> script;
  if (!options.input.empty()) {
    std::string error;
    if (!LoadScript(options.input, script, error)) {
      std::fprintf(stderr, "vadu: %s\n", error.c_str());
      return kExitBadInput;
    }
  }
  const int width = options.screen_width > 0 ? options.screen_width : 800;
  const int height = options.screen_height > 0 ? options.screen_height : 600;
  Screen().Resize(width, height);
  // Without a desktop, the desktop is the engine screen.
  DisplayInfo display;
  display.desktop_width = width;
  display.desktop_height = height;
  HeadlessHost host(options, std::move(script), display);
  RunOptions run;
  run.timeout_ms = options.timeout_ms;
  return RunEngine(host, run);
}

}  // namespace vadu
