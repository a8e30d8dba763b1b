// The text buffer: finding lines and columns, inserting and deleting across
// blocks, searching and replacing.
//
// The cache. Every lookup leaves the text's cached block at the block of its
// result, with the newlines in front of that block as the cached line. An
// edit changes characters only at or after its own place, so the newlines in
// front of the place's block, and the cache, stay right; a later lookup of a
// line beyond the cached one starts from there.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/strings.h"
#include "data/resource.h"
#include "platform/cp932.h"
#include "text/text.h"
#include "text/text_internal.h"

namespace vadu {

using namespace text_detail;

namespace {

// LineWidth stops counting once a line is wider than this.
constexpr int32_t kLineWidthLimit = 1024;

int16_t Clamp16(int64_t v) {
  return static_cast<int16_t>(std::clamp<int64_t>(v, INT16_MIN, INT16_MAX));
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The first character of line y (TextPoint).
bool LocateLine(Handle text, Handle resource, int32_t y, Found& out) {
  const TextObject* v = TextView(text);
  const Handle top = v->top_block;
  if (y < 0 || !IsBlock(resource, top)) {
    WriteLogf("TextPoint() request is error! Y %d top adr0x%x", y, top);
    WriteLogf("      Text obj ID %d   mode %x  type %.2s", v->owner_number, v->mode, Entry(text).tag);
    return false;
  }
  if (y > v->max_line) {
    WriteLogf("TextPoint()でmax_line(%d)over  %dline.", v->max_line, y);
    return false;
  }
  Found f{{top, 0}, 0};
  // Forward from the cached block when line y lies beyond it; the cache is
  // trusted only while it names a block of this text and a line the text
  // can have.
  if (y > v->cached_line && v->cached_line >= 0 && v->cached_line <= v->max_line &&
      IsBlock(resource, v->cached_block)) {
    f = {{v->cached_block, 0}, v->cached_line};
  }
  if (y > 0) {
    int32_t line = f.block_line;
    uint32_t limit = WalkLimit(resource);
    for (;;) {
      const char* chars = BlockChars(f.pos.block);
      const char* end = chars + BlockLen(f.pos.block);
      const char* p = chars;
      while (line < y) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (nl == nullptr) break;
        p = nl + 1;
        ++line;
      }
      if (line == y) {
        f.pos.offset = static_cast<int32_t>(p - chars);
        break;
      }
      const Handle next = NextBlockOf(resource, f.pos.block);
      if (next == kNoHandle || --limit == 0) {
        WriteLog("TextPoint() next block error!");
        return false;
      }
      f = {{next, 0}, line};
    }
  }
  Normalize(resource, f);
  SetCache(text, f);
  out = f;
  return true;
}

// Column x of line y (text_point).
bool LocateColumn(Handle text, Handle resource, int32_t x, int32_t y, Found& out) {
  Found f;
  if (!LocateLine(text, resource, y, f)) return false;
  int64_t column = x < 0 ? 0 : x;
  const int32_t length = BlockLen(f.pos.block);
  const int32_t left = length - f.pos.offset;
  if (left < column) {
    const Handle next = NextBlockOf(resource, f.pos.block);
    if (next == kNoHandle) {
      f.pos.offset = length;
    } else {
      column -= left;
      const int32_t next_length = BlockLen(next);
      WriteLogf("text_point() len %d:x %d. adr %08x x %d", next_length, Clamp32(column), next, Clamp32(column));
      f.block_line += BlockNewlines(f.pos.block);
      f.pos = {next, static_cast<int32_t>(std::min<int64_t>(column, next_length))};
    }
  } else {
    f.pos.offset += static_cast<int32_t>(column);
  }
  Normalize(resource, f);
  SetCache(text, f);
  out = f;
  return true;
}

// The column after `n` more bytes of a line: counted on from `column`, or
// from the last newline among them.
int64_t ColumnAfter(int64_t column, const char* bytes, size_t n) {
  const void* nl = ::memrchr(bytes, '\n', n);
  if (nl == nullptr) return std::min<int64_t>(column + static_cast<int64_t>(n), INT32_MAX);
  return static_cast<int64_t>(n) - (static_cast<const char*>(nl) - bytes) - 1;
}

// Moves a place `count` bytes on, across blocks, stopping at the end of the
// text; `column` follows the bytes passed over.
Found Advance(Handle resource, Found f, int64_t count, int64_t& column) {
  uint32_t limit = WalkLimit(resource);
  while (count > 0 && limit-- > 0) {
    const int32_t length = BlockLen(f.pos.block);
    const char* chars = BlockChars(f.pos.block);
    if (f.pos.offset + count <= length) {
      column = ColumnAfter(column, chars + f.pos.offset, static_cast<size_t>(count));
      f.pos.offset += static_cast<int32_t>(count);
      break;
    }
    column = ColumnAfter(column, chars + f.pos.offset, static_cast<size_t>(length - f.pos.offset));
    count -= length - f.pos.offset;
    const Handle next = NextBlockOf(resource, f.pos.block);
    if (next == kNoHandle) {
      f.pos.offset = length;
      break;
    }
    f.block_line += BlockNewlines(f.pos.block);
    f.pos = {next, 0};
  }
  Normalize(resource, f);
  return f;
}

// The previous block of the text, or none at the top block.
Handle PrevBlockOf(Handle resource, Handle top, Handle block) {
  if (block == top) return kNoHandle;
  const uint32_t limit = WalkLimit(resource);
  Handle r = Entry(block).prev;
  for (uint32_t n = 0; r != kNoHandle && n < limit; ++n) {
    if (IsBlock(resource, r)) return r;
    r = Entry(r).prev;
  }
  return kNoHandle;
}

// Column and line of a place whose block's newline count is known: the line
// from that count, the column by looking back to the last newline, into the
// blocks before when the line began there.
void ColumnAndLine(Handle resource, Handle top, const Found& f, int32_t& x, int32_t& y) {
  const char* chars = BlockChars(f.pos.block);
  int32_t newlines = 0;
  int32_t last = -1;
  for (int32_t i = 0; i < f.pos.offset; ++i) {
    if (chars[i] == '\n') {
      ++newlines;
      last = i;
    }
  }
  y = Clamp32(static_cast<int64_t>(f.block_line) + newlines);
  int64_t column = f.pos.offset - last - 1;
  if (last < 0) {
    uint32_t limit = WalkLimit(resource);
    for (Handle b = PrevBlockOf(resource, top, f.pos.block); b != kNoHandle && limit-- > 0;
         b = PrevBlockOf(resource, top, b)) {
      const char* c = BlockChars(b);
      const int32_t length = BlockLen(b);
      const void* nl = ::memrchr(c, '\n', static_cast<size_t>(length));
      if (nl != nullptr) {
        column += length - (static_cast<const char*>(nl) - c) - 1;
        break;
      }
      column += length;
    }
  }
  x = Clamp32(column);
}

// Puts the cursor on a found place.
void SetCursor(Handle text, int32_t x, int32_t y) {
  TextObject* v = TextView(text);
  v->cursor_x = Clamp16(x);
  v->cursor_y = Clamp16(y);
}

// Searches from a place to the end of its block, then block by block. On a
// hit the cursor and the cache go to the match, and the search line is
// logged with the start the caller gives. The column of the start place is
// the caller's; the match's is counted on from it over the bytes searched,
// so a search costs the distance it covers.
bool SearchFrom(Handle text, Handle resource, const Found& start, int64_t start_column, const char* pattern,
                int32_t start_x, int32_t start_y, Found& hit, int32_t& x, int32_t& y) {
  char piece[kTextBlockSize];
  Found f = start;
  int64_t column = start_column;
  uint32_t limit = WalkLimit(resource);
  while (limit-- > 0) {
    const int32_t length = BlockLen(f.pos.block);
    const int32_t from = std::min(f.pos.offset, length);
    const char* chars = BlockChars(f.pos.block);
    const size_t n = static_cast<size_t>(length - from);
    std::memcpy(piece, chars + from, n);
    piece[n] = '\0';
    const int at = FindText(piece, pattern);
    if (at > 0) {
      hit = {{f.pos.block, from + at - 1}, f.block_line};
      x = Clamp32(ColumnAfter(column, piece, static_cast<size_t>(at - 1)));
      y = Clamp32(static_cast<int64_t>(f.block_line) + std::count(chars, chars + hit.pos.offset, '\n'));
      SetCursor(text, x, y);
      SetCache(text, hit);
      WriteLogf("search!  %d/%d start %d/%d (strch ret%d)\n%s", x, y, start_x, start_y, at, piece + at - 1);
      return true;
    }
    column = ColumnAfter(column, piece, n);
    const Handle next = NextBlockOf(resource, f.pos.block);
    if (next == kNoHandle) break;
    f = {{next, 0}, f.block_line + BlockNewlines(f.pos.block)};
  }
  return false;
}

// The column of a found place, counted back to its line's start.
int64_t ColumnOf(Handle text, Handle resource, const Found& f) {
  int32_t x = 0;
  int32_t y = 0;
  ColumnAndLine(resource, TextView(text)->top_block, f, x, y);
  return x;
}

// The characters to insert, cut at a NUL among them (a block's text ends at
// its first NUL, so one could never be stored).
int32_t InsertCount(const char* chars, int32_t count) {
  if (chars == nullptr || count <= 0) return 0;
  const void* nul = std::memchr(chars, '\0', static_cast<size_t>(count));
  return nul == nullptr ? count : static_cast<int32_t>(static_cast<const char*>(nul) - chars);
}

// Inserts at a found place; `after` is set to the place right behind the
// inserted characters.
int InsertAt(Handle text, Handle resource, const Found& f, const char* chars, int32_t count, Found* after) {
  count = InsertCount(chars, count);
  if (count <= 0) return 1;
  // A copy: the characters may lie in the pool (a record's string), which
  // moves when blocks are made, or in this very block.
  const std::string ins(chars, static_cast<size_t>(count));
  const Handle block = f.pos.block;
  const int32_t length = BlockLen(block);
  const int32_t at = std::clamp(f.pos.offset, 0, length);

  if (kTextBlockSize - length > count) {
    char* d = BlockChars(block);
    std::memmove(d + at + count, d + at, static_cast<size_t>(length - at));
    std::memcpy(d + at, ins.data(), ins.size());
    d[length + count] = '\0';
    AddSize(text, count);
    SetCache(text, f);
    if (after != nullptr) {
      *after = {{block, at + count}, f.block_line};
      Normalize(resource, *after);
    }
    return 0;
  }

  // The block is split at the place: the rest of its text moves into a new
  // block after it. Every block is made before anything changes, so a full
  // pool leaves the text as it was.
  const int32_t moved = length - at;
  const bool fits = kTextBlockSize - moved > count;
  const int64_t chunks = fits ? 0 : (static_cast<int64_t>(count) + kTextBlockChars - 1) / kTextBlockChars;
  std::vector<Handle> made;
  for (int64_t n = 0; n <= chunks; ++n) {
    const Handle b = NewBlock(resource);
    if (b == kNoHandle) {
      for (Handle m : made) RetireBlock(resource, m);
      return 1;
    }
    made.push_back(b);
  }
  // The pool may have moved: every address is looked up again from here.
  const Handle tail = made.front();
  char* src = BlockChars(block);
  char* dst = BlockChars(tail);
  std::memcpy(dst, src + at, static_cast<size_t>(moved));
  dst[moved] = '\0';
  src[at] = '\0';
  Found behind{{tail, 0}, f.block_line + BlockNewlines(block)};
  if (fits) {
    std::memmove(dst + count, dst, static_cast<size_t>(moved) + 1);
    std::memcpy(dst, ins.data(), ins.size());
    PlaceAfter(resource, block, tail);
    behind.pos.offset = count;
  } else {
    WriteLog("text.c text_insert()  text block larg");
    Handle prev = block;
    int32_t done = 0;
    for (size_t i = 1; i < made.size(); ++i) {
      const int32_t n = std::min(count - done, kTextBlockChars);
      char* c = BlockChars(made[i]);
      std::memcpy(c, ins.data() + done, static_cast<size_t>(n));
      c[n] = '\0';
      behind.block_line += BlockNewlines(made[i]);
      PlaceAfter(resource, prev, made[i]);
      prev = made[i];
      done += n;
    }
    PlaceAfter(resource, prev, tail);
  }
  AddSize(text, count);
  SetCache(text, f);
  if (after != nullptr) {
    *after = behind;
    Normalize(resource, *after);
  }
  return 0;
}

// Deletes `count` bytes from a found place on, across blocks.
int EraseAt(Handle text, Handle resource, const Found& f, int32_t count) {
  if (count <= 0) return 1;
  const Handle block = f.pos.block;
  const int32_t length = BlockLen(block);
  const int32_t at = std::clamp(f.pos.offset, 0, length);
  char* d = BlockChars(block);
  if (length - at > count) {
    std::memmove(d + at, d + at + count, static_cast<size_t>(length - at - count));
    d[length - count] = '\0';
    AddSize(text, -static_cast<int64_t>(count));
    SetCache(text, f);
    return 0;
  }
  WriteLog("ﾃｷｽﾄﾌﾞﾛｯｸに削除文字がないので次を見ます");
  d[at] = '\0';
  int64_t removed = length - at;
  int64_t left = count - removed;
  uint32_t limit = WalkLimit(resource);
  Handle b = NextBlockOf(resource, block);
  while (left > 0 && b != kNoHandle && limit-- > 0) {
    const int32_t n = BlockLen(b);
    if (n >= left) {
      char* c = BlockChars(b);
      std::memmove(c, c + left, static_cast<size_t>(n - left));
      c[n - left] = '\0';
      removed += left;
      break;
    }
    const Handle next = NextBlockOf(resource, b);
    RemoveRecord(resource, b);
    removed += n;
    left -= n;
    b = next;
  }
  AddSize(text, -removed);
  SetCache(text, f);
  return removed > 0 ? 0 : 1;
}

}  // namespace

TextPos TextPoint(Handle text, int32_t y) {
  const Handle resource = ResourceOf(text);
  Found f;
  if (resource == kNoHandle || !LocateLine(text, resource, y, f)) return {};
  return f.pos;
}

TextPos text_point(Handle text, int32_t x, int32_t y) {
  const Handle resource = ResourceOf(text);
  Found f;
  if (resource == kNoHandle || !LocateColumn(text, resource, x, y, f)) return {};
  return f.pos;
}

int32_t LineWidth(Handle text, TextPos line_start) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !InText(resource, line_start)) return 0;
  const int32_t tab = TextView(text)->tab_width;
  TextReader reader(resource, line_start);
  int32_t width = 0;
  for (int c = reader.Next(); c >= 0 && c != '\n'; c = reader.Next()) {
    width += c == '\t' ? tab : 1;
    if (width > kLineWidthLimit) break;
  }
  return width;
}

