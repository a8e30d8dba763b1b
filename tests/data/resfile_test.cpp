#include "data/resfile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/pool.h"
#include "core/state.h"
#include "data/resource.h"
#include "data/task_record.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

constexpr size_t kHead = kResFileHeaderSize + kResFileAttrSize;  // where descriptors start

class ResFileTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // Line n of the message file is "message n", so a log shows which one came.
    std::string msg;
    for (int n = 1; n <= 100; ++n) msg += "message " + std::to_string(n) + "\n";
    test::WriteFile("SYSTEM.msg", msg);
  }

  // A fresh engine in the same directory, as a new run of the program.
  void Restart() {
    const uint32_t flags = SystemFlags.load();
    test::ResetEngine();
    ASSERT_TRUE(CreatePool());
    SystemFlags.store(flags);
    ASSERT_TRUE(CreateSystemResources());
  }

  // "t.res"/"Table" with items a (ITEMlong) and s (ITEMstring 8) and records
  // numbered 1..count holding a = 10 n and s = "rec n".
  Handle Table(int count, const char* data_name = "Table") {
    const Handle r = CreateResource(kNoHandle, "t.res", data_name);
    CreateItem(r, "a", ITEMlong, 0);
    CreateItem(r, "s", ITEMstring, 8);
    for (int n = 1; n <= count; ++n) {
      const Handle rec = CreateRecord(r, n, 0);
      SetNum(rec, "a", 10 * n);
      SetStr(rec, "s", ("rec " + std::to_string(n)).c_str());
    }
    return r;
  }

  // Body bytes 0..size-1 of every active record, in order.
  static std::vector<std::string> Bodies(Handle r) {
    std::vector<std::string> out;
    for (Handle rec = FirstRecord(r); rec != kNoHandle; rec = NextRecord(rec)) {
      out.emplace_back(reinterpret_cast<const char*>(Body(rec)), Entry(rec).size);
    }
    return out;
  }

  bool Message(int n) const { return Logged("message " + std::to_string(n)); }
};

TEST_F(ResFileTest, RoundTripKeepsRecordsItemsAndAttributes) {
  Handle r = Table(3);
  CreateRecord(r, -1, 0);  // an anonymous record keeps its number -1
  SetNum(LastRecord(r), "a", 77);
  SetResourceNote(r, "note text", 42);
  SetResourceMark(r, "MARK");
  const std::vector<std::string> before = Bodies(r);
  const ResourceAttr saved = *Attr(r);
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  EXPECT_TRUE(Logged("Write Item data name a type 6  size 4"));
  EXPECT_TRUE(Logged("Write Item data name s type 3  size 8"));
  EXPECT_TRUE(Logged("record body write."));

  // The file's fixed bytes: header, links written as 0, record tags.
  const std::string f = test::ReadFile("t.res");
  ASSERT_EQ(f.size(), kHead + 2 * 60 + 4 * (28 + 12));
  EXPECT_EQ(f.substr(0, 16), std::string("VADU\0"
                                         "0.3\0"
                                         "19\0\0I\0\0",
                                         16));
  EXPECT_EQ(f.substr(16, 16), std::string(16, '\0'));
  EXPECT_EQ(f.substr(32 + 144, 16), std::string(16, '\0'));
  EXPECT_EQ(f.substr(32 + 192, 8), std::string(8, '\0'));
  EXPECT_EQ(f.substr(kHead + 56, 4), std::string(4, '\0'));
  const size_t rec0 = kHead + 120;
  EXPECT_EQ(f.substr(rec0, 4), std::string(4, '\0'));
  EXPECT_EQ(GetI32(f.data() + rec0 + 4), 1);
  EXPECT_EQ(GetU16(f.data() + rec0 + 10), 12);
  EXPECT_EQ(f.substr(rec0 + 12, 16), std::string("\0\0\0\0\0\0\0\0\0\0\0\0  \0\0", 16));

  Restart();
  SetFlag(RESOUCE_TEST);
  r = OpenResource(kNoHandle, "t.res", "Table");
  ASSERT_NE(r, kNoHandle);
  EXPECT_EQ(Bodies(r), before);
  const ResourceAttr* a = Attr(r);
  EXPECT_EQ(a->all_count, 4);
  EXPECT_EQ(a->active_count, 4);
  EXPECT_EQ(a->record_bytes, 48);
  EXPECT_EQ(a->record_size, 12);
  EXPECT_EQ(a->item_count, 2);
  EXPECT_EQ(std::memcmp(a->owner, saved.owner, sizeof a->owner), 0);
  EXPECT_EQ(std::memcmp(a->created, saved.created, 24), 0);
  EXPECT_EQ(std::memcmp(a->note, "note text", 9), 0);
  EXPECT_EQ(a->note_value, 42);
  EXPECT_STREQ(a->mark, "MARK");
  EXPECT_EQ(Entry(LastRecord(r)).number, -1);
  EXPECT_EQ(GetNum(LastRecord(r), "a"), 77);
  EXPECT_STREQ(GetStr(FirstRecord(r), "s"), "rec 1");
  EXPECT_TRUE(Logged("ResourceHeder :VADU   0.319"));
  EXPECT_TRUE(Logged("\t:sts 0   size 0"));
  EXPECT_TRUE(Logged("Read Item data name s type 3  size 8(1/2)"));
  EXPECT_TRUE(Logged("\tNAME t.res   TYPE Table  RecordCount 4"));
  EXPECT_TRUE(Logged("OpenResource OK!!"));
}

