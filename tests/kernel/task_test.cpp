#include "kernel/task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/dialog_seam.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

// Message dialog requests seen by the test's handler.
std::vector<std::pair<int, std::string>> g_messages;

class TaskTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_messages.clear();
    DialogHandlers h;
    h.message = [](int number, const char* extra) {
      g_messages.emplace_back(number, extra == nullptr ? "" : extra);
      return 0;
    };
    SetDialogHandlers(h);
  }
};

TEST_F(TaskTest, CreateTaskFillsTheRecordAndNumbersAutomatically) {
  const Handle fixed = CreateTask("EventTask", kTaskEvent, 0);
  const Handle a = CreateTask("First", 0, 3);
  const Handle b = CreateTask("Second", 0, 0);
  ASSERT_NE(fixed, kNoHandle);
  ASSERT_NE(a, kNoHandle);
  ASSERT_NE(b, kNoHandle);

  EXPECT_EQ(TaskNumber(fixed), kTaskEvent);
  EXPECT_EQ(TaskNumber(a), 30);
  EXPECT_EQ(TaskNumber(b), 31);
  EXPECT_EQ(Kernel.next_task_number, 32);

  const TaskRecord* t = TaskView(a);
  EXPECT_STREQ(t->name, "First");
  EXPECT_EQ(t->flags, kTaskStartPending);
  EXPECT_EQ(t->group, 0);
  EXPECT_EQ(t->kind, 3);
  EXPECT_EQ(t->cursor, kNoHandle);
  EXPECT_EQ(t->event_resource, kNoHandle);
  EXPECT_EQ(t->current_resource, kNoHandle);
  EXPECT_EQ(t->end_mark, 0);

  // Walks over the tasks visit them in creation order.
  EXPECT_EQ(FirstRecord(TaskResource()), fixed);
  EXPECT_EQ(NextRecord(fixed), a);
  EXPECT_EQ(NextRecord(a), b);
  EXPECT_TRUE(g_messages.empty());
}

TEST_F(TaskTest, LongNameIsCutAndDuplicateNameIsReportedButMade) {
  const std::string long_name(40, 'x');
  const Handle a = CreateTask(long_name.c_str(), 0, 0);
  ASSERT_NE(a, kNoHandle);
  EXPECT_EQ(std::string(TaskView(a)->name), std::string(27, 'x'));

  const Handle b = CreateTask(long_name.c_str(), 0, 0);
  ASSERT_NE(b, kNoHandle);
  ASSERT_EQ(g_messages.size(), 1u);
  EXPECT_EQ(g_messages[0].first, 76);
  EXPECT_EQ(g_messages[0].second, std::string(27, 'x'));
  EXPECT_NE(a, b);
}

TEST_F(TaskTest, LookupsByNameNumberAndHandle) {
  const Handle key = CreateTask("KeyTask", kTaskKey, 0);
  const Handle app = CreateTask("StillPixie", 0, 0);
  const Handle app2 = CreateTask("StillPixie", 0, 0);
  ASSERT_NE(app2, kNoHandle);

  EXPECT_EQ(FindTaskByName("KeyTask"), kTaskKey);
  EXPECT_EQ(FindTaskByName("StillPixie"), 30);  // the first of two
  EXPECT_EQ(FindTaskByName("Still"), -1);       // exact names only
  EXPECT_EQ(FindTaskByName(nullptr), -1);
  EXPECT_EQ(FindTaskByNumber(31), app2);
  EXPECT_EQ(FindTaskByNumber(5), kNoHandle);

  EXPECT_EQ(TaskInList(key), 0);
  EXPECT_EQ(TaskInList(app), 0);
  // A record of another resource is not a task.
  const Handle other = CreateRecord(SystemResource("Window"), -1, 84);
  EXPECT_EQ(TaskInList(other), 1);
  EXPECT_EQ(TaskInList(kNoHandle), 1);
  EXPECT_EQ(TaskNumber(other), -1);
  EXPECT_EQ(TaskNumber(kNoHandle), -1);
}

TEST_F(TaskTest, InitTaskEventsPlacesFreshCursorAndTriesSystemTwice) {
  std::string msg;
  for (int i = 1; i <= 80; ++i) msg += "message " + std::to_string(i) + "\n";
  test::WriteFile("SYSTEM.msg", msg);
  ASSERT_TRUE(InitEventQueue());
  const Handle task = CreateTask("TextTask", kTaskText, 0);

  const uint32_t flags = InitTaskEvents(task);
  EXPECT_EQ(flags, kTaskStartPending | kTaskFreshCursor);
  const TaskRecord* t = TaskView(task);
  EXPECT_EQ(t->cursor, QueueHead());
  EXPECT_EQ(t->event_resource, kNoHandle);  // no file "SYSTEM"
  EXPECT_EQ(t->event_resource2, kNoHandle);

  int opened = 0;
  const auto lines = Log();
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i] == "message 6" && lines[i + 1] == "SYSTEM") ++opened;
  }
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(InitTaskEvents(kNoHandle), 0u);
}

}  // namespace
}  // namespace vadu
