// The window tree: window records of the system resource "Window", the root
// window that covers the screen, and the operations on one window's record
// (name, position, size, mode, gc). Opening, closing, stacking and redrawing
// are the window manager's (window/manager.h); drawing into a window is
// window/draw.h.
#pragma once

#include <cstdint>
#include <string>

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

// Destroys a window: its objects, its backing-store picture (freed through
// its owner), its place among its siblings, and its record. Child windows are
// not destroyed. The root is refused ("root window を削除しようとしています"
// logged); destroying the active window logs "!!! DestroyWindow Warning !!!"
// and leaves no active window.
void DestroyWindow(Handle window);

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

// The window's name as text ("" for a handle that is not a window).
std::string WindowNameText(Handle window);
// The name, cut to 21 characters (never inside a two-byte character).
void SetWindowName(Handle window, const char* name);
// Sets the position relative to the parent's content and recomputes the
// origin of every window below it.
void SetWindowPosition(Handle window, int16_t x, int16_t y);
// Centres the window in its parent (integer division towards zero).
void CenterWindow(Handle window);
// Keeps the window at least `margin` inside its parent's content: 1.
int FitWindowInParent(Handle window, int16_t margin);
void MoveWindowBy(Handle window, int16_t dx, int16_t dy);
// Changes the content size; a window with a backing store gets a picture of
// the new size.
void ResizeWindowBy(Handle window, int16_t dw, int16_t dh);
void SetWindowGeometry(Handle window, int16_t x, int16_t y, int16_t width, int16_t height);

// Mode bits: or in / take out / replace / the bits of `bits` that are set.
void SetWindowMode(Handle window, uint32_t bits);
void ClearWindowMode(Handle window, uint32_t bits);
void PutWindowMode(Handle window, uint32_t mode);
uint32_t TestWindowMode(Handle window, uint32_t bits);

void SetWindowGC(Handle window, Handle gc);
// The window's gc (none for a handle that is not a window).
Handle GetWindowGC(Handle window);
// Sets four colours of the window's gc (which children and objects may
// share).
void SetWindowColors(Handle window, uint32_t face, uint32_t text, uint32_t light, uint32_t shadow);

// Content size of a window (0 for a handle that is not a window).
int16_t WindowWidth(Handle window);
int16_t WindowHeight(Handle window);

// A rectangle of screen pixels: (x, y) and its size.
struct ScreenRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};
// The content area on the screen.
ScreenRect ContentRect(Handle window);
// The outer rectangle: the content with the frame (4 on every side) and the
// bars above it (18 each). Every overlap test, whole-window hit test, drag
// outline and framed clear uses it.
ScreenRect OuterRect(Handle window);
// The top of the highest bar: content top - 18 x the number of bars.
int TopBarY(Handle window);

// Start-up: forgets the window manager's globals (the root).
void ClearWindowGlobals();
// Back to the state before start-up (tests).
void ResetWindows();

// What the window objects (their own part of this layer) do for the window
// manager. Until they exist every hook is empty: a window has no objects.
struct WindowObjectHooks {
  // Draws the window's objects after `after` (none: from the first); the
  // object at which drawing stopped to wait for its owner, or none when all
  // are drawn.
  Handle (*draw)(Handle window, Handle after) = nullptr;
  // A click at (x, y) of the content area with the button state: true when
  // an object took it.
  bool (*click)(Handle window, int16_t x, int16_t y, uint16_t button) = nullptr;
  // Destroys every object of the window (DestroyWindow).
  void (*destroy_all)(Handle window) = nullptr;
};
void SetWindowObjectHooks(const WindowObjectHooks& hooks);
const WindowObjectHooks& ObjectHooks();

}  // namespace vadu
