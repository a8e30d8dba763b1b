#include "window/window.h"

#include <algorithm>
#include <cstring>

#include "core/config.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace vadu {
namespace {

constexpr char kRootName[] = "SystemRootWindow";

Handle g_root = kNoHandle;

Handle WindowResource() {
  return SystemResource("Window");
}

}  // namespace

WindowRecord* WindowView(Handle window) {
  return reinterpret_cast<WindowRecord*>(RecordBodyOf(window, WindowResource(), kWindowRecordSize));
}

Handle CreateWindow(Handle owner, Handle parent, int16_t width, int16_t height, uint32_t mode) {
  const Handle window = CreateRecord(WindowResource(), -1, kWindowRecordSize);
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return kNoHandle;
  // A reused record keeps its old bytes: every field is set here.
  std::memset(w, 0, sizeof *w);
  PutFixedText(w->name, sizeof w->name, "NON");
  w->owner = owner;
  w->width = width;
  w->height = height;
  w->mode = mode;

  if (parent == kNoHandle) parent = g_root;
  WindowRecord* p = WindowView(parent);
  if (p == nullptr) return window;

  // The new window is the top-most child of its parent.
  if (WindowRecord* last = WindowView(p->last_child); last != nullptr) {
    last->next = window;
    w->back = p->last_child;
  } else {
    p->first_child = window;
  }
  p->last_child = window;
  w->parent = parent;
  w->origin_x = static_cast<int16_t>(p->origin_x + p->x);
  w->origin_y = static_cast<int16_t>(p->origin_y + p->y);
  w->gc = parent == g_root ? SystemGC() : p->gc;
  return window;
}

bool CreateRootWindow() {
  // BACKSCREEN_COLOR selects a colour table entry; outside the table the
  // background is colour 0.
  int colour_index = LookupNumber("BACKSCREEN_COLOR", kIniFile);
  if (colour_index < 0 || colour_index >= kColourTableSize) colour_index = 0;
  const Handle gc = CreateGC(kNoHandle, 0, ColourTable[colour_index], ColourTable[18], ColourTable[19]);
  const Handle root = gc == kNoHandle ? kNoHandle
                                      : CreateWindow(kNoHandle, kNoHandle, Kernel.screen_width, Kernel.screen_height,
                                                     WINDOWdrawable | WINDOWopen);
  WindowRecord* w = WindowView(root);
  if (w == nullptr) {
    ShowMessageBox("RootWindow Create ERROR!!");
    return false;
  }
  w->x = w->y = 0;
  w->origin_x = w->origin_y = 0;
  w->depth = 1;
  w->parent = kNoHandle;
  w->gc = gc;
  PutFixedText(w->name, sizeof w->name, kRootName);
  g_root = root;
  return true;
}

Handle RootWindow() {
  return g_root;
}

void SetRootOwner(Handle task) {
  if (WindowRecord* w = WindowView(g_root); w != nullptr) w->owner = task;
}

int16_t WindowWidth(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? 0 : w->width;
}

int16_t WindowHeight(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? 0 : w->height;
}

Handle GetWindowGC(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? kNoHandle : w->gc;
}

void ClearWindowGlobals() {
  g_root = kNoHandle;
}

void ResetWindows() {
  ClearWindowGlobals();
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetWindows);
}  // namespace

}  // namespace vadu
