#include "core/config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "core/log.h"
#include "core/state.h"
#include "platform/files.h"
#include "platform/host_seam.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

std::vector<std::string> g_boxes;
void CaptureBox(const char* text) {
  g_boxes.emplace_back(text);
}

class ConfigTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    g_boxes.clear();
    SetMessageBoxHandler(CaptureBox);
    SetFlag(TRACE);
    // Message 100 is the last line, so the log shows when it was reported.
    std::string msg;
    for (int i = 1; i <= 100; ++i) msg += "message " + std::to_string(i) + "\n";
    test::WriteFile("SYSTEM.msg", msg);
  }
  std::vector<std::string> Log() const { return test::ReadLines("SenELOG.dat"); }
  bool Logged(const std::string& line) const {
    const auto log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  static std::string Value(const char* key, const char* file = kIniFile) {
    char value[256] = "<untouched>";
    return LookupKey(key, value, sizeof value, file) != nullptr ? value : "<none>";
  }
};

constexpr char kSample[] =
    "/TRACE OFF\n"
    "CYCLE_WAIT 2\n"
    "FASTSYNC_WAIT=3\n"
    "USER_NAME=ABC\n"
    "MAX_EVENT 300\n"
    "SCREEN_SIZEX -800\n"
    "BIG_NUMBER 70000\n"
    "FONT1_SIZEX 16\n"
    "START_PROGRAM TASKall\n"
    "SPACED  a b\tc \n"
    "SWITCH_A on\n"
    "SWITCH_B YES\n"
    "SWITCH_C No\n"
    "SWITCH_D OFF\n"
    "SWITCH_E maybe\n"
    "LAST_KEY 1";  // no line end: never read

TEST_F(ConfigTest, LookupValuesAndNumbers) {
  test::WriteFile(kIniFile, kSample);
  struct Case {
    const char* key;
    const char* value;
    int32_t number;
  } cases[] = {
      {"CYCLE_WAIT", "2", 2},        {"FASTSYNC_WAIT", "=3", 3},  // the number rule skips the equals sign
      {"USER_NAME", "=ABC", -1},     {"MAX_EVENT", "300", 300},
      {"SCREEN_SIZEX", "-800", 800},                                    // the sign is ignored
      {"SPACED", "abc", -1},         {"TASK", "T_PROGRAMTASKall", -1},  // found inside the START_PROGRAM line
      {"FONT_SIZEX", "<none>", -1},                                     // not in FONT1_SIZEX 16
      {"LAST_KEY", "<none>", -1},    {"TRACE", "<none>", -1},           // only in a comment
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Value(c.key), c.value) << c.key;
    EXPECT_EQ(LookupNumber(c.key, kIniFile), c.number) << c.key;
  }
  EXPECT_EQ(IniNumber("SCREEN_SIZEX"), 800);
  EXPECT_EQ(IniNumber("BIG_NUMBER"), static_cast<int16_t>(70000 & 0xFFFF));
  EXPECT_EQ(IniNumber("FONT_SIZEX"), -1);
  EXPECT_EQ(IniNumberOr("SCREEN_SIZEY", 600), 600);
  EXPECT_EQ(IniNumberOr("SCREEN_SIZEX", 600), 800);
  EXPECT_EQ(IniNumberOr("USER_NAME", 7), 7);  // a value without digits counts as missing
  EXPECT_EQ(IniNumberOr("FONT2_SIZEX", IniKeyMissing("FONT2_SIZEX")), -1);
  EXPECT_EQ(IniKeyMissing("MAX_EVENT"), 255);
}

TEST_F(ConfigTest, LookupSwitchWords) {
  test::WriteFile(kIniFile, kSample);
  EXPECT_EQ(LookupSwitch("SWITCH_A", kIniFile), 1);
  EXPECT_EQ(LookupSwitch("SWITCH_B", kIniFile), 1);
  EXPECT_EQ(LookupSwitch("SWITCH_C", kIniFile), 0);
  EXPECT_EQ(LookupSwitch("SWITCH_D", kIniFile), 0);
  EXPECT_EQ(LookupSwitch("SWITCH_E", kIniFile), -1);
  EXPECT_EQ(LookupSwitch("SWITCH_Z", kIniFile), -1);
}

TEST_F(ConfigTest, MissingKeyAndMissingFileAreLogged) {
  test::WriteFile(kIniFile, kSample);
  char value[16] = "keep";
  EXPECT_EQ(LookupKey("FONT_SIZEX", value, sizeof value, kIniFile), nullptr);
  EXPECT_STREQ(value, "keep");
  EXPECT_TRUE(Logged("指定文字列 FONT_SIZEXが ｼｽﾃﾑ･ﾘｿｰｽﾌｧｲﾙ(VADU.ini)に存在しません"));

  EXPECT_EQ(LookupKey("X", value, sizeof value, "nofile.ini"), nullptr);
  EXPECT_TRUE(Logged("Inifile open error ! nofile.ini"));
  EXPECT_EQ(LookupSwitch("X", "nofile.ini"), -1);

  // Before TRACE is set nothing reaches the log file.
  ClearFlag(TRACE);
  const size_t before = Log().size();
  EXPECT_EQ(Value("FONT_SIZEX"), "<none>");
  EXPECT_EQ(Log().size(), before);
}

