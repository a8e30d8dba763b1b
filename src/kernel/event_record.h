// Byte layout of the event record, a record of the "Event" resource, and the
// task numbers events are addressed with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

inline constexpr int kEventRecordSize = 600;
inline constexpr int kEventInfoSize = 20;    // the head of an event, as the log calls it
inline constexpr int kEventKeepOffset = 28;  // where the parameters start

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
