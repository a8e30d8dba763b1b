#include "window/gc_draw.h"

#include <cstring>

#include "kernel/gc.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

struct Bevel {
  uint32_t face, light, shadow;
};

}  // namespace

int BevelContent(Handle window, int16_t d, Handle gc) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr || WindowView(window) == nullptr) return 1;
  const Bevel c{g->face, g->light, g->shadow};
  const int16_t w = static_cast<int16_t>(WindowWidth(window) - d);
  const int16_t h = static_cast<int16_t>(WindowHeight(window) - d);
  WinFill(window, c.face);
  WinFillRectangleColor(window, 0, 0, w, d, c.light);
  WinFillRectangleColor(window, 0, 0, d, h, c.light);
  WinFillRectangleColor(window, 0, h, w, d, c.shadow);
  WinFillRectangleColor(window, w, d, d, h, c.shadow);
  return 0;
}

int BevelBox(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t d, Handle gc, bool sunken) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr || WindowView(window) == nullptr) return 1;
  const uint32_t face = g->face;
  const uint32_t light = sunken ? g->shadow : g->light;
  const uint32_t shadow = sunken ? g->light : g->shadow;
  auto fill = [window](int fx, int fy, int fw, int fh, uint32_t colour) {
    WinFillRectangleColor(window, static_cast<int16_t>(fx), static_cast<int16_t>(fy), static_cast<int16_t>(fw),
                          static_cast<int16_t>(fh), colour);
  };
  fill(x, y, w, h, face);
  fill(x, y, w - d, d, light);
  fill(x, y, d, h - d, light);
  fill(x, y + h - d, w - d, d, shadow);
  fill(x + w - d, y + d, d, h - d, shadow);
  return 0;
}

int SunkenFrame(Handle window, int16_t dx, int16_t dy, Handle gc) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr || WindowView(window) == nullptr) return 1;
  const uint32_t light = g->light, shadow = g->shadow;
  const int16_t w = static_cast<int16_t>(WindowWidth(window) - 2 * dx);
  const int16_t h = static_cast<int16_t>(WindowHeight(window) - 2 * dy);
  const int16_t right = static_cast<int16_t>(dx + w), bottom = static_cast<int16_t>(dy + h);
  WinLineColor(window, dx, dy, right, dy, shadow);
  WinLineColor(window, dx, dy, dx, bottom, shadow);
  WinLineColor(window, dx, bottom, right, bottom, light);
  WinLineColor(window, right, dy, right, bottom, light);
  return 0;
}

int RampBar(Handle window, int16_t x, int16_t y, int16_t width, int16_t height) {
  const GCRecord* g = GCView(GetWindowGC(window));
  if (g == nullptr) return 1;
  uint32_t ramp[kRampSize];
  std::memcpy(ramp, g->ramp, sizeof ramp);
  const int band = width / kRampSize;
  for (int i = 0; i < kRampSize; ++i) {
    WinFillRectangleColor(window, static_cast<int16_t>(x + i * band), y, static_cast<int16_t>(band), height, ramp[i]);
  }
  return 1;
}

void RaisedPanel(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle gc) {
  const WindowRecord* win = WindowView(window);
  const GCRecord* g = GCView(gc);
  if (win == nullptr || g == nullptr || (win->mode & WINDOWdrawable) == 0) return;
  const Bevel c{g->face, g->light, g->shadow};
  auto fill = [window](int fx, int fy, int fw, int fh, uint32_t colour) {
    WinFillRectangleColor(window, static_cast<int16_t>(fx), static_cast<int16_t>(fy), static_cast<int16_t>(fw),
                          static_cast<int16_t>(fh), colour);
  };
  auto line = [window](int x1, int y1, int x2, int y2, uint32_t colour) {
    WinLineColor(window, static_cast<int16_t>(x1), static_cast<int16_t>(y1), static_cast<int16_t>(x2),
                 static_cast<int16_t>(y2), colour);
  };
  // Top edge.
  fill(x + 1, y + 1, w - 2, 2, c.face);
  line(x, y, x + w, y, c.light);
  line(x + 4, y + 4, x + w - 8, y + 4, c.shadow);
  // Bottom edge.
  fill(x + 1, y + h - 2, w - 2, 2, c.face);
  line(x + 1, y + h - 3, x + w - 2, y + h - 3, c.light);
  line(x, y + h, x + w, y + h, c.shadow);
  // Left edge.
  fill(x + 1, y + 1, 2, h - 2, c.face);
  line(x, y, x, y + h, c.light);
  line(x + 3, y + 4, x + 3, y + h - 4, c.shadow);
  // Right edge.
  fill(x + w - 2, y + 1, 2, h - 2, c.face);
  line(x + w - 3, y + 4, x + w - 3, y + h - 4, c.light);
  line(x + w, y, x + w, y + h, c.shadow);
}

}  // namespace vadu
