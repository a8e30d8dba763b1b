#include "platform/bmp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "platform/framebuffer.h"
#include "support/bmp_writer.h"

namespace vadu {
namespace {

using test::BmpForm;
using test::Picture;
using test::WriteBmp;

// Byte offsets of information header fields in a file with the file header.
constexpr size_t kPixelOffsetField = 10, kHeaderSizeField = 14, kWidthField = 18, kHeightField = 22, kBitsField = 28,
                 kCompressionField = 30, kImageSizeField = 34, kColoursUsedField = 46;

// A 5-bit component widened as 16-bit pixels are, so 16-bit pictures made
// of such components decode exactly.
uint8_t Exact5(int v) {
  return static_cast<uint8_t>(v << 3 | v >> 2);
}

// A picture with a run on the left of each row and changing colours after
// it (runs and absolute stretches for the run-length forms), from `colours`
// distinct colours.
Picture MakePicture(int width, int height, int colours, bool five_bit = false) {
  Picture p{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int i = x < width / 3 ? y % colours : (x * 7 + y * 3) % colours;
      p.pixels.push_back(five_bit ? MakeColour(Exact5(i % 32), Exact5(31 - i % 32), Exact5(i * 5 % 32))
                                  : MakeColour(static_cast<uint8_t>(i * 37), static_cast<uint8_t>(255 - i),
                                               static_cast<uint8_t>(i * 11 + 1)));
    }
  }
  return p;
}

BmpResult Decode(const std::vector<uint8_t>& bytes, BmpInfo& info, std::vector<uint32_t>& pixels) {
  return DecodeBmp(bytes.data(), bytes.size(), info, pixels);
}

BmpStatus StatusOf(const std::vector<uint8_t>& bytes) {
  BmpInfo info;
  std::vector<uint32_t> pixels;
  return Decode(bytes, info, pixels).status;
}

struct FormCase {
  const char* name;
  BmpForm form;
  int width, height, colours;
};

std::vector<FormCase> AcceptedForms() {
  auto form = [](int bits, uint32_t compression = 0) {
    BmpForm f;
    f.bits = bits;
    f.compression = compression;
    return f;
  };
  std::vector<FormCase> cases = {
      {"1 bit", form(1), 13, 5, 2},
      {"4 bit", form(4), 13, 5, 16},
      {"8 bit", form(8), 13, 5, 40},
      {"RLE4", form(4, kBmpRle4), 13, 5, 16},
      {"RLE8", form(8, kBmpRle8), 13, 5, 40},
      {"RLE4 wide runs", form(4, kBmpRle4), 700, 3, 5},
      {"RLE8 wide runs", form(8, kBmpRle8), 700, 3, 5},
      {"24 bit", form(24), 13, 5, 200},
      {"16 bit with table", form(16), 13, 5, 32},
      {"32 bit with table", form(32), 13, 5, 200},
  };
  cases[8].form.extra_table = 1;
  cases[9].form.extra_table = 3;
  FormCase table24{"24 bit with table", form(24), 6, 4, 50};
  table24.form.extra_table = 256;
  cases.push_back(table24);
  for (int bits : {1, 4, 8, 24}) {
    FormCase c{"12-byte header", form(bits), 11, 3, bits == 1 ? 2 : bits == 4 ? 16 : 90};
    c.form.core_header = true;
    cases.push_back(c);
  }
  for (FormCase c :
       {FormCase{"no file header", form(8), 9, 4, 30}, FormCase{"no file header", form(24), 9, 4, 30},
        FormCase{"no file header", form(8, kBmpRle8), 9, 4, 30}, FormCase{"no file header", form(1), 9, 4, 2}}) {
    c.form.file_header = false;
    cases.push_back(c);
  }
  for (int bits : {1, 4, 8, 24}) {
    FormCase c{"top-down", form(bits), 10, 6, bits == 1 ? 2 : 16};
    c.form.top_down = true;
    cases.push_back(c);
  }
  return cases;
}

TEST(BmpTest, EveryAcceptedFormDecodesToTheColoursWritten) {
  for (const FormCase& c : AcceptedForms()) {
    SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.form.bits) + " bits");
    const Picture picture = MakePicture(c.width, c.height, c.colours, c.form.bits == 16);
    const std::vector<uint8_t> file = WriteBmp(picture, c.form);
    BmpInfo info;
    std::vector<uint32_t> pixels;
    const BmpResult result = Decode(file, info, pixels);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(info.width, c.width);
    EXPECT_EQ(info.height, c.height);
    EXPECT_EQ(info.top_down, c.form.top_down);
    EXPECT_EQ(pixels, picture.pixels);
  }
}

