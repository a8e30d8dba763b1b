// Drawing into a window: every operation is relative to the window's
// content area and draws only while the window is drawable
// (WINDOWdrawable). A window that is not drawable (closed, covered, or
// outside its owner's turn during a redraw motion) silently ignores drawing,
// which keeps covered windows from painting over the ones above them.
//
// The content area is (0, 0) to (width, height) inclusive: a point at
// x = width is drawn, fills reach their far edge. Nothing is ever drawn
// outside the content area or the screen, whatever the arguments; position
// errors draw nothing and are not reported.
//
// The plain forms draw in the text colour of the window's gc, the Color
// forms in the colour given. Texts are CP932; their width is estimated on
// the font's cell grid (a byte is a half-width cell), not measured.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// Texts longer than this are refused with system message 78.
inline constexpr int kMaxWindowText = 1024;

// One pixel. Refused outside the content area.
void WinPoint(Handle window, int16_t x, int16_t y);
void WinPointColor(Handle window, int16_t x, int16_t y, uint32_t colour);

// A line from (x1, y1) towards (x2, y2) (end point not set), each end point
// first clamped into the content area, edges included.
void WinLine(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2);
void WinLineColor(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour);

// The outline through (x, y) and (x + w, y + h). Refused when x or y is
// negative or beyond the content (x > width, y > height), or w or h is
// negative; w and h are cut at the right and bottom edges.
void WinRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h);
void WinRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);

// Fills (x, y) to (x + w, y + h) inclusive. Refused when x > width or
// y > height (or w, h negative); w and h are cut at the right and bottom
// edges; a part left of or above the content area is cut off, so a
// negative position still fills what lies inside.
void WinFillRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h);
void WinFillRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);

// Darkens the w by h rectangle at (x, y), cut as WinFillRectangle cuts:
// each of red, green and blue less the colour's, at least 0 (half-
// transparent panels).
void WinSemitransparentRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);

// Fills the whole content area: (0, 0) to (width, height) inclusive.
void WinFill(Handle window, uint32_t colour);

// Text at (x, y), the top left of its first cell, with the font of the
// window's gc. A text longer than kMaxWindowText bytes is reported to the
// window's owner task with system message 78 and not drawn. Nothing is
// drawn when x > width, when less than one half-width cell is left right of
// x, or when y > height - the character height. A text wider than the room
// right of x is cut to the cells that fit, never inside a two-byte
// character; glyphs are clipped to the content area.
void WinMessage(Handle window, int16_t x, int16_t y, const char* text);
void WinMessageColor(Handle window, int16_t x, int16_t y, const char* text, uint32_t colour);
// As WinMessageColor with the font and text colour of `gc` (none: nothing),
// needing the room of one full-width cell right of x.
void WinMessageGC(Handle window, int16_t x, int16_t y, const char* text, Handle gc);

// The text centred in the window at row y, drawn with `gc` (in place of the
// window's own gc for the call) in the gc's face colour; with the gc's
// embossed flag it is drawn once more one pixel up and left in its light
// colour. The width is estimated in half-width cells of the window's own gc
// font, a two-byte character two cells wide; x is at least 1. A text that
// begins with a two-byte character logs "WinCenterMessage() in 2byte
// charcter".
void WinCenterMessage(Handle window, int16_t y, const char* text, Handle gc);

// Window-relative forms of the graphic store (kernel/graphic.h). Each
// returns 1 and does nothing when the window is missing or not drawable,
// else converts x, y to screen coordinates and returns the store
// operation's result. What they draw is cut to the content area: the copies
// whose w and h are last offsets (load, copy) may reach the far edge
// (x + w <= width), the draws with plain sizes stop before it; a cut on the
// left or at the top starts the copy as far inside the picture. A rectangle
// with nothing left inside the content draws nothing and returns 0 (1 for
// WinCopyArea, whose store operation always returns 1).
//
// Copies the window's rectangle (x, y)..(x + w, y + h) into the graphic
// (0, or 1 when refused). It only reads the screen, so it is not cut.
int WinGraphicSave(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// Copies the graphic onto (x, y)..(x + w, y + h): 0, or 1 on failure (no
// graphic).
int WinGraphicLoad(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// Copies the rectangle (x, y)..(x + w, y + h) to (x2, y2) through a
// temporary picture; the destination is cut, the source with it. 1.
int WinCopyArea(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t x2, int16_t y2);
// Draws w by h pixels of the graphic at (x, y), cut to the graphic's size
// as well. 1 when drawn or without a graphic.
int WinDrawGraphic(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// The same from (source_x, source_y) inside the graphic.
int WinDrawGraphicPart(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t source_x, int16_t source_y,
                       Handle graphic);
// Stretches the graphic's (0, 0)..(source_w, source_h) part over the w by h
// rectangle at (x, y), cut to the content first (the picture is stretched
// over what is left). 1 when drawn or without a graphic.
int WinDrawGraphicStretch(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t source_w, int16_t source_h,
                          Handle graphic);
// Shows the graphic at (x, y), as much as the room up to the content area's
// right and bottom edges holds (WinDrawGraphic's result).
int WinShowPicture(Handle graphic, Handle window, int16_t x, int16_t y);
// Tiles the graphic over the content area (width by height pixels): whole
// copies row by row from the top left, then the right strip with the
// graphic's left part, the bottom strip with its top part and the corner
// with its top-left part. 1 without drawing when the window is missing or
// not drawable, the graphic missing or larger than the content in either
// direction; 1 when a copy fails (the tiling stops there); else 0.
int WinTileGraphic(Handle window, Handle graphic);

}  // namespace vadu
