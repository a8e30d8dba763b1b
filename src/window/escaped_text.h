// Drawing message texts that carry text escapes (data/escape.h): line
// breaks, a colour per line, typewriter output and separator rules. The
// system dialogs and application messages draw through it.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// Draws the text line by line into the window, the first line at (x, y),
// each following one the character height of the gc's font lower. Of each
// line's leading escapes, in this order: \c with its letter colours the line
// (R or r colour table entry 2, G or g entry 5, B or b entry 3; another
// letter keeps the gc's text colour); \w types this and every later line
// out, one character per full-width cell with a 0.3 s pause after each,
// until a mouse button (or a key) cuts the pauses short; \l draws a
// separator rule (shadow colour at y + 10, light colour at y + 9, from x to
// the window width - 10) instead of the line's text. The lines are drawn
// with WinMessageColor. A newline ends the text. Returns 1.
int DrawEscapedText(Handle window, int16_t x, int16_t y, const char* text, Handle gc);

}  // namespace vadu
