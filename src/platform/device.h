// The drawing device: the engine's screen addressed in pixels, (0, 0) at the
// top left. Every window, object and effect is drawn through these calls,
// immediately. Everything clips to the framebuffer: no coordinates, however
// wild, write outside it.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/framebuffer.h"

namespace vadu {

// The colour table: 28 entries, built by BuildColourTable. The framebuffer
// holds 24-bit colour, so an entry's nearest colour is the colour itself;
// entries 9 to 13 stay 0.
inline constexpr int kColourTableSize = 28;
extern uint32_t ColourTable[kColourTableSize];

// What the device needs of an engine font: its identity (the host fonts are
// rebuilt only when it changes), style bits, cell width w and height h.
struct FontSpec {
  uint32_t identity = 0;  // e.g. the font record's handle; 0 = none
  uint16_t style = 0;     // 0x2 draw in one piece, 0x4 italic
  int16_t width = 0;      // cell width of a two-byte character; one byte takes width / 2
  int16_t height = 0;
};
inline constexpr uint16_t kFontOnePiece = 0x2;
inline constexpr uint16_t kFontItalic = 0x4;

// Takes the screen (sized by the host, or width x height when it has none
// yet) and resets the device state. Returns 0.
int OpenDevice(int width, int height);
// Fills the colour table.
void BuildColourTable();
// Releases the host fonts and asks the host loop to end (through the host
// seam). Safe to call more than once.
void CloseDevice();

// Draws CP932 text on the fixed cell grid: a two-byte character takes the
// font's cell width w, a one-byte character w / 2, narrow glyphs centred in
// their cells. With kFontOnePiece the text is drawn in one run of the
// full-width font instead.
void DrawTextRun(int16_t x, int16_t y, const char* text, uint32_t colour, const FontSpec& font);
// Screen pixels from (left, top) to (right, bottom) inclusive.
struct ClipBox {
  int left, top, right, bottom;
};
// As DrawTextRun, setting only pixels inside `clip`: glyphs may reach
// beyond their cells, and a window's text must stay in its content area.
void DrawTextRunClipped(int16_t x, int16_t y, const char* text, uint32_t colour, const FontSpec& font,
                        const ClipBox& clip);
// A 1-pixel line from (x1, y1) towards (x2, y2); the end point is not set.
void DrawLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour);
// The outline through (x, y) and (x + width, y + height): width + 1 by
// height + 1 pixels.
void DrawFrame(int16_t x, int16_t y, int16_t width, int16_t height, uint32_t colour);
// Fills (x, y) to (x + width, y + height) inclusive; nothing when
// x + width <= 0 or y + height <= 0.
void FillBox(int16_t x, int16_t y, int16_t width, int16_t height, uint32_t colour);
void SetDot(int16_t x, int16_t y, uint32_t colour);
// The pixel's colour; 0 outside the screen.
uint32_t GetDot(int16_t x, int16_t y);
// A dotted rectangle from (x, y) to (x + width, y + height) drawn by
// inverting, remembered; RedrawFocus draws it once more, which removes it.
void DrawFocus(int16_t x, int16_t y, int16_t width, int16_t height);
void RedrawFocus();
// Copies count bytes; overlapping areas are handled.
inline void MoveBytes(const void* source, void* destination, size_t count) {
  std::memmove(destination, source, count);
}

// Counters for tests: how often the host fonts were rebuilt.
uint32_t HostFontBuilds();

}  // namespace vadu
