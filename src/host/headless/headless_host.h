// The headless host: the engine without a window, driven by an input script
// (or by nothing but signals), its screen written as PNG on request.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace vadu {

struct HeadlessOptions {
  // Time advances only by the engine's sleeps (else the real clock runs and
  // `wait` is real time).
  bool virtual_clock = false;
  // The virtual clock's local time at 0 ms.
  LocalDateTime clock_start;
  // The input script ("" = none: the engine runs until it ends, or until
  // SIGINT or SIGTERM asks it to close).
  std::string input;
  // Directory that `shot` writes into ("" = the working directory).
  std::string screenshot_dir;
  // Engine-clock milliseconds after which the run ends with exit code 3
  // (negative = none).
  int64_t timeout_ms = -1;
  // The engine screen before start-up: SCREEN_SIZEX and SCREEN_SIZEY as
  // ScreenSizeSetting gives them (1 to 4096), so start-up keeps it; 0 or
  // less = 800 x 600.
  int screen_width = 0;
  int screen_height = 0;
};

// Runs the engine headless (through RunEngine): checks the script (exit
// code 2 with the line on standard error), starts the engine (1 when
// start-up fails), runs the script, sends a close request at its end and
// returns the engine's exit code once it has shut down. Past the timeout the
// process ends at once with code 3. Message boxes go to standard error in
// UTF-8 and are answered OK.
int RunHeadless(const HeadlessOptions& options);

// Writes the engine screen as PNG. False when it cannot be written.
bool WriteScreenPng(const std::string& path);

}  // namespace vadu