int32_t GetTextLine(Handle text, int32_t y, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return -1;
  buffer[0] = '\0';
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return -1;
  if (TextView(text)->text_size == 0) return 0;
  Found f;
  if (!LocateLine(text, resource, y, f)) return -1;
  TextReader reader(resource, f.pos);
  return CopyLine(reader, buffer, size, true, TextView(text)->tab_width);
}

int text_whereis(Handle text, TextPos pos) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || !InText(resource, pos)) return 1;
  // Walk the blocks from the top, counting newlines, until the place's own.
  int32_t line = 0;
  uint32_t limit = WalkLimit(resource);
  const Handle top = TextView(text)->top_block;
  for (Handle b = FirstTextBlock(text); b != kNoHandle && limit-- > 0; b = NextBlockOf(resource, b)) {
    if (b == pos.block) {
      const Found f{pos, line};
      int32_t x = 0;
      int32_t y = 0;
      ColumnAndLine(resource, top, f, x, y);
      SetCursor(text, x, y);
      SetCache(text, f);
      return 0;
    }
    line = Clamp32(static_cast<int64_t>(line) + BlockNewlines(b));
  }
  return 1;
}

int TextSearch(Handle text, int32_t x, int32_t y, const char* pattern) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || pattern == nullptr) return 1;
  Found start;
  if (!LocateColumn(text, resource, x, y, start)) return 1;
  Found hit;
  int32_t hx = 0;
  int32_t hy = 0;
  return SearchFrom(text, resource, start, ColumnOf(text, resource, start), pattern, x, y, hit, hx, hy) ? 0 : 1;
}

