// EditTask: what each key does to the active object. Movement and paging,
// then (unless the text is read only) escape, tab, enter, delete, backspace
// and typed characters, one- and two-byte; the cursor is hidden (plain
// look) first and shown (dark look) last.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/log.h"
#include "core/pool.h"
#include "core/strings.h"
#include "kernel/event.h"
#include "platform/cp932.h"
#include "platform/input.h"
#include "text/text.h"
#include "textedit/text_task.h"
#include "textedit/text_view.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {

using namespace textedit;

namespace textedit {
namespace {

// True when text_point reaches byte `byte` of line y exactly: it follows a
// line into the block after the line's own and no further, so a longer line
// (or one broken by an emptied block) is edited by rewriting the text.
bool Reachable(Handle text, int32_t y, int32_t byte) {
  const TextPos start = TextPoint(text, y);
  if (!start.found()) return false;
  const int32_t here = TextBlockLength(start.block);
  if (here < 0) return false;
  const int32_t left = here - start.offset;
  if (byte <= left) return true;
  const Handle next = NextTextBlock(text, start.block);
  const int32_t there = next != kNoHandle ? TextBlockLength(next) : -1;
  return there >= 0 && byte - left <= there;
}

// The edit done on a copy of the whole text, which then becomes the text
// (its line count with it).
int Rewrite(Handle text, int32_t y, int32_t byte, int32_t erase, const char* chars, int32_t count) {
  const int32_t at = TextOffsetOf(text, TextPoint(text, y));
  const int32_t length = TextLength(text);
  if (at < 0 || length < 0) return 1;
  std::string all(static_cast<size_t>(length) + 1, '\0');
  const int32_t n = CopyText(text, all.data(), all.size());
  all.resize(static_cast<size_t>(std::max(n, 0)));
  const size_t pos = std::min(static_cast<size_t>(at) + static_cast<size_t>(byte), all.size());
  all.erase(pos, std::min(static_cast<size_t>(std::max(erase, 0)), all.size() - pos));
  if (count > 0) all.insert(pos, chars, static_cast<size_t>(count));
  return SetTextContent(text, all.data(), static_cast<int32_t>(all.size()));
}

void AddLines(Handle text, int newlines) {
  if (TextObject* t = TextView(text)) t->max_line = std::max(t->max_line + newlines, 0);
}

}  // namespace

int InsertText(const Area& a, int32_t y, int32_t byte, const char* chars, int32_t count, int newlines) {
  a.read_y = -1;
  if (!Reachable(a.text, y, byte)) return Rewrite(a.text, y, byte, 0, chars, count);
  if (text_insert(a.text, byte, y, chars, count) != 0) return 1;
  AddLines(a.text, newlines);
  return 0;
}

int EraseText(const Area& a, int32_t y, int32_t byte, int32_t count, int newlines) {
  a.read_y = -1;
  if (!Reachable(a.text, y, byte)) return Rewrite(a.text, y, byte, count, nullptr, 0);
  if (text_erase(a.text, byte, y, count) != 0) return 1;
  AddLines(a.text, newlines);
  return 0;
}

}  // namespace textedit

