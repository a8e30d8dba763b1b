// What the files of the text layer share: the checked access to a text's
// resource and blocks, and a reader of the bytes across blocks. Not for
// other layers.
#pragma once

#include <cstdint>

#include "core/types.h"
#include "text/text.h"

namespace vadu::text_detail {

// A place found by a lookup, with the number of newlines in front of its
// block's first character (what the cache keeps for that block).
struct Found {
  TextPos pos;
  int32_t block_line = 0;
};

// True when `block` is an active text block record of `resource`: the only
// records the text operations read or write as blocks.
bool IsBlock(Handle resource, Handle block);
// The block's characters (kTextBlockSize bytes). Valid until the next
// allocation; only for a block IsBlock accepted.
char* BlockChars(Handle block);
// Characters before the block's terminator, at most kTextBlockChars: a
// block whose terminator was overwritten is read as its first 1023 bytes.
int32_t BlockLen(Handle block);
// Newlines among the block's characters.
int32_t BlockNewlines(Handle block);
// The next active block of the resource's chain after `block`, or none.
Handle NextBlockOf(Handle resource, Handle block);
// How many blocks a walk over a text may visit: no more than the records of
// its resource, so a damaged chain cannot make a walk endless.
uint32_t WalkLimit(Handle resource);

// A new block (a single blank) of `resource`, at the end of its chain, or
// none when the pool is exhausted. The pool may have moved.
Handle NewBlock(Handle resource);
// Deletes a block that no text holds any more and moves it to the front of
// the chain, ahead of every text block: walks along a text never pass it,
// and the next block made reuses it.
void RetireBlock(Handle resource, Handle block);
// Moves `block` into the chain directly after `after`.
void PlaceAfter(Handle resource, Handle after, Handle block);

// The text's resource when `text` is a live text object, else none.
Handle ResourceOf(Handle text);
// True when `pos` lies in one of the resource's blocks, at most at its end.
bool InText(Handle resource, TextPos pos);
// Moves a place at the end of its block to the start of the next block (past
// empty ones), keeping the newline count of its block in step.
void Normalize(Handle resource, Found& found);

// Sets the cache to a lookup's block.
void SetCache(Handle text, const Found& found);

// Adds to the text size without overflowing the 32-bit field.
void AddSize(Handle text, int64_t delta);

// Reads a text's bytes forward from a place, crossing into the next blocks.
// Nothing may allocate from the pool while a reader is in use.
class TextReader {
 public:
  TextReader(Handle resource, TextPos pos);
  // The next byte (0-255), or -1 at the end of the text.
  int Next();
  // The byte Next would give, without taking it.
  int Peek();
  // Where the reader stands (the block is none once it has run out).
  TextPos Where() const { return {block_, offset_}; }

 private:
  bool Settle();

  Handle resource_;
  Handle block_;
  int32_t offset_;
  int32_t length_ = 0;
  const char* chars_ = nullptr;
  uint32_t blocks_left_;
};

// Copies the bytes a reader gives up to a newline (not copied; the reader
// stops after it) or the end, into `buffer` of `size` bytes, terminated and
// cut on a character boundary. With `expand_tabs` a newline becomes a blank
// and each tab `tab_width` blanks (at least one). Returns the length.
int32_t CopyLine(TextReader& reader, char* buffer, size_t size, bool expand_tabs, int tab_width);

}  // namespace vadu::text_detail
