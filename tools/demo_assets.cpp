// demo-assets: makes the demo game's pictures, music and sound at build time.
//
//   demo-assets OUTDIR NAME...   writes the named files into OUTDIR
//   demo-assets --list           prints the names it can make, one a line
//
// Nothing binary is committed: every picture is painted here from shapes
// (gradient skies, a sea with waves, a sun or a moon, silhouettes of hills,
// a town, pines and a lighthouse, a girl's face), the music is a short
// melody written as notes, and the chime is a sum of decaying bell partials.
// The output is the same bytes on every run: the only randomness is a
// fixed-seed generator, and every file is written field by field through
// explicit little-endian (BMP, WAVE) or big-endian (MIDI) writers.
//
// Pictures are uncompressed 24-bit BMP files (40-byte information header,
// bottom-up rows padded to 4 bytes), the form the engine's decoder reads
// most directly. Sizes follow the play window: backgrounds 700 x 525 (the
// background picture object), faces 160 x 230 (the face window is 170 x
// 240), play pictures 240 x 170 (the play window is 250 x 180).
//
// Exit codes: 0 written; 1 a file could not be written; 2 bad arguments or
// an unknown name.
//
// This file holds no non-ASCII literal: the test program includes it as it is.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace demo_assets {

// ---------------------------------------------------------------------------
// Byte writers. Each format states its own byte order; nothing is written by
// copying a struct's memory.

class Out {
 public:
  void U8(uint8_t v) { b_.push_back(v); }
  void Le16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void Le32(uint32_t v) {
    Le16(static_cast<uint16_t>(v));
    Le16(static_cast<uint16_t>(v >> 16));
  }
  void Be16(uint16_t v) {
    U8(static_cast<uint8_t>(v >> 8));
    U8(static_cast<uint8_t>(v));
  }
  void Be32(uint32_t v) {
    Be16(static_cast<uint16_t>(v >> 16));
    Be16(static_cast<uint16_t>(v));
  }
  // Four ASCII characters of a chunk name or a magic.
  void Tag(const char* four) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(four[i]));
  }
  void Append(const std::vector<uint8_t>& bytes) { b_.insert(b_.end(), bytes.begin(), bytes.end()); }
  // A MIDI variable-length quantity: seven bits a byte, most significant
  // first, the high bit set on every byte but the last.
  void Vlq(uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v != 0 && n < 5);
    while (n > 1) U8(static_cast<uint8_t>(groups[--n] | 0x80));
    U8(groups[0]);
  }
  size_t size() const { return b_.size(); }
  std::vector<uint8_t>& bytes() { return b_; }

 private:
  std::vector<uint8_t> b_;
};

// A small fixed-seed generator (xorshift32): the same stars, waves and rain
// on every run and every machine.
class Rng {
 public:
  explicit Rng(uint32_t seed) : s_(seed != 0 ? seed : 1) {}
  uint32_t Next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
  }
  // Uniform in [lo, hi).
  float Range(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(Next() >> 8) / 16777216.0f; }

 private:
  uint32_t s_;
};

// ---------------------------------------------------------------------------
// Painting. Colours are kept as floats (0..1) while a picture is painted and
// rounded once, with a 4 x 4 ordered dither so that the long sky gradients
// show no bands in 24 bits.

struct Colour {
  float r = 0, g = 0, b = 0;
};
inline Colour Rgb(int r, int g, int b) {
  return {r / 255.0f, g / 255.0f, b / 255.0f};
}
inline Colour Mix(Colour a, Colour b, float t) {
  t = std::clamp(t, 0.0f, 1.0f);
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

class Canvas {
 public:
  Canvas(int w, int h, Colour fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}
  int width() const { return w_; }
  int height() const { return h_; }
  Colour at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
  // Paints `c` over the pixel with the given coverage (0..1); outside the
  // picture nothing happens.
  void Blend(int x, int y, Colour c, float alpha) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || alpha <= 0) return;
    Colour& p = px_[static_cast<size_t>(y) * w_ + x];
    p = Mix(p, c, alpha);
  }
  // Adds light (glows, stars); the sum is clamped when the picture is encoded.
  void Add(int x, int y, Colour c, float amount) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || amount <= 0) return;
    Colour& p = px_[static_cast<size_t>(y) * w_ + x];
    p.r += c.r * amount;
    p.g += c.g * amount;
    p.b += c.b * amount;
  }

 private:
  int w_, h_;
  std::vector<Colour> px_;
};

struct Stop {
  float at;  // 0 at the top of the band, 1 at its bottom
  Colour colour;
};

// Fills rows y0..y1-1 with a gradient through the stops.
inline void VerticalGradient(Canvas& c, int y0, int y1, std::initializer_list<Stop> stops) {
  const std::vector<Stop> s(stops);
  for (int y = std::max(0, y0); y < std::min(c.height(), y1); ++y) {
    const float t = y1 - y0 > 1 ? static_cast<float>(y - y0) / static_cast<float>(y1 - y0 - 1) : 0.0f;
    Colour col = s.front().colour;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      if (t >= s[i].at && t <= s[i + 1].at) {
        col = Mix(s[i].colour, s[i + 1].colour, (t - s[i].at) / std::max(1e-6f, s[i + 1].at - s[i].at));
      }
    }
    if (t > s.back().at) col = s.back().colour;
    for (int x = 0; x < c.width(); ++x) c.Blend(x, y, col, 1);
  }
}

// A filled ellipse with a soft one-pixel edge.
inline void Ellipse(Canvas& c, float cx, float cy, float rx, float ry, Colour col, float alpha = 1) {
  const int x0 = static_cast<int>(std::floor(cx - rx - 1)), x1 = static_cast<int>(std::ceil(cx + rx + 1));
  const int y0 = static_cast<int>(std::floor(cy - ry - 1)), y1 = static_cast<int>(std::ceil(cy + ry + 1));
  const float edge = std::min(rx, ry);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float nx = (x + 0.5f - cx) / rx, ny = (y + 0.5f - cy) / ry;
      const float d = std::sqrt(nx * nx + ny * ny);
      const float cover = std::clamp((1 - d) * edge + 0.5f, 0.0f, 1.0f);
      c.Blend(x, y, col, cover * alpha);
    }
  }
}

// Light that falls off from a centre: strength at the centre, nothing at
// the radius.
inline void Glow(Canvas& c, float cx, float cy, float radius, Colour col, float strength) {
  for (int y = static_cast<int>(cy - radius); y <= static_cast<int>(cy + radius); ++y) {
    for (int x = static_cast<int>(cx - radius); x <= static_cast<int>(cx + radius); ++x) {
      const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
      if (d < 1) c.Add(x, y, col, strength * (1 - d) * (1 - d));
    }
  }
}

struct Point {
  float x, y;
};

