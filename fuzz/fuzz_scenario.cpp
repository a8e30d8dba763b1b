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

#include "scenario_input.h"

namespace {

int g_home = -1;
int g_work = -1;
char g_dir[] = "/dev/shm/vadu-fuzz-scenario-XXXXXX";
char g_tmp_dir[] = "/tmp/vadu-fuzz-scenario-XXXXXX";
const char* g_made = nullptr;

// The directory holds only the files the run wrote (no subdirectory).
void RemoveWorkDir() {
  if (g_made == nullptr) return;
  if (DIR* d = ::opendir(g_made)) {
    while (const dirent* e = ::readdir(d)) {
      if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ::unlinkat(g_work, e->d_name, 0);
    }
    ::closedir(d);
  }
  ::rmdir(g_made);
}

void Prepare() {
  // "Compute error!" lines go to standard output; keep the run's output to
  // the fuzzer's own lines.
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
  g_home = ::open(".", O_RDONLY | O_DIRECTORY);
  g_made = ::mkdtemp(g_dir);
  if (g_made == nullptr) g_made = ::mkdtemp(g_tmp_dir);
  if (g_home < 0 || g_made == nullptr) std::abort();
  g_work = ::open(g_made, O_RDONLY | O_DIRECTORY);
  if (g_work < 0) std::abort();
  std::atexit(RemoveWorkDir);
  if (::fchdir(g_work) != 0 || !vadu::fuzz::PrepareScenario() || ::fchdir(g_home) != 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_work < 0) Prepare();
  if (::fchdir(g_work) != 0) std::abort();
  const char* failed = vadu::fuzz::RunScenarioInput(data, size);
  if (failed != nullptr) {
    std::fprintf(stderr, "fuzz_scenario: %s\n", failed);
    std::abort();
  }
  if (::fchdir(g_home) != 0) std::abort();
  return 0;
}
