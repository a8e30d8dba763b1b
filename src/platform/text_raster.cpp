#include "platform/text_raster.h"

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/cp932.h"
#include "platform/device.h"
#include "platform/reset.h"

namespace vadu {
namespace {

constexpr const char* kDefaultFullWidthFamily = "IPAMincho";
constexpr const char* kDefaultOneByteFamily = "IPAGothic";

// Glyphs larger than this many pixels per em are not drawn (their cells
// still advance): a wild font size must not make a gigabyte bitmap.
constexpr int kMaxPpem = 1024;
// The glyph cache is emptied when its bitmaps pass this size.
constexpr size_t kCacheBudgetBytes = 16u << 20;
// Italic: the outline is sheared by this much (16.16) about the baseline.
constexpr FT_Fixed kItalicShear = 0x3800;

// ---- CP932 to Unicode ------------------------------------------------------

// Not yet converted.
constexpr uint32_t kUnknown = 0xFFFFFFFFu;

struct CharTable {
  CharTable() = default;
  CharTable(const CharTable&) = delete;
  CharTable& operator=(const CharTable&) = delete;
  ~CharTable() {
    if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
  }
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  uint32_t single[256];
  // The lead bytes (kLeadByteCount) by 256 trail bytes.
  std::vector<uint32_t> pairs;
};
std::unique_ptr<CharTable> g_chars;

int LeadIndex(uint8_t lead) {
  return LeadByteIndex(lead);
}

// One character through iconv; 0 when it does not convert to exactly one
// printable code point.
uint32_t ConvertOne(CharTable& t, const uint8_t* bytes, size_t count) {
  if (t.cd == reinterpret_cast<iconv_t>(-1)) return 0;
  ::iconv(t.cd, nullptr, nullptr, nullptr, nullptr);
  char in_buf[2] = {static_cast<char>(bytes[0]), count > 1 ? static_cast<char>(bytes[1]) : '\0'};
  unsigned char out_buf[8];
  char* in = in_buf;
  char* out = reinterpret_cast<char*>(out_buf);
  size_t in_left = count, out_left = sizeof out_buf;
  if (::iconv(t.cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1) || in_left != 0) return 0;
  if (sizeof out_buf - out_left != 4) return 0;
  const uint32_t cp = out_buf[0] | (out_buf[1] << 8) | (out_buf[2] << 16) | (static_cast<uint32_t>(out_buf[3]) << 24);
  if (cp < 0x20 || cp == 0x7F || cp > 0x10FFFF) return 0;
  return cp;
}

// ---- Faces -----------------------------------------------------------------

struct FaceInfo {
  FT_Face face = nullptr;
  // The font file, read with pread (see OpenFace); FreeType keeps a pointer
  // to it while the face is open.
  FT_StreamRec stream{};
  int upem = 0;
  int ascender = 0;   // font units, above the baseline
  int descender = 0;  // font units, below the baseline (positive)
  int avg_width = 0;  // font units; a half-width glyph's width
  int set_x = 0;      // pixel size last set on the face
  int set_y = 0;
};

enum FaceId { kMincho = 0, kGothic = 1 };

struct Raster {
  bool looked_up = false;  // fontconfig was asked
  std::string paths[2];
  int indexes[2] = {0, 0};
  bool usable = false;  // both faces open
  FT_Library library = nullptr;
  FaceInfo faces[2];
};
Raster g_raster;
std::string g_families[2] = {kDefaultFullWidthFamily, kDefaultOneByteFamily};

// The first file (in path order, for a stable choice) of the family.
bool FindFontFile(FcConfig* config, const std::string& family, std::string* path, int* index) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcObjectSet* objects = FcObjectSetBuild(FC_FILE, FC_INDEX, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  bool found = false;
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      FcChar8* file = nullptr;
      int idx = 0;
      if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
      if (FcPatternGetInteger(set->fonts[i], FC_INDEX, 0, &idx) != FcResultMatch) idx = 0;
      std::string candidate = reinterpret_cast<const char*>(file);
      if (!found || candidate < *path) {
        *path = candidate;
        *index = idx;
        found = true;
      }
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return found;
}

// A fontconfig configuration over only the directories of the Debian IPA
// font packages, read from the system's font caches. Loading the user's
// whole configuration (dozens of files and every font directory) costs
// several milliseconds of start-up; this costs well under one. The cache
// directories are the default configuration's, so a missing or stale cache
// is rebuilt where the full configuration would rebuild it.
constexpr char kIpaConfig[] =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
    "<fontconfig>\n"
    "  <dir>/usr/share/fonts/opentype/ipafont-mincho</dir>\n"
    "  <dir>/usr/share/fonts/opentype/ipafont-gothic</dir>\n"
    "  <cachedir>/var/cache/fontconfig</cachedir>\n"
    "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
    "</fontconfig>\n";
// Directories of kIpaConfig; the quick lookup is tried only when both exist.
constexpr const char* kIpaDirectories[] = {"/usr/share/fonts/opentype/ipafont-mincho",
                                           "/usr/share/fonts/opentype/ipafont-gothic"};

// The configuration of kIpaConfig, or nullptr when it cannot be made.
FcConfig* LoadIpaConfig() {
  for (const char* dir : kIpaDirectories) {
    if (::access(dir, R_OK | X_OK) != 0) return nullptr;
  }
  FcConfig* config = FcConfigCreate();
  if (config == nullptr) return nullptr;
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kIpaConfig), FcFalse) ||
      !FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return nullptr;
  }
  return config;
}

