// Tasks: creation, lookup and the task list.
#include "kernel/task.h"

#include <cstring>

#include "core/dialog_seam.h"
#include "core/state.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "platform/bytes.h"

namespace vadu {
namespace {

// The resource file and DataName every task's event resources are asked for.
constexpr char kTaskEventFile[] = "SYSTEM";
constexpr char kTaskEventDataName[] = "EVENT";

Handle g_task_resource = kNoHandle;

}  // namespace

Handle TaskResource() {
  // Looked up once: resources live until the program ends. ResetEventQueue
  // forgets it (a new pool has new resources).
  if (g_task_resource == kNoHandle) g_task_resource = SystemResource("Task");
  return g_task_resource;
}

void ForgetTaskResource() {
  g_task_resource = kNoHandle;
}

bool IsTaskRecord(Handle task) {
  // One entry look-up: an entry without a block is never in use.
  const HandleEntry& e = Entry(task);
  return e.in_use && e.owner != kNoHandle && e.owner == TaskResource() && (e.flags & kRecordInactive) == 0 &&
         e.size >= kTaskRecordSize;
}

Handle FindTaskByNumber(int32_t number) {
  const Handle tasks = TaskResource();
  // The walk is bounded by the record count, so a damaged chain cannot loop.
  int steps = RecordCount(tasks);
  for (Handle t = FirstRecord(tasks); t != kNoHandle && steps-- > 0; t = NextRecord(t)) {
    const TaskRecord* v = TaskView(t);
    if (v != nullptr && v->number == number) return t;
  }
  return kNoHandle;
}

namespace {

Handle FindTaskRecordByName(const char* name) {
  if (name == nullptr) return kNoHandle;
  const Handle tasks = TaskResource();
  int steps = RecordCount(tasks);
  for (Handle t = FirstRecord(tasks); t != kNoHandle && steps-- > 0; t = NextRecord(t)) {
    const TaskRecord* v = TaskView(t);
    if (v != nullptr && std::strcmp(TaskNameText(v).text, name) == 0) return t;
  }
  return kNoHandle;
}

}  // namespace

int32_t FindTaskByName(const char* name) {
  const Handle t = FindTaskRecordByName(name);
  return t == kNoHandle ? -1 : TaskView(t)->number;
}

int32_t TaskNumber(Handle task) {
  return IsTaskRecord(task) ? TaskView(task)->number : -1;
}

int TaskInList(Handle task) {
  if (task == kNoHandle) return 1;
  const Handle tasks = TaskResource();
  int steps = RecordCount(tasks);
  for (Handle t = FirstRecord(tasks); t != kNoHandle && steps-- > 0; t = NextRecord(t)) {
    if (t == task) return 0;
  }
  return 1;
}

Handle CreateTask(const char* name, int32_t number, uint8_t kind) {
  if (name == nullptr) name = "";
  // The duplicate check compares the name as it will be stored.
  char stored[sizeof(TaskRecord::name)];
  PutFixedText(stored, sizeof stored, name);
  if (FindTaskRecordByName(stored) != kNoHandle) MessageDialog(76, stored);

  const uint16_t group = CurrentGroupNumber();
  const Handle task = CreateRecord(TaskResource(), -1, kTaskRecordSize);
  if (task == kNoHandle || Entry(task).size < kTaskRecordSize) return kNoHandle;

  // A reused record keeps its old bytes: every field is set here.
  TaskRecord* t = TaskView(task);
  std::memset(t, 0, sizeof *t);
  t->flags = kTaskStartPending;
  t->group = group;
  if (number == 0) {
    number = Kernel.next_task_number;
    Kernel.next_task_number = number + 1;
  }
  t->number = number;
  t->kind = kind;
  std::memcpy(t->name, stored, sizeof t->name);
  return task;
}

uint32_t InitTaskEvents(Handle task) {
  if (!IsTaskRecord(task)) return 0;
  TaskView(task)->flags |= kTaskFreshCursor;
  // Opening may allocate: the task's record is looked up again after it.
  const Handle first = OpenResource(task, kTaskEventFile, kTaskEventDataName);
  TaskView(task)->event_resource = first;
  TaskView(task)->cursor = FirstRecord(EventResource());
  const Handle second = OpenResource(task, kTaskEventFile, kTaskEventDataName);
  TaskView(task)->event_resource2 = second;
  TaskView(task)->cursor2 = FirstRecord(EventResource());
  return TaskView(task)->flags;
}

}  // namespace vadu
