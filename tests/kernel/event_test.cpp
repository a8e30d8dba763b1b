#include "kernel/event.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/dialog_seam.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class EventTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(InitEventQueue());
  }
  // A task as start-up makes it: cursor fresh on the oldest event.
  static Handle StartedTask(const char* name, int32_t number) {
    const Handle t = CreateTask(name, number, 0);
    InitTaskEvents(t);
    return t;
  }
  static uint16_t CodeOf(Handle event) { return EventView(event)->code; }
  static int Count() { return Attr(EventResource())->active_count; }
};

TEST_F(EventTest, QueueStartsWithTheQueueStartEvent) {
  EXPECT_TRUE(Logged("\tevent info size 20(keep 28)\tevent struct size 600"));
  const Handle start = QueueHead();
  ASSERT_NE(start, kNoHandle);
  EXPECT_EQ(QueueTail(), start);
  const EventHead* e = EventView(start);
  EXPECT_EQ(e->code, 0);
  EXPECT_EQ(e->sender, 0);
  EXPECT_EQ(e->destination, 0);
  EXPECT_EQ(e->flags, kEventMade);
  EXPECT_EQ(e->link, kNoHandle);

  const Handle next = PostEvent(1, 999, kEventSystemReady);
  EXPECT_EQ(EventView(start)->link, next);
  EXPECT_EQ(QueueTail(), next);
  EXPECT_EQ(QueueHead(), start);
}

TEST_F(EventTest, FirstReceiveHandsOverQueueStartThenOnlyAddressedEvents) {
  const Handle five = StartedTask("Five", 5);
  const Handle app = StartedTask("App", 0);
  for (Handle t : {five, app}) {
    EXPECT_EQ(ReciveEvent(t), EVENT_RECEIVED);
    EXPECT_EQ(CodeOf(CurrentEvent(t)), kEventQueueStart);
  }

  const Handle to_five = PostEvent(1, 5, kEventStart);
  // A task made now with no cursor is woken by the next post, and the first
  // event it looks at is handed over whatever its address.
  const Handle late = CreateTask("Late", 0, 0);
  const Handle also_to_five = PostEvent(1, 5, 0x777);
  const Handle to_all = PostEvent(1, 999, kEventSystemReady);

  EXPECT_EQ(ReciveEvent(five), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(five), to_five);
  EXPECT_EQ(ReciveEvent(app), EVENT_OTHER);
  EXPECT_EQ(CurrentEvent(app), to_five);

  EXPECT_EQ(ReciveEvent(late), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(late), also_to_five);
  EXPECT_EQ(ReciveEvent(late), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(late), to_all);

  EXPECT_EQ(ReciveEvent(five), EVENT_RECEIVED);
  EXPECT_EQ(ReciveEvent(app), EVENT_OTHER);
  for (Handle t : {five, app}) {
    EXPECT_EQ(ReciveEvent(t), EVENT_RECEIVED);
    EXPECT_EQ(CurrentEvent(t), to_all);
    EXPECT_EQ(ReciveEvent(t), EVENT_NONE);
    EXPECT_EQ(CurrentEvent(t), kNoHandle);
    EXPECT_EQ(ReciveEvent(t), EVENT_NONE);
  }
}

TEST_F(EventTest, EmptyCursorIsWokenByTheNextPostOnly) {
  const Handle idle = StartedTask("Idle", 0);
  const Handle busy = StartedTask("Busy", 0);
  ReciveEvent(idle);
  ASSERT_EQ(ReciveEvent(idle), EVENT_NONE);
  ReciveEvent(busy);  // still on the queue-start event

  const Handle first = PostEvent(1, 999, 0x600);
  const Handle second = PostEvent(1, 999, 0x601);
  EXPECT_EQ(CurrentEvent(idle), first);
  EXPECT_NE(TaskView(idle)->flags & kTaskFreshCursor, 0u);
  EXPECT_EQ(CurrentEvent(busy), QueueHead());  // not moved by the posts

  EXPECT_EQ(ReciveEvent(idle), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(idle), first);
  EXPECT_EQ(ReciveEvent(idle), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(idle), second);
  EXPECT_EQ(ReciveEvent(busy), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(busy), first);
}

std::vector<std::pair<int, std::string>> g_errors;

