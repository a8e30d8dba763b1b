// The broadcast event queue: posting, receiving, freeing the head, and the
// kernel's sending operations.
#include "kernel/event.h"

#include <climits>
#include <cstring>

#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/reset.h"

namespace vadu {
namespace {

struct Queue {
  Handle head = kNoHandle;  // oldest event
  Handle tail = kNoHandle;  // newest event
  Handle resource = kNoHandle;
  void (*ret_draw_hook)(Handle window) = nullptr;
};
Queue g_queue;

// Walks the task records in creation order, at most as many steps as the Task
// resource has records (a damaged chain cannot loop). `f` gets the handle and
// the record (valid until the next allocation) and returns false to stop.
template <typename F>
void ForEachTask(F f) {
  const ResourceAttr* a = Attr(TaskResource());
  if (a == nullptr) return;
  int steps = a->all_count;
  for (Handle t = a->top; t != kNoHandle && steps-- > 0;) {
    const HandleEntry& e = Entry(t);
    if (!e.in_use) return;
    const Handle next = e.next;
    if ((e.flags & kRecordInactive) == 0 && e.size >= kTaskRecordSize) {
      if (!f(t, TaskView(t))) return;
    }
    t = next;
  }
}

// 1-based place of `event` among the active records of the Event resource,
// looking no further than `limit` places; 0 when not met.
int EventPosition(Handle resource, Handle event, int limit) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return 0;
  int steps = a->all_count;
  int index = 0;
  for (Handle r = a->top; r != kNoHandle && steps-- > 0 && index < limit;) {
    const HandleEntry& e = Entry(r);
    if (!e.in_use) return 0;
    if ((e.flags & kRecordInactive) == 0) {
      ++index;
      if (r == event) return index;
    }
    r = e.next;
  }
  return 0;
}

void LogEventNotFound(const TaskRecord* t) {
  WriteLogf("ｲﾍﾞﾝﾄがみつかりません。for TopEvent (taskID: %ld)", static_cast<long>(t->number));
  WriteLog("   ｲﾍﾞﾝﾄ･ﾁｪｰﾝが正しく連結されていません。 ");
}

// The event after a queued event, or none at the end of the queue or when
// the link does not lead to another queued event.
Handle NextEvent(Handle event) {
  const Handle next = reinterpret_cast<const EventHead*>(BlockAddress(event))->link;
  return next != event && IsQueuedEvent(next) ? next : kNoHandle;
}

// Posts an event and returns its bytes (valid until the next allocation), or
// nullptr when no record could be made.
uint8_t* Post(int32_t sender, int32_t destination, uint16_t code) {
  return EventBytes(PostEvent(sender, destination, code));
}

}  // namespace

Handle EventResource() {
  // Looked up once, as TaskResource.
  if (g_queue.resource == kNoHandle) g_queue.resource = SystemResource("Event");
  return g_queue.resource;
}

bool IsQueuedEvent(Handle event) {
  // One entry look-up: an entry without a block is never in use.
  const HandleEntry& e = Entry(event);
  return e.in_use && e.owner != kNoHandle && (e.flags & kRecordInactive) == 0 && e.size >= kEventRecordSize &&
         e.owner == EventResource();
}

uint8_t* EventBytes(Handle event) {
  const HandleEntry& e = Entry(event);
  if (!e.in_use || e.size < kEventRecordSize) return nullptr;
  return BlockAddress(event);
}

EventHead* EventView(Handle event) {
  return reinterpret_cast<EventHead*>(EventBytes(event));
}

Handle QueueHead() {
  return g_queue.head;
}
Handle QueueTail() {
  return g_queue.tail;
}

bool InitEventQueue() {
  // Start-up has just made the system resources; the queue starts empty.
  g_queue.resource = g_queue.head = g_queue.tail = kNoHandle;
  ForgetTaskResource();
  WriteLogf("\tevent info size %d(keep %d)\tevent struct size %d", kEventInfoSize, kEventKeepOffset, kEventRecordSize);
  const Handle start = PostEvent(0, 0, kEventQueueStart);
  if (start == kNoHandle) return false;
  g_queue.head = g_queue.tail = start;
  return true;
}

