// Window objects: the records, their creation, the lookups by number and
// kind, the flag operations and destruction. Drawing is object_draw.cpp,
// clicks object_click.cpp, input lines and text areas object_input.cpp.
#include "window/object.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/pool.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/cp932.h"
#include "platform/reset.h"
#include "window/object_internal.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int16_t kCheckSize = 12;
constexpr int16_t kScrollWidth = 16;
constexpr int16_t kArrowSize = 16;

ObjectTextHooks g_text_hooks;
ObjectEffectHooks g_effect_hooks;
ObjectMenuHooks g_menu_hooks;

// The object's window takes the kind's name (most kinds keep "NON").
Handle CreateNamed(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, int16_t kind,
                   const char* name) {
  const Handle object = CreateObject(kNoHandle, parent, number, x, y, width, height);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->kind = kind;
  if (name != nullptr) SetWindowName(o->window, name);
  return object;
}

// The size of a message button or label: the label's bytes and two more
// half widths, and 10 pixels of face around it.
void LabelSize(Handle parent, const char* label, int16_t& width, int16_t& height, char* cut) {
  CopyLabel(cut, kObjectTextSize, label);
  const CellSize cell = CellOf(GetWindowGC(parent));
  width = Clamp16((static_cast<long>(std::strlen(cut)) + 2) * cell.half + 10);
  height = Clamp16(static_cast<long>(cell.height) + 10);
}

Handle CreateLabelled(Handle parent, int16_t number, int16_t x, int16_t y, const char* label, int16_t kind,
                      const char* name) {
  char cut[kObjectTextSize];
  int16_t width = 0, height = 0;
  LabelSize(parent, label, width, height, cut);
  const Handle object = CreateNamed(parent, number, x, y, width, height, kind, name);
  if (ObjectRecord* o = ObjectView(object)) std::memcpy(o->text, cut, sizeof o->text);
  return object;
}

// Takes the object out of its parent's list.
void Unlink(Handle object) {
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return;
  const Handle prev = o->prev, next = o->next, parent = o->parent;
  if (ObjectRecord* p = ObjectView(prev)) p->next = next;
  if (ObjectRecord* n = ObjectView(next)) n->prev = prev;
  if (WindowRecord* w = WindowView(parent)) {
    if (w->first_object == object) w->first_object = next;
    if (w->last_object == object) w->last_object = prev;
  }
  o->prev = o->next = kNoHandle;
}

}  // namespace

// --- Shared helpers -----------------------------------------------------------

Handle ObjectResource() {
  return SystemResource("Object");
}

int ObjectBudget() {
  return RecordCount(ObjectResource()) + 2;
}

CellSize CellOf(Handle gc) {
  CellSize cell;
  const GCRecord* g = GCView(gc);
  const FontRecord* f = g != nullptr ? FontView(g->font) : nullptr;
  if (f != nullptr && f->width / 2 > 0 && f->height > 0) {
    cell.half = f->width / 2;
    cell.height = f->height;
  }
  return cell;
}

void CopyLabel(char* field, size_t size, const char* text) {
  if (size == 0) return;
  if (text == nullptr) text = "";
  size_t n = 0;
  while (text[n] != '\0' && text[n] != '\n') {
    const bool lead = IsLeadByte(static_cast<unsigned char>(text[n]));
    // A lead byte without its second byte is left out with what follows.
    if (lead && (text[n + 1] == '\0' || text[n + 1] == '\n')) break;
    const size_t step = lead ? 2 : 1;
    if (n + step > size - 1) break;
    n += step;
  }
  std::memcpy(field, text, n);
  std::memset(field + n, 0, size - n);
}

int16_t Clamp16(long value) {
  return static_cast<int16_t>(std::clamp<long>(value, INT16_MIN, INT16_MAX));
}

int32_t WindowOwnerNumber(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? -1 : TaskNumber(w->owner);
}

void SendObjectEvent(int32_t destination, Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr || destination < 0) return;
  const int16_t number = o->number;
  const Handle parent = o->parent;
  uint8_t* b = EventBytes(PostEvent(kTaskWindow, destination, kEventObjectClicked));
  if (b == nullptr) return;
  PutI16(b + ObjectClickedAt::kNumber, number);
  PutU32(b + ObjectClickedAt::kWindow, parent);
  PutU32(b + ObjectClickedAt::kObject, object);
}

ObjectRecord* ObjectView(Handle object) {
  return reinterpret_cast<ObjectRecord*>(RecordBodyOf(object, ObjectResource(), kWindowObjectRecordSize));
}

TextAreaFields* TextAreaView(Handle object) {
  ObjectRecord* o = ObjectView(object);
  return o == nullptr ? nullptr : reinterpret_cast<TextAreaFields*>(o->text);
}

// --- Creation -----------------------------------------------------------------