// A filled polygon (even-odd rule), each pixel sampled 4 x 4 times; `fade`,
// when given, scales the coverage at each pixel (a light beam that thins out).
inline void Polygon(Canvas& c, const std::vector<Point>& pts, Colour col, float alpha = 1,
                    const std::function<float(float, float)>& fade = nullptr) {
  float minx = pts[0].x, maxx = pts[0].x, miny = pts[0].y, maxy = pts[0].y;
  for (const Point& p : pts) {
    minx = std::min(minx, p.x);
    maxx = std::max(maxx, p.x);
    miny = std::min(miny, p.y);
    maxy = std::max(maxy, p.y);
  }
  const auto inside = [&](float x, float y) {
    bool in = false;
    for (size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
      if ((pts[i].y > y) != (pts[j].y > y) &&
          x < (pts[j].x - pts[i].x) * (y - pts[i].y) / (pts[j].y - pts[i].y) + pts[i].x) {
        in = !in;
      }
    }
    return in;
  };
  for (int y = static_cast<int>(std::floor(miny)); y <= static_cast<int>(std::ceil(maxy)); ++y) {
    for (int x = static_cast<int>(std::floor(minx)); x <= static_cast<int>(std::ceil(maxx)); ++x) {
      int hits = 0;
      for (int sy = 0; sy < 4; ++sy) {
        for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5f) / 4, y + (sy + 0.5f) / 4) ? 1 : 0;
      }
      if (hits == 0) continue;
      const float f = fade ? fade(x + 0.5f, y + 0.5f) : 1.0f;
      c.Blend(x, y, col, alpha * f * static_cast<float>(hits) / 16.0f);
    }
  }
}

inline void Rect(Canvas& c, float x, float y, float w, float h, Colour col, float alpha = 1) {
  Polygon(c, {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}}, col, alpha);
}

// A line of the given width with soft ends and sides.
inline void Line(Canvas& c, float x0, float y0, float x1, float y1, float width, Colour col, float alpha = 1) {
  const float dx = x1 - x0, dy = y1 - y0;
  const float len2 = std::max(1e-6f, dx * dx + dy * dy);
  const float half = width / 2;
  for (int y = static_cast<int>(std::min(y0, y1) - half - 1); y <= static_cast<int>(std::max(y0, y1) + half + 1); ++y) {
    for (int x = static_cast<int>(std::min(x0, x1) - half - 1); x <= static_cast<int>(std::max(x0, x1) + half + 1);
         ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      const float t = std::clamp((px * dx + py * dy) / len2, 0.0f, 1.0f);
      const float d = std::hypot(px - t * dx, py - t * dy);
      c.Blend(x, y, col, alpha * std::clamp(half - d + 0.5f, 0.0f, 1.0f));
    }
  }
}

// An arc of an ellipse from angle a0 to a1 (radians, 0 to the right, going
// down the picture for positive angles), drawn as short lines.
inline void Arc(Canvas& c, float cx, float cy, float rx, float ry, float a0, float a1, float width, Colour col) {
  const int steps = 16;
  for (int i = 0; i < steps; ++i) {
    const float t0 = a0 + (a1 - a0) * i / steps, t1 = a0 + (a1 - a0) * (i + 1) / steps;
    Line(c, cx + rx * std::cos(t0), cy + ry * std::sin(t0), cx + rx * std::cos(t1), cy + ry * std::sin(t1), width, col);
  }
}

// Fills everything below the curve y = top(x) from x0 to x1, the edge
// pixel by the part of it that lies below the curve.
inline void Ridge(Canvas& c, int x0, int x1, const std::function<float(float)>& top, Colour col, float alpha = 1) {
  for (int x = std::max(0, x0); x < std::min(c.width(), x1); ++x) {
    const float t = top(x + 0.5f);
    for (int y = std::max(0, static_cast<int>(std::floor(t))); y < c.height(); ++y) {
      c.Blend(x, y, col, alpha * std::clamp(y + 1 - t, 0.0f, 1.0f));
    }
  }
}

// A cloud: a few overlapping puffs painted as one shape, so that its inside
// is as dense as its middle.
inline void Cloud(Canvas& c, float cx, float cy, float scale, Colour col, float alpha) {
  const struct {
    float dx, dy, rx, ry;
  } puffs[] = {{-34, 6, 26, 14}, {-12, -4, 24, 18}, {12, -9, 28, 21}, {36, 2, 26, 15}, {4, 8, 44, 12}};
  const int x0 = static_cast<int>(cx - 80 * scale), x1 = static_cast<int>(cx + 80 * scale);
  const int y0 = static_cast<int>(cy - 40 * scale), y1 = static_cast<int>(cy + 30 * scale);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      float cover = 0;
      for (const auto& p : puffs) {
        const float nx = (x + 0.5f - cx - p.dx * scale) / (p.rx * scale);
        const float ny = (y + 0.5f - cy - p.dy * scale) / (p.ry * scale);
        cover = std::max(cover, std::clamp((1 - std::sqrt(nx * nx + ny * ny)) * 6, 0.0f, 1.0f));
      }
      // Lit from above: the lower part of the cloud is a little darker.
      const float shade = std::clamp((y - cy) / (30 * scale), 0.0f, 1.0f) * 0.18f;
      c.Blend(x, y, Mix(col, Rgb(120, 130, 150), shade), cover * alpha);
    }
  }
}

// Waves: short bright dashes on rows that crowd together towards the
// horizon, longer and further apart near the viewer; under a sun or moon
// (glitter_x >= 0) the dashes take the light's colour in a widening column.
inline void Sea(Canvas& c, int horizon, Colour far, Colour near, Colour crest, float crest_alpha, float glitter_x,
                Colour glitter, uint32_t seed) {
  VerticalGradient(c, horizon, c.height(), {{0, far}, {1, near}});
  Rng rng(seed);
  const int h = c.height() - horizon;
  for (float d = 0.02f; d < 1.0f; d += 0.012f + d * 0.05f) {
    const float y = horizon + h * d * d * 0.35f + h * d * 0.65f;
    const float len = 6 + 60 * d;
    for (float x = rng.Range(-len, 0); x < c.width(); x += len * rng.Range(1.6f, 3.2f)) {
      const float l = len * rng.Range(0.5f, 1.0f);
      const float thick = 0.8f + 2.2f * d;
      bool lit = false;
      if (glitter_x >= 0) {
        const float spread = 18 + 120 * d;
        lit = std::fabs(x + l / 2 - glitter_x) < spread * rng.Range(0.4f, 1.0f);
      }
      Line(c, x, y, x + l, y, thick, lit ? glitter : crest, lit ? 0.85f : crest_alpha * rng.Range(0.5f, 1.0f));
    }
  }
}

// A pine: three stacked triangles on a trunk.
inline void Pine(Canvas& c, float x, float ground, float height, Colour col) {
  Rect(c, x - height * 0.04f, ground - height * 0.25f, height * 0.08f, height * 0.25f, col);
  for (int i = 0; i < 3; ++i) {
    const float top = ground - height + i * height * 0.22f;
    const float half = height * (0.18f + 0.07f * i);
    Polygon(c, {{x, top}, {x + half, top + height * 0.42f}, {x - half, top + height * 0.42f}}, col);
  }
}

// A row of houses between x0 and x1 standing on `ground`: flat and gabled
// roofs, and at night lit windows.
inline void Town(Canvas& c, float x0, float x1, float ground, Colour wall, Colour roof, bool night, uint32_t seed,
                 bool coloured) {
  Rng rng(seed);
  for (float x = x0; x < x1;) {
    const float w = rng.Range(18, 38), h = rng.Range(18, 46);
    Colour body = wall;
    if (coloured) body = Mix(wall, Rgb(230, 200, 170), rng.Range(0, 0.6f));
    Rect(c, x, ground - h, w, h, body);
    if (rng.Range(0, 1) < 0.6f) {
      Colour top = coloured ? Mix(roof, Rgb(60, 80, 140), rng.Range(0, 1)) : roof;
      Polygon(c, {{x - 2, ground - h}, {x + w / 2, ground - h - w * 0.35f}, {x + w + 2, ground - h}}, top);
    }
    for (float wy = ground - h + 6; wy < ground - 8; wy += 11) {
      for (float wx = x + 4; wx < x + w - 6; wx += 9) {
        if (night) {
          if (rng.Range(0, 1) < 0.45f) Rect(c, wx, wy, 4, 5, Rgb(255, 214, 120), 0.95f);
        } else if (coloured) {
          Rect(c, wx, wy, 4, 5, Rgb(70, 90, 120), 0.7f);
        }
      }
    }
    x += w + rng.Range(0, 6);
  }
}