namespace {

// Engine key codes of the keys the editor knows (platform/input.h, and the
// control characters of paging).
constexpr uint8_t kKeyPageBack = 3;
constexpr uint8_t kKeyPageForward = 4;
// The longest line a one-line input sends to its owner.
constexpr size_t kSentMax = 99;
// The input every tab and enter of a one-line input moves the focus to.
constexpr int16_t kFirstInput = 1;

bool IsPrintable(uint8_t key) {
  return (key >= 0x20 && key <= 0x7E) || IsHalfWidthKana(key);
}

// A two-byte character typed: its lead byte (the user-defined rows past
// 0xEF are not taken).
bool IsTwoByteKey(uint8_t key) {
  return (key >= 0x81 && key <= 0x9F) || (key >= 0xE0 && key <= 0xEF);
}

// pos_tab: the column the tab under the cursor starts at, -1 when the
// cursor is not on a tab (or at the line's end), -2 without a line.
int pos_tab(const std::string* line, const Area& a) {
  if (line == nullptr) {
    WriteLog("pos_tab() request error text is NULL");
    return -2;
  }
  const Char c = CharAt(*line, a.tab, a.col);
  return c.tab ? c.col : -1;
}

// byte_att: 1 on the first byte of a two-byte character, 2 on the second,
// 0 on a one-byte character, -1 at the line's end; -2 without a line.
int byte_att(const std::string* line, const Area& a) {
  if (line == nullptr) {
    WriteLog("byte_att() is request string is NULL");
    return -2;
  }
  const Char c = CharAt(*line, a.tab, a.col);
  if (c.len == 0) return -1;
  if (c.len == 2) return c.col == a.col ? 1 : 2;
  return 0;
}

// The cursor's line, or nullptr (after pos_tab's line) when the text lacks it.
const std::string* CursorLine(const Area& a, std::string& line) {
  if (ReadLine(a, a.line(), line)) return &line;
  pos_tab(nullptr, a);
  return nullptr;
}

// After the cursor changed lines: its column kept, on the new line.
void OntoLine(Area& a) {
  std::string line;
  ReadLine(a, a.line(), line);
  SnapCursor(a, line);
}

void MoveLeft(Area& a) {
  std::string buffer;
  const std::string* line = CursorLine(a, buffer);
  if (line == nullptr) return;
  const int t = pos_tab(line, a);
  // Back over the tab whose span the cursor is in, else over one character
  // (two cells for a two-byte character).
  int col = t >= 0 && t != a.col ? t - 1 : a.col - (byte_att(line, a) == 2 ? 2 : 1);
  if (col >= 0) {
    a.col = CharAt(*line, a.tab, col).col;
    return;
  }
  if (a.one_line || a.line() == 0) {
    a.col = 0;
    return;
  }
  // To the end of the line before; the view follows (EnsureVisible).
  if (a.row == 0) {
    ScrollLines(a, -1);
  } else {
    --a.row;
  }
  std::string before;
  ReadLine(a, a.line(), before);
  col = DisplayWidth(before, a.tab);
  a.col = col;
}

void MoveRight(Area& a) {
  std::string buffer;
  const std::string* line = CursorLine(a, buffer);
  if (line == nullptr) return;
  const Char c = CharAt(*line, a.tab, a.col);
  if (c.len > 0) {
    // Over a tab's whole span, a two-byte character's two cells.
    a.col = c.col + c.cells;
    return;
  }
  if (a.one_line || a.line() >= a.max_line) return;
  // Past the line's end: column 0 of the next line.
  a.col = 0;
  const bool last_row = a.row >= a.rows - 1;
  if (a.first > 0) {
    a.first = 0;
    if (last_row) {
      ++a.top;
    } else {
      ++a.row;
    }
    RedrawArea(a);
  } else if (last_row) {
    ScrollLines(a, 1);
  } else {
    ++a.row;
  }
}

void MoveUp(Area& a, bool shift) {
  if (a.row > 0) {
    --a.row;
  } else if (a.top > 0) {
    // On the first row the view scrolls; with Shift all the way up.
    ScrollLines(a, shift ? -a.top : -1);
  }
  OntoLine(a);
}

void MoveDown(Area& a, bool shift) {
  if (a.row < a.rows - 1) {
    if (a.line() < a.max_line) ++a.row;
  } else if (a.top + a.rows <= a.max_line) {
    // On the last row the view scrolls while a line lies below it; with
    // Shift as far as the last line.
    ScrollLines(a, shift ? static_cast<int>(a.max_line - a.rows + 1 - a.top) : 1);
  }
  OntoLine(a);
}

// A page: the object's height in lines less two (at least one line).
int PageLines(const Area& a) {
  return std::max(WindowHeight(a.window) / a.height - 2, 1);
}

void PageForward(Area& a) {
  if (a.max_line < a.rows || a.top + a.rows >= a.max_line) return;
  a.top += PageLines(a);
  if (a.top + a.rows > a.max_line) a.top = a.max_line - a.rows;
  if (a.line() > a.max_line) a.row = static_cast<int>(a.max_line - a.top);
  OntoLine(a);
  RedrawArea(a);
}

void PageBack(Area& a) {
  if (a.max_line < a.rows || a.top <= 0) return;
  a.top = std::max<int32_t>(a.top - PageLines(a), 0);
  OntoLine(a);
  RedrawArea(a);
}

// input_alphabet: one character (one byte, or a two-byte character) typed
// at the cursor. With the Insert modifier it goes in front of the character
// under the cursor; without it replaces that character (at a line's end it
// is added).
void InputAlphabet(Area& a, const char* chars, int count, uint32_t modifiers) {
  std::string buffer;
  const std::string* line = CursorLine(a, buffer);
  if (line == nullptr) return;
  const Char c = CharAt(*line, a.tab, a.col);
  const bool replace = (modifiers & kModInsert) == 0 && c.len > 0;
  const int old_cells = replace ? c.cells : 0;
  const int width = DisplayWidth(*line, a.tab) - old_cells + count;
  if (a.one_line && width > a.columns) return;  // the one-line limit
  if (width > kMaxColumns) return;
  if ((a.mode & kTextDigitsOnly) != 0 && !(count == 1 && chars[0] >= '0' && chars[0] <= '9')) return;

  if (c.len == 0 && a.line() < a.max_line) WriteLog("ret WordInsert() for input_alphabet() in TextTask");
  // The new character goes in first and the old one out after it, so a
  // full pool loses neither.
  if (InsertText(a, a.line(), c.byte, chars, count, 0) != 0) return;
  if (replace) EraseText(a, a.line(), c.byte + count, c.len, 0);
  RepaintEdit(a, a.col, old_cells, count);
  a.col += count;
}

// Delete: the character under the cursor, or at a line's end its newline
// (the next line joins this one).
void DeleteKey(Area& a) {
  if (TextLength(a.text) <= 0) return;
  WriteLog("TEXTTASK  del key press");
  std::string line;
  if (ReadLine(a, a.line(), line)) {
    const Char c = CharAt(line, a.tab, a.col);
    if (c.len > 0) {
      if (EraseText(a, a.line(), c.byte, c.len, 0) == 0) RepaintEdit(a, a.col, c.cells, 0);
    } else if (a.line() < a.max_line && EraseText(a, a.line(), c.byte, 1, -1) == 0) {
      a.max_line = std::max(TextView(a.text)->max_line, 0);
      PaintRowsFrom(a, a.row);
    }
  } else {
    std::printf("TextDelete() error.\n");
    std::fflush(stdout);
  }
  WriteLog("...del key end");
}

// Backspace: back one character on the line, then as delete. At column 0
// the cursor stays, so the line's first character goes and the lines are
// not joined; at column 0 of line 0 nothing happens.
void BackspaceKey(Area& a) {
  WriteLog("press BS key");
  if (TextLength(a.text) <= 0 || (a.line() == 0 && a.col == 0)) return;
  if (a.col > 0) {
    std::string line;
    ReadLine(a, a.line(), line);
    a.col = CharAt(line, a.tab, a.col - 1).col;
  }
  DeleteKey(a);
  WriteLog("end BS");
}

// The focus to input 1 of the object's window; a failed try is made once
// more.
void FocusFirstInput(const Area& a) {
  if (ChangeText(a.parent, kFirstInput) == kNoHandle) ChangeText(a.parent, kFirstInput);
}

// Enter in a one-line input: the text is cut after its first line, which
// goes to the text's owner task (at most 99 bytes, never cut inside a
// two-byte character); the focus moves to input 1.
void SendLine(Area& a) {
  std::string line;
  ReadLine(a, 0, line);
  if (a.max_line > 0) {
    const int32_t rest = TextLength(a.text) - static_cast<int32_t>(line.size());
    if (EraseText(a, 0, static_cast<int32_t>(line.size()), rest, -a.max_line) == 0) {
      if (TextObject* t = TextView(a.text)) t->max_line = 0;
      a.max_line = 0;
    }
  }
  size_t n = 0;
  while (n < line.size()) {
    const size_t len = IsLeadByte(static_cast<unsigned char>(line[n])) && n + 1 < line.size() ? 2 : 1;
    if (n + len > kSentMax) break;
    n += len;
  }
  line.resize(n);
  const TextObject* t = TextView(a.text);
  const int32_t owner = t != nullptr ? t->owner_number : -1;
  SendStringEvent(State().task, owner, line.c_str());
  DrawCursor(a, Look::kLight);
  FocusFirstInput(a);
}

// Enter in a text area: a new line at the cursor, the cursor at its start.
void NewLine(Area& a) {
  std::string line;
  if (!ReadLine(a, a.line(), line)) return;
  const Char c = CharAt(line, a.tab, a.col);
  if (InsertText(a, a.line(), c.byte, "\n", 1, 1) != 0) return;
  a.max_line = TextView(a.text)->max_line;
  a.col = 0;
  const bool sideways = a.first != 0;
  a.first = 0;
  if (a.row + 1 < a.rows) {
    ++a.row;
    if (sideways) {
      RedrawArea(a);
    } else {
      PaintRowsFrom(a, a.row - 1);
    }
  } else if (sideways || a.rows < 2) {
    ++a.top;
    RedrawArea(a);
  } else {
    // The view scrolls up by the new line; the line cut at the cursor is
    // painted again.
    ScrollLines(a, 1);
    PaintCells(a, a.rows - 2, 0, a.columns);
  }
}

// Tab: in a one-line input the focus moves to input 1; in a text area a
// tab character goes in at the cursor.
void TabKey(Area& a) {
  if (a.one_line) {
    DrawCursor(a, Look::kLight);
    FocusFirstInput(a);
    return;
  }
  std::string line;
  if (!ReadLine(a, a.line(), line)) return;
  if (DisplayWidth(line, a.tab) + a.tab > kMaxColumns) return;
  const Char c = CharAt(line, a.tab, a.col);
  if (InsertText(a, a.line(), c.byte, "\t", 1, 0) != 0) return;
  RepaintEdit(a, a.col, 0, a.tab);
  a.col += a.tab;
}

// Two-byte input: with half-width input the character's one-byte form (a
// character without one is dropped), else the two bytes.
void TwoByteKey(Area& a, uint8_t lead, uint8_t trail, uint32_t modifiers) {
  WriteLog("TEXTTASK 2byte key press");
  // A lead byte without its second byte is no character.
  if (IsTrailByte(trail)) {
    char ch[3] = {static_cast<char>(lead), static_cast<char>(trail), '\0'};
    if ((a.mode & kTextHalfWidth) != 0) {
      if (ToHalfWidth(ch) == 1) InputAlphabet(a, ch, 1, modifiers);
    } else {
      InputAlphabet(a, ch, 2, modifiers);
    }
  }
  WriteLog("... 2byte key end");
}

}  // namespace

