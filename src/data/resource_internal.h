// State shared by the files of the data model (not for other layers).
#pragma once

#include "data/resource.h"

namespace vadu::detail {

struct ResourceChain {
  Handle top = kNoHandle;  // first resource created
  Handle end = kNoHandle;  // last resource created
  Handle item_resource = kNoHandle;
  ResourceCounters counters;
};

ResourceChain& Chain();

// The task's name for log lines ("" without a task).
const char* TaskName(Handle task);

// True when `record` is a record handle owned by `resource`.
bool OwnedBy(Handle resource, Handle record);

}  // namespace vadu::detail
