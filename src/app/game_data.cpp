// The game data file "pixie.res": its keys and the tables built from them,
// the time and date texts, the status window, picture names built from mode
// variables, the play list and text library built from data form scripts,
// and the mode value names of Compute expressions.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/pixie_app.h"
#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/strings.h"
#include "data/compute.h"
#include "data/dataform.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/window.h"
#include "window/window_record.h"

namespace vadu {
namespace {

constexpr char kPixieFile[] = "pixie.res";
constexpr char kBlankText[] = "　";
constexpr int kNumberTableMax = 60;
constexpr int kParameterMax = 200;

// The resource of the game state (its record's owner), or "Charcter".
Handle StateResource() {
  const PixieApp& a = App();
  return ValidHandle(a.state) ? Header(a.state).owner : a.charcter;
}

// Copies `src` into `dst` (room for `size` bytes), cut to fit and never
// inside a two-byte character. True when it was cut.
bool CopyCut(char* dst, size_t size, const char* src, size_t length) {
  if (size == 0) return length > 0;
  size_t n = 0;
  while (n < length) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(src[n])) && n + 1 < length ? 2 : 1;
    if (n + step > size - 1) break;
    n += step;
  }
  std::memcpy(dst, src, n);
  dst[n] = '\0';
  return n < length;
}

bool CopyCut(char* dst, size_t size, const char* src) {
  return CopyCut(dst, size, src, std::strlen(src));
}

// The words of a list value: runs between blanks, commas, semicolons and
// line ends. Calls `take(word, length)` for each until it returns false.
template <typename Take>
void ForEachWord(const char* text, Take take) {
  const char* p = text;
  while (*p != '\0') {
    while (*p != '\0' && (IsSeparator(*p) || *p == '\r' || *p == '\n')) ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p) && *p != '\r' && *p != '\n') {
      p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
    }
    if (!take(start, static_cast<size_t>(p - start))) break;
  }
}

// A calendar key: its first number, cut into [low, high]; `value` is kept
// when the key is missing.
void ReadCalendarKey(const char* key, int low, int high, int16_t& value) {
  const int32_t n = LookupNumber(key, kPixieFile);
  if (n < 0) return;
  int cut = n;
  if (cut < low) cut = low;
  if (cut > high) cut = high;
  if (cut != n) WriteLogf("pixie.res %s %d is out of range: %d is used", key, n, cut);
  value = static_cast<int16_t>(cut);
}

// ON/OFF keys: 1 for ON (or YES), else 0.
int32_t ReadSwitch(const char* key) {
  return LookupSwitch(key, kPixieFile) == 1 ? 1 : 0;
}

void ReadModeRow(int row) {
  PixieApp& a = App();
  char key[32];
  std::snprintf(key, sizeof key, "MODENAME%d", row + 1);
  char value[kKeywordLineMax + 1];
  a.mode_words[row] = 0;
  std::memset(a.modes[row], 0, sizeof a.modes[row]);
  if (PixieKey(key, value, sizeof value) == nullptr) return;
  int words = 0;
  ForEachWord(value, [&](const char* word, size_t length) {
    if (words == kModeWords) {
      WriteLogf("pixie.res %s: more than %d words, the rest is not read", key, kModeWords);
      return false;
    }
    if (words == 0 && length >= kModeWordSize) {
      // A cut item name would name another item.
      WriteLogf("pixie.res %s: the item name is longer than %d bytes, the line is not used", key, kModeWordSize - 1);
      return false;
    }
    if (CopyCut(a.modes[row][words], kModeWordSize, word, length)) {
      WriteLogf("pixie.res %s: a value name is cut to %s", key, a.modes[row][words]);
    }
    ++words;
    return true;
  });
  a.mode_words[row] = words;
  if (words > 0) a.mode_count = row + 1;
}