Handle CreateObject(Handle task, Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height) {
  const WindowRecord* p = WindowView(parent);
  if (p == nullptr) return kNoHandle;
  // The parent's owner gets the object's events; a parent without one
  // leaves them to the task the object is made for.
  const Handle owner = p->owner != kNoHandle ? p->owner : task;
  const Handle object = CreateRecord(ObjectResource(), -1, kWindowObjectRecordSize);
  if (ObjectView(object) == nullptr) return kNoHandle;
  const Handle window =
      CreateWindow(owner, parent, std::max<int16_t>(width, 0), std::max<int16_t>(height, 0), WINDOWobject | WINDOWshow);
  if (window == kNoHandle) {
    DeleteRecord(ObjectResource(), object);
    return kNoHandle;
  }
  SetWindowGeometry(window, x, y, std::max<int16_t>(width, 0), std::max<int16_t>(height, 0));

  // A reused record keeps its old bytes and tag: every field is set here.
  ObjectRecord* o = ObjectView(object);
  std::memset(o, 0, sizeof *o);
  if (HandleEntry* e = MutableEntry(object)) {
    e->tag[0] = ' ';
    e->tag[1] = ' ';
  }
  o->window = window;
  o->flags = kObjectCreationFlags;
  o->parent = parent;
  o->kind = kObjectButton;
  o->number = number;
  o->gc = GetWindowGC(parent);

  WindowRecord* pw = WindowView(parent);
  o->prev = pw->last_object;
  if (ObjectRecord* last = ObjectView(pw->last_object)) {
    last->next = object;
  } else {
    pw->first_object = object;
  }
  pw->last_object = object;
  return object;
}

Handle CreateButton(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height) {
  return CreateNamed(parent, number, x, y, width, height, kObjectButton, nullptr);
}

Handle CreateCheckButton(Handle parent, int16_t number, int16_t x, int16_t y) {
  return CreateNamed(parent, number, x, y, kCheckSize, kCheckSize, kObjectCheckButton, "CheckButton");
}

Handle CreateMessageButton(Handle parent, int16_t number, int16_t x, int16_t y, const char* label) {
  return CreateLabelled(parent, number, x, y, label, kObjectMessageButton, "MessageButton");
}

Handle CreateLabel(Handle parent, int16_t number, int16_t x, int16_t y, const char* text) {
  return CreateLabelled(parent, number, x, y, text, kObjectLabel, nullptr);
}

Handle CreateGraphicObject(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height,
                           Handle picture) {
  const Handle object = CreateNamed(parent, number, x, y, width, height, kObjectGraphic, "GraphicObject");
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->data = picture;
  if (picture == kNoHandle) ClearWindowMode(o->window, WINDOWshow);
  return object;
}

Handle CreatePopupmenu(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height,
                       Handle menu) {
  const Handle object = CreateNamed(parent, number, x, y, width, height, kObjectPopupmenu, "Popupmenu");
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->data = menu;
  ClearWindowMode(o->window, WINDOWshow);
  return object;
}

Handle CreatePulldownmenu(Handle parent, int16_t number, int16_t width, int16_t height, uint32_t mode, Handle menu) {
  const Handle object = CreateNamed(parent, number, 0, 0, width, height, kObjectPulldownmenu, "Pulldownmenu");
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->data = menu;
  PutWindowMode(o->window, mode | WINDOWobject);
  return object;
}

Handle CreateSubWindow(Handle parent, int16_t number, int16_t width, int16_t height, uint32_t mode) {
  const Handle object = CreateNamed(parent, number, 0, 0, width, height, kObjectSubWindow, "SubWindow");
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->flags |= OBJownerdraws;
  PutWindowMode(o->window, mode | WINDOWobject);
  return object;
}

Handle CreateSelecter(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle menu,
                      Handle gc) {
  const Handle object = CreateNamed(parent, number, x, y, width, height, kObjectSelecter, "Selecter");
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->data = menu;
  if (gc != kNoHandle) {
    o->gc = gc;
    SetWindowGC(o->window, gc);
  }
  return object;
}

Handle CreateMenuList(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle menu) {
  const Handle object = CreateNamed(parent, number, x, y, width, height, kObjectMenuList, nullptr);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->data = menu;
  return object;
}

Handle CreateHelpMessage(Handle parent, int16_t number) {
  if (CountObjectsOfKind(parent, kObjectHelpMessage) > 0) {
    WriteLog("CreateHelpMessageを２重作成しようとしました");
    return kNoHandle;
  }
  const int16_t strip = Clamp16(2L * CellOf(GetWindowGC(parent)).height);
  const int16_t width = WindowWidth(parent), height = WindowHeight(parent);
  return CreateNamed(parent, number, 0, Clamp16(static_cast<long>(height) - strip), width, strip, kObjectHelpMessage,
                     "HelpMessage");
}

