#include "menu/menu_task.h"

#include <cstring>

#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/key_task.h"
#include "kernel/task.h"
#include "kernel/wait.h"
#include "menu/menu.h"
#include "platform/bytes.h"
#include "platform/framebuffer.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "window/backing_store.h"
#include "window/draw.h"
#include "window/manager.h"
#include "window/mouse.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr int kSystemMenuRows = 20;
constexpr uint8_t kEscapeKey = 0x0F;

struct MenuState {
  Handle task = kNoHandle;         // MenuTask's own record
  Handle system_menu = kNoHandle;  // the rows tasks add
  Handle popup = kNoHandle;        // the pop-up menu window
  Handle current = kNoHandle;      // the menu shown in it
  bool open = false;
  int16_t highlighted = 0;  // 0 = none
  int16_t hovered = 0;
};
MenuState g;

int32_t MyNumber() {
  return TaskNumber(g.task);
}

void Init(Handle task) {
  WriteLog("init MenuTask.");
  g = MenuState{};
  g.task = task;
  const FontRecord* f = FontView(SystemFont());
  const int half = f != nullptr ? f->width / 2 : 8;
  const int height = f != nullptr ? f->height : 16;
  g.popup = CreateWindow(task, RootWindow(), static_cast<int16_t>(16 * half + 10),
                         static_cast<int16_t>(18 * height + 5), WINDOWframe);
  if (g.popup != kNoHandle) {
    SetWindowName(g.popup, "MenuTask");
    SetWindowGC(g.popup, ActiveGC());
    // Closing it gives back what lay below.
    BackingStore(g.popup);
  }
  g.system_menu = CreateMenu(task, kSystemMenuRows);
}

// 0x412: a system-menu row for the sending task.
void AddSystemRow(const uint8_t* e) {
  if (g.system_menu == kNoHandle || g.popup == kNoHandle) {
    WriteLog("NON SYSTEM MENU!");
    return;
  }
  const int index = GetU16(e + AddSystemMenuAt::kNumber);
  char name[AddSystemMenuAt::kNameSize + 1];
  std::memcpy(name, e + AddSystemMenuAt::kName, AddSystemMenuAt::kNameSize);
  name[AddSystemMenuAt::kNameSize] = '\0';
  char label[kEventRecordSize - AddSystemMenuAt::kLabel + 1];
  std::memcpy(label, e + AddSystemMenuAt::kLabel, sizeof label - 1);
  label[sizeof label - 1] = '\0';
  if (MenuSlot(g.system_menu, index) == nullptr) return;
  // The row shows the event's label ("SYSTEMの終了"); its name ("終了") is
  // the row's second text.
  SetMenuItem(g.system_menu, label, name, index);
  SetMenuItemValue(g.system_menu, GetI32(e + 4), index);  // the sender's number
}

void Repaint(int row, bool selected) {
  if (row <= 0 || g.current == kNoHandle) return;
  MenuRow* r = MenuSlot(g.current, row + MenuView(g.current)->first);
  if (r == nullptr) return;
  if (selected) {
    if ((r->flags & MENUseparator) != 0) return;
    r->flags |= MENUselected;
  } else {
    r->flags = static_cast<uint8_t>(r->flags & ~MENUselected);
  }
  DrawMenu(g.popup, g.current, row);
}

// Follows the mouse over the open menu: the row under it is highlighted.
// The row under the mouse, or 0 (none, or a disabled row).
int16_t Track() {
  const int row_height = MenuRowHeight(g.popup);
  if (MouseInWindow(g.popup)) {
    int row = (PointerY() - ContentRect(g.popup).y) / row_height;
    if (row < 0) row = 0;
    if (row != g.highlighted) {
      if (WindowHeight(g.popup) >= row_height) {
        Repaint(g.highlighted, false);
        Repaint(row, true);
      }
      g.highlighted = static_cast<int16_t>(row);
    }
    g.hovered = g.highlighted;
  } else if (g.highlighted != 0) {
    Repaint(g.highlighted, false);
    g.highlighted = 0;
    g.hovered = 0;
  }
  if (g.current != kNoHandle && TestMenuItemFlags(g.current, g.highlighted, MENUdisabled) != 0) g.hovered = 0;
  return g.hovered;
}

void SendResult(int32_t destination, int16_t value, Handle menu) {
  const Handle e = PostEvent(MyNumber(), destination, kEventMenuChosen);
  if (uint8_t* b = EventBytes(e)) {
    PutI16(b + MenuChosenAt::kValue, value);
    PutU32(b + MenuChosenAt::kMenu, menu);
  }
}