void ReadParameterNames() {
  PixieApp& a = App();
  char value[kKeywordLineMax + 1];
  a.param_count = 0;
  std::memset(a.params, 0, sizeof a.params);
  if (PixieKey("PARANAME", value, sizeof value) == nullptr) return;
  ForEachWord(value, [&](const char* word, size_t length) {
    if (a.param_count == kMaxParams) {
      WriteLogf("pixie.res PARANAME: more than %d names, the rest is not read", kMaxParams);
      return false;
    }
    if (length >= kParamNameSize) {
      char name[kKeywordLineMax + 1];
      CopyCut(name, sizeof name, word, length);
      WriteLogf("pixie.res PARANAME: %s is longer than %d bytes and is not used", name, kParamNameSize - 1);
      return true;
    }
    CopyCut(a.params[a.param_count], kParamNameSize, word, length);
    ++a.param_count;
    return true;
  });
}

// The 16 ramp colours of the gauges, yellow to red.
constexpr uint8_t kGaugeRamp[kRampSize][3] = {
    {200, 200, 0}, {200, 200, 10}, {200, 180, 10}, {200, 170, 10}, {200, 160, 10}, {200, 160, 10},
    {200, 140, 0}, {200, 120, 0},  {210, 100, 0},  {220, 70, 10},  {220, 60, 10},  {220, 50, 10},
    {230, 40, 10}, {230, 20, 10},  {240, 10, 10},  {250, 0, 0},
};

// One row of the status window at y.
void DrawStatusRow(Handle window, int row, int16_t y, uint32_t face) {
  const PixieApp& a = App();
  const char* name = a.display[row];
  if (name[0] == '\0' || std::strcmp(name, "blank") == 0) return;
  // The window is 180 pixels wide: a long text is cut long before the
  // drawing limit.
  char line[128];
  if (ItemType(StateResource(), name) == ITEMstring) {
    const char* text = GetStr(a.state, name);
    char both[kDisplayNameSize + kScenarioTextSize];
    std::snprintf(both, sizeof both, "%s:%s", name, text != nullptr ? text : "");
    CopyCut(line, sizeof line, both);
    WinMessageColor(window, 20, y, line, ColourTable[6]);
    return;
  }
  if (const int mode = ModeRow(name); mode >= 0) {
    std::snprintf(line, sizeof line, "%s:%s", name, ModeValueName(mode));
    WinMessageColor(window, 20, y, line, ColourTable[6]);
    return;
  }
  const int32_t value = GetNum(a.state, name);
  WinFillRectangleColor(window, 60, y, 120, 20, face);
  // The bar is drawn with the gauge GC's ramp; the window keeps its own GC
  // for everything else.
  const int32_t length = value / 3 > 0x7FFF ? 0x7FFF : value / 3;
  if (length > 0 && a.gauge_gc != kNoHandle) {
    const Handle own = GetWindowGC(window);
    SetWindowGC(window, a.gauge_gc);
    RampBar(window, 100, y, static_cast<int16_t>(length), 15);
    SetWindowGC(window, own);
  }
  std::snprintf(line, sizeof line, "%s %3d", name, value);
  WinMessage(window, 15, y, line);
}

// True for a character that ends a word of a Compute expression.
bool EndsWord(char c) {
  return c == '\0' || IsBlank(c) || c == '\r' || c == '\n' || std::strchr("=+-/*;><!|&%()", c) != nullptr;
}

// The number of the value named `word` (length bytes) in the mode table, or
// -1 when no MODENAME line has such a value name.
int ModeValueNumber(const char* word, size_t length) {
  const PixieApp& a = App();
  for (int row = 0; row < a.mode_count && row < kMaxModes; ++row) {
    for (int w = 1; w < a.mode_words[row] && w < kModeWords; ++w) {
      const char* name = a.modes[row][w];
      if (std::strlen(name) == length && std::memcmp(name, word, length) == 0) return w - 1;
    }
  }
  return -1;
}

}  // namespace

char* PixieKey(const char* key, char* value, size_t size) {
  return LookupKey(key, value, size, kPixieFile);
}

