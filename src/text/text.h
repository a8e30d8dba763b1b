// Texts: named, editable texts kept in chains of fixed-size blocks, and the
// plain text files they are read from and written to.
//
// A text lives in a resource of its own: ResName = the text's name (also its
// file name), DataName "TEXT". Record number 1 of that resource is the text
// object (148 bytes, tag "TE"); its characters are kept in text blocks,
// anonymous records of the same resource (1024 bytes, tag "B "), each holding
// at most 1023 characters and a terminator. The text is the concatenation of
// the blocks from the top block on, in the resource's chain order (records
// of the resource that are not active blocks are passed over). An insertion
// or deletion touches one block, or splits one; lines (separated by '\n')
// may run on from one block into the next. Columns (x) and lines (y) count
// from 0; a column counts bytes, so a two-byte character takes two.
//
// Positions. Pool blocks move whenever anything allocates, so a place in a
// text is never a raw pointer: it is a TextPos, a block handle and a byte
// offset into that block. A TextPos stays meaningful until the text is next
// edited (an edit may move characters to another block); read through it
// with TextByteAt and CopyTextLine, which check it against the text first,
// so a stale or made-up position reads as nothing instead of reaching
// outside a block.
//
// Bounds. Every operation stays inside the blocks whatever it is asked: a
// negative column is column 0; a column past the end of the text (or past
// the block after the line's own, which a lookup never goes beyond) stops at
// the end of that block; counts larger than the text stop at its end; a
// damaged max_line, cached block or block chain is treated as the
// operations below say (a lookup that cannot be answered is none), and a
// block whose terminator has been overwritten is read as its first 1023
// bytes.
//
// Text size and max_line. The text size is a running count: an insertion
// adds the characters stored, a deletion takes off the bytes removed, a file
// read sets it to the characters read plus one. max_line is set by
// CreateText (0), ReadTextFile (the newlines read) and SetTextContent; the
// buffer's edits (text_insert, WordInsert, text_erase, DeleteChar,
// change_textword) leave it alone: keeping it in step with the newlines an
// editor inserts or deletes is the editor's duty. Lookups refuse lines
// beyond max_line.
//
// Every function takes the text object's handle; a handle that is not a
// live text object is refused (none, -1 or 1) without touching anything.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

inline constexpr int kTextObjectSize = 148;
inline constexpr int kTextBlockSize = 1024;
inline constexpr int kTextBlockChars = kTextBlockSize - 1;  // characters a block holds
inline constexpr char kTextDataName[] = "TEXT";
inline constexpr uint8_t kDefaultTabWidth = 4;

// Values of the text object's mode word. kTextModeAlways is added to every
// text's mode at creation; the others are given by the creator or kept by
// the text task, which alone gives them meaning.
inline constexpr uint32_t kTextModeAlways = 0x02 | 0x04;  // set on every text
inline constexpr uint32_t kTextClickToggle = 0x08;        // a click toggles flag 0x08 of the object's flag word
inline constexpr uint32_t kTextCursorLead = 0x10;         // cursor on the first byte of a two-byte character
inline constexpr uint32_t kTextCursorTrail = 0x20;        // cursor on the second byte of a two-byte character
inline constexpr uint32_t kTextReadOnly = 0x40;           // moving and paging only; editing keys do nothing
inline constexpr uint32_t kTextOneLine = 0x80;            // a one-line input
inline constexpr uint32_t kTextFocus = 0x100;             // the object has the keyboard focus
inline constexpr uint32_t kTextKeywords = 0x200;          // keyword colouring
inline constexpr uint32_t kTextBlinkPhase = 0x400;        // blink phase of the cursor
inline constexpr uint32_t kTextHalfWidth = 0x2000;        // two-byte keys become one-byte characters
inline constexpr uint32_t kTextDigitsOnly = 0x4000;       // only the digits 0-9 are taken
inline constexpr uint32_t kTextPastLineEnd = 0x8000;      // the cursor stands beyond the end of its line

