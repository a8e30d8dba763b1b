// The bitmap store and its copies. Pixels are kept in plain calloc'd blocks
// (a new bitmap is black without being written, and a failed allocation is a
// result, not an exception). The copies work on rows of the framebuffer's
// memory directly: clip once, then memcpy or a simple loop per row.
#include "platform/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/framebuffer.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// Pixels hold 24-bit colour; the top byte is always zero.
constexpr uint32_t kColourMask = 0x00FFFFFFu;

// An id is the slot's index + 1 in its low 16 bits and the slot's
// generation in its high 16 bits. A slot's generation moves on every time
// its bitmap is freed, and freed slots are reused oldest first, so an id
// comes back only after 65,536 reuses of its slot.
constexpr uint32_t kIndexBits = 16;
constexpr size_t kMaxSlots = (1u << kIndexBits) - 1;
// All bitmaps together may hold at most this many bytes, so a runaway
// caller fails to create pictures instead of exhausting the machine.
constexpr size_t kMaxTotalBytes = size_t{1} << 30;

struct Slot {
  uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  uint16_t generation = 1;
};

std::vector<Slot> g_slots;
std::deque<uint32_t> g_free;  // indices of empty slots, oldest freed first
size_t g_live = 0;
size_t g_bytes = 0;

size_t PixelBytes(int width, int height) {
  return static_cast<size_t>(width) * static_cast<size_t>(height) * sizeof(uint32_t);
}

Slot* Find(BitmapId id) {
  const uint32_t index_plus_one = id & ((1u << kIndexBits) - 1);
  if (index_plus_one == 0 || index_plus_one > g_slots.size()) return nullptr;
  Slot& s = g_slots[index_plus_one - 1];
  if (s.pixels == nullptr || s.generation != (id >> kIndexBits)) return nullptr;
  return &s;
}

void Release(Slot& s) {
  std::free(s.pixels);
  g_bytes -= PixelBytes(s.width, s.height);
  --g_live;
  s.pixels = nullptr;
  s.width = s.height = 0;
  ++s.generation;
}

// Pictures kept for the whole run (the system dialogs' saved screens, the
// pictures of windows still open) are given back when the process ends:
// the store's slots go with it, and pixels left behind would be memory
// nobody can reach. Made after the slots, so it is destroyed before them.
struct FreeAtExit {
  ~FreeAtExit() {
    for (Slot& s : g_slots) {
      if (s.pixels != nullptr) Release(s);
    }
  }
} g_free_at_exit;

// One axis of a copy of n pixels from s in a source of s_size to d in a
// destination of d_size, cut to both; false when nothing is left. Computed
// in 64 bits, so any int arguments are safe.
bool ClipAxis(int64_t s, int64_t d, int64_t n, int64_t s_size, int64_t d_size, int& s_out, int& d_out, int& n_out) {
  if (n <= 0) return false;
  if (s < 0) {
    d -= s;
    n += s;
    s = 0;
  }
  if (d < 0) {
    s -= d;
    n += d;
    d = 0;
  }
  n = std::min({n, s_size - s, d_size - d});
  if (n <= 0) return false;
  s_out = static_cast<int>(s);
  d_out = static_cast<int>(d);
  n_out = static_cast<int>(n);
  return true;
}

// A copy cut to its source and destination: w by h pixels from (sx, sy) to
// (dx, dy), all inside both surfaces.
struct Clipped {
  int sx, sy, dx, dy, w, h;
};

bool Clip(int sx, int sy, int w, int h, int s_width, int s_height, int dx, int dy, int d_width, int d_height,
          Clipped& c) {
  return ClipAxis(sx, dx, w, s_width, d_width, c.sx, c.dx, c.w) &&
         ClipAxis(sy, dy, h, s_height, d_height, c.sy, c.dy, c.h);
}

// The screen locked for one operation; the generation moves on when a
// pixel was written.
class LockedScreen {
 public:
  LockedScreen() : fb_(Screen()), lock_(fb_.mutex()), w_(fb_.width()), h_(fb_.height()), px_(fb_.pixels()) {}
  ~LockedScreen() {
    if (wrote_) fb_.Touch();
  }
  LockedScreen(const LockedScreen&) = delete;
  LockedScreen& operator=(const LockedScreen&) = delete;

  int width() const { return w_; }
  int height() const { return h_; }
  uint32_t* Row(int y) { return px_ + static_cast<size_t>(y) * static_cast<size_t>(w_); }
  void Wrote() { wrote_ = true; }

 private:
  Framebuffer& fb_;
  std::lock_guard<std::mutex> lock_;
  int w_;
  int h_;
  uint32_t* px_;
  bool wrote_ = false;
};

// Copies h rows of w pixels; one memcpy when both sides are whole rows of
// the same width.
void CopyRows(const uint32_t* src, size_t src_stride, uint32_t* dst, size_t dst_stride, int w, int h) {
  const size_t run = static_cast<size_t>(w);
  if (run == src_stride && run == dst_stride) {
    std::memcpy(dst, src, run * static_cast<size_t>(h) * sizeof(uint32_t));
    return;
  }
  for (int y = 0; y < h; ++y) std::memcpy(dst + y * dst_stride, src + y * src_stride, run * sizeof(uint32_t));
}