const char* NumberText(int value) {
  // "１" ... "６０": full-width digits without leading zeros.
  static char table[kNumberTableMax + 1][6];
  static bool made = false;
  if (!made) {
    static const char digits[] = "０１２３４５６７８９";
    std::strcpy(table[0], kBlankText);
    for (int n = 1; n <= kNumberTableMax; ++n) {
      char* p = table[n];
      if (n >= 10) {
        std::memcpy(p, digits + 2 * (n / 10), 2);
        p += 2;
      }
      std::memcpy(p, digits + 2 * (n % 10), 2);
      p[2] = '\0';
    }
    made = true;
  }
  if (value < 0 || value > kNumberTableMax) return kBlankText;
  return table[value];
}

const char* WeekdayText(int weekday) {
  static const char* const kNames[] = {"　", "月", "火", "水", "木", "金", "土", "日"};
  if (weekday < 0 || weekday > 7) return kBlankText;
  return kNames[weekday];
}

const char* TimeText(char* out, size_t size) {
  const int32_t time = GetNum(App().state, "time");
  if (time == 0) {
    WriteLog("取得時間が0です.");
    return nullptr;
  }
  const int32_t minutes = time % 60;
  if (minutes == 0) {
    std::snprintf(out, size, "時刻　%s時 ０分", NumberText(time / 60));
  } else {
    std::snprintf(out, size, "時刻　%s時 %s分", NumberText(time / 60), NumberText(minutes));
  }
  return out;
}

const char* DateText(char* out, size_t size) {
  const PixieApp& a = App();
  std::snprintf(out, size, "%s月 %s日 (%s)", NumberText(a.month), NumberText(a.day), WeekdayText(a.week));
  return out;
}

void init_pixie() {
  PixieApp& a = App();
  char value[kKeywordLineMax + 1];
  if (PixieKey("PLAYER_NAME", value, sizeof value) != nullptr) CopyCut(a.player_name, sizeof a.player_name, value);
  if (PixieKey("GAME_TITLE", value, sizeof value) != nullptr) CopyCut(a.game_title, sizeof a.game_title, value);
  ReadCalendarKey("MONTH", 1, 12, a.month);
  ReadCalendarKey("DAY", 1, 31, a.day);
  ReadCalendarKey("WEEK", 0, 7, a.week);
  ReadCalendarKey("END_MONTH", 1, 12, a.end_month);
  ReadCalendarKey("END_DAY", 1, 31, a.end_day);
  const int32_t date_sts = LookupNumber("DATE_STS", kPixieFile);
  a.date_sts = date_sts < 0 ? 0 : date_sts;

  for (int row = 0; row < kDisplayRows; ++row) a.display[row][0] = '\0';
  for (int row = 1; row <= 10; ++row) {
    char key[32];
    std::snprintf(key, sizeof key, "DISPLAY%d", row);
    if (PixieKey(key, value, sizeof value) == nullptr) continue;
    if (CopyCut(a.display[row], kDisplayNameSize, value)) {
      WriteLogf("pixie.res %s: the name is cut to %s", key, a.display[row]);
    }
  }
  a.ActiveSelect = ReadSwitch("ActiveSelect");

  a.mode_count = 0;
  for (int row = 0; row < kMaxModes; ++row) ReadModeRow(row);
  ReadParameterNames();

  // The play window's settings.
  a.window_frame = ReadSwitch("WINDOW_FRAME");
  a.PopupMenu = ReadSwitch("PopupMenu");
  a.reverse_color = ReadSwitch("ReverseColor");
  const int32_t play_size = LookupNumber("PlayWindowSize", kPixieFile);
  a.play_window_size = play_size < 0 ? 0 : play_size;
  const int32_t text_height = LookupNumber("TEXT_HIGHT", kPixieFile);
  // The message area stays inside the 600-pixel play window.
  a.text_height = text_height <= 0 ? 200 : (text_height > 580 ? 580 : text_height);
  if (PixieKey("Start_BackGraphic", value, sizeof value) == nullptr) std::strcpy(value, "robyA.bmp");
  CopyCut(a.start_background, sizeof a.start_background, value);

  if (a.charcter != kNoHandle && a.state != kNoHandle && StartDataRecord(false) == kNoHandle) {
    const Handle start = StartDataRecord(true);
    if (start != kNoHandle) {
      WriteLog("Save Start data for init_pixie()");
      CopyRecordItems(App().state, start);
    }
  }
}

