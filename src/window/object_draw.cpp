// Drawing window objects: each kind's look, message areas with their
// darkened background and saved picture, and the operations that show,
// hide, draw and open objects; the window manager's drawing hook.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/log.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/framebuffer.h"
#include "window/backing_store.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/manager.h"
#include "window/object.h"
#include "window/object_internal.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr uint32_t kBlack = 0;
constexpr int16_t kLabelY = 5;        // a label's row in its face
constexpr int16_t kPressedShift = 2;  // a pressed label moves right and down by this

// What drawing needs of an object, copied: drawing may allocate, and the
// record may move meanwhile.
struct Look {
  Handle object = kNoHandle;
  Handle window = kNoHandle;
  Handle parent = kNoHandle;
  Handle gc = kNoHandle;
  Handle data = kNoHandle;
  uint16_t flags = 0;
  int16_t kind = 0;
  int16_t width = 0, height = 0;  // the object's window
  int16_t x = 0, y = 0;           // its place in the parent's content
  char text[kObjectTextSize] = {};
  uint32_t face = 0, light = 0, shadow = 0, ink = 0;  // the gc's colours
};

bool LookOf(Handle object, Look& l) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return false;
  l.object = object;
  l.window = o->window;
  l.parent = o->parent;
  l.gc = o->gc;
  l.data = o->data;
  l.flags = o->flags;
  l.kind = o->kind;
  std::memcpy(l.text, o->text, sizeof l.text);
  l.text[sizeof l.text - 1] = '\0';
  const WindowRecord* w = WindowView(l.window);
  if (w == nullptr) return false;
  l.width = w->width;
  l.height = w->height;
  l.x = w->x;
  l.y = w->y;
  if (const GCRecord* g = GCView(l.gc)) {
    l.face = g->face;
    l.light = g->light;
    l.shadow = g->shadow;
    l.ink = g->text;
  }
  return true;
}

bool Drawable(Handle window) {
  return TestWindowMode(window, WINDOWdrawable) != 0;
}

void Line(Handle window, int x1, int y1, int x2, int y2, uint32_t colour) {
  WinLineColor(window, Clamp16(x1), Clamp16(y1), Clamp16(x2), Clamp16(y2), colour);
}

// The raised (or, pressed, sunken) face of inset 1 over the object's window.
void Face(const Look& l, bool pressed) {
  if (!Drawable(l.window)) {
    std::printf("draw_messagebutton() no draw %s\n", WindowNameText(l.window).c_str());
    std::fflush(stdout);
  }
  BevelBox(l.window, 0, 0, l.width, l.height, 1, l.gc, pressed);
}

void Label(const Look& l, bool pressed) {
  const int16_t half = static_cast<int16_t>(CellOf(l.gc).half);
  const int16_t shift = pressed ? kPressedShift : 0;
  WinMessageGC(l.window, static_cast<int16_t>(half + shift), static_cast<int16_t>(kLabelY + shift), l.text, l.gc);
}

void CheckBox(const Look& l) {
  const int w = l.width, h = l.height;
  WinFillRectangleColor(l.window, 0, 0, l.width, l.height, l.face);
  WinRectangleColor(l.window, 1, 1, Clamp16(w - 1), Clamp16(h - 1), l.ink);
  WinRectangleColor(l.window, 0, 0, l.width, l.height, l.ink);
  Line(l.window, 0, h, w, h, l.light);
  Line(l.window, w, 0, w, h, l.light);
  if ((l.flags & OBJon) == 0) return;
  Line(l.window, 3, 6, w / 2, h, l.shadow);
  Line(l.window, w - 2, 1, w / 2, h, l.ink);
  Line(l.window, 3, 7, w / 2, h, l.ink);
  Line(l.window, w - 2, 2, w / 2, h, l.ink);
}

