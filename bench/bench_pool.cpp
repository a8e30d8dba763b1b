// The memory pool and record creation: AllocBlock's bump allocation, and
// CreateRecord when deleted records of the same size are there to reuse.
#include <benchmark/benchmark.h>

#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

void FreshPool() {
  ResetEngineState();
  CreatePool();
}

// Allocations of 16-byte blocks, a fresh pool every 10,000 (outside timing).
void BM_AllocBlock(benchmark::State& state) {
  FreshPool();
  int n = 0;
  for (auto _ : state) {
    if (++n == 10'000) {
      state.PauseTiming();
      FreshPool();
      n = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(AllocBlock(4));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AllocBlock);

// CreateRecord(-1) reactivating a deleted record of the same size, then
// DeleteRecord again: the cycle the event queue runs for every event.
void BM_CreateRecordReuse(benchmark::State& state) {
  FreshPool();
  CreateSystemResources();
  const Handle r = CreateResource(kNoHandle, "bench.res", "Reuse");
  const int live = static_cast<int>(state.range(0));
  for (int i = 0; i < live; ++i) CreateRecord(r, -1, 600);
  for (auto _ : state) {
    const Handle rec = CreateRecord(r, -1, 600);
    benchmark::DoNotOptimize(rec);
    DeleteRecord(r, rec);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CreateRecordReuse)->Arg(0)->Arg(255);

// CreateRecord making new anonymous records (no reuse possible).
void BM_CreateRecordNew(benchmark::State& state) {
  FreshPool();
  CreateSystemResources();
  Handle r = CreateResource(kNoHandle, "bench.res", "New");
  int n = 0;
  for (auto _ : state) {
    if (++n == 10'000) {
      state.PauseTiming();
      FreshPool();
      CreateSystemResources();
      r = CreateResource(kNoHandle, "bench.res", "New");
      n = 0;
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(CreateRecord(r, -1, 40));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CreateRecordNew);

}  // namespace
