// Tasks: the engine's units of work, records of the "Task" resource. Every
// task has a cursor into the one broadcast event queue.
#pragma once

#include <cstdint>

#include "core/types.h"
#include "data/task_record.h"

namespace vadu {

// Start-up: the "Group" resource with its group record "VADU" (the current
// group), then the system resources "Window", "Object", "Graphic VRAM",
// "Code", "Event", "Task", "Font", "Menu", "GC", "Text", "Item", all with
// ResName "Resource.res". False when one cannot be made.
bool CreateSystemResources();
// The system resource with the given DataName (none before start-up).
Handle SystemResource(const char* data_name);
// The number of the current group record (0 before start-up).
uint16_t CurrentGroupNumber();

// The system "Task" resource (none before start-up). Looked up once and kept
// (resources live until the program ends) until ForgetTaskResource.
Handle TaskResource();
// Drops the kept handle (a new pool; ResetEventQueue calls it).
void ForgetTaskResource();

// Makes a task record, last in the Task resource: start pending, no cursor,
// group of the current group record, the name cut to 27 characters. Number 0
// takes the next automatic number (30 upward). A name that some task already
// has is reported with system message 76 in the message dialog; the task is
// made all the same. None when no record can be made.
Handle CreateTask(const char* name, int32_t number, uint8_t kind);
// Places the task's cursors on the oldest event (fresh) and twice asks for
// the resource "EVENT" of the resource file "SYSTEM" as its event resources
// (each failure is logged by the resource file reader). Returns the task's
// flags, or 0 for a handle that is not a task.
uint32_t InitTaskEvents(Handle task);
// Number of the first task (in creation order) whose name equals `name`
// exactly, or -1.
int32_t FindTaskByName(const char* name);
// The task's number, or -1 for a handle that is not a task record.
int32_t TaskNumber(Handle task);
// 0 when the handle is one of the active records of the Task resource, else 1.
int TaskInList(Handle task);
// The first task record with the given number, or none.
Handle FindTaskByNumber(int32_t number);
// True when `task` is an active record of the Task resource (constant time).
bool IsTaskRecord(Handle task);

}  // namespace vadu