// The scroll bar's arrows: light, black and shadow edges, the light and
// shadow swapped while pressed.
void Arrow(const Look& l, bool up, bool pressed) {
  Face(l, pressed);
  const uint32_t light = pressed ? l.shadow : l.light;
  const uint32_t shadow = pressed ? l.light : l.shadow;
  if (up) {
    Line(l.window, 4, 12, 12, 12, light);
    Line(l.window, 4, 12, 8, 4, kBlack);
    Line(l.window, 8, 4, 12, 12, shadow);
  } else {
    Line(l.window, 4, 4, 12, 4, kBlack);
    Line(l.window, 4, 4, 8, 12, shadow);
    Line(l.window, 8, 12, 12, 4, light);
  }
}

// The elevator: its face, and a sunken one-pixel frame drawn into the
// parent over the object's rectangle set in by 3.
void Elevator(const Look& l) {
  Face(l, false);
  const int left = l.x + 3, top = l.y + 3;
  const int right = left + l.width - 6, bottom = top + l.height - 6;
  if (right < left || bottom < top) return;
  Line(l.parent, left, top, right, top, l.shadow);
  Line(l.parent, left, top, left, bottom, l.shadow);
  Line(l.parent, left, bottom, right + 1, bottom, l.light);
  Line(l.parent, right, top, right, bottom, l.light);
}

// The menu's rows are the menu task's to draw (filled from the composition
// root).
void MenuItems(const Look& l) {
  if (MenuHooks().draw_items != nullptr) MenuHooks().draw_items(l.window, l.data);
}

void Picture(const Look& l) {
  const GraphicRecord* g = GraphicView(l.data);
  if (g == nullptr) return;
  // The whole picture is stretched over the object's window, whatever the
  // sizes.
  WinDrawGraphicStretch(l.window, 0, 0, l.width, l.height, g->width, g->height, l.data);
}

// A message area: its saved picture when it has one (and the parent does
// not ask for a fresh one), else the parent's background darkened and saved;
// then the message effect paints the text again.
void MessageArea(const Look& l) {
  // Its picture is taken from the screen: a covered area would save what
  // covers it.
  if (!Drawable(l.window)) return;
  const WindowRecord* w = WindowView(l.window);
  const bool saved = w != nullptr && w->save_graphic != kNoHandle;
  const bool resave = TestWindowMode(l.parent, WINDOWresave) != 0;
  if (saved && !resave) {
    WriteLog("Message画面のリストア");
    RestorWindowGraphic(l.window);
  } else {
    if ((l.flags & OBJnoshade) == 0) {
      WriteLog("draw_message() call WinSemitransparentRectangle()");
      WinSemitransparentRectangle(l.window, 0, 0, l.width, l.height, MakeColour(100, 100, 100));
    }
    if (!saved) BackingStore(l.window);
    if (resave) {
      WriteLog("Message画面表示後の保存");
      SaveWindowGraphic(l.window);
    } else {
      WriteLog("draw_message() BackingStore()の呼び出し");
      if (const WindowRecord* v = WindowView(l.window); v != nullptr && v->save_graphic == kNoHandle) {
        BackingStore(l.window);
      }
      if (SaveWindowGraphic(l.window) != 0) {
        WriteLog("BackingStore後の保存失敗。ありえなぁい！");
        if (WindowRecord* v = WindowView(l.window); v != nullptr && v->save_graphic != kNoHandle) {
          const Handle picture = v->save_graphic;
          const Handle owner = v->owner;
          v->save_graphic = kNoHandle;
          FreeGraphic(owner, picture);
        }
      }
    }
  }
  RedrawMessageEffect(l.object, 2);
}

