#include "core/install.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

using test::ReadFile;
using test::ReadLines;
using test::WriteFile;

// A clock that always reads 2024-05-06 07:08:09.123.
class FixedClock : public Clock {
 public:
  uint64_t NowMs() override { return 0; }
  void SleepMs(uint32_t) override {}
  LocalDateTime LocalTime() override { return LocalDateTime{2024, 5, 6, 7, 8, 9, 123}; }
};

class InstallTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    SetPlatformClock(&clock_);
    SetFlag(TRACE);
  }
  std::vector<std::string> Log() const { return ReadLines("SenELOG.dat"); }
  std::string LastLog() const {
    auto lines = Log();
    return lines.empty() ? "" : lines.back();
  }
  InstallRecord Record() const {
    std::string bytes = ReadFile(kInstallRecordFile);
    EXPECT_EQ(bytes.size(), static_cast<size_t>(kInstallRecordSize));
    bytes.resize(kInstallRecordSize);
    return DecodeInstallRecord(reinterpret_cast<const uint8_t*>(bytes.data()));
  }
  void Store(const InstallRecord& r) {
    const auto b = EncodeInstallRecord(r);
    WriteFile(kInstallRecordFile, std::string(b.begin(), b.end()));
  }
  static InstallRecord Current() {
    InstallRecord r;
    PutFixedText(r.version, sizeof r.version, "0.3");
    PutFixedText(r.revision, sizeof r.revision, "19");
    return r;
  }

  FixedClock clock_;
};

TEST_F(InstallTest, FirstStartWritesTheWholeRecordByteForByte) {
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"\tinstall VADU.", "\tversion up 0.3(old version )",
                                      "\trevision up 19(old revision )", "\tinstall date 2024/5/6 7:8 start count 0"}));
  const std::string expected(
      "0.3\0\0\0\0"                       // version
      "19\0\0\0\0\0\0\0"                  // revision
      "\xE8\x47\x99\x03\x48\xB2\x07\x00"  // install stamp 2024-05-06 07:08:09.123
      "\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0\0\0\0"
      "\0\0\0\0\0\0\0\0\0\0\0\0"  // statistics
      "\0\0\0\0",                 // start count
      kInstallRecordSize);
  EXPECT_EQ(ReadFile(kInstallRecordFile), expected);
}

TEST_F(InstallTest, EveryFurtherStartCountsOneAndKeepsTheInstallDate) {
  ASSERT_EQ(UpdateInstallRecord(), 1);
  const InstallRecord first = Record();
  struct LaterClock : FixedClock {
    LocalDateTime LocalTime() override { return LocalDateTime{2030, 1, 2, 3, 4, 5, 6}; }
  } later;
  SetPlatformClock(&later);
  for (uint32_t n = 1; n <= 3; ++n) {
    ASSERT_EQ(UpdateInstallRecord(), 1);
    EXPECT_EQ(Record().start_count, n);
    EXPECT_EQ(LastLog(), "\tinstall date 2024/5/6 7:8 start count " + std::to_string(n));
  }
  EXPECT_EQ(0, std::memcmp(Record().install_stamp, first.install_stamp, 8));
  // Only the first start logs the install and the version lines.
  EXPECT_EQ(Log().size(), 4u + 3u);
}

TEST_F(InstallTest, VersionChangeResetsTheCountAndRevisionChangeDoesNot) {
  InstallRecord old = Current();
  PutFixedText(old.version, sizeof old.version, "0.2");
  old.start_count = 41;
  Store(old);
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"\tversion up 0.3(old version 0.2)", "\tinstall date 0/0/0 0:0 start count 0"}));
  EXPECT_STREQ(Record().version, "0.3");

  old = Current();
  PutFixedText(old.revision, sizeof old.revision, "18");
  old.start_count = 41;
  Store(old);
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Log()[2], "\trevision up 19(old revision 18)");
  EXPECT_EQ(Record().start_count, 42u);
  EXPECT_STREQ(Record().revision, "19");
}

TEST_F(InstallTest, ShortFileIsAFreshInstallAndLongerFileIsCutToTheRecord) {
  WriteFile(kInstallRecordFile, std::string(20, '\x7f'));
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Log().front(), "\tinstall VADU.");
  EXPECT_EQ(Record().start_count, 0u);

  const auto b = EncodeInstallRecord(Current());
  WriteFile(kInstallRecordFile, std::string(b.begin(), b.end()) + "trailing");
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Record().start_count, 1u);
}

