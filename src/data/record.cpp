// Records: creation and reuse, the chain of a resource, deletion and order.
#include <cstdio>
#include <cstring>

#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/state.h"
#include "data/resource.h"
#include "data/resource_internal.h"
#include "data/task_record.h"

namespace vadu {

using detail::Chain;
using detail::OwnedBy;

namespace {

// Largest record number a record may have (65536 itself is accepted).
constexpr int32_t kMaxRecordNumber = 0x10000;

bool Itemised(const ResourceAttr* a) {
  return a->first_item != kNoHandle;
}

// Takes a record out of its resource's chain (counts unchanged).
void Unlink(ResourceAttr* a, Handle record) {
  HandleEntry* e = MutableEntry(record);
  if (e == nullptr) return;
  if (e->prev != kNoHandle) {
    if (HandleEntry* prev = MutableEntry(e->prev)) prev->next = e->next;
  } else if (a->top == record) {
    a->top = e->next;
  }
  if (e->next != kNoHandle) {
    if (HandleEntry* next = MutableEntry(e->next)) next->prev = e->prev;
  } else if (a->end == record) {
    a->end = e->prev;
  }
  e->next = e->prev = kNoHandle;
}

// Appends an unlinked record after the end of the chain.
void Append(ResourceAttr* a, Handle record) {
  HandleEntry* e = MutableEntry(record);
  if (e == nullptr) return;
  e->next = kNoHandle;
  e->prev = a->end;
  if (a->end != kNoHandle) {
    if (HandleEntry* end = MutableEntry(a->end)) end->next = record;
  } else {
    a->top = record;
  }
  a->end = record;
}

}  // namespace

uint8_t* RecordBodyOf(Handle record, Handle resource, uint32_t min_size) {
  if (record == kNoHandle || !ValidHandle(record)) return nullptr;
  const HandleEntry& e = Entry(record);
  if ((e.flags & kRecordInactive) != 0 || e.size < min_size || e.owner != resource) return nullptr;
  return BlockAddress(record);
}

uint32_t BodyStorage(Handle record) {
  return ValidHandle(record) ? Entry(record).storage : 0;
}

Handle search_record(Handle resource, int32_t number) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return kNoHandle;
  if (HasFlag(RESOUCE_TEST) && number == 0) WriteLog("search_record でnumber 0を指定しました(warrning)");
  for (Handle r = a->top; r != kNoHandle; r = Entry(r).next) {
    if (Entry(r).number == number) return r;
  }
  return kNoHandle;
}

Handle active_resource(Handle resource, int32_t size) {
  ResourceAttr* a = Attr(resource);
  if (a == nullptr || a->all_count == a->active_count) return kNoHandle;
  if (HasFlag(RESOUCE_TEST)) WriteLogf("Active Record search %s %s", a->res_name, a->data_name);
  for (Handle r = a->top; r != kNoHandle; r = Entry(r).next) {
    HandleEntry& e = *MutableEntry(r);  // a chain link is a handle of the table
    if ((e.flags & kRecordInactive) != 0 && e.size == size) {
      MoveRecordToEnd(resource, r);
      e.flags &= static_cast<uint16_t>(~kRecordInactive);
      ++a->active_count;
      // The record counts again among the active bytes, so the total stays
      // the sum of the active records' sizes.
      a->record_bytes += e.size;
      return r;
    }
  }
  WriteLog("ﾘｿｰｽ活性化ｴﾗｰ   active_resource()");
  WriteLogf("     all/active   %d/%d", a->all_count, a->active_count);
  WriteLog("           ﾘｿｰｽ･ﾁｪｰﾝに異常があります。");
  return kNoHandle;
}

