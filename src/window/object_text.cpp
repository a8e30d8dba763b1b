// The objects that show a text: message areas (kind 16) and, with the text
// buffer, input lines (kind 3) and text areas (kind 26).
#include <cstring>

#include "core/log.h"
#include "kernel/gc.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/object.h"
#include "window/object_internal.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

Handle g_first_text_area = kNoHandle;

}  // namespace

Handle CreateMessage(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle gc) {
  const Handle object = CreateObject(kNoHandle, parent, number, x, y, width, height);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->kind = kObjectMessage;
  if (gc != kNoHandle) o->gc = gc;
  SetWindowName(o->window, "Message");
  SetWindowMode(parent, WINDOWresave);
  return object;
}

void DrawInputMessage(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("  DrawInputMessage object is NULL");
    return;
  }
  const Handle window = o->window;
  const Handle gc = o->gc;
  const GCRecord* g = GCView(gc);
  WinFill(window, g != nullptr ? g->face : 0);
  SunkenFrame(window, 0, 0, gc);
}

Handle FirstTextArea() {
  return g_first_text_area;
}

void ForgetFirstTextArea() {
  g_first_text_area = kNoHandle;
}

}  // namespace vadu
