#include "window/draw.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "core/dialog_seam.h"
#include "core/log.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "window/window.h"

namespace vadu {
namespace {

// System message of a text too long to draw.
constexpr int kTextTooLongMessage = 78;

// Screen coordinates are computed wide and handed to the device in 16 bits.
// A value beyond that range lies far off the screen (4096 pixels at most),
// and pinning it keeps it there.
int16_t ScreenCoord(int value) {
  return static_cast<int16_t>(std::clamp(value, INT16_MIN, INT16_MAX));
}

// What the drawing calls need of a drawable window, copied out of its record
// (which may move at the next allocation).
struct Content {
  int sx = 0, sy = 0;  // screen position of the content origin
  int width = 0, height = 0;
  Handle owner = kNoHandle;
  Handle gc = kNoHandle;
  // The content area on the screen, edges included.
  ClipBox Clip() const { return ClipBox{sx, sy, sx + width, sy + height}; }
};

// The window's content, or false when it is missing or not drawable.
bool DrawableContent(Handle window, Content& c) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || (w->mode & WINDOWdrawable) == 0) return false;
  c.sx = w->origin_x + w->x;
  c.sy = w->origin_y + w->y;
  c.width = w->width;
  c.height = w->height;
  c.owner = w->owner;
  c.gc = w->gc;
  return true;
}

// The text colour of a window's gc, or false when it has none.
bool TextColourOf(Handle window, uint32_t& colour) {
  const GCRecord* g = GCView(GetWindowGC(window));
  if (g == nullptr) return false;
  colour = g->text;
  return true;
}

// Cuts a fill rectangle to the content area (see WinFillRectangleColor);
// false when nothing is left.
bool CutFill(const Content& c, int16_t x, int16_t y, int16_t w, int16_t h, int& left, int& top, int& fw, int& fh) {
  if (x > c.width || y > c.height || w < 0 || h < 0) return false;
  left = x;
  top = y;
  fw = w;
  fh = h;
  // Cut at the right and bottom edges (fills include their far edge).
  if (left + fw > c.width) fw = c.width - left;
  if (top + fh > c.height) fh = c.height - top;
  // Cut off what lies left of or above the content area.
  if (left < 0) {
    fw += left;
    left = 0;
  }
  if (top < 0) {
    fh += top;
    top = 0;
  }
  return fw >= 0 && fh >= 0;
}

// Length of a text up to kMaxWindowText + 1 bytes: enough to tell a text
// that is too long without walking all of it.
size_t BoundedLength(const char* text) {
  return strnlen(text, static_cast<size_t>(kMaxWindowText) + 1);
}

// True (after reporting it to the owner task) when the text is too long.
bool TooLong(const Content& c, const char* text) {
  if (BoundedLength(text) <= static_cast<size_t>(kMaxWindowText)) return false;
  ErrorDialog(c.owner, kTextTooLongMessage, "WinMessage()で1024バイトを超える文字列が指定された");
  return true;
}

// Copies at most `limit` bytes of whole characters of `text` into `out`
// (room for kMaxWindowText + 1 bytes): a two-byte character that would pass
// the limit is left out with everything after it.
void CutText(const char* text, int limit, char* out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int used = 0;
  while (p[used] != 0 && used < kMaxWindowText) {
    const int len = IsLeadByte(p[used]) && IsTrailByte(p[used + 1]) ? 2 : 1;
    if (used + len > limit) break;
    used += len;
  }
  std::memcpy(out, text, static_cast<size_t>(used));
  out[used] = '\0';
}

// The text rules shared by the text calls. `room_cells` is the room the text
// needs right of x, in half-width cells (1 for the window's font, 2 for a
// given gc's).
void DrawWindowText(Handle window, int16_t x, int16_t y, const char* text, uint32_t colour, Handle font,
                    int room_cells) {
  Content c;
  if (text == nullptr || !DrawableContent(window, c)) return;
  if (TooLong(c, text)) return;
  FontSpec spec;
  if (!FontSpecOf(font, spec)) return;
  const int half = spec.width / 2;
  if (half <= 0) return;
  const int room = c.width - x;
  if (x > c.width || room < room_cells * half || y > c.height - spec.height) return;

  // A byte is a half-width cell: keep the whole characters that fit right
  // of x. The glyphs are clipped to the content area besides, since they may
  // reach beyond their cells and a negative position starts left of it.
  char cut[kMaxWindowText + 1];
  CutText(text, room / half, cut);
  DrawTextRunClipped(ScreenCoord(c.sx + x), ScreenCoord(c.sy + y), cut, colour, spec, c.Clip());
}