void EditTask(uint8_t key, uint8_t trail, uint32_t modifiers) {
  std::printf("EditTask rev key press!\n");
  std::fflush(stdout);
  TaskState& s = State();
  Area a;
  if (!LoadArea(s.active, a)) {
    s.active = kNoHandle;
    return;
  }
  if (!ParentDrawable(a)) return;
  DrawCursor(a, Look::kPlain);
  // The keyboard gives the asterisk as a code of its own.
  if (key == KEY_ASTERISK) key = '*';
  const bool shift = (modifiers & kModShift) != 0;

  switch (key) {
    case KEY_LEFT:
      MoveLeft(a);
      break;
    case KEY_RIGHT:
      MoveRight(a);
      break;
    case KEY_UP:
      MoveUp(a, shift);
      break;
    case KEY_DOWN:
      MoveDown(a, shift);
      break;
    case kKeyPageForward:
      PageForward(a);
      break;
    case kKeyPageBack:
      PageBack(a);
      break;
    case KEY_ESCAPE:
      // Not an edit: a read-only text lets go of the focus too.
      DrawCursor(a, Look::kLight);
      SetTextFlags(a, kTextFocus, false);
      s.active = kNoHandle;
      return;
    default:
      if ((a.mode & kTextReadOnly) != 0) break;
      if (IsTwoByteKey(key)) {
        TwoByteKey(a, key, trail, modifiers);
      } else if (key == KEY_TAB) {
        TabKey(a);
      } else if (key == KEY_RETURN) {
        WriteLogf("  body type %s   text type %s", Entry(a.object).tag, Entry(a.text).tag);
        if (a.one_line) {
          SendLine(a);
          return;
        }
        NewLine(a);
      } else if (key == KEY_DELETE) {
        DeleteKey(a);
      } else if (key == KEY_BACKSPACE) {
        BackspaceKey(a);
      } else if (IsPrintable(key)) {
        const char ch[2] = {static_cast<char>(key), '\0'};
        InputAlphabet(a, ch, 1, modifiers);
      }
      break;
  }
  // The object that has the focus now (a tab may have moved it) shows its
  // cursor, with the view scrolled sideways to it.
  if (s.active == a.object) {
    EnsureVisible(a);
    DrawCursor(a, Look::kDark);
    return;
  }
  Area now;
  if (!LoadArea(s.active, now)) return;
  EnsureVisible(now);
  DrawCursor(now, Look::kDark);
}

}  // namespace vadu