TEST_F(ResFileTest, OnlyActiveSavedRecordsAreWritten) {
  const Handle r = Table(3);
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  EXPECT_EQ(test::ReadFile("t.res").size(), 32u + 232 + 2 * 60 + 3 * (28 + 12));

  DeleteRecord(r, search_record(r, 2));
  MutableEntry(CreateRecord(r, 4, 0))->flags |= kRecordNoSave;
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  const std::string f = test::ReadFile("t.res");
  EXPECT_EQ(f.size(), 32u + 232 + 2 * 60 + 2 * (28 + 12));
  EXPECT_EQ(GetU16(f.data() + 32 + 140), 2);
  EXPECT_EQ(GetU16(f.data() + 32 + 142), 2);
  EXPECT_EQ(Attr(r)->all_count, 4);  // the resource in memory is unchanged

  Restart();
  const Handle loaded = OpenResource(kNoHandle, "t.res", "Table");
  ASSERT_NE(loaded, kNoHandle);
  EXPECT_EQ(Attr(loaded)->active_count, 2);
  EXPECT_EQ(GetNum(LastRecord(loaded), "a"), 30);
}

TEST_F(ResFileTest, HeaderChecksRunWithTestRun) {
  ASSERT_EQ(SaveResource(kNoHandle, Table(1)), 0);
  const std::string good = test::ReadFile("t.res");
  struct Case {
    size_t offset;
    char byte;
    int message;  // refused with TEST_RUN, 0 when read anyway
    const char* line;
  } cases[] = {
      {0, 'X', 83, nullptr},
      {7, '4', 84, nullptr},
      {10, '8', 0, nullptr},  // the "19" field is not checked
      {13, 'M', 0, "Memoey Typeが MOTOROLA なﾘｿｰｽを読みました"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    std::string f = good;
    f[c.offset] = c.byte;
    test::WriteFile("t.res", f);
    test::WriteFile("SenELOG.dat", "");
    SetFlag(TEST_RUN);
    const Handle r = OpenResource(kNoHandle, "t.res", "Table");
    EXPECT_EQ(r == kNoHandle, c.message != 0);
    if (c.message != 0) {
      EXPECT_TRUE(Message(c.message));
    }
    if (c.line != nullptr) {
      EXPECT_TRUE(Logged(c.line));
    }
    ClearFlag(TEST_RUN);
    EXPECT_NE(OpenResource(kNoHandle, "t.res", "Table"), kNoHandle);
  }
  // The mark follows MEMORY_TYPE; the bytes stay little-endian.
  SetFlag(MOTOROLA | TEST_RUN);
  ASSERT_EQ(SaveResource(kNoHandle, FindResource("t.res", "Table")), 0);
  std::string f = test::ReadFile("t.res");
  EXPECT_EQ(f[13], 'M');
  EXPECT_EQ(GetI32(f.data() + kHead + 120 + 4), 1);
  f[13] = 'I';
  test::WriteFile("t.res", f);
  EXPECT_NE(OpenResource(kNoHandle, "t.res", "Table"), kNoHandle);
  EXPECT_TRUE(Logged("Memory Typeが INTEL なﾘｿｰｽを読みました"));
}

// The header and a record header as bytes: every field at its place, and a
// reader that refuses an image cut short (and leaves nothing half read).
TEST(ResFileFormat, HeaderAndRecordHeaderImagesByteForByte) {
  std::vector<uint8_t> image;
  ByteWriter out(image);
  WriteResFileHeader(out, NewResFileHeader(false));
  const uint8_t expected[kResFileHeaderSize] = {'V', 'A', 'D', 'U', 0, '0', '.', '3', 0, '1', '9', 0, 0, 'I'};
  ASSERT_EQ(image.size(), kResFileHeaderSize);
  EXPECT_EQ(std::memcmp(image.data(), expected, sizeof expected), 0);

  ResFileHeader h;
  ByteReader in(image.data(), image.size());
  ASSERT_TRUE(ReadResFileHeader(in, h));
  EXPECT_TRUE(ResFileMagicOk(h) && ResFileVersionOk(h) && ResFileRevisionOk(h));
  EXPECT_EQ(h.mark, 'I');
  // The engine compares four letters of the magic and three of the version;
  // the revision field must read "19" with its NUL.
  image[4] = 'x';
  image[11] = '5';
  ByteReader in2(image.data(), image.size());
  ASSERT_TRUE(ReadResFileHeader(in2, h));
  EXPECT_TRUE(ResFileMagicOk(h));
  EXPECT_FALSE(ResFileRevisionOk(h));
  ByteReader cut(image.data(), kResFileHeaderSize - 1);
  EXPECT_FALSE(ReadResFileHeader(cut, h));
  EXPECT_EQ(h.mark, 0);

  ResFileRecordHeader rh{};
  rh.number = -2;
  rh.flags = 0x1234;
  rh.size = 0xABCD;
  std::memcpy(rh.tag, "  ", 3);
  std::vector<uint8_t> rec;
  ByteWriter rout(rec);
  WriteResFileRecordHeader(rout, rh);
  ASSERT_EQ(rec.size(), kResFileRecordHeaderSize);
  EXPECT_EQ(GetI32(&rec[kResRecordNumber]), -2);
  EXPECT_EQ(GetU16(&rec[kResRecordFlags]), 0x1234);
  EXPECT_EQ(GetU16(&rec[kResRecordSize]), 0xABCD);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&rec[kResRecordTag]), 3), std::string("  \0", 3));
  ResFileRecordHeader back;
  ByteReader rin(rec.data(), rec.size());
  ASSERT_TRUE(ReadResFileRecordHeader(rin, back));
  EXPECT_EQ(back.number, -2);
  EXPECT_EQ(back.size, 0xABCD);
  ByteReader rcut(rec.data(), 27);
  EXPECT_FALSE(ReadResFileRecordHeader(rcut, back));
  EXPECT_EQ(back.size, 0);
}

