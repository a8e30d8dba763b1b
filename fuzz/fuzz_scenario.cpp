// Fuzzes the scenario interpreter of the application: what a scenario author
// writes (tags, library words, Select and input stops, Compute with its GSP
// requests) run over a game state made in memory, with no window. The input's
// form and the checks are those of scenario_input.h; any failed check aborts.
//
// The game's files live in a fresh temporary directory (in memory where the
// machine has /dev/shm), current only while an input runs: the fuzzer reads
// its corpus by relative paths. Opens outside it, and any open for writing,
// are refused and reported by the checks.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_workdir.h"
#include "scenario_input.h"

namespace {

void Prepare() {
  // "Compute error!" lines go to standard output; keep the run's output to
  // the fuzzer's own lines.
  vadu::fuzz::QuietStdout();
  vadu::fuzz::WorkDir::Make("scenario");
  vadu::fuzz::WorkDir::Enter();
  if (!vadu::fuzz::PrepareScenario()) std::abort();
  vadu::fuzz::WorkDir::Leave();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();
  vadu::fuzz::WorkDir::Enter();
  const char* failed = vadu::fuzz::RunScenarioInput(data, size);
  if (failed != nullptr) {
    std::fprintf(stderr, "fuzz_scenario: %s\n", failed);
    std::abort();
  }
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