// The lighthouse on its cliff: a tapered tower, its gallery, lantern and
// roof; by day white with red bands, otherwise a silhouette whose lantern
// may shine.
inline void Lighthouse(Canvas& c, float x, float base, float height, bool day, Colour shadow, bool lit, bool beam) {
  const float bw = height * 0.16f, tw = height * 0.11f;
  const Colour white = day ? Rgb(245, 245, 240) : shadow;
  Polygon(c, {{x - bw, base}, {x + bw, base}, {x + tw, base - height}, {x - tw, base - height}}, white);
  if (day) {
    for (int i = 1; i < 4; i += 2) {
      const float y0 = base - height * i / 4.0f, y1 = base - height * (i + 1) / 4.0f;
      const float w0 = bw + (tw - bw) * i / 4.0f, w1 = bw + (tw - bw) * (i + 1) / 4.0f;
      Polygon(c, {{x - w0, y0}, {x + w0, y0}, {x + w1, y1}, {x - w1, y1}}, Rgb(200, 50, 50));
    }
    // Shade on the side away from the morning sun.
    Polygon(c, {{x + bw * 0.3f, base}, {x + bw, base}, {x + tw, base - height}, {x + tw * 0.3f, base - height}},
            Rgb(60, 70, 100), 0.18f);
  }
  const float top = base - height;
  Rect(c, x - tw * 1.5f, top - 4, tw * 3, 4, day ? Rgb(60, 60, 70) : shadow);
  const Colour glass = lit ? Rgb(255, 240, 170) : (day ? Rgb(150, 190, 210) : shadow);
  Rect(c, x - tw * 0.8f, top - 4 - height * 0.1f, tw * 1.6f, height * 0.1f, glass);
  Polygon(c,
          {{x - tw * 1.1f, top - 4 - height * 0.1f},
           {x + tw * 1.1f, top - 4 - height * 0.1f},
           {x, top - 4 - height * 0.1f - tw}},
          day ? Rgb(190, 50, 50) : shadow);
  if (lit) {
    const float ly = top - 4 - height * 0.05f;
    Glow(c, x, ly, 40, Rgb(255, 230, 150), 0.9f);
    if (beam) {
      Polygon(c, {{x, ly - 3}, {x - 360, ly - 44}, {x - 360, ly + 24}, {x, ly + 3}}, Rgb(255, 240, 190), 0.3f,
              [x](float px, float) { return std::clamp(1 - (x - px) / 360, 0.0f, 1.0f); });
    }
  }
}

// Stars: points of varying brightness, a few of them with a small glow.
inline void Stars(Canvas& c, int bottom, int count, uint32_t seed) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    const float x = rng.Range(0, static_cast<float>(c.width())), y = rng.Range(0, static_cast<float>(bottom));
    const float b = rng.Range(0.25f, 1.0f) * (1 - y / bottom * 0.6f);
    c.Add(static_cast<int>(x), static_cast<int>(y), Rgb(255, 250, 235), b);
    if (b > 0.85f) Glow(c, x, y, 3.5f, Rgb(200, 210, 255), 0.5f);
  }
}

// A firework: rays of sparks from a centre, brightest at their tips.
inline void Firework(Canvas& c, float cx, float cy, float radius, Colour col, uint32_t seed) {
  Rng rng(seed);
  Glow(c, cx, cy, radius * 0.6f, col, 0.35f);
  for (int i = 0; i < 36; ++i) {
    const float a = 6.2831853f * i / 36 + rng.Range(-0.04f, 0.04f);
    const float r = radius * rng.Range(0.8f, 1.05f);
    for (float t = 0.3f; t <= 1.0f; t += 0.1f) {
      const float px = cx + std::cos(a) * r * t, py = cy + std::sin(a) * r * t + t * t * 6;
      Glow(c, px, py, 2.2f, col, 0.5f + 0.8f * t);
    }
    Glow(c, cx + std::cos(a) * r, cy + std::sin(a) * r + 6, 3.5f, Mix(col, Rgb(255, 255, 255), 0.5f), 1.4f);
  }
}

// ---------------------------------------------------------------------------
// The seaside scenes. All share one place: the sea to the right, the town
// on the shore at the left under the hills, the lighthouse on its cliff at
// the right.

enum class Scene { kTitle, kMorning, kEvening, kNight, kRain, kFestival };

inline constexpr int kSceneW = 700, kSceneH = 525, kHorizon = 318;

