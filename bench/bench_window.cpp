// A redraw motion over ten overlapping windows: every open window marked,
// then drawn bottom to top, each with its decorations and background by the
// window manager and its content by an owner task that answers each draw
// request; the cycles run until the motion has ended. On a still clock in a
// fresh game directory (TRACE off: no log file in the loop).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
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
#include "platform/reset.h"
#include "window/draw.h"
#include "window/manager.h"
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

int g_draws = 0;

void OwnerStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr || GetU16(e) != kEventReqDraw) return;
  const Handle w = GetU32(e + WindowEventAt::kWindow);
  ++g_draws;
  WinFill(w, MakeColour(static_cast<uint8_t>(w * 37), 90, 160));
  RetDrawEvent(task, w);
}

void BM_RedrawMotionOverTenWindows(benchmark::State& state) {
  bench::BenchEngine engine(kIni, OwnerStep);
  if (!engine.ok()) state.SkipWithError("start-up failed");
  const Handle owner = bench::Owner();
  const uint32_t mode = WINDOWcontrolbar | WINDOWtitle | WINDOWclosebox | WINDOWframe;
  for (int i = 0; i < 10; ++i) {
    const Handle w = CreateWindow(owner, kNoHandle, 300, 200, mode);
    SendWindowRequest(owner, w, static_cast<int16_t>(20 + 40 * i), static_cast<int16_t>(40 + 30 * i));
    for (int n = 0; n < 40; ++n) RunScheduler();
  }
  int cycles = 0;
  for (auto _ : state) {
    redraw_all();
    g_draws = 0;
    cycles = 0;
    while (HasFlag(REDRAW_MOTION) && cycles < 10000) {
      RunScheduler();
      ++cycles;
    }
  }
  state.counters["cycles"] = cycles;
  state.counters["windows"] = g_draws;
}
BENCHMARK(BM_RedrawMotionOverTenWindows)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vadu