// Finds the files of both families: first in the IPA directories alone,
// then, for a family not found there (another family, or the packages are
// not installed), through the user's whole fontconfig configuration.
void LookUpFonts() {
  g_raster.looked_up = true;
  bool found[2] = {false, false};
  for (int i = 0; i < 2; ++i) g_raster.paths[i].clear();
  if (FcConfig* quick = LoadIpaConfig()) {
    for (int i = 0; i < 2; ++i) found[i] = FindFontFile(quick, g_families[i], &g_raster.paths[i], &g_raster.indexes[i]);
    FcConfigDestroy(quick);
  }
  if (!found[0] || !found[1]) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    for (int i = 0; i < 2; ++i) {
      if (!found[i] && config != nullptr) {
        found[i] = FindFontFile(config, g_families[i], &g_raster.paths[i], &g_raster.indexes[i]);
      }
    }
    if (config != nullptr) FcConfigDestroy(config);
  }
  std::string missing;
  for (int i = 0; i < 2; ++i) {
    if (found[i]) continue;
    g_raster.paths[i].clear();
    missing += missing.empty() ? "" : " and ";
    missing += g_families[i];
  }
  if (!missing.empty()) {
    std::fprintf(stderr, "vadu: font %s not found: text is not drawn\n", missing.c_str());
    std::fflush(stderr);
  }
}

// The font file as a FreeType stream: `count` bytes at `offset` into
// `buffer`; a count of 0 is a seek (0 when it lands inside the file).
unsigned long ReadFontFile(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (count == 0) return offset <= stream->size ? 0 : 1;
  const int fd = static_cast<int>(stream->descriptor.value);
  unsigned long done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd, buffer + done, count - done, static_cast<off_t>(offset + done));
    if (n > 0) {
      done += static_cast<unsigned long>(n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  return done;
}

void CloseFontFile(FT_Stream stream) {
  ::close(static_cast<int>(stream->descriptor.value));
}

// Opens face `id` from its file. The file is read with pread rather than
// mapped (FreeType's own way): the IPA fonts are 6 and 8 MB, and every page
// of a mapping a glyph touches brings its neighbours into the resident set
// with it (the kernel maps up to 64 KB around a fault), so a screen of text
// kept about 3 MB of font file resident.
bool OpenFace(int id) {
  FaceInfo& f = g_raster.faces[id];
  const int fd = ::open(g_raster.paths[id].c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st;
  FT_Open_Args args{};
  if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    f.stream = FT_StreamRec{};
    f.stream.size = static_cast<unsigned long>(st.st_size);
    f.stream.descriptor.value = fd;
    f.stream.read = &ReadFontFile;
    f.stream.close = &CloseFontFile;
    args.flags = FT_OPEN_STREAM;
    args.stream = &f.stream;
  } else {
    if (fd >= 0) ::close(fd);
    args.flags = FT_OPEN_PATHNAME;
    args.pathname = const_cast<char*>(g_raster.paths[id].c_str());
  }
  // FreeType closes the stream (CloseFontFile) also when the open fails.
  if (FT_Open_Face(g_raster.library, &args, g_raster.indexes[id], &f.face) != 0) {
    f.face = nullptr;
    std::fprintf(stderr, "vadu: font %s (%s) cannot be read: text is not drawn\n", g_families[id].c_str(),
                 g_raster.paths[id].c_str());
    std::fflush(stderr);
    return false;
  }
  f.upem = f.face->units_per_EM > 0 ? f.face->units_per_EM : 1000;
  f.ascender = f.face->ascender;
  f.descender = -f.face->descender;
  if (f.ascender <= 0 || f.ascender + f.descender <= 0) {
    f.ascender = f.upem * 88 / 100;
    f.descender = f.upem - f.ascender;
  }
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f.face, FT_SFNT_OS2));
  f.avg_width = (os2 != nullptr && os2->xAvgCharWidth > 0) ? os2->xAvgCharWidth : f.upem / 2;
  f.set_x = f.set_y = 0;
  return true;
}

