// The start banner: what the engine shows on its screen at start-up, before
// the window manager paints anything.
#include <cstdio>

#include "core/config.h"
#include "core/log.h"
#include "core/types.h"
#include "kernel/manager.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/host.h"
#include "platform/host_seam.h"

namespace vadu {
namespace {

constexpr int16_t kBannerX = 24;
constexpr int16_t kBannerFontSize = 18;
// The device draws every call at once: its batch limit is 1.
constexpr int kBatchLimit = 1;
// A font identity that no font record can have, so the banner's host fonts
// are never mistaken for an engine font's.
constexpr uint32_t kBannerFontIdentity = 0xFFFFFF18u;

}  // namespace

void DrawStartBanner() {
  const FontSpec font{kBannerFontIdentity, 0, kBannerFontSize, kBannerFontSize};
  const uint32_t colour = MakeColour(200, 200, 200);
  char line[kKeywordLineMax + 64];

  std::snprintf(line, sizeof line, "%s version %s      baseband on VADU %s%s   for Linux (SDL2 or headless)", "TARN",
                kPlatformVersion, kEngineVersion, kEngineRevision);
  DrawTextRun(kBannerX, 30, line, colour, font);
  DrawTextRun(kBannerX, 47, "       software framebuffer, FreeType text, cooperative tasks on one engine thread",
              colour, font);

  const DisplayInfo display = HostDisplay();
  const int depth = display.bits_per_pixel * display.planes;
  // The colour count 2^depth does not fit 32 bits for a 32-bit screen, so it
  // is printed in 64 bits.
  const long long colours = depth >= 0 && depth < 63 ? (1LL << depth) : 0;
  std::snprintf(line, sizeof line, "       Screen size %d/%d dot   Pixel %d   Plans %d  Color %lld　GDIlimit %d",
                display.desktop_width, display.desktop_height, display.bits_per_pixel, display.planes, colours,
                kBatchLimit);
  DrawTextRun(kBannerX, 64, line, colour, font);
  WriteLog(line);

  if (depth < 8) ShowMessageBox("256色以上でご利用ください");
  if (display.desktop_width < 800 || display.desktop_height < 600) ShowMessageBox("800*600 以上でご利用ください");

  char program[kKeywordLineMax + 1];
  if (IniString("START_PROGRAM", program, sizeof program) != nullptr && program[0] != '\0') {
    std::snprintf(line, sizeof line, "       - %s -   TARN start up", program);
    DrawTextRun(kBannerX, 98, line, colour, font);
    WriteLog(line);
  }
  // The banner's host fonts are released by the device when the next font
  // is used (or when it closes).
}

}  // namespace vadu