Handle StartDataRecord(bool create) {
  const Handle charcter = App().charcter;
  if (charcter == kNoHandle || CheckResource(charcter) != 0) return kNoHandle;
  Handle start = search_record(charcter, kStartDataNumber);
  if (start == kNoHandle && create) start = CreateRecord(charcter, kStartDataNumber, 0);
  return start;
}

void CreateStatusGCs() {
  PixieApp& a = App();
  a.gauge_gc = CreateGC(a.task, ColourTable[1], ColourTable[17], ColourTable[18], ColourTable[19]);
  if (GCRecord* g = GCView(a.gauge_gc)) {
    for (int i = 0; i < kRampSize; ++i) g->ramp[i] = MakeColour(kGaugeRamp[i][0], kGaugeRamp[i][1], kGaugeRamp[i][2]);
  }
}

void DrawStatus() {
  const Handle window = App().status_window;
  if (TestWindowMode(window, WINDOWopen) == 0) return;
  const GCRecord* g = GCView(GetWindowGC(window));
  if (g == nullptr) return;
  const uint32_t face = g->face;
  WinFill(window, face);
  int16_t y = -10;
  char line[128];
  if (App().date_sts != 0) {
    y += 20;
    const char* text = App().date_sts == 2 ? TimeText(line, sizeof line) : DateText(line, sizeof line);
    if (text != nullptr) WinMessage(window, 20, y, text);
  }
  for (int row = 1; row < kDisplayRows; ++row) {
    y += 20;
    DrawStatusRow(window, row, y, face);
  }
}

const char* BuildNameFromFormat(const char* key, char* out, size_t size) {
  if (size == 0) return nullptr;
  out[0] = '\0';
  char value[kKeywordLineMax + 1];
  if (PixieKey(key, value, sizeof value) == nullptr) return nullptr;
  // The format and up to four mode variables whose value names fill its %s
  // in turn. Only %s and %% are read: the format is the author's text and
  // never reaches printf.
  char format[kKeywordLineMax + 1] = {};
  const char* names[4] = {"", "", "", ""};
  int count = 0;
  ForEachWord(value, [&](const char* word, size_t length) {
    if (format[0] == '\0') {
      CopyCut(format, sizeof format, word, length);
      return true;
    }
    char name[kModeWordSize];
    if (length < sizeof name) {
      CopyCut(name, sizeof name, word, length);
      const int row = ModeRow(name);
      if (row >= 0) names[count] = ModeValueName(row);
    }
    return ++count < 4;
  });
  size_t n = 0;
  int next = 0;
  auto put = [&](const char* text, size_t length) {
    char* end = out + n;
    CopyCut(end, size - n, text, length);
    n += std::strlen(end);
  };
  for (const char* p = format; *p != '\0' && n + 1 < size;) {
    if (p[0] == '%' && p[1] == 's') {
      const char* name = next < 4 ? names[next] : "";
      ++next;
      put(name, std::strlen(name));
      p += 2;
    } else if (p[0] == '%' && p[1] == '%') {
      put("%", 1);
      p += 2;
    } else {
      const size_t step = IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
      if (n + step + 1 > size) break;
      put(p, step);
      p += step;
    }
  }
  WriteLogf("%s -%s-", key, out);
  return out;
}

