// The graphic store: pictures kept off screen, and the copies between them
// and the screen. A graphic is a record of the system resource
// "Graphic VRAM" holding its size and the identity of its pixels, which live
// outside the memory pool in the platform's bitmap store
// (platform/bitmap.h); the record owns them. Pictures come from the screen
// (GraphicSave) or from BMP files (LoadGraphicFile, LoadBMP).
//
// Coordinates are screen pixels. GraphicSave, GraphicLoad and
// GraphicLoadMasked take w and h as the last column and row offsets: they
// copy w + 1 by h + 1 pixels. The other operations take plain sizes. Every
// copy is clipped to the screen and to the picture: nothing outside either
// is read or written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

inline constexpr int kGraphicRecordSize = 16;

// The graphic record.
struct GraphicRecord {
  int16_t width;    // pixels
  int16_t height;   // pixels
  uint32_t bitmap;  // the pixels in the bitmap store (0 = none)
  Handle link;      // next graphic of a chain (effect strips, anime cache); 0 at creation
  uint32_t id;      // key of a cached picture (the anime task's script line); 0 at creation
};
static_assert(sizeof(GraphicRecord) == kGraphicRecordSize);
static_assert(offsetof(GraphicRecord, bitmap) == 4);
static_assert(offsetof(GraphicRecord, link) == 8);
static_assert(offsetof(GraphicRecord, id) == 12);

// The record of a handle, or nullptr when it is not an active full-size
// record of "Graphic VRAM". Valid until the next allocation.
GraphicRecord* GraphicView(Handle graphic);

// A new graphic of the size for `task` (the pixels start black), or none
// when the record or the pixels cannot be had (the record is then removed).
Handle CreateGraphic(Handle task, int16_t width, int16_t height);
// Frees the pixels and deletes the record; 0, or 1 for a handle that is not
// a graphic.
int FreeGraphic(Handle task, Handle graphic);

// Copies the screen rectangle (x, y)..(x + w, y + h) into the graphic at
// (0, 0). 0, or 1 when refused (no graphic). The screen is a framebuffer no
// other program covers, so a save always copies.
int GraphicSave(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// Copies the graphic from (0, 0) onto the screen at (x, y), w + 1 by h + 1
// pixels. 0, or 1 (logging "Error GraphicLoad() BitBlt() ret %d") when the
// graphic has no pixels.
int GraphicLoad(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// Copies a screen rectangle (w + 1 by h + 1) to (x2, y2) through a
// temporary picture. 1.
int ScreenCopy(int16_t x, int16_t y, int16_t w, int16_t h, int16_t x2, int16_t y2);
// As GraphicLoad, each pixel becoming destination OR (source AND NOT
// colour). 1.
int GraphicLoadMasked(Handle graphic, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);
// Draws the graphic at (x, y), w by h cut to its size. 0 without a graphic,
// else 1.
int DrawGraphic(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic);
// The same from (source_x, source_y) inside the graphic.
int DrawGraphicOffset(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic, int16_t source_x, int16_t source_y);
// Stretches the graphic's (0, 0)..(source_w, source_h) part over the
// rectangle (nearest pixel). 0 without a graphic, else 1.
int StretchGraphic(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic, int16_t source_w, int16_t source_h);
// Darkens every pixel of the rectangle (w by h): each of red, green and
// blue less the colour's, at least 0. 1.
int ShadeRect(int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour);
// Draws the graphic (w, h cut to its size); keyed, its pure green pixels
// (0, 255, 0) are skipped. 1, or GraphicLoad's result when not keyed.
int DrawGraphicKeyed(Handle graphic, int16_t x, int16_t y, int16_t w, int16_t h, bool keyed);

// BMP files (Windows bitmaps, with or without the file header; 12- and
// 40-byte information headers; 1, 4 and 8 bits with a colour table, 24 bits,
// RLE4 and RLE8; platform/bmp.h has the whole list). The loader holds the
// last picture it loaded until FreeLoadedBMP or LoadGraphicFile takes it.
//
// Loads a BMP file into the loader: the identity of its pixels in the bitmap
// store, or 0 ("BMP file %s open error", "%s file BITMAP INFO error" or
// "BMP biCompression." logged). `window` is not used: every picture suits
// the one screen.
uint32_t LoadBMP(Handle window, const char* name);
// Releases what the loader holds.
void FreeLoadedBMP();
// Loads a BMP file into a new graphic for `task`, or none.
Handle LoadGraphicFile(Handle task, const char* name);
// Loads a BMP file and draws it at (x, y), cut to w by h. 1.
int DrawBMPFile(const char* name, int16_t x, int16_t y, int16_t w, int16_t h);

}  // namespace vadu
