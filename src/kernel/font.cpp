#include "kernel/font.h"

#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// The system font's cell size when FONT_SIZEX / FONT_SIZEY are missing.
constexpr int16_t kDefaultSystemFontSize = 16;
constexpr int kFallbackDefaultFont = 2;

Handle g_fonts[4] = {};
Handle g_default_font = kNoHandle;

Handle FontResource() {
  return SystemResource("Font");
}

// A configured cell size; `fallback` when the key is missing or below 1.
int16_t FontSize(const char* key, int16_t fallback) {
  const int16_t n = IniNumber(key);
  return n >= 1 ? n : fallback;
}

}  // namespace

FontRecord* FontView(Handle font) {
  return reinterpret_cast<FontRecord*>(RecordBodyOf(font, FontResource(), kFontRecordSize));
}

Handle CreateFont(int16_t width, int16_t height, uint16_t style, const char* name) {
  const Handle font = CreateRecord(FontResource(), -1, kFontRecordSize);
  FontRecord* f = FontView(font);
  if (f == nullptr) {
    WriteLog("CreateFont() error!");
    return kNoHandle;
  }
  // A reused record keeps its old bytes: every field is set here.
  std::memset(f, 0, sizeof *f);
  f->style = style;
  f->width = width;
  f->height = height;
  if (name != nullptr) PutFixedText(f->name, sizeof f->name, name);
  return font;
}

bool CreateStartupFonts() {
  const int16_t system_width = FontSize("FONT_SIZEX", kDefaultSystemFontSize);
  const int16_t system_height = FontSize("FONT_SIZEY", kDefaultSystemFontSize);
  struct StartupFontKeys {
    int number;
    const char* width_key;
    const char* height_key;
    uint16_t style;
  };
  // Made in this order; font 1 draws its texts in one piece.
  constexpr StartupFontKeys kFonts[] = {
      {1, "FONT1_SIZEX", "FONT1_SIZEY", kFontOnePiece},
      {2, "FONT2_SIZEX", "FONT2_SIZEY", 0},
      {3, "FONT3_SIZEX", "FONT3_SIZEY", 0},
      {0, "FONT_SIZEX", "FONT_SIZEY", 0},
  };
  bool ok = true;
  for (const StartupFontKeys& k : kFonts) {
    const int16_t width = k.number == 0 ? system_width : FontSize(k.width_key, system_width);
    const int16_t height = k.number == 0 ? system_height : FontSize(k.height_key, system_height);
    const Handle font = CreateFont(width, height, k.style, nullptr);
    g_fonts[k.number] = font;
    if (FontRecord* f = FontView(font); f != nullptr) {
      f->number = static_cast<int16_t>(k.number);
    } else {
      ok = false;
    }
  }

  const int16_t wanted = IniNumber("DEFAULT_FONT");
  int chosen = wanted;
  if (wanted < 1 || wanted > 3) {
    ShowMessageBox("指定フォント異常");
    chosen = kFallbackDefaultFont;
  }
  g_default_font = g_fonts[chosen];
  return ok;
}

Handle StartupFont(int number) {
  return number >= 0 && number <= 3 ? g_fonts[number] : kNoHandle;
}

Handle SystemFont() {
  return g_fonts[0];
}

Handle DefaultFont() {
  return g_default_font;
}

bool FontSpecOf(Handle font, FontSpec& spec) {
  const FontRecord* f = FontView(font);
  if (f == nullptr) return false;
  spec.identity = font;
  spec.style = f->style;
  spec.width = f->width;
  spec.height = f->height;
  return true;
}

void DrawText(int16_t x, int16_t y, const char* text, uint32_t colour, Handle font) {
  FontSpec spec;
  if (text == nullptr || !FontSpecOf(font, spec)) return;
  DrawTextRun(x, y, text, colour, spec);
}

void ResetFonts() {
  for (Handle& f : g_fonts) f = kNoHandle;
  g_default_font = kNoHandle;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetFonts);
}  // namespace

}  // namespace vadu