Handle PostEvent(int32_t sender, int32_t destination, uint16_t code) {
  const Handle resource = EventResource();
  if (resource == kNoHandle) return kNoHandle;
  const Handle event = CreateRecord(resource, -1, kEventRecordSize);
  if (event == kNoHandle || Entry(event).size < kEventRecordSize) return kNoHandle;

  // Tasks that have seen every event look at this one next.
  ForEachTask([event](Handle, TaskRecord* t) {
    if (t->cursor == kNoHandle) {
      t->cursor = event;
      t->flags |= kTaskFreshCursor;
    }
    return true;
  });

  // A reused record keeps its old bytes; a new event carries none of them.
  uint8_t* b = EventBytes(event);
  std::memset(b, 0, kEventRecordSize);
  EventHead* e = reinterpret_cast<EventHead*>(b);
  e->flags = kEventMade;
  e->code = code;
  e->sender = sender;
  e->destination = destination;
  e->link = kNoHandle;

  if (IsQueuedEvent(g_queue.tail) && g_queue.tail != event) {
    EventView(g_queue.tail)->link = event;
  } else if (!IsQueuedEvent(g_queue.head) || g_queue.head == event) {
    // The queue was empty (or its ends were lost): it starts again here.
    g_queue.head = event;
  }
  g_queue.tail = event;
  return event;
}

int ReciveEvent(Handle task) {
  if (task == kNoHandle) return EVENT_NO_TASK;
  if (HasFlag(TASK)) {
    Kernel.current_task = kNoHandle;
    if (TaskInList(task) != 0) {
      ErrorDialog(FindTaskByNumber(kTaskEvent), 72, "ReciveEvent()で異常なタスクが指定された");
    }
  }
  // Only a task record has a cursor to move.
  if (!IsTaskRecord(task)) return EVENT_NO_TASK;
  TaskRecord* t = TaskView(task);
  if (HasFlag(TASK)) {
    Kernel.current_task = task;
    WriteLogf("Change %ld:%s", static_cast<long>(t->number), TaskNameText(t).text);
    t = TaskView(task);
  }

  Handle cursor = t->cursor;
  if ((t->flags & kTaskFreshCursor) != 0) {
    t->flags &= ~kTaskFreshCursor;
    // A cursor placed on what is no longer a queued event leads nowhere.
    if (!IsQueuedEvent(cursor)) cursor = kNoHandle;
  } else if (cursor == kNoHandle) {
    return EVENT_NONE;
  } else {
    // The event under a cursor is never freed, but a damaged task record
    // may hold anything: its link is read only from a queued event.
    cursor = IsQueuedEvent(cursor) ? NextEvent(cursor) : kNoHandle;
  }
  t->cursor = cursor;
  if (cursor == kNoHandle) return EVENT_NONE;

  const EventHead* e = reinterpret_cast<const EventHead*>(BlockAddress(cursor));
  const uint16_t code = e->code;
  const int32_t destination = e->destination;
  if (HasFlag(TASK)) {
    WriteLogf("...recive event type %x send %d", code, e->sender);
    t = TaskView(task);
  }

  if ((t->flags & kTaskStartPending) != 0) {
    if (HasFlag(EVENT_TEST)) {
      const TaskNameText name(t);
      WriteLogf("ID %2ld : %s ｽﾀｰﾄ", static_cast<long>(t->number), name.text);
      if (code == kEventStart) {
        WriteLogf(" 始めに受け取ったｲﾍﾞﾝﾄがｽﾀｰﾄ･ｲﾍﾞﾝﾄです  %s", name.text);
      } else {
        WriteLogf(" 始めに受け取ったｲﾍﾞﾝﾄがｽﾀｰﾄ･ｲﾍﾞﾝﾄではありませんでした  %s", name.text);
      }
      t = TaskView(task);
    }
    t->flags &= ~kTaskStartPending;
    return EVENT_RECEIVED;
  }
  if (destination != t->number && destination != kEveryTask) return EVENT_OTHER;
  return EVENT_RECEIVED;
}

Handle CurrentEvent(Handle task) {
  return IsTaskRecord(task) ? TaskView(task)->cursor : kNoHandle;
}

int TopEvent() {
  const Handle resource = EventResource();
  if (resource == kNoHandle) return 0;
  // The earliest position: once a place is known, a cursor is looked for
  // only in front of it, so the walks stay short while the queue is.
  int top = 0;
  ForEachTask([&](Handle, TaskRecord* t) {
    if (t->cursor == kNoHandle) return true;
    if (!IsQueuedEvent(t->cursor)) {
      LogEventNotFound(t);
      return true;
    }
    const int position = EventPosition(resource, t->cursor, top == 0 ? INT_MAX : top - 1);
    if (position != 0) {
      top = position;
    } else if (top == 0) {
      LogEventNotFound(t);  // an active event record the chain does not hold
    }
    return true;
  });
  return top;
}

