// The text rasteriser behind DrawTextRun (device.h): FreeType glyphs from the
// IPA fonts, found with fontconfig, cached, and blended onto the screen with
// their anti-aliased coverage.
//
// Faces: the full-width font is IPA Mincho drawn bold; the one-byte font and
// the half-width kana font are IPA Gothic (the kana font bold, as the
// full-width one). Sizes follow the engine font's cell: every face is scaled
// so that its ascender plus descender is the height h; the full-width font
// keeps its natural width, the other two are scaled horizontally so that a
// half-width glyph is w/2 - 1 pixels wide.
//
// Baseline: text is drawn with (x, y) as the top left of the cell. The
// baseline lies at y + round(h * ascender / (ascender + descender)), so the
// cell spans rows y .. y + h - 1 (for the IPA fonts the baseline is at
// y + round(0.88 h)).
//
// When fontconfig finds no file for either face, one line goes to standard
// error ("vadu: font ... not found: text is not drawn") and text calls draw
// nothing; the cells still advance.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vadu {

// Unicode code point of a CP932 character (trail 0 for a one-byte
// character); 0 when it has none or is a control character. Built lazily
// from iconv, one conversion per distinct character.
uint32_t Cp932CodePoint(uint8_t lead, uint8_t trail);

// Forgets the engine font the host fonts were made from, so the next text
// makes them again (OpenDevice).
void ForgetHostFonts();
// Frees the host fonts, the faces, the glyph cache and the character table
// (CloseDevice). The next text call opens everything again.
void ReleaseTextRaster();

// For tests: the font families looked up for the full-width and the
// one-byte faces (nullptr: the IPA defaults). Takes effect at the next text
// call; the faces are looked up again.
void SetTextFontFamilies(const char* full_width, const char* one_byte);

// Glyph cache statistics, for tests and benchmarks.
struct GlyphCacheStats {
  uint64_t hits = 0;
  uint64_t misses = 0;
  size_t entries = 0;
  size_t bytes = 0;
};
GlyphCacheStats GetGlyphCacheStats();

}  // namespace vadu
