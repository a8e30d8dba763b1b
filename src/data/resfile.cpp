// Resource files: saving a resource as one binary file and loading it back.
#include "data/resfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/log.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "platform/bytes.h"
#include "platform/files.h"

namespace vadu {
namespace {

// Offsets inside the attribute block image.
constexpr size_t kAttrAllCount = 140;
constexpr size_t kAttrActiveCount = 142;
constexpr size_t kAttrTop = 144;  // first of the four record and resource link slots
constexpr size_t kAttrItemCount = 188;
constexpr size_t kAttrFirstItem = 192;  // first of the two item link slots
constexpr size_t kItemLink = 56;

static_assert(sizeof(ResourceAttr) == kResFileAttrSize);
static_assert(sizeof(ItemDescriptor) == kResFileItemSize);
static_assert(offsetof(ResourceAttr, all_count) == kAttrAllCount);
static_assert(offsetof(ResourceAttr, active_count) == kAttrActiveCount);
static_assert(offsetof(ResourceAttr, top) == kAttrTop);
static_assert(offsetof(ResourceAttr, item_count) == kAttrItemCount);
static_assert(offsetof(ResourceAttr, first_item) == kAttrFirstItem);
static_assert(offsetof(ItemDescriptor, next) == kItemLink);

// True when `task` is one of the records of the system "Task" resource. The
// walk takes at most as many steps as the resource has records, so a damaged
// chain cannot loop.
bool TaskRegistered(Handle task) {
  const ResourceAttr* a = Attr(FindResource(kSystemResName, "Task"));
  if (a == nullptr || task == kNoHandle) return false;
  Handle r = a->top;
  for (uint32_t n = 0; r != kNoHandle && n < a->all_count; ++n) {
    if (r == task) return true;
    r = Entry(r).next;
  }
  return false;
}

// True when the file `name` can be created or replaced: it is a regular
// file we may write or does not exist, and its directory exists and takes
// new files (the replacement is written beside it first).
bool CanReplaceFile(const char* name) {
  const std::string path = ResolveGamePath(name);
  if (path.empty()) return false;
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || ::access(path.c_str(), W_OK) != 0)) return false;
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(dir.c_str(), W_OK | X_OK) == 0;
}

// Copies a fixed text field of `size` bytes that may lack its NUL into a
// buffer of size + 1 bytes, terminated.
void CopyField(char* out, const uint8_t* field, size_t size) {
  const size_t n = FixedTextLength(field, size);
  std::memcpy(out, field, n);
  out[n] = '\0';
}

// Empties a resource that is being loaded over: its records leave the chain
// (so handles to them no longer count as its records) and its item
// descriptors are deleted from the "Item" resource for reuse.
void DropContents(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  const uint32_t records = a->all_count;
  const uint32_t items = a->item_count;
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < items; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    const Handle next = d->next;
    DeleteRecord(ItemResource(), item);
    item = next;
  }
  for (uint32_t n = 0; n < records; ++n) {
    const Handle top = Attr(resource)->top;
    if (top == kNoHandle || RemoveRecord(resource, top) != 0) break;
  }
}

// CreateRecord for the loader. The resource's chain holds only the records
// this load made (all active), which `made` indexes by number, so a number
// seen before gives the record that search_record would find, and a new
// number is made without walking the chain. With RESOUCE_TEST on, CreateRecord
// itself is called, for its checks and log lines.
Handle LoadRecord(Handle resource, int32_t number, int32_t size, std::unordered_map<int32_t, Handle>& made) {
  if (number == -1 || HasFlag(RESOUCE_TEST)) return CreateRecord(resource, number, size);
  if (const auto it = made.find(number); it != made.end()) return it->second;
  // Number -1 finds no inactive record to reuse (there is none), so this
  // makes a new record exactly as CreateRecord(resource, number, size) would.
  const Handle r = CreateRecord(resource, -1, size);
  if (HandleEntry* e = MutableEntry(r)) {
    e->number = number;
    made.emplace(number, r);
  }
  return r;
}

// True when a fixed field holds `text` and its NUL (the field may be longer
// than that, with anything after the NUL).
template <size_t N>
bool FieldIs(const char (&field)[N], const char* text) {
  const size_t n = std::strlen(text);
  return n < N && std::memcmp(field, text, n + 1) == 0;
}

}  // namespace

