// Items: the typed, named fields of an itemised resource's record bodies.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/log.h"
#include "core/strings.h"
#include "data/resource.h"
#include "data/resource_internal.h"
#include "platform/bytes.h"

namespace vadu {
namespace {

constexpr uint32_t kMaxRecordSize = 0xFFFF;  // a body size is 16 bits

// Compares an item name with a descriptor's 21-byte name field.
bool NameIs(const ItemDescriptor* d, const char* name) {
  const size_t n = FixedTextLength(d->name, sizeof d->name);
  return std::strlen(name) == n && std::memcmp(d->name, name, n) == 0;
}

// Position of the first '[' of a name that is not the second byte of a
// two-byte character, or npos.
size_t BracketPos(const char* name) {
  for (size_t i = 0; name[i] != '\0'; ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (IsLeadByte(c)) {
      if (name[i + 1] == '\0') break;
      ++i;
      continue;
    }
    if (c == '[') return i;
  }
  return std::string::npos;
}

// A located item value: where it is and how many bytes it may take.
struct ItemSpan {
  uint8_t* address = nullptr;
  uint32_t length = 0;
};

// Finds the item's bytes in one record, checking that they lie inside the
// record's body: a record made before the item was declared is too short,
// and an array index may be out of range.
// `width` is the least number of bytes the caller will touch (a number
// always takes four, whatever the item's declared size).
ItemSpan LocateItem(Handle record, const char* name, int type, uint32_t width) {
  ItemSpan span;
  if (!ValidHandle(record)) return span;
  const Handle resource = Entry(record).owner;
  std::string base(name);
  int32_t index = -1;
  if (type == ITEMarray) {
    const size_t b = BracketPos(name);
    if (b != std::string::npos) {
      base.resize(b);
      index = dimension(name);
      if (index < 0) return span;
    }
  }
  const int32_t offset = item_offsetsize(resource, base.c_str(), type);
  if (offset < 0) return span;
  const Handle item = FindItem(resource, base.c_str());
  const ItemDescriptor* d = Descriptor(item);
  if (d == nullptr) return span;
  int64_t start = 1 + static_cast<int64_t>(offset);
  int64_t length = d->size;
  if (type == ITEMarray && index >= 0) {
    if (static_cast<int64_t>(index) * 4 + 4 > d->size) {
      WriteLogf("get_adr(): %s is out of range", name);
      return span;
    }
    start += static_cast<int64_t>(index) * 4;
    length = 4;
  }
  if (length < 0 || start + std::max<int64_t>(length, width) > static_cast<int64_t>(BodyStorage(record))) {
    WriteLogf("get_adr(): %s lies beyond the record body", name);
    return span;
  }
  span.address = Body(record) + start;
  span.length = static_cast<uint32_t>(length);
  return span;
}

// Type with which a number is read or written through a name.
int NumberType(const char* name) {
  return BracketPos(name) != std::string::npos ? ITEMarray : ITEMlong;
}

// A name of the reference form: "." then one or two ':' before any operator.
int ReferenceColons(const char* name) {
  if (name[0] != '.') return 0;
  int colons = 0;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (std::strchr("=+-/*;><!|&%", *p) != nullptr) break;
    if (*p == ':') ++colons;
  }
  return colons == 1 || colons == 2 ? colons : 0;
}

// The record of `resource` whose item `key` matches `value`: string items
// by containment, number items by equality.
Handle FindByKey(Handle resource, const std::string& key, const std::string& value) {
  const int type = ItemType(resource, key.c_str());
  if (type == ITEMstring) return FindRecordByStr(resource, key.c_str(), value.c_str());
  if (type < 0) return kNoHandle;
  char* end = nullptr;
  const long v = std::strtol(value.c_str(), &end, 10);
  if (end == value.c_str()) return kNoHandle;
  return FindRecordByNum(resource, key.c_str(), 1, static_cast<int32_t>(v));
}

// Resolves ".KEY:VALUE.FIELD" (a record of the same resource) or
// ".RES:DATA.KEY:VALUE.FIELD" (a record of another resource).
ItemSpan ReferenceSpan(Handle record, const char* name, int colons, int type, uint32_t width) {
  std::string text(name + 1);
  Handle resource = Entry(record).owner;
  if (colons == 2) {
    const size_t c = text.find(':');
    const std::string res = text.substr(0, c);
    text.erase(0, c + 1);
    const size_t dot = text.find('.');
    if (dot == std::string::npos) return {};
    const std::string data = text.substr(0, dot);
    text.erase(0, dot + 1);
    resource = FindResource(res.c_str(), data.c_str());
    if (resource == kNoHandle) return {};
  }
  const size_t c = text.find(':');
  const size_t dot = text.rfind('.');
  if (c == std::string::npos || dot == std::string::npos || dot < c) return {};
  const std::string key = text.substr(0, c);
  const std::string value = text.substr(c + 1, dot - c - 1);
  const std::string field = text.substr(dot + 1);
  const Handle target = FindByKey(resource, key, value);
  if (target == kNoHandle || field.empty()) return {};
  return LocateItem(target, field.c_str(), type, width);
}

// The item a name gives (of this record, or by reference of another), with
// the least width the caller touches.
ItemSpan SpanFor(Handle record, const char* name, int type, uint32_t width) {
  if (name == nullptr || name[0] == '\0' || !ValidHandle(record)) return {};
  if (const int colons = ReferenceColons(name); colons != 0) return ReferenceSpan(record, name, colons, type, width);
  return LocateItem(record, name, type, width);
}

uint8_t* AddressFor(Handle record, const char* name, int type, uint32_t width) {
  return SpanFor(record, name, type, width).address;
}

}  // namespace

