// The text task's step and the focus: which object is active, how a click
// or an event gives it the focus, the blink, and the window objects' seams.
#include "textedit/text_task.h"

#include <algorithm>
#include <cstdio>

#include "core/log.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "text/text.h"
#include "textedit/text_view.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {

using namespace textedit;

namespace textedit {

TaskState& State() {
  static TaskState state;
  return state;
}

}  // namespace textedit

namespace {

// A bound for walks over object lists: a damaged list cannot loop.
int ObjectWalkBudget() {
  return RecordCount(SystemResource("Object")) + 1;
}

// The first text object of the window with that number and kind.
Handle FindTextObject(Handle window, int16_t number, int16_t kind) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return kNoHandle;
  int budget = ObjectWalkBudget();
  for (Handle h = w->first_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (o->number == number && o->kind == kind && IsTextObject(h)) return h;
    h = o->next;
  }
  return kNoHandle;
}

// Takes the focus flag off the active object and draws its cursor in the
// light look.
void Unfocus(Handle object) {
  Area a;
  if (!LoadArea(object, a)) return;
  SetTextFlags(a, kTextFocus, false);
  DrawCursor(a, Look::kLight);
}

void SetFocusFlag(Handle object) {
  Area a;
  if (LoadArea(object, a)) SetTextFlags(a, kTextFocus, true);
}

// True when the screen point lies on the object's window (edges included),
// which is shown in an open window.
bool Holds(Handle object, int32_t x, int32_t y) {
  if (!IsTextObject(object)) return false;
  const ObjectRecord* o = ObjectView(object);
  if (TestWindowMode(o->window, WINDOWshow) == 0 || TestWindowMode(o->parent, WINDOWopen) == 0) return false;
  const ScreenRect c = ContentRect(o->window);
  return x >= c.x && x <= c.x + c.width && y >= c.y && y <= c.y + c.height;
}

// The text object under a screen point: the first of the list that starts
// at the first text area ever made (that object and those after it in its
// window), then of the clicked window's own objects, whose inputs the list
// may not hold.
Handle TextObjectAt(Handle window, int32_t x, int32_t y) {
  int budget = ObjectWalkBudget();
  for (Handle h = FirstTextArea(); h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (Holds(h, x, y)) return h;
    h = o->next;
  }
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return kNoHandle;
  budget = ObjectWalkBudget();
  for (Handle h = w->first_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (Holds(h, x, y)) return h;
    h = o->next;
  }
  return kNoHandle;
}

// While the button stays down, the view follows the pointer above or below
// the object one line at a time (each read of the button sleeps 10 ms).
void DragScroll(Area& a) {
  while (MouseButton() != 0 && !CloseRequestPending()) {
    const ScreenRect c = ContentRect(a.window);
    const int32_t y = PointerY();
    if (y < c.y && a.top > 0) {
      ScrollLines(a, -1);
    } else if (y > c.y + c.height && a.top + a.rows <= a.max_line) {
      ScrollLines(a, 1);
    } else {
      continue;
    }
    StoreArea(a);
  }
  if (a.line() > a.max_line) a.row = static_cast<int>(a.max_line - a.top);
}

// A press on a text object at the screen point: the object gets the focus,
// and the cursor goes to the cell pressed (a press on the cursor's own cell
// scrolls the view while the button is held).
void ClickText(Handle object, int32_t x, int32_t y) {
  TaskState& s = State();
  Area a;
  if (!LoadArea(object, a)) return;
  if (object == s.active) {
    DrawCursor(a, Look::kPlain);
  } else {
    if (IsTextObject(s.active)) Unfocus(s.active);
    DrawCursor(a, Look::kPlain);
    SetTextFlags(a, kTextFocus, true);
    s.active = object;
  }
  const ScreenRect c = ContentRect(a.window);
  const int column = std::max<int32_t>((x - c.x) / a.half, 0);
  const int row = std::max<int32_t>((y - c.y) / a.height, 0);
  std::string line;
  ReadLine(a, a.line(), line);
  const Char under = CharAt(line, a.tab, a.col);
  const int cells = under.len == 2 ? 2 : 1;
  const int col = a.first + column;
  if (row == a.row && col >= a.col && col < a.col + cells) {
    DragScroll(a);
  } else {
    if ((a.mode & kTextClickToggle) != 0) {
      if (ObjectRecord* o = ObjectView(object)) o->flags ^= kTextClickToggle;
    }
    a.row = std::min(row, a.rows - 1);
    if (a.line() > a.max_line) a.row = static_cast<int>(a.max_line - a.top);
    a.col = std::min(col, kMaxColumns);
    ReadLine(a, a.line(), line);
    SnapCursor(a, line);
  }
  StoreArea(a);
  EnsureVisible(a);
  DrawCursor(a, Look::kDark);
}

