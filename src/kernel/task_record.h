// Byte layouts of the task and event records. Task records are records of
// the "Task" resource; event records of the "Event" resource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/pool.h"
#include "kernel/types.h"

namespace vadu {

inline constexpr int kTaskRecordSize = 516;
inline constexpr int kEventRecordSize = 600;
inline constexpr int kEventInfoSize = 20;    // the head of an event, as the log calls it
inline constexpr int kEventKeepOffset = 28;  // where the parameters start

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

// Event flag set when an event is made.
inline constexpr uint8_t kEventMade = 0x40;

// The head of an event record; parameters follow at byte 28 and are read and
// written with the byte helpers at the positions each event code states.
struct EventHead {
  uint16_t code;
  uint16_t zero2;
  int32_t sender;
  int32_t destination;  // 999 = every task
  uint8_t flags;
  uint8_t zero13[3];
  Handle link;  // next event of the queue
  uint8_t zero20[8];
};
static_assert(sizeof(EventHead) == kEventKeepOffset);
static_assert(offsetof(EventHead, sender) == 4);
static_assert(offsetof(EventHead, destination) == 8);
static_assert(offsetof(EventHead, flags) == 12);
static_assert(offsetof(EventHead, link) == 16);

// Task numbers of the system tasks, and the address of every task.
inline constexpr int32_t kTaskVaduManager = 1;
inline constexpr int32_t kTaskWindow = 2;
inline constexpr int32_t kTaskMenu = 7;
inline constexpr int32_t kTaskEvent = 9;
inline constexpr int32_t kTaskAnime = 11;
inline constexpr int32_t kTaskEffect = 12;
inline constexpr int32_t kTaskExecManager = 16;
inline constexpr int32_t kTaskText = 18;
inline constexpr int32_t kTaskStartScreen = 19;
inline constexpr int32_t kTaskKey = 22;
inline constexpr int32_t kFirstAutoTaskNumber = 30;
inline constexpr int32_t kEveryTask = 999;

}  // namespace vadu
