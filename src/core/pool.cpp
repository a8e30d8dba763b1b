#include "core/pool.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "core/log.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// Handle entries live in fixed chunks so that an entry never moves when the
// table grows. Index 0 is never handed out: handle 0 means none.
constexpr uint32_t kChunkEntries = 1024;

struct Pool {
  std::vector<std::unique_ptr<HandleEntry[]>> chunks;
  uint32_t capacity = 0;    // entries the table holds (index 1 .. capacity)
  uint32_t handle_top = 0;  // entries handed out from the top so far
  std::unique_ptr<uint8_t[]> data;
  uint32_t data_top = 0;
  uint32_t data_capacity = 0;
  uint32_t compactions = 0;
  bool move_on_alloc = false;
  // Bytes of the blocks in use and entries below the handle top without a
  // block. Blocks are never given back today, so the blocks tile the data
  // area and no entry is free; the counters let compaction and the free-entry
  // search see that at once instead of walking the whole table.
  uint32_t used_bytes = 0;
  uint32_t free_entries = 0;
};

std::unique_ptr<Pool> g_pool;
// The memory of the last destroyed pool, kept for the next CreatePool: tests,
// tools and fuzz harnesses make a fresh pool per run, and a new 13 MB area
// costs milliseconds under the sanitizers where reusing one costs nothing.
std::unique_ptr<Pool> g_spare;

HandleEntry& EntryAt(uint32_t index) {
  return g_pool->chunks[(index - 1) / kChunkEntries][(index - 1) % kChunkEntries];
}

// Makes room for `count` more entries.
bool GrowTable(uint32_t count) {
  Pool& p = *g_pool;
  uint32_t want = p.capacity + count;
  while (p.chunks.size() * kChunkEntries < want) {
    p.chunks.emplace_back(new (std::nothrow) HandleEntry[kChunkEntries]);
    if (!p.chunks.back()) {
      p.chunks.pop_back();
      return false;
    }
  }
  p.capacity = want;
  return true;
}

// The data area's size when the table holds `entries` entries: the table and
// the data share the pool's bytes.
uint32_t DataCapacityFor(uint32_t entries) {
  return kPoolSize - entries * kHandleEntrySize;
}

// Moves the used part of the data area to fresh memory of `size` bytes (at
// least the used part) and releases the old. In the debug mode every
// allocation does this with a buffer exactly as large as the blocks in use,
// so a stale body pointer and a write past the last block both land outside
// live memory, where AddressSanitizer sees them.
bool MoveDataArea(uint32_t size) {
  Pool& p = *g_pool;
  std::unique_ptr<uint8_t[]> fresh(new (std::nothrow) uint8_t[size > 0 ? size : 1]);
  if (!fresh) return false;
  std::memcpy(fresh.get(), p.data.get(), p.data_top);
  p.data = std::move(fresh);
  return true;
}

// A fresh pool, on the spare's memory when there is one whose table never
// grew (so its data area has the initial size).
std::unique_ptr<Pool> NewPool() {
  std::unique_ptr<Pool> spare = std::move(g_spare);
  auto p = std::unique_ptr<Pool>(new (std::nothrow) Pool);
  if (!p || !spare || !spare->data || spare->move_on_alloc || spare->capacity != kInitialHandles) return p;
  p->data = std::move(spare->data);
  p->chunks = std::move(spare->chunks);
  // The entries are handed out blank, as a new table's are.
  for (auto& chunk : p->chunks) std::fill_n(chunk.get(), kChunkEntries, HandleEntry{});
  return p;
}

// A free entry below the handle top (one whose block was never given or was
// taken back), or 0.
uint32_t FindFreeEntry() {
  Pool& p = *g_pool;
  if (p.free_entries == 0) return 0;
  for (uint32_t i = 1; i <= p.handle_top; ++i) {
    if (!EntryAt(i).in_use) return i;
  }
  return 0;
}

}  // namespace

bool CreatePool() {
  DestroyPool();
  g_pool = NewPool();
  if (g_pool) {
    g_pool->data_capacity = DataCapacityFor(kInitialHandles);
    if (!g_pool->data) g_pool->data.reset(new (std::nothrow) uint8_t[g_pool->data_capacity]);
  }
  if (!g_pool || !g_pool->data || !GrowTable(kInitialHandles)) {
    g_pool.reset();
    std::fputs("ﾒﾓﾘﾌﾟｰﾙが作成できませんでした\n", stdout);
    std::fflush(stdout);
    return false;
  }
  const char* env = std::getenv("VADU_POOL_MOVE");
  if (env != nullptr && env[0] == '1') {
    g_pool->move_on_alloc = true;
    MoveDataArea(0);
  }
  return true;
}

