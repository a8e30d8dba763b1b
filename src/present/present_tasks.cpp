#include "present/present_tasks.h"

#include "kernel/event.h"

namespace vadu {

// FIXME: the effect step replaces this; until then the task only receives
// its events.
void EffectTask(Handle task) {
  ReciveEvent(task);
}

}  // namespace vadu
