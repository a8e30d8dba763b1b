// Drawing into a window: every operation is relative to the window's
// content area and draws only while the window is drawable
// (WINDOWdrawable); nothing is drawn outside the content area.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// Fills the whole content area: (0, 0) to (width, height) inclusive.
void WinFill(Handle window, uint32_t colour);
// Fills (x, y) to (x + w, y + h) inclusive. Refused when x > width or
// y > height (or w, h negative); w and h are cut at the right and bottom
// edges; a part left of or above the content area is cut off.
void WinFillRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);
// A line from (x1, y1) towards (x2, y2) (end point not set), each end point
// first clamped into the content area, edges included.
void WinLineColor(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour);

}  // namespace vadu