// Opens FreeType and both faces when they are not open. False when text
// cannot be drawn (the reason was written once).
bool EnsureRaster() {
  if (g_raster.usable) return true;
  if (g_raster.library != nullptr) return false;  // opened before and failed
  if (!g_raster.looked_up) LookUpFonts();
  if (g_raster.paths[0].empty() || g_raster.paths[1].empty()) return false;
  if (FT_Init_FreeType(&g_raster.library) != 0) {
    g_raster.library = nullptr;
    return false;
  }
  g_raster.usable = OpenFace(kMincho) && OpenFace(kGothic);
  return g_raster.usable;
}

// ---- Host fonts ------------------------------------------------------------

struct HostFont {
  FaceId face = kMincho;
  bool bold = false;
  bool italic = false;
  int x_ppem = 0;
  int y_ppem = 0;
  int ascent = 0;  // pixels from the cell top to the baseline
  bool drawable = false;
};

struct HostFonts {
  bool made = false;
  FontSpec spec;
  HostFont full_width;
  HostFont kana;
  HostFont one_byte;
};
HostFonts g_fonts;
uint32_t g_font_builds = 0;

bool SameSpec(const FontSpec& a, const FontSpec& b) {
  return a.identity == b.identity && a.style == b.style && a.width == b.width && a.height == b.height;
}

// A host font of height h; `half` is the width of a half-width glyph in
// pixels, 0 for the face's natural width.
HostFont MakeHostFont(FaceId id, bool bold, bool italic, int h, int half) {
  HostFont hf;
  hf.face = id;
  hf.bold = bold;
  hf.italic = italic;
  if (!g_raster.usable || h <= 0) return hf;
  const FaceInfo& f = g_raster.faces[id];
  const int64_t span = f.ascender + f.descender;
  hf.y_ppem = static_cast<int>((static_cast<int64_t>(h) * f.upem + span / 2) / span);
  hf.x_ppem =
      half > 0 ? static_cast<int>((static_cast<int64_t>(half) * f.upem + f.avg_width / 2) / f.avg_width) : hf.y_ppem;
  hf.ascent = static_cast<int>((static_cast<int64_t>(h) * f.ascender + span / 2) / span);
  hf.drawable = hf.x_ppem >= 1 && hf.y_ppem >= 1 && hf.x_ppem <= kMaxPpem && hf.y_ppem <= kMaxPpem;
  return hf;
}

void MakeHostFonts(const FontSpec& spec) {
  ++g_font_builds;
  g_fonts.made = true;
  g_fonts.spec = spec;
  const bool italic = (spec.style & kFontItalic) != 0;
  // The narrow fonts are w/2 - 1 wide; the host takes the magnitude of a
  // negative width, and 0 means the natural width.
  int half = spec.width / 2 - 1;
  if (half < 0) half = -half;
  g_fonts.full_width = MakeHostFont(kMincho, true, italic, spec.height, 0);
  g_fonts.kana = MakeHostFont(kGothic, true, italic, spec.height, half);
  g_fonts.one_byte = MakeHostFont(kGothic, false, italic, spec.height, half);
}

