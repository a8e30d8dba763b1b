#include "kernel/graphic.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/log.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "platform/bitmap.h"
#include "platform/bmp.h"
#include "platform/files.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// Pure green, the colour a keyed draw leaves out.
constexpr uint32_t kKeyColour = 0x00FF00;
// The largest file the loader reads: a picture of the largest size at 32
// bits, and room for headers and a colour table. Anything larger cannot be
// a picture the engine can show, and is not read into memory.
constexpr size_t kMaxBmpFileBytes = static_cast<size_t>(kMaxBmpSide) * kMaxBmpSide * 4 + (size_t{1} << 20);

// The picture the loader holds (LoadBMP until FreeLoadedBMP or
// LoadGraphicFile takes it).
BitmapId g_loaded = kNoBitmap;

Handle GraphicResource() {
  return SystemResource("Graphic VRAM");
}

// The bitmap of a graphic, or none.
BitmapId BitmapOf(Handle graphic) {
  const GraphicRecord* g = GraphicView(graphic);
  return g != nullptr ? g->bitmap : kNoBitmap;
}

enum class FileRead { kOk, kNotOpened, kTooLarge };

// Reads a whole regular file of the game directory, refusing one too large
// to be a picture before reading it.
FileRead ReadPictureFile(const char* name, std::vector<uint8_t>& bytes) {
  FILE* f = OpenGameFile(name, "rb");
  if (f == nullptr) return FileRead::kNotOpened;
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return FileRead::kNotOpened;
  }
  if (st.st_size < 0 || static_cast<uint64_t>(st.st_size) > kMaxBmpFileBytes) {
    std::fclose(f);
    return FileRead::kTooLarge;
  }
  bytes.resize(static_cast<size_t>(st.st_size));
  // The file may have shrunk since fstat: keep what was read.
  const size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  bytes.resize(got);
  return failed ? FileRead::kNotOpened : FileRead::kOk;
}

// The log line for a refused file: unreadable information, or a
// run-length stream that cannot be read. Other refusals (16 or 32 bits
// without a colour table, short plain pixels) return none without a line.
void ReportRefusal(const BmpResult& result, const BmpInfo& info, const char* name) {
  if (result.status == BmpStatus::kBadInfo) {
    WriteLogf("%s file BITMAP INFO error", name);
  } else if (result.status == BmpStatus::kBadPixels && info.compression != kBmpUncompressed) {
    WriteLog("BMP biCompression.");
  }
}

}  // namespace

GraphicRecord* GraphicView(Handle graphic) {
  return reinterpret_cast<GraphicRecord*>(RecordBodyOf(graphic, GraphicResource(), kGraphicRecordSize));
}

Handle CreateGraphic(Handle task, int16_t width, int16_t height) {
  (void)task;  // a graphic record keeps no owner
  const Handle resource = GraphicResource();
  const Handle graphic = CreateRecord(resource, -1, kGraphicRecordSize);
  if (GraphicView(graphic) == nullptr) return kNoHandle;
  const BitmapId bitmap = CreateBitmap(width, height);
  if (bitmap == kNoBitmap) {
    DeleteRecord(resource, graphic);
    return kNoHandle;
  }
  GraphicRecord* g = GraphicView(graphic);
  // A reused record keeps its old bytes, its cache key among them: every
  // field is set here, so a stale key can never match.
  std::memset(g, 0, sizeof *g);
  g->width = width;
  g->height = height;
  g->bitmap = bitmap;
  return graphic;
}

int FreeGraphic(Handle task, Handle graphic) {
  (void)task;
  GraphicRecord* g = GraphicView(graphic);
  if (g == nullptr) return 1;
  FreeBitmap(g->bitmap);
  g->bitmap = kNoBitmap;
  return DeleteRecord(GraphicResource(), graphic);
}

int GraphicSave(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  return CopyScreenToBitmap(x, y, w + 1, h + 1, BitmapOf(graphic), 0, 0) ? 0 : 1;
}

int GraphicLoad(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  if (!CopyBitmapToScreen(BitmapOf(graphic), 0, 0, w + 1, h + 1, x, y)) {
    // There is no system error code to give: the graphic had no pixels.
    WriteLogf("Error GraphicLoad() BitBlt() ret %d", 0);
    return 1;
  }
  return 0;
}

int ScreenCopy(int16_t x, int16_t y, int16_t w, int16_t h, int16_t x2, int16_t y2) {
  CopyScreenToScreen(x, y, w + 1, h + 1, x2, y2);
  return 1;
}