Handle CreateScrollBar(Handle parent, int16_t number, int16_t x, int16_t y, int16_t height) {
  const Handle up =
      CreateNamed(parent, Clamp16(number + 1L), x, y, kScrollWidth, kArrowSize, kObjectUpButton, "UpButton");
  const Handle down = CreateNamed(parent, Clamp16(number + 2L), x, Clamp16(static_cast<long>(y) + height - kArrowSize),
                                  kScrollWidth, kArrowSize, kObjectDownButton, "DownButton");
  const Handle elevator = CreateNamed(parent, number, x, Clamp16(static_cast<long>(y) + kArrowSize), kScrollWidth,
                                      Clamp16(static_cast<long>(height) - 2 * kArrowSize), kObjectElevator, "Elebator");
  if (up == kNoHandle || down == kNoHandle || elevator == kNoHandle) {
    // All three or none: a bar without one of its parts cannot be used.
    DestroyObject(up);
    DestroyObject(down);
    DestroyObject(elevator);
    return kNoHandle;
  }
  return elevator;
}

// --- Lookups --------------------------------------------------------------------

Handle FindObject(Handle window, int16_t number) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return kNoHandle;
  int budget = ObjectBudget();
  for (Handle h = w->first_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (o->number == number) return h;
    h = o->next;
  }
  return kNoHandle;
}

Handle FindObjectOfKind(Handle window, int16_t kind, int n) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || n < 1) return kNoHandle;
  int budget = ObjectBudget();
  for (Handle h = w->first_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (o->kind == kind && --n == 0) return h;
    h = o->next;
  }
  return kNoHandle;
}

int CountObjectsOfKind(Handle window, int16_t kind) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr) return 0;
  int count = 0;
  int budget = ObjectBudget();
  for (Handle h = w->first_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    if (o->kind == kind) ++count;
    h = o->next;
  }
  return count;
}

int MoveObject(Handle window, int16_t number, int16_t x, int16_t y) {
  const ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return -1;
  SetWindowPosition(o->window, x, y);
  return 0;
}

// --- Flags ------------------------------------------------------------------------

int IsObjectOn(Handle window, int16_t number) {
  const ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return -1;
  return (o->flags & OBJon) != 0 ? 1 : 0;
}

int SetObjectFlags(Handle window, int16_t number, uint16_t bits) {
  ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return -1;
  o->flags |= bits;
  return 1;
}

int ClearObjectFlags(Handle window, int16_t number, uint16_t bits) {
  ObjectRecord* o = ObjectView(FindObject(window, number));
  if (o == nullptr) return -1;
  if ((o->flags & bits) != 0) o->flags &= static_cast<uint16_t>(~bits);
  return 0;
}

namespace {

int PutButton(Handle window, int16_t number, bool on) {
  const Handle object = FindObject(window, number);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return -1;
  if (on) {
    o->flags |= OBJon;
  } else {
    o->flags &= static_cast<uint16_t>(~OBJon);
  }
  if (o->kind == kObjectCheckButton) {
    DrawObjectByKind(object);
  } else if (o->kind == kObjectMessageButton && (o->flags & OBJnoaction) != 0) {
    DrawObjectLook(object, on);
  }
  return 0;
}

}  // namespace

int SetButton(Handle window, int16_t number) {
  return PutButton(window, number, true);
}

int ResetButton(Handle window, int16_t number) {
  return PutButton(window, number, false);
}

void SetButtonText(Handle object, const char* text) {
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return;
  CopyLabel(o->text, sizeof o->text, text);
  if (o->kind == kObjectMessageButton && TestWindowMode(o->window, WINDOWshow) != 0) DrawObjectByKind(object);
}

// --- Destruction --------------------------------------------------------------------

void DestroyObject(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return;
  const Handle window = o->window;
  Unlink(object);
  // The object's own window goes with its objects (a sub-window's).
  DestroyWindow(window);
  DeleteRecord(ObjectResource(), object);
  if (object == FirstTextArea()) ForgetFirstTextArea();
}

void DestroyWindowObjects(Handle window) {
  int budget = ObjectBudget();
  while (budget-- > 0) {
    const WindowRecord* w = WindowView(window);
    if (w == nullptr || w->first_object == kNoHandle) return;
    const Handle first = w->first_object;
    if (ObjectView(first) == nullptr) break;
    DestroyObject(first);
  }
  // A damaged list: the window forgets what is left of it.
  if (WindowRecord* w = WindowView(window)) w->first_object = w->last_object = kNoHandle;
}

// --- Seams ----------------------------------------------------------------------------

void SetObjectTextHooks(const ObjectTextHooks& hooks) {
  g_text_hooks = hooks;
}

const ObjectTextHooks& TextHooks() {
  return g_text_hooks;
}

void SetObjectEffectHooks(const ObjectEffectHooks& hooks) {
  g_effect_hooks = hooks;
}

const ObjectEffectHooks& EffectHooks() {
  return g_effect_hooks;
}

int RedrawMessageEffect(Handle object, int mode) {
  // The message effect paints the area's text; without it the area shows
  // only its darkened background.
  return g_effect_hooks.redraw != nullptr ? g_effect_hooks.redraw(object, mode) : 0;
}

void SetObjectMenuHooks(const ObjectMenuHooks& hooks) {
  g_menu_hooks = hooks;
}

const ObjectMenuHooks& MenuHooks() {
  return g_menu_hooks;
}

void ResetWindowObjects() {
  ForgetFirstTextArea();
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetWindowObjects);
}  // namespace

}  // namespace vadu