// A game installed read-only: every open that could write a game file is
// refused (as on a read-only medium, which stops root too), except the log's.
bool ReadOnlyGame(const char* path, const char* mode) {
  return std::strcmp(path, "SenELOG.dat") == 0 || std::strpbrk(mode, "wa+") == nullptr;
}

TEST_F(ConfigTest, ReadOnlySettingsAndMessagesAreRead) {
  test::WriteFile(kIniFile, "TRACE ON\nMEMORY_TYPE INTEL\nCYCLE_WAIT 2\nFASTSYNC_WAIT 1\nSWITCH_A yes\n");
  test::WriteFile("lines.txt", "first\nsecond\n");
  for (const char* file : {kIniFile, "SYSTEM.msg", "lines.txt"}) ASSERT_EQ(::chmod(file, 0444), 0);
  SetGameFileOpenFilter(ReadOnlyGame);
  ASSERT_EQ(OpenGameFile(kIniFile, "r+t"), nullptr) << "the game is not read-only";

  EXPECT_EQ(Value("CYCLE_WAIT"), "2");
  EXPECT_EQ(LookupNumber("FASTSYNC_WAIT", kIniFile), 1);
  EXPECT_EQ(LookupSwitch("SWITCH_A", kIniFile), 1);
  ClearFlag(TRACE);
  EXPECT_EQ(ReadFlagKeys(), 0);
  EXPECT_TRUE(HasFlag(TRACE));
  ReadMemoryType();
  EXPECT_TRUE(ReadWaitKeys());
  EXPECT_TRUE(g_boxes.empty());  // neither "MEMORY_TYPE unknow!" nor "SYSTEMWAIT..."

  // Numbered lines, with the line cache and without it.
  LogSystemMessage(7, "extra");
  EXPECT_TRUE(Logged("message 7"));
  for (const bool cached : {true, false}) {
    SCOPED_TRACE(cached);
    SetLineFileCache(cached);
    char line[kLineBufferSize];
    ASSERT_NE(read_line_file("lines.txt", 2, line, sizeof line), nullptr);
    EXPECT_STREQ(line, "second");
  }
  EXPECT_FALSE(Logged("Inifile open error ! VADU.ini"));
}

TEST_F(ConfigTest, ScreenSizeSettingCapsLargeSizesAndDefaultsTheRest) {
  struct Case {
    const char* line;
    int16_t size;
  } cases[] = {
      {"SCREEN_SIZEX 1024\n", 1024},
      {"SCREEN_SIZEX 1\n", 1},
      {"SCREEN_SIZEX 4096\n", 4096},
      {"SCREEN_SIZEX 4097\n", 4096},
      {"SCREEN_SIZEX 70000\n", 4096},        // not its low 16 bits (4464)
      {"SCREEN_SIZEX 100000\n", 4096},       // not a negative 16-bit value
      {"SCREEN_SIZEX 99999999999\n", 4096},  // past 32 bits
      {"SCREEN_SIZEX -640\n", 640},          // the sign is ignored
      {"SCREEN_SIZEX 0\n", 800},
      {"SCREEN_SIZEX wide\n", 800},
      {"SCREEN_SIZEY 480\n", 800},  // the other key
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    test::WriteFile(kIniFile, c.line);
    EXPECT_EQ(ScreenSizeSetting("SCREEN_SIZEX", IniKeyMissing("SCREEN_SIZEX")), c.size);
  }
  EXPECT_EQ(ScreenSizeSetting("SCREEN_SIZEY", IniKeyMissing("SCREEN_SIZEY")), 480);
  std::remove(kIniFile);
  EXPECT_EQ(ScreenSizeSetting("SCREEN_SIZEY", IniKeyMissing("SCREEN_SIZEY")), 600);
}

TEST_F(ConfigTest, LongLinesAreCutNotSplit) {
  // A 600-character comment whose tail looks like a flag line, a key beyond
  // the 255th character, and a long value cut to the caller's buffer.
  std::string ini = "/" + std::string(300, 'x') + "TRACE OFF\n";
  ini += std::string(300, 'y') + "HIDDEN_KEY 5\n";
  ini += "LONG_VALUE " + std::string(400, 'v') + "\n";
  ini += "AFTER 9\r\n";
  test::WriteFile(kIniFile, ini);

  EXPECT_EQ(ReadFlagKeys(), 0);
  EXPECT_TRUE(HasFlag(TRACE));
  EXPECT_EQ(LookupNumber("HIDDEN_KEY", kIniFile), -1);
  EXPECT_EQ(Value("LONG_VALUE"), std::string(255 - 11, 'v'));
  EXPECT_EQ(Value("AFTER"), "9");

  struct {
    char buf[5];
    char guard[4];
  } small;
  std::memset(small.guard, 0x5A, sizeof small.guard);
  ASSERT_NE(LookupKey("LONG_VALUE", small.buf, sizeof small.buf, kIniFile), nullptr);
  EXPECT_STREQ(small.buf, "vvvv");
  for (char g : small.guard) EXPECT_EQ(g, 0x5A);
}

