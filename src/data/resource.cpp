// Resources: creation, lookup, names and the global resource chain.
#include "data/resource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/state.h"
#include "data/resource_internal.h"
#include "data/task_record.h"
#include "platform/bytes.h"
#include "platform/reset.h"

namespace vadu {
namespace detail {

ResourceChain& Chain() {
  static ResourceChain chain;
  return chain;
}

const char* TaskName(Handle task) {
  // One copy for the log line being written.
  static TaskNameText name(kNoHandle);
  name = TaskNameText(task);
  return name.text;
}

bool OwnedBy(Handle resource, Handle record) {
  return ValidHandle(resource) && ValidHandle(record) && Entry(record).owner == resource;
}

}  // namespace detail

using detail::Chain;

ResourceAttr* Attr(Handle resource) {
  return reinterpret_cast<ResourceAttr*>(BlockAddress(resource));
}

uint8_t* Body(Handle record) {
  return BlockAddress(record);
}

ItemDescriptor* Descriptor(Handle item) {
  return reinterpret_cast<ItemDescriptor*>(BlockAddress(item));
}

Handle FirstResource() {
  return Chain().top;
}

Handle FindResource(const char* res_name, const char* data_name) {
  if (res_name == nullptr || data_name == nullptr) return kNoHandle;
  for (Handle r = Chain().top; r != kNoHandle;) {
    const ResourceAttr* a = Attr(r);
    if (a == nullptr) break;
    if (std::strncmp(a->res_name, res_name, sizeof a->res_name) == 0 && std::strlen(res_name) < sizeof a->res_name &&
        std::strncmp(a->data_name, data_name, sizeof a->data_name) == 0 &&
        std::strlen(data_name) < sizeof a->data_name) {
      return r;
    }
    r = a->next_resource;
  }
  return kNoHandle;
}

int CheckResource(Handle resource) {
  if (resource == kNoHandle) return 1;
  for (Handle r = Chain().top; r != kNoHandle;) {
    if (r == resource) return 0;
    const ResourceAttr* a = Attr(r);
    if (a == nullptr) break;
    r = a->next_resource;
  }
  return 1;
}

Handle CreateResource(Handle task, const char* res_name, const char* data_name) {
  if (res_name == nullptr) res_name = "";
  if (data_name == nullptr) data_name = "";
  if (Handle found = FindResource(res_name, data_name); found != kNoHandle) {
    if (TaskRecord* t = TaskView(task)) t->current_resource = found;
    return found;
  }
  if (HasFlag(RESOUCE_TEST)) {
    if (std::strlen(res_name) >= sizeof(ResourceAttr::res_name)) LogSystemMessage(79, res_name);
    if (std::strlen(data_name) >= sizeof(ResourceAttr::data_name)) LogSystemMessage(80, data_name);
  }
  const Handle h = AllocBlock(UnitsFor(sizeof(ResourceAttr)));
  if (h == kNoHandle) return kNoHandle;

  detail::ResourceChain& chain = Chain();
  ResourceAttr* a = Attr(h);
  std::memset(a, 0, sizeof *a);
  if (chain.top == kNoHandle) {
    chain.top = chain.end = h;
  } else {
    Attr(chain.end)->next_resource = h;
    a->prev_resource = chain.end;
    chain.end = h;
  }
  PutFixedText(a->res_name, sizeof a->res_name, res_name);
  PutFixedText(a->data_name, sizeof a->data_name, data_name);
  PutFixedText(a->owner, sizeof a->owner, Kernel.user_name);
  PackDateTime(a->created, PlatformClock().LocalTime());
  ClearDateTime(a->stamp2);
  ClearDateTime(a->stamp3);
  ++chain.counters.resources;
  if (TaskRecord* t = TaskView(task)) {
    a->creator_task = t->number;
    a->creator_group = t->group;
    t->current_resource = h;
  }
  if (HasFlag(RESOUCE_TEST)) {
    if (task != kNoHandle) {
      WriteLogf("%sの要求でResourceを作成  AttName:%s", detail::TaskName(task), Attr(h)->res_name);
    } else {
      WriteLogf("初期化中にResourceを作成  AttName:%s", Attr(h)->res_name);
    }
    WriteLogf("\tﾘｿｰｽ･ｱﾄﾘﾋﾞｭｰﾄ情報 res name:%s data name:%s", Attr(h)->res_name, Attr(h)->data_name);
    char top_name[42];
    PutFixedText(top_name, sizeof top_name, Attr(chain.top)->res_name);
    WriteLogf("\tﾘｿｰｽ･ﾃｰﾌﾞﾙ情報 count %ld  top att:%s  end att:%s", static_cast<long>(chain.counters.resources),
              top_name, Attr(chain.end)->res_name);
    WriteLogf("\tHANDLE adr %x  RESOURCE adr %x", h, Entry(h).offset);
  }
  return h;
}

int SetResourceName(Handle resource, const char* res_name) {
  ResourceAttr* a = Attr(resource);
  if (a == nullptr) return 1;
  if (res_name == nullptr) res_name = "";
  if (std::strlen(res_name) >= sizeof a->res_name) LogSystemMessage(79, res_name);
  PutFixedText(Attr(resource)->res_name, sizeof a->res_name, res_name);
  return 0;
}

int SetResourceNote(Handle resource, const char* note, int32_t value) {
  ResourceAttr* a = Attr(resource);
  if (a == nullptr) return 1;
  // The note may fill its 12 bytes without a terminator.
  std::memset(a->note, 0, sizeof a->note);
  if (note != nullptr) std::memcpy(a->note, note, std::min(std::strlen(note), sizeof a->note));
  a->note_value = value;
  return 0;
}

int SetResourceMark(Handle resource, const char* mark) {
  ResourceAttr* a = Attr(resource);
  if (a == nullptr) return 1;
  std::memset(a->mark, 0, sizeof a->mark);
  if (mark != nullptr) std::memcpy(a->mark, mark, std::min(std::strlen(mark), sizeof a->mark));
  return 0;
}

uint16_t RecordCount(Handle resource) {
  const ResourceAttr* a = Attr(resource);
  return a == nullptr ? 0 : a->all_count;
}

Handle ItemResource() {
  detail::ResourceChain& chain = Chain();
  if (chain.item_resource == kNoHandle || CheckResource(chain.item_resource) != 0) {
    chain.item_resource = CreateResource(kNoHandle, kSystemResName, "Item");
  }
  return chain.item_resource;
}

const ResourceCounters& GetResourceCounters() {
  return Chain().counters;
}

void ResetResources() {
  Chain() = detail::ResourceChain{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetResources);
}  // namespace

}  // namespace vadu
