// TextTask (task 18): the editor behind every input line (kind 3) and text
// area (kind 26) of the window objects. It keeps one active object, the one
// with the keyboard focus; key events edit that object's text, the cursor
// blinks on the second tick, and the finished line of a one-line input goes
// to the text's owner task as a string event (0x501).
//
// Where things are kept. The view of an object (first line and column
// shown, visible rows and columns) is in its TextAreaFields; the cursor and
// the text flags (focus, one-line, read-only, half-width, digits only,
// keyword colouring, blink phase, where the cursor stands) are in the text
// object (text/text.h). The cursor line counts from the view's first line;
// the cursor column is a display column of the line: a tab takes the tab
// width of cells and a two-byte character two. Every field is read through
// checks and clamped into the object's window and the text, so a damaged
// record can neither draw outside the object nor edit outside the text.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

// One step of the text task: its events (system ready, pointer press,
// key, second tick, object event, window activated); with no event for it,
// the focus is dropped once the active object's window has closed.
void TextTask(Handle task);

// Gives the focus to the window's text object with that number (a text
// area first, else an input line). The one that had it loses its focus
// flag and its cursor is drawn in the light look; the new one's cursor is
// drawn in the dark look (not when nothing had the focus). The object, or
// none ("change textでみつかりません。window name %s" printed, a line logged).
Handle ChangeText(Handle window, int16_t number);

// One key for the active object, as the key event carries it: the key byte
// (an engine key code or a character), the second byte of a two-byte
// character (else 0) and the modifier bits (platform/input.h).
void EditTask(uint8_t key, uint8_t trail, uint32_t modifiers);

// Draws the object's cursor cell: filled with `fill`, the character under
// it in `ink`. Nothing is drawn unless the object's parent window is
// drawable and the cursor lies in the view; the cursor itself is first put
// back on the text and the cursor flags (on a two-byte character, past the
// line's end) brought up to date.
void CursorDraw(Handle object, uint32_t fill, uint32_t ink);

// The object with the focus, or none.
Handle ActiveTextObject();

// The window objects' seams (window/object_seams.h): a text area's whole
// content, and an input line's cursor after the input was drawn.
void DrawTextArea(Handle object);
void DrawInputCursor(Handle object);

// Back to the state before start-up (tests).
void ResetTextTask();

}  // namespace vadu