// The font of a gc, none when it is not a gc.
Handle FontOf(Handle gc) {
  const GCRecord* g = GCView(gc);
  return g == nullptr ? kNoHandle : g->font;
}

}  // namespace

void WinPoint(Handle window, int16_t x, int16_t y) {
  uint32_t colour;
  if (TextColourOf(window, colour)) WinPointColor(window, x, y, colour);
}

void WinPointColor(Handle window, int16_t x, int16_t y, uint32_t colour) {
  Content c;
  if (!DrawableContent(window, c)) return;
  // A negative position lies outside the content area: not drawn.
  if (x > c.width || y > c.height || x < 0 || y < 0) return;
  SetDot(ScreenCoord(c.sx + x), ScreenCoord(c.sy + y), colour);
}

void WinLine(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2) {
  uint32_t colour;
  if (TextColourOf(window, colour)) WinLineColor(window, x1, y1, x2, y2, colour);
}

void WinLineColor(Handle window, int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour) {
  Content c;
  if (!DrawableContent(window, c)) return;
  if (c.width < 0 || c.height < 0) return;
  const int cx1 = std::clamp<int>(x1, 0, c.width), cy1 = std::clamp<int>(y1, 0, c.height);
  const int cx2 = std::clamp<int>(x2, 0, c.width), cy2 = std::clamp<int>(y2, 0, c.height);
  // Both end points lie in the content area; pinning them to 16 bits keeps
  // them in its bounding box, so the line between them stays inside too.
  DrawLine(ScreenCoord(c.sx + cx1), ScreenCoord(c.sy + cy1), ScreenCoord(c.sx + cx2), ScreenCoord(c.sy + cy2), colour);
}

void WinRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h) {
  uint32_t colour;
  if (TextColourOf(window, colour)) WinRectangleColor(window, x, y, w, h, colour);
}

void WinRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  Content c;
  if (!DrawableContent(window, c)) return;
  // A negative size would reach back left of or above the content area.
  if (x > c.width || y > c.height || x < 0 || y < 0 || w < 0 || h < 0) return;
  const int rw = std::min<int>(w, c.width - x), rh = std::min<int>(h, c.height - y);
  DrawFrame(ScreenCoord(c.sx + x), ScreenCoord(c.sy + y), static_cast<int16_t>(rw), static_cast<int16_t>(rh), colour);
}

void WinFillRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h) {
  uint32_t colour;
  if (TextColourOf(window, colour)) WinFillRectangleColor(window, x, y, w, h, colour);
}

void WinFillRectangleColor(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  Content c;
  int left, top, fw, fh;
  if (!DrawableContent(window, c) || !CutFill(c, x, y, w, h, left, top, fw, fh)) return;
  FillBox(ScreenCoord(c.sx + left), ScreenCoord(c.sy + top), static_cast<int16_t>(fw), static_cast<int16_t>(fh),
          colour);
}

void WinFill(Handle window, uint32_t colour) {
  Content c;
  if (!DrawableContent(window, c)) return;
  if (c.width < 0 || c.height < 0) return;
  FillBox(ScreenCoord(c.sx), ScreenCoord(c.sy), static_cast<int16_t>(c.width), static_cast<int16_t>(c.height), colour);
}

void WinMessage(Handle window, int16_t x, int16_t y, const char* text) {
  uint32_t colour;
  if (TextColourOf(window, colour)) WinMessageColor(window, x, y, text, colour);
}

void WinMessageColor(Handle window, int16_t x, int16_t y, const char* text, uint32_t colour) {
  DrawWindowText(window, x, y, text, colour, FontOf(GetWindowGC(window)), 1);
}

