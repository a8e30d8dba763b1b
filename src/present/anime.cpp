#include "present/anime.h"

#include <cstdint>
#include <cstring>

#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/strings.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "text/text.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

struct AnimeState {
  Handle task = kNoHandle;      // AnimeTask's record: owner of the scripts and pictures
  Handle resource = kNoHandle;  // "AnimeData", made at the start event
  int16_t count = 0;            // animations created and not yet deleted
};
AnimeState g;

// Steps every animation takes per tick.
constexpr int kStepsPerTick = 4;
// Room for one script line as the log and the commands see it (a line
// longer than this is cut, never inside a two-byte character).
constexpr size_t kLineRoom = 1024;
// A script name must fit a text's name whole: the text reads the file named
// like itself, so a cut name would read another file.
constexpr size_t kScriptNameMax = sizeof(ResourceAttr::res_name) - 1;
// The script name of a request: the rest of the event record.
constexpr size_t kRequestNameRoom = kEventRecordSize - EffectRequestAt::kName;

// The length of the longest start of `text` that holds at most `max` bytes
// and does not end inside a two-byte character.
size_t CutLength(const char* text, size_t max) {
  size_t n = 0;
  while (text[n] != '\0') {
    const auto c = static_cast<unsigned char>(text[n]);
    const size_t size = IsLeadByte(c) && IsTrailByte(static_cast<unsigned char>(text[n + 1])) ? 2 : 1;
    if (n + size > max) break;
    n += size;
  }
  return n;
}

// A script's number operand: an optional sign and the digits that follow
// (none gives 0), kept in the 16 bits the record's fields have.
int32_t ParseNumber(const char* text) {
  bool negative = false;
  if (*text == '-' || *text == '+') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    if (value <= INT32_MAX) value = value * 10 + (*text - '0');
  }
  return static_cast<int32_t>(negative ? (value > INT32_MAX ? INT32_MIN : -value)
                                       : (value > INT32_MAX ? INT32_MAX : value));
}

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(value < INT16_MIN ? INT16_MIN : value > INT16_MAX ? INT16_MAX : value);
}

// Bound of every walk over a graphic chain: a damaged link cannot make it
// loop.
uint32_t GraphicWalkLimit() {
  return RecordCount(SystemResource("Graphic VRAM")) + 1u;
}

// The picture of the animation's chain keyed by `line`, or none.
Handle FindPicture(Handle record, int16_t line) {
  const AnimeRecord* a = AnimeView(record);
  Handle picture = a != nullptr ? a->pictures : kNoHandle;
  const uint32_t limit = GraphicWalkLimit();
  for (uint32_t n = 0; picture != kNoHandle && n < limit; ++n) {
    const GraphicRecord* p = GraphicView(picture);
    if (p == nullptr) return kNoHandle;
    if (p->id == static_cast<uint32_t>(line)) return picture;
    picture = p->link;
  }
  return kNoHandle;
}

// Puts the picture at the end of the animation's chain.
void AppendPicture(Handle record, Handle picture) {
  AnimeRecord* a = AnimeView(record);
  if (a == nullptr) return;
  if (a->pictures == kNoHandle) {
    a->pictures = picture;
    return;
  }
  Handle last = a->pictures;
  const uint32_t limit = GraphicWalkLimit();
  for (uint32_t n = 0; n < limit; ++n) {
    GraphicRecord* p = GraphicView(last);
    if (p == nullptr) return;
    if (p->link == kNoHandle) {
      p->link = picture;
      return;
    }
    last = p->link;
  }
}

// `pic`: the picture of this line (loaded once, then kept in the chain)
// drawn at the origin at its own size.
void ShowPicture(Handle record, int16_t line, const char* name) {
  Handle picture = FindPicture(record, line);
  if (picture == kNoHandle) {
    WriteLog("  create graphic work");
    picture = LoadGraphicFile(g.task, name);
    GraphicRecord* p = GraphicView(picture);
    if (p == nullptr) {
      WriteLogf("no graphic %s", name);
      return;
    }
    p->id = static_cast<uint32_t>(line);
    p->link = kNoHandle;
    AppendPicture(record, picture);
  }
  const AnimeRecord* a = AnimeView(record);
  const GraphicRecord* p = GraphicView(picture);
  if (a == nullptr || p == nullptr) return;
  if (TestWindowMode(a->window, WINDOWdrawable) == 0) WriteLog("anime window描画禁止です");
  WinDrawGraphic(a->window, a->x, a->y, p->width, p->height, picture);
}

// Line y of the script for the log and the commands; -1 when the script
// has no such line (or no text: a script never read has none).
int32_t FetchLine(Handle script, int32_t y, char* out, size_t size) {
  out[0] = '\0';
  const TextObject* t = TextView(script);
  if (t == nullptr || t->text_size <= 0) return -1;
  return GetTextLine(script, y, out, size);
}

