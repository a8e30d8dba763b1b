// The window tree and the window-relative drawing calls, as far as start-up
// and the kernel's drawing helpers need them: window creation, the system
// root window, and the fill and line operations. Drawing is relative to a
// window's content area and happens only while the window is drawable
// (WINDOWdrawable); nothing is drawn outside the content area.
//
// FIXME: the window manager (opening, closing, stacking, redraw motions,
// decorations, the other drawing calls) completes this layer.
#pragma once

#include <cstdint>

#include "core/types.h"
#include "window/window_record.h"

namespace vadu {

// The window record of a handle, or nullptr when the handle is not an active
// full-size record of the "Window" resource. Valid until the next allocation.
WindowRecord* WindowView(Handle window);

// Makes a closed window (depth 0, name "NON", at 0/0) of the given content
// size and mode, owned by `owner`. Parent none means the root window; when
// there is no root yet the window stays unlinked (this is how the root
// itself is made). A linked window becomes the top-most child of its parent,
// takes the parent's gc (children of the root take the system GC) and its
// origin from the parent. None when no record can be made.
Handle CreateWindow(Handle owner, Handle parent, int16_t width, int16_t height, uint32_t mode);

// Start-up: the system root window "SystemRootWindow" of the screen size at
// 0/0, open and drawable at depth 1, with a gc of its own whose face colour
// is the colour table entry BACKSCREEN_COLOR selects (colour 0 when the key
// is missing or outside 0-27). Shows "RootWindow Create ERROR!!" in the host
// message box and returns false when it cannot be made.
bool CreateRootWindow();
// The root window (none before start-up).
Handle RootWindow();
// Gives the root window its owner once the manager's task record exists.
void SetRootOwner(Handle task);

// Content size of a window (0 for a handle that is not a window).
int16_t WindowWidth(Handle window);
int16_t WindowHeight(Handle window);
// The window's gc (none for a handle that is not a window).
Handle GetWindowGC(Handle window);

// Start-up: forgets the window manager's globals (the root).
void ClearWindowGlobals();
// Back to the state before start-up (tests).
void ResetWindows();

}  // namespace vadu
