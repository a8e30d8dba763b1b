// The BMP decoder: Windows bitmap files, from bytes in memory to engine
// colour pixels (red in the low byte), top row first.
//
// Accepted: with or without the 14-byte "BM" file header (without it, the
// pixels follow the colour table); 12-byte core and 40-byte information
// headers; 1, 4 and 8 bits per pixel with a colour table; 24 bits with or
// without one; 16 (5-5-5) and 32 bits when a colour table is present; RLE8
// and RLE4; bottom-up rows, and top-down rows (negative height) when not
// compressed. Refused: other header sizes (108, 124, ...), other bit counts
// and compressions, 16 and 32 bits without a colour table, sides of 0 or
// over kMaxBmpSide, and any file whose sizes or offsets point past its end.
//
// Nothing read from the file is trusted: every read is bounded by the bytes
// given, and a picture is only accepted when the bytes present can fill it
// (stride times rows for plain pixels; for RLE, at most 255 pixels for every
// two bytes of runs), so a small file never makes a large allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vadu {

// Largest width and height of a picture (that of the bitmap store).
inline constexpr int kMaxBmpSide = 4096;

inline constexpr uint32_t kBmpUncompressed = 0;
inline constexpr uint32_t kBmpRle8 = 1;
inline constexpr uint32_t kBmpRle4 = 2;

// Why a file was refused; the loader above chooses its log line from it.
enum class BmpStatus {
  kOk,
  kBadInfo,    // headers or colour table unreadable, unsupported or lying
  kNoPalette,  // 16 or 32 bits per pixel without a colour table
  kBadPixels,  // pixel data missing, short, or a broken run-length stream
};

struct BmpResult {
  BmpStatus status = BmpStatus::kOk;
  const char* reason = "";  // a short English reason, for tests and tools
  bool ok() const { return status == BmpStatus::kOk; }
};

// What the headers say, checked against the bytes present.
struct BmpInfo {
  int width = 0;
  int height = 0;  // rows, always positive
  bool top_down = false;
  int bits = 0;  // bits per pixel
  uint32_t compression = kBmpUncompressed;
  uint32_t header_size = 0;    // 12 or 40
  uint32_t table_colours = 0;  // entries of the colour table in the file
  size_t pixel_offset = 0;     // where the pixel data starts
  size_t pixel_bytes = 0;      // bytes of pixel data to decode
  uint32_t palette[256] = {};  // the first 256 table entries as engine colours; the rest black
};

// Reads and checks the headers and the colour table.
BmpResult ReadBmpInfo(const uint8_t* data, size_t size, BmpInfo& info);
// Decodes the pixels that ReadBmpInfo described into `out`, which holds
// width * height pixels. Pixels a run-length stream skips are black.
BmpResult DecodeBmpPixels(const uint8_t* data, size_t size, const BmpInfo& info, uint32_t* out);
// Both at once, into a vector (tests, tools).
BmpResult DecodeBmp(const uint8_t* data, size_t size, BmpInfo& info, std::vector<uint32_t>& pixels);

}  // namespace vadu
