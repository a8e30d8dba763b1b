// The text buffer: finding every line of a long text in turn, and reading a
// 1 MB text file.
//
// BM_TextPointForward/N: TextPoint(0) .. TextPoint(N - 1) on a text of N
// lines (about 10 characters each), one pass per iteration. The cached
// block makes each step cost only the distance moved, so the time per line
// (items/s inverted) must stay the same from 10,000 to 100,000 lines.
// BM_ReadTextFile: ReadTextFile of a 1 MB file of 100-character lines into
// a fresh text.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/pool.h"
#include "kernel/task.h"
#include "platform/reset.h"
#include "text/text.h"

namespace {

using namespace vadu;

constexpr char kFile[] = "bench.txt";

void EnterWorkDir() {
  static bool entered = false;
  if (entered) return;
  char dir[] = "/tmp/vadu-bench-text-XXXXXX";
  if (::mkdtemp(dir) == nullptr || ::chdir(dir) != 0) std::abort();
  entered = true;
}

void FreshEngine() {
  EnterWorkDir();
  ResetEngineState();
  if (!CreatePool() || !CreateSystemResources()) std::abort();
}

std::string NumberedLines(int lines) {
  std::string s;
  char line[32];
  for (int n = 0; n < lines; ++n) {
    std::snprintf(line, sizeof line, "line %05d\n", n % 100000);
    s += line;
  }
  return s;
}

void BM_TextPointForward(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  FreshEngine();
  const Handle text = CreateText(kNoHandle, "lines.txt", 0);
  const std::string content = NumberedLines(lines);
  if (SetTextContent(text, content.data(), static_cast<int32_t>(content.size())) != 0) std::abort();
  for (auto _ : state) {
    for (int y = 0; y < lines; ++y) benchmark::DoNotOptimize(TextPoint(text, y));
  }
  state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_TextPointForward)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMicrosecond);

void BM_ReadTextFile(benchmark::State& state) {
  FreshEngine();
  std::string file;
  while (file.size() < 1'000'000) file += std::string(99, 'x') + "\n";
  FILE* f = std::fopen(kFile, "wb");
  if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size()) std::abort();
  std::fclose(f);
  for (auto _ : state) {
    state.PauseTiming();
    FreshEngine();
    const Handle text = CreateText(kNoHandle, kFile, 0);
    state.ResumeTiming();
    if (ReadTextFile(text) != 0 || TextView(text)->max_line != 10'000) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_ReadTextFile)->Unit(benchmark::kMillisecond);

}  // namespace