inline Canvas PaintScene(Scene scene) {
  Canvas c(kSceneW, kSceneH, Rgb(0, 0, 0));
  const bool day = scene == Scene::kMorning;
  const bool dark = scene == Scene::kNight || scene == Scene::kFestival;
  Colour hills, land, cliff, shadow;
  float light_x = -1;
  Colour glitter{};

  switch (scene) {
    case Scene::kTitle:
      VerticalGradient(
          c, 0, kHorizon,
          {{0, Rgb(38, 52, 112)}, {0.45f, Rgb(150, 110, 160)}, {0.8f, Rgb(245, 160, 140)}, {1, Rgb(255, 214, 160)}});
      Glow(c, 440, kHorizon, 220, Rgb(255, 170, 110), 0.45f);
      Ellipse(c, 440, kHorizon, 34, 34, Rgb(255, 236, 190));
      Stars(c, 120, 40, 7);
      light_x = 440;
      glitter = Rgb(255, 210, 160);
      hills = Rgb(70, 50, 90);
      land = Rgb(40, 28, 58);
      cliff = Rgb(34, 24, 50);
      break;
    case Scene::kMorning:
      VerticalGradient(c, 0, kHorizon, {{0, Rgb(62, 128, 214)}, {0.7f, Rgb(140, 196, 240)}, {1, Rgb(206, 234, 248)}});
      Glow(c, 150, 80, 170, Rgb(255, 250, 220), 0.55f);
      Ellipse(c, 150, 80, 22, 22, Rgb(255, 255, 240));
      Cloud(c, 330, 110, 1.2f, Rgb(255, 255, 255), 0.95f);
      Cloud(c, 560, 60, 0.8f, Rgb(255, 255, 255), 0.9f);
      Cloud(c, 80, 200, 0.6f, Rgb(250, 252, 255), 0.8f);
      light_x = 150;
      glitter = Rgb(255, 255, 235);
      hills = Rgb(96, 146, 120);
      land = Rgb(86, 140, 80);
      cliff = Rgb(110, 120, 96);
      break;
    case Scene::kEvening:
      VerticalGradient(
          c, 0, kHorizon,
          {{0, Rgb(52, 44, 104)}, {0.5f, Rgb(200, 96, 110)}, {0.85f, Rgb(246, 150, 80)}, {1, Rgb(255, 200, 110)}});
      Glow(c, 420, 292, 200, Rgb(255, 150, 60), 0.6f);
      Ellipse(c, 420, 292, 30, 30, Rgb(255, 220, 150));
      Cloud(c, 250, 150, 1.0f, Rgb(240, 130, 120), 0.55f);
      Cloud(c, 520, 90, 0.7f, Rgb(220, 110, 130), 0.5f);
      light_x = 420;
      glitter = Rgb(255, 190, 100);
      hills = Rgb(96, 54, 84);
      land = Rgb(52, 30, 50);
      cliff = Rgb(44, 26, 44);
      break;
    case Scene::kNight:
    case Scene::kFestival:
      VerticalGradient(c, 0, kHorizon, {{0, Rgb(4, 8, 30)}, {0.7f, Rgb(16, 30, 70)}, {1, Rgb(34, 52, 96)}});
      Stars(c, kHorizon - 20, scene == Scene::kNight ? 260 : 120, 11);
      if (scene == Scene::kNight) {
        Glow(c, 430, 96, 110, Rgb(170, 190, 255), 0.35f);
        Ellipse(c, 430, 96, 26, 26, Rgb(250, 246, 220));
        Ellipse(c, 422, 90, 6, 5, Rgb(210, 205, 180), 0.6f);
        Ellipse(c, 438, 105, 8, 6, Rgb(215, 210, 185), 0.5f);
        light_x = 430;
        glitter = Rgb(230, 235, 255);
      } else {
        Firework(c, 250, 110, 70, Rgb(255, 120, 90), 21);
        Firework(c, 450, 80, 55, Rgb(255, 220, 110), 22);
        Firework(c, 360, 190, 40, Rgb(140, 230, 160), 23);
        light_x = 350;
        glitter = Rgb(255, 200, 140);
      }
      hills = Rgb(18, 22, 46);
      land = Rgb(10, 12, 28);
      cliff = Rgb(8, 10, 22);
      break;
    case Scene::kRain:
      VerticalGradient(c, 0, kHorizon, {{0, Rgb(96, 102, 114)}, {0.6f, Rgb(140, 146, 154)}, {1, Rgb(168, 172, 176)}});
      Cloud(c, 200, 60, 1.6f, Rgb(120, 124, 134), 0.7f);
      Cloud(c, 520, 100, 1.4f, Rgb(110, 114, 124), 0.7f);
      hills = Rgb(110, 122, 122);
      land = Rgb(78, 96, 84);
      cliff = Rgb(86, 92, 86);
      break;
  }
  shadow = cliff;

  // Far hills along the horizon at the left.
  Ridge(
      c, 0, 460,
      [](float x) {
        return kHorizon - 34 + 14 * std::sin(x * 0.021f) + 9 * std::sin(x * 0.053f + 1.3f) + x * 0.06f +
               std::max(0.0f, x - 330) * 0.5f;
      },
      hills);

  // The sea.
  const Colour sea_far = scene == Scene::kMorning   ? Rgb(70, 140, 196)
                         : scene == Scene::kEvening ? Rgb(150, 96, 112)
                         : scene == Scene::kTitle   ? Rgb(150, 110, 150)
                         : scene == Scene::kRain    ? Rgb(110, 122, 126)
                                                    : Rgb(22, 36, 74);
  const Colour sea_near = scene == Scene::kMorning   ? Rgb(18, 78, 148)
                          : scene == Scene::kEvening ? Rgb(48, 30, 64)
                          : scene == Scene::kTitle   ? Rgb(54, 40, 84)
                          : scene == Scene::kRain    ? Rgb(52, 64, 72)
                                                     : Rgb(4, 10, 26);
  const Colour crest = dark ? Rgb(120, 140, 200) : Rgb(255, 255, 255);
  Sea(c, kHorizon, sea_far, sea_near, crest, dark ? 0.18f : 0.35f, light_x, glitter, 5);

  // The shore at the left, sloping into the sea, with the town on it and
  // a beach in front.
  const auto shore = [](float x) {
    const float out = std::max(0.0f, x - 190);
    return 300 + 6 * std::sin(x * 0.05f) + 0.0045f * out * out;
  };
  Ridge(c, 0, 470, shore, land);
  for (float x : {30.0f, 52.0f, 74.0f}) Pine(c, x, shore(x) + 4, 34, day ? Rgb(40, 90, 50) : cliff);
  Town(c, 20, 290, 372, day ? Rgb(236, 230, 220) : land, day ? Rgb(170, 70, 60) : land, dark || scene == Scene::kTitle,
       3, day || scene == Scene::kRain);
  const Colour sand = day ? Rgb(232, 214, 168) : scene == Scene::kRain ? Rgb(150, 146, 128) : Mix(land, sea_near, 0.4f);
  Ridge(
      c, 0, 520, [&](float x) { return std::max(392 + 4 * std::sin(x * 0.03f), shore(x) + 3); }, sand);
  Ridge(
      c, 0, 520, [&](float x) { return std::max(440 + 6 * std::sin(x * 0.02f), shore(x) + 45); },
      Mix(land, Rgb(0, 0, 0), 0.15f));

  // The cliff at the right and the lighthouse on it.
  Polygon(c, {{505, 525}, {540, 360}, {575, 300}, {640, 282}, {700, 276}, {700, 525}}, cliff);
  if (day || scene == Scene::kRain) {
    // Rock faces in a lighter tone.
    Polygon(c, {{540, 360}, {575, 300}, {590, 330}, {560, 420}}, Rgb(150, 150, 130), day ? 0.35f : 0.2f);
  }
  for (float x : {600.0f, 684.0f}) Pine(c, x, 284, 30, day ? Rgb(40, 84, 52) : cliff);
  Lighthouse(c, 640, 286, 118, day, shadow, dark || scene == Scene::kTitle, scene != Scene::kFestival);

  if (scene == Scene::kFestival) {
    // A string of lanterns over the town.
    for (int i = 0; i < 21; ++i) {
      const float x = 24 + i * 13.0f;
      const float y = 330 + 12 * std::sin(3.14159f * (i % 11) / 10.0f);
      Line(c, x - 13, 330 + 12 * std::sin(3.14159f * ((i + 10) % 11) / 10.0f), x, y, 1, Rgb(60, 40, 40), 0.8f);
      Glow(c, x, y + 7, 14, Rgb(255, 140, 60), 0.5f);
      Ellipse(c, x, y + 7, 4.5f, 6, i % 3 == 0 ? Rgb(255, 230, 160) : Rgb(240, 90, 60));
    }
  }
  if (scene == Scene::kRain) {
    Rng rng(17);
    for (int i = 0; i < 900; ++i) {
      const float x = rng.Range(-60, kSceneW), y = rng.Range(-20, kSceneH);
      const float l = rng.Range(10, 26);
      Line(c, x, y, x + l * 0.3f, y + l, 1, Rgb(225, 230, 235), rng.Range(0.15f, 0.4f));
    }
  }
  if (scene == Scene::kTitle) {
    // Gulls over the sunrise.
    for (const Point& g : std::vector<Point>{{280, 170}, {310, 150}, {345, 182}}) {
      Arc(c, g.x - 6, g.y, 6, 4, 3.6f, 5.8f, 1.6f, Rgb(40, 30, 60));
      Arc(c, g.x + 6, g.y, 6, 4, 3.6f, 5.8f, 1.6f, Rgb(40, 30, 60));
    }
  }
  return c;
}

// ---------------------------------------------------------------------------
// Mio, the lighthouse keeper's granddaughter: a bust in a straw hat, in
// three expressions for the blinking animation.

