// The BMP decoder. Headers and the colour table are read through
// ByteReader; the pixel loops index the data directly, but only after the
// bytes they will touch were checked to be there (plain pixels), or through
// a bounded reader (run-length streams).
#include "platform/bmp.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "platform/framebuffer.h"

namespace vadu {
namespace {

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
// A two-byte run draws at most this many pixels.
constexpr uint64_t kMaxRunPixels = 255;

BmpResult Fail(BmpStatus status, const char* reason) {
  return BmpResult{status, reason};
}

// The colour count a bit count implies when the header gives none.
uint32_t DefaultColours(int bits) {
  switch (bits) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

bool SupportedBits(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

uint64_t RowStride(int width, int bits) {
  return (static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32 * 4;
}

// A 5-bit component widened to 8 bits, so that 31 gives 255.
uint32_t Widen5(uint32_t v) {
  return (v << 3) | (v >> 2);
}

// One row of plain pixels, converted to engine colours.
void DecodeRow(const uint8_t* src, uint32_t* dst, int width, int bits, const uint32_t* palette) {
  switch (bits) {
    case 1:
      for (int x = 0; x < width; ++x) dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
      break;
    case 4:
      for (int x = 0; x < width; ++x) dst[x] = palette[(src[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 0xF];
      break;
    case 8:
      for (int x = 0; x < width; ++x) dst[x] = palette[src[x]];
      break;
    case 16:
      for (int x = 0; x < width; ++x) {
        const uint32_t v = static_cast<uint32_t>(src[2 * x]) | (static_cast<uint32_t>(src[2 * x + 1]) << 8);
        dst[x] = Widen5((v >> 10) & 31) | (Widen5((v >> 5) & 31) << 8) | (Widen5(v & 31) << 16);
      }
      break;
    case 24:
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = src + 3 * x;
        dst[x] = static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[0]) << 16);
      }
      break;
    case 32:
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = src + 4 * x;
        dst[x] = static_cast<uint32_t>(p[2]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[0]) << 16);
      }
      break;
    default:
      break;
  }
}

// A run-length stream (RLE8 or RLE4). Rows are counted from the bottom, as
// the stream draws them. Pixels beyond a row's end or above the top row are
// dropped; deltas may move anywhere.
BmpResult DecodeRunLength(const uint8_t* data, const BmpInfo& info, uint32_t* out) {
  const int64_t width = info.width, rows = info.height;
  const bool four = info.compression == kBmpRle4;
  const uint32_t* palette = info.palette;
  std::memset(out, 0, static_cast<size_t>(width) * static_cast<size_t>(rows) * sizeof(uint32_t));
  ByteReader in(data + info.pixel_offset, info.pixel_bytes);
  int64_t x = 0, y = 0;
  auto row = [&](int64_t from_bottom) { return out + static_cast<size_t>(rows - 1 - from_bottom) * width; };
  while (y < rows) {
    if (in.remaining() == 0) return Fail(BmpStatus::kBadPixels, "run-length data ends before the picture does");
    if (in.remaining() < 2) return Fail(BmpStatus::kBadPixels, "run-length data is cut short");
    const uint8_t count = in.U8();
    const uint8_t value = in.U8();
    if (count > 0) {
      // An encoded run: `count` pixels of one index (RLE8) or of two
      // alternating indexes (RLE4).
      if (x < width) {
        uint32_t* dst = row(y);
        const int64_t n = std::min<int64_t>(count, width - x);
        if (four) {
          const uint32_t colours[2] = {palette[value >> 4], palette[value & 0xF]};
          for (int64_t k = 0; k < n; ++k) dst[x + k] = colours[k & 1];
        } else {
          std::fill_n(dst + x, n, palette[value]);
        }
      }
      x += count;
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++y;
        break;
      case 1:  // end of bitmap
        return BmpResult{};
      case 2: {  // delta: move right and up
        if (in.remaining() < 2) return Fail(BmpStatus::kBadPixels, "run-length delta is cut short");
        x += in.U8();
        y += in.U8();
        break;
      }
      default: {  // absolute run of `value` pixels, padded to two bytes
        const size_t bytes = four ? (value + 1u) / 2 : value;
        if (in.remaining() < bytes) return Fail(BmpStatus::kBadPixels, "run-length absolute run is cut short");
        const uint8_t* src = data + info.pixel_offset + in.offset();
        in.Skip(bytes);
        if (x < width) {
          uint32_t* dst = row(y);
          const int64_t n = std::min<int64_t>(value, width - x);
          for (int64_t k = 0; k < n; ++k) {
            const uint8_t b = four ? src[k >> 1] : src[k];
            dst[x + k] = palette[four ? ((k & 1) != 0 ? b & 0xF : b >> 4) : b];
          }
        }
        x += value;
        // The pad byte; a stream that ends right after the run lacks it.
        if ((bytes & 1) != 0 && in.remaining() > 0) in.Skip(1);
        break;
      }
    }
  }
  // Past the top row: whatever follows cannot draw.
  return BmpResult{};
}

}  // namespace

BmpResult ReadBmpInfo(const uint8_t* data, size_t size, BmpInfo& info) {
  info = BmpInfo{};
  ByteReader in(data, size);
  // The file header is optional: without "BM" the information header comes
  // first and the pixels follow the colour table.
  bool file_header = false;
  uint32_t pixel_offset = 0;
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    in.Skip(2);
    in.U32();  // file size: often wrong, never needed
    in.U32();  // reserved
    pixel_offset = in.U32();
    if (!in.ok()) return Fail(BmpStatus::kBadInfo, "file header is cut short");
    file_header = true;
  }
  const size_t header_start = in.offset();
  const uint32_t header_size = in.U32();
  if (!in.ok()) return Fail(BmpStatus::kBadInfo, "no information header");
  if (header_size < kCoreHeaderSize) return Fail(BmpStatus::kBadInfo, "information header smaller than 12 bytes");
  if (header_size != kCoreHeaderSize && header_size != kInfoHeaderSize) {
    return Fail(BmpStatus::kBadInfo, "information header size other than 12 or 40");
  }

