// Clicks on window objects: which object a click in a window goes to (the
// last created first), what the click does to it (action_button, with its
// waits for the button's release), and the object event that reports it to
// the owner of the clicked window.
#include <cstdio>

#include "kernel/event.h"
#include "platform/input.h"
#include "window/mouse.h"
#include "window/object.h"
#include "window/object_internal.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr uint16_t kMenuButton = 2;  // the button that opens menus

// Reads the button once and, while it is held, polls until it is released
// (each read sleeps 10 ms). A close request from the host ends the wait, so
// the engine can shut down while a button is held. The first state read.
uint16_t WaitForRelease() {
  const uint16_t first = MouseButton();
  if (first != 0) {
    while (MouseButton() != 0 && !CloseRequestPending()) {
    }
  }
  return first;
}

void SetOn(Handle object, bool on) {
  if (ObjectRecord* o = ObjectView(object)) {
    if (on) {
      o->flags |= OBJon;
    } else {
      o->flags &= static_cast<uint16_t>(~OBJon);
    }
  }
}

// What a click does to the object by its kind: the press animations,
// toggling, and the requests to the text task, the menu task and the
// message effect.
void action_button(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr || (o->flags & OBJnoaction) != 0) return;
  const uint16_t flags = o->flags;
  const bool on = (flags & OBJon) != 0;
  const bool hidden = (flags & OBJhidden) != 0;
  switch (o->kind) {
    case kObjectButton:
      if (hidden) return;
      SetOn(object, !on);
      DrawObjectLook(object, !on);
      WaitForRelease();
      break;
    case kObjectCheckButton:
      SetOn(object, !on);
      DrawObjectByKind(object);
      WaitForRelease();
      break;
    case kObjectMessageButton:
      if (hidden) return;
      // A button that is on shows its press as raised.
      DrawObjectLook(object, !on);
      WaitForRelease();
      DrawObjectLook(object, false);
      break;
    case kObjectInput:
      SendObjectEvent(kTaskText, object);
      break;
    case kObjectPopupmenu:
    case kObjectPulldownmenu:
    case kObjectSelecter:
    case kObjectMenuList:
      SendObjectEvent(kTaskMenu, object);
      break;
    case kObjectMessage:
      RedrawMessageEffect(object, 0);
      WaitForRelease();
      break;
    case kObjectUpButton:
    case kObjectDownButton:
      DrawObjectLook(object, true);
      WaitForRelease();
      DrawObjectLook(object, false);
      break;
    case kObjectGraphic:
    case kObjectElevator:
    case kObjectHelpMessage:
      break;
    default:
      std::printf("action_button で異常な番号(%d)が指定されました\n", o->kind);
      std::fflush(stdout);
      break;
  }
}

// The object of the window that takes a click at the screen point (x, y),
// reported to the window's owner; none when no object takes it.
Handle ClickAt(Handle window, int32_t x, int32_t y, uint16_t button, int depth) {
  const WindowRecord* w = WindowView(window);
  // Sub-windows nest; a damaged tree must not recurse without end.
  if (w == nullptr || depth > 16) return kNoHandle;
  int budget = ObjectBudget();
  for (Handle h = w->last_object; h != kNoHandle && budget-- > 0;) {
    const ObjectRecord* o = ObjectView(h);
    if (o == nullptr) break;
    const Handle prev = o->prev;
    const Handle object_window = o->window;
    const int16_t kind = o->kind;
    const uint16_t flags = o->flags;
    if (PointInWindow(object_window, x, y) == 0) {
      h = prev;
      continue;
    }
    if (kind == kObjectPopupmenu) {
      // An invisible area that only a menu click opens.
      if ((flags & OBJnoaction) == 0 && button == kMenuButton) {
        SendObjectEvent(kTaskMenu, h);
        SendObjectEvent(WindowOwnerNumber(window), h);
        return h;
      }
      h = prev;
      continue;
    }
    if (TestWindowMode(object_window, WINDOWshow) == 0 || TestWindowMode(object_window, WINDOWdrawable) == 0 ||
        kind == kObjectGraphic) {
      h = prev;
      continue;
    }
    if (kind == kObjectSubWindow) {
      // The click goes on to the sub-window's own objects; without one
      // there, nothing below the sub-window gets it either.
      if (ClickAt(object_window, x, y, button, depth + 1) == kNoHandle) return kNoHandle;
      SendObjectEvent(WindowOwnerNumber(window), h);
      return h;
    }
    action_button(h);
    SendObjectEvent(WindowOwnerNumber(window), h);
    return h;
  }
  return kNoHandle;
}

}  // namespace

Handle ClickObjects(Handle window) {
  return ClickAt(window, PointerX(), PointerY(), PeekMouseButton(), 0);
}

bool ClickWindowObjects(Handle window, int16_t x, int16_t y, uint16_t button) {
  const ScreenRect c = ContentRect(window);
  return ClickAt(window, c.x + x, c.y + y, button, 0) != kNoHandle;
}

}  // namespace vadu