// A run-length file of `width` x `height` with a two-colour table (index 1
// red, 2 green) and the given stream.
std::vector<uint8_t> RunLengthFile(int width, int height, uint32_t compression, const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> out;
  ByteWriter w(out);
  w.U32(40);
  w.I32(width);
  w.I32(height);
  w.U16(1);
  w.U16(compression == kBmpRle8 ? 8 : 4);
  w.U32(compression);
  w.U32(static_cast<uint32_t>(stream.size()));
  w.Zeros(8);
  w.U32(3);
  w.U32(0);
  w.Zeros(4);
  w.Bytes("\x00\x00\xff\x00\x00\xff\x00\x00", 8);  // red, then green
  w.Bytes(stream.data(), stream.size());
  return out;
}

std::string Rows(const std::vector<uint32_t>& pixels, int width) {
  std::string s;
  for (size_t i = 0; i < pixels.size(); ++i) {
    s += pixels[i] == 0 ? '.' : pixels[i] == 0x0000FF ? 'R' : pixels[i] == 0x00FF00 ? 'G' : '?';
    if ((i + 1) % width == 0) s += '\n';
  }
  return s;
}

TEST(BmpTest, RunLengthEscapesDrawWhereTheStreamSays) {
  struct Case {
    const char* name;
    uint32_t compression;
    std::vector<uint8_t> stream;
    std::string rows;  // top row first
  };
  const Case cases[] = {
      // Bottom row: two red, end of line; a delta of (2, 1) to the third
      // row from the bottom; an absolute run of three with its pad byte; end.
      {"RLE8 escapes", kBmpRle8, {2, 1, 0, 0, 0, 2, 2, 1, 0, 3, 1, 2, 1, 0, 0, 1}, "......\n..RGR.\n......\nRR....\n"},
      // A run longer than the row is cut at its end, not wrapped.
      {"RLE8 long run", kBmpRle8, {9, 2, 0, 0, 1, 1, 0, 1}, "R.....\nGGGGGG\n"},
      // Alternating runs; an absolute run of five indexes in three bytes and
      // a pad byte; the stream may end right after the last row's end.
      {"RLE4 escapes", kBmpRle4, {5, 0x12, 0, 0, 0, 5, 0x21, 0x21, 0x20, 0, 0, 0}, "GRGRG.\nRGRGR.\n"},
      // Pixels a delta skips stay black; a delta past the top ends it.
      {"RLE4 delta", kBmpRle4, {0, 2, 3, 0, 2, 0x11, 0, 2, 0, 9}, "......\n...RR.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int height = static_cast<int>(std::count(c.rows.begin(), c.rows.end(), '\n'));
    BmpInfo info;
    std::vector<uint32_t> pixels;
    const BmpResult result = Decode(RunLengthFile(6, height, c.compression, c.stream), info, pixels);
    ASSERT_TRUE(result.ok()) << result.reason;
    EXPECT_EQ(Rows(pixels, 6), c.rows);
  }
}

TEST(BmpTest, UnsupportedHeadersDepthsAndSizesAreRefused) {
  const std::vector<uint8_t> good = WriteBmp(MakePicture(4, 3, 2), BmpForm{});
  auto with = [&](size_t at, uint32_t value, int bytes = 4) {
    std::vector<uint8_t> f = good;
    if (bytes == 4)
      PutU32(f.data() + at, value);
    else
      PutU16(f.data() + at, static_cast<uint16_t>(value));
    return f;
  };
  for (uint32_t header : {0u, 11u, 52u, 56u, 64u, 108u, 124u}) {
    EXPECT_EQ(StatusOf(with(kHeaderSizeField, header)), BmpStatus::kBadInfo) << header;
  }
  for (uint32_t bits : {0u, 2u, 15u, 48u}) EXPECT_EQ(StatusOf(with(kBitsField, bits, 2)), BmpStatus::kBadInfo) << bits;
  // Bit fields and the other compressions; RLE at the wrong depth.
  for (uint32_t compression : {1u, 2u, 3u, 4u, 5u}) {
    EXPECT_EQ(StatusOf(with(kCompressionField, compression)), BmpStatus::kBadInfo) << compression;
  }
  const uint32_t kNegative4097 = static_cast<uint32_t>(-4097);
  for (uint32_t width : {0u, 4097u, 0x80000000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(StatusOf(with(kWidthField, width)), BmpStatus::kBadInfo) << width;
  }
  for (uint32_t height : {0u, 4097u, kNegative4097, 0x80000000u}) {
    EXPECT_EQ(StatusOf(with(kHeightField, height)), BmpStatus::kBadInfo) << height;
  }
  // 16 and 32 bits with no colour table have no palette to be shown with.
  for (int bits : {16, 32}) {
    BmpForm form;
    form.bits = bits;
    EXPECT_EQ(StatusOf(WriteBmp(MakePicture(4, 3, 2, true), form)), BmpStatus::kNoPalette) << bits;
  }
  // Run-length pictures are bottom-up only.
  BmpForm rle;
  rle.bits = 8;
  rle.compression = kBmpRle8;
  std::vector<uint8_t> top_down = WriteBmp(MakePicture(4, 3, 2), rle);
  PutI32(top_down.data() + kHeightField, -3);
  EXPECT_EQ(StatusOf(top_down), BmpStatus::kBadInfo);
}

TEST(BmpTest, EveryTruncationIsRefusedAndNeverReadPast) {
  for (const FormCase& c : AcceptedForms()) {
    if (c.width > 100) continue;  // the small pictures cover every form
    SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.form.bits) + " bits");
    const std::vector<uint8_t> file = WriteBmp(MakePicture(c.width, c.height, c.colours, c.form.bits == 16), c.form);
    for (size_t n = 0; n < file.size(); ++n) {
      // An exact-size copy, so a read past its end is a sanitizer report.
      const std::vector<uint8_t> cut(file.begin(), file.begin() + static_cast<ptrdiff_t>(n));
      BmpInfo info;
      std::vector<uint32_t> pixels;
      EXPECT_FALSE(Decode(cut, info, pixels).ok()) << "length " << n;
      EXPECT_TRUE(pixels.empty());
    }
  }
}

