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

// Answers draw requests; everything else it lets pass.
void OwnerStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e != nullptr && GetU16(e) == kEventReqDraw) RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
}

// A booted engine with a play window, its message area and a running text
// effect, in a temporary directory; standard output (the start banner)
// goes to /dev/null meanwhile.
class MessageEngine {
 public:
  MessageEngine() {
    char tmpl[] = "/tmp/vadu-bench-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    old_cwd_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    std::ofstream(std::string("VADU.ini"), std::ios::binary) << kIni;
    saved_stdout_ = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);

    AssembleEngine();
    ResetEngineState();
    SetPlatformClock(&clock_);
    RegisterApplication({.create = CreateOwner, .step = OwnerStep});
    Screen().Resize(800, 600);
    ok_ = HostStartup();
    for (int n = 0; n < 100 && Kernel.manager_state != MANAGER_RUNNING; ++n) RunScheduler();
    play_ = CreateWindow(g_owner, kNoHandle, 700, 300, 0);
    const Handle gc = CreateGC(g_owner, MakeColour(255, 255, 255), 0, 0, 0);
    object_ = CreateMessage(play_, 110, 20, 20, 660, 200, gc);
    SendWindowRequest(g_owner, play_, 50, 50);
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
    SendEffectRequest(TaskNumber(g_owner), q);
    Run(20);
    record_ = FindEffect(object_, EFFECTtext);
    ok_ = ok_ && record_ != kNoHandle;
  }
  ~MessageEngine() {
    std::fflush(stdout);
    ::dup2(saved_stdout_, 1);
    ::close(saved_stdout_);
    ResetEngineState();
    std::filesystem::current_path(old_cwd_);
    std::filesystem::remove_all(dir_);
  }
  static void Run(int cycles) {
    for (int n = 0; n < cycles; ++n) RunScheduler();
  }
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
  std::string dir_;
  std::filesystem::path old_cwd_;
  int saved_stdout_ = -1;
  StillClock clock_;
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