TEST_F(ResFileTest, LoadingOverAnExistingPairReplacesItsContents) {
  ASSERT_EQ(SaveResource(kNoHandle, Table(3)), 0);
  Restart();
  const Handle r = CreateResource(kNoHandle, "t.res", "Table");
  CreateItem(r, "x", ITEMlong, 0);
  CreateItem(r, "y", ITEMlong, 0);
  CreateItem(r, "z", ITEMblock, 20);
  for (int n = 1; n <= 5; ++n) CreateRecord(r, 100 + n, 0);
  const Handle old = FirstRecord(r);
  const Handle later = CreateResource(kNoHandle, "later.res", "Later");

  EXPECT_EQ(OpenResource(kNoHandle, "t.res", "Table"), r);
  EXPECT_EQ(Attr(r)->item_count, 2);
  EXPECT_EQ(FindItem(r, "x"), kNoHandle);
  EXPECT_NE(FindItem(r, "s"), kNoHandle);
  EXPECT_EQ(Attr(r)->record_size, 12);
  EXPECT_EQ(Attr(r)->all_count, 3);
  EXPECT_EQ(Entry(FirstRecord(r)).number, 1);
  EXPECT_EQ(search_record(r, 101), kNoHandle);
  EXPECT_EQ(DeleteRecord(r, old), 1);  // the old records are no longer its own
  EXPECT_EQ(Attr(r)->all_count, 3);
  EXPECT_EQ(FindResource("later.res", "Later"), later);  // the global chain is kept
}