TEST(BmpTest, LyingCountsAndOffsetsAreRefusedBeforeAnyLargeAllocation) {
  const std::vector<uint8_t> good = WriteBmp(MakePicture(4, 3, 2), BmpForm{});
  auto status = [](std::vector<uint8_t> f, size_t at, uint32_t value) {
    PutU32(f.data() + at, value);
    return StatusOf(f);
  };
  EXPECT_EQ(status(good, kColoursUsedField, 0xFFFFFFFFu), BmpStatus::kBadInfo);
  EXPECT_EQ(status(good, kColoursUsedField, 1000), BmpStatus::kBadInfo);
  EXPECT_EQ(status(good, kPixelOffsetField, 0xFFFFFFF0u), BmpStatus::kBadPixels);
  EXPECT_EQ(status(good, kPixelOffsetField, static_cast<uint32_t>(good.size()) - 4), BmpStatus::kBadPixels);
  // A 4096 x 4096 picture claimed by a small file: refused before the
  // 64 MB of pixels are asked for.
  std::vector<uint8_t> huge = good;
  PutI32(huge.data() + kWidthField, 4096);
  PutI32(huge.data() + kHeightField, 4096);
  BmpInfo info;
  std::vector<uint32_t> pixels;
  EXPECT_EQ(Decode(huge, info, pixels).status, BmpStatus::kBadPixels);
  EXPECT_EQ(pixels.capacity(), 0u);
  // The same as a run-length picture that only ends: two bytes cannot fill
  // it. An image size beyond the file is refused too.
  EXPECT_EQ(StatusOf(RunLengthFile(4096, 4096, kBmpRle8, {0, 1})), BmpStatus::kBadPixels);
  EXPECT_EQ(status(RunLengthFile(4, 2, kBmpRle8, {4, 1, 0, 1}), 20, 100), BmpStatus::kBadPixels);
  // A stream that stops inside the picture without its end, or inside an
  // escape, is cut short; one that lacks only the final end is whole.
  EXPECT_EQ(StatusOf(RunLengthFile(4, 2, kBmpRle8, {4, 1, 0, 0})), BmpStatus::kBadPixels);
  EXPECT_EQ(StatusOf(RunLengthFile(4, 2, kBmpRle8, {4, 1, 0, 0, 0, 5, 1, 1})), BmpStatus::kBadPixels);
  EXPECT_EQ(StatusOf(RunLengthFile(4, 2, kBmpRle8, {4, 1, 0, 0, 0, 2, 1})), BmpStatus::kBadPixels);
  EXPECT_EQ(StatusOf(RunLengthFile(4, 2, kBmpRle8, {4, 1, 0, 0, 4, 2, 0, 0})), BmpStatus::kOk);
}

}  // namespace
}  // namespace vadu
