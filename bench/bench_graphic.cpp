// The graphic store on an 800 x 600 screen: a full-screen GraphicSave and
// GraphicLoad against memcpy of the same bytes (target: within 2x),
// ShadeRect of the whole screen (target: under 2 ms), the keyed draw, and
// LoadBMP of an 800 x 600 24-bit file (target: under 5 ms).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/pool.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/framebuffer.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

constexpr int kWidth = 800, kHeight = 600;
constexpr size_t kScreenBytes = static_cast<size_t>(kWidth) * kHeight * 4;
constexpr char kFile[] = "bench24.bmp";

// A fresh engine with a screen of varied pixels.
void FreshEngine() {
  ResetEngineState();
  if (!CreatePool() || !CreateSystemResources()) std::abort();
  Screen().Resize(kWidth, kHeight);
  uint32_t* px = Screen().pixels();
  for (int i = 0; i < kWidth * kHeight; ++i) px[i] = (static_cast<uint32_t>(i) * 2654435761u) & 0xFFFFFF;
}

// An 800 x 600 24-bit BMP file in a private temporary directory.
void WriteBmpFile() {
  static bool written = false;
  if (written) return;
  char dir[] = "/tmp/vadu-bench-graphic-XXXXXX";
  if (::mkdtemp(dir) == nullptr || ::chdir(dir) != 0) std::abort();
  const uint32_t stride = kWidth * 3;  // a multiple of 4
  const uint32_t pixels = stride * kHeight;
  std::vector<uint8_t> out(54 + pixels, 0);
  uint8_t* h = out.data();
  h[0] = 'B';
  h[1] = 'M';
  PutU32(h + 2, 54 + pixels);
  PutU32(h + 10, 54);
  PutU32(h + 14, 40);
  PutI32(h + 18, kWidth);
  PutI32(h + 22, kHeight);
  PutU16(h + 26, 1);
  PutU16(h + 28, 24);
  PutU32(h + 34, pixels);
  for (uint32_t i = 0; i < pixels; ++i) h[54 + i] = static_cast<uint8_t>(i * 7 + i / stride);
  FILE* f = std::fopen(kFile, "wb");
  if (f == nullptr || std::fwrite(out.data(), 1, out.size(), f) != out.size()) std::abort();
  std::fclose(f);
  written = true;
}

void BM_GraphicSaveLoadFullScreen(benchmark::State& state) {
  FreshEngine();
  const Handle g = CreateGraphic(kNoHandle, kWidth, kHeight);
  if (g == kNoHandle) std::abort();
  for (auto _ : state) {
    GraphicSave(0, 0, kWidth - 1, kHeight - 1, g);
    GraphicLoad(0, 0, kWidth - 1, kHeight - 1, g);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(kScreenBytes));
}
BENCHMARK(BM_GraphicSaveLoadFullScreen)->Unit(benchmark::kMicrosecond);

// The floor: the same bytes copied out of the screen and back with memcpy.
void BM_MemcpySaveLoadFullScreen(benchmark::State& state) {
  FreshEngine();
  std::vector<uint32_t> copy(static_cast<size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    std::memcpy(copy.data(), Screen().pixels(), kScreenBytes);
    benchmark::ClobberMemory();
    std::memcpy(Screen().pixels(), copy.data(), kScreenBytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * 2 * static_cast<int64_t>(kScreenBytes));
}
BENCHMARK(BM_MemcpySaveLoadFullScreen)->Unit(benchmark::kMicrosecond);

void BM_ShadeRectFullScreen(benchmark::State& state) {
  FreshEngine();
  for (auto _ : state) {
    ShadeRect(0, 0, kWidth, kHeight, MakeColour(1, 2, 3));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kScreenBytes));
}
BENCHMARK(BM_ShadeRectFullScreen)->Unit(benchmark::kMicrosecond);

// A full-screen keyed draw of a picture whose every other pixel is green.
void BM_DrawGraphicKeyedFullScreen(benchmark::State& state) {
  FreshEngine();
  const Handle g = CreateGraphic(kNoHandle, kWidth, kHeight);
  if (g == kNoHandle) std::abort();
  for (int y = 0; y < kHeight; ++y) {
    uint32_t* row = Screen().pixels() + static_cast<size_t>(y) * kWidth;
    for (int x = (y & 1); x < kWidth; x += 2) row[x] = 0x00FF00;
  }
  GraphicSave(0, 0, kWidth - 1, kHeight - 1, g);
  for (auto _ : state) {
    DrawGraphicKeyed(g, 0, 0, kWidth, kHeight, true);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kScreenBytes));
}
BENCHMARK(BM_DrawGraphicKeyedFullScreen)->Unit(benchmark::kMicrosecond);

// The file read, the decode into a new bitmap, and its release.
void BM_LoadBMP24FullScreen(benchmark::State& state) {
  WriteBmpFile();
  FreshEngine();
  for (auto _ : state) {
    if (LoadBMP(kNoHandle, kFile) == 0) std::abort();
    FreeLoadedBMP();
  }
}
BENCHMARK(BM_LoadBMP24FullScreen)->Unit(benchmark::kMicrosecond);

}  // namespace