Handle CreateRecord(Handle resource, int32_t number, int32_t size) {
  if (resource == kNoHandle || !ValidHandle(resource)) return kNoHandle;
  if (HasFlag(RESOUCE_TEST)) {
    if (CheckResource(resource) != 0) {
      LogSystemMessage(74, nullptr);
      return kNoHandle;
    }
    if (number < -1 || number > kMaxRecordNumber) {
      LogSystemMessage(82, Attr(resource)->res_name);
      return kNoHandle;
    }
  }
  ResourceAttr* a = Attr(resource);
  if (a->record_size != 0) size = a->record_size;

  if (number == -1) {
    if (Handle r = active_resource(resource, size); r != kNoHandle) return r;
  } else if (Handle r = search_record(resource, number); r != kNoHandle) {
    if (HasFlag(RESOUCE_TEST)) {
      a = Attr(resource);
      WriteLog("CreateRecord()で既存のﾘｿｰｽが呼ばれました");
      WriteLogf("    %s:%s  number %d", a->res_name, a->data_name, number);
    }
    return r;
  }

  // The body holds `size` bytes (plus the unused byte 0 of an itemised
  // body) and one more zero byte that no item reaches, so a string item at
  // the very end of a body is always terminated.
  a = Attr(resource);
  const bool itemised = Itemised(a);
  const int64_t storage = static_cast<int64_t>(size) + (itemised ? 1 : 0);
  Handle r = kNoHandle;
  if (size >= 0 && size <= 0xFFFF) r = AllocBlock(UnitsFor(static_cast<uint32_t>(storage) + 1));
  if (r == kNoHandle) {
    char text[96];
    std::snprintf(text, sizeof text, "%s: %d byteのメモリを確保できません", Attr(resource)->data_name, size);
    ErrorDialog(kNoHandle, 1, text);
    return kNoHandle;
  }
  std::memset(BlockAddress(r), 0, Entry(r).units * 4u);

  a = Attr(resource);
  HandleEntry& e = *MutableEntry(r);  // AllocBlock gave it
  e.size = static_cast<uint16_t>(size);
  e.storage = static_cast<uint32_t>(storage);
  e.number = number;
  e.flags = 0;
  e.owner = resource;
  e.tag[0] = ' ';
  e.tag[1] = ' ';
  e.tag[2] = '\0';
  if ((a->top == kNoHandle) != (a->end == kNoHandle)) {
    // A damaged chain: mend whichever end is missing.
    if (HasFlag(RESOUCE_TEST)) WriteLogf("%s  ｱﾄﾘﾋﾞｭｰﾄは top OR end ﾘｿｰｽが NULLです.", a->res_name);
    if (a->top == kNoHandle) a->top = r;
    if (a->end == kNoHandle) a->end = r;
    if (a->end != r) Append(a, r);
  } else {
    Append(a, r);
  }
  ++a->all_count;
  ++a->active_count;
  a->record_bytes += size;
  ResourceCounters& c = Chain().counters;
  c.record_bytes += size;
  ++c.records;
  return r;
}

int DeleteRecord(Handle resource, Handle record) {
  if (resource == kNoHandle || record == kNoHandle || !OwnedBy(resource, record)) return 1;
  HandleEntry& e = *MutableEntry(record);  // OwnedBy checked it
  // Deleting twice must not count the record out twice.
  if ((e.flags & kRecordInactive) != 0) return 0;
  ResourceAttr* a = Attr(resource);
  e.flags |= kRecordInactive;
  --a->active_count;
  a->record_bytes -= e.size;
  Chain().counters.deleted_bytes += e.size;
  return 0;
}

int RemoveRecord(Handle resource, Handle record) {
  if (DeleteRecord(resource, record) != 0) return 1;
  ResourceAttr* a = Attr(resource);
  Unlink(a, record);
  --a->all_count;
  HandleEntry& e = *MutableEntry(record);  // DeleteRecord checked it
  e.owner = kNoHandle;
  ResourceCounters& c = Chain().counters;
  c.record_bytes -= e.size;
  --c.records;
  return 0;
}

int MoveRecordToEnd(Handle resource, Handle record) {
  if (!OwnedBy(resource, record)) return 1;
  ResourceAttr* a = Attr(resource);
  if (a->end == record) return 0;
  Unlink(a, record);
  Append(a, record);
  return 0;
}

