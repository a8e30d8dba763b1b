#include "kernel/gc.h"

#include <cstring>
#include <utility>

#include "core/config.h"
#include "core/state.h"
#include "core/strings.h"
#include "data/resource.h"
#include "kernel/font.h"
#include "kernel/task.h"
#include "platform/device.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace vadu {
namespace {

Handle g_system_gc = kNoHandle;
Handle g_active_gc = kNoHandle;

// The ramp every GC starts with, green to blue.
constexpr uint8_t kInitialRamp[kRampSize][3] = {
    {50, 150, 20},  {50, 150, 40},  {50, 150, 60},  {50, 150, 100}, {50, 150, 120}, {50, 150, 130},
    {50, 150, 140}, {50, 150, 150}, {50, 150, 160}, {50, 160, 170}, {50, 160, 180}, {50, 170, 190},
    {50, 170, 200}, {50, 180, 210}, {50, 180, 220}, {50, 190, 230},
};

Handle GCResource() {
  return SystemResource("GC");
}

struct Bevel {
  uint32_t face, light, shadow;
};

// The active GC's colours in full colour: the first word ACTIVE_COLOR
// contains, in this order; none of them gives the grey of the table.
Bevel FullColourActive(const char* word) {
  struct Entry {
    const char* word;
    Bevel colours;
  };
  const Entry kEntries[] = {
      {"GREEN", {MakeColour(100, 200, 100), MakeColour(150, 250, 150), MakeColour(50, 100, 50)}},
      {"RED", {MakeColour(200, 100, 100), MakeColour(250, 150, 150), MakeColour(100, 50, 50)}},
      {"BLUE", {MakeColour(100, 100, 200), MakeColour(150, 150, 250), MakeColour(50, 50, 100)}},
      {"WHITE", {MakeColour(230, 230, 230), ColourTable[1], MakeColour(160, 160, 160)}},
      {"YELLOW", {MakeColour(210, 210, 0), MakeColour(250, 250, 60), MakeColour(140, 140, 0)}},
      {"PURPLE", {MakeColour(210, 110, 210), MakeColour(250, 150, 250), MakeColour(150, 60, 150)}},
  };
  for (const Entry& e : kEntries) {
    if (FindText(word, e.word) != 0) return e.colours;
  }
  return {ColourTable[17], ColourTable[18], ColourTable[19]};
}

// The active GC's palette numbers (USE_COLOR 1).
Bevel PaletteActive(const char* word) {
  if (FindText(word, "GREEN") != 0) return {8, 12, 4};
  if (FindText(word, "BLUE") != 0) return {5, 9, 1};
  if (FindText(word, "PINK") != 0) return {7, 11, 3};
  return {6, 10, 2};
}

}  // namespace

GCRecord* GCView(Handle gc) {
  return reinterpret_cast<GCRecord*>(RecordBodyOf(gc, GCResource(), kGCRecordSize));
}

Handle CreateGC(Handle task, uint32_t text, uint32_t face, uint32_t light, uint32_t shadow) {
  (void)task;  // a GC record keeps no owner
  const Handle gc = CreateRecord(GCResource(), -1, kGCRecordSize);
  GCRecord* g = GCView(gc);
  if (g == nullptr) return kNoHandle;
  // A reused record keeps its old bytes: every field is set here.
  std::memset(g, 0, sizeof *g);
  g->face = face;
  g->light = light;
  g->shadow = shadow;
  g->text = text;
  g->font = DefaultFont();
  g->value32 = 0xFFFF;
  g->value36 = 1;
  for (int i = 0; i < kRampSize; ++i) {
    g->ramp[i] = MakeColour(kInitialRamp[i][0], kInitialRamp[i][1], kInitialRamp[i][2]);
  }
  return gc;
}

void SetGCColours(Handle gc, uint32_t face, uint32_t light, uint32_t shadow) {
  if (GCRecord* g = GCView(gc); g != nullptr) {
    g->face = face;
    g->light = light;
    g->shadow = shadow;
  }
}

void SetGCTextColour(Handle gc, uint32_t colour) {
  if (GCRecord* g = GCView(gc); g != nullptr) g->text = colour;
}

void SetGCFont(Handle gc, Handle font) {
  if (GCRecord* g = GCView(gc); g != nullptr) g->font = font;
}

void SwapBevel(Handle gc) {
  if (GCRecord* g = GCView(gc); g != nullptr) std::swap(g->light, g->shadow);
}

bool CreateSystemGCs() {
  char word[kKeywordLineMax + 1] = "";
  if (Kernel.use_color == 1 || Kernel.use_color == 3) IniString("ACTIVE_COLOR", word, sizeof word);

  if (Kernel.use_color == 1) {
    g_system_gc = CreateGC(kNoHandle, 0, 8, 12, 4);
    const Bevel a = PaletteActive(word);
    g_active_gc = CreateGC(kNoHandle, 0, a.face, a.light, a.shadow);
  } else {
    g_system_gc = CreateGC(kNoHandle, 0, ColourTable[17], ColourTable[18], ColourTable[19]);
    if (Kernel.use_color == 3) {
      const Bevel a = FullColourActive(word);
      g_active_gc = CreateGC(kNoHandle, 0, a.face, a.light, a.shadow);
    } else {
      g_active_gc = g_system_gc;
    }
  }
  if (g_system_gc == kNoHandle || g_active_gc == kNoHandle) {
    ShowMessageBox("SYSTEM GCが作成できません");
    return false;
  }
  return true;
}

Handle SystemGC() {
  return g_system_gc;
}

Handle ActiveGC() {
  return g_active_gc;
}

void ResetGCs() {
  g_system_gc = kNoHandle;
  g_active_gc = kNoHandle;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetGCs);
}  // namespace

}  // namespace vadu
