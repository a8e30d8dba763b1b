// The memory pool: every resource and record of the engine is a block of the
// pool, reached through a handle. Blocks move when the pool is compacted;
// handle entries never move, so holders keep handles and look the block's
// address up again after anything that may allocate.
//
// The handle table is kept apart from the data area (handles are indices,
// not addresses), but the pool's capacity is counted as one area: the table's
// entries take their 28 bytes each from the same total, as they always have.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

inline constexpr uint32_t kPoolSize = 13'664'000;    // bytes in all
inline constexpr uint32_t kHandleEntrySize = 28;     // bytes a handle entry takes
inline constexpr uint32_t kInitialHandles = 12'400;  // entries before the base line
inline constexpr uint32_t kHandleGrowth = 50;        // entries added when the table grows
inline constexpr uint32_t kMaxBlockUnits = 65'535;   // a block is at most this many 4-byte units

// Record flags kept in a handle entry.
inline constexpr uint16_t kRecordInactive = 2;  // deleted, reusable
inline constexpr uint16_t kRecordNoSave = 4;    // not written into resource files

// A handle entry. Beside the block it locates, it carries the record header
// of the record whose handle it is (unused for resources).
struct HandleEntry {
  bool in_use = false;  // the entry has a block
  uint32_t offset = 0;  // byte offset of the block in the data area
  uint16_t units = 0;   // block size in 4-byte units
  // Record header.
  int32_t number = 0;    // record number; -1 = anonymous
  uint16_t flags = 0;    // kRecordInactive, kRecordNoSave
  uint16_t size = 0;     // body size in bytes
  uint32_t storage = 0;  // bytes of the body that items may use (size, +1 when itemised)
  Handle owner = kNoHandle;
  Handle next = kNoHandle;
  Handle prev = kNoHandle;
  char tag[3] = {' ', ' ', '\0'};
};

// Creates (or re-creates, emptying it) the pool. Returns false when the
// memory cannot be had, after writing the failure line to standard output;
// the caller ends the process.
bool CreatePool();
// Releases the pool (tests, shutdown).
void DestroyPool();
bool PoolExists();

// Allocates a block of `units` 4-byte units; returns its handle, or none when
// the pool is full even after compaction or `units` is 0 or too large.
// The block's content is undefined.
Handle AllocBlock(uint32_t units);
// Packs the data area; blocks keep their order and handles their blocks.
void MemoryCompaction();

// The block of a handle: valid only until the next allocation.
uint8_t* BlockAddress(Handle h);
// The handle entry, to read: entries never move, so the reference stays
// valid. A handle the table never gave reads as a blank entry (not in use,
// size 0, no owner or links).
const HandleEntry& Entry(Handle h);
// The handle entry, to change: nullptr for a handle the table never gave, so
// a write through a bad handle cannot land in a shared scratch entry and
// vanish unnoticed.
HandleEntry* MutableEntry(Handle h);
// True when `h` is a handle of the table that has a block.
bool ValidHandle(Handle h);

// Units needed for a body of `bytes` bytes.
inline uint32_t UnitsFor(uint32_t bytes) {
  return (bytes + 3) / 4;
}

// Figures for tests, benchmarks and the state dump.
struct PoolStats {
  uint32_t handle_top;       // entries handed out so far (first never-used entry)
  uint32_t handle_capacity;  // entries the table holds now
  uint32_t data_top;         // first free byte of the data area
  uint32_t data_capacity;    // bytes of the data area now
  uint32_t compactions;
};
PoolStats GetPoolStats();

// Debug aid: when on, every allocation moves the whole data area to fresh
// memory and releases the old, so a body pointer kept across an allocation
// points into released memory and AddressSanitizer reports it at once. Also
// switched on by the environment variable VADU_POOL_MOVE=1 at CreatePool.
void SetPoolMoveOnAlloc(bool on);

}  // namespace vadu
