#include "window/manager.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "data/task_record.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/device.h"
#include "window/backing_store.h"
#include "window/decorations.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kBarHeight = 18;

struct ManagerState {
  Handle active = kNoHandle;
  int open_count = 0;
  Handle redraw_cursor = kNoHandle;  // the next window the motion looks at
  // The window whose owner was asked to draw and has not answered yet.
  Handle awaiting = kNoHandle;
  Handle object_cursor = kNoHandle;  // object drawing continues after it
  Handle object_window = kNoHandle;  // ... in this window
  Handle title_font = kNoHandle;
  // A motion was started and its first window is still to be drawn.
  bool first_step_due = false;
};
ManagerState g;

// Walks are bounded by the number of window records: a damaged tree cannot
// make them loop.
int Budget() {
  return RecordCount(SystemResource("Window")) + 2;
}

bool Has(const WindowRecord* w, uint32_t bits) {
  return w != nullptr && (w->mode & bits) != 0;
}

bool OpenOrShown(const WindowRecord* w) {
  return Has(w, WINDOWopen | WINDOWshow);
}

int32_t OwnerNumber(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? -1 : TaskNumber(w->owner);
}

// An event from WindowTask to the window's owner with the window as its
// handle parameter.
void Notify(Handle window, uint16_t code) {
  const int32_t owner = OwnerNumber(window);
  if (owner >= 0) SendValueEvent(kTaskWindow, owner, code, window);
}

// Asks the window's owner to draw its content; the motion waits for the
// answer.
void RequestDraw(Handle window) {
  const int32_t owner = OwnerNumber(window);
  if (owner < 0) return;
  g.awaiting = window;
  ReqDrawEvent(owner, window);
}

Handle DecorationGC(Handle window) {
  return window == g.active && window != kNoHandle ? ActiveGC() : SystemGC();
}

// Sets or clears `bits` on every open or shown window below `window`.
void ForDescendants(Handle window, uint32_t bits, bool set, int& budget) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  for (Handle c = w->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cw = WindowView(c);
    if (cw == nullptr) break;
    if (OpenOrShown(cw)) {
      if (set) {
        cw->mode |= bits;
      } else {
        cw->mode &= ~bits;
      }
    }
    const Handle next = cw->next;
    ForDescendants(c, bits, set, budget);
    c = next;
  }
}

void SetOnDescendants(Handle window, uint32_t bits, bool set) {
  int budget = Budget();
  ForDescendants(window, bits, set, budget);
}

// Marks `window`'s open descendants for redraw.
void MarkOpenDescendants(Handle window, int& budget) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  for (Handle c = w->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cw = WindowView(c);
    if (cw == nullptr) break;
    if (Has(cw, WINDOWopen)) cw->mode |= WINDOWredraw;
    const Handle next = cw->next;
    MarkOpenDescendants(c, budget);
    c = next;
  }
}

void UpdateDepthsOf(Handle parent, int& budget) {
  const WindowRecord* p = WindowView(parent);
  if (p == nullptr) return;
  for (Handle w = p->last_child; w != kNoHandle && budget-- > 0;) {
    WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    const Handle back = v->back;
    if (!OpenOrShown(v)) {
      v->depth = 0;
      v->mode &= ~WINDOWdrawable;
      SetOnDescendants(w, WINDOWdrawable, false);
    } else if (WindowCovered(w)) {
      v->mode &= ~WINDOWdrawable;
      SetOnDescendants(w, WINDOWdrawable, false);
      int16_t depth = WindowView(w)->depth;
      int siblings = Budget();
      for (Handle s = WindowView(w)->next; s != kNoHandle && siblings-- > 0;) {
        const WindowRecord* sv = WindowView(s);
        if (sv == nullptr) break;
        if (Has(sv, WINDOWopen)) {
          if (WindowsOverlap(w, s)) {
            depth = static_cast<int16_t>(sv->depth + 1);
            break;
          }
          depth = sv->depth;
        }
        s = sv->next;
      }
      WindowView(w)->depth = depth;
    } else {
      v->depth = 1;
      v->mode |= WINDOWdrawable;
      if (v->first_child != kNoHandle) UpdateDepthsOf(w, budget);
    }
    w = back;
  }
}

