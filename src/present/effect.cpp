#include "present/effect.h"

#include <algorithm>
#include <cstring>

#include "core/log.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "platform/input.h"
#include "platform/reset.h"
#include "window/backing_store.h"
#include "window/draw.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr char kEffectDataName[] = "EffectData";
// The large font of <font_size 2>.
constexpr int16_t kLargeFontSize = 24;
constexpr uint16_t kLargeFontStyle = 2;
// A whole-page draw without a repaint limit.
constexpr int32_t kNoLimit = 0x0FFFFFFF;
// Grid and wipe: the last frame counter before the end.
constexpr int32_t kGridLastFrame = 20;
constexpr int32_t kWipeLastFrame = 15;
// A restore pass every fifth tick, four passes in all.
constexpr int32_t kRestoreEvery = 5;
constexpr int32_t kRestorePasses = 4;
// A tag holds at most this many characters between its brackets.
constexpr int kTagMax = 2047;

struct EffectState {
  Handle task = kNoHandle;         // the effect task's record
  Handle data = kNoHandle;         // "EffectData", made at the start event
  Handle large_font = kNoHandle;   // <font_size 2>
  Handle normal_font = kNoHandle;  // the font <font_size 1> goes back to (one for the task)
};
EffectState g;

// --- Records -------------------------------------------------------------------

// Writes a working copy back when the record is still active.
void Store(Handle record, const EffectRecord& r) {
  if (EffectRecord* view = EffectView(record)) *view = r;
}

int32_t ActiveRecords() {
  const ResourceAttr* a = g.data == kNoHandle ? nullptr : Attr(g.data);
  return a == nullptr ? 0 : a->active_count;
}

// The handles of the active records, in record order. A step may delete its
// own record; none makes one, so the list stays true while it is walked.
template <typename Fn>
void ForEachRecord(Fn fn) {
  if (g.data == kNoHandle) return;
  const ResourceAttr* a = Attr(g.data);
  int bound = a == nullptr ? 0 : a->all_count;
  for (Handle r = FirstRecord(g.data); r != kNoHandle && bound-- > 0;) {
    const Handle next = NextRecord(r);
    fn(r);
    r = next;
  }
}

// ret_effect to the record's owner; the record halts. The record is read
// before the event is made (making it may move the pool's blocks).
void SendRetEffect(Handle record, uint16_t code) {
  const EffectRecord* view = EffectView(record);
  if (view == nullptr) return;
  const int32_t owner = view->owner;
  const uint16_t id = static_cast<uint16_t>(view->id);
  const Handle window = view->window;
  WriteLogf("ret_effect event %d", code);
  if (const Handle e = PostEvent(kTaskEffect, owner, code); e != kNoHandle) {
    uint8_t* b = EventBytes(e);
    PutU16(b + EffectResultAt::kId, id);
    PutU32(b + EffectResultAt::kWindow, window);
  }
  if (EffectRecord* v = EffectView(record)) {
    v->flags |= kEffectHalted;
    if (code == kEventEffectEnded) v->flags |= kEffectEndReported;
  }
}

void FreeStrips(EffectRecord& r) {
  // Each strip is a graphic record; the chain is bounded by the graphics
  // that can exist.
  Handle s = r.strips;
  for (int bound = 0x10000; s != kNoHandle && bound > 0; --bound) {
    const GraphicRecord* gr = GraphicView(s);
    const Handle next = gr == nullptr ? kNoHandle : gr->link;
    FreeGraphic(g.task, s);
    s = next;
  }
  r.strips = kNoHandle;
  r.strip_tail = kNoHandle;
}

bool Drawable(Handle window) {
  return TestWindowMode(window, WINDOWdrawable) != 0;
}

Handle ParentOf(Handle window) {
  const WindowRecord* w = WindowView(window);
  return w == nullptr ? kNoHandle : w->parent;
}

// --- The message area ------------------------------------------------------------

