#include "data/resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/state.h"
#include "kernel/task.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

int32_t GetI32FromBody(Handle record, int offset) {
  int32_t v;
  std::memcpy(&v, Body(record) + offset, 4);
  return v;
}

class ResourceTest : public test::EngineTest {
 protected:
  // A resource with items a (ITEMlong), s (ITEMstring 8), b (ITEMlong).
  Handle ItemisedResource(const char* data_name = "Table") {
    const Handle r = CreateResource(kNoHandle, "table.res", data_name);
    CreateItem(r, "a", ITEMlong, 0);
    CreateItem(r, "s", ITEMstring, 8);
    CreateItem(r, "b", ITEMlong, 0);
    return r;
  }
};

TEST_F(ResourceTest, DateTimeStampPacksItsBitFields) {
  uint8_t stamp[8];
  std::memset(stamp, 0xFF, sizeof stamp);
  LocalDateTime t{2026, 12, 31, 23, 59, 58, 999};
  PackDateTime(stamp, t);
  const LocalDateTime u = UnpackDateTime(stamp);
  EXPECT_EQ(u.year, 2026);
  EXPECT_EQ(u.month, 12);
  EXPECT_EQ(u.day, 31);
  EXPECT_EQ(u.hour, 23);
  EXPECT_EQ(u.minute, 59);
  EXPECT_EQ(u.second, 58);
  EXPECT_EQ(u.millisecond, 999);
  // The unused bits keep what they held; clearing touches only the fields.
  EXPECT_EQ(stamp[3] & 0xF0, 0xF0);
  ClearDateTime(stamp);
  const uint8_t cleared[8] = {0, 0, 0, 0xF0, 0, 0, 0xC0, 0xFF};
  EXPECT_EQ(std::memcmp(stamp, cleared, 8), 0);
}

TEST_F(ResourceTest, NamePairsIdentifyResources) {
  const Handle a = CreateResource(kNoHandle, "x.res", "One");
  EXPECT_EQ(CreateResource(kNoHandle, "x.res", "One"), a);
  const Handle b = CreateResource(kNoHandle, "x.res", "Two");
  EXPECT_NE(a, b);
  EXPECT_EQ(FindResource("x.res", "Two"), b);
  EXPECT_EQ(FindResource("X.res", "Two"), kNoHandle);  // names are case-sensitive
  EXPECT_EQ(CheckResource(b), 0);
  EXPECT_EQ(CheckResource(a + 1000), 1);
  // Too long names are cut to their fields.
  const Handle c = CreateResource(kNoHandle, std::string(60, 'r').c_str(), std::string(30, 'd').c_str());
  EXPECT_EQ(std::strlen(Attr(c)->res_name), 41u);
  EXPECT_EQ(std::strlen(Attr(c)->data_name), 21u);
}

TEST_F(ResourceTest, CreatingThroughATaskMakesItTheTasksCurrentResource) {
  const Handle task = CreateTask("Owner", 0, 0);
  ASSERT_NE(task, kNoHandle);
  const Handle r = CreateResource(task, "mine.res", "Mine");
  EXPECT_EQ(TaskView(task)->current_resource, r);
  EXPECT_EQ(Attr(r)->creator_task, 30);
  const Handle rec = CreateRecord(r, 7, 16);
  EXPECT_EQ(SelectRecord(task, r, 7), rec);
  EXPECT_EQ(TaskView(task)->current_record, rec);
  DeleteRecord(r, rec);
  EXPECT_EQ(SelectRecord(task, r, 7), kNoHandle);
  EXPECT_EQ(TaskView(task)->current_record, rec);  // unchanged
}

TEST_F(ResourceTest, RecordNumbersAreReusedAndCountedOnce) {
  const Handle r = CreateResource(kNoHandle, "r.res", "R");
  const Handle five = CreateRecord(r, 5, 20);
  EXPECT_EQ(CreateRecord(r, 5, 20), five);
  EXPECT_EQ(Attr(r)->all_count, 1);
  EXPECT_EQ(Attr(r)->active_count, 1);
  EXPECT_EQ(Attr(r)->record_bytes, 20);
}