// Marks upwards from `s`: siblings below it in depth (drawn over by it) that
// it overlaps, with their open descendants. Each level goes to a smaller
// depth, so the recursion ends.
void MarkUpwards(Handle s) {
  int budget = Budget();
  const WindowRecord* sv = WindowView(s);
  const WindowRecord* p = sv != nullptr ? WindowView(sv->parent) : nullptr;
  if (p == nullptr) return;
  const int16_t depth = sv->depth;
  for (Handle t = p->first_child; t != kNoHandle && budget-- > 0;) {
    WindowRecord* tv = WindowView(t);
    if (tv == nullptr) break;
    const Handle next = tv->next;
    if (t != s && tv->depth < depth && !Has(tv, WINDOWredraw) && Has(tv, WINDOWopen) && WindowsOverlap(t, s)) {
      tv->mode |= WINDOWredraw;
      int descendants = Budget();
      MarkOpenDescendants(t, descendants);
      if (WindowView(t)->depth != 1) MarkUpwards(t);
    }
    t = next;
  }
}

// The greatest depth among the open or shown siblings that overlap the
// window (itself included), at least 1.
int16_t ReachDepth(Handle window) {
  const WindowRecord* w = WindowView(window);
  const WindowRecord* p = w != nullptr ? WindowView(w->parent) : nullptr;
  int16_t d = 1;
  if (p == nullptr) return d;
  int budget = Budget();
  for (Handle s = p->first_child; s != kNoHandle && budget-- > 0;) {
    const WindowRecord* sv = WindowView(s);
    if (sv == nullptr) break;
    if (OpenOrShown(sv) && WindowsOverlap(s, window) && sv->depth > d) d = sv->depth;
    s = sv->next;
  }
  return d;
}

// The window after `w` in motion order: its next sibling, else its first
// child, else its parent's next sibling.
Handle MotionNext(Handle w) {
  const WindowRecord* v = WindowView(w);
  if (v == nullptr) return kNoHandle;
  if (v->next != kNoHandle) return v->next;
  if (v->first_child != kNoHandle) return v->first_child;
  const WindowRecord* p = WindowView(v->parent);
  return p != nullptr ? p->next : kNoHandle;
}

// Takes leftover redraw marks off after a motion.
void ClearLeftoverMarks(Handle parent, int& budget) {
  const WindowRecord* p = WindowView(parent);
  if (p == nullptr) return;
  for (Handle c = p->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cv = WindowView(c);
    if (cv == nullptr) break;
    if (Has(cv, WINDOWredraw)) {
      std::printf("clear_flag()で描画要求フラグが下りていないウインドウがあります %s(%s)\n", WindowNameText(c).c_str(),
                  TaskNameText(cv->owner).text);
      std::fflush(stdout);
      WindowView(c)->mode &= ~WINDOWredraw;
    }
    const Handle next = WindowView(c)->next;
    ClearLeftoverMarks(c, budget);
    c = next;
  }
}

void EndRedrawMotion() {
  WriteLog("redraw motion end");
  ClearFlag(REDRAW_MOTION);
  g.redraw_cursor = kNoHandle;
  UpdateDepths();
  int budget = Budget();
  ClearLeftoverMarks(RootWindow(), budget);
}

// One step of the motion: the next marked window is drawn and its owner
// asked to draw; without one the motion ends.
void RedrawStep() {
  g.first_step_due = false;
  int budget = Budget();
  Handle w = g.redraw_cursor;
  while (w != kNoHandle && budget-- > 0 && !Has(WindowView(w), WINDOWredraw)) w = MotionNext(w);
  if (w == kNoHandle || budget <= 0) {
    EndRedrawMotion();
    return;
  }
  const WindowRecord* v = WindowView(w);
  WriteLogf("\t redraw request %s %s", WindowNameText(w).c_str(), TaskNameText(v->owner).text);
  draw_window(w);
  RequestDraw(w);
  if (WindowRecord* after = WindowView(w)) after->mode &= ~WINDOWredraw;
  g.redraw_cursor = MotionNext(w);
}

void DrawObjects(Handle window, Handle after) {
  const WindowObjectHooks& hooks = ObjectHooks();
  if (hooks.draw == nullptr) {
    g.object_cursor = kNoHandle;
    return;
  }
  g.object_cursor = hooks.draw(window, after);
  g.object_window = g.object_cursor != kNoHandle ? window : kNoHandle;
}

// The top-most open child of the root, or none.
Handle TopOpenChild() {
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr) return kNoHandle;
  int budget = Budget();
  for (Handle w = root->last_child; w != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    if (Has(v, WINDOWopen)) return w;
    w = v->back;
  }
  return kNoHandle;
}

