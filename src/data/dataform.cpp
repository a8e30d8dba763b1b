// Data form scripts: declaring an itemised resource from a script and
// filling it with the script's record blocks.
#include "data/dataform.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/log.h"
#include "core/strings.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "data/resource_internal.h"

namespace vadu {
namespace {

// Room for a value of the settings lookup (a line holds at most 255
// characters there).
constexpr size_t kNameBufferSize = kKeywordLineMax + 1;
// String values longer than this are logged as they are stored.
constexpr size_t kLoggedValueLength = 800;

// A line (or token) is the keyword when the whole of it occurs inside the
// keyword word; an empty line is no keyword.
bool IsKeyword(const char* line, const char* keyword) {
  return FindText(keyword, line) != 0;
}

// Copies the next token of `text` into `out` (room for `size` bytes). Tokens
// are separated by blanks (space characters); a token ends at a blank, a
// newline or the end of the line. Returns the position after the token.
const char* SplitToken(const char* text, char* out, size_t size) {
  while (*text == ' ') ++text;
  const char* start = text;
  while (*text != '\0' && *text != ' ' && *text != '\n') ++text;
  const size_t n = std::min(static_cast<size_t>(text - start), size - 1);
  std::memcpy(out, start, n);
  out[n] = '\0';
  return text;
}

// A decimal integer: leading blanks, one sign, digits; the conversion stops
// at the first other character, no digits give 0, and a number beyond the
// 32-bit range gives the nearest 32-bit value.
int32_t DecimalValue(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > static_cast<int64_t>(INT32_MAX) + 1) value = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) value = INT32_MAX;
  return static_cast<int32_t>(value);
}

// An Item line's number: decimal, narrowed to 16 bits.
int32_t ItemNumber(const char* text) {
  return static_cast<int16_t>(DecimalValue(text));
}

// Appends the characters of `text` to a string value, keeping at most
// kDataFormValueMax bytes and never half of a two-byte character. Once the
// value is full the rest is dropped (the caller still reads up to the
// closing quote, so the quoted text never turns into script lines).
void AppendToValue(std::string& value, bool& full, const char* text, size_t length) {
  for (size_t i = 0; i < length && !full;) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length ? 2 : 1;
    if (value.size() + step > kDataFormValueMax) {
      full = true;
      break;
    }
    value.append(text + i, step);
    i += step;
  }
}

// Declares the items of every Item line of the file, in file order.
void DeclareItems(Handle resource, const char* file) {
  char line[kLineBufferSize];
  char token[kLineBufferSize];
  char name[kLineBufferSize];
  char type[kLineBufferSize];
  char first[kLineBufferSize];
  char second[kLineBufferSize];
  for (int n = 1; read_line_file(file, n, line, sizeof line) != nullptr; ++n) {
    const char* p = SplitToken(line, token, sizeof token);
    if (!IsKeyword(token, "Item")) continue;
    p = SplitToken(p, name, sizeof name);
    p = SplitToken(p, type, sizeof type);
    p = SplitToken(p, first, sizeof first);
    SplitToken(p, second, sizeof second);
    WriteLogf("CreateItemData()  item  %s  type %s", name, type);
    const int32_t size = ItemNumber(first);
    // Each type word test stands by itself: a type word that is a piece of
    // several keywords declares one item per keyword.
    if (IsKeyword(type, "ITEMlimited")) {
      CreateItem(resource, name, ITEMlimited, size);
      SetItemLimits(resource, name, size, ItemNumber(second));
    }
    if (IsKeyword(type, "ITEMstring")) CreateItem(resource, name, ITEMstring, size);
    if (IsKeyword(type, "ITEMlong")) CreateItem(resource, name, ITEMlong, size);
  }
}

// Where the reading of a script stands.
struct ScriptReader {
  explicit ScriptReader(const char* f) : file(f) {}

  const char* file;
  int n = 1;           // the line counter
  bool ended = false;  // a read failed: the file has no more lines
  char line[kLineBufferSize] = {};

  // Reads line n; false (and `ended`) past the last line.
  bool Read() {
    ended = read_line_file(file, n, line, sizeof line) == nullptr;
    return !ended;
  }
};

// The value of a string item: `rest` is the line after the item's name. A
// quoted value may go on over the following lines, which advances the
// reader's line counter.
std::string StringValue(ScriptReader& in, const char* rest) {
  const char* v = SkipSeparators(rest);
  std::string value;
  bool full = false;
  if (*v != '"') {
    AppendToValue(value, full, v, std::strlen(v));
    return value;
  }
  // The line is copied: reading a continuation line overwrites the buffer.
  std::string current(v + 1);
  for (;;) {
    const size_t close = current.find('"');
    if (close != std::string::npos) {
      AppendToValue(value, full, current.data(), close);
      return value;
    }
    AppendToValue(value, full, current.data(), current.size());
    ++in.n;
    if (!in.Read()) {
      WriteLog("create_dataform()でTextの読み込み中で終了");
      return value;
    }
    AppendToValue(value, full, "\n", 1);
    current.assign(in.line);
  }
}