ResFileHeader NewResFileHeader(bool motorola) {
  ResFileHeader h{};
  PutFixedText(h.magic, sizeof h.magic, kEngineName);
  PutFixedText(h.version, sizeof h.version, kEngineVersion);
  PutFixedText(h.revision, sizeof h.revision, kEngineRevision);
  h.mark = motorola ? 'M' : 'I';
  return h;
}

bool ReadResFileHeader(ByteReader& in, ResFileHeader& h) {
  h = ResFileHeader{};
  in.Read(h.magic, sizeof h.magic);
  in.Read(h.version, sizeof h.version);
  in.Read(h.revision, sizeof h.revision);
  h.zero12 = in.U8();
  h.mark = in.U8();
  in.Read(h.zero14, sizeof h.zero14);
  h.status = in.I32();
  h.size = in.U16();
  in.Read(h.zero22, sizeof h.zero22);
  if (!in.ok()) h = ResFileHeader{};
  return in.ok();
}

void WriteResFileHeader(ByteWriter& out, const ResFileHeader& h) {
  out.Bytes(h.magic, sizeof h.magic);
  out.Bytes(h.version, sizeof h.version);
  out.Bytes(h.revision, sizeof h.revision);
  out.U8(h.zero12);
  out.U8(h.mark);
  out.Bytes(h.zero14, sizeof h.zero14);
  out.I32(h.status);
  out.U16(h.size);
  out.Bytes(h.zero22, sizeof h.zero22);
}

// The engine compares the magic's four letters and the version's three, not
// the NUL after them.
bool ResFileMagicOk(const ResFileHeader& h) {
  return std::memcmp(h.magic, kEngineName, std::strlen(kEngineName)) == 0;
}
bool ResFileVersionOk(const ResFileHeader& h) {
  return std::memcmp(h.version, kEngineVersion, std::strlen(kEngineVersion)) == 0;
}
bool ResFileRevisionOk(const ResFileHeader& h) {
  return FieldIs(h.revision, kEngineRevision);
}

bool ReadResFileRecordHeader(ByteReader& in, ResFileRecordHeader& h) {
  h = ResFileRecordHeader{};
  h.link = in.U32();
  h.number = in.I32();
  h.flags = in.U16();
  h.size = in.U16();
  for (uint32_t& link : h.links) link = in.U32();
  in.Read(h.tag, sizeof h.tag);
  h.unused27 = in.U8();
  if (!in.ok()) h = ResFileRecordHeader{};
  return in.ok();
}

void WriteResFileRecordHeader(ByteWriter& out, const ResFileRecordHeader& h) {
  out.U32(h.link);
  out.I32(h.number);
  out.U16(h.flags);
  out.U16(h.size);
  for (const uint32_t link : h.links) out.U32(link);
  out.Bytes(h.tag, sizeof h.tag);
  out.U8(h.unused27);
}

int CheckResourceHeader(const ResFileHeader& header, const char* file) {
  if (!ResFileMagicOk(header)) {
    LogSystemMessage(83, file);
    return 1;
  }
  if (!ResFileVersionOk(header)) {
    LogSystemMessage(84, file);
    return 1;
  }
  // The mark is only reported: the bytes are read as they are.
  const uint8_t mark = header.mark;
  if (HasFlag(MOTOROLA)) {
    if (mark != 'M') WriteLog("Memory Typeが INTEL なﾘｿｰｽを読みました");
  } else if (mark != 'I') {
    WriteLog("Memoey Typeが MOTOROLA なﾘｿｰｽを読みました");
  }
  return 0;
}

