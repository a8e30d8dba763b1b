// The event round trip of a running system: one event posted, every task's
// receive, EventTask's step with its queue cleanup.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/clock.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// A clock that never moves: EventTask reads it every cycle but sends no ticks.
class StillClock : public Clock {
 public:
  uint64_t NowMs() override { return 0; }
  void SleepMs(uint32_t) override {}
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 0}; }
};

struct Engine {
  StillClock clock;
  Handle event_task = kNoHandle;
  std::vector<Handle> others;

  bool Start() {
    ResetEngineState();
    if (!CreatePool() || !CreateSystemResources() || !InitEventQueue()) return false;
    SetPlatformClock(&clock);
    PackDateTime(EventTaskTiming().last, clock.LocalTime());
    Kernel.manager_state = MANAGER_RUNNING;
    // The ten system tasks and the application, in start-up order.
    const struct {
      const char* name;
      int32_t number;
    } tasks[] = {{"StillPixie", 0}, {"VaduManager", 1}, {"EventTask", 9},   {"KeyTask", 22},
                 {"WindowTask", 2}, {"MenuTask", 7},    {"TextTask", 18},   {"ExecManager", 16},
                 {"AnimeTask", 11}, {"EffectTask", 12}, {"StartScreen", 19}};
    for (const auto& t : tasks) {
      const Handle h = CreateTask(t.name, t.number, 0);
      if (h == kNoHandle) return false;
      InitTaskEvents(h);
      if (t.number == kTaskEvent) {
        event_task = h;
      } else {
        others.push_back(h);
      }
    }
    return true;
  }
  ~Engine() { ResetEngineState(); }
};

void BM_EventRoundTrip(benchmark::State& state) {
  Engine engine;
  if (!engine.Start()) {
    state.SkipWithError("engine start failed");
    return;
  }
  int32_t destination = 0;
  int64_t handed = 0;
  for (auto _ : state) {
    // Alternate between a broadcast and an event for one task.
    PostEvent(kTaskVaduManager, (++destination & 1) != 0 ? kEveryTask : kTaskText, 0x600);
    for (Handle t : engine.others) handed += ReciveEvent(t) == EVENT_RECEIVED;
    EventTask(engine.event_task);
  }
  benchmark::DoNotOptimize(handed);
  state.SetItemsProcessed(state.iterations());
  state.counters["queue"] = Attr(EventResource())->active_count;
}
BENCHMARK(BM_EventRoundTrip);

}  // namespace
}  // namespace vadu