// Sets one item of `record` from a block line. False when the line names no
// item of the resource (the script ends there).
bool SetItemFromLine(Handle resource, Handle record, ScriptReader& in) {
  char name[kLineBufferSize];
  const char* rest = SplitToken(in.line, name, sizeof name);
  const ItemDescriptor* d = name[0] != '\0' ? Descriptor(FindItem(resource, name)) : nullptr;
  if (d == nullptr) {
    WriteLogf("ApendItemData() itemname non %s　line %d", name, in.n);
    return false;
  }
  const int type = d->type;
  switch (type) {
    case ITEMlong:
    case ITEMlimited: {
      char number[kLineBufferSize];
      SplitToken(rest, number, sizeof number);
      SetNum(record, name, DecimalValue(number));
      break;
    }
    case ITEMstring: {
      const std::string value = StringValue(in, rest);
      if (value.size() > kLoggedValueLength) {
        WriteLogf("data str set %s(%d) = -%s-", name, static_cast<int>(value.size()), value.c_str());
      }
      SetStr(record, name, value.c_str());
      break;
    }
    default:
      WriteLogf("CreateItemData() type error %d", type);
      break;
  }
  return true;
}

// The closing lines of a script's reading.
void LogResourceInfo(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  WriteLogf("ResourceINFO %s:%s  record_size/count %d/%d size %lld", a->res_name, a->data_name, a->record_size,
            a->all_count, static_cast<long long>(a->record_size) * a->all_count);
  WriteLogf("\titem count %d   record active count %d", a->item_count, a->active_count);
}

}  // namespace

Handle CreateItemData(Handle task, const char* file) {
  if (file == nullptr) file = "";
  char res_name[kNameBufferSize];
  char data_name[kNameBufferSize];
  if (LookupKey("ResourceName", res_name, sizeof res_name, file) == nullptr) {
    WriteLogf("CreateItemData() %s Non ResourceName", file);
    return kNoHandle;
  }
  if (LookupKey("DataName", data_name, sizeof data_name, file) == nullptr) {
    WriteLogf("CreateItemData() %s Non DataName", file);
    return kNoHandle;
  }
  WriteLogf("Create New Resource for CreateItemData()   res %s/%s  req task%s", res_name, data_name,
            detail::TaskName(task));
  if (const Handle loaded = OpenResource(task, res_name, data_name); loaded != kNoHandle) return loaded;
  const Handle resource = CreateResource(task, res_name, data_name);
  if (resource == kNoHandle) {
    WriteLog("CreateItemData() resource create error!");
    return kNoHandle;
  }
  // Both passes over the file share one reading of it.
  LineFileScope scope;
  // A resource already in memory under these names keeps its layout:
  // declaring its items a second time would double every record.
  if (Attr(resource)->item_count == 0) DeclareItems(resource, file);
  WriteLog("*********** Data Create *********");
  return create_dataform(resource, kNoHandle, file);
}

Handle create_dataform(Handle resource, Handle anchor, const char* file) {
  if (resource == kNoHandle || CheckResource(resource) != 0) return kNoHandle;
  if (file == nullptr) file = "";
  if (anchor != kNoHandle && (!ValidHandle(anchor) || Entry(anchor).owner != resource)) anchor = kNoHandle;
  LineFileScope scope;
  ScriptReader in(file);
  while (in.Read()) {
    if (IsKeyword(in.line, "EndData")) {
      char text[64];
      std::snprintf(text, sizeof text, "ｽｸﾘﾌﾟﾄ EndDataERROR %d", in.n);
      MessageDialogText(text);
      ++in.n;
      continue;
    }
    if (!IsKeyword(in.line, "StartData")) {
      ++in.n;
      continue;
    }
    const Handle record = CreateRecord(resource, -1, 0);
    if (record == kNoHandle) return kNoHandle;
    if (anchor != kNoHandle) MoveRecordBefore(anchor, record);
    // The block: every line up to EndData sets one item.
    for (;;) {
      ++in.n;
      if (!in.Read()) break;
      if (IsKeyword(in.line, "EndData")) {
        ++in.n;
        break;
      }
      if (!SetItemFromLine(resource, record, in)) return kNoHandle;
      if (in.ended) break;
    }
    if (in.ended) break;
  }
  LogResourceInfo(resource);
  return resource;
}

Handle AppendDataForm(Handle resource, const char* file) {
  if (resource == kNoHandle) return kNoHandle;
  return create_dataform(resource, FirstRecord(resource), file);
}

}  // namespace vadu
