// Typing into a text area through EditTask: N characters, lines of 60
// letters ended by Enter, into a 600 x 400 area (25 rows of 74 columns, so
// the view scrolls a line at every Enter once it is full), each drawn with
// its cursor; and N characters on one line. The text is emptied between runs. The time per character
// must stay flat as N grows. On a still clock in a fresh game directory
// (TRACE off: no log file in the loop); the editor's console line goes to
// /dev/null.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/state.h"
#include "engine/assembly.h"
#include "kernel/event.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "text/text.h"
#include "textedit/text_task.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr char kIni[] =
    "LOOP_EXIT ON\n"
    "MEMORY_TYPE INTEL\n"
    "CYCLE_WAIT 1\n"
    "FASTSYNC_WAIT 1\n"
    "USE_COLOR 3\n"
    "FONT_SIZEX 16\n"
    "FONT_SIZEY 16\n";

class StillClock : public Clock {
 public:
  uint64_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override { now_ += ms; }
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 0}; }

 private:
  uint64_t now_ = 0;
};

Handle g_owner = kNoHandle;

Handle CreateOwner() {
  g_owner = CreateTask("BenchOwner", 0, 0);
  InitTaskEvents(g_owner);
  return g_owner;
}

// Answers draw requests; the objects draw themselves.
void OwnerStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e != nullptr && GetU16(e) == kEventReqDraw) RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
}

// N characters typed, a line of `line` letters ended by Enter each.
void TypeIntoTextArea(benchmark::State& state, int line) {
  const int chars = static_cast<int>(state.range(0));
  char tmpl[] = "/tmp/vadu-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  const auto old_cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  std::ofstream(std::string("VADU.ini"), std::ios::binary) << kIni;

  std::fflush(stdout);
  const int saved = ::dup(1);
  const int null = ::open("/dev/null", O_WRONLY);
  ::dup2(null, 1);
  ::close(null);

  AssembleEngine();
  ResetEngineState();
  StillClock clock;
  SetPlatformClock(&clock);
  RegisterApplication({.create = CreateOwner, .step = OwnerStep});
  Screen().Resize(800, 600);
  if (!HostStartup()) state.SkipWithError("start-up failed");
  for (int n = 0; n < 100 && Kernel.manager_state != MANAGER_RUNNING; ++n) RunScheduler();
  const Handle window = CreateWindow(g_owner, kNoHandle, 640, 440, 0);
  const Handle text = CreateText(g_owner, "bench", 0);
  const Handle area = CreateTextArea(text, window, 10, 10, 600, 400, 1, 0);
  SendWindowRequest(g_owner, window, 40, 40);
  for (int n = 0; n < 60; ++n) RunScheduler();
  if (ChangeText(window, 1) != area) state.SkipWithError("the text area takes no focus");

  for (auto _ : state) {
    state.PauseTiming();
    SetTextContent(text, "", 0);
    TextView(text)->cursor_x = 0;
    TextView(text)->cursor_y = 0;
    TextAreaView(area)->top_line = 0;
    DrawObjectByKind(area);
    state.ResumeTiming();
    for (int i = 0; i < chars; ++i) {
      const int column = i % (line + 1);
      EditTask(column == line ? static_cast<uint8_t>(KEY_RETURN) : static_cast<uint8_t>('a' + column % 26), 0, 0);
    }
  }
  state.SetItemsProcessed(state.iterations() * chars);
  state.counters["per_char"] = benchmark::Counter(
      static_cast<double>(chars), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["lines"] = TextView(text)->max_line + 1;

  std::fflush(stdout);
  ::dup2(saved, 1);
  ::close(saved);
  ResetEngineState();
  std::filesystem::current_path(old_cwd);
  std::filesystem::remove_all(dir);
}
void BM_TypeIntoTextArea(benchmark::State& state) {
  TypeIntoTextArea(state, 60);
}
BENCHMARK(BM_TypeIntoTextArea)->Arg(1000)->Arg(5000)->Arg(10000)->Unit(benchmark::kMillisecond);

// One line without an end: past the first two blocks of the line (2,046
// characters) each character is stored by rewriting the text, so the cost
// per character grows with the line.
void BM_TypeOneLongLine(benchmark::State& state) {
  TypeIntoTextArea(state, 1 << 30);
}
BENCHMARK(BM_TypeOneLongLine)->Arg(2000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadu
