// TextTask (task 18): the editor behind every input line and text area.
#pragma once

#include "core/types.h"

namespace vadu {

// One step of the text task.
void TextTask(Handle task);

}  // namespace vadu