Handle CreateItem(Handle resource, const char* name, int type, int32_t size) {
  // The "Item" resource holds the descriptors themselves: items of its own
  // would change the size of the records that hold them.
  if (!ValidHandle(resource) || resource == ItemResource()) return kNoHandle;
  if (name == nullptr) name = "";
  ResourceAttr* a = Attr(resource);
  if (a->top != kNoHandle) {
    WriteLogf("Warrning!! CreateItem がReocrdを作成された後呼ばれました　%s:%s(%dbyte) Req %s", a->res_name,
              a->data_name, a->record_bytes, name);
  }
  const Handle item = CreateRecord(ItemResource(), -1, sizeof(ItemDescriptor));
  if (item == kNoHandle) {
    WriteLog("CreateItem in CreateRecord() Error!");
    return kNoHandle;
  }
  ItemDescriptor* d = Descriptor(item);
  std::memset(d, 0, sizeof *d);
  PutFixedText(d->name, sizeof d->name, name);
  d->type = static_cast<uint8_t>(type);

  int64_t item_size = 0;
  switch (type) {
    case ITEMvalue:
    case ITEMlong:
    case ITEMlimited:
      item_size = 4;
      break;
    case ITEMstring:
      if (size <= 0) WriteLog("CreateItem()でITEMstring指定でサイズが0です。");
      item_size = size;
      break;
    case ITEMblock:
      item_size = size;
      break;
    case ITEMarray:
      item_size = static_cast<int64_t>(size) * 4;
      break;
    default:
      WriteLog("CreateItemで認識されないItem番号が指定されました。");
      break;
  }
  a = Attr(resource);
  // A negative size, or one that would make the body larger than a record
  // can be, is refused: the item is kept with size 0.
  if (item_size < 0 || item_size + a->record_size > kMaxRecordSize) {
    WriteLogf("CreateItem(): %s is too large (%lld bytes); its size is 0", d->name, static_cast<long long>(item_size));
    item_size = 0;
  }
  d->size = static_cast<int32_t>(item_size);
  a->record_size += static_cast<int32_t>(item_size);
  ++a->item_count;
  if (a->first_item == kNoHandle) {
    a->first_item = item;
  } else if (ItemDescriptor* last = Descriptor(a->last_item)) {
    last->next = item;
  }
  a->last_item = item;
  return item;
}

int SetItemLimits(Handle resource, const char* name, int32_t limit1, int32_t limit2) {
  if (!ValidHandle(resource) || name == nullptr) return 1;
  ItemDescriptor* d = Descriptor(FindItem(resource, name));
  if (d == nullptr) return 1;
  d->limit1 = limit1;
  d->limit2 = limit2;
  return 0;
}

Handle FindItem(Handle resource, const char* name) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || name == nullptr) return kNoHandle;
  // The walk is bounded by the item count so a damaged list cannot loop.
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) return kNoHandle;
    if (NameIs(d, name)) return item;
    item = d->next;
  }
  return kNoHandle;
}

int ItemType(Handle resource, const char* name) {
  const ItemDescriptor* d = Descriptor(FindItem(resource, name));
  return d == nullptr ? -1 : d->type;
}

int32_t item_offsetsize(Handle resource, const char* name, int type) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || a->first_item == kNoHandle || name == nullptr) return -1;
  int32_t offset = 0;
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    if (NameIs(d, name)) {
      if (d->type != type) {
        WriteLogf("item_offsetsize()で呼び出した%s:%s:%s type %dは指定タイプ %dと違います", a->res_name, a->data_name,
                  d->name, d->type, type);
      }
      return offset;
    }
    offset += d->size;
    item = d->next;
  }
  WriteLogf("item_offsetsize()で指定 %s:%sで%s(type%d)が見つかりませんでした。", a->res_name, a->data_name, name, type);
  return -1;
}

