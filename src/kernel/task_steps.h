// The cycle's table of task steps.
//
// The kernel knows the ten system tasks by name and number and the order the
// cycle calls them in; it runs the steps of its own tasks (VaduManager,
// EventTask, KeyTask, ExecManager). Every layer above it registers the step
// of its task here, from the one composition root (engine/assembly.cpp), so
// the kernel never includes a header of a layer above it. A system task
// whose step nobody registered only receives its events: its cursor moves
// on and the queue behind it can be freed.
//
// The application task is registered the same way: start-up creates it
// (before the system tasks, so it gets the first automatic number) and the
// cycle runs its step while APP_ACTIVE is set.
#pragma once

#include <cstdint>

#include "core/types.h"

namespace vadu {

using TaskStepFn = void (*)(Handle task);
using HookFn = void (*)();

// What a layer registers for one system task. Every member may be null.
struct TaskStepHooks {
  // One call per cycle with the task's record.
  TaskStepFn step = nullptr;
  // Start-up, once the event queue exists and before the system GCs are
  // made: the window manager's set-up (its globals and the root window).
  HookFn start = nullptr;
  // Once every system task record exists (the end of CreateSystemTasks).
  HookFn ready = nullptr;
  // Puts the layer's process-wide state back as before start-up; added to
  // the reset registry (platform/reset.h).
  HookFn reset = nullptr;
  // The host window must be painted again (the system is running).
  HookFn repaint = nullptr;
};

// One row of the table: the fixed name and number, and what was registered.
struct SystemTaskEntry {
  const char* name;
  int32_t number;
  TaskStepHooks hooks;
};

// The ten system tasks, in creation order (which is also the step order).
enum SystemTaskIndex : int {
  kVaduManagerTask,
  kEventTaskTask,
  kKeyTaskTask,
  kWindowTaskTask,
  kMenuTaskTask,
  kTextTaskTask,
  kExecManagerTask,
  kAnimeTaskTask,
  kEffectTaskTask,
  kStartScreenTask,
  kSystemTaskCount,
};

// The row of a system task by its index (row 0 for an index out of range).
const SystemTaskEntry& SystemTaskAt(int index);

// Registers the hooks of the system task with this number, replacing what
// was registered before. False, and nothing changes, for a number that is
// not in the table or whose step is the kernel's own (1, 9, 16, 22).
bool RegisterTaskStep(int32_t number, const TaskStepHooks& hooks);

// What the application registers: how its task is made (the task record,
// or none) and its step.
struct ApplicationHooks {
  Handle (*create)() = nullptr;
  TaskStepFn step = nullptr;
  HookFn reset = nullptr;
};
void RegisterApplication(const ApplicationHooks& hooks);

// What a layer without a task of its own plugs in (the system dialogs).
// Every member may be null.
struct LayerHooks {
  HookFn ready = nullptr;    // once every system task record exists, after the tasks' own
  HookFn repaint = nullptr;  // a host repaint, after the tasks' own
  HookFn reset = nullptr;    // added to the reset registry
};
// Adds a layer's hooks (a hook already added is not added twice).
void RegisterLayer(const LayerHooks& hooks);

// Forgets every registration (tests of the table itself).
void ClearTaskStepRegistrations();

// --- What start-up and the cycle call ---------------------------------------
// The start hooks, in the table's order.
void RunStartHooks();
// The ready hooks, in the table's order.
void RunReadyHooks();
// The repaint hooks, in the table's order.
void RunRepaintHooks();
// The step of the system task at `index` with its record.
void RunSystemTaskStep(int index, Handle task);
// Makes the application task (none when no application is registered).
Handle CreateApplicationTask();
// The application's step (only receiving its events when none is
// registered).
void RunApplicationStep(Handle task);

}  // namespace vadu
