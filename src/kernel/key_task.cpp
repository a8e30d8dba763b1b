#include "kernel/key_task.h"

#include "core/log.h"
#include "core/strings.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/input.h"
#include "platform/reset.h"

namespace vadu {
namespace {

int32_t g_mouse_capture = 0;

}  // namespace

void KeyTask(Handle task) {
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    const EventHead* e = EventView(CurrentEvent(task));
    if (e != nullptr && e->code == kEventSystemReady) WriteLog("KeyTask start!");
    return;
  }
  const uint16_t key = TakeKey();
  if (key == 0) return;
  uint8_t text[3] = {static_cast<uint8_t>(key), 0, 0};
  if (IsLeadByte(text[0])) text[1] = static_cast<uint8_t>(TakeKey());
  const uint32_t modifiers = ModifierKeys();

  const Handle event = PostEvent(kTaskKey, kEveryTask, kEventKey);
  uint8_t* b = EventBytes(event);
  if (b == nullptr) return;
  for (int i = 0; i < KeyEventAt::kTextSize; ++i) b[KeyEventAt::kText + i] = text[i];
  PutU32(b + KeyEventAt::kModifiers, modifiers);
}

int CaptureMouse(Handle task) {
  const int32_t number = TaskNumber(task);
  if (number < 0 || g_mouse_capture != 0) return 0;
  g_mouse_capture = number;
  return 1;
}

int ReleaseMouse(Handle task) {
  const int32_t number = TaskNumber(task);
  if (number < 0 || g_mouse_capture != number) return 0;
  g_mouse_capture = 0;
  return 1;
}

int32_t MouseCapture() {
  return g_mouse_capture;
}

void ClearMouseCapture() {
  g_mouse_capture = 0;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ClearMouseCapture);
}  // namespace

}  // namespace vadu
