#include "platform/headless/headless_host.h"

#include <signal.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "kernel/startup.h"
#include "platform/framebuffer.h"
#include "platform/headless/script.h"
#include "platform/headless/virtual_clock.h"
#include "platform/host.h"
#include "platform/host_seam.h"
#include "platform/input.h"
#include "platform/png.h"

namespace vadu {
namespace {

// How long, in real time, the host waits for the engine thread to finish
// after the engine asked to quit.
constexpr uint64_t kJoinGraceMs = 5000;

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

class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(DisplayInfo display) : display_(display) {}

  // Engine thread (or start-up on the host thread).
  void RequestQuit(int code) override {
    {
      std::lock_guard lock(mutex_);
      if (!quit_) code_ = code;
      quit_ = true;
    }
    cv_.notify_all();
    if (clock_ != nullptr) clock_->NotifyEnded();
  }
  void SetTitle(const char*) override {}  // no window to title
  DisplayInfo Display() override { return display_; }

  void set_clock(VirtualClock* clock) { clock_ = clock; }

  // The engine thread's body has returned.
  void EngineDone() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
      quit_ = true;
    }
    cv_.notify_all();
    if (clock_ != nullptr) clock_->NotifyEnded();
  }

  bool quit() {
    std::lock_guard lock(mutex_);
    return quit_;
  }
  int code() {
    std::lock_guard lock(mutex_);
    return code_;
  }
  // Waits up to `ms` real milliseconds for a quit request; true once one came.
  bool WaitQuit(uint64_t ms) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return quit_; });
  }
  // Waits up to `ms` real milliseconds for the engine thread to finish.
  bool WaitDone(uint64_t ms) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
  }

 private:
  DisplayInfo display_;
  VirtualClock* clock_ = nullptr;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool quit_ = false;
  bool done_ = false;
  int code_ = kExitOk;
};

// Runs the script against a started engine.
class Runner {
 public:
  Runner(const HeadlessOptions& options, HeadlessHost& host, VirtualClock* clock)
      : options_(options), host_(host), clock_(clock) {
    if (options.timeout_ms >= 0) {
      // A virtual clock stands still while the engine computes without
      // sleeping; past this much real time the run counts as timed out too.
      backstop_real_ms_ = RealNowMs() + static_cast<uint64_t>(options.timeout_ms) * 2 + 10000;
    }
    start_ms_ = PlatformClock().NowMs();
  }

  enum class Result { kParked, kEnded };

  // Lets the engine run `ms` ms of clock time (kNoLimit: until it ends).
  Result RunFor(uint64_t ms) {
    if (clock_ != nullptr) return RunVirtual(ms);
    return RunReal(ms);
  }

  // Runs every command; stops early when the engine ends.
  void RunScript(const std::vector<ScriptCommand>& script) {
    if (clock_ != nullptr && Settle() == Result::kEnded) return;
    for (size_t i = 0; i < script.size(); ++i) {
      const ScriptCommand& cmd = script[i];
      if (Run(cmd) == Result::kEnded) {
        if (i + 1 < script.size()) {
          std::fprintf(stderr, "vadu: the engine ended during line %d of the input script; the rest was not run\n",
                       cmd.line);
        }
        return;
      }
    }
  }

  bool shots_failed() const { return shots_failed_; }

 private:
  Result Run(const ScriptCommand& cmd) {
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
      case ScriptCommand::kClick:
        HostSetPointer(cmd.x, cmd.y);
        HostSetButton(cmd.right ? 2 : 1);
        if (RunFor(50) == Result::kEnded) return Result::kEnded;
        HostSetButton(0);
        break;
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
    return host_.quit() ? Result::kEnded : Result::kParked;
  }

  [[noreturn]] void TimedOut() {
    std::fprintf(stderr, "vadu: timeout: the engine ran past %lld s of engine-clock time\n",
                 static_cast<long long>(options_.timeout_ms / 1000));
    ExitNow(kExitTimeout);
  }