void WinMessageGC(Handle window, int16_t x, int16_t y, const char* text, Handle gc) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr) return;
  DrawWindowText(window, x, y, text, g->text, g->font, 2);
}

void WinCenterMessage(Handle window, int16_t y, const char* text, Handle gc) {
  const GCRecord* g = GCView(gc);
  Content c;
  if (g == nullptr || text == nullptr || !DrawableContent(window, c)) return;
  const uint16_t flags = g->flags;
  const uint32_t face = g->face, light = g->light;
  // Reported once here rather than by each of the two draws below.
  if (TooLong(c, text)) return;

  // The width in half-width cells is the byte count: a two-byte character
  // is two cells wide. (A count of characters would put two-byte text too
  // far right.)
  const int cells = static_cast<int>(BoundedLength(text));
  if (IsLeadByte(static_cast<unsigned char>(text[0]))) WriteLog("WinCenterMessage() in 2byte charcter");
  FontSpec spec;
  const int half = FontSpecOf(FontOf(c.gc), spec) ? spec.width / 2 : 0;
  const int x = std::max(c.width / 2 - (cells * half) / 2, 1);

  // The given gc stands in for the window's own for the two draws.
  WindowView(window)->gc = gc;
  WinMessageColor(window, static_cast<int16_t>(x), y, text, face);
  if ((flags & kGCEmbossed) != 0) {
    WinMessageColor(window, static_cast<int16_t>(x - 1), static_cast<int16_t>(y - 1), text, light);
  }
  if (WindowRecord* w = WindowView(window); w != nullptr) w->gc = c.gc;
}

namespace {

// One axis of a copy cut to the content area: the pixels [pos, pos + size)
// become [first, first + count), the first `skip` of the picture's left out.
struct Cut {
  int first = 0, count = 0, skip = 0;
};
// Cuts [pos, pos + size) to [0, end); false when nothing is left.
bool CutAxis(int pos, int size, int end, Cut& cut) {
  cut.first = std::max(pos, 0);
  cut.count = std::min(pos + size, end) - cut.first;
  cut.skip = cut.first - pos;
  return cut.count > 0;
}

int16_t Int16(int value) {
  return static_cast<int16_t>(std::clamp(value, INT16_MIN, INT16_MAX));
}

// Draws w by h pixels of the graphic from (source_x, source_y) at (x, y) of
// the content, cut so that x + w <= width and y + h <= height and nothing
// lies left of or above the content. 1 without a graphic; 0 when nothing is
// left to draw; else the store's result.
int DrawGraphicCut(const Content& c, int x, int y, int w, int h, int source_x, int source_y, Handle graphic) {
  if (GraphicView(graphic) == nullptr) return 1;
  Cut cx, cy;
  if (!CutAxis(x, w, c.width, cx) || !CutAxis(y, h, c.height, cy)) return 0;
  const int16_t sx = ScreenCoord(c.sx + cx.first), sy = ScreenCoord(c.sy + cy.first);
  if (source_x == 0 && source_y == 0 && cx.skip == 0 && cy.skip == 0) {
    return DrawGraphic(sx, sy, Int16(cx.count), Int16(cy.count), graphic);
  }
  return DrawGraphicOffset(sx, sy, Int16(cx.count), Int16(cy.count), graphic, Int16(source_x + cx.skip),
                           Int16(source_y + cy.skip));
}

}  // namespace

void WinSemitransparentRectangle(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  Content c;
  int left, top, fw, fh;
  if (!DrawableContent(window, c) || !CutFill(c, x, y, w, h, left, top, fw, fh)) return;
  ShadeRect(ScreenCoord(c.sx + left), ScreenCoord(c.sy + top), static_cast<int16_t>(fw), static_cast<int16_t>(fh),
            colour);
}

int WinGraphicSave(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  // It only reads the screen: the rectangle need not lie in the content.
  return GraphicSave(ScreenCoord(c.sx + x), ScreenCoord(c.sy + y), w, h, graphic);
}

