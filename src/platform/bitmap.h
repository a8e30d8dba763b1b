// The bitmap store: pictures kept off screen, in the framebuffer's pixel
// format (32-bit engine colour values, red in the low byte), and the copies
// between them and the screen.
//
// Bitmaps live outside the memory pool: a full-screen picture is 1.9 MB
// and the pool holds 13.6 MB in all, so the pool keeps only the small
// records that name them (kernel/graphic.h). A bitmap is named by a 32-bit
// id, 0 for none. An id is not given out again for a long time after its
// bitmap is freed (a generation count sits in its high bits), so a stale id
// finds nothing rather than another picture.
//
// Every copy is clipped to the screen and to the bitmap: any coordinates and
// sizes are safe, and nothing outside either is read or written. Sizes here
// are plain widths and heights. Screen writes hold the framebuffer's mutex
// and bump its generation when they wrote a pixel.
//
// The store is used by the engine thread only (tests and tools alike); only
// the screen is shared with the host thread.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vadu {

using BitmapId = uint32_t;
inline constexpr BitmapId kNoBitmap = 0;

// Largest width and height of a bitmap (the largest screen the engine
// supports).
inline constexpr int kMaxBitmapSide = 4096;

// A new black bitmap, or kNoBitmap when a side is outside 1..kMaxBitmapSide
// or the memory cannot be had.
BitmapId CreateBitmap(int width, int height);
// Frees a bitmap; an unknown or stale id is ignored.
void FreeBitmap(BitmapId id);
// The size of a bitmap; false (sizes 0) for an unknown id.
bool BitmapSize(BitmapId id, int* width, int* height);
// The pixels, row-major, width per row; nullptr for an unknown id. They do
// not move while the bitmap exists.
uint32_t* BitmapPixels(BitmapId id);

// Bitmaps alive and the bytes of their pixels (tests, leak checks).
size_t LiveBitmapCount();
size_t LiveBitmapBytes();

// Copies the screen rectangle at (sx, sy), w by h, into the bitmap at
// (bx, by). False for an unknown bitmap.
bool CopyScreenToBitmap(int sx, int sy, int w, int h, BitmapId dst, int bx, int by);
// Copies the bitmap's rectangle at (bx, by), w by h, onto the screen at
// (sx, sy). False for an unknown bitmap.
bool CopyBitmapToScreen(BitmapId src, int bx, int by, int w, int h, int sx, int sy);
// As CopyBitmapToScreen from (0, 0), each screen pixel becoming
// screen OR (bitmap AND NOT colour).
bool CopyBitmapToScreenMasked(BitmapId src, int w, int h, int sx, int sy, uint32_t colour);
// As CopyBitmapToScreen from (0, 0), leaving the screen as it is where the
// bitmap holds the key colour.
bool CopyBitmapToScreenKeyed(BitmapId src, int w, int h, int sx, int sy, uint32_t key);
// Stretches the bitmap's rectangle (0, 0)..(src_w, src_h) over the screen
// rectangle at (sx, sy), w by h, taking the nearest pixel. Screen pixels
// whose source lies outside the bitmap are left as they are; non-positive
// sizes draw nothing. False for an unknown bitmap.
bool StretchBitmapToScreen(BitmapId src, int src_w, int src_h, int sx, int sy, int w, int h);

// Darkens the screen rectangle: each of red, green and blue less the
// colour's, at least 0.
void ShadeScreen(int x, int y, int w, int h, uint32_t colour);
// Copies the screen rectangle at (sx, sy), w by h, to (dx, dy), as through
// a temporary picture: overlapping rectangles copy correctly, and only
// pixels whose source lies on the screen are written.
void CopyScreenToScreen(int sx, int sy, int w, int h, int dx, int dy);

// Frees every bitmap (registered with the reset registry).
void ResetBitmaps();

}  // namespace vadu