// ---- Glyph cache -----------------------------------------------------------

struct Glyph {
  int left = 0;  // bitmap's left edge from the pen position
  int top = 0;   // bitmap's top row above the baseline
  int width = 0;
  int rows = 0;
  int advance = 0;                // pixels
  std::vector<uint8_t> coverage;  // width * rows, 0..255
};

struct GlyphCache {
  std::unordered_map<uint64_t, Glyph> map;
  size_t bytes = 0;
  uint64_t hits = 0;
  uint64_t misses = 0;
};
GlyphCache g_cache;

uint64_t GlyphKey(const HostFont& hf, uint32_t cp) {
  return static_cast<uint64_t>(cp) | (static_cast<uint64_t>(hf.face) << 21) | (static_cast<uint64_t>(hf.bold) << 22) |
         (static_cast<uint64_t>(hf.italic) << 23) | (static_cast<uint64_t>(hf.x_ppem) << 24) |
         (static_cast<uint64_t>(hf.y_ppem) << 36);
}

// Renders one glyph; an empty bitmap when the face has none for cp.
Glyph RenderGlyph(const HostFont& hf, uint32_t cp) {
  Glyph g;
  FaceInfo& f = g_raster.faces[hf.face];
  if (f.set_x != hf.x_ppem || f.set_y != hf.y_ppem) {
    if (FT_Set_Pixel_Sizes(f.face, static_cast<FT_UInt>(hf.x_ppem), static_cast<FT_UInt>(hf.y_ppem)) != 0) {
      f.set_x = f.set_y = 0;
      return g;
    }
    f.set_x = hf.x_ppem;
    f.set_y = hf.y_ppem;
  }
  const FT_UInt index = FT_Get_Char_Index(f.face, cp);
  // A character the face lacks draws nothing (not the missing-glyph box).
  if (index == 0) {
    g.advance = cp < 0x100 ? hf.x_ppem / 2 : hf.x_ppem;
    return g;
  }
  if (FT_Load_Glyph(f.face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) != 0) return g;
  FT_GlyphSlot slot = f.face->glyph;
  FT_Pos advance = slot->advance.x;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (hf.bold) {
      // About one pixel, as the host's synthetic bold widens a glyph.
      const FT_Pos strength = std::max<FT_Pos>(64, static_cast<FT_Pos>(hf.y_ppem) * 64 / 24);
      FT_Outline_Embolden(&slot->outline, strength);
      advance += strength;
    }
    if (hf.italic) {
      FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
  }
  g.advance = static_cast<int>((advance + 32) >> 6);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return g;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.rows = static_cast<int>(bm.rows);
  g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
  for (int r = 0; r < g.rows; ++r) {
    const unsigned char* src = bm.pitch >= 0 ? bm.buffer + static_cast<ptrdiff_t>(r) * bm.pitch
                                             : bm.buffer + static_cast<ptrdiff_t>(g.rows - 1 - r) * -bm.pitch;
    std::memcpy(&g.coverage[static_cast<size_t>(r) * static_cast<size_t>(g.width)], src, static_cast<size_t>(g.width));
  }
  return g;
}

// The cached glyph; valid until the next lookup.
const Glyph& LookUpGlyph(const HostFont& hf, uint32_t cp) {
  const uint64_t key = GlyphKey(hf, cp);
  auto it = g_cache.map.find(key);
  if (it != g_cache.map.end()) {
    ++g_cache.hits;
    return it->second;
  }
  ++g_cache.misses;
  if (g_cache.bytes > kCacheBudgetBytes) {
    g_cache.map.clear();
    g_cache.bytes = 0;
  }
  Glyph g = RenderGlyph(hf, cp);
  g_cache.bytes += g.coverage.size() + sizeof(Glyph) + 32;
  return g_cache.map.emplace(key, std::move(g)).first->second;
}

// ---- Drawing ---------------------------------------------------------------