int FreeHeadEvent() {
  const Handle resource = EventResource();
  if (resource == kNoHandle || Attr(resource)->active_count == 0) return 1;
  // A head that is no longer a queued event (a damaged queue) is taken up
  // again from the oldest record.
  if (!IsQueuedEvent(g_queue.head)) g_queue.head = FirstRecord(resource);
  const Handle head = g_queue.head;
  if (head == kNoHandle) return 1;

  bool held = false;
  ForEachTask([&](Handle, TaskRecord* t) {
    if (t->cursor != head) return true;
    WriteLogf("%sが握っています。", TaskNameText(t).text);
    held = true;
    return false;
  });
  if (held) return 1;

  if (HasFlag(EVENT_TEST)) DumpResource(resource);
  const Handle next = NextEvent(head);
  DeleteRecord(resource, head);
  if (g_queue.tail == head) {
    g_queue.head = g_queue.tail = kNoHandle;  // the queue is empty
  } else {
    // A broken link leaves the oldest remaining event as the head.
    g_queue.head = next != kNoHandle ? next : FirstRecord(resource);
  }
  return 0;
}

int SendShutDown(Handle task) {
  return Post(TaskNumber(task), kTaskVaduManager, ShutDownEvent) == nullptr ? 1 : 0;
}

int SendStringEvent(Handle task, int32_t destination, const char* text) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  uint8_t* b = Post(TaskNumber(task), destination, kEventString);
  if (b == nullptr) return 1;
  constexpr size_t kMax = StringEventAt::kTextMax;
  const size_t stored = length < kMax ? length : kMax;
  std::memcpy(b + StringEventAt::kText, text, stored);
  b[StringEventAt::kText + stored] = 0;
  PutU32(b + StringEventAt::kLength, static_cast<uint32_t>(stored));
  if (length > static_cast<size_t>(StringEventAt::kTextWarn))
    WriteLog("SendStringEventで送信するﾃﾞｰﾀｻｲｽﾞが大きすぎます");
  return 0;
}

int SendValueEvent(int32_t sender, int32_t destination, uint16_t code, uint32_t value) {
  uint8_t* b = Post(sender, destination, code);
  if (b == nullptr) return 1;
  PutU32(b + ValueEventAt::kValue, value);
  return 0;
}

int ReqDrawEvent(int32_t task_number, Handle window) {
  uint8_t* b = Post(kTaskWindow, task_number, kEventReqDraw);
  if (b == nullptr) return 1;
  PutU32(b + WindowEventAt::kWindow, window);
  return 0;
}

int RetDrawEvent(Handle task, Handle window) {
  uint8_t* b = Post(TaskNumber(task), kTaskWindow, kEventRetDraw);
  if (b == nullptr) return 1;
  PutU32(b + WindowEventAt::kWindow, window);
  if (HasFlag(REDRAW_MOTION) && g_queue.ret_draw_hook != nullptr) g_queue.ret_draw_hook(window);
  return 0;
}

int SendWindowRequest(Handle task, Handle window, int16_t x, int16_t y) {
  uint8_t* b = Post(TaskNumber(task), kTaskWindow, kEventOpenWindow);
  if (b == nullptr) return 1;
  PutI16(b + WindowPlaceAt::kX, x);
  PutI16(b + WindowPlaceAt::kY, y);
  PutU32(b + WindowPlaceAt::kWindow, window);
  return 0;
}

int SendWindowRequest1(Handle task, Handle window) {
  uint8_t* b = Post(TaskNumber(task), kTaskWindow, kEventCloseWindow);
  if (b == nullptr) return 1;
  PutU32(b + WindowEventAt::kWindow, window);
  return 0;
}

int AddSystemMenuEntry(Handle task, uint16_t number, const char* name, const char* label) {
  uint8_t* b = Post(TaskNumber(task), kTaskMenu, kEventAddSystemMenu);
  if (b == nullptr) return 1;
  PutU16(b + AddSystemMenuAt::kNumber, number);
  PutFixedText(b + AddSystemMenuAt::kName, AddSystemMenuAt::kNameSize, name);
  PutFixedText(b + AddSystemMenuAt::kLabel, kEventRecordSize - AddSystemMenuAt::kLabel, label);
  return 0;
}

void SetRetDrawHook(void (*hook)(Handle window)) {
  g_queue.ret_draw_hook = hook;
}

void ResetEventQueue() {
  g_queue = Queue{};
  ForgetTaskResource();
  EventTaskTiming() = EventTiming{};
  const uint8_t zero[8] = {};
  SetStartupDateTime(zero);
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetEventQueue);
}  // namespace

}  // namespace vadu
