// The objects that show a text of the text buffer (text/text.h): message
// areas (kind 16), text areas (kind 26) and the one-line inputs made from
// them (kind 3), with the one-line operations the inputs are read and
// written through.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/log.h"
#include "core/pool.h"
#include "data/resource.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "text/text.h"
#include "window/draw.h"
#include "window/gc_draw.h"
#include "window/object.h"
#include "window/object_internal.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

// The text every input line is named after; inputs alive at the same time
// get "demo text2", "demo text3" and on.
constexpr char kInputTextName[] = "demo text";
// Texts are looked for by name up to this suffix: far more inputs than any
// screen shows at once.
constexpr int kMaxInputTexts = 1000;
// The longest line an input is read into or drawn from.
constexpr size_t kLineBuffer = kTextBlockChars + 1;

Handle g_first_text_area = kNoHandle;

// The text object named `name`, when one is alive.
Handle FindTextNamed(const char* name) {
  const Handle resource = FindResource(name, kTextDataName);
  if (resource == kNoHandle) return kNoHandle;
  const Handle text = search_record(resource, 1);
  return TextView(text) != nullptr ? text : kNoHandle;
}

// The name of a text some live object shows ("" when the handle is no text).
std::string TextName(Handle text) {
  const TextObject* t = TextView(text);
  const ResourceAttr* a = t != nullptr ? Attr(t->block_resource) : nullptr;
  if (a == nullptr) return "";
  return std::string(a->res_name, strnlen(a->res_name, sizeof a->res_name));
}

// The first input text name that no live input line or text area shows.
// Every input sharing one text, as the name alone would make them, lost
// what was typed into one as soon as another was made.
std::string FreeInputTextName() {
  std::vector<std::string> used;
  const Handle resource = ObjectResource();
  int budget = ObjectBudget();
  for (Handle r = FirstRecord(resource); r != kNoHandle && budget-- > 0; r = NextRecord(r)) {
    const ObjectRecord* o = ObjectView(r);
    if (o != nullptr && (o->kind == kObjectInput || o->kind == kObjectTextArea)) used.push_back(TextName(o->data));
  }
  std::string name = kInputTextName;
  for (int n = 2; n <= kMaxInputTexts; ++n) {
    bool taken = false;
    for (const std::string& u : used) taken = taken || u == name;
    if (!taken) break;
    name = std::string(kInputTextName) + std::to_string(n);
  }
  return name;
}

Handle CreateInput(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task, uint32_t flags,
                   const char* name) {
  const CellSize cell = CellOf(GetWindowGC(parent));
  const long chars = length > 0 ? length : 0;
  const int16_t width = Clamp16(cell.half * (chars + 1) + 4);
  const int16_t height = Clamp16(cell.height + 4L);
  Handle object = kNoHandle;
  if (WindowView(parent) != nullptr) {
    const Handle text = CreateText(task, FreeInputTextName().c_str(), kTextOneLine);
    object = CreateTextArea(text, parent, x, y, width, height, number, kTextOneLine);
  }
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("    CreateMessageLine null error");
    return kNoHandle;
  }
  o->kind = kObjectInput;
  const Handle text = o->data;
  SetWindowName(o->window, name);
  if (TextObject* t = TextView(text)) t->mode |= flags;
  return object;
}

// The one-line input's text, or none when the object is no one-line input.
Handle OneLineText(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  const TextObject* t = o != nullptr ? TextView(o->data) : nullptr;
  return t != nullptr && (t->mode & kTextOneLine) != 0 ? o->data : kNoHandle;
}

// The text of the task's message areas ("TEXTWORK<number>"), made with one
// empty block on first use.
Handle MessageText(Handle parent) {
  const WindowRecord* w = WindowView(parent);
  if (w == nullptr) return kNoHandle;
  const Handle task = w->owner;
  char name[32];
  std::snprintf(name, sizeof name, "TEXTWORK%d", static_cast<int>(TaskNumber(task)));
  if (const Handle text = FindTextNamed(name); text != kNoHandle) return text;
  const Handle text = CreateText(task, name, 0);
  if (text != kNoHandle) SetTextContent(text, "", 0);
  return text;
}

// A decimal number as an input holds it: blanks, a sign, digits; values
// past the 32-bit range are its ends.
int32_t DecimalValue(const char* text) {
  const long long v = std::strtoll(text, nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

// --- Message areas -------------------------------------------------------------

Handle CreateMessage(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle gc) {
  const Handle object = CreateObject(kNoHandle, parent, number, x, y, width, height);
  if (ObjectView(object) == nullptr) return kNoHandle;
  const Handle text = MessageText(parent);
  ObjectRecord* o = ObjectView(object);
  o->kind = kObjectMessage;
  o->data = text;
  if (gc != kNoHandle) o->gc = gc;
  SetWindowName(o->window, "Message");
  SetWindowMode(parent, WINDOWresave);
  return object;
}

Handle SetMessageObject(Handle window, int16_t number, const char* text) {
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr || o->kind != kObjectMessage) return kNoHandle;
  const Handle data = o->data;
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  if (length > static_cast<size_t>(kMessageTextMax)) {
    WriteLog("SetMessageObject() text length error");
    return kNoHandle;
  }
  if (SetTextContent(data, text, static_cast<int32_t>(length)) != 0) return kNoHandle;
  return object;
}

int32_t CopyMessageText(Handle object, char* buffer, size_t size) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr || o->kind != kObjectMessage) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return -1;
  }
  return CopyText(o->data, buffer, size);
}

