// The mouse in the window system: where the pointer is relative to a
// window, and WindowTask's polling of the button, which activates the window
// clicked into, moves it by its title bar, resizes it by its resize box,
// closes it by its close box, gives other clicks to its objects and reports
// the rest to its owner (0x306, or 0x307 for a button state of 0).
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// The pointer relative to the content area, or -1 when it is outside it or
// a task other than the owner holds the mouse capture.
int16_t MouseXInWindow(Handle window);
int16_t MouseYInWindow(Handle window);
// The button state when the pointer is inside the content area, else 0.
int16_t MouseButtonsInWindow(Handle window);
// 1 when the screen point lies strictly inside the content area.
int PointInWindow(Handle window, int32_t x, int32_t y);
int MouseInWindow(Handle window);
// 1 when the pointer is inside the content area of a top-level window of
// depth 1.
int16_t MouseOverTopWindow();

// One pass of WindowTask's mouse polling (reading the button sleeps 10 ms).
// Drags and the close box hold the engine thread until the button is
// released (or the host asks to close).
void PollMouse();

// The least content size a drag-resize leaves (or the size the window
// already had, when that was smaller).
inline constexpr int kMinResizeWidth = 32;
inline constexpr int kMinResizeHeight = 16;

}  // namespace vadu