enum class Face { kOpen, kBlink, kSmile };

inline Canvas PaintFace(Face face) {
  Canvas c(160, 230, Rgb(0, 0, 0));
  VerticalGradient(c, 0, 230, {{0, Rgb(176, 214, 240)}, {0.75f, Rgb(236, 242, 236)}, {1, Rgb(250, 236, 210)}});
  const Colour hair = Rgb(66, 42, 36), skin = Rgb(250, 222, 198), ink = Rgb(52, 34, 40);
  // Hair behind, down to the shoulders.
  Ellipse(c, 80, 118, 54, 64, hair);
  Rect(c, 28, 118, 104, 84, hair);
  // Shoulders in a white sailor blouse with a blue collar.
  Ellipse(c, 80, 252, 74, 62, Rgb(244, 244, 246));
  Polygon(c, {{36, 200}, {80, 222}, {124, 200}, {132, 214}, {80, 240}, {28, 214}}, Rgb(44, 70, 140));
  Polygon(c, {{74, 222}, {86, 222}, {80, 236}}, Rgb(210, 50, 60));
  // Neck and face.
  Rect(c, 70, 150, 20, 30, Mix(skin, Rgb(200, 150, 130), 0.2f));
  Ellipse(c, 80, 118, 38, 45, skin);
  // Fringe, cut in points.
  Polygon(c,
          {{40, 78},
           {120, 78},
           {122, 104},
           {110, 96},
           {100, 106},
           {90, 96},
           {80, 104},
           {70, 96},
           {60, 106},
           {50, 96},
           {38, 104}},
          hair);
  // Straw hat with a red band.
  Ellipse(c, 80, 76, 70, 15, Rgb(226, 196, 126));
  Ellipse(c, 80, 56, 38, 24, Rgb(236, 208, 140));
  Rect(c, 42, 58, 76, 10, Rgb(236, 208, 140));
  Rect(c, 42, 62, 76, 7, Rgb(200, 48, 60));
  Arc(c, 80, 76, 70, 15, 0.2f, 2.9f, 1.2f, Rgb(180, 150, 90));
  // Brows.
  Line(c, 60, 103, 72, 101, 1.6f, hair);
  Line(c, 88, 101, 100, 103, 1.6f, hair);
  // Eyes.
  if (face == Face::kOpen) {
    for (float ex : {66.0f, 94.0f}) {
      Ellipse(c, ex, 118, 5.5f, 7.5f, ink);
      Ellipse(c, ex, 120, 3.5f, 4, Rgb(90, 60, 70));
      Ellipse(c, ex + 1.5f, 115, 1.8f, 2, Rgb(255, 255, 255));
    }
  } else if (face == Face::kBlink) {
    for (float ex : {66.0f, 94.0f}) Arc(c, ex, 116, 6, 4, 0.3f, 2.8f, 1.8f, ink);
  } else {
    for (float ex : {66.0f, 94.0f}) Arc(c, ex, 121, 6, 5, 3.5f, 5.9f, 1.8f, ink);
  }
  // Cheeks and mouth.
  Ellipse(c, 58, 133, 7, 4, Rgb(245, 150, 150), 0.35f);
  Ellipse(c, 102, 133, 7, 4, Rgb(245, 150, 150), 0.35f);
  if (face == Face::kSmile) {
    Polygon(c, {{71, 140}, {89, 140}, {86, 147}, {80, 149}, {74, 147}}, Rgb(200, 80, 90));
  } else {
    Arc(c, 80, 139, 6, 3, 0.4f, 2.7f, 1.4f, Rgb(190, 90, 90));
  }
  return c;
}

// ---------------------------------------------------------------------------
// The pictures of the day's activities, for the play window.

enum class Play { kSea, kStudy, kShop, kNap };