bool LineExists(Handle script, int32_t y) {
  const TextObject* t = TextView(script);
  return t != nullptr && t->text_size > 0 && y >= 0 && y <= t->max_line;
}

// True when an animation other than `except` reads the text `script`: texts
// are found by name, so two animations of one script share one text.
bool ScriptShared(Handle script, Handle except) {
  const uint32_t limit = RecordCount(g.resource);
  Handle r = FirstRecord(g.resource);
  for (uint32_t n = 0; r != kNoHandle && n < limit; ++n, r = NextRecord(r)) {
    const AnimeRecord* a = AnimeView(r);
    if (r != except && a != nullptr && a->script == script) return true;
  }
  return false;
}

void StopPlaying(Handle record) {
  if (AnimeRecord* a = AnimeView(record)) a->flags &= ~kAnimePlaying;
}

// 0x503 to task 11.
void Request(const uint8_t* e) {
  WriteLog("rev anime event.");
  // Before the start event there is nothing to act on.
  if (g.resource == kNoHandle) return;
  const Handle window = GetU32(e + EffectRequestAt::kWindow);
  switch (GetI32(e + EffectRequestAt::kType)) {
    case kAnimeStop:
      if (const Handle r = FindAnime(window); r != kNoHandle) DeleteAnime(r);
      break;
    case kAnimeStart:
      if (CreateAnime(e) == kNoHandle) ErrorDialog(g.task, 0, "データの作成に失敗");
      break;
    case kAnimePress:
      WriteLog("press animewindow");
      if (const Handle r = FindAnime(window); r != kNoHandle) PressAnime(r);
      break;
    case kAnimeToggle:
      if (AnimeRecord* a = AnimeView(FindAnime(window))) {
        WriteLog("ANIME start & stop");
        a->flags ^= kAnimePlaying;
      }
      break;
    default:
      break;
  }
}

}  // namespace

AnimeRecord* AnimeView(Handle record) {
  if (g.resource == kNoHandle) return nullptr;
  return reinterpret_cast<AnimeRecord*>(RecordBodyOf(record, g.resource, kAnimeRecordSize));
}

Handle AnimeDataResource() {
  return g.resource;
}

int16_t AnimeCount() {
  return g.count;
}

Handle FindAnime(Handle window) {
  const uint32_t limit = RecordCount(g.resource);
  Handle r = FirstRecord(g.resource);
  for (uint32_t n = 0; r != kNoHandle && n < limit; ++n, r = NextRecord(r)) {
    if (const AnimeRecord* a = AnimeView(r); a != nullptr && a->window == window) return r;
  }
  return kNoHandle;
}

Handle CreateAnime(const uint8_t* request) {
  if (g.resource == kNoHandle || request == nullptr) return kNoHandle;
  const Handle record = CreateRecord(g.resource, -1, kAnimeRecordSize);
  AnimeRecord* a = AnimeView(record);
  if (a == nullptr) return kNoHandle;
  char name[kRequestNameRoom];
  std::memcpy(name, request + EffectRequestAt::kName, sizeof name - 1);
  name[sizeof name - 1] = '\0';
  // A reused record keeps what it held: every field is set here.
  std::memset(a, 0, sizeof *a);
  a->press_line = -1;
  // The first line runs at the first step.
  a->wait = 1;
  a->window = GetU32(request + EffectRequestAt::kWindow);
  a->x = GetI16(request + EffectRequestAt::kX);
  a->y = GetI16(request + EffectRequestAt::kY);
  std::memcpy(a->name, name, CutLength(name, sizeof a->name - 1));
  ++g.count;

  const size_t length = std::strlen(name);
  const Handle script = length > 0 && length <= kScriptNameMax ? CreateText(g.task, name, 0) : kNoHandle;
  if (script == kNoHandle) {
    WriteLog("指定されたアニメスクリプトが読み込めませんでした。");
    return record;
  }
  AnimeView(record)->script = script;
  // A script that cannot be read leaves the record idle.
  if (ReadTextFile(script) != 0) return record;
  const TextObject* t = TextView(script);
  a = AnimeView(record);
  a->line = 0;
  a->flags = kAnimePlaying;
  a->step_counter = 0;
  a->line_count = Clamp16(t != nullptr ? t->max_line : 0);
  return record;
}

