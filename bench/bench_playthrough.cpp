// The demo played headless from its start to the good ending with the
// virtual clock, as a whole process (the vadu command with an input
// script), on copies of the demo whose play list is 1, 10 and 100 times as
// long, and up to 200 (scripts/scale_demo.sh). Target: under 10 s of wall time for the
// demo; the time must grow linearly with the play list.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs a command with its output sent to /dev/null; its exit status, or -1.
// `cpu_ms`, when given, receives the CPU time the command used (user and
// system), steadier than the wall time on a shared machine.
int Run(const std::vector<std::string>& args, double* cpu_ms = nullptr) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  struct rusage usage {};
  if (wait4(pid, &status, 0, &usage) != pid) return -1;
  if (cpu_ms != nullptr) {
    *cpu_ms =
        (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ScaledDemo(int times) {
  const std::string dir = "/tmp/vadu_bench_demo_x" + std::to_string(times) + "_" + std::to_string(getpid());
  if (Run({"/bin/sh", VADU_SOURCE_DIR "/scripts/scale_demo.sh", VADU_DEMO_DIR, dir, std::to_string(times)}) != 0)
    return "";
  return dir;
}

void BM_DemoPlaythrough(benchmark::State& state) {
  const int times = static_cast<int>(state.range(0));
  const std::string dir = ScaledDemo(times);
  if (dir.empty()) {
    state.SkipWithError("cannot make the scaled demo");
    return;
  }
  double cpu_total = 0;
  int runs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    // Each run starts from the data files, without earlier saves.
    Run({"/bin/sh", "-c", "rm -f '" + dir + "'/PlayList.res '" + dir + "'/tlibsave.res '" + dir + "'/pixie_char*.res"});
    state.ResumeTiming();
    double cpu_ms = 0;
    const int status = Run({VADU_EXE, "--headless", "--virtual-clock", "--timeout", "120", "--input",
                            VADU_SOURCE_DIR "/tests/e2e/demo/good.script", dir},
                           &cpu_ms);
    cpu_total += cpu_ms;
    ++runs;
    if (status != 0) {
      state.SkipWithError(("vadu ended with " + std::to_string(status)).c_str());
      break;
    }
  }
  if (runs > 0) state.counters["vadu_cpu_ms"] = cpu_total / runs;
  Run({"/bin/rm", "-rf", dir});
}
BENCHMARK(BM_DemoPlaythrough)
    ->Arg(1)
    ->Arg(10)
    ->Arg(50)
    ->Arg(100)
    ->Arg(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
