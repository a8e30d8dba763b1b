// The drawing operations over the software framebuffer. Every operation
// works in int (never in the 16-bit argument types), clips to the screen
// before it touches a pixel, holds the framebuffer mutex while it writes and
// bumps the generation when it wrote anything.
#include "platform/device.h"

#include <algorithm>
#include <cstdlib>

#include "platform/host.h"
#include "platform/reset.h"
#include "platform/text_raster.h"

namespace vadu {

uint32_t ColourTable[kColourTableSize] = {};

namespace {

// Pixels hold 24-bit colour; the top byte is always zero.
constexpr uint32_t kColourMask = 0x00FFFFFFu;

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VADU_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VADU_ASAN 1
#endif

// Stores n copies of a pixel. Long runs use the processor's string store,
// which runs at memset speed where a plain loop reaches about half of it;
// sanitizer builds keep the plain (checked) loop.
inline void FillPixels(uint32_t* p, size_t n, uint32_t colour) {
#if defined(__x86_64__) && !defined(VADU_ASAN)
  if (n >= 64) {
    asm volatile("rep stosl" : "+D"(p), "+c"(n) : "a"(colour) : "memory");
    return;
  }
#endif
  std::fill_n(p, n, colour);
}

// The focus rectangle last drawn (for RedrawFocus).
struct FocusRect {
  bool drawn = false;
  int x = 0, y = 0, width = 0, height = 0;
};
FocusRect g_focus;

// A locked view of the screen for one drawing operation.
class Canvas {
 public:
  Canvas() : fb_(Screen()), lock_(fb_.mutex()), w_(fb_.width()), h_(fb_.height()), px_(fb_.pixels()) {}
  ~Canvas() {
    if (wrote_) fb_.Touch();
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  int width() const { return w_; }
  int height() const { return h_; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }

  void Set(int x, int y, uint32_t colour) {
    if (!Inside(x, y)) return;
    px_[Index(x, y)] = colour;
    wrote_ = true;
  }
  uint32_t Get(int x, int y) const { return Inside(x, y) ? px_[Index(x, y)] : 0u; }
  void Invert(int x, int y) {
    if (!Inside(x, y)) return;
    px_[Index(x, y)] ^= kColourMask;
    wrote_ = true;
  }
  // Row y from x0 to x1 inclusive, clipped.
  void Span(int y, int x0, int x1, uint32_t colour) {
    if (y < 0 || y >= h_) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, w_ - 1);
    if (x0 > x1) return;
    FillPixels(px_ + Index(x0, y), static_cast<size_t>(x1 - x0 + 1), colour);
    wrote_ = true;
  }
  // The inclusive box, clipped; whole rows at once when they are contiguous.
  void Box(int x0, int y0, int x1, int y1, uint32_t colour) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, w_ - 1);
    y1 = std::min(y1, h_ - 1);
    if (x0 > x1 || y0 > y1) return;
    const size_t run = static_cast<size_t>(x1 - x0 + 1);
    if (x0 == 0 && x1 == w_ - 1) {
      FillPixels(px_ + Index(0, y0), run * static_cast<size_t>(y1 - y0 + 1), colour);
    } else {
      for (int y = y0; y <= y1; ++y) FillPixels(px_ + Index(x0, y), run, colour);
    }
    wrote_ = true;
  }

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x); }

  Framebuffer& fb_;
  std::lock_guard<std::mutex> lock_;
  int w_;
  int h_;
  uint32_t* px_;
  bool wrote_ = false;
};

// Inverts every other pixel of the inclusive outline (x0, y0)-(x1, y1), the
// ones whose screen x + y is even, as the host's dotted focus pattern does.
// Each outline pixel is visited once, so inverting twice restores the screen.
void InvertDottedOutline(int x0, int y0, int x1, int y1) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  Canvas c;
  auto dot = [&c](int x, int y) {
    if (((x + y) & 1) == 0) c.Invert(x, y);
  };
  // Only the visible part of each edge is walked.
  const int cx0 = std::max(x0, 0), cx1 = std::min(x1, c.width() - 1);
  for (int x = cx0; x <= cx1; ++x) {
    dot(x, y0);
    if (y1 != y0) dot(x, y1);
  }
  const int cy0 = std::max(y0 + 1, 0), cy1 = std::min(y1 - 1, c.height() - 1);
  for (int y = cy0; y <= cy1; ++y) {
    dot(x0, y);
    if (x1 != x0) dot(x1, y);
  }
}

}  // namespace

int OpenDevice(int width, int height) {
  Framebuffer& fb = Screen();
  if (fb.width() == 0 || fb.height() == 0) fb.Resize(width, height);
  g_focus = FocusRect{};
  ForgetHostFonts();
  return 0;
}