// Blends the glyph's coverage in `colour` over the screen, with its pen at
// (pen_x, baseline).
// Blends a glyph onto the screen, touching only the pixels of `clip` that lie
// on the screen.
void BlendGlyph(const Glyph& g, int pen_x, int baseline, uint32_t colour, const ClipBox& clip) {
  if (g.coverage.empty()) return;
  Framebuffer& fb = Screen();
  std::lock_guard<std::mutex> lock(fb.mutex());
  const int sw = fb.width();
  const int left = std::max(clip.left, 0), right = std::min(clip.right, sw - 1);
  const int top = std::max(clip.top, 0), bottom = std::min(clip.bottom, fb.height() - 1);
  const int gx = pen_x + g.left, gy = baseline - g.top;
  const int c0 = std::max(0, left - gx), c1 = std::min(g.width, right + 1 - gx);
  const int r0 = std::max(0, top - gy), r1 = std::min(g.rows, bottom + 1 - gy);
  if (c0 >= c1 || r0 >= r1) return;
  const uint32_t c_rb = colour & 0x00FF00FFu, c_g = colour & 0x0000FF00u;
  uint32_t* px = fb.pixels();
  for (int r = r0; r < r1; ++r) {
    const uint8_t* cov = &g.coverage[static_cast<size_t>(r) * static_cast<size_t>(g.width)];
    uint32_t* row = px + static_cast<size_t>(gy + r) * static_cast<size_t>(sw) + gx;
    for (int c = c0; c < c1; ++c) {
      const uint32_t a = cov[c];
      if (a == 0) continue;
      if (a == 255) {
        row[c] = colour;
        continue;
      }
      // Red and blue in one word, green in another; each lane holds at most
      // 255 * 255 + 383, so no lane carries into the next. Exact rounding of
      // (colour * a + pixel * (255 - a)) / 255.
      const uint32_t p = row[c], ia = 255 - a;
      uint32_t rb = c_rb * a + (p & 0x00FF00FFu) * ia + 0x00800080u;
      rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
      uint32_t gg = (c_g >> 8) * a + ((p & 0x0000FF00u) >> 8) * ia + 0x80u;
      gg = ((gg + (gg >> 8)) >> 8) & 0xFFu;
      row[c] = rb | (gg << 8);
    }
  }
  fb.Touch();
}

// One character of a run: its code point and its host font.
struct Char {
  uint32_t cp = 0;
  const HostFont* font = nullptr;
  bool two_byte = false;
};

// Decodes the character at *p and advances p past it. A lead byte without a
// valid trail byte is a one-byte character.
Char NextChar(const uint8_t*& p) {
  Char ch;
  const uint8_t b = p[0];
  const uint8_t t = p[1];  // the terminating zero at worst
  if (IsLeadByte(b) && IsTrailByte(t)) {
    ch.cp = Cp932CodePoint(b, t);
    ch.font = &g_fonts.full_width;
    ch.two_byte = true;
    p += 2;
  } else {
    ch.cp = Cp932CodePoint(b, 0);
    ch.font = IsHalfWidthKana(b) ? &g_fonts.kana : &g_fonts.one_byte;
    p += 1;
  }
  return ch;
}

}  // namespace

uint32_t Cp932CodePoint(uint8_t lead, uint8_t trail) {
  if (!g_chars) {
    g_chars = std::make_unique<CharTable>();
    g_chars->cd = ::iconv_open("UTF-32LE", "CP932");
    std::fill(std::begin(g_chars->single), std::end(g_chars->single), kUnknown);
    g_chars->pairs.assign(static_cast<size_t>(kLeadByteCount) * 256u, kUnknown);
  }
  CharTable& t = *g_chars;
  if (trail == 0) {
    uint32_t& slot = t.single[lead];
    if (slot == kUnknown) slot = ConvertOne(t, &lead, 1);
    return slot;
  }
  const int li = LeadIndex(lead);
  if (li < 0) return 0;
  uint32_t& slot = t.pairs[static_cast<size_t>(li) * 256u + trail];
  if (slot == kUnknown) {
    const uint8_t bytes[2] = {lead, trail};
    slot = ConvertOne(t, bytes, 2);
  }
  return slot;
}

