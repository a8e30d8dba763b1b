// The SDL2 host: the engine's window. Only this folder includes SDL.
#pragma once

#include <cstdint>

namespace vadu {

struct SdlOptions {
  int scale = 1;            // window size = engine screen x scale
  bool fullscreen = false;  // start in desktop full screen
  // Engine-clock milliseconds after which the process ends with exit code
  // 3 (negative = none).
  int64_t timeout_ms = -1;
  // SCREEN_SIZEX, SCREEN_SIZEY of VADU.ini (at most 0 = missing).
  int screen_width = 0;
  int screen_height = 0;
};

// Opens the window (no display: one line on standard error and exit code
// 1), runs start-up on its first paint (1 when it fails), then the engine
// thread, until the engine has shut down; returns the exit code.
int RunSdl(const SdlOptions& options);

}  // namespace vadu