// Each of red, green and blue of n pixels less the colour's, at least 0.
void ShadeRow(uint32_t* p, int n, uint32_t colour) {
  int i = 0;
#if defined(__SSE2__)
  const __m128i sub = _mm_set1_epi32(static_cast<int>(colour));
  for (; i + 4 <= n; i += 4) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_subs_epu8(v, sub));
  }
#endif
  const uint32_t cr = colour & 0xFF, cg = (colour >> 8) & 0xFF, cb = (colour >> 16) & 0xFF;
  for (; i < n; ++i) {
    const uint32_t v = p[i];
    const uint32_t r = v & 0xFF, g = (v >> 8) & 0xFF, b = (v >> 16) & 0xFF;
    p[i] = (r > cr ? r - cr : 0) | ((g > cg ? g - cg : 0) << 8) | ((b > cb ? b - cb : 0) << 16) | (v & ~kColourMask);
  }
}

}  // namespace

BitmapId CreateBitmap(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxBitmapSide || height > kMaxBitmapSide) return kNoBitmap;
  const size_t bytes = PixelBytes(width, height);
  if (bytes > kMaxTotalBytes - g_bytes) return kNoBitmap;
  uint32_t index;
  if (!g_free.empty()) {
    index = g_free.front();
  } else if (g_slots.size() < kMaxSlots) {
    index = static_cast<uint32_t>(g_slots.size());
  } else {
    return kNoBitmap;
  }
  auto* pixels =
      static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * static_cast<size_t>(height), sizeof(uint32_t)));
  if (pixels == nullptr) return kNoBitmap;
  if (index == g_slots.size()) {
    g_slots.emplace_back();
  } else {
    g_free.pop_front();
  }
  Slot& s = g_slots[index];
  s.pixels = pixels;
  s.width = width;
  s.height = height;
  ++g_live;
  g_bytes += bytes;
  return (static_cast<uint32_t>(s.generation) << kIndexBits) | (index + 1);
}

void FreeBitmap(BitmapId id) {
  Slot* s = Find(id);
  if (s == nullptr) return;
  Release(*s);
  g_free.push_back(static_cast<uint32_t>(s - g_slots.data()));
}

bool BitmapSize(BitmapId id, int* width, int* height) {
  const Slot* s = Find(id);
  if (width != nullptr) *width = s != nullptr ? s->width : 0;
  if (height != nullptr) *height = s != nullptr ? s->height : 0;
  return s != nullptr;
}

uint32_t* BitmapPixels(BitmapId id) {
  Slot* s = Find(id);
  return s != nullptr ? s->pixels : nullptr;
}

size_t LiveBitmapCount() {
  return g_live;
}

size_t LiveBitmapBytes() {
  return g_bytes;
}

bool CopyScreenToBitmap(int sx, int sy, int w, int h, BitmapId dst, int bx, int by) {
  Slot* b = Find(dst);
  if (b == nullptr) return false;
  LockedScreen screen;
  Clipped c;
  if (!Clip(sx, sy, w, h, screen.width(), screen.height(), bx, by, b->width, b->height, c)) return true;
  CopyRows(screen.Row(c.sy) + c.sx, static_cast<size_t>(screen.width()),
           b->pixels + static_cast<size_t>(c.dy) * static_cast<size_t>(b->width) + c.dx, static_cast<size_t>(b->width),
           c.w, c.h);
  return true;
}

bool CopyBitmapToScreen(BitmapId src, int bx, int by, int w, int h, int sx, int sy) {
  const Slot* b = Find(src);
  if (b == nullptr) return false;
  LockedScreen screen;
  Clipped c;
  if (!Clip(bx, by, w, h, b->width, b->height, sx, sy, screen.width(), screen.height(), c)) return true;
  CopyRows(b->pixels + static_cast<size_t>(c.sy) * static_cast<size_t>(b->width) + c.sx, static_cast<size_t>(b->width),
           screen.Row(c.dy) + c.dx, static_cast<size_t>(screen.width()), c.w, c.h);
  screen.Wrote();
  return true;
}

bool CopyBitmapToScreenMasked(BitmapId src, int w, int h, int sx, int sy, uint32_t colour) {
  const Slot* b = Find(src);
  if (b == nullptr) return false;
  LockedScreen screen;
  Clipped c;
  if (!Clip(0, 0, w, h, b->width, b->height, sx, sy, screen.width(), screen.height(), c)) return true;
  const uint32_t keep = ~colour & kColourMask;
  for (int y = 0; y < c.h; ++y) {
    const uint32_t* from = b->pixels + static_cast<size_t>(c.sy + y) * static_cast<size_t>(b->width) + c.sx;
    uint32_t* to = screen.Row(c.dy + y) + c.dx;
    for (int x = 0; x < c.w; ++x) to[x] |= from[x] & keep;
  }
  screen.Wrote();
  return true;
}