// The identity printed for a window: its handle.
unsigned long Identity(Handle h) {
  return static_cast<unsigned long>(h);
}

void DumpChildren(Handle parent, int& budget) {
  const WindowRecord* p = WindowView(parent);
  if (p == nullptr) return;
  for (Handle c = p->first_child; c != kNoHandle && budget-- > 0;) {
    const WindowRecord* v = WindowView(c);
    if (v == nullptr) break;
    const Handle next = v->next;
    // Each window's subtree comes before the window itself.
    DumpChildren(c, budget);
    v = WindowView(c);
    WriteLogf("%s%s(%s)\t\t\t Depth%2d:%8lx", Has(v, WINDOWobject) ? "\t" : "", WindowNameText(c).c_str(),
              TaskNameText(v->owner).text, v->depth, Identity(c));
    if (Has(v, WINDOWshow)) WriteLog("     ｳｲﾝﾄﾞｳ SHOW．");
    if (Has(v, WINDOWopen)) WriteLog("     ｳｲﾝﾄﾞｳ OPEN．");
    if (Has(v, WINDOWdrawable)) WriteLog("     ｳｲﾝﾄﾞｳは描画可能です．");
    if (c == g.active) WriteLog("     アクティブ状態．");
    c = next;
  }
}

}  // namespace

// --- State ----------------------------------------------------------------------

Handle ActiveWindow() {
  return g.active;
}

int OpenWindowCount() {
  return g.open_count;
}

Handle TitleFont() {
  return g.title_font;
}

void SetTitleFont(Handle font) {
  g.title_font = font;
}

// --- Geometry -------------------------------------------------------------------

bool WindowsOverlap(Handle a, Handle b) {
  if (WindowView(a) == nullptr || WindowView(b) == nullptr) return false;
  const ScreenRect ra = OuterRect(a), rb = OuterRect(b);
  const int left = std::max(ra.x, rb.x), top = std::max(ra.y, rb.y);
  const int right = std::min(ra.x + ra.width, rb.x + rb.width);
  const int bottom = std::min(ra.y + ra.height, rb.y + rb.height);
  return left <= right && top <= bottom;
}

bool WindowCovered(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return true;
  int budget = Budget();
  for (Handle s = w->next; s != kNoHandle && budget-- > 0;) {
    const WindowRecord* sv = WindowView(s);
    if (sv == nullptr) break;
    if (Has(sv, WINDOWopen) && (Has(sv, WINDOWshow) || !Has(sv, WINDOWobject)) && WindowsOverlap(window, s)) {
      return true;
    }
    s = sv->next;
  }
  return false;
}

void UpdateDepths() {
  int budget = Budget();
  UpdateDepthsOf(RootWindow(), budget);
}

int MarkForRedraw(Handle window) {
  const WindowRecord* w = WindowView(window);
  const WindowRecord* p = w != nullptr ? WindowView(w->parent) : nullptr;
  if (p == nullptr) return 0;
  const int16_t d = ReachDepth(window);
  int count = 0;
  int budget = Budget();
  for (Handle s = WindowView(WindowView(window)->parent)->last_child; s != kNoHandle && budget-- > 0;) {
    WindowRecord* sv = WindowView(s);
    if (sv == nullptr) break;
    const Handle back = sv->back;
    if (sv->depth <= d && Has(sv, WINDOWopen) && WindowsOverlap(s, window)) {
      sv->mode |= WINDOWredraw;
      ++count;
      if (sv->depth != 1) MarkUpwards(s);
    }
    s = back;
  }
  return count;
}

int CountOverlapping(Handle window) {
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr || WindowView(window) == nullptr) return 0;
  const int16_t d = ReachDepth(window);
  int count = 0;
  int budget = Budget();
  for (Handle s = root->first_child; s != kNoHandle && budget-- > 0;) {
    const WindowRecord* sv = WindowView(s);
    if (sv == nullptr) break;
    if (sv->depth <= d && Has(sv, WINDOWopen) && WindowsOverlap(s, window)) ++count;
    s = sv->next;
  }
  return count;
}

// --- Redraw motion --------------------------------------------------------------

