// The system resources that start-up makes, in their fixed order.
#include <cstring>

#include "core/state.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bytes.h"

namespace vadu {
namespace {

constexpr const char* kSystemDataNames[] = {"Window", "Object", "Graphic VRAM", "Code", "Event", "Task",
                                            "Font",   "Menu",   "GC",           "Text", "Item"};
// The group record: 256 bytes; its 16-bit group number is copied into every
// task created while it is the current group.
constexpr int kGroupRecordSize = 256;

}  // namespace

bool CreateSystemResources() {
  const Handle group = CreateResource(kNoHandle, kSystemResName, "Group");
  if (group == kNoHandle) return false;
  const Handle record = CreateRecord(group, -1, kGroupRecordSize);
  if (record == kNoHandle) return false;
  uint8_t* body = Body(record);
  std::memset(body, 0, kGroupRecordSize);
  PutU16(body, Kernel.group_counter++);
  PutFixedText(body + 2, 22, "VADU");
  Kernel.current_group = record;
  for (const char* name : kSystemDataNames) {
    if (CreateResource(kNoHandle, kSystemResName, name) == kNoHandle) return false;
  }
  return true;
}

Handle SystemResource(const char* data_name) {
  return FindResource(kSystemResName, data_name);
}

uint16_t CurrentGroupNumber() {
  const uint8_t* body = Body(Kernel.current_group);
  return body == nullptr ? 0 : GetU16(body);
}

}  // namespace vadu
