// Events: records of the "Event" resource in one broadcast queue, in sending
// order. Each task's cursor moves one event per receive; an event is handed
// to a task when it is addressed to the task's number or to 999.
#pragma once

#include <cstdint>

#include "kernel/task_record.h"
#include "kernel/types.h"

namespace vadu {

// Receive results.
inline constexpr int EVENT_RECEIVED = 54;
inline constexpr int EVENT_OTHER = 51;
inline constexpr int EVENT_NONE = 50;
inline constexpr int EVENT_NO_TASK = 1;

// Event codes the kernel itself sends or handles.
inline constexpr uint16_t kEventQueueStart = 0;
inline constexpr uint16_t kEventStart = 0x101;
inline constexpr uint16_t ShutDownEvent = 0x102;
inline constexpr uint16_t kEventSystemReady = 0x104;
inline constexpr uint16_t kEventYear = 0x110;
inline constexpr uint16_t kEventMonth = 0x111;
inline constexpr uint16_t kEventDay = 0x112;
inline constexpr uint16_t kEventHour = 0x113;
inline constexpr uint16_t kEventMinute = 0x114;
inline constexpr uint16_t kEventSecond = 0x115;
inline constexpr uint16_t kEventHalfSecond = 0x116;
inline constexpr uint16_t kEventEighthSecond = 0x117;
inline constexpr uint16_t kEventKey = 0x200;
inline constexpr uint16_t kEventOpenWindow = 0x302;
inline constexpr uint16_t kEventCloseWindow = 0x303;
inline constexpr uint16_t kEventReqDraw = 0x309;
inline constexpr uint16_t kEventRetDraw = 0x30a;
inline constexpr uint16_t kEventAddSystemMenu = 0x412;
inline constexpr uint16_t kEventMenuChosen = 0x413;
inline constexpr uint16_t kEventString = 0x501;

// The whole event record (head and parameters), valid until the next
// allocation.
uint8_t* EventBytes(Handle event);
EventHead* EventView(Handle event);

// Start-up: logs the event sizes, posts the queue-start event and makes it
// the head and tail. False when no event record could be made (the caller
// shows "init event errror!!" and ends the process).
bool InitEventQueue();
Handle QueueHead();
Handle QueueTail();

Handle PostEvent(int32_t sender, int32_t destination, uint16_t code);
int ReciveEvent(Handle task);
Handle CurrentEvent(Handle task);
int TopEvent();
int FreeHeadEvent();

int SendShutDown(Handle task);
int SendStringEvent(Handle task, int32_t destination, const char* text);
int SendValueEvent(int32_t sender, int32_t destination, uint16_t code, uint32_t value);
int ReqDrawEvent(int32_t task_number, Handle window);
int RetDrawEvent(Handle task, Handle window);
int SendWindowRequest(Handle task, Handle window, int16_t x, int16_t y);
int SendWindowRequest1(Handle task, Handle window);
int AddSystemMenuEntry(Handle task, uint16_t number, const char* name, const char* label);

// The one seam the window manager fills: clears WINDOWdrawable of a window
// when a redraw sequence runs. Until windows exist, it does nothing.
void SetRetDrawHook(void (*hook)(Handle window));

// Forgets the queue (tests).
void ResetEventQueue();

// EventTask (task 9): clock ticks and queue cleanup, one step per cycle.
void EventTask(Handle task);

// Timing state of EventTask, read by the system information text and tests.
struct EventTiming {
  uint32_t total_cycles = 0;
  int32_t tick_counter = 0;
  int32_t milli_sync = 0;
  uint16_t eighth_divisor = 1;
  uint16_t half_divisor = 1;
  uint8_t last[8] = {};     // DateTimeStamp of the last seen time
  uint8_t current[8] = {};  // DateTimeStamp of the current time
};
EventTiming& EventTaskTiming();
// The start-up date-time that seeds the clock ticks.
void SetStartupDateTime(const uint8_t stamp[8]);

}  // namespace vadu