TEST_F(ResourceTest, DeletedRecordsAreReactivatedBySize) {
  const Handle r = CreateResource(kNoHandle, "r.res", "R");
  const Handle first = CreateRecord(r, -1, 40);
  const Handle second = CreateRecord(r, -1, 40);
  std::memcpy(Body(first), "keep", 5);
  DeleteRecord(r, first);
  EXPECT_EQ(DeleteRecord(r, first), 0);  // a second delete changes nothing
  EXPECT_EQ(Attr(r)->active_count, 1);
  EXPECT_EQ(Attr(r)->record_bytes, 40);

  EXPECT_EQ(CreateRecord(r, -1, 40), first);
  EXPECT_STREQ(reinterpret_cast<const char*>(Body(first)), "keep");  // old contents kept
  EXPECT_EQ(LastRecord(r), first);
  EXPECT_EQ(FirstRecord(r), second);
  EXPECT_EQ(Attr(r)->active_count, 2);
  EXPECT_EQ(Attr(r)->record_bytes, 80);

  DeleteRecord(r, first);
  const Handle other = CreateRecord(r, -1, 48);
  EXPECT_NE(other, first);
  EXPECT_EQ(Attr(r)->all_count, 3);
  EXPECT_TRUE(Logged("ﾘｿｰｽ活性化ｴﾗｰ   active_resource()"));
}

TEST_F(ResourceTest, RecordNumberRangeIsCheckedUnderResourceTracing) {
  SetFlag(RESOUCE_TEST);
  test::WriteFile("SYSTEM.msg", std::string(81, '\n') + "record number out of range\n");
  const Handle r = CreateResource(kNoHandle, "r.res", "R");
  EXPECT_NE(CreateRecord(r, 65536, 4), kNoHandle);
  EXPECT_EQ(CreateRecord(r, 65537, 4), kNoHandle);
  EXPECT_EQ(CreateRecord(r, -2, 4), kNoHandle);
  EXPECT_TRUE(Logged("record number out of range"));
  EXPECT_TRUE(Logged("r.res"));
  EXPECT_TRUE(Logged("\tﾘｿｰｽ･ｱﾄﾘﾋﾞｭｰﾄ情報 res name:r.res data name:R"));
}

TEST_F(ResourceTest, ChainWalksSkipInactiveRecords) {
  const Handle r = CreateResource(kNoHandle, "r.res", "R");
  const Handle one = CreateRecord(r, 1, 4);
  const Handle two = CreateRecord(r, 2, 4);
  const Handle three = CreateRecord(r, 3, 4);
  DeleteRecord(r, two);
  EXPECT_EQ(RecordIndex(r, three), 2);
  EXPECT_EQ(RecordIndex(r, two), 0);
  EXPECT_EQ(NextRecord(one), three);
  EXPECT_EQ(PrevRecord(three), one);
  EXPECT_EQ(search_record(r, 2), two);  // inactive records are still found by number

  MoveRecordBefore(one, three);
  EXPECT_EQ(FirstRecord(r), three);
  EXPECT_EQ(LastRecord(r), one);

  EXPECT_EQ(RemoveRecord(r, one), 0);
  EXPECT_EQ(Attr(r)->all_count, 2);
  EXPECT_EQ(LastRecord(r), three);
  EXPECT_EQ(Attr(r)->end, two);
  EXPECT_EQ(RecordIndex(r, one), 0);
}

TEST_F(ResourceTest, ItemsLayOutFromBodyByteOne) {
  const Handle r = ItemisedResource();
  EXPECT_EQ(Attr(r)->record_size, 16);
  EXPECT_EQ(Attr(r)->item_count, 3);
  EXPECT_EQ(item_offsetsize(r, "b", ITEMlong), 12);
  const Handle rec = CreateRecord(r, 1, 999);  // the record size is imposed
  EXPECT_EQ(Header(rec).size, 16);
  EXPECT_EQ(get_adr(rec, "b", ITEMlong), Body(rec) + 13);
  EXPECT_EQ(SetNum(rec, "b", -7), -7);
  EXPECT_EQ(Body(rec)[13], 0xF9);
  EXPECT_EQ(GetNum(rec, "b"), -7);
  EXPECT_EQ(AddNum(rec, "b", 10), 3);
  EXPECT_EQ(SubNum(rec, "b", 5), -2);
  EXPECT_EQ(ItemType(r, "s"), ITEMstring);
  EXPECT_EQ(ItemType(r, "zz"), -1);
  EXPECT_EQ(GetNum(rec, "zz"), -1);
  EXPECT_TRUE(Logged("item_offsetsize()で指定 table.res:Tableでzz(type6)が見つかりませんでした。"));
}

