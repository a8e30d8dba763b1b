#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/clock.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

// A clock that starts at a given local time and moves `step_ms` forward after
// every read of the local time.
class SteppingClock : public Clock {
 public:
  SteppingClock(int year, int month, int day, int hour, int minute, int second, int ms, int step_ms)
      : step_ms_(step_ms) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    now_ms_ = static_cast<int64_t>(timegm(&t)) * 1000 + ms;
  }
  uint64_t NowMs() override { return static_cast<uint64_t>(now_ms_); }
  // Sets the clock forward or back, as a long wait or the user would.
  void Jump(int64_t ms) { now_ms_ += ms; }
  void SleepMs(uint32_t ms) override { now_ms_ += ms; }
  LocalDateTime LocalTime() override {
    const LocalDateTime t = At(now_ms_);
    now_ms_ += step_ms_;
    ++reads;
    return t;
  }
  static LocalDateTime At(int64_t ms) {
    const std::time_t s = static_cast<std::time_t>(ms / 1000);
    std::tm t{};
    gmtime_r(&s, &t);
    return LocalDateTime{t.tm_year + 1900,           t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                         static_cast<int>(ms % 1000)};
  }
  int reads = 0;

 private:
  int64_t now_ms_ = 0;
  int step_ms_;
};

class EventTaskTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(InitEventQueue());
    Kernel.manager_state = MANAGER_RUNNING;
    task_ = CreateTask("EventTask", kTaskEvent, 0);
    InitTaskEvents(task_);
  }
  void Use(SteppingClock& clock) { SetPlatformClock(&clock); }
  static int Count() { return Attr(EventResource())->active_count; }
  static void SetLast(const LocalDateTime& t) { PackDateTime(EventTaskTiming().last, t); }
  // The timing as a clock read at `t` leaves it: no tick before the next
  // mark.
  static void ReadAt(const LocalDateTime& t) {
    SetLast(t);
    const int64_t ms = LocalTimeMs(t);
    EventTaskTiming().next_eighth_ms = ms / 125 * 125 + 125;
    EventTaskTiming().next_half_ms = ms / 500 * 500 + 500;
  }
  // Codes of the events after `mark` in the queue.
  static std::vector<uint16_t> CodesAfter(Handle mark) {
    std::vector<uint16_t> codes;
    for (Handle e = EventView(mark)->link; e != kNoHandle && codes.size() < 1000; e = EventView(e)->link) {
      codes.push_back(EventView(e)->code);
    }
    return codes;
  }
  Handle task_ = kNoHandle;
};

TEST_F(EventTaskTest, StartEventSeedsTheTimingWithoutTouchingTheQueue) {
  Kernel.manager_state = MANAGER_START_SYSTEM;
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 0, 10);
  Use(clock);
  uint8_t stamp[8] = {};
  PackDateTime(stamp, LocalDateTime{2024, 5, 6, 7, 8, 9, 123});
  SetStartupDateTime(stamp);
  PostEvent(1, kTaskEvent, kEventStart);

  EventTask(task_);  // the queue-start event
  EXPECT_EQ(EventTaskTiming().milli_sync, 0);
  EventTask(task_);  // the start event
  const EventTiming& m = EventTaskTiming();
  EXPECT_EQ(m.milli_sync, 20);
  EXPECT_EQ(m.tick_counter, 20);
  // The first marks are the first ones at or after start-up.
  EXPECT_EQ(m.next_eighth_ms, LocalTimeMs(LocalDateTime{2024, 5, 6, 7, 8, 9, 125}));
  EXPECT_EQ(m.next_half_ms, LocalTimeMs(LocalDateTime{2024, 5, 6, 7, 8, 9, 500}));
  EXPECT_EQ(std::string(m.last, m.last + 8), std::string(stamp, stamp + 8));
  EXPECT_EQ(m.total_cycles, 2u);
  // Before the manager runs: no clock read, no cleanup.
  EXPECT_EQ(clock.reads, 0);
  EXPECT_EQ(Count(), 2);
}

