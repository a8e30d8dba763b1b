// Resources, records and items: the one data model of the engine.
//
// A resource is a pool handle whose block is its 232-byte attribute block
// (the same image a resource file stores). It holds a chain of records; a
// record is a pool handle whose entry carries the record header and whose
// block is the record body. A resource may declare items: named, typed fields
// laid out one after another in each record body, starting at body byte 1.
//
// Pointers returned by get_adr, ItemAddress, GetStr, Attr and Body are valid
// only until the next allocation from the pool.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pool.h"
#include "core/types.h"
#include "platform/clock.h"

namespace vadu {

// ---------------------------------------------------------------------------
// DateTimeStamp: 8 bytes of packed local date and time; PackDateTime,
// UnpackDateTime and ClearDateTime are in platform/clock.h.
struct DateTimeStamp {
  uint8_t bytes[8] = {};
};
static_assert(sizeof(DateTimeStamp) == 8);

// ---------------------------------------------------------------------------
// The resource attribute block, as one image (also the file image).
struct ResourceAttr {
  char res_name[42];
  char data_name[22];
  char owner[22];
  uint8_t unused86[2];
  uint8_t created[8];
  uint8_t stamp2[8];
  uint8_t stamp3[8];
  uint32_t reserved;
  uint8_t unused116[4];
  int32_t creator_task;
  uint8_t unused124[8];
  int32_t record_bytes;
  int32_t record_size;
  uint16_t all_count;
  uint16_t active_count;
  Handle top;            // link slot: first record
  Handle end;            // link slot: last record
  Handle next_resource;  // link slot
  Handle prev_resource;  // link slot
  uint16_t creator_group;
  char note[12];
  uint8_t unused174[2];
  int32_t note_value;
  char mark[7];
  uint8_t unused187;
  uint16_t item_count;
  uint8_t unused190[2];
  Handle first_item;  // link slot
  Handle last_item;   // link slot
  uint8_t unused200[32];
};
static_assert(sizeof(ResourceAttr) == 232);
static_assert(offsetof(ResourceAttr, data_name) == 42);
static_assert(offsetof(ResourceAttr, owner) == 64);
static_assert(offsetof(ResourceAttr, created) == 88);
static_assert(offsetof(ResourceAttr, stamp2) == 96);
static_assert(offsetof(ResourceAttr, stamp3) == 104);
static_assert(offsetof(ResourceAttr, reserved) == 112);
static_assert(offsetof(ResourceAttr, creator_task) == 120);
static_assert(offsetof(ResourceAttr, record_bytes) == 132);
static_assert(offsetof(ResourceAttr, record_size) == 136);
static_assert(offsetof(ResourceAttr, all_count) == 140);
static_assert(offsetof(ResourceAttr, active_count) == 142);
static_assert(offsetof(ResourceAttr, top) == 144);
static_assert(offsetof(ResourceAttr, end) == 148);
static_assert(offsetof(ResourceAttr, next_resource) == 152);
static_assert(offsetof(ResourceAttr, prev_resource) == 156);
static_assert(offsetof(ResourceAttr, creator_group) == 160);
static_assert(offsetof(ResourceAttr, note) == 162);
static_assert(offsetof(ResourceAttr, note_value) == 176);
static_assert(offsetof(ResourceAttr, mark) == 180);
static_assert(offsetof(ResourceAttr, item_count) == 188);
static_assert(offsetof(ResourceAttr, first_item) == 192);
static_assert(offsetof(ResourceAttr, last_item) == 196);

// The item descriptor: the 60-byte body of a record of the "Item" resource.
struct ItemDescriptor {
  char name[21];
  uint8_t type;
  uint8_t unused22[2];
  int32_t size;
  int32_t limit1;
  int32_t limit2;
  uint8_t reserved[20];
  Handle next;  // link slot: next descriptor of the same resource
};
static_assert(sizeof(ItemDescriptor) == 60);
static_assert(offsetof(ItemDescriptor, type) == 21);
static_assert(offsetof(ItemDescriptor, size) == 24);
static_assert(offsetof(ItemDescriptor, limit1) == 28);
static_assert(offsetof(ItemDescriptor, limit2) == 32);
static_assert(offsetof(ItemDescriptor, next) == 56);

// Item type codes.
enum ItemType : int {
  ITEMvalue = 1,
  ITEMstring = 3,
  ITEMlong = 6,
  ITEMblock = 8,
  ITEMarray = 9,
  ITEMlimited = 10,
};

inline constexpr char kSystemResName[] = "Resource.res";

// ---------------------------------------------------------------------------
// Views. Valid until the next allocation.
ResourceAttr* Attr(Handle resource);
uint8_t* Body(Handle record);
ItemDescriptor* Descriptor(Handle item);
// The body of an active record of `resource` that is at least `min_size`
// bytes long, or nullptr: the checked way to view a record of a system
// resource through its typed layout.
uint8_t* RecordBodyOf(Handle record, Handle resource, uint32_t min_size);
// The record header lives in the handle entry, which never moves.
inline const HandleEntry& Header(Handle record) {
  return Entry(record);
}

// ---------------------------------------------------------------------------
// Resources.
Handle CreateResource(Handle task, const char* res_name, const char* data_name);
Handle FindResource(const char* res_name, const char* data_name);
int CheckResource(Handle resource);
int SetResourceName(Handle resource, const char* res_name);
int SetResourceNote(Handle resource, const char* note, int32_t value);
int SetResourceMark(Handle resource, const char* mark);
uint16_t RecordCount(Handle resource);
// The first resource of the global chain (none before start-up).
Handle FirstResource();

// The system "Item" resource that holds every item descriptor. Made on first
// use when start-up has not made it.
Handle ItemResource();

// ---------------------------------------------------------------------------
// Records.
Handle CreateRecord(Handle resource, int32_t number, int32_t size);
Handle search_record(Handle resource, int32_t number);
Handle active_resource(Handle resource, int32_t size);
int DeleteRecord(Handle resource, Handle record);
int RemoveRecord(Handle resource, Handle record);
int MoveRecordToEnd(Handle resource, Handle record);
int MoveRecordBefore(Handle anchor, Handle record);
Handle FirstRecord(Handle resource);
Handle LastRecord(Handle resource);
Handle NextRecord(Handle record);
Handle PrevRecord(Handle record);
int RecordIndex(Handle resource, Handle record);
Handle SelectRecord(Handle task, Handle resource, int32_t number);
// Bytes of storage a record body has (size, plus the spare byte of an
// itemised resource's bodies).
uint32_t BodyStorage(Handle record);

// ---------------------------------------------------------------------------
// Items and values.
Handle CreateItem(Handle resource, const char* name, int type, int32_t size);
int SetItemLimits(Handle resource, const char* name, int32_t limit1, int32_t limit2);
Handle FindItem(Handle resource, const char* name);
int ItemType(Handle resource, const char* name);
int32_t item_offsetsize(Handle resource, const char* name, int type);
int32_t dimension(const char* name);
uint8_t* get_adr(Handle record, const char* name, int type);
uint8_t* ItemAddress(Handle record, const char* name, int type);
int32_t SetNum(Handle record, const char* name, int32_t value);
int32_t GetNum(Handle record, const char* name);
int32_t AddNum(Handle record, const char* name, int32_t delta);
int32_t SubNum(Handle record, const char* name, int32_t delta);
int SetStr(Handle record, const char* name, const char* text);
const char* GetStr(Handle record, const char* name);
Handle FindRecordByNum(Handle resource, const char* name, int relation, int32_t value);
Handle FindRecordByStr(Handle resource, const char* name, const char* text);

// Logs every record of a resource (the EVENT_TEST dump of the event queue).
void DumpResource(Handle resource);

// ---------------------------------------------------------------------------
// Global counters of the data model.
struct ResourceCounters {
  uint32_t resources = 0;     // resources created
  int32_t record_bytes = 0;   // bytes of records in use
  int32_t records = 0;        // records in use
  int32_t deleted_bytes = 0;  // bytes of records deleted
};
const ResourceCounters& GetResourceCounters();

// Forgets every resource (the pool is re-created separately). Tests call it
// between runs.
void ResetResources();

}  // namespace vadu