TEST_F(ResourceTest, StringItemsAreBoundedByTheirSize) {
  const Handle r = ItemisedResource();
  const Handle rec = CreateRecord(r, 1, 0);
  SetNum(rec, "b", 0x11223344);
  EXPECT_EQ(SetStr(rec, "s", "1234567"), 1);
  EXPECT_STREQ(GetStr(rec, "s"), "1234567");
  EXPECT_EQ(SetStr(rec, "s", "12345678"), -1);
  EXPECT_STREQ(GetStr(rec, "s"), "1234567");
  EXPECT_TRUE(Logged("SetStr()で長い文字列が指定されました。　s(8)"));
  // A two-byte character is never split by the cut.
  EXPECT_EQ(SetStr(rec, "s", "abcdefあ"), -1);
  EXPECT_STREQ(GetStr(rec, "s"), "abcdef");
  EXPECT_EQ(GetNum(rec, "b"), 0x11223344);  // the next item is untouched
  EXPECT_EQ(SetStr(rec, "nope", "x"), -1);
  EXPECT_EQ(SetStr(rec, nullptr, "x"), -1);
  EXPECT_TRUE(Logged("SetStr() para is NULL"));
}

TEST_F(ResourceTest, NumbersThroughOtherItemTypesLogTheTypeDifference) {
  const Handle r = CreateResource(kNoHandle, "l.res", "L");
  CreateItem(r, "lim", ITEMlimited, 0);
  EXPECT_EQ(SetItemLimits(r, "lim", 1, 9), 0);
  EXPECT_EQ(Descriptor(FindItem(r, "lim"))->limit2, 9);
  const Handle rec = CreateRecord(r, 1, 0);
  EXPECT_EQ(SetNum(rec, "lim", 42), 42);  // limits are stored, not enforced
  EXPECT_EQ(GetNum(rec, "lim"), 42);
  EXPECT_TRUE(Logged("item_offsetsize()で呼び出したl.res:L:lim type 10は指定タイプ 6と違います"));
}

TEST_F(ResourceTest, ArrayElementsAreAddressedByIndexWithinTheArray) {
  const Handle r = CreateResource(kNoHandle, "a.res", "A");
  CreateItem(r, "n", ITEMlong, 0);
  CreateItem(r, "arr", ITEMarray, 3);
  CreateItem(r, "after", ITEMlong, 0);
  EXPECT_EQ(Attr(r)->record_size, 20);
  const Handle rec = CreateRecord(r, 1, 0);
  SetNum(rec, "after", 77);
  EXPECT_EQ(SetNum(rec, "arr[2]", 5), 5);
  EXPECT_EQ(GetNum(rec, "arr[ 2]"), 5);
  EXPECT_EQ(GetI32FromBody(rec, 1 + 4 + 8), 5);
  // Out of range indexes are refused instead of reaching the next item.
  EXPECT_EQ(SetNum(rec, "arr[3]", 9), -1);
  EXPECT_EQ(SetNum(rec, "arr[-1]", 9), -1);
  EXPECT_EQ(GetNum(rec, "after"), 77);
  EXPECT_EQ(dimension("x[12]"), 12);
  EXPECT_EQ(dimension("x[-3]"), -3);
  EXPECT_EQ(dimension("x"), -1);
  EXPECT_EQ(dimension("x[4"), -1);
  EXPECT_TRUE(Logged("dimension() Error"));
}

TEST_F(ResourceTest, ItemsDeclaredAfterARecordDoNotReachPastItsBody) {
  const Handle r = CreateResource(kNoHandle, "late.res", "Late");
  CreateItem(r, "a", ITEMlong, 0);
  const Handle old = CreateRecord(r, 1, 0);
  CreateItem(r, "b", ITEMlong, 0);
  EXPECT_TRUE(Logged("Warrning!! CreateItem がReocrdを作成された後呼ばれました　late.res:Late(4byte) Req b"));
  EXPECT_EQ(SetNum(old, "b", 1), -1);
  const Handle fresh = CreateRecord(r, 2, 0);
  EXPECT_EQ(SetNum(fresh, "b", 1), 1);
}