TEST_F(EventTest, TaskTracingLogsSwitchesAndReportsStrangeTasks) {
  g_errors.clear();
  DialogHandlers h;
  h.error = [](Handle, int number, const char* extra) { g_errors.emplace_back(number, extra); };
  SetDialogHandlers(h);
  const Handle task = StartedTask("Tracer", 0);
  PostEvent(12, 30, 0x505);
  SetFlag(TASK);

  EXPECT_EQ(ReciveEvent(task), EVENT_RECEIVED);
  EXPECT_EQ(Kernel.current_task, task);
  EXPECT_EQ(ReciveEvent(task), EVENT_RECEIVED);
  const auto log = Log();
  const std::vector<std::string> want = {"Change 30:Tracer", "...recive event type 0 send 0", "Change 30:Tracer",
                                         "...recive event type 505 send 12"};
  ASSERT_GE(log.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()), want);

  // Not a task: reported, and nothing moves.
  const Handle window = CreateRecord(SystemResource("Window"), -1, 84);
  EXPECT_EQ(ReciveEvent(window), EVENT_NO_TASK);
  EXPECT_EQ(CurrentEvent(window), kNoHandle);
  EXPECT_EQ(ReciveEvent(kNoHandle), EVENT_NO_TASK);
  ASSERT_EQ(g_errors.size(), 1u);
  EXPECT_EQ(g_errors[0].first, 72);
  EXPECT_EQ(g_errors[0].second, "ReciveEvent()で異常なタスクが指定された");
}

TEST_F(EventTest, EventTestLogsTheFirstEventOfATask) {
  SetFlag(EVENT_TEST);
  const Handle system = CreateTask("KeyTask", kTaskKey, 0);
  const Handle app = StartedTask("App", 0);
  PostEvent(1, kTaskKey, kEventStart);
  EXPECT_EQ(ReciveEvent(system), EVENT_RECEIVED);
  EXPECT_EQ(ReciveEvent(app), EVENT_RECEIVED);
  EXPECT_TRUE(Logged("ID 22 : KeyTask ｽﾀｰﾄ"));
  EXPECT_TRUE(Logged(" 始めに受け取ったｲﾍﾞﾝﾄがｽﾀｰﾄ･ｲﾍﾞﾝﾄです  KeyTask"));
  EXPECT_TRUE(Logged("ID 30 : App ｽﾀｰﾄ"));
  EXPECT_TRUE(Logged(" 始めに受け取ったｲﾍﾞﾝﾄがｽﾀｰﾄ･ｲﾍﾞﾝﾄではありませんでした  App"));
}

TEST_F(EventTest, ReusedRecordCarriesNoOldBytes) {
  const Handle start = QueueHead();
  const Handle old = PostEvent(1, 999, 0x600);
  ASSERT_EQ(SendStringEvent(kNoHandle, 30, "old text"), 0);
  for (Handle e : {start, old}) {
    std::memset(EventBytes(e) + kEventKeepOffset, 0xAB, kEventRecordSize - kEventKeepOffset);
    EventView(e)->zero2 = 0xABAB;
    EventView(e)->flags = 0xFF;
  }
  EXPECT_EQ(FreeHeadEvent(), 0);  // the queue-start event
  EXPECT_EQ(FreeHeadEvent(), 0);  // `old`
  EXPECT_EQ(QueueHead(), QueueTail());

  const Handle reused = PostEvent(2, 30, 0x601);
  EXPECT_TRUE(reused == start || reused == old);
  EXPECT_EQ(Count(), 2);
  const uint8_t* b = EventBytes(reused);
  EXPECT_EQ(EventView(reused)->flags, kEventMade);
  EXPECT_EQ(EventView(reused)->zero2, 0);
  for (int i = kEventKeepOffset; i < kEventRecordSize; ++i) ASSERT_EQ(b[i], 0) << i;
}

struct SendCase {
  const char* what;
  int (*send)(Handle task);
  uint16_t code;
  int32_t sender;
  int32_t destination;
  std::vector<std::pair<int, uint32_t>> u32;  // byte position, value
  std::vector<std::pair<int, uint16_t>> u16;
};