void DrawKind(const Look& l) {
  switch (l.kind) {
    case kObjectButton:
      Face(l, false);
      if ((l.flags & OBJon) != 0) BevelBox(l.window, 0, 0, l.width, l.height, 2, l.gc, true);
      break;
    case kObjectCheckButton:
      CheckBox(l);
      break;
    case kObjectMessageButton:
      Face(l, false);
      Label(l, false);
      break;
    case kObjectLabel:
      Label(l, false);
      break;
    case kObjectUpButton:
    case kObjectDownButton:
      Arrow(l, l.kind == kObjectUpButton, false);
      break;
    case kObjectElevator:
      Elevator(l);
      break;
    case kObjectHelpMessage:
      Face(l, false);
      SunkenFrame(l.window, 10, 5, l.gc);
      WinMessageGC(l.window, 20, 7, l.text, l.gc);
      break;
    case kObjectPulldownmenu:
    case kObjectSelecter:
      Face(l, false);
      MenuItems(l);
      break;
    case kObjectMenuList:
      WinRectangleColor(l.parent, Clamp16(l.x - 1), Clamp16(l.y - 1), Clamp16(l.width + 2L), Clamp16(l.height + 2L),
                        l.ink);
      MenuItems(l);
      break;
    case kObjectGraphic:
      Picture(l);
      break;
    case kObjectSubWindow:
      draw_window(l.window);
      break;
    case kObjectInput:
      DrawInputMessage(l.object);
      break;
    case kObjectMessage:
      MessageArea(l);
      break;
    case kObjectTextArea:
      // The text task draws the area's content (through the seam).
      if (TextHooks().draw_area != nullptr) TextHooks().draw_area(l.object);
      break;
    default:
      break;  // a pop-up area is invisible
  }
}

// A message area's picture is its own darkened look, not what lies under
// it: showing or drawing it must not replace that picture, nor hiding it
// put it back.
bool KeepsWhatLiesUnder(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  return o != nullptr && o->kind != kObjectMessage && TestWindowMode(o->window, WINDOWbackingstore) != 0;
}

// The object's window is saved under before it is drawn, when it keeps a
// backing store.
void SaveUnder(Handle object, const char* line) {
  if (!KeepsWhatLiesUnder(object)) return;
  const Handle window = ObjectView(object)->window;
  WriteLogf(line, WindowNameText(window).c_str());
  SaveWindowGraphic(window);
}

}  // namespace

void DrawObjectByKind(Handle object) {
  Look l;
  if (!LookOf(object, l) || (l.flags & OBJhidden) != 0) return;
  DrawKind(l);
}

void DrawObjectLook(Handle object, bool pressed) {
  Look l;
  if (!LookOf(object, l)) return;
  switch (l.kind) {
    case kObjectButton:
      Face(l, false);
      if (pressed) BevelBox(l.window, 0, 0, l.width, l.height, 2, l.gc, true);
      break;
    case kObjectMessageButton:
      Face(l, pressed);
      Label(l, pressed);
      break;
    case kObjectUpButton:
    case kObjectDownButton:
      Arrow(l, l.kind == kObjectUpButton, pressed);
      break;
    default:
      DrawKind(l);
      break;
  }
}

Handle DrawWindowObjects(Handle window, Handle after) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return kNoHandle;
  if ((w->mode & WINDOWdrawable) == 0) {
    w->mode |= WINDOWdrawable;
    int budget = ObjectBudget() + RecordCount(SystemResource("Window"));
    for (Handle c = w->first_child; c != kNoHandle && budget-- > 0;) {
      WindowRecord* cw = WindowView(c);
      if (cw == nullptr) break;
      if ((cw->mode & (WINDOWopen | WINDOWshow)) != 0) cw->mode |= WINDOWdrawable;
      c = cw->next;
    }
    w = WindowView(window);
  }
  // Late objects wait for the owner's answer. Only the start of a drawing
  // asks: a drawing that goes on after an object its owner drew was allowed
  // when it began.
  if ((w->mode & WINDOWlateobjects) != 0 && after == kNoHandle) {
    if ((w->mode & WINDOWobjectsdue) == 0) return kNoHandle;
    w->mode &= ~WINDOWobjectsdue;
  }
  Handle h = w->first_object;
  if (after != kNoHandle) {
    const ObjectRecord* a = ObjectView(after);
    if (a == nullptr || a->parent != window) return kNoHandle;
    h = a->next;
  }
  int budget = ObjectBudget();
  while (h != kNoHandle && budget-- > 0) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    const Handle next = o->next;
    const Handle object_window = o->window;
    if (TestWindowMode(object_window, WINDOWshow) != 0) {
      DrawObjectByKind(h);
      const ObjectRecord* drawn = ObjectView(h);
      if (drawn != nullptr && (drawn->flags & OBJownerdraws) != 0) {
        // Without an owner to answer, drawing goes on rather than wait for
        // good.
        const int32_t owner = WindowOwnerNumber(window);
        if (owner >= 0 && ReqDrawEvent(owner, object_window) == 0) return h;
      }
    }
    h = next;
  }
  return kNoHandle;
}