// --- Text areas and inputs ---------------------------------------------------------

Handle CreateTextArea(Handle text, Handle parent, int16_t x, int16_t y, int16_t width, int16_t height, int16_t number,
                      uint32_t mode) {
  if (TextView(text) == nullptr) return kNoHandle;
  const Handle object = CreateObject(kNoHandle, parent, number, x, y, width, height);
  ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return kNoHandle;
  o->kind = kObjectTextArea;
  o->data = text;
  if (HandleEntry* e = MutableEntry(object)) {
    e->tag[0] = 'T';
    e->tag[1] = 'O';
  }
  const CellSize cell = CellOf(o->gc);
  TextAreaFields* f = TextAreaView(object);
  f->top_line = 0;
  f->rows = Clamp16(height / cell.height);
  f->first_column = 0;
  f->columns = Clamp16(width / cell.half);
  if (TextObject* t = TextView(text)) {
    t->mode |= mode;
    // An input starts with an empty line to edit.
    if (t->top_block == kNoHandle) SetTextContent(text, "", 0);
  }
  if (g_first_text_area == kNoHandle) g_first_text_area = object;
  return object;
}

Handle FirstTextArea() {
  return g_first_text_area;
}

void ForgetFirstTextArea() {
  g_first_text_area = kNoHandle;
}

Handle CreateMessageLine(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task) {
  return CreateInput(parent, number, x, y, length, task, 0, "InputMessage");
}

Handle CreateInputNumeric(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task) {
  return CreateInput(parent, number, x, y, length, task, kTextDigitsOnly | kTextHalfWidth, "InputNumeric");
}

Handle CreateInputByte(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task) {
  return CreateInput(parent, number, x, y, length, task, kTextHalfWidth, "InputByte");
}

void DrawInputMessage(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("  DrawInputMessage object is NULL");
    return;
  }
  const Handle window = o->window;
  const Handle gc = o->gc;
  const Handle text = o->data;
  const TextAreaFields* f = TextAreaView(object);
  const int32_t top = f->top_line;
  const GCRecord* g = GCView(gc);
  WinFill(window, g != nullptr ? g->face : 0);
  SunkenFrame(window, 0, 0, gc);
  if (const TextObject* t = TextView(text)) {
    char line[kLineBuffer];
    const int32_t y = top + (t->cursor_y > 0 ? t->cursor_y : 0);
    if (GetTextLine(text, y, line, sizeof line) > 0) WinMessageGC(window, 2, 2, line, gc);
  }
  // The text task draws the cursor (through the seam; none in a build
  // without it).
  if (TextHooks().draw_cursor != nullptr) TextHooks().draw_cursor(object);
}

int SetTextLine(Handle object, const char* text) {
  const Handle data = OneLineText(object);
  if (data == kNoHandle) return 1;
  // One line, as much as a block holds.
  char line[kLineBuffer];
  CopyLabel(line, sizeof line, text);
  const int32_t length = static_cast<int32_t>(std::strlen(line));
  if (SetTextContent(data, line, length) != 0) return 1;
  if (TextObject* t = TextView(data)) {
    t->cursor_x = Clamp16(length + 1L);
    t->cursor_y = 0;
  }
  std::printf("SET size %d  %s.\n", static_cast<int>(length), line);
  std::fflush(stdout);
  // Drawn as the input is always drawn: with its edge, the text in its
  // place.
  DrawInputMessage(object);
  return 0;
}

int ReqTextLine(Handle object, char* buffer, size_t size) {
  if (buffer == nullptr || size == 0) return 1;
  buffer[0] = '\0';
  const Handle data = OneLineText(object);
  if (data == kNoHandle) return 1;
  const int32_t length = CopyText(data, buffer, size);
  std::printf("REQ size %d %s.\n", static_cast<int>(length), buffer);
  std::fflush(stdout);
  // A trace line: shown in a dialog, it stopped the game at every read.
  WriteLog("ReqTextLine() call");
  return 0;
}

Handle GetInputText(Handle window, int16_t number, char* buffer, size_t size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("Object番号指定ミス GetInputText");
    return kNoHandle;
  }
  if (o->kind != kObjectInput || ReqTextLine(object, buffer, size) != 0) return kNoHandle;
  return object;
}

int32_t GetInputNumber(Handle window, int16_t number) {
  char text[100];
  if (GetInputText(window, number, text, sizeof text) == kNoHandle) return -1;
  return DecimalValue(text);
}

Handle PutInputText(Handle window, int16_t number, const char* text) {
  const Handle object = FindObject(window, number);
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) {
    WriteLog("Object番号指定ミス PutInputText");
    return kNoHandle;
  }
  if (o->kind != kObjectInput || SetTextLine(object, text) != 0) return kNoHandle;
  return object;
}

int PutInputNumber(Handle window, int16_t number, int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  return PutInputText(window, number, text) != kNoHandle ? 0 : 1;
}

}  // namespace vadu