TEST_F(ConfigTest, FlagKeys) {
  struct Case {
    const char* ini;
    uint32_t start;
    uint32_t expected;
    bool message100;
  } cases[] = {
      {"TRACE OFF\nTRACE ON\n", 0, TRACE, false},
      {"TRACE ON\nTRACE OFF\n", TRACE, 0, false},
      {"/TRACE OFF\n", TRACE, TRACE, false},
      {"DEBAG on\n", TRACE, TRACE, true},  // the words are case-sensitive
      {"START_PROGRAM TASKall\n", TRACE | TASK, TRACE | TASK, true},
      {"EVENT_TEST ON\nRESOUCE_TEST ON\nLOOP_EXIT ON\nTEST_RUN ON\nTASK ON\nTRACE ON\n", 0,
       EVENT_TEST | RESOUCE_TEST | LOOP_EXIT | TEST_RUN | TASK | TRACE, false},
      {"TRACE ON\nTASK ON", TRACE, TRACE, false},  // the last line has no line end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    test::WriteFile(kIniFile, c.ini);
    test::WriteFile("SenELOG.dat", "");
    SystemFlags.store(c.start);
    EXPECT_EQ(ReadFlagKeys(), 0);
    EXPECT_EQ(SystemFlags.load(), c.expected);
    EXPECT_EQ(Logged("message 100"), c.message100);
  }

  std::remove(kIniFile);
  EXPECT_EQ(ReadFlagKeys(), 6);
  EXPECT_TRUE(Logged("File OpenError ! VADU.ini"));
}

TEST_F(ConfigTest, NameKeysAreCutAndLogged) {
  test::WriteFile(kIniFile,
                  "USER_NAME  player one\n"
                  "LONG_MACHINE_NAME abcdefghijklmnopqrstuvwxyz\n");
  ReadNameKeys();
  EXPECT_STREQ(Kernel.user_name, "playerone");
  EXPECT_STREQ(Kernel.long_machine_name, "abcdefghijklmnopqrstu");  // 21 characters
  EXPECT_STREQ(Kernel.short_machine_name, "");
  EXPECT_TRUE(Logged("\tVADU on  abcdefghijklmnopqrstu()    OWNER playerone"));
}

TEST_F(ConfigTest, MemoryType) {
  struct Case {
    const char* ini;
    bool motorola;
    const char* box;  // nullptr: none
  } cases[] = {
      {"MEMORY_TYPE MOTOROLA\n", true, nullptr},
      {"MEMORY_TYPE INTEL\n", false, nullptr},
      {"MEMORY_TYPE INTEL_MOTOROLA\n", true, nullptr},  // MOTOROLA is tested first
      {"MEMORY_TYPE PDP\n", false, "SYSTEM.iniのMEMORY_TYPEが記述が違います！"},
      {"OTHER 1\n", false, "MEMORY_TYPE unknow! VADU.ini"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    test::WriteFile(kIniFile, c.ini);
    g_boxes.clear();
    SetFlag(MOTOROLA);
    ReadMemoryType();
    EXPECT_EQ(HasFlag(MOTOROLA), c.motorola);
    if (c.box == nullptr) {
      EXPECT_TRUE(g_boxes.empty());
    } else {
      ASSERT_EQ(g_boxes.size(), 1u);
      EXPECT_EQ(g_boxes[0], c.box);
    }
  }
}

TEST_F(ConfigTest, WaitKeysAndMaxEvent) {
  test::WriteFile(kIniFile, "CYCLE_WAIT 2\nFASTSYNC_WAIT 1\nMAX_EVENT 300\n");
  EXPECT_TRUE(ReadWaitKeys());
  EXPECT_EQ(Kernel.cycle_wait, 2);
  ReadMaxEvent();
  EXPECT_EQ(Kernel.max_event, 44);

  test::WriteFile(kIniFile, "CYCLE_WAIT 0\nFASTSYNC_WAIT 1\n");
  EXPECT_TRUE(ReadWaitKeys());
  EXPECT_EQ(Kernel.cycle_wait, 1);  // never a zero divisor
  ReadMaxEvent();
  EXPECT_EQ(Kernel.max_event, 255);
  EXPECT_TRUE(g_boxes.empty());

  test::WriteFile(kIniFile, "CYCLE_WAIT 3\n");
  EXPECT_FALSE(ReadWaitKeys());
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0], "SYSTEMWAITが記述されてません VADU.ini nis ot0.3");
  EXPECT_GE(Kernel.cycle_wait, 1);
}

}  // namespace
}  // namespace vadu