  int64_t width, height;
  int bits;
  uint32_t compression = kBmpUncompressed, image_size = 0, colours_used = 0;
  if (header_size == kCoreHeaderSize) {
    width = in.U16();
    height = in.U16();
    in.U16();  // planes
    bits = in.U16();
  } else {
    width = in.I32();
    height = in.I32();
    in.U16();  // planes
    bits = in.U16();
    compression = in.U32();
    image_size = in.U32();
    in.Skip(8);  // resolution
    colours_used = in.U32();
    in.U32();  // important colours
  }
  if (!in.ok()) return Fail(BmpStatus::kBadInfo, "information header is cut short");
  if (!SupportedBits(bits)) return Fail(BmpStatus::kBadInfo, "unsupported bits per pixel");
  if (compression != kBmpUncompressed && !(compression == kBmpRle8 && bits == 8) &&
      !(compression == kBmpRle4 && bits == 4)) {
    return Fail(BmpStatus::kBadInfo, "unsupported compression");
  }
  const bool top_down = height < 0;
  const int64_t rows = top_down ? -height : height;
  if (width <= 0 || rows == 0) return Fail(BmpStatus::kBadInfo, "empty picture");
  if (width > kMaxBmpSide || rows > kMaxBmpSide) return Fail(BmpStatus::kBadInfo, "picture larger than 4096 pixels");
  if (top_down && compression != kBmpUncompressed) {
    return Fail(BmpStatus::kBadInfo, "run-length pictures cannot be top-down");
  }