// 0x306: a press at a point of the window (screen coordinates when the
// window is none: a mouse-capture report).
void PointerPress(Handle window, int16_t x, int16_t y) {
  int32_t sx = x, sy = y;
  if (WindowView(window) != nullptr) {
    const ScreenRect c = ContentRect(window);
    sx += c.x;
    sy += c.y;
  }
  const Handle object = TextObjectAt(window, sx, sy);
  if (object != kNoHandle) ClickText(object, sx, sy);
}

// 0x308: an input of the window was clicked. The press goes to the input
// clicked, at the pointer; an event that names no text object of the
// window gives the focus to its input 1.
void ObjectClicked(Handle window, Handle object) {
  std::printf("rev press edit fot TextTask\n");
  std::fflush(stdout);
  const ObjectRecord* o = ObjectView(object);
  if (IsTextObject(object) && o->parent == window) {
    ClickText(object, PointerX(), PointerY());
  } else {
    ChangeText(window, 1);
  }
}

// 0x115: the active object's cursor changes between its light and dark
// looks.
void Blink() {
  Area a;
  if (!LoadArea(State().active, a)) return;
  if ((a.mode & kTextBlinkPhase) != 0) {
    DrawCursor(a, Look::kLight);
    SetTextFlags(a, kTextBlinkPhase, false);
  } else {
    DrawCursor(a, Look::kDark);
    SetTextFlags(a, kTextBlinkPhase, true);
  }
}

// Without an event: the focus goes when the active object's window has
// closed (or the object is gone).
void CheckFocus() {
  TaskState& s = State();
  if (s.active == kNoHandle) return;
  if (!IsTextObject(s.active)) {
    s.active = kNoHandle;
    return;
  }
  const Handle parent = ObjectView(s.active)->parent;
  if (TestWindowMode(parent, WINDOWopen) != 0) return;
  Area a;
  if (LoadArea(s.active, a)) SetTextFlags(a, kTextFocus, false);
  s.active = kNoHandle;
}

}  // namespace

void TextTask(Handle task) {
  TaskState& s = State();
  s.task = task;
  if (ReciveEvent(task) != EVENT_RECEIVED) {
    CheckFocus();
    return;
  }
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  // Everything is read off the event before anything may allocate.
  const uint16_t code = GetU16(e);
  const Handle window = GetU32(e + WindowEventAt::kWindow);
  switch (code) {
    case kEventSystemReady:
      WriteLog("init TextTask start!");
      s.active = kNoHandle;
      break;
    case kEventMouse:
      PointerPress(window, GetI16(e + MouseEventAt::kX), GetI16(e + MouseEventAt::kY));
      break;
    case kEventKey:
      EditTask(e[KeyEventAt::kText], e[KeyEventAt::kText + 1], GetU32(e + KeyEventAt::kModifiers));
      break;
    case kEventSecond:
      Blink();
      break;
    case kEventObjectClicked:
      ObjectClicked(window, GetU32(e + ObjectClickedAt::kObject));
      break;
    case kEventWindowActivated:
      ChangeText(window, 1);
      break;
    default:
      break;
  }
}

Handle ChangeText(Handle window, int16_t number) {
  Handle object = FindTextObject(window, number, kObjectTextArea);
  if (object == kNoHandle) object = FindTextObject(window, number, kObjectInput);
  if (object == kNoHandle) {
    std::printf("change textでみつかりません。window name %s\n", WindowNameText(window).c_str());
    std::fflush(stdout);
    WriteLog(" text search call is NULL for ChangeText()");
    return kNoHandle;
  }
  TaskState& s = State();
  SetFocusFlag(object);
  if (!IsTextObject(s.active)) {
    s.active = object;
    return object;
  }
  if (s.active != object) {
    Unfocus(s.active);
    s.active = object;
    Area a;
    if (LoadArea(object, a)) DrawCursor(a, Look::kDark);
  }
  return object;
}

void CursorDraw(Handle object, uint32_t fill, uint32_t ink) {
  Area a;
  if (LoadArea(object, a)) DrawCursorColours(a, fill, ink);
}

Handle ActiveTextObject() {
  return IsTextObject(State().active) ? State().active : kNoHandle;
}

void DrawTextArea(Handle object) {
  Area a;
  if (!LoadArea(object, a)) return;
  RedrawArea(a);
  DrawCursor(a, object == State().active ? Look::kDark : Look::kState);
}

void DrawInputCursor(Handle object) {
  Area a;
  if (!LoadArea(object, a)) return;
  DrawCursor(a, object == State().active ? Look::kDark : Look::kState);
}

void ResetTextTask() {
  State() = TaskState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetTextTask);
}  // namespace

}  // namespace vadu
