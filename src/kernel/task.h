// Tasks: the engine's units of work, records of the "Task" resource. Every
// task has a cursor into the one broadcast event queue.
#pragma once

#include <cstdint>

#include "kernel/task_record.h"
#include "kernel/types.h"

namespace vadu {

// Start-up: the "Group" resource with its group record "VADU" (the current
// group), then the system resources "Window", "Object", "Graphic VRAM",
// "Code", "Event", "Task", "Font", "Menu", "GC", "Text", "Item", all with
// ResName "Resource.res". False when one cannot be made.
bool CreateSystemResources();
// The system resource with the given DataName (none before start-up).
Handle SystemResource(const char* data_name);

TaskRecord* TaskView(Handle task);  // valid until the next allocation

Handle CreateTask(const char* name, int32_t number, uint8_t kind);
uint32_t InitTaskEvents(Handle task);
int32_t FindTaskByName(const char* name);
int32_t TaskNumber(Handle task);
int TaskInList(Handle task);
// The task record with the given number, or none.
Handle FindTaskByNumber(int32_t number);

}  // namespace vadu