int GraphicLoadMasked(Handle graphic, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  CopyBitmapToScreenMasked(BitmapOf(graphic), w + 1, h + 1, x, y, colour);
  return 1;
}

int DrawGraphic(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic) {
  return DrawGraphicOffset(x, y, w, h, graphic, 0, 0);
}

int DrawGraphicOffset(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic, int16_t source_x, int16_t source_y) {
  const BitmapId bitmap = BitmapOf(graphic);
  int bw, bh;
  if (!BitmapSize(bitmap, &bw, &bh)) return 0;
  // The size is cut to the bitmap's own, not to what lies right of and
  // below the offset; the copy itself then stops at the bitmap's edges.
  CopyBitmapToScreen(bitmap, source_x, source_y, std::min<int>(w, bw), std::min<int>(h, bh), x, y);
  return 1;
}

int StretchGraphic(int16_t x, int16_t y, int16_t w, int16_t h, Handle graphic, int16_t source_w, int16_t source_h) {
  return StretchBitmapToScreen(BitmapOf(graphic), source_w, source_h, x, y, w, h) ? 1 : 0;
}

int ShadeRect(int16_t x, int16_t y, int16_t w, int16_t h, uint32_t colour) {
  ShadeScreen(x, y, w, h, colour);
  return 1;
}

int DrawGraphicKeyed(Handle graphic, int16_t x, int16_t y, int16_t w, int16_t h, bool keyed) {
  const GraphicRecord* g = GraphicView(graphic);
  if (g != nullptr) {
    w = std::min(w, g->width);
    h = std::min(h, g->height);
  }
  if (!keyed) return GraphicLoad(x, y, w, h, graphic);
  if (g != nullptr) CopyBitmapToScreenKeyed(g->bitmap, w, h, x, y, kKeyColour);
  return 1;
}

uint32_t LoadBMP(Handle window, const char* name) {
  (void)window;
  FreeLoadedBMP();
  if (name == nullptr) name = "";
  std::vector<uint8_t> bytes;
  const FileRead read = ReadPictureFile(name, bytes);
  if (read == FileRead::kNotOpened) {
    WriteLogf("BMP file %s open error", name);
    return kNoBitmap;
  }
  if (read == FileRead::kTooLarge) {
    WriteLogf("%s file BITMAP INFO error", name);
    return kNoBitmap;
  }
  BmpInfo info;
  BmpResult result = ReadBmpInfo(bytes.data(), bytes.size(), info);
  if (!result.ok()) {
    ReportRefusal(result, info, name);
    return kNoBitmap;
  }
  const BitmapId bitmap = CreateBitmap(info.width, info.height);
  if (bitmap == kNoBitmap) return kNoBitmap;
  result = DecodeBmpPixels(bytes.data(), bytes.size(), info, BitmapPixels(bitmap));
  if (!result.ok()) {
    FreeBitmap(bitmap);
    ReportRefusal(result, info, name);
    return kNoBitmap;
  }
  g_loaded = bitmap;
  return bitmap;
}

void FreeLoadedBMP() {
  FreeBitmap(g_loaded);
  g_loaded = kNoBitmap;
}

Handle LoadGraphicFile(Handle task, const char* name) {
  (void)task;
  const BitmapId bitmap = LoadBMP(kNoHandle, name);
  if (bitmap == kNoBitmap) return kNoHandle;
  const Handle resource = GraphicResource();
  const Handle graphic = CreateRecord(resource, -1, kGraphicRecordSize);
  GraphicRecord* g = GraphicView(graphic);
  if (g == nullptr) {
    FreeLoadedBMP();
    return kNoHandle;
  }
  int width, height;
  BitmapSize(bitmap, &width, &height);
  std::memset(g, 0, sizeof *g);
  // Sides are at most kMaxBmpSide, so they fit the record's 16-bit fields.
  g->width = static_cast<int16_t>(width);
  g->height = static_cast<int16_t>(height);
  g->bitmap = bitmap;
  // The record owns the picture now.
  g_loaded = kNoBitmap;
  return graphic;
}

int DrawBMPFile(const char* name, int16_t x, int16_t y, int16_t w, int16_t h) {
  const BitmapId bitmap = LoadBMP(kNoHandle, name);
  if (bitmap != kNoBitmap) CopyBitmapToScreen(bitmap, 0, 0, w, h, x, y);
  FreeLoadedBMP();
  return 1;
}

namespace {
void ResetLoader() {
  FreeLoadedBMP();
}
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetLoader);
}  // namespace

}  // namespace vadu
