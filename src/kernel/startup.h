// The engine's start, cycle and end, as the hosts drive them.
//
// A host (SDL window or headless runner) does, on its main thread:
//   1. set up its screen (Screen().Resize) and install itself (SetHost), its
//      message box handler and, headless, its clock;
//   2. HostStartup() once (the window's first paint): the whole engine
//      initialisation, the application task and the start banner;
//   3. start a thread running EngineThread();
//   4. pump its own events, feeding the input state (platform/input.h) and
//      presenting the screen, until the engine asks it to quit
//      (Host::RequestQuit, after the engine thread has ended). A close
//      request from the user goes through HostRequestClose(), which the
//      engine thread turns into the orderly shutdown; when the engine has
//      already ended, the host calls HostCloseAfterEnd() and quits at once;
//   5. join the engine thread and return the exit code.
#pragma once

#include <cstdint>

namespace vadu {

// Start-up on the host thread: InitEngine, the host lines of the log, the
// application task, the start banner. Returns false when the engine cannot
// run (the messages have been shown); the host then exits with code 1.
bool HostStartup();

// The kernel initialisation in its fixed order. Returns 1, or 0 when the
// engine cannot run (no memory pool, no system resources, no event queue;
// the message has been shown): HostStartup then returns false.
int InitEngine();

// The engine thread's body: runs cycles until SYSTEM_END, then asks the host
// to quit. Returns when the thread should end.
void EngineThread();

// Runs cycles until SYSTEM_END (or one cycle with LOOP_EXIT). Between
// cycles in which no task received an event, the engine sleeps through the
// platform clock, so an idle engine costs almost nothing and a virtual
// clock advances.
void RunScheduler();

// The host's close request once the engine thread has ended: logs
// "TARN CLOSED".
void HostCloseAfterEnd();

// True once start-up found the settings unusable (CYCLE_WAIT or
// FASTSYNC_WAIT missing): the host ends after start-up.
bool StartupRequestedClose();

// Puts the kernel's start-up state back (tests).
void ResetStartup();

}  // namespace vadu