void StartRedrawMotion(int count) {
  if (count <= 0 || g.open_count <= 0 || HasFlag(EXCLUSIVE_WINDOW)) return;
  const WindowRecord* root = WindowView(RootWindow());
  if (root == nullptr) return;
  SetFlag(REDRAW_MOTION);
  g.redraw_cursor = root->first_child;
  g.first_step_due = true;
}

void KickRedrawMotion() {
  if (g.first_step_due && HasFlag(REDRAW_MOTION) && g.awaiting == kNoHandle && g.object_cursor == kNoHandle) {
    RedrawStep();
  }
}

void HandleRetDraw(Handle window) {
  if (window == g.awaiting) g.awaiting = kNoHandle;
  if (WindowRecord* w = WindowView(window); w != nullptr && (w->mode & WINDOWlateobjects) != 0) {
    w->mode |= WINDOWobjectsdue;
    DrawObjects(window, kNoHandle);
    if (g.object_cursor != kNoHandle) return;
  }
  if (g.object_cursor != kNoHandle) {
    DrawObjects(g.object_window, g.object_cursor);
    return;
  }
  if (HasFlag(REDRAW_MOTION)) RedrawStep();
}

void redraw_all() {
  int count = 0;
  int budget = Budget();
  for (Handle w = TopOpenChild(); w != kNoHandle && budget-- > 0;) {
    WindowRecord* v = WindowView(w);
    if (v == nullptr) break;
    const Handle back = v->back;
    if (Has(v, WINDOWopen)) {
      v->mode |= WINDOWredraw;
      ++count;
      if (v->depth != 1) MarkUpwards(w);
    }
    w = back;
  }
  StartRedrawMotion(count);
}

// --- Windows --------------------------------------------------------------------

void draw_window(Handle window) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if (!Has(w, WINDOWopen)) {
    WriteLogf("draw_window() no open! w%d h%d %s", w->width, w->height, TaskNameText(w->owner).text);
    return;
  }
  if (!Has(w, WINDOWdrawable)) {
    std::printf("DrawWindow()で%s(task %s)ｳｲﾝﾄﾞｳが描画禁止になっています。\n", WindowNameText(window).c_str(),
                TaskNameText(w->owner).text);
    std::fflush(stdout);
    SetOnDescendants(window, WINDOWdrawable, true);
    WindowView(window)->mode |= WINDOWdrawable;
  }
  // Every direct child may be drawn again.
  int budget = Budget();
  for (Handle c = WindowView(window)->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cv = WindowView(c);
    if (cv == nullptr) break;
    cv->mode |= WINDOWdrawable;
    c = cv->next;
  }
  if (Has(WindowView(window), WINDOWbackingstore)) {
    WriteLogf("draw_window SaveWindowGraphic() name %s", WindowNameText(window).c_str());
    SaveWindowGraphic(window);
  }
  DrawDecorations(window, DecorationGC(window));

  w = WindowView(window);
  const uint32_t mode = w->mode;
  const Handle gc = w->gc;
  const GCRecord* g_rec = GCView(gc);
  const uint32_t face = g_rec != nullptr ? g_rec->face : 0;
  const Handle picture = g_rec != nullptr ? g_rec->background : kNoHandle;
  if ((mode & WINDOWbackpicture) != 0 && picture != kNoHandle) {
    WinDrawGraphic(window, 0, 0, w->width, w->height, picture);
  } else if ((mode & WINDOWraised) != 0) {
    BevelContent(window, 1, gc);
  } else if ((mode & WINDOWnofill) == 0) {
    WinFill(window, face);
  }
  if ((mode & WINDOWruled) != 0) {
    const uint32_t rule = face | 0x070707u;
    const int16_t width = WindowWidth(window), height = WindowHeight(window);
    for (int y = 0; y <= height; y += 8) {
      WinLineColor(window, 0, static_cast<int16_t>(y), width, static_cast<int16_t>(y), rule);
    }
  }
  if ((mode & WINDOWnoobjects) == 0) DrawObjects(window, kNoHandle);
}

