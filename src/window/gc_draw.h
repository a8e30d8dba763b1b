// Drawing helpers that paint window faces with a GC's colours: bevels,
// frames, panels and the ramp bar. They draw through the window-relative
// calls, so they obey the window's drawable test and clipping.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// Drawing helpers over the window-relative calls.
// The content area in the face colour, with light top and left bands and
// shadow bottom and right bands d pixels wide. 0, or 1 without window or GC.
int BevelContent(Handle window, int16_t d, Handle gc);
// A bevelled box in the window: (x, y, w, h) filled with the face colour,
// the light colour on the top edge (x, y, w - d, d) and the left edge
// (x, y, d, h - d), the shadow colour on the bottom edge (x, y + h - d,
// w - d, d) and the right edge (x + w - d, y + d, d, h - d), each through the
// inclusive fill (so inset 0 still gives one-pixel edges). Sunken swaps light
// and shadow (a pressed box). 0, or 1 without window or GC.
int BevelBox(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t d, Handle gc, bool sunken);
// A frame inset by dx, dy: shadow top and left lines, light bottom and right
// lines. 0, or 1 without window or GC.
int SunkenFrame(Handle window, int16_t dx, int16_t dy, Handle gc);
// 16 bands side by side, each width / 16 wide and `height` high, in the ramp
// colours of the window's GC; fills are inclusive, so each band overlaps the
// next by a column. Returns 1.
int RampBar(Handle window, int16_t x, int16_t y, int16_t width, int16_t height);
// A raised panel with a 2-pixel face band and an inner groove over the
// rectangle; only while the window is drawable.
void RaisedPanel(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle gc);

}  // namespace vadu
