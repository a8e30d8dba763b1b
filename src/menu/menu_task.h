// MenuTask (task 7): the menus, the pop-up menu window and the system menu.
#pragma once

#include "core/types.h"

namespace vadu {

// One step of the menu task.
void MenuTask(Handle task);

}  // namespace vadu