TEST_F(EventTaskTest, CycleWaitGatesTheClockButNotTheCleanup) {
  Kernel.cycle_wait = 3;
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 500, 0);  // never moves: no ticks
  Use(clock);
  ReadAt(clock.LocalTime());
  clock.reads = 0;
  for (int i = 0; i < 6; ++i) PostEvent(1, 999, 0x600);
  ASSERT_EQ(Count(), 7);

  EventTask(task_);  // looks at the queue-start event: nothing to free
  EXPECT_EQ(Count(), 7);
  for (int cycle = 2; cycle <= 7; ++cycle) {
    EventTask(task_);
    EXPECT_EQ(Count(), 8 - cycle) << cycle;  // one freed every cycle
    EXPECT_EQ(clock.reads, cycle / 3) << cycle;
  }
  EXPECT_EQ(EventTaskTiming().total_cycles, 7u);

  // Once the manager no longer runs, the clock is not read and the clock
  // cycles free nothing; the cycles between them still clean up.
  for (int i = 0; i < 4; ++i) PostEvent(1, 999, 0x600);
  Kernel.manager_state = MANAGER_ENDING;
  const int count = Count();
  for (int cycle = 8; cycle <= 13; ++cycle) EventTask(task_);
  // Cycles 8, 10 and 11 free one event each; 9 and 12 are clock cycles; by
  // cycle 13 the task has seen every event, so no cursor gives a position.
  EXPECT_EQ(Count(), count - 3);
  EXPECT_EQ(clock.reads, 2);
}

TEST_F(EventTaskTest, TenMillisecondClockGivesEightAndTwoTicksEverySecondFromTheFirst) {
  // Reads 10 ms apart (a fast loop on a coarse host clock) from a whole
  // second on: eight and two ticks in every second from the first, each
  // second's first ticks before its 0x115.
  constexpr int step = 10;
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 0, step);
  Use(clock);
  SetLast(LocalDateTime{2024, 5, 6, 7, 8, 9, 0});
  const Handle observer = CreateTask("Observer", 0, 0);
  InitTaskEvents(observer);
  std::map<int, std::pair<int, int>> ticks;  // by second: eighths, halves
  std::vector<uint16_t> codes;
  while (clock.reads * step < 4000) {
    EventTask(task_);
    const int second = UnpackDateTime(EventTaskTiming().current).second;
    for (int r; (r = ReciveEvent(observer)) != EVENT_NONE;) {
      if (r != EVENT_RECEIVED) continue;
      const uint16_t code = EventView(CurrentEvent(observer))->code;
      if (code == kEventEighthSecond) ++ticks[second].first;
      if (code == kEventHalfSecond) ++ticks[second].second;
      if (code >= kEventSecond && code <= kEventEighthSecond) codes.push_back(code);
    }
  }
  for (int second = 9; second <= 12; ++second) {
    EXPECT_EQ(ticks[second], std::make_pair(8, 2)) << second;
  }
  // The first read, on the start's whole second, ticks at once. From a new
  // second on: 0x117 0x116 0x115, 0x117 x3, 0x117 0x116, 0x117 x3.
  ASSERT_GE(codes.size(), 2u);
  EXPECT_EQ(codes[0], kEventEighthSecond);
  EXPECT_EQ(codes[1], kEventHalfSecond);
  const std::vector<uint16_t> one_second = {0x117, 0x116, 0x115, 0x117, 0x117, 0x117,
                                            0x117, 0x116, 0x117, 0x117, 0x117};
  const auto second = std::find(codes.begin(), codes.end(), kEventSecond);
  ASSERT_GE(second - codes.begin(), 2);
  ASSERT_GE(codes.end() - second, 9);
  EXPECT_EQ(std::vector<uint16_t>(second - 2, second + 9), one_second);
  // Distinct milliseconds of the last full second, as the system
  // information text shows them.
  EXPECT_NEAR(EventTaskTiming().milli_sync, 100, 2);
  // The queue stays short while every task keeps up.
  EXPECT_LE(Count(), 4);
}

TEST_F(EventTaskTest, AReadLongAfterAMarkTicksOnceAndAClockSetBackKeepsTicking) {
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 10, 0);
  Use(clock);
  SetLast(clock.LocalTime());
  EventTask(task_);  // places the marks

  // A 3.6 s modal wait passes 28 eighth-second and 7 half-second marks: one
  // tick of each, and the next marks lie after the current time.
  clock.Jump(3600);
  Handle mark = QueueTail();
  EventTask(task_);
  EXPECT_EQ(CodesAfter(mark), (std::vector<uint16_t>{kEventEighthSecond, kEventHalfSecond, kEventSecond}));
  clock.Jump(10);  // 12.620
  mark = QueueTail();
  EventTask(task_);
  EXPECT_TRUE(CodesAfter(mark).empty());
  clock.Jump(5);  // 12.625
  EventTask(task_);
  EXPECT_EQ(CodesAfter(mark), (std::vector<uint16_t>{kEventEighthSecond}));

  // The clock goes back an hour: the ticks go on from the next marks of the
  // new time rather than waiting an hour for the old ones. (The hour is
  // looked at only when the minute changes.)
  clock.Jump(-3600 * 1000 + 50);  // 06:08:12.675
  mark = QueueTail();
  EventTask(task_);
  EXPECT_TRUE(CodesAfter(mark).empty());
  clock.Jump(75);  // 12.750
  EventTask(task_);
  clock.Jump(250);  // 13.000
  EventTask(task_);
  EXPECT_EQ(CodesAfter(mark),
            (std::vector<uint16_t>{kEventEighthSecond, kEventEighthSecond, kEventHalfSecond, kEventSecond}));
}