// What a text step needs of its message area.
struct Area {
  Handle window = kNoHandle;  // the area's own window
  Handle gc = kNoHandle;      // its colours and font, changed by tags
  int w = 0, h = 0;           // the window's size
};

bool AreaOf(Handle object, Area& area) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr || o->kind != kObjectMessage) return false;
  area.window = o->window;
  area.gc = o->gc;
  area.w = WindowWidth(o->window);
  area.h = WindowHeight(o->window);
  return true;
}

// The cell of the gc's font: the width W of a two-byte character and the
// height H; false without a font.
bool CellOf(Handle gc, int& cell_w, int& cell_h) {
  const GCRecord* gr = GCView(gc);
  const FontRecord* f = gr == nullptr ? nullptr : FontView(gr->font);
  if (f == nullptr) return false;
  cell_w = f->width;
  cell_h = f->height;
  return true;
}

// The message text, read once per call of the effect (a text holds one
// block, kMessageTextMax bytes).
struct Text {
  char bytes[kMessageTextMax + 2] = {};
  int length = 0;
  char At(int i) const { return i >= 0 && i < length ? bytes[i] : '\0'; }
};

void LoadText(Handle object, Text& t) {
  const int32_t n = CopyMessageText(object, t.bytes, sizeof t.bytes);
  t.length = n < 0 ? 0 : std::min<int>(n, kMessageTextMax + 1);
  t.bytes[t.length] = '\0';
}

// A page starts in the record's colour and the normal size, whether it is
// typed or drawn again, so a colour or size left over from an earlier text
// or page does not carry into it.
void StartPage(const EffectRecord& r, Handle gc) {
  SetGCTextColour(gc, r.initial_colour);
  const GCRecord* gr = GCView(gc);
  if (gr != nullptr && g.normal_font != kNoHandle && gr->font == g.large_font) SetGCFont(gc, g.normal_font);
}

uint32_t NamedColour(const char* name) {
  struct Named {
    const char* name;
    int entry;  // -1: the plain colour value 0
  };
  static constexpr Named kNames[] = {
      {"PALETblack", -1}, {"PALETwhite", 1}, {"PALETgray", 17}, {"PALETdarkgray", 19}, {"PALETlightgray", 18},
      {"PALETred", 2},    {"PALETblue", 3},  {"PALETmint", 26}, {"PALETyellow", 4},
  };
  for (const Named& n : kNames) {
    if (std::strcmp(name, n.name) == 0) return n.entry < 0 ? 0u : ColourTable[n.entry];
  }
  return ColourTable[5];  // green, for any other word
}