int text_insert(Handle text, int32_t x, int32_t y, const char* chars, int32_t count) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || InsertCount(chars, count) <= 0) return 1;
  Found f;
  if (!LocateColumn(text, resource, x, y, f)) return 1;
  return InsertAt(text, resource, f, chars, count, nullptr);
}

int WordInsert(Handle text, const char* character) {
  const TextObject* v = TextView(text);
  if (v == nullptr || character == nullptr) {
    WriteLog("text.c  WordInsert() error");
    return 1;
  }
  const int32_t count = IsLeadByte(static_cast<unsigned char>(character[0])) ? 2 : 1;
  return text_insert(text, v->cursor_x, v->cursor_y, character, count);
}

int text_erase(Handle text, int32_t x, int32_t y, int32_t count) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || count <= 0) return 1;
  Found f;
  if (!LocateColumn(text, resource, x, y, f)) return 1;
  return EraseAt(text, resource, f, count);
}

int DeleteChar(Handle text) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle) return 1;
  const TextObject* v = TextView(text);
  Found f;
  if (!LocateColumn(text, resource, v->cursor_x, v->cursor_y, f)) return 1;
  TextReader reader(resource, f.pos);
  const int first = reader.Next();
  const int second = reader.Peek();
  const bool pair = first >= 0 && IsLeadByte(static_cast<unsigned char>(first)) && second >= 0 &&
                    IsTrailByte(static_cast<unsigned char>(second));
  return EraseAt(text, resource, f, pair ? 2 : 1);
}

