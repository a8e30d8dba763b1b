// Fuzzes the BMP decoder and the loader above it. The input is decoded from
// memory; an accepted picture must have its stated size and, for run-length
// data, no more pixels than its runs can fill. Then the same bytes are
// written as a file in a private temporary directory and loaded through
// LoadGraphicFile: the loader must accept exactly what the decoder accepts
// and hold the same pixels, which are then drawn, saved and stretched on a
// small screen; DrawBMPFile draws the file once more. Any disagreement
// aborts.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/pool.h"
#include "data/resource.h"
#include "fuzz_workdir.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/bitmap.h"
#include "platform/bmp.h"
#include "platform/framebuffer.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace {

using namespace vadu;

constexpr char kInput[] = "in.bmp";

void QuietBox(const char*) {}

void Prepare() {
  vadu::fuzz::WorkDir::Make("bmp");
}

void WriteInput(const uint8_t* data, size_t size) {
  FILE* f = std::fopen(kInput, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();

  // From memory: an exact-size copy, so a read past the input is reported.
  std::vector<uint8_t> bytes(data, data + size);
  BmpInfo info;
  std::vector<uint32_t> pixels;
  const BmpResult decoded = DecodeBmp(bytes.data(), bytes.size(), info, pixels);
  if (decoded.ok()) {
    if (info.width < 1 || info.height < 1 || info.width > kMaxBmpSide || info.height > kMaxBmpSide) std::abort();
    if (pixels.size() != static_cast<size_t>(info.width) * static_cast<size_t>(info.height)) std::abort();
    if (info.compression != kBmpUncompressed && pixels.size() > info.pixel_bytes / 2 * 255) std::abort();
  } else if (!pixels.empty()) {
    std::abort();
  }

  // Through the loader, from a file.
  vadu::fuzz::WorkDir::Enter();
  ResetEngineState();
  SetMessageBoxHandler(QuietBox);
  if (!CreatePool() || !CreateSystemResources()) std::abort();
  Screen().Resize(48, 32);
  WriteInput(data, size);
  const Handle graphic = LoadGraphicFile(kNoHandle, kInput);
  if ((graphic != kNoHandle) != decoded.ok()) std::abort();
  if (graphic != kNoHandle) {
    const GraphicRecord* g = GraphicView(graphic);
    int w = 0, h = 0;
    if (!BitmapSize(g->bitmap, &w, &h) || w != info.width || h != info.height || g->width != w || g->height != h) {
      std::abort();
    }
    if (std::memcmp(BitmapPixels(g->bitmap), pixels.data(), pixels.size() * sizeof(uint32_t)) != 0) std::abort();
    const int16_t x = static_cast<int16_t>(size % 61) - 30, y = static_cast<int16_t>(size % 37) - 18;
    DrawGraphic(x, y, 100, 100, graphic);
    DrawGraphicKeyed(graphic, y, x, 60, 60, true);
    StretchGraphic(x, y, 50, 40, graphic, static_cast<int16_t>(w + x), static_cast<int16_t>(h - y));
    GraphicSave(y, x, static_cast<int16_t>(w), static_cast<int16_t>(h), graphic);
    GraphicLoadMasked(graphic, x, y, 60, 60, 0x00FF00);
    FreeGraphic(kNoHandle, graphic);
  }
  DrawBMPFile(kInput, 3, 2, 40, 30);
  if (LiveBitmapCount() != 0) std::abort();
  std::remove(kInput);
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
