#include "window/mouse.h"

#include <algorithm>

#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/key_task.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "window/backing_store.h"
#include "window/decorations.h"
#include "window/manager.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kBarHeight = 18;
constexpr int kBoxSize = 14;

// The button state the last poll saw.
int16_t g_last_button = 0;

bool Has(Handle window, uint32_t bits) {
  return TestWindowMode(window, bits) != 0;
}

bool StrictlyInside(const ScreenRect& r, int32_t x, int32_t y) {
  return r.x < x && x < r.x + r.width && r.y < y && y < r.y + r.height;
}

// 0x306 (0x307 for a button state of 0) from WindowTask: the position, the
// button state and the window (none for a mouse-capture task).
void SendMouse(int32_t destination, Handle window, int16_t x, int16_t y, uint16_t button) {
  const uint16_t code = button == 0 ? kEventMouseUp : kEventMouse;
  const Handle e = PostEvent(kTaskWindow, destination, code);
  uint8_t* b = EventBytes(e);
  if (b == nullptr) return;
  PutI16(b + MouseEventAt::kX, x);
  PutI16(b + MouseEventAt::kY, y);
  PutU16(b + MouseEventAt::kButton, button);
  PutU32(b + MouseEventAt::kWindow, window);
}

// The button is still held: each read sleeps 10 ms. A close request from the
// host ends the wait, so the engine can shut down while a button is held.
bool StillHeld() {
  return MouseButton() == 1 && !CloseRequestPending();
}

// The close and resize boxes' rows: below the title bar's top by 2 to 16.
bool InBoxRows(Handle window, int32_t y) {
  const ScreenRect c = ContentRect(window);
  const int s = Has(window, WINDOWsubbar) ? kBarHeight : 0;
  return c.y - s - kBoxSize < y && y < c.y - s;
}

bool OnCloseBox(Handle window, int32_t x, int32_t y) {
  const ScreenRect c = ContentRect(window);
  return Has(window, WINDOWclosebox) && c.x < x && x < c.x + kBoxSize && InBoxRows(window, y);
}

bool OnResizeBox(Handle window, int32_t x, int32_t y) {
  const ScreenRect c = ContentRect(window);
  return Has(window, WINDOWresizebox) && c.x + c.width - kBoxSize < x && x < c.x + c.width && InBoxRows(window, y);
}

Handle BoxGC(Handle window) {
  return window == ActiveWindow() ? ActiveGC() : SystemGC();
}

void CloseBox(Handle window) {
  DrawTitleBox(window, BoxGC(window), TitleBox::kClose, true);
  while (StillHeld()) {
  }
  if (OnCloseBox(window, PointerX(), PointerY())) {
    close_window(window);
  } else {
    DrawTitleBox(window, BoxGC(window), TitleBox::kClose, false);
  }
}

void DrawOutline(const ScreenRect& r) {
  DrawFocus(static_cast<int16_t>(r.x), static_cast<int16_t>(r.y), static_cast<int16_t>(r.width),
            static_cast<int16_t>(r.height));
}

// Shows an inverting outline that follows the pointer while the button is
// held: `follow` sets it from the pointer's movement since the press. The
// outline where the button was let go (erased from the screen).
template <typename Follow>
ScreenRect TrackOutline(const ScreenRect& start, int32_t x0, int32_t y0, Follow follow) {
  ScreenRect outline = start;
  DrawOutline(outline);
  int32_t px = x0, py = y0;
  while (StillHeld()) {
    const int32_t nx = PointerX(), ny = PointerY();
    if (nx == px && ny == py) continue;
    px = nx;
    py = ny;
    RedrawFocus();
    follow(outline, px - x0, py - y0);
    DrawOutline(outline);
  }
  RedrawFocus();
  return outline;
}

// Drags the window's outline while the button is held; moves the window
// where it was let go.
void DragMove(Handle window, int32_t x0, int32_t y0) {
  const ScreenRect outer = OuterRect(window);
  const ScreenRect content = ContentRect(window);
  const ScreenRect outline = TrackOutline(outer, x0, y0, [&outer](ScreenRect& r, int dx, int dy) {
    r.x = outer.x + dx;
    r.y = outer.y + dy;
  });
  if (outline.x == outer.x && outline.y == outer.y) return;
  // The content keeps its place inside the outline, relative to the parent's
  // content origin, whatever frame and bars the window has.
  const WindowRecord* w = WindowView(window);
  const ScreenRect parent = ContentRect(w != nullptr ? w->parent : kNoHandle);
  const int nx = outline.x + (content.x - outer.x) - parent.x;
  const int ny = outline.y + (content.y - outer.y) - parent.y;
  move_window(window, static_cast<int16_t>(nx), static_cast<int16_t>(ny));
  UpdateDepths();
}

