// The message effect: a full message page (a 660 x 200 area, 18-pixel
// characters, a text of 300 two-byte characters, of which a page holds 224)
// completed at once by RedrawEffect mode 0 (a press), and one typewriter
// step (one character). On a still clock in a fresh game directory (TRACE
// off: no log file in the loop); the glyph cache is warm.
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
#include "kernel/gc.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/framebuffer.h"
#include "platform/reset.h"
#include "present/effect.h"
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
    "DEFAULT_FONT 2\n"
    "FONT_SIZEX 18\n"
    "FONT_SIZEY 18\n";

// A booted engine with a play window, its message area and a running text
// effect.
class MessageEngine {
 public:
  MessageEngine() : engine_(kIni, bench::AnswerDraws) {
    const Handle owner = bench::Owner();
    play_ = CreateWindow(owner, kNoHandle, 700, 300, 0);
    const Handle gc = CreateGC(owner, MakeColour(255, 255, 255), 0, 0, 0);
    object_ = CreateMessage(play_, 110, 20, 20, 660, 200, gc);
    SendWindowRequest(owner, play_, 50, 50);
    Run(100);
    static const char* const kChars[] = {"漢", "字", "か", "な", "文", "章", "カ", "ナ"};
    std::string text;
    for (int i = 0; i < 300; ++i) text += kChars[i % 8];
    SetMessageObject(play_, 110, text.c_str());
    EffectRequest q;
    q.type = EFFECTtext;
    q.colour = MakeColour(255, 255, 255);
    q.window = play_;
    q.object = object_;
    SendEffectRequest(TaskNumber(owner), q);
    Run(20);
    record_ = FindEffect(object_, EFFECTtext);
    ok_ = engine_.ok() && record_ != kNoHandle;
  }
  static void Run(int cycles) { bench::BenchEngine::Run(cycles); }
  // Back to the first page, nothing typed yet.
  void Rewind() {
    if (EffectRecord* r = EffectView(record_)) {
      r->position = 0;
      r->page_base = 0;
      r->flags = kEffectWindowCleared;
    }
  }
  bool ok() const { return ok_; }
  Handle object() const { return object_; }
  Handle record() const { return record_; }

 private:
  bench::BenchEngine engine_;
  bool ok_ = false;
  Handle play_ = kNoHandle, object_ = kNoHandle, record_ = kNoHandle;
};

void BM_RedrawEffectFullPage(benchmark::State& state) {
  MessageEngine engine;
  if (!engine.ok()) state.SkipWithError("start-up failed");
  engine.Rewind();
  RedrawEffect(engine.object(), kRedrawComplete);  // the glyph cache warms
  int32_t drawn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    engine.Rewind();
    state.ResumeTiming();
    RedrawEffect(engine.object(), kRedrawComplete);
    drawn = EffectView(engine.record())->position / 2;
  }
  state.counters["characters"] = drawn;
}
BENCHMARK(BM_RedrawEffectFullPage)->Unit(benchmark::kMicrosecond);

void BM_TypewriterStep(benchmark::State& state) {
  MessageEngine engine;
  if (!engine.ok()) state.SkipWithError("start-up failed");
  engine.Rewind();
  RedrawEffect(engine.object(), kRedrawComplete);
  engine.Rewind();
  for (auto _ : state) {
    // A full page halts the record: start it again (not timed).
    if ((EffectView(engine.record())->flags & kEffectHalted) != 0) {
      state.PauseTiming();
      engine.Rewind();
      state.ResumeTiming();
    }
    TextStep(engine.record());
  }
}
BENCHMARK(BM_TypewriterStep)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vadu