int32_t dimension(const char* name) {
  if (name == nullptr) return -1;
  const size_t open = BracketPos(name);
  if (open == std::string::npos) return -1;
  const char* close = std::strchr(name + open + 1, ']');
  if (close == nullptr) {
    WriteLog("dimension() Error");
    return -1;
  }
  std::string digits(name + open + 1, close);
  size_t i = 0;
  while (i < digits.size() && (digits[i] == ' ' || digits[i] == '\t')) ++i;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  int64_t value = 0;
  for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
    value = value * 10 + (digits[i] - '0');
    if (value > INT32_MAX) return -1;
  }
  return static_cast<int32_t>(negative ? -value : value);
}

uint8_t* get_adr(Handle record, const char* name, int type) {
  if (name == nullptr || name[0] == '\0') {
    WriteLog("get_adr()でnameがNULLです");
    return nullptr;
  }
  return LocateItem(record, name, type, 0).address;
}

uint8_t* ItemAddress(Handle record, const char* name, int type) {
  return AddressFor(record, name, type, 0);
}

int32_t SetNum(Handle record, const char* name, int32_t value) {
  if (name == nullptr) {
    WriteLog("SetNum() name is NULL");
    return -1;
  }
  uint8_t* p = AddressFor(record, name, NumberType(name), 4);
  if (p == nullptr) return -1;
  PutI32(p, value);
  return value;
}

int32_t GetNum(Handle record, const char* name) {
  if (name == nullptr) return -1;
  const uint8_t* p = AddressFor(record, name, NumberType(name), 4);
  return p == nullptr ? -1 : GetI32(p);
}

int32_t AddNum(Handle record, const char* name, int32_t delta) {
  // Wrapping arithmetic: an overflowing sum wraps as the stored 32 bits do.
  return SetNum(record, name,
                static_cast<int32_t>(static_cast<uint32_t>(GetNum(record, name)) + static_cast<uint32_t>(delta)));
}

int32_t SubNum(Handle record, const char* name, int32_t delta) {
  return SetNum(record, name,
                static_cast<int32_t>(static_cast<uint32_t>(GetNum(record, name)) - static_cast<uint32_t>(delta)));
}

int SetStr(Handle record, const char* name, const char* text) {
  if (name == nullptr || text == nullptr) {
    WriteLog("SetStr() para is NULL");
    return -1;
  }
  if (!ValidHandle(record)) return -1;
  const ItemDescriptor* d = Descriptor(FindItem(Entry(record).owner, name));
  if (d == nullptr || d->size <= 0) return -1;
  const size_t room = static_cast<size_t>(d->size) - 1;
  const size_t len = std::strlen(text);
  uint8_t* p = ItemAddress(record, name, ITEMstring);
  if (p == nullptr) return -1;
  if (len > room) {
    WriteLogf("SetStr()で長い文字列が指定されました。　%s(%d)", name, static_cast<int>(len));
    // Cut on a character boundary: a lone lead byte would swallow the
    // terminator when the text is read as two-byte characters.
    size_t cut = 0;
    while (cut < room) {
      const size_t step = IsLeadByte(static_cast<unsigned char>(text[cut])) ? 2 : 1;
      if (cut + step > room) break;
      cut += step;
    }
    std::memcpy(p, text, cut);
    p[cut] = '\0';
    return -1;
  }
  std::memcpy(p, text, len + 1);
  return 1;
}

const char* GetStr(Handle record, const char* name) {
  const ItemSpan span = SpanFor(record, name, ITEMstring, 0);
  if (span.address == nullptr) return nullptr;
  // A string item of size 0 has no bytes of its own: its address is where
  // the next item begins, whose bytes must not read as its text.
  if (span.length == 0) return "";
  return reinterpret_cast<const char*>(span.address);
}

Handle FindRecordByNum(Handle resource, const char* name, int relation, int32_t value) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || a->first_item == kNoHandle || name == nullptr) return kNoHandle;
  if (item_offsetsize(resource, name, ITEMlong) < 0) return kNoHandle;
  for (Handle r = FirstRecord(resource); r != kNoHandle; r = NextRecord(r)) {
    const uint8_t* p = LocateItem(r, name, ITEMlong, 4).address;
    if (p == nullptr) continue;
    const int32_t v = GetI32(p);
    if ((relation == 1 && v == value) || (relation == 2 && v > value) || (relation == 3 && v < value)) return r;
  }
  return kNoHandle;
}

Handle FindRecordByStr(Handle resource, const char* name, const char* text) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || a->first_item == kNoHandle || name == nullptr || text == nullptr) return kNoHandle;
  if (item_offsetsize(resource, name, ITEMstring) < 0) return kNoHandle;
  for (Handle r = FirstRecord(resource); r != kNoHandle; r = NextRecord(r)) {
    const char* s = GetStr(r, name);
    if (s != nullptr && FindText(s, text) > 0) return r;
  }
  return kNoHandle;
}

}  // namespace vadu