int SaveResource(Handle task, Handle resource) {
  const bool is_resource = resource != kNoHandle && CheckResource(resource) == 0;
  char name[sizeof(ResourceAttr::res_name)] = {};
  if (is_resource) PutFixedText(name, sizeof name, Attr(resource)->res_name);
  if (HasFlag(TASK) && !TaskRegistered(task)) {
    LogSystemMessage(72, is_resource ? name : nullptr);
    return 1;
  }
  if (!is_resource) return 1;
  if (!CanReplaceFile(name)) {
    LogSystemMessage(6, name);
    return 1;
  }

  // The whole file is built in memory and then replaces the old one at once.
  // Nothing below allocates from the pool, so the views stay valid.
  const ResourceAttr* a = Attr(resource);
  std::vector<uint8_t> image;
  image.reserve(kResFileHeaderSize + kResFileAttrSize + a->item_count * kResFileItemSize +
                a->all_count * kResFileRecordHeaderSize + static_cast<size_t>(std::max(a->record_bytes, 0)));

  ByteWriter out(image);
  WriteResFileHeader(out, NewResFileHeader(HasFlag(MOTOROLA)));

  // The attribute block and the item descriptors are pool blocks whose
  // bytes are their stored image (their layouts are checked above).
  const size_t attr_at = out.offset();
  out.Bytes(a, kResFileAttrSize);
  // In-memory links mean nothing in a file.
  std::memset(&image[attr_at + kAttrTop], 0, 16);
  std::memset(&image[attr_at + kAttrFirstItem], 0, 8);

  // The walk stops at the item count, so the descriptors written and the
  // count stored always agree.
  uint16_t items = 0;
  Handle item = a->first_item;
  for (uint32_t n = 0; item != kNoHandle && n < a->item_count; ++n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    const size_t at = out.offset();
    out.Bytes(d, kResFileItemSize);
    PutU32(&image[at + kItemLink], 0);
    char item_name[sizeof d->name + 1];
    CopyField(item_name, reinterpret_cast<const uint8_t*>(d->name), sizeof d->name);
    WriteLogf("Write Item data name %s type %d  size %d", item_name, d->type, d->size);
    ++items;
    item = d->next;
  }
  out.PatchU16(attr_at + kAttrItemCount, items);

  WriteLog("record body write.");
  uint16_t records = 0;
  Handle r = a->top;
  for (uint32_t n = 0; r != kNoHandle && n < a->all_count; ++n) {
    const HandleEntry& e = Entry(r);
    if ((e.flags & (kRecordInactive | kRecordNoSave)) == 0) {
      ResFileRecordHeader rh{};
      rh.number = e.number;
      rh.flags = e.flags;
      rh.size = e.size;
      std::memcpy(rh.tag, e.tag, sizeof rh.tag);
      WriteResFileRecordHeader(out, rh);
      // Body bytes 0 to size - 1; a body shorter than its size (never made
      // so) is padded with zeros rather than read past.
      const size_t have = Body(r) != nullptr ? std::min<size_t>(e.size, static_cast<size_t>(e.units) * 4) : 0;
      if (have > 0) out.Bytes(Body(r), have);
      out.Zeros(e.size - have);
      ++records;
    }
    r = e.next;
  }
  // The record count is the number of records that follow.
  out.PatchU16(attr_at + kAttrAllCount, records);
  out.PatchU16(attr_at + kAttrActiveCount, records);

  if (!WriteFileAtomically(name, image.data(), image.size())) {
    LogSystemMessage(8, name);
    return 8;
  }
  return 0;
}