TEST_F(InstallTest, UnterminatedTextsAreReadWithinTheirFields) {
  std::string bytes(kInstallRecordSize, '\0');
  bytes.replace(0, 16, "XXXXXXXYYYYYYYYY");
  WriteFile(kInstallRecordFile, bytes);
  ASSERT_EQ(UpdateInstallRecord(), 1);
  EXPECT_EQ(Log()[0], "\tversion up 0.3(old version XXXXXXX)");
  EXPECT_EQ(Log()[1], "\trevision up 19(old revision YYYYYYYYY)");
}

TEST_F(InstallTest, UnwritableRecordGivesMinusOneWithoutTheDateLine) {
  std::filesystem::create_directory(kInstallRecordFile);
  WriteFile(std::string(kInstallRecordFile) + "/keep", "x");
  EXPECT_EQ(UpdateInstallRecord(), -1);
  EXPECT_EQ(Log().size(), 3u);
  // Nothing is left behind by the failed replacement.
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(".")) entries += e.path().filename() != "SenELOG.dat";
  EXPECT_EQ(entries, 1);
}

TEST_F(InstallTest, RunStatisticsMoveTheStartUpValue) {
  EXPECT_EQ(SaveRunStatistics(), -1);  // no record yet

  InstallRecord r = Current();
  r.stat1 = 11;
  r.stat2 = 22;
  r.stat3 = 33;
  Store(r);
  ASSERT_EQ(UpdateInstallRecord(), 1);
  // The value kept is the one read at start-up, whatever the file says now.
  InstallRecord changed = Record();
  changed.stat3 = 99;
  Store(changed);
  const std::string before = ReadFile(kInstallRecordFile);

  ASSERT_EQ(SaveRunStatistics(), 1);
  const std::string after = ReadFile(kInstallRecordFile);
  ASSERT_EQ(after.size(), static_cast<size_t>(kInstallRecordSize));
  const auto* a = reinterpret_cast<const uint8_t*>(after.data());
  EXPECT_EQ(GetI32(a + 40), 0);
  EXPECT_EQ(GetI32(a + 44), 33);
  EXPECT_EQ(GetI32(a + 48), 0);
  EXPECT_EQ(after.substr(0, 40), before.substr(0, 40));
  EXPECT_EQ(after.substr(52), before.substr(52));

  // A damaged record is left as it is.
  WriteFile(kInstallRecordFile, "short");
  EXPECT_EQ(SaveRunStatistics(), -1);
  EXPECT_EQ(ReadFile(kInstallRecordFile), "short");
}

TEST(InstallRecordCodec, TextBytesAfterTheTerminatorAreZero) {
  InstallRecord r;
  std::memcpy(r.version, "0.3\0abc", 7);
  std::memcpy(r.revision, "1234567\0z", 9);
  r.start_count = 0x01020304;
  r.stat1 = -2;
  const auto b = EncodeInstallRecord(r);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 16), std::string("0.3\0\0\0\0"
                                                                                  "1234567\0\0",
                                                                                  16));
  EXPECT_EQ(GetI32(b.data() + 40), -2);
  EXPECT_EQ(b[52], 4);
  EXPECT_EQ(b[55], 1);
  const InstallRecord back = DecodeInstallRecord(b.data());
  EXPECT_EQ(back.start_count, r.start_count);
  EXPECT_EQ(back.stat1, -2);
}

TEST_F(InstallTest, StateDumpHasTheBlockSizeAndTheNamesUpFront) {
  PutFixedText(Kernel.user_name, sizeof Kernel.user_name, "owner");
  std::memset(Kernel.long_machine_name, 'L', sizeof Kernel.long_machine_name);  // no terminator
  PutFixedText(Kernel.short_machine_name, sizeof Kernel.short_machine_name, "box");
  ASSERT_EQ(WriteStateDump(), 1);
  const std::string dump = ReadFile(kStateDumpFile);
  ASSERT_EQ(dump.size(), static_cast<size_t>(kStateBlockSize));
  EXPECT_EQ(dump.substr(0, 12), std::string("VADU\0\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(dump.substr(12, 22), std::string("owner") + std::string(17, '\0'));
  EXPECT_EQ(dump.substr(34, 22), std::string(22, 'L'));
  EXPECT_EQ(dump.substr(56, 22), std::string("box") + std::string(19, '\0'));
  EXPECT_EQ(GetU32(dump.data() + 80), static_cast<uint32_t>(TRACE));
  EXPECT_EQ(dump.substr(160), std::string(kStateBlockSize - 160, '\0'));
}

}  // namespace
}  // namespace vadu
