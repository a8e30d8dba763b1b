// Graphics contexts (GCs): 132-byte records of the "GC" resource that say how
// window faces and texts are drawn: face, light and shadow colours, text
// colour, font, background picture and a 16-colour ramp. Every window has
// one. Colour values are the device's (red in the low byte); in the palette
// mode (USE_COLOR 1) they are palette numbers, passed through unchanged.
//
// The drawing helpers that paint window faces with a GC's colours belong to
// the window layer (window/gc_draw.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pool.h"
#include "core/types.h"

namespace vadu {

inline constexpr int kGCRecordSize = 132;
inline constexpr int kRampSize = 16;
// GC flag: texts are drawn embossed.
inline constexpr uint16_t kGCEmbossed = 0x20;

struct GCRecord {
  uint16_t flags;  // kGCEmbossed; 0 at creation
  uint8_t unused2[2];
  uint32_t face;     // fill of window faces and buttons
  uint32_t light;    // highlight edge of bevels
  uint32_t shadow;   // shadow edge of bevels
  uint32_t text;     // texts and the plain drawing forms
  Handle font;       // the default font at creation
  uint32_t value24;  // 0
  uint16_t value28;  // 0
  uint8_t unused30[2];
  uint32_t value32;      // 0xFFFF
  uint16_t value36;      // 1
  uint16_t values38[4];  // 0
  uint8_t unused46[2];
  Handle background;         // picture over the content of WINDOWbackpicture windows
  uint32_t ramp[kRampSize];  // RampBar colours
  uint8_t reserved116[16];
};
static_assert(sizeof(GCRecord) == kGCRecordSize);
static_assert(offsetof(GCRecord, face) == 4);
static_assert(offsetof(GCRecord, text) == 16);
static_assert(offsetof(GCRecord, font) == 20);
static_assert(offsetof(GCRecord, value32) == 32);
static_assert(offsetof(GCRecord, value36) == 36);
static_assert(offsetof(GCRecord, background) == 48);
static_assert(offsetof(GCRecord, ramp) == 52);

// The GC record of a handle, or nullptr when it is not an active full-size
// record of the "GC" resource. Valid until the next allocation.
GCRecord* GCView(Handle gc);

// Makes a GC with an automatic record number: the colours given, the
// default font, the fixed initial values and the green-to-blue ramp. `task`
// is the task the GC is made for (a GC record keeps no owner). None when the
// record cannot be made.
Handle CreateGC(Handle task, uint32_t text, uint32_t face, uint32_t light, uint32_t shadow);

// Setters; a handle that is not a GC is ignored.
void SetGCColours(Handle gc, uint32_t face, uint32_t light, uint32_t shadow);
void SetGCTextColour(Handle gc, uint32_t colour);
void SetGCFont(Handle gc, Handle font);
// Exchanges the light and shadow colours (a pressed look).
void SwapBevel(Handle gc);

// Start-up: the system GC (given to new windows) and the active GC (the
// active window's decoration and the menus), by USE_COLOR and ACTIVE_COLOR;
// outside the palette and full-colour modes the active GC is the system GC
// itself. Shows "SYSTEM GCが作成できません" in the host message box when
// either cannot be made and returns false; start-up goes on.
bool CreateSystemGCs();
Handle SystemGC();
Handle ActiveGC();

// Back to the state before start-up (tests).
void ResetGCs();

}  // namespace vadu