namespace {

// The words of a RES_FILE or TEXTLIB_FILE value into `resource`: the first
// is the data form script that makes it, each following one (up to an empty
// word) is read into it. None when the first script fails.
Handle BuildFromFiles(const char* value) {
  Handle resource = kNoHandle;
  bool first = true;
  // An empty word (",,") ends the list.
  const char* p = value;
  while (true) {
    const char* start = p;
    while (*p != '\0' && *p != ',' && *p != ';' && *p != '\r' && *p != '\n') {
      p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
    }
    char file[kKeywordLineMax + 1];
    CopyCut(file, sizeof file, start, static_cast<size_t>(p - start));
    if (file[0] == '\0') break;
    if (first) {
      resource = CreateItemData(App().task, file);
      if (resource == kNoHandle) {
        WriteLogf("%s: the data form script cannot be read", file);
        return kNoHandle;
      }
      first = false;
    } else {
      WriteLog(file);
      if (AppendDataForm(resource, file) == kNoHandle) WriteLogf("%s: the data file cannot be read", file);
    }
    if (*p != ',' && *p != ';') break;
    ++p;
  }
  return resource;
}

}  // namespace

int BuildPlayListFromFiles() {
  char value[kKeywordLineMax + 1];
  if (PixieKey("RES_FILE", value, sizeof value) == nullptr) {
    ErrorDialog(App().task, 0, "RES_FILEが記述されていません");
    SendShutDown(App().task);
    return 1;
  }
  App().play_list = BuildFromFiles(value);
  return App().play_list != kNoHandle ? 0 : 1;
}

int BuildTextLibFromFiles() {
  char value[kKeywordLineMax + 1];
  if (PixieKey("TEXTLIB_FILE", value, sizeof value) == nullptr) {
    WriteLog("このｼﾅﾘｵはTextLibが定義されていません");
    App().text_lib = kNoHandle;
    return 1;
  }
  App().text_lib = BuildFromFiles(value);
  return App().text_lib != kNoHandle ? 0 : 1;
}

int ModeRow(const char* name) {
  if (name == nullptr || name[0] == '\0') return -1;
  const PixieApp& a = App();
  for (int row = 0; row < a.mode_count && row < kMaxModes; ++row) {
    if (a.mode_words[row] > 0 && std::strcmp(a.modes[row][0], name) == 0) return row;
  }
  return -1;
}

const char* ModeValueName(int row) {
  const PixieApp& a = App();
  if (row < 0 || row >= kMaxModes || a.mode_words[row] == 0) return "";
  const int32_t value = GetNum(a.state, a.modes[row][0]);
  // Values 0..8 have names (words 2..10 of the line); any other has none.
  if (value < 0 || value > kModeWords - 2 || value + 1 >= a.mode_words[row]) return "";
  return a.modes[row][value + 1];
}

void ReplaceModeValueNames(char* expression, size_t size) {
  if (expression == nullptr || size == 0 || std::memchr(expression, '\0', size) == nullptr) return;
  char* p = expression;
  while (*p != '\0') {
    // One statement: a string item's value is stored as written.
    char* statement = p;
    char target[kModeWordSize + 8];
    size_t t = 0;
    while (!EndsWord(statement[t]) && t + 1 < sizeof target) ++t;
    std::memcpy(target, statement, t);
    target[t] = '\0';
    const bool string_target = ItemType(StateResource(), target) == ITEMstring;
    while (*p != '\0' && *p != ';') {
      if (EndsWord(*p)) {
        ++p;
        continue;
      }
      char* start = p;
      while (!EndsWord(*p)) p += IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
      const size_t length = static_cast<size_t>(p - start);
      const int number = string_target ? -1 : ModeValueNumber(start, length);
      if (number >= 0) {
        const char digit[2] = {static_cast<char>('0' + number), '\0'};
        p = ReplaceSpan(expression, size, start, p, digit);
      }
    }
    if (*p == ';') ++p;
  }
}

void ClampParameters() {
  const PixieApp& a = App();
  for (int i = 0; i < a.param_count && i < kMaxParams; ++i) {
    const char* name = a.params[i];
    if (FindItem(StateResource(), name) == kNoHandle) continue;
    const int32_t value = GetNum(a.state, name);
    if (value < 0) SetNum(a.state, name, 0);
    if (value > kParameterMax) SetNum(a.state, name, kParameterMax);
  }
}

}  // namespace vadu