void clear_window(Handle window) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if (!Has(w, WINDOWdrawable)) {
    WriteLog("clear_window() window mode異常");
    w->mode |= WINDOWdrawable;
  }
  const Handle root = RootWindow();
  const GCRecord* root_gc = GCView(GetWindowGC(root));
  const uint32_t root_face = root_gc != nullptr ? root_gc->face : 0;
  w = WindowView(window);
  // Fills are inclusive, as the window's own drawing is: a window's
  // drawing reaches column `width` and row `height` of its content.
  if ((w->mode & WINDOWframe) != 0) {
    const ScreenRect o = OuterRect(window);
    WinFillRectangleColor(root, static_cast<int16_t>(o.x), static_cast<int16_t>(o.y), static_cast<int16_t>(o.width),
                          static_cast<int16_t>(o.height), root_face);
    return;
  }
  const Handle parent = w->parent != kNoHandle ? w->parent : root;
  const GCRecord* pg = GCView(GetWindowGC(parent));
  const uint32_t parent_face = pg != nullptr ? pg->face : 0;
  const ScreenRect c = ContentRect(window);
  WinFillRectangleColor(root, static_cast<int16_t>(c.x), static_cast<int16_t>(c.y), static_cast<int16_t>(c.width),
                        static_cast<int16_t>(c.height), parent_face);
  if ((w->mode & WINDOWcontrolbar) != 0) {
    const int bars = (w->mode & WINDOWsubbar) != 0 ? 2 * kBarHeight : kBarHeight;
    WinFillRectangleColor(root, static_cast<int16_t>(c.x), static_cast<int16_t>(c.y - bars),
                          static_cast<int16_t>(c.width), static_cast<int16_t>(bars), root_face);
  }
}

void open_window(Handle window, int16_t x, int16_t y) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if ((w->mode & WINDOWexclusive) != 0) {
    // Only one exclusive window at a time: the request is dropped.
    if (HasFlag(EXCLUSIVE_WINDOW)) return;
    SetFlag(EXCLUSIVE_WINDOW);
  }
  ++g.open_count;
  w->mode |= WINDOWopen | WINDOWdrawable;
  const bool top_level = w->parent == RootWindow();
  SetWindowPosition(window, x, y);
  if (!top_level) FitWindowInParent(window, 10);
  Notify(window, kEventWindowOpened);
  activate_window(window);
  UpdateDepths();
  SetOnDescendants(window, WINDOWdrawable, true);
}

void activate_window(Handle window) {
  if (!Has(WindowView(window), WINDOWopen)) return;
  const Handle old = g.active;
  if (old != kNoHandle && old != window && WindowView(old) != nullptr) {
    Notify(old, kEventWindowDeactivated);
    if (WindowRecord* a = WindowView(old); a != nullptr && (a->mode & WINDOWopen) != 0) {
      a->mode |= WINDOWdrawable;
      DrawDecorations(old, SystemGC());
    }
  }
  RaiseWindow(window);
  UpdateDepths();
  WindowView(window)->mode |= WINDOWdrawable;
  g.active = window;
  SetOnDescendants(window, WINDOWdrawable, true);
  draw_window(window);
  RequestDraw(window);
  SetFlag(REDRAW_MOTION);
  g.redraw_cursor = WindowView(window)->first_child;
  Notify(window, kEventWindowActivated);
}

void close_window(Handle window) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr || !OpenOrShown(w)) return;
  if ((w->mode & WINDOWexclusive) != 0) ClearFlag(EXCLUSIVE_WINDOW);
  // Only what open_window counted is counted out: a shown sub-window, or a
  // second close request, must not make the count wrong.
  if ((w->mode & WINDOWopen) != 0 && g.open_count > 0) --g.open_count;
  Notify(window, kEventWindowClosed);
  int budget = Budget();
  for (Handle c = WindowView(window)->first_child; c != kNoHandle && budget-- > 0;) {
    WindowRecord* cv = WindowView(c);
    if (cv == nullptr) break;
    cv->mode &= ~WINDOWdrawable;
    c = cv->next;
  }
  const bool backed = Has(WindowView(window), WINDOWbackingstore);
  if (backed) {
    WriteLog("close_window call ResotrWindowGraphic()");
    if (RestorWindowGraphic(window) != 0) clear_window(window);
  } else {
    clear_window(window);
  }
  w = WindowView(window);
  w->depth = 0;
  w->mode &= ~(WINDOWshow | WINDOWopen | WINDOWdrawable);
  if (w->parent != RootWindow()) {
    WriteLog("WindowTask subwindow close ");
    return;
  }
  if (g.open_count <= 0) return;  // the active window is left as it was

  // The new active window: the nearest open sibling below, else the top-most
  // open top-level window.
  Handle next_active = kNoHandle;
  budget = Budget();
  for (Handle b = WindowView(window)->back; b != kNoHandle && budget-- > 0;) {
    const WindowRecord* bv = WindowView(b);
    if (bv == nullptr) break;
    if (Has(bv, WINDOWopen)) {
      next_active = b;
      break;
    }
    b = bv->back;
  }
  if (next_active == kNoHandle) next_active = TopOpenChild();
  if (next_active == kNoHandle) {
    WriteLog("active window LOST for close_window()");
    g.active = kNoHandle;
    return;
  }
  g.active = next_active;
  if (backed) {
    // The restored picture already shows what lay below.
    UpdateDepths();
    DrawDecorations(next_active, ActiveGC());
    return;
  }
  DrawDecorations(next_active, ActiveGC());
  const int count = MarkForRedraw(window);
  if (count == 0) {
    UpdateDepths();
    std::printf("CLOSEによる再描画枚数が0枚なんて... win %lx work %lx\n", Identity(window), Identity(next_active));
    std::fflush(stdout);
    return;
  }
  RaiseWindow(next_active);
  UpdateDepths();
  WindowView(next_active)->mode |= WINDOWdrawable;
  StartRedrawMotion(count);
}