TEST_F(ResFileTest, SameNumberTwiceLoadsAsOneRecordWithTheSecondBody) {
  const Handle r = Table(2);
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  std::string f = test::ReadFile("t.res");
  PutI32(f.data() + kHead + 120 + 40 + 4, 1);  // the second record becomes number 1
  test::WriteFile("t.res", f);
  // Both ways CreateRecord is reached: the loader's index and the plain call.
  for (const bool traced : {false, true}) {
    SCOPED_TRACE(traced);
    Restart();
    if (traced) SetFlag(RESOUCE_TEST);
    const Handle loaded = OpenResource(kNoHandle, "t.res", "Table");
    ASSERT_NE(loaded, kNoHandle);
    EXPECT_EQ(Attr(loaded)->all_count, 1);
    EXPECT_EQ(GetNum(FirstRecord(loaded), "a"), 20);
    EXPECT_STREQ(GetStr(FirstRecord(loaded), "s"), "rec 2");
    ClearFlag(RESOUCE_TEST);
  }
}

TEST_F(ResFileTest, LastByteOfLastItemIsZeroAfterLoad) {
  const Handle r = CreateResource(kNoHandle, "t.res", "Table");
  CreateItem(r, "s", ITEMstring, 4);
  const Handle rec = CreateRecord(r, 1, 0);
  std::memset(Body(rec), 'x', BodyStorage(rec));  // no terminator at all
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  const Handle loaded = OpenResource(kNoHandle, "t.res", "Table");  // loads over the same records
  ASSERT_EQ(loaded, r);
  EXPECT_STREQ(GetStr(FirstRecord(r), "s"), "xxx");
  EXPECT_EQ(Body(FirstRecord(r))[4], 0);
}

TEST_F(ResFileTest, CutFileGivesReadingErrorOrNoneAtEveryLength) {
  ASSERT_EQ(SaveResource(kNoHandle, Table(3)), 0);
  const std::string f = test::ReadFile("t.res");
  const size_t records_at = kHead + 2 * 60;
  for (const uint32_t flags : {0u, TEST_RUN | RESOUCE_TEST}) {
    SystemFlags.store(TRACE | flags);
    for (size_t len = 0; len <= f.size() + 3; ++len) {
      SCOPED_TRACE(len);
      const std::string cut = len <= f.size() ? f.substr(0, len) : f + std::string(len - f.size(), '\0');
      test::WriteFile("cut.res", cut);
      test::WriteFile("SenELOG.dat", "");
      const Handle r = OpenResource(kNoHandle, "cut.res", ("D" + std::to_string(len)).c_str());
      if (len >= f.size()) {  // bytes after the last record are not read
        ASSERT_NE(r, kNoHandle);
        EXPECT_EQ(Attr(r)->all_count, 3);
        continue;
      }
      EXPECT_EQ(r, kNoHandle);
      EXPECT_TRUE(Message(9));
      if (len >= records_at) {
        const size_t failing = (len - records_at) / 40 + 1;
        EXPECT_TRUE(Logged("READING ERROR"));
        EXPECT_TRUE(Logged("  error is resource number " + std::to_string(failing) + "."));
      }
    }
  }
  // The cut in the middle of the last record, line by line.
  test::WriteFile("cut.res", f.substr(0, f.size() - 5));
  test::WriteFile("SenELOG.dat", "");
  SystemFlags.store(TRACE);
  EXPECT_EQ(OpenResource(kNoHandle, "cut.res", "Cut"), kNoHandle);
  const std::vector<std::string> expected = {"READING ERROR",
                                             "   ResName  t.res   DataName  Table",
                                             "   Size     36   Count     3",
                                             "  error is resource number 3.",
                                             "message 9",
                                             "cut.res"};
  const std::vector<std::string> log = Log();
  ASSERT_GE(log.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(log.end() - 6, log.end()), expected);
}

