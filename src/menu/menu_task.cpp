#include "menu/menu_task.h"

#include "kernel/event.h"

namespace vadu {

// FIXME: the menu task's step (menu records, the pop-up menu window, the
// system menu rows) replaces this; until then the task only receives its
// events.
void MenuTask(Handle task) {
  ReciveEvent(task);
}

}  // namespace vadu
