// Drawing device speed: a full-screen FillBox against memset of the same
// bytes (target: within 2x), and a 40-character text line with a warm glyph
// cache (target: under 50 us).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "platform/device.h"
#include "platform/text_raster.h"

namespace vadu {
namespace {

constexpr int kWidth = 800, kHeight = 600;

void BM_FillBoxFullScreen(benchmark::State& state) {
  Screen().Resize(kWidth, kHeight);
  uint32_t colour = 0;
  for (auto _ : state) {
    FillBox(0, 0, kWidth - 1, kHeight - 1, colour);
    colour ^= 0x123456;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_FillBoxFullScreen);

void BM_MemsetFullScreen(benchmark::State& state) {
  Screen().Resize(kWidth, kHeight);
  int value = 0;
  for (auto _ : state) {
    std::memset(Screen().pixels(), value, static_cast<size_t>(kWidth) * kHeight * 4);
    value ^= 0x5A;
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 4);
}
BENCHMARK(BM_MemsetFullScreen);

// 40 characters of one line; the glyphs are cached before timing.
void RunText(benchmark::State& state, const std::string& line, uint16_t style) {
  Screen().Resize(kWidth, kHeight);
  FontSpec font;
  font.identity = 1;
  font.width = 16;
  font.height = 16;
  font.style = style;
  DrawTextRun(0, 100, line.c_str(), 0xFFFFFF, font);
  for (auto _ : state) {
    DrawTextRun(0, 100, line.c_str(), 0xC8C8C8, font);
    benchmark::ClobberMemory();
  }
  state.counters["misses"] = static_cast<double>(GetGlyphCacheStats().misses);
}

std::string Repeat(const char* piece, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += piece;
  return s;
}

// 20 one-byte and 20 two-byte characters (a typical message line).
void BM_DrawText40Mixed(benchmark::State& state) {
  RunText(state, Repeat("Ab\x82\xa0\x8a\xbf", 10), 0);
}
BENCHMARK(BM_DrawText40Mixed)->Unit(benchmark::kMicrosecond);

// 40 two-byte characters: 640 pixels of kana and kanji.
void BM_DrawText40FullWidth(benchmark::State& state) {
  RunText(state, Repeat("\x82\xa0\x82\xa2\x82\xa4\x8a\xbf\x8e\x9a", 8), 0);
}
BENCHMARK(BM_DrawText40FullWidth)->Unit(benchmark::kMicrosecond);

// 40 one-byte characters.
void BM_DrawText40OneByte(benchmark::State& state) {
  RunText(state, Repeat("The quick brown fox jumps over the lazy.", 1), 0);
}
BENCHMARK(BM_DrawText40OneByte)->Unit(benchmark::kMicrosecond);

// The one-piece style, 40 two-byte characters.
void BM_DrawText40OnePiece(benchmark::State& state) {
  RunText(state, Repeat("\x82\xa0\x82\xa2\x82\xa4\x8a\xbf\x8e\x9a", 8), kFontOnePiece);
}
BENCHMARK(BM_DrawText40OnePiece)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace vadu
