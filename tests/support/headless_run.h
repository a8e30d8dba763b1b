// Headless runs of a test application over an input script: the settings
// of a small screen, the run itself on the virtual clock, and its
// screenshots read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kernel/task_steps.h"

namespace vadu::test {

// VADU.ini of a 320 x 240 screen with 16-pixel fonts, a black background
// and exact cycles, with `extra` lines ("KEY VALUE\n") added.
std::string SmallScreenIni(const std::string& extra = "");

// Runs `app` headless on the small screen over `dir`/input.script, on the
// virtual clock from 2024-05-06 07:08:09, screenshots into `dir`, with a
// minute's timeout; the exit code.
int RunSmallScreen(const std::string& dir, const ApplicationHooks& app);

// A screenshot read back (a failed read is a test failure and no pixels).
struct Shot {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};
Shot ReadShot(const std::string& path);

}  // namespace vadu::test
