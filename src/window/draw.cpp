#include "window/draw.h"

#include <algorithm>
#include <climits>

#include "platform/device.h"
#include "window/window.h"

namespace vadu {
namespace {

// Screen coordinates are computed wide and handed to the device in 16 bits;
// a value beyond that range is pinned to it (the device clips anyway).
int16_t ScreenCoord(int value) {
  return static_cast<int16_t>(std::clamp(value, INT16_MIN, INT16_MAX));
}

// The drawable window's content origin on the screen, or false.
bool DrawableContent(Handle window, int& sx, int& sy, int& width, int& height) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || (w->mode & WINDOWdrawable) == 0) return false;
  sx = w->origin_x + w->x;
  sy = w->origin_y + w->y;
  width = w->width;
  height = w->height;
  return true;
}

}  // namespace

void WinFill(Handle window, uint32_t colour) {
  int sx, sy, width, height;
  if (!DrawableContent(window, sx, sy, width, height)) return;
  if (width < 0 || height < 0) return;
  FillBox(ScreenCoord(sx), ScreenCoord(sy), static_cast<int16_t>(width), static_cast<int16_t>(height), colour);
}

void WinFillRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  int sx, sy, width, height;
  if (!DrawableContent(window, sx, sy, width, height)) return;
  if (x > width || y > height || w < 0 || h < 0) return;
  int left = x, top = y, fw = w, fh = h;
  // Cut at the right and bottom edges (fills include their far edge).
  if (left + fw > width) fw = width - left;
  if (top + fh > height) fh = height - top;
  // Cut off what lies left of or above the content area.
  if (left < 0) {
    fw += left;
    left = 0;
  }
  if (top < 0) {
    fh += top;
    top = 0;
  }
  if (fw < 0 || fh < 0) return;
  FillBox(ScreenCoord(sx + left), ScreenCoord(sy + top), static_cast<int16_t>(fw), static_cast<int16_t>(fh), colour);
}

void WinLineColor(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour) {
  int sx, sy, width, height;
  if (!DrawableContent(window, sx, sy, width, height)) return;
  if (width < 0 || height < 0) return;
  const int cx1 = std::clamp<int>(x1, 0, width), cy1 = std::clamp<int>(y1, 0, height);
  const int cx2 = std::clamp<int>(x2, 0, width), cy2 = std::clamp<int>(y2, 0, height);
  DrawLine(ScreenCoord(sx + cx1), ScreenCoord(sy + cy1), ScreenCoord(sx + cx2), ScreenCoord(sy + cy2), colour);
}

}  // namespace vadu
