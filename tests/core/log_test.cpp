#include "core/log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "core/config.h"
#include "core/state.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

namespace fs = std::filesystem;

// The game directory lies two levels below the test's temporary directory,
// so a name that climbs out of it stays inside what the test removes.
class LogFileNameTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    fs::create_directories("outer/inner/game/sub");
    fs::current_path("outer/inner/game");
  }
  // Every file below the temporary directory, relative to it.
  std::set<std::string> Files() const {
    std::set<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir())) {
      if (e.is_regular_file()) files.insert(fs::relative(e.path(), dir()).string());
    }
    return files;
  }
};

TEST_F(LogFileNameTest, NameThatLeavesTheGameDirectoryIsRefused) {
  const std::string outside = dir() + "/abs.log";
  const std::string refused[] = {
      "../../x.log", "..\\..\\x.log", outside, "sub/x.log", "sub\\x.log", "..", ".",
  };
  for (const std::string& name : refused) {
    SCOPED_TRACE(name);
    test::WriteFile("VADU.ini", "Sys.error.elogfile " + name + "\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenLogFile(), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    // One line that names what was refused and what is used instead.
    EXPECT_EQ(err.find('\n'), err.size() - 1) << err;
    EXPECT_NE(err.find("\"" + name + "\""), std::string::npos) << err;
    EXPECT_NE(err.find("\"SenELOG.dat\" is used"), std::string::npos) << err;
    EXPECT_STREQ(Kernel.log_file_name, "SenELOG.dat");
    EXPECT_EQ(test::ReadLines("SenELOG.dat").size(), 2u);
    // Nothing was made anywhere but in the game directory.
    EXPECT_EQ(Files(), (std::set<std::string>{"outer/inner/game/SenELOG.dat", "outer/inner/game/VADU.ini"}));
    fs::remove("SenELOG.dat");
  }
  // Later lines go to the default file too.
  SetFlag(TRACE);
  WriteLog("after start");
  EXPECT_EQ(test::ReadLines("SenELOG.dat").back(), "after start");
}

TEST_F(LogFileNameTest, PlainNameIsUsedAndCutToItsField) {
  struct Case {
    const char* value;
    const char* used;
  } cases[] = {
      {"MyLog.txt", "MyLog.txt"},
      {"..log", "..log"},  // dots in a name are no directory part
      {"abcdefghijklmnopqrstuvwxyz.log", "abcdefghijklmnopqrstuvw"},
      {"", "SenELOG.dat"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    test::WriteFile("VADU.ini", std::string("Sys.error.elogfile ") + c.value + "\n");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(OpenLogFile(), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_STREQ(Kernel.log_file_name, c.used);
    EXPECT_EQ(test::ReadLines(c.used).size(), 2u);
  }
  // A name cut to its field is checked whole: the part beyond the cut still
  // counts.
  test::WriteFile("VADU.ini", "Sys.error.elogfile abcdefghijklmnopqrstuvwxyz/../../x\n");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(OpenLogFile(), 0);
  EXPECT_NE(::testing::internal::GetCapturedStderr(), "");
  EXPECT_STREQ(Kernel.log_file_name, "SenELOG.dat");
}

// A log file that a game ships as a link is never followed: start-up makes a
// file of its own in the link's place, and the file the link pointed at is
// left as it was.
TEST_F(LogFileNameTest, LinkInPlaceOfTheLogIsReplacedNotFollowed) {
  test::WriteFile("../../precious.txt", "keep me\n");
  fs::create_symlink("../../precious.txt", "SenELOG.dat");
  test::WriteFile("VADU.ini", "TRACE ON\n");
  ASSERT_EQ(OpenLogFile(), 0);
  SetFlag(TRACE);
  WriteLog("a line");
  EXPECT_EQ(test::ReadFile("../../precious.txt"), "keep me\n");
  EXPECT_FALSE(fs::is_symlink("SenELOG.dat"));
  const std::string log = test::ReadFile("SenELOG.dat");
  EXPECT_TRUE(log.size() >= 7 && log.compare(log.size() - 7, 7, "a line\n") == 0) << log;
  // A link made while the engine runs is not appended through either.
  fs::remove("SenELOG.dat");
  fs::create_symlink("../../precious.txt", "SenELOG.dat");
  WriteLog("another line");
  EXPECT_EQ(test::ReadFile("../../precious.txt"), "keep me\n");
}

}  // namespace
}  // namespace vadu
