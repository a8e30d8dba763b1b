// Text escapes: message texts (system messages, dialog lines, application
// messages) carry two-character escapes, a backslash and a letter written
// as those two bytes, that the escaped text drawing of the window layer
// acts on:
//   \n  line break: the rest of the text continues on the next line
//   \c  colour of the line, by the letter that follows (R, G or B)
//   \w  typewriter output from this line on
//   \l  the line is a separator rule instead of text
// \c (with its letter), \w and \l count only at the start of a line, in
// that order. The second byte of a two-byte character is never taken for
// the backslash of an escape.
#pragma once

#include <cstddef>

namespace vadu {

// Copies `src` up to the line-break escape, a newline or its end into `dst`
// (room for `size` bytes), terminated; the escape or newline is not copied.
// A line longer than the room is cut, never inside a two-byte character.
// Returns where the line ends in `src`: at the escape's backslash, at the
// newline, or at the terminating zero (nullptr for a null `src`). A null
// `dst` or size 0 writes nothing but still finds the end.
const char* EscapeLineCopy(const char* src, char* dst, size_t size);

// True when `p` starts the two-character escape of `letter` ("\n" for 'n').
inline bool IsEscape(const char* p, char letter) {
  return p[0] == '\\' && p[1] == letter;
}

}  // namespace vadu