void DrawTextRun(int16_t x, int16_t y, const char* text, uint32_t colour, const FontSpec& font) {
  DrawTextRunClipped(x, y, text, colour, font, ClipBox{INT_MIN, INT_MIN, INT_MAX, INT_MAX});
}

void DrawTextRunClipped(int16_t x, int16_t y, const char* text, uint32_t colour, const FontSpec& font,
                        const ClipBox& clip) {
  if (text == nullptr || clip.left > clip.right || clip.top > clip.bottom || !EnsureRaster()) return;
  if (!g_fonts.made || !SameSpec(g_fonts.spec, font)) MakeHostFonts(font);
  if (font.width <= 0 || font.height <= 0) return;
  colour &= 0x00FFFFFFu;

  const int sw = Screen().width(), sh = Screen().height();
  const int h = font.height;
  // A glyph reaches at most about one em beyond its cell on any side.
  const int margin = std::max(g_fonts.full_width.y_ppem, h) + 2;
  if (y + h + margin <= 0 || y - margin >= sh) return;

  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  int pen = x;
  if ((font.style & kFontOnePiece) != 0) {
    // The whole text in the full-width font, each glyph advancing by its own
    // width, as one host text call would draw it.
    const HostFont& hf = g_fonts.full_width;
    if (!hf.drawable) return;
    while (*p != 0 && pen - margin < sw) {
      const Char ch = NextChar(p);
      if (ch.cp == 0) {
        pen += ch.two_byte ? hf.x_ppem : hf.x_ppem / 2;
        continue;
      }
      const Glyph& g = LookUpGlyph(hf, ch.cp);
      BlendGlyph(g, pen, y + hf.ascent, colour, clip);
      pen += g.advance;
    }
    return;
  }

  const int w = font.width;
  while (*p != 0 && pen - margin < sw) {
    const Char ch = NextChar(p);
    const int cell = ch.two_byte ? w : w / 2;
    const HostFont& hf = *ch.font;
    if (ch.cp != 0 && hf.drawable && pen + cell + margin > 0) {
      const Glyph& g = LookUpGlyph(hf, ch.cp);
      // Narrow glyphs are centred in their cells.
      const int at = (cell - cell / 8) > g.advance ? pen + (cell - g.advance) / 2 : pen;
      BlendGlyph(g, at, y + hf.ascent, colour, clip);
    }
    pen += cell;
  }
}

uint32_t HostFontBuilds() {
  return g_font_builds;
}

void ForgetHostFonts() {
  g_fonts = HostFonts{};
}

void ReleaseTextRaster() {
  ForgetHostFonts();
  g_cache.map.clear();
  g_cache.bytes = 0;
  for (FaceInfo& f : g_raster.faces) {
    if (f.face != nullptr) FT_Done_Face(f.face);
    f = FaceInfo{};
  }
  if (g_raster.library != nullptr) FT_Done_FreeType(g_raster.library);
  g_raster.library = nullptr;
  g_raster.usable = false;
  g_chars.reset();
}

void SetTextFontFamilies(const char* full_width, const char* one_byte) {
  ReleaseTextRaster();
  g_families[0] = full_width != nullptr ? full_width : kDefaultFullWidthFamily;
  g_families[1] = one_byte != nullptr ? one_byte : kDefaultOneByteFamily;
  g_raster.looked_up = false;
}

GlyphCacheStats GetGlyphCacheStats() {
  GlyphCacheStats s;
  s.hits = g_cache.hits;
  s.misses = g_cache.misses;
  s.entries = g_cache.map.size();
  s.bytes = g_cache.bytes;
  return s;
}

namespace {

// The caches of the engine's last fonts go; the opened faces stay (they
// depend on the families only, which go back to the defaults).
void ResetTextRaster() {
  if (g_families[0] != kDefaultFullWidthFamily || g_families[1] != kDefaultOneByteFamily) {
    SetTextFontFamilies(nullptr, nullptr);
  }
  ForgetHostFonts();
  g_cache = GlyphCache{};
  g_font_builds = 0;
}

[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetTextRaster);
}  // namespace

}  // namespace vadu
