#include "core/pool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/state.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class PoolTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    ASSERT_TRUE(CreatePool());
    SetFlag(TRACE);
  }
};

TEST_F(PoolTest, HandlesStartAtOneAndBlocksAreFourByteUnits) {
  const Handle a = AllocBlock(3);
  const Handle b = AllocBlock(1);
  EXPECT_EQ(a, 1u);
  EXPECT_EQ(b, 2u);
  EXPECT_EQ(BlockAddress(b) - BlockAddress(a), 12);
  EXPECT_EQ(GetPoolStats().data_top, 16u);
  EXPECT_EQ(AllocBlock(0), kNoHandle);
  EXPECT_EQ(AllocBlock(kMaxBlockUnits + 1), kNoHandle);
  EXPECT_FALSE(ValidHandle(kNoHandle));
  EXPECT_FALSE(ValidHandle(99));
}

// A handle the table never gave reads as a blank entry and cannot be written
// through; a pool made again after one was destroyed (on the old one's
// memory) hands out blank entries from handle 1 again.
TEST_F(PoolTest, BadHandlesAreReadOnlyAndAFreshPoolStartsBlank) {
  const Handle a = AllocBlock(2);
  MutableEntry(a)->number = 41;
  MutableEntry(a)->owner = 7;
  for (const Handle bad : {kNoHandle, Handle{100000}, Handle{0xFFFFFFFF}}) {
    EXPECT_EQ(MutableEntry(bad), nullptr);
    EXPECT_FALSE(Entry(bad).in_use);
    EXPECT_EQ(Entry(bad).size, 0);
    EXPECT_EQ(Entry(bad).owner, kNoHandle);
  }
  EXPECT_EQ(Entry(a).number, 41);

  DestroyPool();
  EXPECT_FALSE(PoolExists());
  EXPECT_EQ(Entry(a).number, 0);
  EXPECT_EQ(MutableEntry(a), nullptr);
  ASSERT_TRUE(CreatePool());
  EXPECT_EQ(GetPoolStats().handle_top, 0u);
  EXPECT_EQ(GetPoolStats().handle_capacity, kInitialHandles);
  EXPECT_FALSE(Entry(a).in_use);
  EXPECT_EQ(Entry(a).number, 0);
  EXPECT_EQ(Entry(a).owner, kNoHandle);
  EXPECT_EQ(AllocBlock(1), 1u);
  EXPECT_EQ(Entry(1).number, 0);
}

TEST_F(PoolTest, ExactFitSucceedsThenTheNextCompactsAndFails) {
  // Fill the data area with large blocks, then take exactly what is left.
  const uint32_t capacity = GetPoolStats().data_capacity;
  while (capacity - GetPoolStats().data_top >= kMaxBlockUnits * 4u) ASSERT_NE(AllocBlock(kMaxBlockUnits), kNoHandle);
  const uint32_t rest = (capacity - GetPoolStats().data_top) / 4;
  ASSERT_GT(rest, 0u);
  EXPECT_NE(AllocBlock(rest), kNoHandle);
  EXPECT_EQ(GetPoolStats().data_top, capacity);
  EXPECT_EQ(AllocBlock(1), kNoHandle);
  EXPECT_EQ(GetPoolStats().compactions, 1u);
  const auto log = test::ReadLines("SenELOG.dat");
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "MemoryCompaction Call !!");
}

TEST_F(PoolTest, TableGrowsPastItsFirstEntriesAndHandlesKeepTheirBlocks) {
  std::vector<Handle> handles;
  for (uint32_t i = 0; i < kInitialHandles; ++i) {
    const Handle h = AllocBlock(1);
    ASSERT_NE(h, kNoHandle);
    std::memcpy(BlockAddress(h), &i, 4);
    handles.push_back(h);
  }
  // The 12,400th allocation still took a fresh entry without a log line.
  EXPECT_TRUE(test::ReadLines("SenELOG.dat").empty());
  const uint32_t before = GetPoolStats().data_capacity;
  const Handle next = AllocBlock(1);
  ASSERT_NE(next, kNoHandle);
  const auto log = test::ReadLines("SenELOG.dat");
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "MEMB free handle call!");
  EXPECT_EQ(log[1], "base line up");
  // The new entries take their bytes from the data area.
  EXPECT_EQ(GetPoolStats().data_capacity, before - kHandleGrowth * kHandleEntrySize);
  for (uint32_t i = 0; i < kInitialHandles; ++i) {
    uint32_t v;
    std::memcpy(&v, BlockAddress(handles[i]), 4);
    ASSERT_EQ(v, i);
  }
}

TEST_F(PoolTest, MovingOnAllocationKeepsContentsBehindHandles) {
  SetPoolMoveOnAlloc(true);
  const Handle a = AllocBlock(2);
  std::memcpy(BlockAddress(a), "abcdefg", 8);
  const uint8_t* before = BlockAddress(a);
  const Handle b = AllocBlock(2);
  ASSERT_NE(b, kNoHandle);
  // The area moved: the old pointer is stale, the handle is not.
  EXPECT_NE(BlockAddress(a), before);
  EXPECT_STREQ(reinterpret_cast<const char*>(BlockAddress(a)), "abcdefg");
  MemoryCompaction();
  EXPECT_STREQ(reinterpret_cast<const char*>(BlockAddress(a)), "abcdefg");
}

}  // namespace
}  // namespace vadu