  // The colour table: 4-byte entries (blue, green, red, unused), 3-byte ones
  // after a core header.
  const size_t entry = header_size == kCoreHeaderSize ? 3 : 4;
  const uint32_t colours = colours_used != 0 ? colours_used : DefaultColours(bits);
  const size_t table_start = header_start + header_size;
  const uint64_t table_bytes = static_cast<uint64_t>(colours) * entry;
  if (table_start > size || table_bytes > size - table_start) {
    return Fail(BmpStatus::kBadInfo, "colour table runs past the end of the file");
  }
  ByteReader table(data + table_start, static_cast<size_t>(table_bytes));
  for (uint32_t i = 0; i < std::min<uint32_t>(colours, 256); ++i) {
    const uint8_t blue = table.U8(), green = table.U8(), red = table.U8();
    if (entry == 4) table.U8();
    info.palette[i] = MakeColour(red, green, blue);
  }
  if ((bits == 16 || bits == 32) && colours == 0) {
    return Fail(BmpStatus::kNoPalette, "16 and 32 bits per pixel need a colour table");
  }

  info.width = static_cast<int>(width);
  info.height = static_cast<int>(rows);
  info.top_down = top_down;
  info.bits = bits;
  info.compression = compression;
  info.header_size = header_size;
  info.table_colours = colours;
  info.pixel_offset = file_header && pixel_offset != 0 ? pixel_offset : table_start + static_cast<size_t>(table_bytes);
  if (info.pixel_offset > size) return Fail(BmpStatus::kBadPixels, "pixel data starts past the end of the file");
  const size_t available = size - info.pixel_offset;
  if (compression == kBmpUncompressed) {
    const uint64_t needed = RowStride(info.width, bits) * static_cast<uint64_t>(rows);
    if (needed > available) return Fail(BmpStatus::kBadPixels, "pixel data is cut short");
    info.pixel_bytes = static_cast<size_t>(needed);
  } else {
    // The header's image size bounds the stream; without one it runs to the
    // end of the file.
    if (image_size > available) return Fail(BmpStatus::kBadPixels, "run-length data is cut short");
    info.pixel_bytes = image_size != 0 ? image_size : available;
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(rows) > info.pixel_bytes / 2 * kMaxRunPixels) {
      return Fail(BmpStatus::kBadPixels, "run-length data too short to fill the picture");
    }
  }
  return BmpResult{};
}

BmpResult DecodeBmpPixels(const uint8_t* data, size_t size, const BmpInfo& info, uint32_t* out) {
  if (info.width <= 0 || info.height <= 0 || !SupportedBits(info.bits) || info.pixel_offset > size ||
      info.pixel_bytes > size - info.pixel_offset) {
    return Fail(BmpStatus::kBadPixels, "pixel data outside the file");
  }
  if (info.compression != kBmpUncompressed) return DecodeRunLength(data, info, out);
  const uint64_t stride = RowStride(info.width, info.bits);
  if (stride * static_cast<uint64_t>(info.height) > info.pixel_bytes) {
    return Fail(BmpStatus::kBadPixels, "pixel data is cut short");
  }
  const uint8_t* base = data + info.pixel_offset;
  for (int r = 0; r < info.height; ++r) {
    const int y = info.top_down ? r : info.height - 1 - r;
    DecodeRow(base + static_cast<size_t>(r) * stride, out + static_cast<size_t>(y) * static_cast<size_t>(info.width),
              info.width, info.bits, info.palette);
  }
  return BmpResult{};
}

BmpResult DecodeBmp(const uint8_t* data, size_t size, BmpInfo& info, std::vector<uint32_t>& pixels) {
  pixels.clear();
  BmpResult result = ReadBmpInfo(data, size, info);
  if (!result.ok()) return result;
  pixels.assign(static_cast<size_t>(info.width) * static_cast<size_t>(info.height), 0);
  result = DecodeBmpPixels(data, size, info, pixels.data());
  if (!result.ok()) pixels.clear();
  return result;
}

}  // namespace vadu
