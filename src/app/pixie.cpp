#include "app/pixie.h"

#include "kernel/event.h"
#include "kernel/task.h"

namespace vadu {
namespace {

constexpr char kPixieTaskName[] = "StillPixie";

}  // namespace

Handle CreatePixieTask() {
  const Handle task = CreateTask(kPixieTaskName, 0, 0);
  InitTaskEvents(task);
  return task;
}

// FIXME: the application's dispatch step (play window, scenario commands,
// save and load) replaces this; until then the task only receives its
// events.
void PixieTask(Handle task) {
  ReciveEvent(task);
}

}  // namespace vadu