void BuildColourTable() {
  struct Entry {
    int index;
    uint8_t r, g, b;
  };
  // A 24-bit framebuffer shows every colour as it is, so the nearest colour
  // of each entry is the entry itself (6 and 7 are stored as listed anyway).
  static constexpr Entry kEntries[] = {
      {0, 0, 0, 0},      {1, 255, 255, 255},  {2, 200, 0, 0},      {3, 0, 0, 220},      {4, 200, 200, 0},
      {5, 30, 150, 40},  {6, 240, 110, 110},  {7, 120, 120, 250},  {8, 200, 160, 80},   {14, 20, 70, 20},
      {15, 120, 30, 30}, {16, 30, 30, 120},   {17, 120, 120, 120}, {18, 200, 200, 200}, {19, 50, 50, 50},
      {20, 50, 10, 10},  {21, 255, 180, 180}, {22, 230, 150, 180}, {23, 250, 250, 140}, {24, 120, 190, 100},
      {25, 0, 109, 86},  {26, 88, 206, 145},  {27, 179, 184, 187},
  };
  // Entries 9 to 13 are never filled.
  for (uint32_t& c : ColourTable) c = 0;
  for (const Entry& e : kEntries) ColourTable[e.index] = MakeColour(e.r, e.g, e.b);
}

void CloseDevice() {
  ReleaseTextRaster();
  g_focus = FocusRect{};
  HostQuit(0);
}

void DrawLine(int16_t x1, int16_t y1, int16_t x2, int16_t y2, uint32_t colour) {
  colour &= kColourMask;
  const int dx = x2 - x1, dy = y2 - y1;
  const bool x_major = std::abs(dx) >= std::abs(dy);
  // Walk the major axis; pixel k (0 <= k < n) sits at major m0 + k * ms and
  // minor q0 + round(k * dmin / n) * qs, rounding halves away from the
  // start. The end point (k = n) is not set.
  const int n = x_major ? std::abs(dx) : std::abs(dy);
  if (n == 0) return;
  const int64_t dmin = x_major ? std::abs(dy) : std::abs(dx);
  const int m0 = x_major ? x1 : y1, q0 = x_major ? y1 : x1;
  const int ms = (x_major ? dx : dy) < 0 ? -1 : 1;
  const int qs = (x_major ? dy : dx) < 0 ? -1 : 1;

  Canvas c;
  const int major_size = x_major ? c.width() : c.height();
  const int minor_size = x_major ? c.height() : c.width();
  // Only the steps whose major coordinate is on the screen are walked.
  int k0 = ms > 0 ? -m0 : m0 - (major_size - 1);
  int k1 = ms > 0 ? major_size - 1 - m0 : m0;
  k0 = std::max(k0, 0);
  k1 = std::min(k1, n - 1);
  if (k0 > k1) return;

  const int64_t two_n = 2 * static_cast<int64_t>(n);
  int64_t num = 2 * static_cast<int64_t>(k0) * dmin + n;
  int64_t off = num / two_n;
  num %= two_n;
  for (int k = k0; k <= k1; ++k) {
    const int m = m0 + ms * k;
    const int64_t q = q0 + qs * off;
    if (q >= 0 && q < minor_size) {
      if (x_major) {
        c.Set(m, static_cast<int>(q), colour);
      } else {
        c.Set(static_cast<int>(q), m, colour);
      }
    } else if ((qs > 0 && q >= minor_size) || (qs < 0 && q < 0)) {
      break;  // left the screen for good
    }
    num += 2 * dmin;
    if (num >= two_n) {
      num -= two_n;
      ++off;
    }
  }
}

void DrawFrame(int16_t x, int16_t y, int16_t width, int16_t height, uint32_t colour) {
  colour &= kColourMask;
  int x0 = x, x1 = x + width, y0 = y, y1 = y + height;
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  Canvas c;
  c.Span(y0, x0, x1, colour);
  if (y1 != y0) c.Span(y1, x0, x1, colour);
  const int cy0 = std::max(y0 + 1, 0), cy1 = std::min(y1 - 1, c.height() - 1);
  for (int row = cy0; row <= cy1; ++row) {
    c.Set(x0, row, colour);
    if (x1 != x0) c.Set(x1, row, colour);
  }
}

void FillBox(int16_t x, int16_t y, int16_t width, int16_t height, uint32_t colour) {
  // A negative size is an empty rectangle, as the host's fill treats it.
  if (width < 0 || height < 0) return;
  const int x1 = x + width, y1 = y + height;
  if (x1 <= 0 || y1 <= 0) return;
  Canvas c;
  c.Box(x, y, x1, y1, colour & kColourMask);
}

void SetDot(int16_t x, int16_t y, uint32_t colour) {
  Canvas c;
  c.Set(x, y, colour & kColourMask);
}

uint32_t GetDot(int16_t x, int16_t y) {
  Canvas c;
  return c.Get(x, y);
}

void DrawFocus(int16_t x, int16_t y, int16_t width, int16_t height) {
  g_focus = FocusRect{true, x, y, width, height};
  InvertDottedOutline(x, y, x + width, y + height);
}

void RedrawFocus() {
  if (!g_focus.drawn) return;
  InvertDottedOutline(g_focus.x, g_focus.y, g_focus.x + g_focus.width, g_focus.y + g_focus.height);
}

namespace {

void ResetDevice() {
  std::fill(std::begin(ColourTable), std::end(ColourTable), 0u);
  g_focus = FocusRect{};
}

[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetDevice);
}  // namespace

}  // namespace vadu