TEST_F(EventTest, SendingOperationsFillTheirBytes) {
  const Handle task = CreateTask("Sender", 0, 0);  // number 30
  const std::vector<SendCase> cases = {
      {"SendShutDown", [](Handle t) { return SendShutDown(t); }, ShutDownEvent, 30, 1, {}, {}},
      {"SendValueEvent",
       [](Handle) { return SendValueEvent(18, 22, 0x777, 0xDEADBEEF); },
       0x777,
       18,
       22,
       {{36, 0xDEADBEEF}},
       {}},
      {"ReqDrawEvent", [](Handle) { return ReqDrawEvent(30, 0x1234); }, kEventReqDraw, 2, 30, {{36, 0x1234}}, {}},
      {"RetDrawEvent", [](Handle t) { return RetDrawEvent(t, 0x4321); }, kEventRetDraw, 30, 2, {{36, 0x4321}}, {}},
      {"SendWindowRequest",
       [](Handle t) { return SendWindowRequest(t, 77, -5, 600); },
       kEventOpenWindow,
       30,
       2,
       {{36, 77}},
       {{28, 0xFFFB}, {30, 600}}},
      {"SendWindowRequest1",
       [](Handle t) { return SendWindowRequest1(t, 78); },
       kEventCloseWindow,
       30,
       2,
       {{36, 78}},
       {}},
      {"AddSystemMenuEntry",
       [](Handle t) { return AddSystemMenuEntry(t, 3, "SysInfo", "SYSTEM情報"); },
       kEventAddSystemMenu,
       30,
       7,
       {},
       {{36, 3}}},
  };
  for (const SendCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.send(task), 0);
    const Handle e = QueueTail();
    const uint8_t* b = EventBytes(e);
    EXPECT_EQ(GetU16(b), c.code);
    EXPECT_EQ(GetI32(b + 4), c.sender);
    EXPECT_EQ(GetI32(b + 8), c.destination);
    EXPECT_EQ(b[12], kEventMade);
    for (auto [at, v] : c.u32) EXPECT_EQ(GetU32(b + at), v);
    for (auto [at, v] : c.u16) EXPECT_EQ(GetU16(b + at), v);
  }
  const uint8_t* b = EventBytes(QueueTail());
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 44), "SysInfo");
  EXPECT_STREQ(reinterpret_cast<const char*>(b + 66), "SYSTEM情報");
}

TEST_F(EventTest, MenuEntryNameAndLabelAreBounded) {
  const std::string name(40, 'n');
  const std::string label(800, 'l');
  ASSERT_EQ(AddSystemMenuEntry(kNoHandle, 7, name.c_str(), label.c_str()), 0);
  const uint8_t* b = EventBytes(QueueTail());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 44)), std::string(21, 'n'));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 66)), std::string(533, 'l'));
  EXPECT_EQ(GetI32(b + 4), -1);  // no task: no number
}

TEST_F(EventTest, StringEventLogsLongTextsAndCutsAtTheRecordEnd) {
  const char* kTooLong = "SendStringEventで送信するﾃﾞｰﾀｻｲｽﾞが大きすぎます";
  const Handle task = CreateTask("Writer", 0, 0);
  const std::string t78(78, 'a');
  ASSERT_EQ(SendStringEvent(task, 18, t78.c_str()), 0);
  EXPECT_FALSE(Logged(kTooLong));
  const uint8_t* b = EventBytes(QueueTail());
  EXPECT_EQ(GetU16(b), kEventString);
  EXPECT_EQ(GetU32(b + 32), 78u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 40)), t78);

  const std::string t79(79, 'b');
  ASSERT_EQ(SendStringEvent(task, 18, t79.c_str()), 0);
  EXPECT_TRUE(Logged(kTooLong));
  EXPECT_EQ(GetU32(EventBytes(QueueTail()) + 32), 79u);

  const std::string t700(700, 'c');
  ASSERT_EQ(SendStringEvent(task, 18, t700.c_str()), 0);
  b = EventBytes(QueueTail());
  EXPECT_EQ(GetU32(b + 32), 559u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b + 40)), std::string(559, 'c'));
  EXPECT_EQ(b[599], 0);
}

int g_hook_calls = 0;

TEST_F(EventTest, RetDrawHookRunsOnlyDuringARedrawSequence) {
  g_hook_calls = 0;
  SetRetDrawHook([](Handle window) { g_hook_calls += window == 55 ? 1 : 100; });
  ASSERT_EQ(RetDrawEvent(kNoHandle, 55), 0);
  EXPECT_EQ(g_hook_calls, 0);
  SetFlag(REDRAW_MOTION);
  ASSERT_EQ(RetDrawEvent(kNoHandle, 55), 0);
  EXPECT_EQ(g_hook_calls, 1);
}

TEST_F(EventTest, SendersReportMissingEventResource) {
  test::ResetEngine();
  ASSERT_TRUE(CreatePool());
  EXPECT_FALSE(InitEventQueue());
  EXPECT_EQ(PostEvent(1, 1, 0x102), kNoHandle);
  EXPECT_EQ(SendShutDown(kNoHandle), 1);
  EXPECT_EQ(SendStringEvent(kNoHandle, 1, "x"), 1);
  EXPECT_EQ(SendValueEvent(1, 1, 1, 1), 1);
  EXPECT_EQ(ReqDrawEvent(1, 1), 1);
  EXPECT_EQ(RetDrawEvent(kNoHandle, 1), 1);
  EXPECT_EQ(SendWindowRequest(kNoHandle, 1, 0, 0), 1);
  EXPECT_EQ(SendWindowRequest1(kNoHandle, 1), 1);
  EXPECT_EQ(AddSystemMenuEntry(kNoHandle, 1, "a", "b"), 1);
  EXPECT_EQ(TopEvent(), 0);
  EXPECT_EQ(FreeHeadEvent(), 1);
}