// The text object record (tag "TE").
struct TextObject {
  int32_t owner_number;  // the creating task's number ("Text obj ID" in log lines)
  Handle owner_task;     // the creating task
  int16_t cursor_x;      // cursor column in bytes
  int16_t cursor_y;      // cursor line
  uint8_t tab_width;     // columns of a tab; 4 at creation
  uint8_t unused13[3];
  uint32_t mode;          // kText* values
  int32_t max_line;       // newlines of the text (the last line's number)
  int32_t text_size;      // characters held (see "Text size and max_line")
  int32_t cached_line;    // newlines in front of the cached block's first character
  Handle cached_block;    // block of the last lookup, or none
  Handle top_block;       // first block, or none
  Handle block_resource;  // the resource holding this record and the blocks
  // The text task's own fields.
  uint8_t task_area[kTextObjectSize - 44];
};
static_assert(sizeof(TextObject) == kTextObjectSize);
static_assert(offsetof(TextObject, owner_task) == 4);
static_assert(offsetof(TextObject, cursor_x) == 8);
static_assert(offsetof(TextObject, cursor_y) == 10);
static_assert(offsetof(TextObject, tab_width) == 12);
static_assert(offsetof(TextObject, mode) == 16);
static_assert(offsetof(TextObject, max_line) == 20);
static_assert(offsetof(TextObject, text_size) == 24);
static_assert(offsetof(TextObject, cached_line) == 28);
static_assert(offsetof(TextObject, cached_block) == 32);
static_assert(offsetof(TextObject, top_block) == 36);
static_assert(offsetof(TextObject, block_resource) == 40);
static_assert(offsetof(TextObject, task_area) == 44);

// The text object of a handle, or nullptr when it is not an active text
// object record (tag "TE", full size) whose block resource is its own.
// Valid until the next allocation. Its fields may be changed (cursor, mode,
// max_line, tab width); no value written there can make an operation reach
// outside a block.
TextObject* TextView(Handle text);

// A place in a text: `offset` bytes into `block`. No block means none (a
// lookup that found nothing).
struct TextPos {
  Handle block = kNoHandle;
  int32_t offset = 0;

  bool found() const { return block != kNoHandle; }
  bool operator==(const TextPos&) const = default;
};

// ---------------------------------------------------------------------------
// Text objects.

// Makes the text `name` for `task` (none allowed) with `mode` | kTextModeAlways:
// the resource (name, "TEXT") is made or found, and record number 1 of it
// is made or found and initialised: no blocks, size 0, max_line 0, tab
// width 4, cursor and cache at 0. A second creation with the same name
// gives the same record, initialised again: its old blocks are deleted
// (they are reused by the blocks it makes next) and a deleted text object
// is active again. None, after "Memory Error for CreateText", when the
// record cannot be had. No block is made: add the first with
// CreateTextBlock, or read a file.
Handle CreateText(Handle task, const char* name, uint32_t mode);

// Marks the text object deleted (DeleteRecord); its blocks and resource stay
// for a later CreateText of the same name. 0, or 1 when `text` is not a text.
int DeleteTextObject(Handle text);

// A new block holding a single blank, at the end of the text; it becomes the
// top block and the cached block when the text has none. None when the pool
// is exhausted.
Handle CreateTextBlock(Handle text);

// Loads the file named like the text (OpenGameFile). The blocks from the top
// on are refilled, 1023 characters each, blocks being made as needed; blocks
// left over behind the last one filled are deleted. Text size = characters
// read + 1, max_line = newlines read. A carriage return that comes right
// before a newline belongs to the line end and is not stored (files written
// on a desktop with CR-LF ends read the same); a NUL byte is not stored (a
// block's text ends at its first NUL). 0; 6 when the file cannot be opened
// ("File open error! %s for read"); 1 when a block cannot be made (the text
// keeps what was read so far).
int ReadTextFile(Handle text);

// Writes the text to the file named like the text, replacing it atomically
// (WriteFileAtomically: a failed write leaves the old file whole): the
// blocks from the top on, an empty block as one newline; line ends are '\n'.
// 0; 6 after "file open error! %s for write" when the file cannot be
// written.
int WriteTextFile(Handle text);

// Makes the text hold exactly `count` characters of `chars` (cut at a NUL):
// text size = the characters stored, max_line = their newlines; the cache
// goes back to the top block (the cursor is left alone). The top block is
// made when there is none; blocks behind the ones needed are deleted (the
// blocks made later reuse them). 0, or 1 (text unchanged) when a block
// cannot be made or `text` is not a text.
int SetTextContent(Handle text, const char* chars, int32_t count);

// ---------------------------------------------------------------------------
// Lookups. Each sets the text's cached block and line to the block of its
// result, so looking further on is cheap: forward from the cached block costs
// the distance moved; a line at or before the cached line rescans from the
// top.

// The first character of line y, or none: y negative or no top block (two
// log lines "TextPoint() request is error! ..."), y beyond max_line (the
// max_line line "TextPoint()...over ..."), or the text ending first
// ("TextPoint() next block error!"). A line that starts right after the
// last character of a block is given as the start of the next block.
TextPos TextPoint(Handle text, int32_t y);

// Column x of line y, or none when TextPoint(y) is none. A column past the
// characters left in the line's block goes on into the next block (logging
// "text_point() len ..."), and no further: it stops at that block's end (or
// at the end of the line's block when there is no next block). Columns are
// not bounded by the line: x past the line's newline lands on the lines
// after it. A negative x is 0.
TextPos text_point(Handle text, int32_t x, int32_t y);

