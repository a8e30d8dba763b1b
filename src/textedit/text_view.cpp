// The text task's view of an object: reading and clamping its records, the
// characters of a line in display columns, and every drawing of cells,
// rows, scrolls and the cursor.
#include "textedit/text_view.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "core/pool.h"
#include "data/resource.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "text/text.h"
#include "window/draw.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu::textedit {
namespace {

// Words a token of a text area with keyword colouring may begin with, drawn
// in colour 3 of the colour table; comma-separated, comma-terminated.
constexpr char kKeywordList[] =
    "#include,#define,unsigned,signed,typedef,struct,union,float,double,long,short,char,void,"
    "int,/*,*/,";
constexpr int kKeywordColour = 3;

// The most lines the view's arithmetic counts with.
constexpr int32_t kMaxLines = 1 << 30;
// The longest line read for editing or display: a cell per byte at most.
constexpr size_t kLineBuffer = kMaxColumns + 8;

int16_t Clamp16(long v) {
  return static_cast<int16_t>(std::clamp<long>(v, INT16_MIN, INT16_MAX));
}

// A scratch buffer for line reads (the engine thread alone uses it).
char* Scratch() {
  static std::vector<char> buffer(kLineBuffer + 1);
  return buffer.data();
}

// The cells a character at byte i of the line takes, and its length.
Char CharHere(const std::string& s, size_t i, int tab, int col) {
  Char c;
  c.byte = static_cast<int>(i);
  c.col = col;
  const auto b = static_cast<unsigned char>(s[i]);
  if (b == '\t') {
    c.len = 1;
    c.cells = tab;
    c.tab = true;
  } else if (IsLeadByte(b) && i + 1 < s.size() && IsTrailByte(static_cast<unsigned char>(s[i + 1]))) {
    c.len = 2;
    c.cells = 2;
  } else {
    c.len = 1;
    c.cells = 1;
  }
  return c;
}

// The line as it is shown, one byte a cell (tabs as blanks, the newline as a
// blank), as far as `cells` cells: GetTextLine's copy. Empty for a line the
// text does not have.
std::string LineImage(const Area& a, int32_t y, int cells) {
  if (y < 0 || y > a.max_line) return {};
  if (y == a.read_y) {
    // The same copy from the line just read: tabs as blanks, cut after
    // the cells asked for (never inside a two-byte character). The blank
    // that stands for the newline is left out: a blank is never drawn.
    const size_t room = std::min<size_t>(static_cast<size_t>(std::max(cells, 0)) + 3, kLineBuffer);
    std::string image;
    const std::string& s = a.read_bytes;
    for (size_t i = 0; i < s.size();) {
      const Char c = CharHere(s, i, a.tab, 0);
      if (image.size() + static_cast<size_t>(c.cells) > room) break;
      if (c.tab) {
        image.append(static_cast<size_t>(c.cells), ' ');
      } else {
        image.append(s, i, static_cast<size_t>(c.len));
      }
      i += static_cast<size_t>(c.len);
    }
    return image;
  }
  const size_t size = std::min<size_t>(static_cast<size_t>(std::max(cells, 0)) + 4, kLineBuffer);
  char* buffer = Scratch();
  const int32_t n = GetTextLine(a.text, y, buffer, size);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// The colour of every cell of a shown line: the text colour, and in a text
// area with keyword colouring the keyword a token begins with in colour 3. Tokens are
// separated by blanks, ';' and ','.
std::vector<uint32_t> CellColours(const Area& a, const std::string& image) {
  std::vector<uint32_t> colours(image.size(), a.ink);
  // Input lines are drawn by the window objects, in one colour.
  if ((a.mode & kTextKeywords) == 0 || a.kind != kObjectTextArea) return colours;
  const auto separator = [](char c) { return c == ' ' || c == ';' || c == ','; };
  size_t i = 0;
  while (i < image.size()) {
    if (separator(image[i])) {
      ++i;
      continue;
    }
    size_t end = i;
    while (end < image.size() && !separator(image[end])) ++end;
    const size_t token = end - i;
    for (const char* w = kKeywordList; *w != '\0';) {
      const char* comma = std::strchr(w, ',');
      const size_t n = comma != nullptr ? static_cast<size_t>(comma - w) : std::strlen(w);
      if (n > 0 && n <= token && std::memcmp(image.data() + i, w, n) == 0) {
        std::fill(colours.begin() + static_cast<long>(i), colours.begin() + static_cast<long>(i + n),
                  ColourTable[kKeywordColour]);
        break;
      }
      w += n + (comma != nullptr ? 1 : 0);
    }
    i = end;
  }
  return colours;
}

int CellX(const Area& a, int view_col) {
  return kMargin + view_col * a.half;
}

int RowY(const Area& a, int row) {
  return kMargin + row * a.height;
}

// Fills `cells` cells of a row from view column `view_col`.
void FillCells(const Area& a, int row, int view_col, int cells, uint32_t colour) {
  if (cells <= 0) return;
  WinFillRectangleColor(a.window, Clamp16(CellX(a, view_col)), Clamp16(RowY(a, row)), Clamp16(cells * a.half - 1L),
                        Clamp16(a.height - 1L), colour);
}

// Draws characters at a view cell in the object gc's font: the object's
// window draws with its own gc's, which is the object's unless a creator
// gave the object another.
void DrawChars(const Area& a, int row, int view_col, const char* chars, uint32_t colour) {
  const Handle own = GetWindowGC(a.window);
  if (own != a.gc) SetWindowGC(a.window, a.gc);
  WinMessageColor(a.window, Clamp16(CellX(a, view_col)), Clamp16(RowY(a, row)), chars, colour);
  if (own != a.gc) SetWindowGC(a.window, own);
}

// Paints text columns [lo, hi) of a row (already widened to whole
// characters and inside the view).
void PaintColumns(const Area& a, int row, int lo, int hi, const std::string& image,
                  const std::vector<uint32_t>& colours) {
  FillCells(a, row, lo - a.first, hi - lo, a.face);
  std::string run;
  int run_col = 0;
  uint32_t run_colour = a.ink;
  const auto flush = [&] {
    if (!run.empty()) DrawChars(a, row, run_col - a.first, run.c_str(), run_colour);
    run.clear();
  };
  size_t i = 0;
  int col = 0;
  while (i < image.size() && col < hi) {
    // The image holds no tabs: every cell is one byte, a two-byte
    // character two.
    const Char c = CharHere(image, i, 1, col);
    const bool inside = c.col >= lo && c.col + c.cells <= hi;
    const bool blank = c.len == 1 && image[i] == ' ';
    if (!inside || blank || colours[i] != run_colour ||
        (!run.empty() && run_col + static_cast<int>(run.size()) != col)) {
      flush();
    }
    if (inside && !blank) {
      if (run.empty()) {
        run_col = col;
        run_colour = colours[i];
      }
      run.append(image, i, static_cast<size_t>(c.len));
    }
    i += static_cast<size_t>(c.len);
    col += c.cells;
  }
  flush();
}

// The object's line-cell area: columns x rows cells from (2, 2).
int CellsWidth(const Area& a) {
  return a.columns * a.half;
}

}  // namespace

bool IsTextObject(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  return o != nullptr && (o->kind == kObjectInput || o->kind == kObjectTextArea) && TextView(o->data) != nullptr &&
         TextAreaView(object) != nullptr;
}

bool LoadArea(Handle object, Area& a) {
  if (!IsTextObject(object)) return false;
  const ObjectRecord* o = ObjectView(object);
  a = Area{};
  a.object = object;
  a.window = o->window;
  a.parent = o->parent;
  a.kind = o->kind;
  a.text = o->data;
  a.gc = GCView(o->gc) != nullptr ? o->gc : GetWindowGC(o->window);
  const GCRecord* g = GCView(a.gc);
  if (g == nullptr || WindowView(a.window) == nullptr) return false;
  a.face = g->face;
  a.light = g->light;
  a.shadow = g->shadow;
  a.ink = g->text;
  if (const FontRecord* f = FontView(g->font); f != nullptr && f->width / 2 > 0 && f->height > 0) {
    a.half = f->width / 2;
    a.height = f->height;
  }

  TextObject* t = TextView(a.text);
  // A line count below 0 would refuse even line 0.
  if (t->max_line < 0) t->max_line = 0;
  a.mode = t->mode;
  a.one_line = (a.mode & kTextOneLine) != 0;
  // Kept far below the 32-bit end, so view arithmetic cannot overflow on
  // a damaged count (no text has a billion lines).
  a.max_line = std::min<int32_t>(t->max_line, kMaxLines);
  a.tab = std::max<int>(t->tab_width, 1);
  const int cursor_x = t->cursor_x;
  const int cursor_y = t->cursor_y;

  const TextAreaFields* f = TextAreaView(object);
  // Only cells that lie wholly inside the window: a character in a cell cut
  // by the window's edge would not be drawn at all.
  const int width = WindowWidth(a.window), height = WindowHeight(a.window);
  a.columns = std::clamp<int>(f->columns, 0, std::max(0, (width - kMargin) / a.half));
  // At least the cursor's row, even where no whole row fits.
  a.rows = std::clamp<int>(f->rows, 1, std::max(1, (height - kMargin) / a.height));
  if (a.one_line) {
    a.rows = std::min(a.rows, 1);
  } else {
    a.top = std::clamp<int32_t>(f->top_line, 0, a.max_line);
    a.first = std::clamp<int>(f->first_column, 0, kMaxColumns);
  }
  a.row = std::clamp(cursor_y, 0, a.rows - 1);
  if (a.line() > a.max_line) a.row = static_cast<int>(a.max_line - a.top);
  a.col = std::clamp(cursor_x, 0, kMaxColumns);
  return true;
}

void StoreArea(const Area& a) {
  if (TextAreaFields* f = TextAreaView(a.object)) {
    f->top_line = a.top;
    f->first_column = Clamp16(a.first);
  }
  if (TextObject* t = TextView(a.text)) {
    t->cursor_x = Clamp16(a.col);
    t->cursor_y = Clamp16(a.row);
  }
}

void SetTextFlags(Area& a, uint32_t bits, bool on) {
  TextObject* t = TextView(a.text);
  if (t == nullptr) return;
  if (on) {
    t->mode |= bits;
  } else {
    t->mode &= ~bits;
  }
  a.mode = t->mode;
}

Char CharAt(const std::string& line, int tab, int col) {
  size_t i = 0;
  int c = 0;
  while (i < line.size()) {
    const Char here = CharHere(line, i, tab, c);
    if (col < c + here.cells) return here;
    c += here.cells;
    i += static_cast<size_t>(here.len);
  }
  Char end;
  end.byte = static_cast<int>(line.size());
  end.col = c;
  return end;
}

int DisplayWidth(const std::string& line, int tab) {
  return CharAt(line, tab, INT32_MAX).col;
}

bool ReadLine(const Area& a, int32_t y, std::string& line) {
  line.clear();
  if (y < 0 || y > a.max_line) return false;
  if (y == a.read_y) {
    line = a.read_bytes;
    return true;
  }
  const TextPos start = TextPoint(a.text, y);
  if (!start.found()) return false;
  char* buffer = Scratch();
  const int32_t n = CopyTextLine(a.text, start, buffer, kLineBuffer);
  if (n < 0) return false;
  line.assign(buffer, static_cast<size_t>(n));
  a.read_y = y;
  a.read_bytes = line;
  return true;
}

void SnapCursor(Area& a, const std::string& line) {
  a.col = CharAt(line, a.tab, a.col).col;
}

bool ParentDrawable(const Area& a) {
  return TestWindowMode(a.parent, WINDOWdrawable) != 0;
}

namespace {

// The cursor cell: the cursor put back on the text and its flags, then,
// when `draw`, the cell filled and its character drawn.
void CursorCell(Area& a, bool draw, uint32_t fill, uint32_t ink, bool plain) {
  std::string line;
  if (!ReadLine(a, a.line(), line)) {
    const TextObject* t = TextView(a.text);
    WriteLogf("CursorDraw() TextPoint ret is NULL top %x now %x Req Y %d", t != nullptr ? t->top_block : 0,
              t != nullptr ? t->cached_block : 0, static_cast<int>(a.line()));
    return;
  }
  SnapCursor(a, line);
  const Char c = CharAt(line, a.tab, a.col);
  SetTextFlags(a, kTextCursorLead | kTextCursorTrail | kTextPastLineEnd, false);
  if (c.len == 2) SetTextFlags(a, kTextCursorLead, true);
  if (c.len == 0) SetTextFlags(a, kTextPastLineEnd, true);
  StoreArea(a);

  const int view_col = a.col - a.first;
  if (!draw || !ParentDrawable(a) || a.row < 0 || a.row >= a.rows || view_col < 0 || view_col >= a.columns) return;
  // A two-byte character is drawn over both its cells when both are in
  // view; a tab shows a blank at its first cell, so does the line's end.
  const bool pair = c.len == 2 && view_col + 1 < a.columns;
  char glyph[3] = {' ', '\0', '\0'};
  if (pair) {
    glyph[0] = line[static_cast<size_t>(c.byte)];
    glyph[1] = line[static_cast<size_t>(c.byte) + 1];
  } else if (c.len == 1 && !c.tab) {
    glyph[0] = line[static_cast<size_t>(c.byte)];
  }
  if (plain && (a.mode & kTextKeywords) != 0) {
    // The character keeps its keyword colour.
    const std::string image = LineImage(a, a.line(), a.col + 2);
    const std::vector<uint32_t> colours = CellColours(a, image);
    if (static_cast<size_t>(a.col) < colours.size()) ink = colours[static_cast<size_t>(a.col)];
  }
  FillCells(a, a.row, view_col, pair ? 2 : 1, fill);
  if (glyph[0] != ' ') DrawChars(a, a.row, view_col, glyph, ink);
}

}  // namespace

void DrawCursorColours(Area& a, uint32_t fill, uint32_t ink) {
  CursorCell(a, true, fill, ink, false);
}

void DrawCursor(Area& a, Look look) {
  switch (look) {
    case Look::kState:
      CursorCell(a, false, 0, 0, false);
      break;
    case Look::kPlain:
      CursorCell(a, true, a.face, a.ink, true);
      break;
    case Look::kLight:
      CursorCell(a, true, a.light, a.face, false);
      break;
    case Look::kDark:
      CursorCell(a, true, a.shadow, a.face, false);
      break;
  }
}

void PaintCells(const Area& a, int row, int from, int to) {
  from = std::max(from, 0);
  to = std::min(to, a.columns);
  if (row < 0 || row >= a.rows || from >= to) return;
  const std::string image = LineImage(a, a.top + row, a.first + a.columns);
  const std::vector<uint32_t> colours = CellColours(a, image);
  // Widen to the characters that overlap the ends, within the view.
  int lo = a.first + from, hi = a.first + to;
  size_t i = 0;
  int col = 0;
  while (i < image.size() && col < hi) {
    const Char c = CharHere(image, i, 1, col);
    if (c.col < lo && c.col + c.cells > lo) lo = c.col;
    if (c.col < hi && c.col + c.cells > hi) hi = c.col + c.cells;
    i += static_cast<size_t>(c.len);
    col += c.cells;
  }
  lo = std::max(lo, a.first);
  hi = std::min(hi, a.first + a.columns);
  PaintColumns(a, row, lo, hi, image, colours);
}

void PaintRowsFrom(const Area& a, int row) {
  for (int r = std::max(row, 0); r < a.rows; ++r) PaintCells(a, r, 0, a.columns);
}

void RedrawArea(const Area& a) {
  if (!ParentDrawable(a)) return;
  if (a.kind == kObjectInput) {
    // The input's own look: face, sunken edge, its line, then the cursor.
    StoreArea(a);
    DrawInputMessage(a.object);
    return;
  }
  WinFill(a.window, a.face);
  PaintRowsFrom(a, 0);
}

void ScrollLines(Area& a, int n) {
  if (n == 0) return;
  a.top += n;
  if (!ParentDrawable(a)) return;
  if ((n == 1 || n == -1) && a.rows > 1) {
    const int band = (a.rows - 1) * a.height;
    const int width = CellsWidth(a) - 1;
    if (n > 0) {
      WinCopyArea(a.window, kMargin, Clamp16(kMargin + a.height), Clamp16(width), Clamp16(band - 1), kMargin, kMargin);
      PaintCells(a, a.rows - 1, 0, a.columns);
    } else {
      WinCopyArea(a.window, kMargin, kMargin, Clamp16(width), Clamp16(band - 1), kMargin, Clamp16(kMargin + a.height));
      PaintCells(a, 0, 0, a.columns);
    }
    return;
  }
  RedrawArea(a);
}

void ScrollColumns(Area& a, int n) {
  if (n == 0) return;
  a.first += n;
  if (!ParentDrawable(a)) return;
  const int moved = a.columns - std::abs(n);
  // Rows below the text's last line are blank and stay so.
  const int rows = static_cast<int>(std::clamp<int32_t>(a.max_line - a.top + 1, 0, a.rows));
  if (std::abs(n) <= 2 && moved > 0) {
    if (rows == 0) return;
    const int band = rows * a.height - 1;
    const int width = moved * a.half - 1;
    if (n > 0) {
      WinCopyArea(a.window, Clamp16(CellX(a, n)), kMargin, Clamp16(width), Clamp16(band), kMargin, kMargin);
    } else {
      WinCopyArea(a.window, kMargin, kMargin, Clamp16(width), Clamp16(band), Clamp16(CellX(a, -n)), kMargin);
    }
    // The uncovered columns, and each edge cell, where a two-byte
    // character may now be cut by the view's edge.
    for (int r = 0; r < rows; ++r) {
      if (n > 0) {
        PaintCells(a, r, moved - 1, a.columns);
        PaintCells(a, r, 0, 1);
      } else {
        PaintCells(a, r, 0, -n + 1);
        PaintCells(a, r, a.columns - 1, a.columns);
      }
    }
    return;
  }
  RedrawArea(a);
}

void RepaintEdit(const Area& a, int col, int old_cells, int new_cells) {
  if (!ParentDrawable(a)) return;
  const int view_col = col - a.first;
  if ((a.mode & kTextKeywords) != 0 || view_col < 0 || view_col >= a.columns) {
    // A keyword may have begun or ended anywhere in the line.
    PaintCells(a, a.row, 0, a.columns);
    return;
  }
  const int delta = new_cells - old_cells;
  const int tail = view_col + old_cells;  // what followed the edited character
  const int y = RowY(a, a.row);
  if (delta > 0) {
    const int cells = a.columns - delta - tail;
    if (cells > 0) {
      WinCopyArea(a.window, Clamp16(CellX(a, tail)), Clamp16(y), Clamp16(cells * a.half - 1L), Clamp16(a.height - 1L),
                  Clamp16(CellX(a, tail + delta)), Clamp16(y));
    }
  } else if (delta < 0) {
    const int cells = a.columns - tail;
    if (cells > 0) {
      WinCopyArea(a.window, Clamp16(CellX(a, tail)), Clamp16(y), Clamp16(cells * a.half - 1L), Clamp16(a.height - 1L),
                  Clamp16(CellX(a, tail + delta)), Clamp16(y));
    }
  }
  PaintCells(a, a.row, view_col, view_col + std::max(new_cells, 1));
  // The cells freed or cut at the right end of the view.
  if (delta != 0) PaintCells(a, a.row, std::min(a.columns + delta, a.columns) - 2, a.columns);
}

void EnsureVisible(Area& a) {
  if (a.one_line || a.columns <= 0) return;
  std::string line;
  ReadLine(a, a.line(), line);
  const Char c = CharAt(line, a.tab, a.col);
  const int cells = c.len == 2 ? 2 : 1;
  int want = a.first;
  if (a.col < a.first) {
    want = a.col;
  } else if (a.col + cells > a.first + a.columns) {
    want = a.col + cells - a.columns;
  }
  const int shift = want - a.first;
  if (shift == 0) return;
  if (shift >= -2 && shift <= 2) {
    ScrollColumns(a, shift);
    return;
  }
  // A jump: the view goes to the multiple of its width that holds the cursor.
  a.first = (a.col / a.columns) * a.columns;
  if (a.col + cells > a.first + a.columns) a.first = a.col + cells - a.columns;
  RedrawArea(a);
}

}  // namespace vadu::textedit
