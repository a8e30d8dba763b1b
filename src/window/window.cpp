#include "window/window.h"

#include <algorithm>
#include <cstring>

#include "core/config.h"
#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "data/resource.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/host_seam.h"
#include "platform/reset.h"
#include "window/backing_store.h"
#include "window/manager.h"

namespace vadu {
namespace {

constexpr char kRootName[] = "SystemRootWindow";

Handle g_root = kNoHandle;

Handle WindowResource() {
  return SystemResource("Window");
}

WindowObjectHooks g_object_hooks;

// Sets every descendant's origin from its parent's content origin. The walk
// is bounded by the number of window records, so a damaged tree cannot loop.
void UpdateOrigins(Handle parent, int budget) {
  const WindowRecord* p = WindowView(parent);
  if (p == nullptr) return;
  const int16_t ox = static_cast<int16_t>(p->origin_x + p->x);
  const int16_t oy = static_cast<int16_t>(p->origin_y + p->y);
  for (Handle c = p->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cw = WindowView(c);
    if (cw == nullptr) break;
    cw->origin_x = ox;
    cw->origin_y = oy;
    const Handle next = cw->next;
    UpdateOrigins(c, budget);
    c = next;
  }
}

int WindowBudget() {
  return RecordCount(WindowResource()) + 1;
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

void DestroyWindow(Handle window) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if (window == g_root) {
    // The root has no parent to leave and everything hangs below it: it
    // stays.
    WriteLog("root window を削除しようとしています");
    return;
  }
  if (g_object_hooks.destroy_all != nullptr) g_object_hooks.destroy_all(window);
  w = WindowView(window);
  if (w == nullptr) return;
  if (w->save_graphic != kNoHandle) {
    const Handle owner = w->owner;
    const Handle picture = w->save_graphic;
    w->save_graphic = kNoHandle;
    FreeGraphic(owner, picture);
    w = WindowView(window);
  }
  // Out of the sibling chain; the parent's first and last child follow.
  const Handle next = w->next, back = w->back, parent = w->parent;
  if (WindowRecord* b = WindowView(back)) b->next = next;
  if (WindowRecord* n = WindowView(next)) n->back = back;
  if (WindowRecord* p = WindowView(parent)) {
    if (p->first_child == window) p->first_child = next;
    if (p->last_child == window) p->last_child = back;
  }
  w->next = w->back = w->parent = kNoHandle;
  WindowDestroyed(window);
  DeleteRecord(WindowResource(), window);
}

std::string WindowNameText(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return "";
  return std::string(w->name, FixedTextLength(w->name, sizeof w->name));
}

void SetWindowName(Handle window, const char* name) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  // Cut on a character boundary: the name is drawn as CP932 text.
  char text[sizeof w->name];
  line_copy(name != nullptr ? name : "", text, sizeof text);
  size_t n = 0;
  while (text[n] != '\0') {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) ? 2 : 1;
    if (step == 2 && text[n + 1] == '\0') break;
    n += step;
  }
  text[n] = '\0';
  PutFixedText(w->name, sizeof w->name, text);
}

void SetWindowPosition(Handle window, int16_t x, int16_t y) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  w->x = x;
  w->y = y;
  UpdateOrigins(window, WindowBudget());
}

void CenterWindow(Handle window) {
  const WindowRecord* w = WindowView(window);
  const WindowRecord* p = w != nullptr ? WindowView(w->parent) : nullptr;
  if (p == nullptr) return;
  SetWindowPosition(window, static_cast<int16_t>((p->width - w->width) / 2),
                    static_cast<int16_t>((p->height - w->height) / 2));
}

int FitWindowInParent(Handle window, int16_t margin) {
  const WindowRecord* w = WindowView(window);
  const WindowRecord* p = w != nullptr ? WindowView(w->parent) : nullptr;
  if (p == nullptr) return 1;
  int x = w->x, y = w->y;
  if (x + w->width + margin > p->width) x = p->width - w->width - margin;
  if (y + w->height + margin > p->height) y = p->height - w->height - margin;
  if (x < margin) x = margin;
  if (y < margin) y = margin;
  SetWindowPosition(window, static_cast<int16_t>(x), static_cast<int16_t>(y));
  return 1;
}

void MoveWindowBy(Handle window, int16_t dx, int16_t dy) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  SetWindowPosition(window, static_cast<int16_t>(w->x + dx), static_cast<int16_t>(w->y + dy));
}

void ResizeWindowBy(Handle window, int16_t dw, int16_t dh) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  w->width = static_cast<int16_t>(w->width + dw);
  w->height = static_cast<int16_t>(w->height + dh);
  if ((w->mode & WINDOWbackingstore) != 0) BackingStore(window);
}

void SetWindowGeometry(Handle window, int16_t x, int16_t y, int16_t width, int16_t height) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  w->width = width;
  w->height = height;
  SetWindowPosition(window, x, y);
}

void SetWindowMode(Handle window, uint32_t bits) {
  if (WindowRecord* w = WindowView(window)) w->mode |= bits;
}

void ClearWindowMode(Handle window, uint32_t bits) {
  if (WindowRecord* w = WindowView(window)) w->mode &= ~bits;
}

void PutWindowMode(Handle window, uint32_t mode) {
  if (WindowRecord* w = WindowView(window)) w->mode = mode;
}

uint32_t TestWindowMode(Handle window, uint32_t bits) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? 0 : (w->mode & bits);
}

void SetWindowGC(Handle window, Handle gc) {
  if (WindowRecord* w = WindowView(window)) w->gc = gc;
}

void SetWindowColors(Handle window, uint32_t face, uint32_t text, uint32_t light, uint32_t shadow) {
  const Handle gc = GetWindowGC(window);
  SetGCColours(gc, face, light, shadow);
  SetGCTextColour(gc, text);
}

ScreenRect ContentRect(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return {};
  return {w->origin_x + w->x, w->origin_y + w->y, w->width, w->height};
}

ScreenRect OuterRect(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return {};
  const int frame = (w->mode & WINDOWframe) != 0 ? 4 : 0;
  const int bars = ((w->mode & WINDOWcontrolbar) != 0 ? 18 : 0) + ((w->mode & WINDOWsubbar) != 0 ? 18 : 0);
  return {w->origin_x + w->x - frame, w->origin_y + w->y - frame - bars, w->width + 2 * frame,
          w->height + 2 * frame + bars};
}

int TopBarY(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return 0;
  const int bars = ((w->mode & WINDOWcontrolbar) != 0 ? 1 : 0) + ((w->mode & WINDOWsubbar) != 0 ? 1 : 0);
  return w->origin_y + w->y - 18 * bars;
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
  ResetWindowManager();
}

void SetWindowObjectHooks(const WindowObjectHooks& hooks) {
  g_object_hooks = hooks;
}

const WindowObjectHooks& ObjectHooks() {
  return g_object_hooks;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetWindows);
}  // namespace

}  // namespace vadu