// Drags the outline's size while the button is held; resizes the window to
// it. False when the size did not change.
bool DragResize(Handle window, int32_t x0, int32_t y0) {
  const ScreenRect outer = OuterRect(window);
  const ScreenRect content = ContentRect(window);
  // No size of zero or less: the content keeps at least the least size (or
  // its own, when smaller).
  const int min_w = outer.width - content.width + std::max(1, std::min(content.width, kMinResizeWidth));
  const int min_h = outer.height - content.height + std::max(1, std::min(content.height, kMinResizeHeight));
  const ScreenRect outline = TrackOutline(outer, x0, y0, [&](ScreenRect& r, int dx, int dy) {
    r.width = std::clamp(outer.width + dx, min_w, 0x7FFF);
    r.height = std::clamp(outer.height + dy, min_h, 0x7FFF);
  });
  const int dw = outline.width - outer.width, dh = outline.height - outer.height;
  if (dw == 0 && dh == 0) return false;
  clear_window(window);
  if (CountOverlapping(window) <= 1) {
    ResizeWindowBy(window, static_cast<int16_t>(dw), static_cast<int16_t>(dh));
    if (Has(window, WINDOWbackingstore)) SaveWindowGraphic(window);
    draw_window(window);
  } else {
    const int count = MarkForRedraw(window);
    StartRedrawMotion(count);
    ResizeWindowBy(window, static_cast<int16_t>(dw), static_cast<int16_t>(dh));
  }
  UpdateDepths();
  const WindowRecord* w = WindowView(window);
  if (w != nullptr) SendValueEvent(kTaskWindow, TaskNumber(w->owner), kEventWindowResized, window);
  return true;
}

// A click at (x, y) in the window: the bars' boxes and drags, else the
// objects, else the owner.
void ClickInWindow(Handle window, int32_t x, int32_t y, uint16_t button) {
  if (HasFlag(EXCLUSIVE_WINDOW) && !Has(window, WINDOWexclusive)) return;
  if (window != ActiveWindow()) SwitchActiveDecorations(window);
  const ScreenRect c = ContentRect(window);
  const int band = Has(window, WINDOWsubbar) ? 2 * kBarHeight : kBarHeight;
  if (Has(window, WINDOWcontrolbar) && c.x < x && x < c.x + c.width && c.y - band < y && y < c.y) {
    if (OnCloseBox(window, x, y)) {
      CloseBox(window);
    } else if (OnResizeBox(window, x, y)) {
      DrawTitleBox(window, BoxGC(window), TitleBox::kResize, true);
      if (!DragResize(window, x, y)) DrawTitleBox(window, BoxGC(window), TitleBox::kResize, false);
    } else {
      DragMove(window, x, y);
    }
    return;
  }
  const int16_t rx = static_cast<int16_t>(x - c.x), ry = static_cast<int16_t>(y - c.y);
  const WindowObjectHooks& hooks = ObjectHooks();
  if (hooks.click != nullptr && hooks.click(window, rx, ry, button)) return;
  const WindowRecord* w = WindowView(window);
  if (w != nullptr) SendMouse(TaskNumber(w->owner), window, rx, ry, button);
}

void ResetMouse() {
  g_last_button = 0;
}

[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetMouse);

}  // namespace

int16_t MouseXInWindow(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || !MouseInWindow(window)) return -1;
  if (MouseCapture() != 0 && MouseCapture() != TaskNumber(w->owner)) return -1;
  return static_cast<int16_t>(PointerX() - ContentRect(window).x);
}

int16_t MouseYInWindow(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || !MouseInWindow(window)) return -1;
  if (MouseCapture() != 0 && MouseCapture() != TaskNumber(w->owner)) return -1;
  return static_cast<int16_t>(PointerY() - ContentRect(window).y);
}

int16_t MouseButtonsInWindow(Handle window) {
  return MouseInWindow(window) ? static_cast<int16_t>(PeekMouseButton()) : 0;
}

int PointInWindow(Handle window, int32_t x, int32_t y) {
  if (WindowView(window) == nullptr) return 0;
  return StrictlyInside(ContentRect(window), x, y) ? 1 : 0;
}

int MouseInWindow(Handle window) {
  return PointInWindow(window, PointerX(), PointerY());
}

int16_t MouseOverTopWindow() {
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr) return 0;
  int budget = RecordCount(SystemResource("Window")) + 2;
  for (Handle w = root->first_child; w != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    if ((v->mode & WINDOWopen) != 0 && v->depth == 1 && MouseInWindow(w)) return 1;
    w = v->next;
  }
  return 0;
}

void PollMouse() {
  // The cycle's own look at the button does not sleep: the idle engine is
  // paced by its wait for the next tick or for input (a button change wakes
  // it), and a 10 ms read here kept an idle engine waking 100 times a
  // second. The loops that wait for a release still read with the pause.
  const int16_t button = static_cast<int16_t>(PeekMouseButton());
  if (button == g_last_button) return;
  g_last_button = button;
  if (button == 0) return;
  const int32_t x = PointerX(), y = PointerY();
  if (const int32_t capture = MouseCapture(); capture != 0) {
    SendMouse(capture, kNoHandle, static_cast<int16_t>(x), static_cast<int16_t>(y), static_cast<uint16_t>(button));
    return;
  }
  // The top-most open top-level window whose outer rectangle holds the point.
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr) return;
  int budget = RecordCount(SystemResource("Window")) + 2;
  Handle hit = kNoHandle;
  for (Handle w = root->last_child; w != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    if ((v->mode & WINDOWopen) != 0 && StrictlyInside(OuterRect(w), x, y)) {
      hit = w;
      break;
    }
    w = v->back;
  }
  if (hit == kNoHandle) return;
  if (WindowView(hit)->depth != 1) {
    // A click on a covered window only brings it up.
    activate_window(hit);
    return;
  }
  // A child with its own title bar (a sub-window) takes clicks in its area.
  Handle target = hit;
  for (Handle c = WindowView(hit)->first_child; c != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(c);
    if (v == nullptr) break;
    if ((v->mode & WINDOWcontrolbar) != 0 && (v->mode & WINDOWshow) != 0 && StrictlyInside(OuterRect(c), x, y)) {
      target = c;
      break;
    }
    c = v->next;
  }
  ClickInWindow(target, x, y, static_cast<uint16_t>(button));
}

}  // namespace vadu
