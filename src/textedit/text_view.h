// What the text task's files share among themselves (not for other parts
// of the engine: they use textedit/text_task.h): an object's view read from
// its records and clamped, the characters of a line in display columns, and
// the drawing of cells, rows, scrolls and the cursor.
#pragma once

#include <cstdint>
#include <string>

#include "core/types.h"

namespace vadu::textedit {

// The longest line the editor makes, in cells: cursor columns are 16-bit.
inline constexpr int kMaxColumns = 32000;
// Cells start this many pixels inside the object's window.
inline constexpr int kMargin = 2;

// One view of an object, read by LoadArea: handles and values only, so it
// stays good when the pool moves. The cursor is kept here as the editing
// steps move it and written back by StoreArea.
struct Area {
  Handle object = kNoHandle;
  Handle window = kNoHandle;  // the object's own window
  Handle parent = kNoHandle;  // the window the object belongs to
  Handle gc = kNoHandle;
  Handle text = kNoHandle;
  int16_t kind = 0;
  bool one_line = false;
  uint32_t mode = 0;  // the text's flags when read
  int half = 8;       // cell width of a one-byte character
  int height = 16;    // line height
  int rows = 1;       // visible rows: whole cells inside the window (at least 1)
  int columns = 0;    // visible columns, likewise
  int32_t top = 0;    // first line shown
  int first = 0;      // first column shown
  int32_t max_line = 0;
  int tab = 4;
  uint32_t face = 0, light = 0, shadow = 0, ink = 0;
  int row = 0;  // cursor row of the view
  int col = 0;  // cursor column of its line (display column)
  // The bytes of the line read last (ReadLine), until the text is edited
  // (InsertText, EraseText): a key reads its line several times, and a
  // lookup of a line that runs on into a further block rescans the text.
  mutable int32_t read_y = -1;
  mutable std::string read_bytes;

  int32_t line() const { return top + row; }
};

// The task's own state: its record and the object with the focus.
struct TaskState {
  Handle task = kNoHandle;
  Handle active = kNoHandle;
};
TaskState& State();

// True for an input line or a text area over a live text.
bool IsTextObject(Handle object);
// Reads the object's view and cursor, each clamped: rows and columns to the
// whole cells inside its window, the first line to the text, the cursor row
// to the view and the text, columns to kMaxColumns. A one-line input shows
// line 0 from column 0. False when the object is no text object (or has no
// window or gc).
bool LoadArea(Handle object, Area& a);
// Writes the view and the cursor back to the records.
void StoreArea(const Area& a);

// Sets or clears bits of the text's flags (and of a.mode).
void SetTextFlags(Area& a, uint32_t bits, bool on);

// One character of a line: its first byte and length, the display column
// it starts at and the cells it takes. At the line's end: length 0, cells 0.
struct Char {
  int byte = 0;
  int len = 0;
  int col = 0;
  int cells = 0;
  bool tab = false;
};
// The character whose cells hold display column `col` of the line's bytes
// (the line's end when col lies past it).
Char CharAt(const std::string& line, int tab, int col);
// The display width of a line.
int DisplayWidth(const std::string& line, int tab);
// The bytes of line y (up to its newline, tabs kept). False for a line the
// text does not have.
bool ReadLine(const Area& a, int32_t y, std::string& line);
// Puts the cursor column on the start of the character it stands on, at
// most the line's end.
void SnapCursor(Area& a, const std::string& line);

// The cursor's looks.
enum class Look { kState, kPlain, kLight, kDark };
// Puts the cursor back on the text, brings the cursor flags up to date and
// draws the cell in the look (kState draws nothing). Stores the cursor.
void DrawCursor(Area& a, Look look);
// The cell filled with `fill`, its character in `ink`.
void DrawCursorColours(Area& a, uint32_t fill, uint32_t ink);

// Paints view cells [from, to) of a row from its line: filled with the face
// colour, characters that lie wholly in the view drawn (in the keyword
// colours with keyword colouring). Widened to whole characters.
void PaintCells(const Area& a, int row, int from, int to);
// Paints the rows from `row` to the last.
void PaintRowsFrom(const Area& a, int row);
// A full redraw: an input line as the window objects draw it, a text area
// cleared to the face colour with every visible line.
void RedrawArea(const Area& a);
// Scrolls the view by n lines / columns (negative: back): by one (two
// columns) with a rectangle copy and the uncovered row or columns drawn,
// further with a full redraw. The caller keeps the result inside the text.
void ScrollLines(Area& a, int n);
void ScrollColumns(Area& a, int n);
// After an edit in a row at column `col`: what followed the `old_cells` of
// the edited character moves to follow `new_cells`; the new cells and the
// cells freed at the right are painted.
void RepaintEdit(const Area& a, int col, int old_cells, int new_cells);
// Scrolls a text area sideways so the cursor cell is in view.
void EnsureVisible(Area& a);
// True while the object's parent window may be drawn into.
bool ParentDrawable(const Area& a);

// Edits of line y at byte `byte` of the line: inserts `count` characters,
// erases `count` bytes. `newlines` is what the edit adds to the line count,
// which the text keeps in step. 0, or 1 when nothing changed.
int InsertText(const Area& a, int32_t y, int32_t byte, const char* chars, int32_t count, int newlines);
int EraseText(const Area& a, int32_t y, int32_t byte, int32_t count, int newlines);

}  // namespace vadu::textedit
