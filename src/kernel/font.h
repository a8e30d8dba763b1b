// Engine fonts: 44-byte records of the "Font" resource that describe how
// text is drawn (cell width, height, style); the graphics device turns them
// into host fonts. Start-up makes four fonts from VADU.ini: the system font
// (number 0, the dialogs and menus are measured in it) and fonts 1 to 3, of
// which DEFAULT_FONT picks the one every new GC starts with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pool.h"
#include "core/types.h"
#include "platform/device.h"

namespace vadu {

inline constexpr int kFontRecordSize = 44;

struct FontRecord {
  int16_t number;  // 0 the system font, 1-3 the configured fonts; other fonts 0
  uint16_t style;  // kFontOnePiece, kFontItalic
  char name[22];   // optional; empty for the fonts the system makes
  int16_t width;   // cell width of a two-byte character; a one-byte character takes width / 2
  int16_t height;  // character height
  int16_t zero30[3];
  uint32_t zero36[2];
};
static_assert(sizeof(FontRecord) == kFontRecordSize);
static_assert(offsetof(FontRecord, name) == 4);
static_assert(offsetof(FontRecord, width) == 26);
static_assert(offsetof(FontRecord, height) == 28);
static_assert(offsetof(FontRecord, zero36) == 36);

// The font record of a handle, or nullptr when it is not an active full-size
// record of the "Font" resource. Valid until the next allocation.
FontRecord* FontView(Handle font);

// Makes a font record: number 0, the cell size and style given, the name
// copied (cut to 21 characters) when one is passed. None, after logging
// "CreateFont() error!", when the record cannot be made.
Handle CreateFont(int16_t width, int16_t height, uint16_t style, const char* name);

// Start-up: font 1 (FONT1_SIZEX x FONT1_SIZEY, style 2), fonts 2 and 3
// (style 0) and the system font 0 (FONT_SIZEX x FONT_SIZEY), in that order,
// then the default font. A missing size (or one below 1) takes the system
// font's; the system font's own default is 16 x 16. DEFAULT_FONT outside 1-3
// (or missing) shows "指定フォント異常" in the host message box and picks
// font 2. False when a font record cannot be made.
bool CreateStartupFonts();
// Font `number` (0-3) of start-up, or none.
Handle StartupFont(int number);
Handle SystemFont();
// The font every new GC starts with (none before start-up).
Handle DefaultFont();

// What the device needs of a font record; false (spec untouched) when the
// handle is not a font. The identity is the handle.
bool FontSpecOf(Handle font, FontSpec& spec);

// Draws CP932 text on the screen at (x, y) with an engine font (none, or a
// handle that is not a font, draws nothing).
void DrawText(int16_t x, int16_t y, const char* text, uint32_t colour, Handle font);

// Back to the state before start-up (tests).
void ResetFonts();

}  // namespace vadu