void ApplyTag(const char* command, const char* operand, Handle gc) {
  if (std::strcmp(command, "font_color") == 0) {
    SetGCTextColour(gc, NamedColour(operand));
  } else if (std::strcmp(command, "font_size") == 0) {
    if (std::strcmp(operand, "2") == 0) {
      if (g.normal_font == kNoHandle) {
        if (const GCRecord* gr = GCView(gc)) g.normal_font = gr->font;
      }
      if (g.large_font != kNoHandle) SetGCFont(gc, g.large_font);
    } else if (std::strcmp(operand, "1") == 0) {
      if (g.normal_font != kNoHandle) SetGCFont(gc, g.normal_font);
    }
  } else {
    WriteLog("EffectTask unknow code");
    WriteLog(command);
  }
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The tag at `at` (a '<'): applied, and the bytes it takes (brackets
// included). A tag without its '>' takes the rest of the text and is not
// applied.
int TakeTag(const Text& t, int at, Handle gc) {
  int close = at + 1;
  while (close < t.length && t.bytes[close] != '>') {
    close += IsLeadByte(static_cast<unsigned char>(t.bytes[close])) && close + 1 < t.length ? 2 : 1;
  }
  if (close >= t.length) return t.length - at;
  // The command is the first word; the operand the rest without blanks.
  char command[kTagMax + 1];
  char operand[kTagMax + 1];
  int nc = 0, no = 0;
  int i = at + 1;
  for (; i < close && !IsBlank(t.bytes[i]); ++i) {
    if (nc < kTagMax) command[nc++] = t.bytes[i];
  }
  for (; i < close; ++i) {
    if (!IsBlank(t.bytes[i]) && no < kTagMax) operand[no++] = t.bytes[i];
  }
  command[nc] = '\0';
  operand[no] = '\0';
  ApplyTag(command, operand, gc);
  return close - at + 1;
}

// Characters that never start a line: a line that is full before one of
// them takes it too.
bool NeverStartsLine(const Text& t, int at) {
  static const char* const kKinsoku[] = {"。", "、", "」"};
  for (const char* k : kKinsoku) {
    if (t.At(at) == k[0] && t.At(at + 1) == k[1]) return true;
  }
  return false;
}

// The bytes of a line end at `at`: the two characters backslash and n, a
// line feed, or a carriage return and line feed (a text from a desktop
// file); 0 for anything else.
int LineEndLength(const Text& t, int at) {
  const char c = t.At(at);
  if (c == '\n') return 1;
  if ((c == '\\' && t.At(at + 1) == 'n') || (c == '\r' && t.At(at + 1) == '\n')) return 2;
  return 0;
}

// The page turns: what follows the full page becomes the current one.
void TurnPage(EffectRecord& r) {
  WriteLog("text_draw() 二枚目表示");
  r.page_base += r.position;
  r.position = 0;
  r.x = 0;
  r.y = 0;
  r.flags &= ~kEffectPageFull;
}

int TextDraw(EffectRecord& r, const Text& t) {
  Area a;
  if (!AreaOf(r.object, a)) return 1;
  if (r.position == 0) {
    r.x = 0;
    r.y = 0;
  }
  if (!Drawable(a.window)) return Drawable(ParentOf(a.window)) ? 0 : 1;
  int cell_w = 0, cell_h = 0;
  if (!CellOf(a.gc, cell_w, cell_h)) return 1;
  const int left = a.w / 16, top = a.h / 14;

  // Page full: the pen is below the last usable line, or (past the page's
  // first line) the line would reach out of the area, where its characters
  // could not be drawn.
  if (2 * top + r.y > a.h || (r.y > 0 && top + r.y + cell_h > a.h)) {
    r.flags |= kEffectPageFull | kEffectHalted;
    return 2;
  }

  int at = r.page_base + r.position;
  while (t.At(at) == '<') {
    const int taken = TakeTag(t, at, a.gc);
    r.position += taken;
    at += taken;
  }
  if (t.At(at) == '\0') return 1;
  // A tag may have changed the size.
  CellOf(a.gc, cell_w, cell_h);

  const char c = t.At(at);
  if (const int line_end = LineEndLength(t, at); line_end != 0) {
    r.y = static_cast<int16_t>(r.y + cell_h + 8);
    r.x = 0;
    r.position += line_end;
    return 0;
  }

  const bool two = IsLeadByte(static_cast<unsigned char>(c)) && IsTrailByte(static_cast<unsigned char>(t.At(at + 1)));
  const char one[3] = {c, two ? t.At(at + 1) : '\0', '\0'};
  r.position += two ? 2 : 1;
  const int16_t x = static_cast<int16_t>(left + r.x), y = static_cast<int16_t>(top + r.y);
  if (r.mode == kEffectWholePage) {
    WinMessageColor(a.window, x, y, one, r.colour);
  } else {
    WinMessageGC(a.window, x, y, one, a.gc);
  }
  r.x = static_cast<int16_t>(r.x + (two ? cell_w : cell_w / 2));

  if (NeverStartsLine(t, at + (two ? 2 : 1))) return 0;
  if (2 * left + r.x + cell_w > a.w) {
    r.x = 0;
    r.y = static_cast<int16_t>(r.y + cell_h + 8);
  }
  return 0;
}

// --- Window effects -----------------------------------------------------------------

void GridFrame(const EffectRecord& r) {
  const int w = WindowWidth(r.window), h = WindowHeight(r.window);
  const int16_t wx = static_cast<int16_t>(w), hy = static_cast<int16_t>(h);
  // Lines every 20 pixels until past the window (every further line would
  // be clamped onto the edge again). A line leaves its end point out, so it
  // is set too: the far corner is no line's inner point.
  for (int a = r.position;; a += 20) {
    const int16_t v = static_cast<int16_t>(std::min(a, 0x7FFF));
    WinLineColor(r.window, v, 0, v, hy, r.colour);
    WinPointColor(r.window, static_cast<int16_t>(std::min(a, w)), hy, r.colour);
    WinLineColor(r.window, 0, v, wx, v, r.colour);
    WinPointColor(r.window, wx, static_cast<int16_t>(std::min(a, h)), r.colour);
    if (a > w && a > h) break;
  }
}

void WipeFrame(const EffectRecord& r) {
  const int w = WindowWidth(r.window), h = WindowHeight(r.window);
  const int u = w / 15;
  const int anchors[5] = {u, 3 * u, 6 * u, 10 * u, w - u};
  const int c = r.position;
  for (int k = 0; k < 5; ++k) {
    // Each band's sweep of 15 steps reaches the left edge (the widths are
    // rounded up); the last band reaches the right edge as well.
    const int band = k == 0 ? anchors[0] / 15 + 1 : (anchors[k] + 14) / 15;
    const int x = anchors[k] - c * band;
    const int width = k == 4 ? std::max(band, w - x) : band;
    WinFillRectangleColor(r.window, static_cast<int16_t>(std::max(x, -0x8000)), 0,
                          static_cast<int16_t>(std::min(width, 0x7FFF)), static_cast<int16_t>(h), r.colour);
  }
}

// The rectangle into 2-pixel strips; false (every strip freed) when one
// cannot be made or saved.
bool CaptureStrips(Handle record) {
  EffectRecord r = *EffectView(record);
  for (int i = 0; i < r.height; i += 2) {
    // An odd height ends with a strip of one row, so no row below the
    // rectangle is put back later.
    const int16_t rows = static_cast<int16_t>(std::min(2, r.height - i));
    const Handle strip = CreateGraphic(g.task, r.width, rows);
    if (const EffectRecord* v = EffectView(record)) r = *v;
    bool saved = strip != kNoHandle;
    if (saved) {
      if (r.strip_tail != kNoHandle) {
        if (GraphicRecord* tail = GraphicView(r.strip_tail)) tail->link = strip;
      } else {
        r.strips = strip;
      }
      r.strip_tail = strip;
      saved = WinGraphicSave(r.window, r.x, static_cast<int16_t>(r.y + i), r.width, 2, strip) == 0;
    }
    if (!saved) {
      FreeStrips(r);
      Store(record, r);
      return false;
    }
    Store(record, r);
  }
  if (EffectRecord* v = EffectView(record)) v->mode = 0;
  return true;
}

// One restore pass: every fourth strip, pass p starting at strip (4 - p) % 4.
// True when the last pass is done (the strips are freed then).
bool RestorePass(EffectRecord& r) {
  if (r.strips == kNoHandle) return true;
  if (r.mode < 0) r.mode = 0;
  int d = r.mode;
  int index = 0;
  for (Handle s = r.strips; s != kNoHandle && index < 0x8000; ++index) {
    if (d == 0 || d == 4) {
      d = 0;
      WinGraphicLoad(r.window, r.x, static_cast<int16_t>(r.y + 2 * index), r.width, 2, s);
    }
    ++d;
    const GraphicRecord* gr = GraphicView(s);
    s = gr == nullptr ? kNoHandle : gr->link;
  }
  ++r.mode;
  if (r.mode < kRestorePasses) return false;
  FreeStrips(r);
  return true;
}

void EndEffect(Handle record) {
  SendRetEffect(record, kEventEffectEnded);
  DeleteEffect(record);
}

// --- The task ----------------------------------------------------------------------

void Start(Handle task) {
  g.task = task;
  if (g.data == kNoHandle) g.data = FindResource(kSystemResName, kEffectDataName);
  if (g.data == kNoHandle) g.data = CreateResource(task, kSystemResName, kEffectDataName);
  if (g.large_font == kNoHandle) g.large_font = CreateFont(kLargeFontSize, kLargeFontSize, kLargeFontStyle, nullptr);
}

}  // namespace

// --- Requests ------------------------------------------------------------------------

EffectRequest ReadEffectRequest(const uint8_t* e) {
  EffectRequest r;
  r.id = GetU16(e + EffectRequestAt::kId);
  r.type = GetI32(e + EffectRequestAt::kType);
  r.colour = GetU32(e + EffectRequestAt::kColour);
  r.mode = GetI32(e + EffectRequestAt::kMode);
  r.window = GetU32(e + EffectRequestAt::kWindow);
  r.x = GetI16(e + EffectRequestAt::kX);
  r.y = GetI16(e + EffectRequestAt::kY);
  r.width = GetI16(e + EffectRequestAt::kWidth);
  r.height = GetI16(e + EffectRequestAt::kHeight);
  r.object = GetU32(e + EffectRequestAt::kObject);
  return r;
}

void WriteEffectRequest(uint8_t* e, const EffectRequest& r) {
  PutU16(e + EffectRequestAt::kId, r.id);
  PutI32(e + EffectRequestAt::kType, r.type);
  PutU32(e + EffectRequestAt::kColour, r.colour);
  PutI32(e + EffectRequestAt::kMode, r.mode);
  PutU32(e + EffectRequestAt::kWindow, r.window);
  PutI16(e + EffectRequestAt::kX, r.x);
  PutI16(e + EffectRequestAt::kY, r.y);
  PutI16(e + EffectRequestAt::kWidth, r.width);
  PutI16(e + EffectRequestAt::kHeight, r.height);
  PutU32(e + EffectRequestAt::kObject, r.object);
}

int SendEffectRequest(int32_t sender, const EffectRequest& request) {
  const Handle e = PostEvent(sender, kTaskEffect, kEventEffectRequest);
  if (e == kNoHandle) return 1;
  WriteEffectRequest(EventBytes(e), request);
  return 0;
}

// --- Records -------------------------------------------------------------------------

Handle EffectDataResource() {
  return g.data;
}

EffectRecord* EffectView(Handle record) {
  if (g.data == kNoHandle) return nullptr;
  return reinterpret_cast<EffectRecord*>(RecordBodyOf(record, g.data, kEffectRecordSize));
}

Handle FindEffect(Handle object, int16_t type) {
  Handle found = kNoHandle;
  ForEachRecord([&](Handle r) {
    const EffectRecord* v = EffectView(r);
    if (found == kNoHandle && v != nullptr && v->object == object && v->type == type) found = r;
  });
  return found;
}

void SetEffectMode(Handle window, uint32_t id, int32_t mode) {
  bool done = false;
  ForEachRecord([&](Handle r) {
    EffectRecord* v = EffectView(r);
    if (!done && v != nullptr && v->window == window && v->id == id) {
      v->mode = mode;
      done = true;
    }
  });
}

void DeleteEffect(Handle record) {
  EffectRecord* v = EffectView(record);
  if (v == nullptr) return;
  EffectRecord r = *v;
  FreeStrips(r);
  Store(record, r);
  DeleteRecord(g.data, record);
}

void CreateEffect(const EffectRequest& q) {
  if (g.data == kNoHandle) return;
  WriteLog("create effect");
  if (q.type == EFFECTmode) {
    SetEffectMode(q.window, q.id, q.mode);
    return;
  }
  if (q.type == EFFECTrestore) {
    const Handle capture = FindEffect(q.object, EFFECTcapture);
    if (EffectRecord* v = EffectView(capture); v != nullptr && v->window == q.window) {
      v->type = EFFECTrestore;
      return;
    }
  }
  if (const Handle old = FindEffect(q.object, static_cast<int16_t>(q.type)); old != kNoHandle) {
    if (q.type == EFFECTtext && EffectView(old)->window == q.window) {
      WriteLog("EFFECT TASK 要求受付 RestoreWindowによりメッセージウインドウ・クリア");
      // The message area's saved picture back where it was taken.
      Area a;
      const WindowRecord* w = AreaOf(q.object, a) ? WindowView(a.window) : nullptr;
      if (w != nullptr && w->save_graphic != kNoHandle && Drawable(a.window)) {
        const ScreenRect o = OuterRect(a.window);
        GraphicLoad(static_cast<int16_t>(o.x), static_cast<int16_t>(o.y), static_cast<int16_t>(o.width),
                    static_cast<int16_t>(o.height), w->save_graphic);
      }
    }
    WriteLogf("同一ｴﾌｪｸﾄﾃﾞｰﾀが存在するため、古い方を削除します  count rec %d\n", ActiveRecords());
    // The event goes out before the record is deleted: it reads the record.
    SendRetEffect(old, kEventEffectReplaced);
    DeleteEffect(old);
  }

  const WindowRecord* w = WindowView(q.window);
  const int32_t owner = w == nullptr ? -1 : TaskNumber(w->owner);
  const Handle record = CreateRecord(g.data, -1, kEffectRecordSize);
  EffectRecord* v = EffectView(record);
  if (v == nullptr) return;
  // A reused record keeps its old bytes: every field is set.
  EffectRecord r{};
  r.owner = owner;
  r.id = q.id;
  r.window = q.window;
  r.object = q.object;
  r.type = static_cast<int16_t>(q.type);
  r.colour = q.colour;
  r.initial_colour = q.colour;
  r.mode = q.mode;
  r.x = q.x;
  r.y = q.y;
  r.width = q.width;
  r.height = q.height;
  *v = r;
}

void TextStep(Handle record) {
  const EffectRecord* v = EffectView(record);
  if (v == nullptr || (v->flags & kEffectHalted) != 0) return;
  EffectRecord r = *v;
  Area a;
  // The area is cleared once, before the first character, when it can be
  // drawn (its picture would otherwise cover what lies over it).
  if (r.position == 0 && r.page_base == 0 && (r.flags & kEffectWindowCleared) == 0 && AreaOf(r.object, a) &&
      Drawable(a.window)) {
    const WindowRecord* w = WindowView(a.window);
    if (w != nullptr && w->save_graphic != kNoHandle) RestorWindowGraphic(a.window);
    StartPage(r, a.gc);
    r.flags |= kEffectWindowCleared;
  }
  Text t;
  LoadText(r.object, t);
  const int result = TextDraw(r, t);
  Store(record, r);
  if (result != 0) return;
  if (r.mode == kEffectWholePage) RedrawEffect(r.object, kRedrawComplete);
}

int text_draw(Handle record) {
  const EffectRecord* v = EffectView(record);
  if (v == nullptr) return 1;
  EffectRecord r = *v;
  Text t;
  LoadText(r.object, t);
  const int result = TextDraw(r, t);
  Store(record, r);
  return result;
}

int RedrawEffect(Handle object, int mode) {
  Area a;
  if (!AreaOf(object, a) || !Drawable(ParentOf(a.window))) return 1;
  const Handle record = FindEffect(object, EFFECTtext);
  if (record == kNoHandle) return 0;
  EffectRecord r = *EffectView(record);
  if (mode == kRedrawNextPage) {
    if ((r.flags & kEffectPageFull) == 0) {
      SendRetEffect(record, kEventEffectEnded);
      return 0;
    }
    WriteLog("続きﾃﾞｰﾀ見つけた");
    TurnPage(r);
  } else if (mode == kRedrawComplete && (r.flags & kEffectPageFull) != 0) {
    // The press after a full page shows the next one.
    TurnPage(r);
  }

  if (Drawable(a.window)) RestorWindowGraphic(a.window);
  const int32_t old_position = r.position;
  r.position = 0;
  StartPage(r, a.gc);
  int32_t limit = kNoLimit;
  if (mode == kRedrawRepaint) {
    limit = old_position;
    WriteLogf("RedrawEffect() mode 2 %d", old_position);
  }
  bool resumed = false;
  if ((r.flags & kEffectHalted) != 0 && mode == kRedrawComplete) {
    r.flags &= ~kEffectHalted;
    resumed = true;
  }

  Text t;
  LoadText(object, t);
  int result = 0;
  while (r.position < limit) {
    const int32_t before = r.position;
    result = TextDraw(r, t);
    // Nothing taken: the area cannot be drawn just now.
    if (result != 0 || r.position == before) break;
  }
  if (resumed) r.flags |= kEffectHalted;
  Store(record, r);
  if (result == 1) {
    if (mode == kRedrawRepaint) {
      // The text ended before the place it had got to (it was changed):
      // the effect is over. A text whose last tag was read together with
      // its end stops exactly there and stays for later repaints.
      if (r.position < limit) DeleteEffect(record);
    } else if ((r.flags & kEffectEndReported) == 0) {
      // The end is told once, whether it was typed or completed here.
      SendRetEffect(record, kEventEffectEnded);
    }
  }
  return 0;
}

void StepEffect(Handle record) {
  const EffectRecord* v = EffectView(record);
  if (v == nullptr) return;
  EffectRecord r = *v;
  if (!Drawable(r.window)) {
    const bool strips = r.type == EFFECTcapture || r.type == EFFECTrestore;
    if (TestWindowMode(r.window, WINDOWopen) == 0 || (!strips && TestWindowMode(r.window, WINDOWredraw) != 0)) {
      EndEffect(record);
    }
    return;
  }
  if ((r.flags & kEffectHalted) != 0) return;
  switch (r.type) {
    case EFFECTgrid:
      GridFrame(r);
      if (++r.position > kGridLastFrame) return EndEffect(record);
      break;
    case EFFECTwipe:
      WipeFrame(r);
      if (++r.position > kWipeLastFrame) return EndEffect(record);
      break;
    case EFFECTtext: {
      // A message area that went away ends its text as its window would.
      Area a;
      if (!AreaOf(r.object, a)) return EndEffect(record);
      return TextStep(record);
    }
    case EFFECTcapture:
      if (r.strips != kNoHandle) return;
      if (!CaptureStrips(record)) return DeleteEffect(record);
      r = *EffectView(record);
      ++r.position;
      break;
    case EFFECTrestore:
      if (++r.position % kRestoreEvery == 0 && RestorePass(r)) {
        Store(record, r);
        return DeleteEffect(record);
      }
      break;
    default:
      WriteLogf("NON suport effect request. type %d", r.type);
      return;
  }
  Store(record, r);
}

void EffectTask(Handle task) {
  g.task = task;
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    const uint8_t* e = EventBytes(CurrentEvent(task));
    const uint16_t code = e == nullptr ? 0 : GetU16(e);
    if (code == kEventStart) {
      Start(task);
    } else if (code == kEventEffectRequest) {
      CreateEffect(ReadEffectRequest(e));
    } else if (code == kEventEighthSecond) {
      ForEachRecord(StepEffect);
    }
  }
  // Ctrl held: one more character a cycle for every text.
  if (ActiveRecords() > 0 && (ModifierKeys() & kModControl) != 0) {
    ForEachRecord([](Handle r) {
      if (const EffectRecord* v = EffectView(r); v != nullptr && v->type == EFFECTtext) TextStep(r);
    });
  }
}

void ResetEffects() {
  g = EffectState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetEffects);
}  // namespace

}  // namespace vadu
