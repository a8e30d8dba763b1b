// String helpers over CP932 (Shift-JIS) byte strings (the byte rule is in
// platform/cp932.h).
//
// Operations that write into a caller's buffer take its size and never write
// past it; the result is always terminated (a buffer of size 0 is left alone).
// Where a text has to be cut to fit, the cut never splits a two-byte
// character.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/cp932.h"

namespace vadu {


// 1-based position of `pattern` in `text`, or 0. The scan never steps back:
// after a partial match fails, the failing character is not compared with the
// pattern's first character again ("aab" is not found in "aaab"). An empty
// pattern is never found.
int FindText(const char* text, const char* pattern);

// Copies `src` up to its first newline or its end into `dst` (room for
// `size` bytes), terminated; the newline is not copied. A null source logs
// "line_copy()..." and copies nothing (`dst` is left as it was).
void line_copy(const char* src, char* dst, size_t size);

// Start of line n (0-based) of a text in memory; the text itself for n <= 0;
// nullptr when the text has fewer lines.
const char* LineSkip(const char* text, int n);

// True for a separator of tokens: space, tab, ';' or ','.
inline bool IsSeparator(char c) {
  return c == ' ' || c == '\t' || c == ';' || c == ',';
}
// True for a blank: space or tab.
inline bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// First character that is not a separator; when only separators remain, the
// text itself.
const char* SkipSeparators(const char* text);
// Skips separators (and line ends), copies the following token (up to a
// separator, a line end or the end of the text) into `out` (room for `size`
// bytes); returns the position after the token, which is the end of the text
// when no token is left. A loop over NextToken always makes progress.
const char* NextToken(const char* text, char* out, size_t size);
// 1 when `word` begins with one of the comma-terminated entries of `list`
// (the entry is copied to `out`), else 0. An entry not followed by a comma
// does not count, nor does an empty entry.
int FindInList(const char* word, const char* list, char* out, size_t size);
// 1 and the word after the n-th run of blanks (n = 1 is the second word;
// n = 0 is a word at the very start of the text), or 0 (nothing is written).
int NthWord(const char* text, int n, char* out, size_t size);
// NthWord converted as a decimal integer (0 when there is no such word).
int32_t NthWordNumber(const char* text, int n);
// The n-th run of decimal digits (1-based) as a number, or -1. A number
// beyond the 32-bit range gives INT32_MAX.
int32_t NthNumber(const char* text, int n);
// Removes every space and tab in place.
void RemoveBlanks(char* text);
// Inserts the first `count` characters of `src` (all when count is 0) at the
// start of `dst`, whose buffer holds `dst_size` bytes; the inserted text is
// cut so the result fits. Returns false when it had to be cut.
bool InsertText(const char* src, char* dst, size_t dst_size, size_t count);
// Moves the text with its terminator `count` bytes to the right in place;
// the buffer holds `size` bytes (the tail is cut to fit). The first `count`
// bytes keep what they held; the caller fills them.
void ShiftRight(char* text, size_t size, size_t count);
// Overwrites [start, end) with `replacement`, shifting the rest of the text;
// the buffer starting at `buffer` holds `size` bytes and the result is cut to
// fit. Returns the position after the replacement. A span that does not lie
// within the text of `buffer` changes nothing and returns `start`.
char* ReplaceSpan(char* buffer, size_t size, char* start, char* end, const char* replacement);
// Number of characters, a two-byte character counting once (a lead byte
// right before the terminator counts as one character).
int CharCount(const char* text);
// Turns a full-width character (two bytes at `ch`) into its JIS X 0201
// single-byte equivalent in place (ch[0] = the byte, ch[1] = 0): 1, or 0
// when it has none (the characters are left as they were). The full-width
// forms are those of ASCII (and the space, yen sign and overline) and the
// katakana and punctuation that have half-width forms; voiced kana such as
// GA have no single-byte form. Hiragana are not converted.
int ToHalfWidth(char* ch);

}  // namespace vadu