Handle OpenResource(Handle task, const char* file, const char* data_name) {
  if (file == nullptr) file = "";
  if (data_name == nullptr) data_name = "";
  if (HasFlag(TASK) && !TaskRegistered(task)) {
    LogSystemMessage(72, file);
    return kNoHandle;
  }
  std::vector<uint8_t> bytes;
  if (file[0] == '\0' || !ReadFileBytes(file, bytes)) {
    LogSystemMessage(6, file);
    return kNoHandle;
  }
  // Every read below is checked against the bytes actually there.
  ByteReader in(bytes.data(), bytes.size());

  ResFileHeader header;
  if (!ReadResFileHeader(in, header)) {
    LogSystemMessage(9, file);
    return kNoHandle;
  }
  if (HasFlag(TEST_RUN) && CheckResourceHeader(header, file) != 0) return kNoHandle;
  if (HasFlag(RESOUCE_TEST)) {
    char magic[sizeof header.magic + 1];
    char version[sizeof header.version + 1];
    char revision[sizeof header.revision + 1];
    CopyField(magic, reinterpret_cast<const uint8_t*>(header.magic), sizeof header.magic);
    CopyField(version, reinterpret_cast<const uint8_t*>(header.version), sizeof header.version);
    CopyField(revision, reinterpret_cast<const uint8_t*>(header.revision), sizeof header.revision);
    WriteLogf("ResourceHeder :%s   %s%s", magic, version, revision);
    WriteLogf("\t:sts %ld   size %ld", static_cast<long>(header.status), static_cast<long>(header.size));
  }

  const Handle resource = CreateResource(task, file, data_name);
  if (resource == kNoHandle) return kNoHandle;
  // The "Item" resource holds every descriptor, the ones a load makes too:
  // it cannot be loaded over.
  if (resource == ItemResource()) {
    LogSystemMessage(9, file);
    return kNoHandle;
  }

  uint8_t attr[kResFileAttrSize];
  if (!in.Read(attr, sizeof attr)) {
    LogSystemMessage(9, file);
    return kNoHandle;
  }
  if (Attr(resource)->top != kNoHandle || Attr(resource)->first_item != kNoHandle) DropContents(resource);

  // The file's block replaces the resource's, but for its place in the
  // global chain; records and items are rebuilt from what follows.
  ResourceAttr* a = Attr(resource);
  const Handle next_resource = a->next_resource;
  const Handle prev_resource = a->prev_resource;
  std::memcpy(a, attr, sizeof attr);
  a->next_resource = next_resource;
  a->prev_resource = prev_resource;
  a->top = a->end = kNoHandle;
  a->first_item = a->last_item = kNoHandle;
  a->item_count = 0;
  a->record_size = 0;
  a->record_bytes = 0;
  a->all_count = 0;
  a->active_count = 0;
  // The names are NUL-terminated texts whatever the file held.
  a->res_name[sizeof a->res_name - 1] = '\0';
  a->data_name[sizeof a->data_name - 1] = '\0';
  a->owner[sizeof a->owner - 1] = '\0';
  const uint16_t stored_items = GetU16(attr + kAttrItemCount);
  const uint16_t stored_records = GetU16(attr + kAttrAllCount);

  for (int i = 0; i < stored_items; ++i) {
    uint8_t d[kResFileItemSize];
    if (!in.Read(d, sizeof d)) {
      LogSystemMessage(9, file);
      return kNoHandle;
    }
    char item_name[sizeof(ItemDescriptor::name)];
    CopyField(item_name, d, sizeof item_name - 1);
    const int type = d[offsetof(ItemDescriptor, type)];
    const int32_t size = GetI32(d + offsetof(ItemDescriptor, size));
    // An array's descriptor holds its byte size; CreateItem takes the count.
    // A bad type or size is CreateItem's to refuse (the item gets size 0).
    if (CreateItem(resource, item_name, type, type == ITEMarray ? size / 4 : size) == kNoHandle) {
      LogSystemMessage(9, file);
      return kNoHandle;
    }
    WriteLogf("Read Item data name %s type %d  size %d(%d/%d)", item_name, type, size, i, stored_items);
  }
  if (HasFlag(RESOUCE_TEST)) {
    a = Attr(resource);
    WriteLogf("\tNAME %s   TYPE %s  RecordCount %d", a->res_name, a->data_name, stored_records);
  }

  std::unordered_map<int32_t, Handle> made;
  // Every record takes at least its header's bytes: the count alone is not
  // trusted for the index's size.
  made.reserve(std::min<size_t>(stored_records, in.remaining() / kResFileRecordHeaderSize));
  for (int i = 0; i < stored_records; ++i) {
    ResFileRecordHeader rh;
    bool ok = ReadResFileRecordHeader(in, rh);
    const int32_t number = rh.number;
    const uint16_t size = rh.size;
    Handle record = kNoHandle;
    if (ok) {
      record = LoadRecord(resource, number, size, made);
      ok = record != kNoHandle;
    }
    if (ok) {
      // The stored body fills the record up to its own size (an itemised
      // resource imposes it, and a record met again keeps its size); bytes it
      // does not reach are cleared, which clears the last byte of the last
      // item too, and stored bytes beyond the record are skipped.
      const HandleEntry& e = Entry(record);
      const uint32_t storage = BodyStorage(record);
      const size_t fits = std::min<size_t>({size, e.size, storage});
      const size_t have = std::min(fits, in.remaining());
      uint8_t* body = Body(record);
      std::memcpy(body, bytes.data() + in.offset(), have);
      std::memset(body + have, 0, storage - have);
      if (size != e.size && HasFlag(RESOUCE_TEST)) {
        WriteLogf("OpenResource(): %s record %d holds %d bytes, the record size is %d", file, number, size, e.size);
      }
      ok = in.Skip(size);
    }
    if (!ok) {
      a = Attr(resource);
      WriteLog("READING ERROR");
      WriteLogf("   ResName  %s   DataName  %s", a->res_name, a->data_name);
      WriteLogf("   Size     %ld   Count     %d", static_cast<long>(a->record_bytes), a->all_count);
      WriteLogf("  error is resource number %d.", i + 1);
      LogSystemMessage(9, file);
      return kNoHandle;
    }
  }

  if (HasFlag(RESOUCE_TEST)) WriteLog("OpenResource OK!!");
  return resource;
}

}  // namespace vadu
