#include "core/line_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "core/state.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class LineFileTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    SetFlag(TRACE);
  }
  std::vector<std::string> Log() const { return test::ReadLines("SenELOG.dat"); }
  // Line n of `file`, or "<none>".
  static std::string Line(const char* file, int n) {
    char out[kLineBufferSize];
    const char* line = read_line_file(file, n, out, sizeof out);
    return line != nullptr ? std::string(line) : "<none>";
  }
};

TEST_F(LineFileTest, NumberedLinesAndTheMissingLineReport) {
  test::WriteFile("three.txt", "one\ntwo\nthree\n");
  EXPECT_EQ(Line("three.txt", 1), "one");
  EXPECT_EQ(Line("three.txt", 3), "three");
  EXPECT_TRUE(Log().empty());

  EXPECT_EQ(Line("three.txt", 4), "<none>");
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0], "read_line_file() error! three.txt (line 3 req 4)");

  // Number 0 reads nothing and logs nothing; a missing file gives none.
  EXPECT_EQ(Line("three.txt", 0), "<none>");
  EXPECT_EQ(Line("absent.txt", 1), "<none>");
  EXPECT_EQ(Log().size(), 1u);
}

TEST_F(LineFileTest, LastLineWithoutNewlineIsNeverReturned) {
  test::WriteFile("open.txt", "first\nsecond");
  EXPECT_EQ(Line("open.txt", 1), "first");
  EXPECT_EQ(Line("open.txt", 2), "<none>");
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log()[0], "read_line_file() error! open.txt (line 2 req 2)");
}

TEST_F(LineFileTest, LongLineCountsAsSeveral) {
  test::WriteFile("long.txt", std::string(1500, 'X') + "\nnext\n");
  EXPECT_EQ(Line("long.txt", 1), std::string(1023, 'X'));
  EXPECT_EQ(Line("long.txt", 2), std::string(477, 'X'));
  EXPECT_EQ(Line("long.txt", 3), "next");
}

TEST_F(LineFileTest, SmallOutputBufferAndLineEnds) {
  test::WriteFile("crlf.txt", "alpha\r\nbeta\r\n");
  EXPECT_EQ(Line("crlf.txt", 2), "beta");

  struct {
    char buf[4];
    char guard[4];
  } small;
  std::memset(small.guard, 0x5A, sizeof small.guard);
  ASSERT_NE(read_line_file("crlf.txt", 1, small.buf, sizeof small.buf), nullptr);
  EXPECT_STREQ(small.buf, "alp");
  for (char g : small.guard) EXPECT_EQ(g, 0x5A);
}

TEST_F(LineFileTest, WholeFileFitsExactlyOrNotAtAll) {
  test::WriteFile("whole.txt", "ab\r\ncd\n");
  const int32_t length = FileLength("whole.txt");
  EXPECT_EQ(length, 7);  // six characters (CR-LF is one) plus one
  EXPECT_EQ(FileLength("absent.txt"), 0);

  std::string buffer(static_cast<size_t>(length) + 4, '\x5A');
  ASSERT_EQ(ReadWholeFile("whole.txt", buffer.data(), static_cast<size_t>(length)), 1);
  EXPECT_EQ(buffer.substr(0, 7), std::string("ab\ncd\n\xFF", 7));
  EXPECT_EQ(buffer.substr(7), "\x5A\x5A\x5A\x5A");

  // One byte too small: refused, and nothing written past the buffer.
  std::string tight(static_cast<size_t>(length) + 4, '\x5A');
  EXPECT_EQ(ReadWholeFile("whole.txt", tight.data(), static_cast<size_t>(length) - 1), 0);
  EXPECT_EQ(tight.substr(static_cast<size_t>(length) - 1), std::string(5, '\x5A'));

  char none = '\x5A';
  EXPECT_EQ(ReadWholeFile("whole.txt", &none, 0), 0);
  EXPECT_EQ(none, '\x5A');
  EXPECT_EQ(ReadWholeFile("absent.txt", buffer.data(), buffer.size()), 0);

  test::WriteFile("empty.txt", "");
  EXPECT_EQ(FileLength("empty.txt"), 1);
  char mark = 0;
  EXPECT_EQ(ReadWholeFile("empty.txt", &mark, 1), 1);
  EXPECT_EQ(static_cast<unsigned char>(mark), 0xFF);
}

TEST_F(LineFileTest, FileIsFoundByItsScenarioSpelling) {
  // A scenario names its files as on the desktop it was written on: any
  // case, '\' between directories. Both the line cache and the reading
  // from the start find the file on disk.
  std::filesystem::create_directories("Text/Day1");
  test::WriteFile("Text/Day1/Scene.txt", "one\ntwo\n");
  for (const bool cached : {true, false}) {
    SCOPED_TRACE(cached);
    SetLineFileCache(cached);
    EXPECT_EQ(Line("TEXT\\day1\\SCENE.TXT", 2), "two");
    EXPECT_EQ(Line("text/DAY1\\scene.Txt", 1), "one");
  }
  char whole[16];
  EXPECT_EQ(ReadWholeFile("text\\day1\\scene.txt", whole, sizeof whole), 1);
  EXPECT_EQ(FileLength("TEXT\\DAY1\\SCENE.TXT"), 9);
  EXPECT_TRUE(Log().empty());
}

}  // namespace
}  // namespace vadu
