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

#include "bench_engine.h"
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

// N characters typed, a line of `line` letters ended by Enter each.
void TypeIntoTextArea(benchmark::State& state, int line) {
  const int chars = static_cast<int>(state.range(0));
  bench::BenchEngine engine(kIni, bench::AnswerDraws);
  if (!engine.ok()) state.SkipWithError("start-up failed");
  const Handle owner = bench::Owner();
  const Handle window = CreateWindow(owner, kNoHandle, 640, 440, 0);
  const Handle text = CreateText(owner, "bench", 0);
  const Handle area = CreateTextArea(text, window, 10, 10, 600, 400, 1, 0);
  SendWindowRequest(owner, window, 40, 40);
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
