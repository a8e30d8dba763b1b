// Resource files: saving and loading an itemised resource of 10,000 records
// (items a ITEMlong, s ITEMstring 16, b ITEMlong: 24-byte records).
// Target: SaveResource and OpenResource together under 50 ms.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/pool.h"
#include "core/state.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

constexpr int kRecords = 10'000;
constexpr char kFile[] = "bench.res";

// Runs in a private temporary directory (the file is written there).
void EnterWorkDir() {
  static bool entered = false;
  if (entered) return;
  char dir[] = "/tmp/vadu-bench-resfile-XXXXXX";
  if (::mkdtemp(dir) == nullptr || ::chdir(dir) != 0) std::abort();
  entered = true;
}

// A fresh engine holding the 10,000-record resource. Records are made
// anonymous and numbered afterwards: CreateRecord with a number searches the
// chain, which would make the set-up itself quadratic.
Handle FreshEngineWithTable() {
  EnterWorkDir();
  ResetEngineState();
  if (!CreatePool() || !CreateSystemResources()) std::abort();
  const Handle r = CreateResource(kNoHandle, kFile, "Bench");
  CreateItem(r, "a", ITEMlong, 0);
  CreateItem(r, "s", ITEMstring, 16);
  CreateItem(r, "b", ITEMlong, 0);
  char text[16];
  for (int n = 1; n <= kRecords; ++n) {
    const Handle rec = CreateRecord(r, -1, 0);
    if (rec == kNoHandle) std::abort();
    MutableEntry(rec)->number = n;
    SetNum(rec, "a", n);
    std::snprintf(text, sizeof text, "record %d", n);
    SetStr(rec, "s", text);
    SetNum(rec, "b", -n);
  }
  return r;
}

void BM_SaveResource(benchmark::State& state) {
  const Handle r = FreshEngineWithTable();
  for (auto _ : state) {
    if (SaveResource(kNoHandle, r) != 0) state.SkipWithError("save failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SaveResource)->Unit(benchmark::kMillisecond);

// Loads into a fresh engine each time (a load keeps the pool memory of the
// records it replaces).
void BM_OpenResource(benchmark::State& state) {
  if (SaveResource(kNoHandle, FreshEngineWithTable()) != 0) std::abort();
  for (auto _ : state) {
    state.PauseTiming();
    ResetEngineState();
    if (!CreatePool() || !CreateSystemResources()) std::abort();
    state.ResumeTiming();
    const Handle r = OpenResource(kNoHandle, kFile, "Bench");
    if (r == kNoHandle || RecordCount(r) != kRecords) state.SkipWithError("load failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_OpenResource)->Unit(benchmark::kMillisecond);

// The target: save, then load the file back over the same resource (as a
// save slot is saved and loaded).
void BM_SaveThenOpen(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    const Handle r = FreshEngineWithTable();
    state.ResumeTiming();
    if (SaveResource(kNoHandle, r) != 0) state.SkipWithError("save failed");
    if (OpenResource(kNoHandle, kFile, "Bench") != r || RecordCount(r) != kRecords) state.SkipWithError("load failed");
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SaveThenOpen)->Unit(benchmark::kMillisecond);

}  // namespace