void move_window(Handle window, int16_t x, int16_t y) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return;
  if ((w->mode & WINDOWbackingstore) != 0) {
    WriteLog("move_window() RestorWindowGraphic()");
    RestorWindowGraphic(window);
  } else {
    clear_window(window);
  }
  w = WindowView(window);
  if ((w->mode & WINDOWobject) != 0) {
    SetWindowPosition(window, x, y);
    FitWindowInParent(window, 5);
    RaiseWindow(window);
    w = WindowView(window);
    if ((w->mode & WINDOWbackingstore) != 0) {
      draw_window(window);
      RequestDraw(window);
    } else {
      const Handle parent = w->parent;
      draw_window(parent);
      RequestDraw(parent);
    }
    UpdateDepths();
  } else if (CountOverlapping(window) <= 1) {
    SetWindowPosition(window, x, y);
    RaiseWindow(window);
    RequestDraw(window);
    draw_window(window);
  } else {
    MarkForRedraw(window);
    SetWindowPosition(window, x, y);
    const WindowRecord* root = WindowView(RootWindow());
    if (root != nullptr) {
      SetFlag(REDRAW_MOTION);
      g.redraw_cursor = root->first_child;
      g.first_step_due = true;
    }
    RaiseWindow(window);
  }
  Notify(window, kEventWindowMoved);
}

void RaiseWindow(Handle window) {
  WindowRecord* w = WindowView(window);
  WindowRecord* p = w != nullptr ? WindowView(w->parent) : nullptr;
  if (p == nullptr || p->last_child == window) return;
  const Handle parent = w->parent, next = w->next, back = w->back;
  if (WindowRecord* b = WindowView(back)) b->next = next;
  if (WindowRecord* n = WindowView(next)) n->back = back;
  p = WindowView(parent);
  if (p->first_child == window) p->first_child = next;
  const Handle last = p->last_child;
  if (WindowRecord* l = WindowView(last)) l->next = window;
  p->last_child = window;
  w = WindowView(window);
  w->back = last;
  w->next = kNoHandle;
}

void SwitchActiveDecorations(Handle window) {
  const Handle old = g.active;
  if (old == window) return;
  g.active = window;
  if (WindowView(old) != nullptr && Has(WindowView(old), WINDOWopen)) DrawDecorations(old, SystemGC());
  DrawDecorations(window, ActiveGC());
}

void DumpWindowList() {
  const Handle root = RootWindow();
  const WindowRecord* r = WindowView(root);
  if (r == nullptr) return;
  WriteLogf("SYSTEM ROOT\t\t Depth%2d:%8lx(next %8lx back %8lx Obj %8lx )", r->depth, Identity(root), Identity(r->next),
            Identity(r->back), Identity(r->first_object));
  int budget = Budget();
  DumpChildren(root, budget);
}

void WindowDestroyed(Handle window) {
  if (window == g.active) {
    WriteLog("!!! DestroyWindow Warning !!!");
    g.active = kNoHandle;
  }
  if (window == g.redraw_cursor) g.redraw_cursor = MotionNext(window);
  if (window == g.awaiting) g.awaiting = kNoHandle;
  if (window == g.object_window) {
    g.object_window = kNoHandle;
    g.object_cursor = kNoHandle;
  }
}

void ResetWindowManager() {
  g = ManagerState{};
}

}  // namespace vadu
