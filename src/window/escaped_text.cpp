#include "window/escaped_text.h"

#include <climits>

#include "data/escape.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/wait.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

// A line longer than the drawing calls accept still arrives there too long,
// so that they report it instead of drawing a silently cut line.
constexpr size_t kLineRoom = kMaxWindowText + 2;
// The typewriter's pause after each character, in hundredths of a second.
constexpr int kTypewriterPause = 30;

// The colour a \c escape's letter selects, or the text colour.
uint32_t EscapeColour(char letter, uint32_t text_colour) {
  switch (letter) {
    case 'R':
    case 'r':
      return ColourTable[2];
    case 'G':
    case 'g':
      return ColourTable[5];
    case 'B':
    case 'b':
      return ColourTable[3];
    default:
      return text_colour;
  }
}

}  // namespace

int DrawEscapedText(Handle window, int16_t x, int16_t y, const char* text, Handle gc) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr || text == nullptr) return 1;
  const uint32_t text_colour = g->text, light = g->light, shadow = g->shadow;
  const FontRecord* f = FontView(g->font);
  const int cell = f == nullptr ? 0 : f->width;
  const int line_height = f == nullptr ? 0 : f->height;

  bool typewriter = false;
  bool pauses = true;
  int line_y = y;
  const char* p = text;
  for (;;) {
    char line[kLineRoom];
    const char* end = EscapeLineCopy(p, line, sizeof line);
    const char* s = line;
    uint32_t colour = text_colour;
    if (IsEscape(s, 'c')) {
      colour = EscapeColour(s[2], text_colour);
      s += s[2] != '\0' ? 3 : 2;
    }
    if (IsEscape(s, 'w')) {
      typewriter = true;
      s += 2;
    }
    const int16_t ly = static_cast<int16_t>(line_y);
    if (IsEscape(s, 'l')) {
      const int16_t right = static_cast<int16_t>(WindowWidth(window) - 10);
      WinLineColor(window, x, static_cast<int16_t>(ly + 10), right, static_cast<int16_t>(ly + 10), shadow);
      WinLineColor(window, x, static_cast<int16_t>(ly + 9), right, static_cast<int16_t>(ly + 9), light);
    } else if (!typewriter) {
      WinMessageColor(window, x, ly, s, colour);
    } else {
      // One character at a time, each in a full-width cell, with a pause
      // after it until a button press (or a key) hurries the rest along.
      int cx = x;
      // Past the 16-bit coordinates nothing more can be seen.
      while (*s != '\0' && cx <= INT16_MAX) {
        const auto* u = reinterpret_cast<const unsigned char*>(s);
        const int len = IsLeadByte(u[0]) && IsTrailByte(u[1]) ? 2 : 1;
        const char one[3] = {s[0], len == 2 ? s[1] : '\0', '\0'};
        s += len;
        WinMessageColor(window, static_cast<int16_t>(cx), ly, one, colour);
        cx += cell;
        if (pauses && WaitTicks(kTypewriterPause, kWaitButtonLeft) != 0) pauses = false;
      }
    }
    if (!IsEscape(end, 'n')) return 1;
    p = end + 2;
    line_y += line_height;
    if (line_y > INT16_MAX) return 1;
  }
}

}  // namespace vadu
