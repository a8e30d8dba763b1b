// Events: records of the "Event" resource in one broadcast queue, in sending
// order. Each task's cursor moves one event per receive; an event is handed
// to a task when it is addressed to the task's number or to 999.
#pragma once

#include <cstdint>

#include "core/types.h"
#include "data/task_record.h"
#include "kernel/event_params.h"
#include "kernel/event_record.h"

namespace vadu {

// Receive results.
inline constexpr int EVENT_RECEIVED = 54;
inline constexpr int EVENT_OTHER = 51;
inline constexpr int EVENT_NONE = 50;
inline constexpr int EVENT_NO_TASK = 1;

// The system "Event" resource (none before start-up); cheap, as TaskResource.
Handle EventResource();
// True when `event` is an active record of the Event resource.
bool IsQueuedEvent(Handle event);

// The whole event record (head and parameters, kEventRecordSize bytes), or
// nullptr for a handle that is not a full-size record. Valid until the next
// allocation.
uint8_t* EventBytes(Handle event);
EventHead* EventView(Handle event);

// Start-up: logs the event sizes, posts the queue-start event and makes it
// the head and tail. False when no event record could be made (the caller
// shows "init event errror!!" and ends the process).
bool InitEventQueue();
// Oldest and newest event of the queue (none when it is empty).
Handle QueueHead();
Handle QueueTail();

// Makes an event at the tail of the queue: the head set (flags 0x40, link
// empty), every parameter byte zero. Every task whose cursor is empty gets
// its cursor on the new event (fresh). The caller fills the parameters.
// None when no record can be made.
Handle PostEvent(int32_t sender, int32_t destination, uint16_t code);
// Moves the task's cursor by one event: EVENT_RECEIVED when the event is for
// the task (or is the first the task looks at), EVENT_OTHER when it is not,
// EVENT_NONE when the task has seen every event, EVENT_NO_TASK when the
// handle is none or not a task. A damaged link ends the task's walk (as if
// the queue ended there).
int ReciveEvent(Handle task);
// The event under the task's cursor (none when it is empty).
Handle CurrentEvent(Handle task);
// The earliest 1-based queue position a task's cursor rests on, or 0 when no
// cursor rests on an event. Cursors on no queued event are logged and skipped.
int TopEvent();
// Frees the head event: 0 when it was freed, 1 when the queue is empty or a
// task's cursor rests on the head (logged with the task's name).
int FreeHeadEvent();

// Senders: 0 on success, 1 when no event record could be made. A sender given
// as a task handle that is not a task sends as number -1.
// 0x102 from the task to VaduManager.
int SendShutDown(Handle task);
// 0x501: the text at byte 40 (at most StringEventAt::kTextMax bytes, cut there) and its
// stored length at 32-35. Texts over 78 bytes are logged.
int SendStringEvent(Handle task, int32_t destination, const char* text);
// The given code with the value at 36-39.
int SendValueEvent(int32_t sender, int32_t destination, uint16_t code, uint32_t value);
// 0x309 from WindowTask to the owner task: draw the window (36-39).
int ReqDrawEvent(int32_t task_number, Handle window);
// 0x30a from the task to WindowTask: the window (36-39) is drawn. While a
// redraw sequence runs (REDRAW_MOTION), the redraw hook is called for it.
int RetDrawEvent(Handle task, Handle window);
// 0x302 to WindowTask: open the window (36-39) at x (28-29), y (30-31).
int SendWindowRequest(Handle task, Handle window, int16_t x, int16_t y);
// 0x303 to WindowTask: close the window (36-39).
int SendWindowRequest1(Handle task, Handle window);
// 0x412 to MenuTask: entry number (36-37), name (44-65, cut to 21
// characters), label (66 on, cut at the record's end).
int AddSystemMenuEntry(Handle task, uint16_t number, const char* name, const char* label);

// The one seam the window manager fills: clears WINDOWdrawable of a window
// when a redraw sequence runs. Until windows exist, it does nothing. nullptr
// removes the hook.
void SetRetDrawHook(void (*hook)(Handle window));

// Forgets the queue, the cached resources and EventTask's timing (tests).
void ResetEventQueue();

// EventTask (task 9), one step per cycle: its own receive (the start event
// seeds the timing), the clock read every CYCLE_WAIT cycles and the queue
// cleanup; nothing but the receive and the cycle count while the manager is
// not running. A clock read sends 0x117 when the local time has reached the
// next eighth-second mark (milliseconds 0, 125, ... 875 of each second) and
// 0x116 at the next half-second mark (0 and 500), then 0x115..0x110 when the
// second .. year changed.
void EventTask(Handle task);

// Timing state of EventTask, read by the system information text and tests.
struct EventTiming {
  uint32_t total_cycles = 0;  // EventTask steps; reset every minute
  int32_t tick_counter = 0;   // reads with a new millisecond value this second
  int32_t milli_sync = 0;     // tick_counter of the last full second
  // The next eighth-second and half-second marks (LocalTimeMs). Both are 0
  // until the start event places them, so a first read without one ticks.
  int64_t next_eighth_ms = 0;
  int64_t next_half_ms = 0;
  uint8_t last[8] = {};     // DateTimeStamp of the last seen time
  uint8_t current[8] = {};  // DateTimeStamp of the current time
};
EventTiming& EventTaskTiming();
// Milliseconds of the platform clock's local time until the next
// eighth-second mark (0 when it is due or not placed yet): how long an idle
// engine may sleep without a tick coming late.
uint32_t MsUntilNextTick();
// The start-up date-time (a DateTimeStamp) that the start event seeds the
// clock ticks with.
void SetStartupDateTime(const uint8_t stamp[8]);

}  // namespace vadu
