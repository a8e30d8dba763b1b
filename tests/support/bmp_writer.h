// Test support: writes a known picture as a BMP file in any of the forms
// the decoder accepts, so tests check decoding against the exact colours
// they started from (no binary fixtures in the repository).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/bytes.h"

namespace vadu::test {

// A picture of engine colours (red in the low byte), top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

struct BmpForm {
  int bits = 24;
  uint32_t compression = 0;  // 0 plain, 1 RLE8 (8 bits), 2 RLE4 (4 bits)
  bool core_header = false;  // 12-byte header, 3-byte table entries
  bool file_header = true;   // the 14-byte "BM" header
  bool top_down = false;     // negative height (plain pixels only)
  int extra_table = 0;       // 16, 24 and 32 bits: colour table entries to write
  bool image_size = true;    // fill the header's image size (else 0)
};

namespace bmp_detail {

inline void Bgr(ByteWriter& w, uint32_t colour, bool quad) {
  w.U8(static_cast<uint8_t>(colour >> 16));
  w.U8(static_cast<uint8_t>(colour >> 8));
  w.U8(static_cast<uint8_t>(colour));
  if (quad) w.U8(0);
}

// Greedy run-length coding of one row of indexes: runs of two or more as
// encoded runs, stretches of three or more different ones as absolute
// runs (padded to two bytes), the rest as runs of one.
inline void EncodeRow(ByteWriter& w, const std::vector<uint8_t>& row, bool four) {
  const size_t n = row.size();
  size_t i = 0;
  auto run_at = [&](size_t k) {
    size_t r = 1;
    while (k + r < n && r < 255 && row[k + r] == row[k]) ++r;
    return r;
  };
  while (i < n) {
    const size_t r = run_at(i);
    if (r >= 2) {
      w.U8(static_cast<uint8_t>(r));
      w.U8(four ? static_cast<uint8_t>(row[i] << 4 | row[i]) : row[i]);
      i += r;
      continue;
    }
    size_t lit = 1;
    while (i + lit < n && lit < 255 && run_at(i + lit) < 2) ++lit;
    if (lit < 3) {
      for (size_t k = 0; k < lit; ++k) {
        w.U8(1);
        w.U8(four ? static_cast<uint8_t>(row[i + k] << 4) : row[i + k]);
      }
    } else {
      w.U8(0);
      w.U8(static_cast<uint8_t>(lit));
      size_t bytes = 0;
      for (size_t k = 0; k < lit; k += four ? 2 : 1, ++bytes) {
        if (four) {
          const uint8_t lo = k + 1 < lit ? row[i + k + 1] : 0;
          w.U8(static_cast<uint8_t>(row[i + k] << 4 | lo));
        } else {
          w.U8(row[i + k]);
        }
      }
      if (bytes % 2 != 0) w.U8(0);
    }
    i += lit;
  }
}

}  // namespace bmp_detail

// The distinct colours of a picture in order of first appearance.
inline std::vector<uint32_t> PaletteOf(const Picture& p) {
  std::vector<uint32_t> palette;
  for (uint32_t c : p.pixels) {
    bool seen = false;
    for (uint32_t q : palette) seen = seen || q == c;
    if (!seen) palette.push_back(c);
  }
  return palette;
}

// The picture as a BMP file. Indexed forms take the picture's own colours
// as their table (at most 2^bits of them); 16 bits keeps the top five bits
// of each component.
inline std::vector<uint8_t> WriteBmp(const Picture& p, const BmpForm& form) {
  const bool indexed = form.bits <= 8;
  const std::vector<uint32_t> palette = indexed ? PaletteOf(p) : std::vector<uint32_t>(form.extra_table, 0x123456);
  auto index_of = [&](uint32_t c) {
    for (size_t i = 0; i < palette.size(); ++i) {
      if (palette[i] == c) return static_cast<uint8_t>(i);
    }
    return uint8_t{0};
  };

  // Pixel data, rows bottom-up (or top-down).
  std::vector<uint8_t> pixels;
  ByteWriter px(pixels);
  for (int r = 0; r < p.height; ++r) {
    const int y = form.top_down ? r : p.height - 1 - r;
    if (form.compression != 0) {
      std::vector<uint8_t> row;
      for (int x = 0; x < p.width; ++x) row.push_back(index_of(p.at(x, y)));
      bmp_detail::EncodeRow(px, row, form.compression == 2);
      if (r + 1 < p.height) {
        px.U8(0);
        px.U8(0);
      }
      continue;
    }
    const size_t start = pixels.size();
    uint32_t acc = 0;
    int acc_bits = 0;
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.at(x, y);
      switch (form.bits) {
        case 1:
        case 4:
        case 8:
          acc = acc << form.bits | index_of(c);
          acc_bits += form.bits;
          if (acc_bits == 8) {
            px.U8(static_cast<uint8_t>(acc));
            acc = 0;
            acc_bits = 0;
          }
          break;
        case 16:
          px.U16(static_cast<uint16_t>(((c & 0xFF) >> 3) << 10 | ((c >> 8 & 0xFF) >> 3) << 5 | (c >> 16 & 0xFF) >> 3));
          break;
        default:
          bmp_detail::Bgr(px, c, form.bits == 32);
          break;
      }
    }
    if (acc_bits > 0) px.U8(static_cast<uint8_t>(acc << (8 - acc_bits)));
    while ((pixels.size() - start) % 4 != 0) px.U8(0);
  }
  if (form.compression != 0) {
    px.U8(0);
    px.U8(1);
  }

  // A core header has no colour count: its table holds 2^bits entries.
  std::vector<uint32_t> table = palette;
  if (form.core_header && indexed) table.resize(size_t{1} << form.bits, 0);
  const size_t table_bytes = table.size() * (form.core_header ? 3 : 4);
  const uint32_t header = form.core_header ? 12 : 40;
  const uint32_t offset = (form.file_header ? 14 : 0) + header + static_cast<uint32_t>(table_bytes);
  std::vector<uint8_t> out;
  ByteWriter w(out);
  if (form.file_header) {
    w.U8('B');
    w.U8('M');
    w.U32(offset + static_cast<uint32_t>(pixels.size()));
    w.U32(0);
    w.U32(offset);
  }
  w.U32(header);
  if (form.core_header) {
    w.U16(static_cast<uint16_t>(p.width));
    w.U16(static_cast<uint16_t>(p.height));
    w.U16(1);
    w.U16(static_cast<uint16_t>(form.bits));
  } else {
    w.I32(p.width);
    w.I32(form.top_down ? -p.height : p.height);
    w.U16(1);
    w.U16(static_cast<uint16_t>(form.bits));
    w.U32(form.compression);
    w.U32(form.image_size ? static_cast<uint32_t>(pixels.size()) : 0);
    w.U32(2835);
    w.U32(2835);
    w.U32(static_cast<uint32_t>(table.size()));
    w.U32(0);
  }
  for (uint32_t c : table) bmp_detail::Bgr(w, c, !form.core_header);
  w.Bytes(pixels.data(), pixels.size());
  return out;
}

}  // namespace vadu::test