TEST_F(EventTaskTest, EachLevelOnlyWhenTheLevelBelowChanged) {
  // Same second as last, other minute: the ticks only (a first read, before
  // the start event placed any marks, ticks).
  SteppingClock clock(2024, 12, 31, 23, 59, 59, 990, 10);
  Use(clock);
  SetLast(LocalDateTime{2024, 12, 31, 23, 58, 59, 980});
  Handle mark = QueueTail();
  EventTask(task_);
  EXPECT_EQ(CodesAfter(mark), (std::vector<uint16_t>{kEventEighthSecond, kEventHalfSecond}));

  // Midnight on 31 December: every level in one cycle, after the ticks.
  SetLast(LocalDateTime{2024, 12, 31, 23, 59, 59, 990});
  mark = QueueTail();
  EventTask(task_);
  EXPECT_EQ(CodesAfter(mark), (std::vector<uint16_t>{kEventEighthSecond, kEventHalfSecond, kEventSecond, kEventMinute,
                                                     kEventHour, kEventDay, kEventMonth, kEventYear}));
  EXPECT_TRUE(Logged(" 0時 0分 0秒 0000m秒 経過時間 60秒 2 ｻｲｸﾙ  ﾊﾟﾌｫｰﾏﾝｽ 0"));
  EXPECT_EQ(EventTaskTiming().total_cycles, 0u);
  const LocalDateTime last = UnpackDateTime(EventTaskTiming().last);
  EXPECT_EQ(last.year, 2025);
  EXPECT_EQ(last.month, 1);
  EXPECT_EQ(last.day, 1);
}

TEST_F(EventTaskTest, CleanupWithNoCursorWaitsForMaxEventThenKeepsTheNewest) {
  Kernel.max_event = 10;
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 0, 0);
  Use(clock);
  ReadAt(clock.LocalTime());
  Handle newest = kNoHandle;
  for (int i = 0; i < 8; ++i) newest = PostEvent(1, 999, 0x600);
  while (ReciveEvent(task_) != EVENT_NONE) {
  }
  ASSERT_EQ(TopEvent(), 0);
  EventTask(task_);
  EXPECT_EQ(Count(), 9);  // below MAX_EVENT nothing goes

  newest = PostEvent(1, 999, 0x600);
  while (ReciveEvent(task_) != EVENT_NONE) {
  }
  ASSERT_EQ(Count(), 10);
  EventTask(task_);
  EXPECT_TRUE(Logged("MAX event count over.!!!"));
  EXPECT_EQ(Count(), 1);
  EXPECT_EQ(QueueHead(), newest);
  EXPECT_EQ(QueueTail(), newest);
}

TEST_F(EventTaskTest, ATaskThatStopsReceivingHoldsTheQueue) {
  Kernel.max_event = 5;
  SteppingClock clock(2024, 5, 6, 7, 8, 9, 0, 10);
  Use(clock);
  const Handle sleeper = CreateTask("Sleeper", 0, 0);
  InitTaskEvents(sleeper);
  for (int i = 0; i < 200; ++i) EventTask(task_);
  EXPECT_GT(Count(), 5);
  EXPECT_EQ(QueueHead(), CurrentEvent(sleeper));
  EXPECT_TRUE(Logged("MAX event count over.!!!"));
  EXPECT_TRUE(Logged("Sleeperが握っています。"));

  // Once it receives again, the queue drains behind it.
  const int held = Count();
  for (int i = 0; i < 50; ++i) {
    ReciveEvent(sleeper);
    EventTask(task_);
  }
  EXPECT_LT(Count(), held);
}

}  // namespace
}  // namespace vadu
