#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/game_dir.h"

namespace vadu {
namespace {

namespace fs = std::filesystem;

class GamePathTest : public test::GameDirTest {
 protected:
  // Names in a directory of the game, sorted.
  static std::set<std::string> Names(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }
  // The whole content of a game file opened through OpenGameFile, or
  // "<none>".
  static std::string Read(const char* name) {
    FILE* f = OpenGameFile(name, "rb");
    if (f == nullptr) return "<none>";
    std::string bytes;
    char buf[256];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return bytes;
  }
};

TEST_F(GamePathTest, NestedNamesMatchWithoutRegardToCaseAndBackslashSeparates) {
  fs::create_directories("Data/Pics");
  test::WriteFile("Data/Pics/Face01.BMP", "face");
  const char* spellings[] = {
      "Data/Pics/Face01.BMP",  "data\\pics\\FACE01.bmp",    "DATA/PICS/face01.bmp",
      "data\\Pics/face01.Bmp", ".\\DATA\\pics\\Face01.bmp",
  };
  for (const char* name : spellings) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Read(name), "face");
    EXPECT_TRUE(GameFileExists(name));
  }
  EXPECT_EQ(ResolveGamePath("data\\pics\\FACE01.bmp"), "Data/Pics/Face01.BMP");
  EXPECT_EQ(ResolveGamePath(".\\DATA\\pics\\Face01.bmp"), "./Data/Pics/Face01.BMP");
  // An absolute path is matched below its existing part as well.
  EXPECT_EQ(ResolveGamePath((dir() + "\\data\\PICS\\face01.bmp").c_str()), dir() + "/Data/Pics/Face01.BMP");
  // A directory is not a file.
  EXPECT_FALSE(GameFileExists("DATA\\pics"));
  EXPECT_EQ(ResolveGamePath("DATA\\pics"), "Data/Pics");
}

TEST_F(GamePathTest, ExactNameWinsAndCaseVariantsResolveInNameOrder) {
  // Two files that differ only by case: each exact spelling opens its own.
  test::WriteFile("save.res", "small");
  test::WriteFile("Save.res", "capital");
  EXPECT_EQ(Read("save.res"), "small");
  EXPECT_EQ(Read("Save.res"), "capital");
  // Any other spelling takes the first in name order ("S" before "s"),
  // whichever was made first, so every run opens the same file.
  EXPECT_EQ(ResolveGamePath("SAVE.RES"), "Save.res");
  fs::create_directory("other");
  test::WriteFile("other/Save.res", "capital");
  test::WriteFile("other/save.res", "small");
  EXPECT_EQ(ResolveGamePath("OTHER\\sAVE.res"), "other/Save.res");
  EXPECT_EQ(Read("OTHER\\sAVE.res"), "capital");
}

TEST_F(GamePathTest, MissingPartKeepsItsSpellingSoItCanBeMade) {
  fs::create_directory("Save");
  // Existing components take their spelling on disk, the rest stays as written.
  EXPECT_EQ(ResolveGamePath("SAVE\\New\\Slot01.RES"), "Save/New/Slot01.RES");
  EXPECT_EQ(ResolveGamePath("NewFile.Dat"), "NewFile.Dat");

  // A new file is made in the existing directory under the name asked for...
  FILE* f = OpenGameFile("save\\Slot02.Res", "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("one", f);
  std::fclose(f);
  EXPECT_EQ(Names("Save"), std::set<std::string>{"Slot02.Res"});
  // ...and written again through another spelling, without a second file.
  f = OpenGameFile("SAVE\\SLOT02.RES", "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("two", f);
  std::fclose(f);
  EXPECT_EQ(Names("Save"), std::set<std::string>{"Slot02.Res"});
  EXPECT_EQ(test::ReadFile("Save/Slot02.Res"), "two");
  EXPECT_EQ(Names("."), std::set<std::string>{"Save"});

  // Atomic replacement finds the file the same way.
  ASSERT_TRUE(WriteFileAtomically("save\\slot02.res", "three", 5));
  EXPECT_EQ(Names("Save"), std::set<std::string>{"Slot02.Res"});
  EXPECT_EQ(test::ReadFile("Save/Slot02.Res"), "three");

  EXPECT_EQ(OpenGameFile("", "rb"), nullptr);
  EXPECT_EQ(Read("Save\\Missing.res"), "<none>");
}

TEST_F(GamePathTest, TwoByteCharactersAreNeitherSplitNorFolded) {
  // The second byte of "ソ" (0x83 0x5C) is the byte of '\\' but no separator.
  fs::create_directory("data");
  test::WriteFile("data/ソフト.txt", "soft");
  EXPECT_EQ(ResolveGamePath("data\\ソフト.txt"), "data/ソフト.txt");
  EXPECT_EQ(ResolveGamePath("DATA\\ソフト.TXT"), "data/ソフト.txt");
  EXPECT_EQ(Read("Data/ソフト.Txt"), "soft");
  // "ア" (0x83 0x41) and "ヂ" (0x83 0x61) differ only where a letter's case
  // would: they are different characters, not case variants.
  test::WriteFile("ア.txt", "a");
  EXPECT_EQ(ResolveGamePath("ヂ.txt"), "ヂ.txt");
  EXPECT_EQ(Read("ヂ.TXT"), "<none>");
  EXPECT_EQ(Read("ア.TXT"), "a");
}

TEST_F(GamePathTest, GameDirectoryFileNames) {
  for (const char* name : {"SenELOG.dat", "..log", "表.log", "a b"}) EXPECT_TRUE(IsGameDirectoryFileName(name)) << name;
  for (const char* name : {"", ".", "..", "sub/x", "sub\\x", "/tmp/x", "\\x", "..\\x", "x/"}) {
    EXPECT_FALSE(IsGameDirectoryFileName(name)) << name;
  }
}

}  // namespace
}  // namespace vadu

namespace vadu {
namespace {

// A pipe or a directory named like a game file fails at once: opening a pipe
// would wait for a writer that never comes.
TEST_F(GamePathTest, OnlyRegularFilesAreOpened) {
  ASSERT_EQ(::mkfifo("picture.bmp", 0600), 0);
  std::vector<unsigned char> bytes;
  EXPECT_FALSE(ReadFileBytes("picture.bmp", bytes));
  EXPECT_EQ(OpenGameFile("PICTURE.BMP", "rb"), nullptr);
  EXPECT_EQ(OpenGameFile("picture.bmp", "wb"), nullptr);
  ASSERT_EQ(::mkdir("folder", 0700), 0);
  EXPECT_EQ(OpenGameFile("folder", "r"), nullptr);
  test::WriteFile("plain.txt", "x");
  FILE* f = OpenGameFile("plain.txt", "rb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
}

}  // namespace
}  // namespace vadu