void DeleteAnime(Handle record) {
  AnimeRecord* a = AnimeView(record);
  if (a == nullptr) return;
  a->flags = 0;
  char name[kAnimeNameSize + 1] = {};
  std::memcpy(name, a->name, FixedTextLength(a->name, sizeof a->name));
  WriteLogf("delete anime!! %s", name);
  Handle picture = a->pictures;
  const Handle script = a->script;
  a->pictures = kNoHandle;
  a->script = kNoHandle;
  const uint32_t limit = GraphicWalkLimit();
  for (uint32_t n = 0; picture != kNoHandle && n < limit; ++n) {
    const GraphicRecord* p = GraphicView(picture);
    if (p == nullptr) break;
    const Handle next = p->link;
    FreeGraphic(g.task, picture);
    picture = next;
  }
  if (script != kNoHandle && !ScriptShared(script, record)) DeleteTextObject(script);
  DeleteRecord(g.resource, record);
  if (g.count > 0) --g.count;
}

void PressAnime(Handle record) {
  AnimeRecord* a = AnimeView(record);
  if (a == nullptr || a->press_line == -1) return;
  a->line = a->press_line;
  a->press_line = -1;
}

void AnimeTick() {
  for (int pass = 0; pass < kStepsPerTick; ++pass) {
    const uint32_t limit = RecordCount(g.resource);
    Handle r = FirstRecord(g.resource);
    for (uint32_t n = 0; r != kNoHandle && n < limit; ++n) {
      const Handle next = NextRecord(r);
      if (sync_ani(r) == 1) DeleteAnime(r);
      r = next;
    }
  }
}

int sync_ani(Handle record) {
  AnimeRecord* a = AnimeView(record);
  if (a == nullptr || (a->flags & kAnimePlaying) == 0) return 0;
  if (a->step_counter < INT16_MAX) ++a->step_counter;
  if (a->step_counter < a->wait) return 0;
  a->step_counter = 0;
  a->wait = 1;
  const EventTiming& timing = EventTaskTiming();
  const LocalDateTime now = UnpackDateTime(timing.current);
  WriteLogf("sync_ani() s:ms %02d:%04d   ms_count: %02d  anime line %d anime play count %d", now.second,
            now.millisecond, static_cast<int>(timing.total_cycles), a->line, g.count);
  const int16_t line = a->line;
  const Handle script = a->script;
  char text[kLineRoom];
  if (FetchLine(script, line, text, sizeof text) < 0) {
    StopPlaying(record);
    return 1;
  }
  WriteLog(text);
  char command[kLineRoom];
  char operand[kLineRoom];
  NextToken(NextToken(text, command, sizeof command), operand, sizeof operand);
  if (std::strcmp(command, "pic") == 0) {
    ShowPicture(record, line, operand);
  } else if (std::strcmp(command, "wait") == 0) {
    AnimeView(record)->wait = Clamp16(ParseNumber(operand));
  } else if (std::strcmp(command, "jump") == 0) {
    const int32_t target = ParseNumber(operand);
    // A line the script does not have ends the animation, as running past
    // its last line does.
    if (!LineExists(script, target)) {
      StopPlaying(record);
      return 1;
    }
    AnimeView(record)->line = static_cast<int16_t>(target);
  } else if (std::strcmp(command, "press_jump_line") == 0) {
    AnimeView(record)->press_line = Clamp16(ParseNumber(operand));
  }
  a = AnimeView(record);
  const int32_t next = a->line + (a->direction != 0 ? -1 : 1);
  // Past the 16-bit line numbers there is no line to run.
  a->line = next > INT16_MAX ? static_cast<int16_t>(-1) : static_cast<int16_t>(next);
  return 0;
}

int SendAnimeRequest(Handle task, int32_t type, Handle window, int16_t x, int16_t y, const char* script) {
  uint8_t* b = EventBytes(PostEvent(TaskNumber(task), kTaskAnime, kEventEffectRequest));
  if (b == nullptr) return 1;
  PutI32(b + EffectRequestAt::kType, type);
  PutU32(b + EffectRequestAt::kWindow, window);
  PutI16(b + EffectRequestAt::kX, x);
  PutI16(b + EffectRequestAt::kY, y);
  if (script != nullptr) std::memcpy(b + EffectRequestAt::kName, script, CutLength(script, kRequestNameRoom - 1));
  return 0;
}

void AnimeTask(Handle task) {
  g.task = task;
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  // The event is copied: what the handling makes may move the pool.
  uint8_t e[kEventRecordSize];
  const uint8_t* b = EventBytes(CurrentEvent(task));
  if (b == nullptr) return;
  std::memcpy(e, b, sizeof e);
  switch (GetU16(e)) {
    case kEventStart:
      if (g.resource == kNoHandle) g.resource = CreateResource(task, kSystemResName, kAnimeDataName);
      break;
    case kEventEffectRequest:
      Request(e);
      break;
    case kEventEighthSecond:
    case kEventHalfSecond:
      if (g.count > 0) AnimeTick();
      break;
    default:
      break;
  }
}

void ResetAnime() {
  g = AnimeState{};
}

}  // namespace vadu
