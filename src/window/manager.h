// The window manager: which windows are drawable and at which depth, the
// redraw motion that repaints overlapped windows bottom to top in turn with
// their owner tasks (ReqDrawEvent out, RetDrawEvent back), and opening,
// activating, closing and moving windows. WindowTask (window_task.h) runs
// it; log lines call it WindowManager.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// --- State --------------------------------------------------------------------
// The active window (its decorations take the active colours); none after it
// was destroyed, until the next activation.
Handle ActiveWindow();
// Open windows, counted by open_window and close_window.
int OpenWindowCount();
// The font of window titles (height 14), made when WindowTask initialises.
Handle TitleFont();
void SetTitleFont(Handle font);

// --- Geometry -----------------------------------------------------------------
// True when the outer rectangles intersect (touching counts).
bool WindowsOverlap(Handle a, Handle b);
// True when an open sibling above it (shown, or not an object window)
// overlaps it; a missing window counts as covered.
bool WindowCovered(Handle window);
// Recomputes depth and drawability of every window below the root.
void UpdateDepths();
// Marks for redraw the windows the window's area shows; the number marked.
int MarkForRedraw(Handle window);
// The root's open children that the window's area reaches (the window
// itself included), without marking.
int CountOverlapping(Handle window);

// --- Redraw motion ----------------------------------------------------------
// Starts a redraw motion over the marked windows (nothing for a count of 0 or
// less, with no window open, or while an exclusive window is open): the
// first window is drawn at the next KickRedrawMotion, each further one when
// the owner of the one before has answered.
void StartRedrawMotion(int count);
// A motion whose next window waits for nobody (just started, or its owner
// answered before) draws that window now. WindowTask calls it at the end of
// every step, once the step's requests have settled the depths.
void KickRedrawMotion();
// An owner's RetDrawEvent for the window: late objects, pending object
// drawing, or the next window of the motion.
void HandleRetDraw(Handle window);
// Marks every open top-level window and starts a redraw motion (a host
// repaint, the application).
void redraw_all();

// --- Windows ------------------------------------------------------------------
// Draws the window's decorations and background and starts drawing its
// objects.
void draw_window(Handle window);
// Paints the window's area in its parent's background.
void clear_window(Handle window);
void open_window(Handle window, int16_t x, int16_t y);
void activate_window(Handle window);
void close_window(Handle window);
void move_window(Handle window, int16_t x, int16_t y);
// Moves the window to the top of its siblings, drawing nothing.
void RaiseWindow(Handle window);
// The active window changes without anything raised or sent: the old one's
// decorations in the normal colours, the new one's in the active colours.
void SwitchActiveDecorations(Handle window);
// Writes the window list to the log.
void DumpWindowList();

// A window record is about to be deleted: the manager forgets it.
void WindowDestroyed(Handle window);
// Back to the state before start-up.
void ResetWindowManager();

}  // namespace vadu