inline Canvas PaintPlay(Play play) {
  const int w = 240, h = 170;
  Canvas c(w, h, Rgb(0, 0, 0));
  switch (play) {
    case Play::kSea: {
      VerticalGradient(c, 0, 70, {{0, Rgb(70, 140, 220)}, {1, Rgb(190, 228, 248)}});
      Cloud(c, 60, 30, 0.5f, Rgb(255, 255, 255), 0.9f);
      Sea(c, 70, Rgb(70, 150, 200), Rgb(30, 110, 170), Rgb(255, 255, 255), 0.5f, -1, Rgb(0, 0, 0), 9);
      Ridge(
          c, 0, w, [](float x) { return 118 + 8 * std::sin(x * 0.03f); }, Rgb(238, 218, 170));
      for (int i = 0; i < 6; ++i) Line(c, 10 + i * 40.0f, 119, 30 + i * 40.0f, 121, 1.5f, Rgb(255, 255, 255), 0.7f);
      // A parasol with its shadow, and a ball.
      Ellipse(c, 160, 158, 40, 6, Rgb(190, 170, 120), 0.6f);
      Line(c, 150, 160, 162, 70, 2.5f, Rgb(120, 90, 60));
      for (int i = 0; i < 6; ++i) {
        const float a0 = 3.1416f + i * 0.5236f, a1 = a0 + 0.5236f;
        Polygon(c,
                {{162, 72},
                 {162 + 56 * std::cos(a0), 82 + 30 * std::sin(a0)},
                 {162 + 56 * std::cos(a1), 82 + 30 * std::sin(a1)}},
                i % 2 == 0 ? Rgb(230, 70, 70) : Rgb(250, 250, 245));
      }
      Ellipse(c, 70, 146, 12, 12, Rgb(250, 250, 250));
      Polygon(c, {{58, 146}, {82, 146}, {80, 152}, {60, 152}}, Rgb(60, 120, 220));
      Ellipse(c, 70, 140, 5, 3, Rgb(240, 200, 60));
      break;
    }
    case Play::kStudy: {
      VerticalGradient(c, 0, h, {{0, Rgb(64, 56, 70)}, {1, Rgb(40, 34, 44)}});
      // A window with the evening outside.
      Rect(c, 20, 14, 84, 64, Rgb(90, 70, 60));
      {
        Canvas sky(76, 56, Rgb(0, 0, 0));
        VerticalGradient(sky, 0, 56, {{0, Rgb(60, 60, 120)}, {1, Rgb(240, 150, 100)}});
        for (int y = 0; y < 56; ++y) {
          for (int x = 0; x < 76; ++x) c.Blend(24 + x, 18 + y, sky.at(x, y), 1);
        }
      }
      Line(c, 62, 18, 62, 74, 2, Rgb(90, 70, 60));
      // The lamp's light, the desk, the open notebook and a pencil.
      Glow(c, 170, 70, 120, Rgb(255, 220, 150), 0.55f);
      Rect(c, 0, 112, w, 58, Rgb(120, 80, 50));
      Rect(c, 0, 112, w, 4, Rgb(150, 104, 66));
      Polygon(c, {{150, 60}, {190, 60}, {200, 78}, {140, 78}}, Rgb(60, 120, 90));
      Line(c, 170, 78, 170, 110, 3, Rgb(70, 70, 70));
      Ellipse(c, 170, 111, 14, 3, Rgb(70, 70, 70));
      Polygon(c, {{60, 122}, {120, 118}, {124, 150}, {64, 156}}, Rgb(250, 248, 236));
      Polygon(c, {{120, 118}, {180, 122}, {176, 156}, {124, 150}}, Rgb(244, 242, 228));
      for (int i = 0; i < 5; ++i) {
        Line(c, 68, 128 + i * 5.0f, 116, 125 + i * 5.0f, 0.8f, Rgb(120, 140, 190), 0.8f);
        Line(c, 128, 125 + i * 5.0f, 172, 128 + i * 5.0f, 0.8f, Rgb(120, 140, 190), 0.8f);
      }
      Line(c, 190, 150, 222, 132, 3, Rgb(240, 200, 60));
      Line(c, 222, 132, 228, 129, 2, Rgb(60, 50, 50));
      break;
    }
    case Play::kShop: {
      VerticalGradient(c, 0, h, {{0, Rgb(150, 200, 240)}, {1, Rgb(210, 230, 240)}});
      Rect(c, 10, 30, 220, 140, Rgb(226, 212, 186));
      // The sign board and the striped awning.
      Rect(c, 40, 12, 160, 22, Rgb(90, 60, 40));
      for (int i = 0; i < 6; ++i) Rect(c, 56 + i * 22.0f, 17, 14, 12, Rgb(240, 230, 200));
      for (int i = 0; i < 10; ++i) {
        Polygon(c, {{10 + i * 22.0f, 40}, {32 + i * 22.0f, 40}, {34 + i * 22.0f, 64}, {12 + i * 22.0f, 64}},
                i % 2 == 0 ? Rgb(40, 110, 190) : Rgb(250, 250, 250));
        Ellipse(c, 23 + i * 22.0f, 64, 11, 5, i % 2 == 0 ? Rgb(40, 110, 190) : Rgb(250, 250, 250));
      }
      // Shelves of goods.
      Rng rng(31);
      for (int row = 0; row < 3; ++row) {
        const float y = 90 + row * 26.0f;
        Rect(c, 24, y + 18, 192, 4, Rgb(130, 90, 60));
        for (float x = 28; x < 210; x += rng.Range(12, 18)) {
          const Colour goods[] = {Rgb(230, 80, 70), Rgb(250, 200, 60), Rgb(90, 170, 90), Rgb(90, 140, 220),
                                  Rgb(240, 150, 200)};
          const float gh = rng.Range(8, 16);
          Rect(c, x, y + 18 - gh, 9, gh, goods[rng.Next() % 5]);
        }
      }
      break;
    }
    case Play::kNap: {
      VerticalGradient(c, 0, h, {{0, Rgb(214, 196, 160)}, {1, Rgb(190, 170, 130)}});
      // The open window: sky, sea and a cloud; a wind bell under the eaves.
      VerticalGradient(c, 20, 80, {{0, Rgb(80, 150, 230)}, {1, Rgb(200, 230, 250)}});
      Cloud(c, 150, 50, 0.45f, Rgb(255, 255, 255), 0.95f);
      Sea(c, 80, Rgb(70, 150, 200), Rgb(40, 120, 180), Rgb(255, 255, 255), 0.5f, -1, Rgb(0, 0, 0), 13);
      Rect(c, 0, 104, w, 66, Rgb(200, 184, 120));
      for (int i = 0; i < 4; ++i) Line(c, 0, 110 + i * 16.0f, w, 110 + i * 16.0f, 1, Rgb(150, 130, 80), 0.7f);
      Rect(c, 0, 12, w, 8, Rgb(110, 80, 56));
      Rect(c, 0, 96, w, 8, Rgb(110, 80, 56));
      Line(c, 60, 20, 60, 34, 1, Rgb(80, 80, 80));
      Ellipse(c, 60, 40, 8, 7, Rgb(200, 235, 250), 0.85f);
      Rect(c, 52, 40, 16, 2, Rgb(200, 235, 250), 0.85f);
      Line(c, 60, 42, 60, 52, 1, Rgb(80, 80, 80));
      Rect(c, 56, 52, 8, 16, Rgb(250, 250, 240));
      Line(c, 57, 56, 63, 56, 1, Rgb(220, 60, 60));
      // A folded fan and a cushion on the floor.
      Ellipse(c, 170, 140, 40, 12, Rgb(110, 150, 200));
      Polygon(c, {{40, 150}, {70, 126}, {84, 142}}, Rgb(250, 250, 240));
      Line(c, 40, 150, 30, 160, 2, Rgb(120, 90, 60));
      break;
    }
  }
  return c;
}

// ---------------------------------------------------------------------------
// BMP: a 14-byte file header, a 40-byte information header and bottom-up
// rows of blue, green, red bytes padded to a multiple of 4.

inline uint8_t Quantise(float v, int x, int y) {
  static const int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  const float d = (kBayer[y & 3][x & 3] + 0.5f) / 16.0f - 0.5f;
  return static_cast<uint8_t>(std::clamp(static_cast<int>(std::floor(v * 255.0f + 0.5f + d)), 0, 255));
}

inline std::vector<uint8_t> EncodeBmp(const Canvas& c) {
  const uint32_t stride = (static_cast<uint32_t>(c.width()) * 3 + 3) & ~3u;
  const uint32_t pixel_bytes = stride * static_cast<uint32_t>(c.height());
  const uint32_t offset = 14 + 40;
  Out o;
  o.U8('B');
  o.U8('M');
  o.Le32(offset + pixel_bytes);  // file size
  o.Le32(0);                     // reserved
  o.Le32(offset);                // where the pixels start
  o.Le32(40);                    // information header size
  o.Le32(static_cast<uint32_t>(c.width()));
  o.Le32(static_cast<uint32_t>(c.height()));  // positive: bottom-up rows
  o.Le16(1);                                  // planes
  o.Le16(24);                                 // bits per pixel
  o.Le32(0);                                  // no compression
  o.Le32(pixel_bytes);
  o.Le32(2835);  // 72 dots per inch, as pixels per metre
  o.Le32(2835);
  o.Le32(0);  // no colour table
  o.Le32(0);
  for (int y = c.height() - 1; y >= 0; --y) {
    for (int x = 0; x < c.width(); ++x) {
      const Colour p = c.at(x, y);
      o.U8(Quantise(p.b, x, y));
      o.U8(Quantise(p.g, x, y));
      o.U8(Quantise(p.r, x, y));
    }
    for (uint32_t pad = static_cast<uint32_t>(c.width()) * 3; pad < stride; ++pad) o.U8(0);
  }
  return std::move(o.bytes());
}

// ---------------------------------------------------------------------------
// Standard MIDI files: an "MThd" chunk (format, track count, ticks per
// quarter note) and "MTrk" chunks of delta-timed events, all big-endian.

inline constexpr uint16_t kDivision = 480;  // ticks per quarter note

struct MidiEvent {
  uint32_t tick;
  std::vector<uint8_t> data;  // status byte and data bytes, or a whole meta event
};

struct MidiTrack {
  std::vector<MidiEvent> events;

