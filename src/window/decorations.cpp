#include "window/decorations.h"

#include <cstring>
#include <string>

#include "core/strings.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "platform/device.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/manager.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kBarHeight = 18;
constexpr int kBoxSize = 14;
constexpr int kTitleChars = 15;     // the title box is this many half-widths wide
constexpr int kTitleCutBytes = 13;  // a longer name keeps this much, then ".."
constexpr uint32_t kBlack = 0;

// Decorations lie outside the content area, so they are drawn into the root
// window, whose content is the whole screen.
Handle Canvas() {
  return RootWindow();
}

int16_t I16(int v) {
  return static_cast<int16_t>(v);
}

bool Drawable(const WindowRecord* w) {
  return w != nullptr && (w->mode & WINDOWdrawable) != 0;
}

void DrawTitle(Handle window, Handle gc, int bar_top) {
  const WindowRecord* w = WindowView(window);
  const GCRecord* g = GCView(gc);
  if (w == nullptr || g == nullptr) return;
  const FontRecord* f = FontView(g->font);
  const int half = f != nullptr ? f->width / 2 : 8;
  const ScreenRect c = ContentRect(window);
  const int box_w = kTitleChars * half;
  const int box_x = c.x + (c.width - box_w) / 2;
  const std::string name = WindowNameText(window);
  char title[kTitleCutBytes + 3];
  TitleText(name.c_str(), title, sizeof title);
  const int length = static_cast<int>(name.size()) > kTitleChars ? -1 : static_cast<int>(std::strlen(title));
  const int offset = length < 0 ? 2 : (kTitleChars - length) * half / 2;
  WinFillRectangleColor(Canvas(), I16(box_x), I16(bar_top + 3), I16(box_w - 1), I16(kBoxSize - 1), ColourTable[1]);
  DrawText(I16(box_x + offset), I16(bar_top + 5), title, kBlack, TitleFont());
}

void DrawFrame(Handle window, Handle gc) {
  const GCRecord* g = GCView(gc);
  if (g == nullptr) return;
  const uint32_t face = g->face, light = g->light, shadow = g->shadow;
  const ScreenRect o = OuterRect(window);
  const Handle root = Canvas();
  const int l = o.x, t = o.y, r = o.x + o.width - 1, b = o.y + o.height - 1;
  // Four face bars of the 4-pixel band.
  WinFillRectangleColor(root, I16(l), I16(t), I16(o.width - 1), 3, face);
  WinFillRectangleColor(root, I16(l), I16(b - 3), I16(o.width - 1), 3, face);
  WinFillRectangleColor(root, I16(l), I16(t), 3, I16(o.height - 1), face);
  WinFillRectangleColor(root, I16(r - 3), I16(t), 3, I16(o.height - 1), face);
  // Raised outer edge, sunken inner edge: light above and left outside,
  // shadow below and right outside, the other way round inside.
  WinLineColor(root, I16(l), I16(t), I16(r), I16(t), light);
  WinLineColor(root, I16(l), I16(t), I16(l), I16(b), light);
  WinLineColor(root, I16(l), I16(b), I16(r + 1), I16(b), shadow);
  WinLineColor(root, I16(r), I16(t), I16(r), I16(b), shadow);
  WinLineColor(root, I16(l + 3), I16(t + 3), I16(r - 3), I16(t + 3), shadow);
  WinLineColor(root, I16(l + 3), I16(t + 3), I16(l + 3), I16(b - 3), shadow);
  WinLineColor(root, I16(l + 3), I16(b - 3), I16(r - 2), I16(b - 3), light);
  WinLineColor(root, I16(r - 3), I16(t + 3), I16(r - 3), I16(b - 3), light);
}

}  // namespace

void TitleText(const char* name, char* out, size_t size) {
  if (size == 0) return;
  if (name == nullptr) name = "";
  const size_t n = std::strlen(name);
  if (n <= static_cast<size_t>(kTitleChars)) {
    line_copy(name, out, size);
    return;
  }
  // The first 13 bytes, never ending inside a two-byte character, then "..".
  size_t cut = 0;
  while (cut < static_cast<size_t>(kTitleCutBytes)) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(name[cut])) ? 2 : 1;
    if (cut + step > static_cast<size_t>(kTitleCutBytes)) break;
    cut += step;
  }
  if (cut + 3 > size) cut = size >= 3 ? size - 3 : 0;
  std::memcpy(out, name, cut);
  std::memcpy(out + cut, "..", size >= 3 ? 3 : 1);
  if (size < 3) out[0] = '\0';
}

void DrawTitleBox(Handle window, Handle gc, TitleBox box, bool pressed) {
  const WindowRecord* w = WindowView(window);
  if (!Drawable(w) || (w->mode & WINDOWcontrolbar) == 0) return;
  const ScreenRect c = ContentRect(window);
  const int bar_top = TopBarY(window);
  const Handle root = Canvas();
  const int y = bar_top + 2;
  if (box == TitleBox::kClose) {
    const int x = c.x;
    BevelBox(root, I16(x), I16(y), kBoxSize, kBoxSize, 0, gc, pressed);
    WinLineColor(root, I16(x + 3), I16(y + 3), I16(x + 11), I16(y + 11), kBlack);
  } else {
    const int x = c.x + c.width - kBoxSize;
    BevelBox(root, I16(x), I16(y), kBoxSize, kBoxSize, 0, gc, pressed);
    // Two outline squares, 10 and 5 pixels, from (+2, +2).
    WinLineColor(root, I16(x + 2), I16(y + 2), I16(x + 12), I16(y + 2), kBlack);
    WinLineColor(root, I16(x + 2), I16(y + 2), I16(x + 2), I16(y + 12), kBlack);
    WinLineColor(root, I16(x + 2), I16(y + 12), I16(x + 13), I16(y + 12), kBlack);
    WinLineColor(root, I16(x + 12), I16(y + 2), I16(x + 12), I16(y + 12), kBlack);
    WinLineColor(root, I16(x + 2), I16(y + 7), I16(x + 7), I16(y + 7), kBlack);
    WinLineColor(root, I16(x + 7), I16(y + 2), I16(x + 7), I16(y + 8), kBlack);
  }
}

void DrawDecorations(Handle window, Handle gc) {
  const WindowRecord* w = WindowView(window);
  if (!Drawable(w)) return;
  const uint32_t mode = w->mode;
  const ScreenRect c = ContentRect(window);
  const int bar_top = TopBarY(window);
  const Handle root = Canvas();
  if ((mode & WINDOWcontrolbar) != 0) {
    BevelBox(root, I16(c.x), I16(bar_top), I16(c.width), kBarHeight, 1, gc, false);
    if ((mode & WINDOWclosebox) != 0) DrawTitleBox(window, gc, TitleBox::kClose, false);
    if ((mode & WINDOWresizebox) != 0) DrawTitleBox(window, gc, TitleBox::kResize, false);
    if ((mode & WINDOWtitle) != 0) DrawTitle(window, gc, bar_top);
  }
  if ((mode & WINDOWsubbar) != 0) {
    BevelBox(root, I16(c.x), I16(bar_top + kBarHeight), I16(c.width), kBarHeight, 1, gc, true);
  }
  if ((mode & WINDOWframe) != 0 && (mode & WINDOWopen) != 0) DrawFrame(window, gc);
}

}  // namespace vadu