// The button was let go over the open menu: it closes, and the row under the
// mouse is chosen.
void Choose() {
  SendWindowRequest1(g.task, g.popup);
  Track();
  const int16_t row = g.hovered;
  const MenuHeader* m = MenuView(g.current);
  const int slot = m != nullptr ? row + m->first : 0;
  const int32_t value = GetMenuItemValue(g.current, slot);
  if (value != 0 && row != 0 && m != nullptr) {
    if (g.current == g.system_menu) {
      // A system-menu row reports its index to the task that added it.
      SendResult(value, row, g.system_menu);
    } else {
      SendResult(TaskNumber(m->owner), static_cast<int16_t>(value), g.current);
    }
  }
  Repaint(g.highlighted, false);
  g.highlighted = 0;
  g.hovered = 0;
  g.open = false;
  ReleaseMouse(g.task);
}

// 0x308: a click on a menu object reaches the menu task. The row under the
// mouse in the object's window (row 0, a title or nothing, is passed over).
void ObjectEvent(const uint8_t* e) {
  const Handle object = GetU32(e + ObjectClickedAt::kObject);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return;
  const int16_t kind = o->kind;
  const Handle menu = o->data;
  const Handle window = o->window;
  if (kind == kObjectPopupmenu) {
    OpenPopupMenu(g.task, menu);
    return;
  }
  if (MenuView(menu) == nullptr) return;
  const int row = (PointerY() - ContentRect(window).y) / MenuRowHeight(window);
  if (row <= 0) return;
  if (kind == kObjectMenuList) {
    ToggleMenuItemFlags(menu, window, row, MENUchecked);
  } else if (kind == kObjectPulldownmenu || kind == kObjectSelecter) {
    if (TestMenuItemFlags(menu, row, MENUdisabled) != 0) return;
    ToggleMenuItemFlags(menu, window, row, MENUselected);
    WaitTicks(12, 0);
    const int32_t value = GetMenuItemValue(menu, row + MenuView(menu)->first);
    if (value != 0) SendResult(TaskNumber(WindowView(window)->owner), static_cast<int16_t>(value), menu);
    ToggleMenuItemFlags(menu, window, row, MENUselected);
  }
}

// Tracking and the mouse, while the system runs and no redraw motion does.
void Poll() {
  if (Kernel.manager_state != MANAGER_RUNNING || HasFlag(REDRAW_MOTION)) return;
  if (g.open) Track();
  // Read without the 10 ms pause, as the window manager's cycle does: the
  // cycle is paced by the engine's idle wait.
  const uint16_t buttons = PeekMouseButton();
  if (g.open && buttons == 0) Choose();
  if (buttons == 2 && !MouseOverTopWindow() && !g.open && g.system_menu != kNoHandle) {
    OpenPopupMenu(g.task, g.system_menu);
  }
}

}  // namespace

void MenuTask(Handle task) {
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    uint8_t e[kEventRecordSize];
    if (const uint8_t* b = EventBytes(CurrentEvent(task))) {
      std::memcpy(e, b, sizeof e);
      switch (GetU16(e)) {
        case kEventSystemReady:
          Init(task);
          break;
        case kEventAddSystemMenu:
          AddSystemRow(e);
          break;
        case kEventMenuDisable:
        case kEventMenuEnable: {
          const int index = GetU16(e + MenuRowAt::kValue);
          if (MenuRow* r = MenuSlot(g.system_menu, index)) r->flags ^= MENUdisabled;
          break;
        }
        case kEventKey:
          // Only Escape lets the step go on to the mouse.
          if (e[KeyEventAt::kText] != kEscapeKey) return;
          break;
        case kEventWindowOpened:
          if (GetU32(e + WindowEventAt::kWindow) == g.popup) DrawMenu(g.popup, g.current, 0);
          break;
        case kEventObjectClicked:
          ObjectEvent(e);
          break;
        case kEventReqDraw:
          if (GetU32(e + WindowEventAt::kWindow) == g.popup) {
            g.open = true;
            Track();
          }
          RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
          break;
        default:
          break;
      }
    }
  }
  Poll();
}

void OpenPopupMenu(Handle task, Handle menu) {
  if (g.popup == kNoHandle || MenuView(menu) == nullptr) return;
  g.current = menu;
  const int w = WindowWidth(g.popup), h = WindowHeight(g.popup);
  int x = PointerX() - w / 2, y = PointerY() - h / 2;
  if (x < 1) x = 10;
  if (y < 1) y = 10;
  const int screen_w = Screen().width(), screen_h = Screen().height();
  if (x + w > screen_w) x = screen_w - w - 10;
  if (y + h > screen_h) y = screen_h - h - 10;
  CaptureMouse(task);
  SendWindowRequest(task, g.popup, static_cast<int16_t>(x), static_cast<int16_t>(y));
}

Handle SystemMenu() {
  return g.system_menu;
}

Handle PopupMenuWindow() {
  return g.popup;
}

bool MenuIsOpen() {
  return g.open;
}

void ResetMenuTask() {
  g = MenuState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetMenuTask);
}  // namespace

}  // namespace vadu