int change_textword(Handle text, const char* old_word, const char* new_word) {
  const Handle resource = ResourceOf(text);
  if (resource == kNoHandle || old_word == nullptr || new_word == nullptr) return 1;
  WriteLogf("change_textword() -%s- -%s-", old_word, new_word);
  const int32_t old_length = Clamp32(static_cast<int64_t>(std::strlen(old_word)));
  const int32_t new_length = Clamp32(static_cast<int64_t>(std::strlen(new_word)));
  const TextObject* v = TextView(text);
  int32_t start_x = v->cursor_x;
  int32_t start_y = v->cursor_y;
  Found start;
  if (old_length > 0 && LocateColumn(text, resource, start_x, start_y, start)) {
    int64_t column = ColumnOf(text, resource, start);
    // Each replacement passes over at least one character of the text as it
    // was, so there are never more rounds than characters.
    for (int64_t rounds = static_cast<int64_t>(TextLength(text)) + 1; rounds > 0; --rounds) {
      Found hit;
      int32_t x = 0;
      int32_t y = 0;
      if (!SearchFrom(text, resource, start, column, old_word, start_x, start_y, hit, x, y)) break;
      // The new word goes in front of the old one, which is then deleted:
      // an insertion that cannot be made leaves the text as it was, and a
      // deletion never needs the pool.
      Found behind = hit;
      if (new_length > 0 && InsertAt(text, resource, hit, new_word, new_length, &behind) != 0) break;
      EraseAt(text, resource, behind, old_length);
      // Go on as far behind the new word as the old word was long. The
      // place and its column are carried along rather than looked up again,
      // so a line longer than a block cannot send the search back and each
      // round costs only the distance it moves.
      column = ColumnAfter(x, new_word, static_cast<size_t>(new_length));
      start = Advance(resource, behind, old_length, column);
      start_x = Clamp32(static_cast<int64_t>(x) + new_length + old_length);
      start_y = y;
    }
  }
  WriteLog("end change_text()");
  return 0;
}

}  // namespace vadu
