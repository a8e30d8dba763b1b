// A headless boot: HostStartup (the whole initialisation, the application
// task, the start banner) and the cycles until the manager has started
// every task and logged "System start", in a fresh game directory, on the
// real clock. Target: under 100 ms.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "engine/assembly.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/key_task.h"
#include "kernel/startup.h"
#include "platform/framebuffer.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr char kIni[] =
    "TRACE ON\n"
    "LOOP_EXIT ON\n"
    "USER_NAME bench\n"
    "MEMORY_TYPE INTEL\n"
    "CYCLE_WAIT 1\n"
    "FASTSYNC_WAIT 1\n"
    "USE_COLOR 3\n"
    "DEFAULT_FONT 2\n"
    "FONT_SIZEX 16\n"
    "FONT_SIZEY 16\n"
    "BACKSCREEN_COLOR 5\n";

void Write(const std::string& name, const std::string& text) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f << text;
}

// Standard output (the start-up banner) goes to /dev/null while it lives.
class QuietStdout {
 public:
  QuietStdout() {
    std::fflush(stdout);
    saved_ = ::dup(1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);
  }
  ~QuietStdout() {
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
  }

 private:
  int saved_ = -1;
};

void BM_BootToSystemStart(benchmark::State& state) {
  char tmpl[] = "/tmp/vadu-bench-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl);
  const auto old_cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  Write("VADU.ini", kIni);
  std::string msg;
  for (int i = 1; i <= 120; ++i) msg += "message " + std::to_string(i) + "\n";
  Write("SYSTEM.msg", msg);

  AssembleEngine();
  int cycles = 0;
  {
    QuietStdout quiet;
    for (auto _ : state) {
      state.PauseTiming();
      ResetEngineState();
      Screen().Resize(800, 600);
      state.ResumeTiming();
      if (!HostStartup()) {
        state.SkipWithError("start-up failed");
        break;
      }
      cycles = 0;
      while (Kernel.manager_state != MANAGER_RUNNING && cycles < 1000) {
        RunScheduler();
        ++cycles;
      }
    }
  }
  state.counters["cycles"] = cycles;
  ResetEngineState();
  std::filesystem::current_path(old_cwd);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_BootToSystemStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vadu