TEST_F(EventTest, TopEventAndFreeHeadEventRespectCursors) {
  const Handle a = StartedTask("Alpha", 0);
  const Handle b = StartedTask("Beta", 0);
  PostEvent(1, 999, 0x600);
  PostEvent(1, 999, 0x601);
  EXPECT_EQ(TopEvent(), 1);  // both fresh on the queue-start event

  ReciveEvent(a);
  ReciveEvent(a);
  ReciveEvent(a);  // Alpha on position 3
  ReciveEvent(b);  // Beta still on position 1
  EXPECT_EQ(TopEvent(), 1);
  EXPECT_EQ(FreeHeadEvent(), 1);
  EXPECT_TRUE(Logged("Betaが握っています。"));
  EXPECT_EQ(Count(), 3);

  ReciveEvent(b);
  EXPECT_EQ(TopEvent(), 2);
  EXPECT_EQ(FreeHeadEvent(), 0);
  EXPECT_EQ(Count(), 2);
  EXPECT_EQ(TopEvent(), 1);
  EXPECT_EQ(CodeOf(QueueHead()), 0x600);

  // Everyone past everything: no cursor rests anywhere.
  while (ReciveEvent(a) != EVENT_NONE) {
  }
  while (ReciveEvent(b) != EVENT_NONE) {
  }
  EXPECT_EQ(TopEvent(), 0);
  EXPECT_EQ(FreeHeadEvent(), 0);
  EXPECT_EQ(FreeHeadEvent(), 0);
  EXPECT_EQ(FreeHeadEvent(), 1);  // empty
  EXPECT_EQ(QueueHead(), kNoHandle);
  EXPECT_EQ(QueueTail(), kNoHandle);

  // Posting into the emptied queue starts it again and wakes both tasks.
  const Handle e = PostEvent(1, 999, 0x602);
  EXPECT_EQ(QueueHead(), e);
  EXPECT_EQ(QueueTail(), e);
  EXPECT_EQ(ReciveEvent(a), EVENT_RECEIVED);
  EXPECT_EQ(CurrentEvent(a), e);
  EXPECT_EQ(ReciveEvent(b), EVENT_RECEIVED);
}

TEST_F(EventTest, DamagedCursorsAndLinksEndTheWalk) {
  const Handle a = StartedTask("Alpha", 0);
  const Handle b = StartedTask("Beta", 0);
  ReciveEvent(b);
  // Alpha's cursor on a record that is no event.
  TaskView(a)->cursor = b;
  TaskView(a)->flags &= ~kTaskFreshCursor;
  EXPECT_EQ(TopEvent(), 1);
  EXPECT_TRUE(Logged("ｲﾍﾞﾝﾄがみつかりません。for TopEvent (taskID: 30)"));
  EXPECT_TRUE(Logged("   ｲﾍﾞﾝﾄ･ﾁｪｰﾝが正しく連結されていません。 "));
  EXPECT_EQ(ReciveEvent(a), EVENT_NONE);
  EXPECT_EQ(CurrentEvent(a), kNoHandle);

  // A link to itself or to a task record ends the queue for the receiver.
  EventView(QueueTail())->link = QueueTail();
  EXPECT_EQ(ReciveEvent(b), EVENT_NONE);
  const Handle e = PostEvent(1, 999, 0x600);
  ReciveEvent(b);
  ASSERT_EQ(CurrentEvent(b), e);
  EventView(e)->link = a;
  EXPECT_EQ(ReciveEvent(b), EVENT_NONE);
}

TEST_F(EventTest, BrokenLinkMidQueueStillDrains) {
  const Handle task = CreateTask("Other", 0, 0);
  const Handle x = PostEvent(1, 999, 0x600);
  PostEvent(1, 999, 0x601);
  PostEvent(1, 999, 0x602);
  while (ReciveEvent(task) != EVENT_NONE) {
  }
  EventView(x)->link = task;
  int freed = 0;
  while (FreeHeadEvent() == 0 && freed < 100) ++freed;
  EXPECT_EQ(freed, 4);
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(QueueHead(), kNoHandle);
  EXPECT_EQ(QueueTail(), kNoHandle);
}

}  // namespace
}  // namespace vadu