int WinGraphicLoad(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  // w and h are last offsets: the copy covers w + 1 by h + 1 pixels, and may
  // reach the content's far edge (x + w <= width).
  Cut cx, cy;
  if (!CutAxis(x, w + 1, c.width + 1, cx) || !CutAxis(y, h + 1, c.height + 1, cy)) return 0;
  const int16_t sx = ScreenCoord(c.sx + cx.first), sy = ScreenCoord(c.sy + cy.first);
  if (cx.skip == 0 && cy.skip == 0) {
    return GraphicLoad(sx, sy, Int16(cx.count - 1), Int16(cy.count - 1), graphic);
  }
  // Cut on the left or at the top: the copy starts inside the picture.
  if (GraphicView(graphic) == nullptr) return 1;
  return DrawGraphicOffset(sx, sy, Int16(cx.count), Int16(cy.count), graphic, Int16(cx.skip), Int16(cy.skip)) != 0 ? 0
                                                                                                                   : 1;
}

int WinCopyArea(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t x2, int16_t y2) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  // The destination is cut to the content (w and h are last offsets); the
  // source moves with its cut.
  Cut cx, cy;
  if (!CutAxis(x2, w + 1, c.width + 1, cx) || !CutAxis(y2, h + 1, c.height + 1, cy)) return 1;
  return ScreenCopy(ScreenCoord(c.sx + x + cx.skip), ScreenCoord(c.sy + y + cy.skip), Int16(cx.count - 1),
                    Int16(cy.count - 1), ScreenCoord(c.sx + cx.first), ScreenCoord(c.sy + cy.first));
}

int WinDrawGraphic(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  return DrawGraphicCut(c, x, y, w, h, 0, 0, graphic);
}

int WinDrawGraphicPart(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t source_x, int16_t source_y,
                       Handle graphic) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  return DrawGraphicCut(c, x, y, w, h, source_x, source_y, graphic);
}

int WinDrawGraphicStretch(Handle window, int16_t x, int16_t y, int16_t w, int16_t h, int16_t source_w, int16_t source_h,
                          Handle graphic) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  if (GraphicView(graphic) == nullptr) return 1;
  Cut cx, cy;
  if (!CutAxis(x, w, c.width, cx) || !CutAxis(y, h, c.height, cy)) return 0;
  return StretchGraphic(ScreenCoord(c.sx + cx.first), ScreenCoord(c.sy + cy.first), Int16(cx.count), Int16(cy.count),
                        graphic, source_w, source_h);
}

int WinShowPicture(Handle graphic, Handle window, int16_t x, int16_t y) {
  Content c;
  if (!DrawableContent(window, c)) return 1;
  return DrawGraphicCut(c, x, y, c.width - x, c.height - y, 0, 0, graphic);
}

int WinTileGraphic(Handle window, Handle graphic) {
  Content c;
  const GraphicRecord* g = GraphicView(graphic);
  if (!DrawableContent(window, c) || g == nullptr) return 1;
  const int gw = g->width, gh = g->height;
  if (gw <= 0 || gh <= 0 || c.width < gw || c.height < gh) return 1;
  const int columns = c.width / gw, rows = c.height / gh;
  const int right = c.width % gw, bottom = c.height % gh;
  // One copy of the graphic's top-left w by h part at (x, y) of the content.
  auto copy = [&c, graphic](int x, int y, int w, int h) {
    return GraphicLoad(ScreenCoord(c.sx + x), ScreenCoord(c.sy + y), Int16(w - 1), Int16(h - 1), graphic) == 0;
  };
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      if (!copy(column * gw, row * gh, gw, gh)) return 1;
    }
  }
  if (right > 0) {
    for (int row = 0; row < rows; ++row) {
      if (!copy(columns * gw, row * gh, right, gh)) return 1;
    }
  }
  if (bottom > 0) {
    for (int column = 0; column < columns; ++column) {
      if (!copy(column * gw, rows * gh, gw, bottom)) return 1;
    }
  }
  if (right > 0 && bottom > 0 && !copy(columns * gw, rows * gh, right, bottom)) return 1;
  return 0;
}

}  // namespace vadu