  void Meta(uint32_t tick, uint8_t type, const std::vector<uint8_t>& body) {
    std::vector<uint8_t> d{0xFF, type, static_cast<uint8_t>(body.size())};
    d.insert(d.end(), body.begin(), body.end());
    events.push_back({tick, d});
  }
  void Name(const char* name) {
    std::vector<uint8_t> body;
    for (const char* p = name; *p != '\0'; ++p) body.push_back(static_cast<uint8_t>(*p));
    Meta(0, 0x03, body);
  }
  // Tempo in beats per minute (the file stores microseconds a quarter note).
  void Tempo(uint32_t tick, int bpm) {
    const uint32_t us = 60000000u / static_cast<uint32_t>(bpm);
    Meta(tick, 0x51, {static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8), static_cast<uint8_t>(us)});
  }
  void Program(uint8_t channel, uint8_t program) {
    events.push_back({0, {static_cast<uint8_t>(0xC0 | channel), program}});
  }
  void Control(uint8_t channel, uint8_t control, uint8_t value) {
    events.push_back({0, {static_cast<uint8_t>(0xB0 | channel), control, value}});
  }
  // A note from `beat` for `beats` (quarter notes), released a little early
  // so that repeated notes are heard apart.
  void Note(uint8_t channel, float beat, float beats, uint8_t key, uint8_t velocity) {
    const uint32_t on = static_cast<uint32_t>(std::lround(beat * kDivision));
    const uint32_t off = on + std::max<uint32_t>(1, static_cast<uint32_t>(std::lround(beats * kDivision)) - 20);
    events.push_back({on, {static_cast<uint8_t>(0x90 | channel), key, velocity}});
    events.push_back({off, {static_cast<uint8_t>(0x80 | channel), key, 64}});
  }
};

// The chunk of one track: its events in time order (at one moment releases
// first, then everything else in the order given), delta times as
// variable-length quantities, and the end-of-track event.
inline std::vector<uint8_t> EncodeTrack(MidiTrack track) {
  uint32_t end = 0;
  for (const MidiEvent& e : track.events) end = std::max(end, e.tick);
  std::stable_sort(track.events.begin(), track.events.end(), [](const MidiEvent& a, const MidiEvent& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    const bool a_off = (a.data[0] & 0xF0) == 0x80, b_off = (b.data[0] & 0xF0) == 0x80;
    return a_off && !b_off;
  });
  Out body;
  uint32_t now = 0;
  for (const MidiEvent& e : track.events) {
    body.Vlq(e.tick - now);
    now = e.tick;
    body.Append(e.data);
  }
  // A beat of silence before the end, so that a player looping the file
  // does not clip the last note.
  body.Vlq(end - now + kDivision);
  body.Append({0xFF, 0x2F, 0x00});
  Out chunk;
  chunk.Tag("MTrk");
  chunk.Be32(static_cast<uint32_t>(body.size()));
  chunk.Append(body.bytes());
  return std::move(chunk.bytes());
}

inline std::vector<uint8_t> EncodeMidi(uint16_t format, const std::vector<MidiTrack>& tracks) {
  Out o;
  o.Tag("MThd");
  o.Be32(6);
  o.Be16(format);
  o.Be16(static_cast<uint16_t>(tracks.size()));
  o.Be16(kDivision);
  for (const MidiTrack& t : tracks) o.Append(EncodeTrack(t));
  return std::move(o.bytes());
}

// General MIDI programs (numbered from 0) and the percussion channel.
inline constexpr uint8_t kFlute = 73, kHarp = 46, kAcousticBass = 32, kShakuhachi = 77, kTaiko = 116;
inline constexpr uint8_t kDrums = 9;

struct NoteSpec {
  float beats;
  int key;  // MIDI key; 0 is a rest
};

// "Umikaze" (sea breeze), the day theme: eight bars in C major pentatonic
// at 96 beats a minute (20 s), flute over a harp and a bass. Format 1: a
// tempo track, then one track per part.
inline std::vector<uint8_t> MakeThemeMidi() {
  MidiTrack tempo;
  tempo.Name("umikaze");
  tempo.Tempo(0, 96);
  tempo.Meta(0, 0x58, {4, 2, 24, 8});  // 4/4

  const NoteSpec melody[] = {
      {1, 67},    {1, 76},    {0.5f, 74}, {0.5f, 72}, {1, 74},     // C
      {1.5f, 76}, {0.5f, 79}, {1, 76},    {1, 72},                 // Am
      {1, 69},    {1, 72},    {1, 74},    {0.5f, 72}, {0.5f, 69},  // F
      {3, 67},    {1, 0},                                          // G
      {1, 67},    {1, 76},    {0.5f, 74}, {0.5f, 72}, {1, 74},     // C
      {1, 76},    {1, 79},    {1.5f, 81}, {0.5f, 79},              // Am
      {1.5f, 74}, {0.5f, 76}, {1, 74},    {1, 67},                 // Dm G
      {4, 72},                                                     // C
  };
  MidiTrack lead;
  lead.Name("flute");
  lead.Program(0, kFlute);
  lead.Control(0, 7, 100);
  float beat = 0;
  for (const NoteSpec& n : melody) {
    if (n.key != 0) lead.Note(0, beat, n.beats, static_cast<uint8_t>(n.key), 92);
    beat += n.beats;
  }

  // Chords, one a bar (the seventh bar two): root, fifth, octave, tenth.
  const int roots[] = {48, 45, 41, 43, 48, 45, 50, 48};
  const bool minor[] = {false, true, false, false, false, true, true, false};
  MidiTrack harp, bass;
  harp.Name("harp");
  harp.Program(1, kHarp);
  harp.Control(1, 7, 70);
  bass.Name("bass");
  bass.Program(2, kAcousticBass);
  bass.Control(2, 7, 90);
  for (int bar = 0; bar < 8; ++bar) {
    const int halves = bar == 6 ? 2 : 1;
    for (int half = 0; half < halves; ++half) {
      const int root = bar == 6 && half == 1 ? 43 : roots[bar];
      const bool m = bar == 6 && half == 1 ? false : minor[bar];
      const int third = root + (m ? 3 : 4);
      const int pattern[] = {root, root + 7, root + 12, third + 12, root + 12, root + 7, root + 12, third + 12};
      const int steps = 8 / halves;
      for (int i = 0; i < steps; ++i) {
        harp.Note(1, bar * 4.0f + half * 2.0f + i * 0.5f, 0.5f, static_cast<uint8_t>(pattern[i] + 12), 58);
      }
      bass.Note(2, bar * 4.0f + half * 2.0f, halves == 2 ? 2.0f : 1.5f, static_cast<uint8_t>(root - 12), 84);
      if (halves == 1) bass.Note(2, bar * 4.0f + 2, 2, static_cast<uint8_t>(root - 5), 76);
    }
  }
  return EncodeMidi(1, {tempo, lead, harp, bass});
}

// "Matsuri" (festival), for the last night: a shakuhachi tune over taiko and
// a bell, in D minor pentatonic at 120 beats a minute (16 s). Format 0: all
// parts in one track.
inline std::vector<uint8_t> MakeFestivalMidi() {
  MidiTrack t;
  t.Name("matsuri");
  t.Tempo(0, 120);
  t.Program(0, kShakuhachi);
  t.Program(1, kTaiko);
  t.Control(0, 7, 100);
  t.Control(1, 7, 100);
  const NoteSpec tune[] = {
      {1, 74},    {0.5f, 77}, {0.5f, 79}, {1, 81}, {1, 79},  //
      {0.5f, 77}, {0.5f, 79}, {1, 77},    {2, 74},           //
      {1, 72},    {0.5f, 74}, {0.5f, 77}, {1, 79}, {1, 77},  //
      {1, 74},    {1, 72},    {2, 69},                       //
      {1, 74},    {0.5f, 77}, {0.5f, 79}, {1, 81}, {1, 84},  //
      {0.5f, 81}, {0.5f, 79}, {1, 77},    {2, 79},           //
      {1, 77},    {0.5f, 74}, {0.5f, 72}, {1, 69}, {1, 72},  //
      {4, 74},                                               //
  };
  float beat = 0;
  for (const NoteSpec& n : tune) {
    if (n.key != 0) t.Note(0, beat, n.beats, static_cast<uint8_t>(n.key), 96);
    beat += n.beats;
  }
  for (int bar = 0; bar < 8; ++bar) {
    const float b = bar * 4.0f;
    t.Note(1, b, 1, 38, 110);
    t.Note(1, b + 1.5f, 0.5f, 38, 80);
    t.Note(1, b + 2, 1, 38, 104);
    t.Note(1, b + 3, 0.5f, 45, 80);
    t.Note(1, b + 3.5f, 0.5f, 45, 80);
    for (int i = 0; i < 4; ++i) t.Note(kDrums, b + i, 0.25f, 80, i % 2 == 0 ? 70 : 50);  // mute triangle
  }
  return EncodeMidi(0, {t});
}