// Display width of the line from `line_start` to its newline or the end of
// the text: a tab counts the tab width, any other byte 1; the count stops
// once it passes 1024. 0 for a position that is not in the text.
int32_t LineWidth(Handle text, TextPos line_start);

// Line y for display into `buffer` (room for `size` bytes, always
// terminated): the line's newline becomes one blank and ends it, and each
// tab becomes tab-width blanks (at least one). A line longer than the
// buffer is cut, never inside a two-byte character. Returns the length
// written; -1 (and an empty buffer) when TextPoint finds no line y. An
// empty text (text size 0) gives an empty buffer and 0.
int32_t GetTextLine(Handle text, int32_t y, char* buffer, size_t size);

// Puts the cursor on the column and line of `pos` (a column counts the
// bytes from the start of its line, across blocks; each is kept within the
// cursor fields' 16 bits). 0, or 1 when `pos` is not a place in the text.
int text_whereis(Handle text, TextPos pos);

// Searches `pattern` from column x of line y (text_point) to the end of that
// block, then in each following block (FindText: no stepping back after a
// partial match; a match that would span two blocks is not found). On a hit
// the cursor is put on the match's first character, "search!  ..." is
// logged, and 0 is returned; 1 when there is none.
int TextSearch(Handle text, int32_t x, int32_t y, const char* pattern);

// ---------------------------------------------------------------------------
// Edits. Each returns 0, or 1 when nothing was changed (no such place, a bad
// argument, or a block that could not be made: an edit never stops half
// done). None moves the cursor or changes max_line.

// Inserts `count` characters at column x of line y (cut at a NUL among
// them). When the block has no room it is split at that place: the rest of
// its text moves into a new block after it; characters that do not fit the
// new block either go into further new blocks of 1023 characters in front
// of it ("text.c text_insert()  text block larg").
int text_insert(Handle text, int32_t x, int32_t y, const char* chars, int32_t count);

// Inserts one character at the cursor: two bytes when `character` starts
// with a lead byte, else one. A missing text or character logs
// "text.c  WordInsert() error" and gives 1.
int WordInsert(Handle text, const char* character);

// Deletes `count` bytes from column x of line y on, across blocks; blocks
// after the first that it empties entirely are removed from the text
// (RemoveRecord). A count beyond the end of the text stops there.
int text_erase(Handle text, int32_t x, int32_t y, int32_t count);

// Deletes the character at the cursor: two bytes when they are a complete
// two-byte character, else one.
int DeleteChar(Handle text);

// Replaces every `old_word` from the cursor on by `new_word`, going on after
// each replacement as far again as the old word was long (so an occurrence
// right behind a replacement is passed over: ab -> x in ababab gives xabx).
// Logs "change_textword() -%s- -%s-" and, at the end, "end change_text()".
// 0 (also when an edit failed, which ends the replacing); 1 for bad
// arguments.
int change_textword(Handle text, const char* old_word, const char* new_word);

// ---------------------------------------------------------------------------
// Reading through positions and blocks (what display and editing code needs
// beyond the lookups).

// The byte at `pos` (0-255), reading on into the next block from a block's
// end; -1 at the end of the text or for a position that is not in the text.
int TextByteAt(Handle text, TextPos pos);

// Copies the characters from `pos` up to the next newline (not copied) or the
// end of the text into `buffer` (room for `size` bytes, always terminated;
// cut on a character boundary). Returns the length copied, or -1 (empty
// buffer) when `pos` is not in the text. Tabs are kept as they are.
int32_t CopyTextLine(Handle text, TextPos pos, char* buffer, size_t size);

// Copies the whole text into `buffer` (room for `size` bytes, always
// terminated; cut on a character boundary); returns the length copied, or
// -1 (empty buffer) for a handle that is not a text.
int32_t CopyText(Handle text, char* buffer, size_t size);

// The number of characters the blocks hold now (which the text size tracks
// as described above); 0 for a handle that is not a text.
int32_t TextLength(Handle text);

// The offset of `pos` from the start of the text, or -1 when it is not a
// place in the text.
int32_t TextOffsetOf(Handle text, TextPos pos);

// The blocks in text order: the top block, then each next one; none after
// the last (or for a handle that is not a text or not one of its blocks).
Handle FirstTextBlock(Handle text);
Handle NextTextBlock(Handle text, Handle block);
// Characters a block holds (its text up to the terminator, at most 1023);
// -1 for a handle that is not a text block.
int32_t TextBlockLength(Handle block);

}  // namespace vadu
