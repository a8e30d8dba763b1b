// MenuTask (task 7): the pop-up menu window, the system menu that a right
// click on the screen background opens, the rows tasks add to it, and the
// menus of pull-down, selector, list and pop-up objects. A chosen row is
// reported with 0x413.
#pragma once

#include "core/types.h"

namespace vadu {

// One step: at most one event of its own, then (while the system runs and no
// redraw motion does) tracking the open menu and reading the mouse.
void MenuTask(Handle task);

// Shows a menu in the pop-up menu window at the mouse (inside the screen)
// for `task`, which takes the mouse capture until the menu closes.
void OpenPopupMenu(Handle task, Handle menu);

// The system menu and the pop-up menu window (none before the menu task's
// initialisation).
Handle SystemMenu();
Handle PopupMenuWindow();
// True while the pop-up menu is open.
bool MenuIsOpen();

// Back to the state before start-up.
void ResetMenuTask();

}  // namespace vadu