// ---------------------------------------------------------------------------
// WAVE: "RIFF" with a "fmt " chunk (PCM, mono, 16 bits) and a "data" chunk,
// all little-endian.

inline constexpr uint32_t kSampleRate = 22050;

inline std::vector<uint8_t> EncodeWav(const std::vector<int16_t>& samples, uint32_t rate) {
  const uint32_t data_bytes = static_cast<uint32_t>(samples.size()) * 2;
  Out o;
  o.Tag("RIFF");
  o.Le32(4 + 8 + 16 + 8 + data_bytes);
  o.Tag("WAVE");
  o.Tag("fmt ");
  o.Le32(16);
  o.Le16(1);  // PCM
  o.Le16(1);  // mono
  o.Le32(rate);
  o.Le32(rate * 2);  // bytes a second
  o.Le16(2);         // bytes a frame
  o.Le16(16);        // bits a sample
  o.Tag("data");
  o.Le32(data_bytes);
  for (int16_t s : samples) o.Le16(static_cast<uint16_t>(s));
  return std::move(o.bytes());
}

// The town's morning chime: two strikes of a small bell (E5, then C5), each
// a sum of the partials a bell rings with (hum, prime, minor third, fifth,
// nominal and above), the higher ones dying away faster; 1.8 s.
inline std::vector<int16_t> MakeChime() {
  const struct {
    float ratio, amp, decay;  // decay: 1/e time in seconds
  } partials[] = {{0.5f, 0.35f, 0.7f}, {1.0f, 0.6f, 0.55f},  {1.183f, 0.4f, 0.45f},  {1.506f, 0.25f, 0.35f},
                  {2.0f, 0.45f, 0.3f}, {2.514f, 0.2f, 0.2f}, {2.662f, 0.15f, 0.15f}, {3.011f, 0.1f, 0.12f}};
  const struct { float start, freq, gain; } strikes[] = {{0.0f, 659.25f, 1.0f}, {0.42f, 523.25f, 0.9f}};
  const size_t n = static_cast<size_t>(kSampleRate * 1.8f);
  std::vector<float> mix(n, 0.0f);
  for (const auto& s : strikes) {
    const size_t from = static_cast<size_t>(s.start * kSampleRate);
    for (size_t i = from; i < n; ++i) {
      const double t = static_cast<double>(i - from) / kSampleRate;
      const double attack = std::min(1.0, t / 0.003);
      double v = 0;
      for (const auto& p : partials) {
        v += p.amp * std::exp(-t / p.decay) * std::sin(6.283185307179586 * s.freq * p.ratio * t);
      }
      mix[i] += static_cast<float>(v * attack * s.gain);
    }
  }
  float peak = 0;
  for (float v : mix) peak = std::max(peak, std::fabs(v));
  std::vector<int16_t> out(n);
  for (size_t i = 0; i < n; ++i) {
    // A short fade at the end, so the file stops on silence.
    const float fade = std::min(1.0f, static_cast<float>(n - 1 - i) / (kSampleRate * 0.05f));
    out[i] = static_cast<int16_t>(std::lround(mix[i] / peak * 0.8f * fade * 32767.0f));
  }
  return out;
}

// ---------------------------------------------------------------------------
// The files this tool makes.

struct Asset {
  const char* name;
  std::function<std::vector<uint8_t>()> make;
};

inline const std::vector<Asset>& Assets() {
  static const std::vector<Asset> assets = {
      {"title.bmp", [] { return EncodeBmp(PaintScene(Scene::kTitle)); }},
      {"bg_morning.bmp", [] { return EncodeBmp(PaintScene(Scene::kMorning)); }},
      {"bg_evening.bmp", [] { return EncodeBmp(PaintScene(Scene::kEvening)); }},
      {"bg_night.bmp", [] { return EncodeBmp(PaintScene(Scene::kNight)); }},
      {"bg_rain.bmp", [] { return EncodeBmp(PaintScene(Scene::kRain)); }},
      {"bg_festival.bmp", [] { return EncodeBmp(PaintScene(Scene::kFestival)); }},
      {"mio_1.bmp", [] { return EncodeBmp(PaintFace(Face::kOpen)); }},
      {"mio_2.bmp", [] { return EncodeBmp(PaintFace(Face::kBlink)); }},
      {"mio_3.bmp", [] { return EncodeBmp(PaintFace(Face::kSmile)); }},
      {"play_sea.bmp", [] { return EncodeBmp(PaintPlay(Play::kSea)); }},
      {"play_study.bmp", [] { return EncodeBmp(PaintPlay(Play::kStudy)); }},
      {"play_shop.bmp", [] { return EncodeBmp(PaintPlay(Play::kShop)); }},
      {"play_nap.bmp", [] { return EncodeBmp(PaintPlay(Play::kNap)); }},
      {"umikaze.mid", [] { return MakeThemeMidi(); }},
      {"matsuri.mid", [] { return MakeFestivalMidi(); }},
      {"chime.wav", [] { return EncodeWav(MakeChime(), kSampleRate); }},
  };
  return assets;
}

inline const Asset* FindAsset(const std::string& name) {
  for (const Asset& a : Assets()) {
    if (name == a.name) return &a;
  }
  return nullptr;
}

// Writes a file through a temporary file renamed over it, so an interrupted
// build never leaves a cut picture that looks up to date.
inline bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path tmp = path.string() + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return false;
  }
  std::error_code ec;
  std::filesystem::rename(tmp, path, ec);
  return !ec;
}

inline int Run(const std::vector<std::string>& args, std::string& out, std::string& err) {
  if (args.size() == 1 && args[0] == "--list") {
    for (const Asset& a : Assets()) out += std::string(a.name) + "\n";
    return 0;
  }
  if (args.size() < 2) {
    err = "usage: demo-assets OUTDIR NAME...\n       demo-assets --list\n";
    return 2;
  }
  for (size_t i = 1; i < args.size(); ++i) {
    if (FindAsset(args[i]) == nullptr) {
      err = "demo-assets: no such asset: " + args[i] + " (see --list)\n";
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(args[0], ec);
  for (size_t i = 1; i < args.size(); ++i) {
    if (!WriteFile(std::filesystem::path(args[0]) / args[i], FindAsset(args[i])->make())) {
      err = "demo-assets: cannot write " + args[i] + " in " + args[0] + "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace demo_assets

#ifndef DEMO_ASSETS_NO_MAIN
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string out, err;
  const int code = demo_assets::Run(args, out, err);
  std::fputs(out.c_str(), stdout);
  std::fputs(err.c_str(), stderr);
  return code;
}
#endif
