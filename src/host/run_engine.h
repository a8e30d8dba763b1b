// RunEngine: what every host does the same way. It installs the host's
// clock, message box and the host itself, runs start-up (the window's first
// paint), starts the engine thread, lets the host pump its events until the
// engine asks to quit, enforces the timeout, waits for the engine thread
// with a grace period, and gives the exit code.
//
// A host supplies only its clock, its message box, its event pump and its
// presentation (EngineHost below).
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/host_seam.h"

namespace vadu {

// Exit codes of the vadu command.
inline constexpr int kExitOk = 0;        // orderly shutdown
inline constexpr int kExitStartup = 1;   // start-up failed (or the settings asked to end)
inline constexpr int kExitBadInput = 2;  // bad arguments or input script
inline constexpr int kExitTimeout = 3;   // the engine ran past --timeout

// No deadline for EngineHost::Pump.
inline constexpr uint64_t kNoDeadline = UINT64_MAX;

struct RunOptions {
  // Engine-clock milliseconds from the start after which the process ends at
  // once with kExitTimeout (negative: none).
  int64_t timeout_ms = -1;
};

class EngineHost : public Host {
 public:
  // --- What a host supplies -------------------------------------------------
  // The clock the engine reads and sleeps through.
  virtual Clock& EngineClock() = 0;
  // The host's message box.
  virtual MessageBoxHandler MessageBoxes() = 0;
  // Start-up has run and the engine thread is about to start (the first
  // frame can be shown).
  virtual void Started() {}
  // Runs the host loop (events in, the screen out) until the engine has
  // asked to quit, or until the engine clock reaches `deadline_ms`
  // (kNoDeadline: none). Returns false when the deadline stopped it.
  virtual bool Pump(uint64_t deadline_ms) = 0;
  // The engine has asked to quit: let it run freely to its end.
  virtual void Ending() {}
  // True when the host's own input failed (a screenshot that could not be
  // written): an orderly run then ends with kExitBadInput.
  virtual bool InputFailed() const { return false; }

  // --- Host (any thread) ----------------------------------------------------
  // The engine asks the host loop to end with this exit code (the first
  // request's code counts).
  void RequestQuit(int code) final;

  // True once the engine (or the end of the engine thread) asked to quit.
  bool QuitRequested();
  // True once the engine thread has ended.
  bool EngineEnded();
  // The exit code the engine asked for.
  int QuitCode();

 protected:
  // Wakes a host loop that waits for its events: called after a quit
  // request and when the engine thread ends.
  virtual void Wake() {}

 private:
  friend int RunEngine(EngineHost& host, const RunOptions& options);
  void EngineThreadEnded();
  // Waits up to `ms` real milliseconds for the engine thread to end.
  bool WaitEngineEnded(uint64_t ms);

  std::mutex mutex_;
  std::condition_variable cv_;
  bool quit_ = false;
  bool ended_ = false;
  int code_ = kExitOk;
};

// Runs the engine with `host` until it has shut down; returns the exit code.
int RunEngine(EngineHost& host, const RunOptions& options);

// Ends the process at once with `code`, after flushing the standard
// streams: the engine thread may be running and cannot be joined.
[[noreturn]] void ExitNow(int code);

}  // namespace vadu