bool CopyBitmapToScreenKeyed(BitmapId src, int w, int h, int sx, int sy, uint32_t key) {
  const Slot* b = Find(src);
  if (b == nullptr) return false;
  LockedScreen screen;
  Clipped c;
  if (!Clip(0, 0, w, h, b->width, b->height, sx, sy, screen.width(), screen.height(), c)) return true;
  // Written without branches, as a blend, so the loop vectorises; pixels
  // of the key colour are stored back as they were.
  uint32_t drawn = 0;
  for (int y = 0; y < c.h; ++y) {
    const uint32_t* from = b->pixels + static_cast<size_t>(c.sy + y) * static_cast<size_t>(b->width) + c.sx;
    uint32_t* to = screen.Row(c.dy + y) + c.dx;
    for (int x = 0; x < c.w; ++x) {
      const uint32_t keep = from[x] == key ? ~0u : 0u;
      to[x] = (to[x] & keep) | (from[x] & ~keep);
      drawn |= ~keep;
    }
  }
  if (drawn != 0) screen.Wrote();
  return true;
}

bool StretchBitmapToScreen(BitmapId src, int src_w, int src_h, int sx, int sy, int w, int h) {
  const Slot* b = Find(src);
  if (b == nullptr) return false;
  if (src_w <= 0 || src_h <= 0 || w <= 0 || h <= 0) return true;
  LockedScreen screen;
  // Destination pixel i of a side of n takes source pixel
  // floor((2i + 1) * source / 2n), the one under its centre. The products
  // can pass 64 bits for extreme arguments, hence 128.
  auto source_of = [](int64_t i, int64_t source, int64_t n) {
    return static_cast<int64_t>((static_cast<__int128>(2 * i + 1) * source) / (2 * static_cast<__int128>(n)));
  };
  // The visible destination columns and rows: on the screen, and with a
  // source inside the bitmap (the source grows with i, so those form one
  // run from the first visible one).
  const int64_t x0 = std::max<int64_t>(0, -static_cast<int64_t>(sx));
  const int64_t x1 = std::min<int64_t>(w, static_cast<int64_t>(screen.width()) - sx);
  const int64_t y0 = std::max<int64_t>(0, -static_cast<int64_t>(sy));
  const int64_t y1 = std::min<int64_t>(h, static_cast<int64_t>(screen.height()) - sy);
  if (x0 >= x1 || y0 >= y1) return true;
  static std::vector<int> columns;  // source column of each visible destination column
  columns.clear();
  for (int64_t i = x0; i < x1; ++i) {
    const int64_t s = source_of(i, src_w, w);
    if (s >= b->width) break;
    columns.push_back(static_cast<int>(s));
  }
  if (columns.empty()) return true;
  const int run = static_cast<int>(columns.size());
  const int* map = columns.data();
  bool wrote = false;
  for (int64_t j = y0; j < y1; ++j) {
    const int64_t s = source_of(j, src_h, h);
    if (s >= b->height) break;
    const uint32_t* from = b->pixels + static_cast<size_t>(s) * static_cast<size_t>(b->width);
    uint32_t* to = screen.Row(static_cast<int>(sy + j)) + (sx + x0);
    for (int x = 0; x < run; ++x) to[x] = from[map[x]];
    wrote = true;
  }
  if (wrote) screen.Wrote();
  return true;
}

void ShadeScreen(int x, int y, int w, int h, uint32_t colour) {
  LockedScreen screen;
  // A rectangle cut to the screen: clipped as a copy from the screen onto
  // itself at the same place.
  Clipped c;
  if (!Clip(x, y, w, h, screen.width(), screen.height(), x, y, screen.width(), screen.height(), c)) return;
  colour &= kColourMask;
  for (int row = 0; row < c.h; ++row) ShadeRow(screen.Row(c.dy + row) + c.dx, c.w, colour);
  screen.Wrote();
}

void CopyScreenToScreen(int sx, int sy, int w, int h, int dx, int dy) {
  LockedScreen screen;
  Clipped c;
  if (!Clip(sx, sy, w, h, screen.width(), screen.height(), dx, dy, screen.width(), screen.height(), c)) return;
  // Rows are taken in the order that reads each source row before it is
  // overwritten; memmove does the same within a row.
  const size_t bytes = static_cast<size_t>(c.w) * sizeof(uint32_t);
  if (c.dy > c.sy) {
    for (int row = c.h - 1; row >= 0; --row)
      std::memmove(screen.Row(c.dy + row) + c.dx, screen.Row(c.sy + row) + c.sx, bytes);
  } else {
    for (int row = 0; row < c.h; ++row)
      std::memmove(screen.Row(c.dy + row) + c.dx, screen.Row(c.sy + row) + c.sx, bytes);
  }
  screen.Wrote();
}

void ResetBitmaps() {
  g_free.clear();
  for (size_t i = 0; i < g_slots.size(); ++i) {
    if (g_slots[i].pixels != nullptr) Release(g_slots[i]);
    g_free.push_back(static_cast<uint32_t>(i));
  }
  g_live = 0;
  g_bytes = 0;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetBitmaps);
}  // namespace

}  // namespace vadu
