// The scenario application "StillPixie": its task and its step.
#pragma once

#include "core/types.h"

namespace vadu {

// Makes the application task "StillPixie" (an automatic number: it is made
// at the first paint, before the system tasks, so it gets 30) and places its
// event cursors. None when the record cannot be made.
Handle CreatePixieTask();

// One step of the application.
void PixieTask(Handle task);

}  // namespace vadu
