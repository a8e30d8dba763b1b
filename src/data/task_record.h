// Byte layout of the task record, a record of the "Task" resource. The
// resource layer keeps each task's current resource and record in it, so the
// layout lives here, below the kernel's tasks and events.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pool.h"
#include "core/types.h"
#include "platform/bytes.h"

namespace vadu {

inline constexpr int kTaskRecordSize = 516;

// Task flags.
inline constexpr uint32_t kTaskFreshCursor = 0x04;   // cursor placed, its event not looked at yet
inline constexpr uint32_t kTaskStartPending = 0x40;  // no event received yet

struct TaskRecord {
  int32_t number;
  char name[28];
  uint32_t flags;
  uint16_t group;
  uint8_t kind;
  uint8_t unused39;
  Handle event_resource2;
  Handle cursor2;
  Handle event_resource;
  Handle cursor;            // event looked at last (or next, with kTaskFreshCursor)
  Handle current_resource;  // last resource opened or created for the task
  Handle current_record;    // its selected record
  uint8_t end_mark;
  uint8_t unused65[kTaskRecordSize - 65];
};
static_assert(sizeof(TaskRecord) == kTaskRecordSize);
static_assert(offsetof(TaskRecord, name) == 4);
static_assert(offsetof(TaskRecord, flags) == 32);
static_assert(offsetof(TaskRecord, group) == 36);
static_assert(offsetof(TaskRecord, kind) == 38);
static_assert(offsetof(TaskRecord, cursor) == 52);
static_assert(offsetof(TaskRecord, current_resource) == 56);
static_assert(offsetof(TaskRecord, current_record) == 60);
static_assert(offsetof(TaskRecord, end_mark) == 64);

// The task record of a task handle (nullptr for a handle without a block).
// Valid until the next allocation.
// A record too short to be a task gives nullptr, so a wrong handle passed as
// a task can never write past a smaller body.
inline TaskRecord* TaskView(Handle task) {
  if (!ValidHandle(task) || Entry(task).size < kTaskRecordSize) return nullptr;
  return reinterpret_cast<TaskRecord*>(BlockAddress(task));
}

// A task's name as text: the stored name, terminated even when the record's
// field lacks its NUL; "" for a handle that is not a task. A copy, so it
// stays valid across allocations.
struct TaskNameText {
  char text[sizeof(TaskRecord::name)] = {};
  explicit TaskNameText(const TaskRecord* t) {
    if (t == nullptr) return;
    const size_t n = FixedTextLength(t->name, sizeof t->name - 1);
    for (size_t i = 0; i < n; ++i) text[i] = t->name[i];
  }
  explicit TaskNameText(Handle task) : TaskNameText(TaskView(task)) {}
};

}  // namespace vadu