TEST_F(ResFileTest, DamagedCountsAndSizesAreBounded) {
  ASSERT_EQ(SaveResource(kNoHandle, Table(3)), 0);
  const std::string good = test::ReadFile("t.res");
  const size_t s_desc = kHead + 60;
  struct Case {
    const char* what;
    size_t offset;
    int width;  // 2 or 4 bytes
    int32_t value;
    int records;  // records loaded, -1 for none
    int size;     // record size after the load
  } cases[] = {
      {"record count past the file", 32 + 140, 2, 4, -1, 0},
      {"item count past the file", 32 + 188, 2, 0xFFFF, -1, 0},
      {"unknown item type", s_desc + 21, 1, 77, 3, 4},
      {"huge item size", s_desc + 24, 4, 0x7FFFFFFF, 3, 4},
      {"negative item size", s_desc + 24, 4, -8, 3, 4},
      {"shorter string item", s_desc + 24, 4, 4, 3, 8},
      {"longer string item", s_desc + 24, 4, 30, 3, 34},
      {"record body past the file", kHead + 120 + 80 + 10, 2, 0xFFFF, -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string f = good;
    if (c.width == 1) f[c.offset] = static_cast<char>(c.value);
    if (c.width == 2) PutU16(f.data() + c.offset, static_cast<uint16_t>(c.value));
    if (c.width == 4) PutI32(f.data() + c.offset, c.value);
    test::WriteFile("bad.res", f);
    Restart();
    const Handle r = OpenResource(kNoHandle, "bad.res", "Bad");
    if (c.records < 0) {
      EXPECT_EQ(r, kNoHandle);
      continue;
    }
    ASSERT_NE(r, kNoHandle);
    EXPECT_EQ(Attr(r)->all_count, c.records);
    EXPECT_EQ(Attr(r)->record_size, c.size);
    // Each record holds what fits of its stored body; the rest is zero.
    const Handle first = FirstRecord(r);
    const size_t kept = std::min(12, c.size);
    EXPECT_EQ(std::memcmp(Body(first), good.data() + kHead + 120 + 28, kept), 0);
    for (size_t i = kept; i < BodyStorage(first); ++i) EXPECT_EQ(Body(first)[i], 0) << i;
    EXPECT_EQ(GetNum(LastRecord(r), "a"), 30);
  }
}

TEST_F(ResFileTest, FailedSaveLeavesTheOldFile) {
  Handle r = Table(3);
  ASSERT_EQ(SaveResource(kNoHandle, r), 0);
  const std::string old = test::ReadFile("t.res");

  // A file that cannot be made: no directory, or a directory in the way.
  std::filesystem::create_directory("sub.res");
  for (const char* name : {"nodir/t.res", "sub.res"}) {
    SCOPED_TRACE(name);
    test::WriteFile("SenELOG.dat", "");
    SetResourceName(r, name);
    EXPECT_EQ(SaveResource(kNoHandle, r), 1);
    EXPECT_TRUE(Message(6));
    EXPECT_TRUE(Logged(name));
  }
  EXPECT_FALSE(test::FileExists("nodir"));
  EXPECT_TRUE(std::filesystem::is_directory("sub.res"));

  // A write that fails part-way (the file size limit): result 8, old file whole.
  SetResourceName(r, "t.res");
  for (int n = 0; n < 400; ++n) CreateRecord(r, 1000 + n, 0);
  test::WriteFile("SenELOG.dat", "");
  rlimit saved_limit;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
  rlimit small = saved_limit;
  small.rlim_cur = 4096;
  sighandler_t saved_signal = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = SaveResource(kNoHandle, r);
  setrlimit(RLIMIT_FSIZE, &saved_limit);
  signal(SIGXFSZ, saved_signal);
  EXPECT_EQ(result, 8);
  EXPECT_TRUE(Message(8));
  EXPECT_EQ(test::ReadFile("t.res"), old);
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(ResFileTest, TaskSwitchRefusesUnregisteredTasks) {
  const Handle r = Table(1);
  const Handle task = CreateRecord(SystemResource("Task"), 30, kTaskRecordSize);
  ASSERT_NE(task, kNoHandle);
  std::memset(Body(task), 0, kTaskRecordSize);
  TaskView(task)->number = 30;
  SetFlag(TASK);
  EXPECT_EQ(SaveResource(kNoHandle, r), 1);
  EXPECT_TRUE(Message(72));
  EXPECT_FALSE(test::FileExists("t.res"));
  ASSERT_EQ(SaveResource(task, r), 0);

  test::WriteFile("SenELOG.dat", "");
  EXPECT_EQ(OpenResource(kNoHandle, "t.res", "Other"), kNoHandle);
  EXPECT_TRUE(Message(72));
  const Handle loaded = OpenResource(task, "t.res", "Other");
  ASSERT_NE(loaded, kNoHandle);
  EXPECT_EQ(TaskView(task)->current_resource, loaded);

  // Other refusals: no resource, no file.
  EXPECT_EQ(SaveResource(task, kNoHandle), 1);
  test::WriteFile("SenELOG.dat", "");
  EXPECT_EQ(OpenResource(task, "missing.res", "Table"), kNoHandle);
  EXPECT_TRUE(Message(6));
}

}  // namespace
}  // namespace vadu