int MoveRecordBefore(Handle anchor, Handle record) {
  if (!ValidHandle(anchor) || !ValidHandle(record) || anchor == record) return 1;
  const Handle to = Entry(anchor).owner;
  const Handle from = Entry(record).owner;
  if (!ValidHandle(to)) return 1;
  if (ValidHandle(from)) {
    ResourceAttr* src = Attr(from);
    Unlink(src, record);
    if (from != to) {
      // The record changes resource: its counts move with it.
      const HandleEntry& e = Entry(record);
      const bool active = (e.flags & kRecordInactive) == 0;
      --src->all_count;
      ResourceAttr* dst = Attr(to);
      ++dst->all_count;
      if (active) {
        --src->active_count;
        src->record_bytes -= e.size;
        ++dst->active_count;
        dst->record_bytes += e.size;
      }
    }
  }
  ResourceAttr* a = Attr(to);
  HandleEntry& e = *MutableEntry(record);  // both checked valid above
  HandleEntry& an = *MutableEntry(anchor);
  e.owner = to;
  e.next = anchor;
  e.prev = an.prev;
  if (an.prev != kNoHandle) {
    if (HandleEntry* prev = MutableEntry(an.prev)) prev->next = record;
  } else {
    a->top = record;
  }
  an.prev = record;
  return 1;
}

Handle FirstRecord(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return kNoHandle;
  Handle r = a->top;
  while (r != kNoHandle && (Entry(r).flags & kRecordInactive) != 0) r = Entry(r).next;
  return r;
}

Handle LastRecord(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return kNoHandle;
  Handle r = a->end;
  while (r != kNoHandle && (Entry(r).flags & kRecordInactive) != 0) r = Entry(r).prev;
  return r;
}

Handle NextRecord(Handle record) {
  if (!ValidHandle(record)) return kNoHandle;
  Handle r = Entry(record).next;
  while (r != kNoHandle && (Entry(r).flags & kRecordInactive) != 0) r = Entry(r).next;
  return r;
}

Handle PrevRecord(Handle record) {
  if (!ValidHandle(record)) return kNoHandle;
  Handle r = Entry(record).prev;
  while (r != kNoHandle && (Entry(r).flags & kRecordInactive) != 0) r = Entry(r).prev;
  return r;
}

int RecordIndex(Handle resource, Handle record) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr || record == kNoHandle) return 0;
  int index = 0;
  for (Handle r = a->top; r != kNoHandle; r = Entry(r).next) {
    const bool active = (Entry(r).flags & kRecordInactive) == 0;
    if (active) ++index;
    if (r == record) return active ? index : 0;
  }
  return 0;
}

Handle SelectRecord(Handle task, Handle resource, int32_t number) {
  if (TaskRecord* t = TaskView(task)) t->current_resource = resource;
  const Handle r = search_record(resource, number);
  if (r == kNoHandle || (Entry(r).flags & kRecordInactive) != 0) return kNoHandle;
  if (TaskRecord* t = TaskView(task)) t->current_record = r;
  return r;
}

void DumpResource(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  if (a == nullptr) return;
  WriteLogf("resource dump %s:%s  all %d active %d", a->res_name, a->data_name, a->all_count, a->active_count);
  int i = 0;
  for (Handle r = a->top; r != kNoHandle; r = Entry(r).next) {
    const HandleEntry& e = Entry(r);
    const uint8_t* b = Body(r);
    char hex[3 * 16 + 1] = {};
    const uint32_t n = e.size < 16 ? e.size : 16;
    for (uint32_t k = 0; k < n; ++k) std::snprintf(hex + 3 * k, 4, "%02x ", b[k]);
    WriteLogf("\t%4d: number %d size %u flags %u  %s", ++i, e.number, e.size, e.flags, hex);
  }
}

}  // namespace vadu