  // Virtual clock: waits until the engine is parked at the limit, feeding
  // queued text at its sync points.
  Result Settle() {
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
          TimedOut();
      }
    }
  }

  Result RunVirtual(uint64_t ms) {
    script_ms_ =
        ms == VirtualClock::kNoLimit || script_ms_ + ms < script_ms_ ? VirtualClock::kNoLimit : script_ms_ + ms;
    uint64_t limit = script_ms_;
    bool capped = false;
    if (options_.timeout_ms >= 0 && static_cast<uint64_t>(options_.timeout_ms) < limit) {
      limit = static_cast<uint64_t>(options_.timeout_ms);
      capped = true;
    }
    clock_->SetLimit(limit);
    Result r = Settle();
    // Parked at the timeout while the script wants more: past the timeout.
    if (r == Result::kParked && capped) TimedOut();
    return r;
  }

  Result RunReal(uint64_t ms) {
    uint64_t end = ms == VirtualClock::kNoLimit ? VirtualClock::kNoLimit : PlatformClock().NowMs() + ms;
    for (;;) {
      HostPumpText();
      uint64_t now = PlatformClock().NowMs();
      if (options_.timeout_ms >= 0 && now - start_ms_ > static_cast<uint64_t>(options_.timeout_ms)) TimedOut();
      if (now >= end) return host_.quit() ? Result::kEnded : Result::kParked;
      // Queued text is fed every millisecond; otherwise the host only
      // watches for the end, so an idle run costs next to nothing.
      uint64_t nap = HostTextPending() ? 1 : 50;
      if (end - now < nap) nap = end - now;
      if (host_.WaitQuit(nap)) return Result::kEnded;
    }
  }

  const HeadlessOptions& options_;
  HeadlessHost& host_;
  VirtualClock* clock_;
  uint64_t script_ms_ = 0;
  uint64_t start_ms_ = 0;
  uint64_t backstop_real_ms_ = 0;
  uint32_t modifiers_ = 0;
  bool shots_failed_ = false;
};

}  // namespace

void ExitNow(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(code);
}

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

  SystemClock real_clock;
  VirtualClock virtual_clock(options.clock_start);
  VirtualClock* vclock = options.virtual_clock ? &virtual_clock : nullptr;
  SetPlatformClock(vclock != nullptr ? static_cast<Clock*>(vclock) : &real_clock);

  int width = options.screen_width > 0 ? options.screen_width : 800;
  int height = options.screen_height > 0 ? options.screen_height : 600;
  Screen().Resize(width, height);
  // Without a desktop, the desktop is the engine screen.
  DisplayInfo display;
  display.desktop_width = width;
  display.desktop_height = height;
  HeadlessHost host(display);
  host.set_clock(vclock);
  SetHost(&host);
  SetMessageBoxHandler(StderrMessageBox);
  InstallSignals();

  auto finish = [&](int code) {
    SetHost(nullptr);
    SetMessageBoxHandler(nullptr);
    SetPlatformClock(nullptr);
    return code;
  };

  if (!HostStartup() || StartupRequestedClose()) return finish(kExitStartup);
  if (host.quit()) return finish(host.code());

  if (vclock != nullptr) vclock->Arm();
  std::thread engine([&host] {
    EngineThread();
    host.EngineDone();
  });

  Runner runner(options, host, vclock);
  runner.RunScript(script);
  if (!host.quit()) {
    if (!options.input.empty()) HostRequestClose();
    runner.RunFor(VirtualClock::kNoLimit);
  }
  // The engine asked to quit; let it finish freely.
  if (vclock != nullptr) {
    vclock->SetSyncWanted(false);
    vclock->ResumeFromSync();
    vclock->SetLimit(VirtualClock::kNoLimit);
  }
  int code = host.code();
  if (code == kExitOk && runner.shots_failed()) code = kExitBadInput;
  if (!host.WaitDone(kJoinGraceMs)) {
    std::fprintf(stderr, "vadu: the engine thread did not end after the quit request\n");
    ExitNow(code);
  }
  engine.join();
  return finish(code);
}

}  // namespace vadu
