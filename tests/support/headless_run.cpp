#include "support/headless_run.h"

#include <gtest/gtest.h>

#include "host/headless/headless_host.h"
#include "host/run_engine.h"
#include "platform/png.h"

namespace vadu::test {

std::string SmallScreenIni(const std::string& extra) {
  return "TRACE ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\nUSE_COLOR 3\nBACKSCREEN_COLOR 0\n"
         "FONT_SIZEX 16\nFONT_SIZEY 16\nSCREEN_SIZEX 320\nSCREEN_SIZEY 240\n" +
         extra;
}

int RunSmallScreen(const std::string& dir, const ApplicationHooks& app) {
  RegisterApplication(app);
  HeadlessOptions options;
  options.virtual_clock = true;
  options.clock_start = LocalDateTime{2024, 5, 6, 7, 8, 9, 0};
  options.input = dir + "/input.script";
  options.screenshot_dir = dir;
  options.timeout_ms = 60000;
  options.screen_width = 320;
  options.screen_height = 240;
  return RunHeadless(options);
}

Shot ReadShot(const std::string& path) {
  Shot s;
  EXPECT_TRUE(ReadPng(path.c_str(), &s.pixels, &s.width, &s.height)) << path;
  return s;
}

}  // namespace vadu::test
