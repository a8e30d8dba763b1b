#include "data/escape.h"

#include "platform/cp932.h"

namespace vadu {

const char* EscapeLineCopy(const char* src, char* dst, size_t size) {
  if (src == nullptr) return src;
  const char* p = src;
  size_t used = 0;
  bool room = dst != nullptr && size > 0;
  while (*p != '\0' && *p != '\n' && !IsEscape(p, 'n')) {
    // A lead byte with its trail byte is one character: its trail byte may
    // be a backslash (as in the second byte of some kanji).
    const size_t len =
        IsLeadByte(static_cast<unsigned char>(p[0])) && IsTrailByte(static_cast<unsigned char>(p[1])) ? 2 : 1;
    if (room && used + len < size) {
      for (size_t i = 0; i < len; ++i) dst[used++] = p[i];
    } else {
      room = false;  // cut here: the rest of the line is skipped, not split
    }
    p += len;
  }
  if (dst != nullptr && size > 0) dst[used] = '\0';
  return p;
}

}  // namespace vadu