TEST_F(ResourceTest, UnknownItemTypesAndOversizedItemsGetSizeZero) {
  const Handle r = CreateResource(kNoHandle, "t.res", "T");
  EXPECT_NE(CreateItem(r, "odd", 5, 10), kNoHandle);
  EXPECT_TRUE(Logged("CreateItemで認識されないItem番号が指定されました。"));
  CreateItem(r, "empty", ITEMstring, 0);
  EXPECT_TRUE(Logged("CreateItem()でITEMstring指定でサイズが0です。"));
  CreateItem(r, "huge", ITEMarray, 0x40000000);
  CreateItem(r, "neg", ITEMblock, -5);
  EXPECT_EQ(Attr(r)->record_size, 0);
  EXPECT_EQ(Attr(r)->item_count, 4);
}

// A string item of size 0 holds the empty text: its address is where the
// next item starts, and that item's bytes never read as its text, nor is it
// found by them.
TEST_F(ResourceTest, SizeZeroStringItemReadsEmptyNotTheNextItem) {
  const Handle r = CreateResource(kNoHandle, "t.res", "T");
  CreateItem(r, "empty", ITEMstring, 0);
  CreateItem(r, "name", ITEMstring, 8);
  const Handle rec = CreateRecord(r, -1, 0);
  ASSERT_EQ(SetStr(rec, "name", "Carol"), 1);
  EXPECT_EQ(SetStr(rec, "empty", "x"), -1);
  ASSERT_NE(GetStr(rec, "empty"), nullptr);
  EXPECT_STREQ(GetStr(rec, "empty"), "");
  EXPECT_STREQ(GetStr(rec, "name"), "Carol");
  EXPECT_EQ(FindRecordByStr(r, "empty", "Carol"), kNoHandle);
  EXPECT_EQ(FindRecordByStr(r, "name", "Carol"), rec);
  EXPECT_EQ(GetStr(rec, "missing"), nullptr);
}

TEST_F(ResourceTest, RecordsAreFoundByItemValues) {
  const Handle r = ItemisedResource();
  const int values[] = {5, 9, 9, 1};
  const char* names[] = {"alpha", "beta", "gamma", "delta"};
  Handle recs[4];
  for (int i = 0; i < 4; ++i) {
    recs[i] = CreateRecord(r, i + 1, 0);
    SetNum(recs[i], "a", values[i]);
    SetStr(recs[i], "s", names[i]);
  }
  EXPECT_EQ(FindRecordByNum(r, "a", 1, 9), recs[1]);
  EXPECT_EQ(FindRecordByNum(r, "a", 2, 5), recs[1]);
  EXPECT_EQ(FindRecordByNum(r, "a", 3, 5), recs[3]);
  EXPECT_EQ(FindRecordByNum(r, "a", 4, 5), kNoHandle);
  EXPECT_EQ(FindRecordByStr(r, "s", "amm"), recs[2]);
  DeleteRecord(r, recs[1]);
  EXPECT_EQ(FindRecordByNum(r, "a", 1, 9), recs[2]);
}

TEST_F(ResourceTest, ReferenceNamesReachOtherRecords) {
  const Handle r = ItemisedResource();
  const Handle one = CreateRecord(r, 1, 0);
  const Handle two = CreateRecord(r, 2, 0);
  SetStr(one, "s", "hero");
  SetNum(one, "b", 100);
  SetStr(two, "s", "villain");
  SetNum(two, "a", 2);
  SetNum(two, "b", 200);
  // Same resource: key item, key value, field.
  EXPECT_EQ(GetNum(one, ".s:villain.b"), 200);
  EXPECT_EQ(GetNum(two, ".a:2.b"), 200);
  EXPECT_EQ(SetNum(one, ".s:villain.b", 201), 201);
  EXPECT_EQ(GetNum(two, "b"), 201);
  // Another resource, named by ResName and DataName.
  const Handle other = CreateResource(kNoHandle, "other.res", "Other");
  CreateItem(other, "id", ITEMlong, 0);
  CreateItem(other, "v", ITEMlong, 0);
  const Handle o = CreateRecord(other, 1, 0);
  SetNum(o, "id", 7);
  SetNum(o, "v", 70);
  EXPECT_EQ(GetNum(one, ".other.res:Other.id:7.v"), 70);
  EXPECT_EQ(GetNum(one, ".other.res:Other.id:8.v"), -1);
  EXPECT_EQ(GetNum(one, ".nowhere.res:X.id:7.v"), -1);
  EXPECT_EQ(ItemAddress(one, "", ITEMlong), nullptr);
}

}  // namespace
}  // namespace vadu
