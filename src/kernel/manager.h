// The manager task VaduManager (task 1) that starts every other task and
// ends the system, ExecManager (task 16), the system task list, and the
// scheduler's single cycle. Start-up (kernel/startup.h) drives them.
#pragma once

#include <cstdint>

#include "core/types.h"
#include "kernel/task_steps.h"

namespace vadu {

// The task record of a system task (none before CreateSystemTasks).
Handle SystemTask(int index);

// Makes the ten system task records with their names and numbers, in order,
// places each one's event cursors, then runs the ready hooks of the task
// step table.
void CreateSystemTasks();

// The manager step, by ManagerState:
//   MANAGER_READY: "System ready", the system tasks, the system-ready event
//     0x104 to every task, then the receive step;
//   MANAGER_START_SYSTEM: the start event 0x101 to the task under the
//     cursor when it is a system task (one task record per cycle), then the
//     receive step;
//   MANAGER_START_PROGRAM: START_PROGRAM (none, "TASKall", or a task name),
//     the two system menu entries, "System start", MANAGER_RUNNING;
//   MANAGER_RUNNING: the receive step (0x413 system menu choices, 0x102
//     ShutDownEvent);
//   MANAGER_ENDING: the countdown; SYSTEM_END on the eleventh step.
void VaduManager(Handle task);
// ExecManager's step: logs its start and the system menu's level-3 line.
void ExecManager(Handle task);

// Broadcasts the shutdown, logs the number of game files still open and
// starts the ten-cycle countdown. Returns 1.
int ShutdownSystem();
// Regular files inside the current (game) directory that the process holds
// open now, read from /proc/self/fd; 0 where that cannot be read.
int CountOpenGameFiles();

// Start-up: clears the system task handles, the manager's cursor, the
// countdown and ExecManager's counters.
void ResetManagerState();
// The shutdown countdown (tests).
int16_t ShutdownCountdown();

// The start banner on the screen (and its log lines).
void DrawStartBanner();

}  // namespace vadu