int DrawObject(Handle window, int16_t number) {
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return 1;
  SaveUnder(object, "draw object SaveWindowGraphic() name %s");
  DrawObjectByKind(object);
  return 0;
}

int ShowObject(Handle window, int16_t number, int16_t x, int16_t y) {
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return 1;
  const Handle ow = o->window;
  const WindowRecord* w = WindowView(ow);
  if (w == nullptr) return 1;
  if ((w->mode & WINDOWshow) != 0 && w->x == x && w->y == y) return 0;
  SetWindowMode(ow, WINDOWshow);
  SetWindowPosition(ow, x, y);
  FitWindowInParent(ow, 1);
  UpdateDepths();
  SaveUnder(object, "ShowObject() SaveWindowGraphic call name %s");
  DrawObjectByKind(object);
  return 0;
}

int CloseObject(Handle window, int16_t number) {
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("CloseObject()該当Objectは見つからず");
    return 1;
  }
  const Handle ow = o->window;
  const Handle parent = o->parent;
  if (TestWindowMode(ow, WINDOWshow) == 0) {
    WriteLog("CloseObject()該当ObjectはすでにSHOW属性がOFF");
    return 1;
  }
  ClearWindowMode(ow, WINDOWshow);
  if (KeepsWhatLiesUnder(object) && WindowView(ow)->save_graphic != kNoHandle) {
    WriteLog("CloseObject()該当ObjectをRestoreGraphicで回復");
    RestorWindowGraphic(ow);
    return 0;
  }
  if (TestWindowMode(parent, WINDOWopen) != 0) {
    WriteLog("CloseObject()該当Objectの親ウインドウを再描画要求．");
    draw_window(parent);
    UpdateDepths();
    const int32_t owner = WindowOwnerNumber(parent);
    if (owner >= 0) ReqDrawEvent(owner, parent);
  }
  return 0;
}

int OpenSubWindow(Handle window, int16_t number, int16_t x, int16_t y) {
  const ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return 1;
  const Handle sub = o->window;
  const WindowRecord* w = WindowView(sub);
  if (w == nullptr) return 1;
  if ((w->mode & WINDOWshow) != 0) {
    WriteLog("OpenSubWindow()が呼ばれましたが、WINDOWshowのフラグがONでした。");
    const int32_t owner = WindowOwnerNumber(sub);
    if (owner >= 0) ReqDrawEvent(owner, sub);
    return 0;
  }
  // Both -1: it opens where it is.
  if (x == -1 && y == -1) {
    x = w->x;
    y = w->y;
  }
  SetWindowMode(sub, WINDOWshow);
  ClearWindowMode(sub, WINDOWopen);
  const WindowRecord* p = WindowView(window);
  SendWindowRequest(p != nullptr ? p->owner : kNoHandle, sub, x, y);
  return 1;
}

int CloseSubWindow(Handle window, int16_t number) {
  const ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return 1;
  const Handle sub = o->window;
  ClearWindowMode(sub, WINDOWshow);
  const WindowRecord* p = WindowView(window);
  SendWindowRequest1(p != nullptr ? p->owner : kNoHandle, sub);
  return 1;
}

int SetGraphicObject(Handle window, int16_t number, Handle picture) {
  const Handle object = FindObject(window, number);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr || o->kind != kObjectGraphic) return 0;
  if (picture == kNoHandle && o->data == kNoHandle) return 1;
  o->data = picture;
  if (picture != kNoHandle) {
    SetWindowMode(o->window, WINDOWshow);
  } else {
    ClearWindowMode(o->window, WINDOWshow);
  }
  SetWindowMode(window, WINDOWresave);
  draw_window(window);
  ClearWindowMode(window, WINDOWresave);
  return 1;
}

}  // namespace vadu