void DestroyPool() {
  if (g_pool) g_spare = std::move(g_pool);
}
bool PoolExists() {
  return g_pool != nullptr;
}

void SetPoolMoveOnAlloc(bool on) {
  if (!g_pool || g_pool->move_on_alloc == on) return;
  g_pool->move_on_alloc = on;
  // Leaving the debug mode gives the area back its full size.
  if (!on) MoveDataArea(g_pool->data_capacity);
}

Handle AllocBlock(uint32_t units) {
  if (!g_pool || units == 0 || units > kMaxBlockUnits) return kNoHandle;
  Pool& p = *g_pool;
  const uint32_t bytes = units * 4;

  // Space: bump the data top, compacting once when the area is exhausted.
  if (bytes > p.data_capacity - p.data_top) {
    MemoryCompaction();
    if (bytes > p.data_capacity - p.data_top) return kNoHandle;
  }

  // Handle: the next fresh entry, else a free one, else grow the table (its
  // entries come out of the data area's bytes, as the base line moves up).
  uint32_t index = 0;
  if (p.handle_top < kInitialHandles || p.handle_top < p.capacity) {
    index = ++p.handle_top;
  } else {
    WriteLog("MEMB free handle call!");
    index = FindFreeEntry();
    if (index != 0) --p.free_entries;
    if (index == 0) {
      WriteLog("base line up");
      MemoryCompaction();
      const uint32_t new_capacity = DataCapacityFor(p.capacity + kHandleGrowth);
      if (p.data_top + bytes > new_capacity || !GrowTable(kHandleGrowth)) return kNoHandle;
      p.data_capacity = new_capacity;
      index = ++p.handle_top;
    }
  }

  if (p.move_on_alloc && !MoveDataArea(p.data_top + bytes)) return kNoHandle;

  HandleEntry& e = EntryAt(index);
  e = HandleEntry{};
  e.in_use = true;
  e.offset = p.data_top;
  e.units = static_cast<uint16_t>(units);
  p.data_top += bytes;
  p.used_bytes += bytes;
  return index;
}

void MemoryCompaction() {
  if (!g_pool) return;
  WriteLog("MemoryCompaction Call !!");
  Pool& p = *g_pool;
  ++p.compactions;
  if (p.used_bytes == p.data_top) return;  // already packed
  // Blocks are never given back, so the entries in use, taken in the order
  // of their blocks, tile the data area; packing moves each down to the
  // target in turn. Sorting the entries by offset keeps this linear in the
  // number of entries apart from the sort.
  std::vector<uint32_t> order;
  order.reserve(p.handle_top);
  for (uint32_t i = 1; i <= p.handle_top; ++i) {
    if (EntryAt(i).in_use) order.push_back(i);
  }
  std::sort(order.begin(), order.end(), [](uint32_t a, uint32_t b) { return EntryAt(a).offset < EntryAt(b).offset; });
  uint32_t target = 0;
  for (uint32_t i : order) {
    HandleEntry& e = EntryAt(i);
    const uint32_t bytes = e.units * 4u;
    if (e.offset != target) std::memmove(p.data.get() + target, p.data.get() + e.offset, bytes);
    e.offset = target;
    target += bytes;
  }
  p.data_top = target;
}

uint8_t* BlockAddress(Handle h) {
  if (!ValidHandle(h)) return nullptr;
  return g_pool->data.get() + EntryAt(h).offset;
}

const HandleEntry& Entry(Handle h) {
  if (g_pool && h != kNoHandle && h <= g_pool->capacity) return EntryAt(h);
  // A handle the table never gave reads as a blank entry; nothing can write
  // to it.
  static const HandleEntry kBlank;
  return kBlank;
}

HandleEntry* MutableEntry(Handle h) {
  if (g_pool && h != kNoHandle && h <= g_pool->capacity) return &EntryAt(h);
  return nullptr;
}

bool ValidHandle(Handle h) {
  return g_pool && h != kNoHandle && h <= g_pool->handle_top && EntryAt(h).in_use;
}

PoolStats GetPoolStats() {
  if (!g_pool) return PoolStats{0, 0, 0, 0, 0};
  return PoolStats{g_pool->handle_top, g_pool->capacity, g_pool->data_top, g_pool->data_capacity, g_pool->compactions};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&DestroyPool);
}  // namespace

}  // namespace vadu
