#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/resource.h"
#include "text/text.h"
#include "text/text_test_support.h"

namespace vadu {
namespace {

using test::TextBufferTest;

std::string Lines(int characters) {
  std::string s;
  for (int i = 0; i < characters; ++i) s += i % 40 == 39 ? '\n' : static_cast<char>('a' + i % 26);
  return s;
}

TEST_F(TextBufferTest, ReadingFillsBlocksOf1023Characters) {
  const std::string file = Lines(2500);
  test::WriteFile("big.txt", file);
  const Handle text = CreateText(kNoHandle, "big.txt", 0);
  ASSERT_EQ(ReadTextFile(text), 0);
  const std::vector<std::string> blocks = Blocks(text);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0].size(), 1023u);
  EXPECT_EQ(blocks[1].size(), 1023u);
  EXPECT_EQ(blocks[2].size(), 454u);
  EXPECT_EQ(Content(text), file);
  EXPECT_EQ(TextView(text)->text_size, 2501);
  EXPECT_EQ(TextView(text)->max_line, 62);
  EXPECT_TRUE(Logged("File Open big.txt"));
  EXPECT_TRUE(Logged("File read  big.txt ﾃｷｽﾄ･ｻｲｽﾞ 2501 byte max line 62  block count 2"));
  char line[64];
  EXPECT_EQ(GetTextLine(text, 62, line, sizeof line), 20);

  // Read again from a shorter file: the blocks left over are not part of
  // the text any more.
  test::WriteFile("big.txt", "short\n");
  ASSERT_EQ(ReadTextFile(text), 0);
  EXPECT_EQ(Blocks(text), std::vector<std::string>{"short\n"});
  EXPECT_EQ(TextView(text)->text_size, 7);
  EXPECT_EQ(TextView(text)->max_line, 1);
  EXPECT_TRUE(Logged("File read  big.txt ﾃｷｽﾄ･ｻｲｽﾞ 7 byte max line 1  block count 0"));
  // ...and are reused when the text grows again.
  const Handle resource = Entry(text).owner;
  const uint16_t records = RecordCount(resource);
  test::WriteFile("big.txt", file);
  ASSERT_EQ(ReadTextFile(text), 0);
  EXPECT_EQ(Content(text), file);
  EXPECT_EQ(RecordCount(resource), records);
}

TEST_F(TextBufferTest, ReadingEmptyMissingAndDesktopFiles) {
  test::WriteFile("empty.txt", "");
  const Handle text = CreateText(kNoHandle, "empty.txt", 0);
  ASSERT_EQ(ReadTextFile(text), 0);
  EXPECT_EQ(Blocks(text), std::vector<std::string>{""});
  EXPECT_EQ(TextView(text)->text_size, 1);
  EXPECT_EQ(TextView(text)->max_line, 0);

  const Handle missing = CreateText(kNoHandle, "nofile.txt", 0);
  EXPECT_EQ(ReadTextFile(missing), 6);
  EXPECT_TRUE(Logged("File open error! nofile.txt for read"));
  EXPECT_EQ(FirstTextBlock(missing), kNoHandle);

  // CR-LF line ends read as newlines; a carriage return elsewhere is kept,
  // a NUL byte is not stored. The name is matched without regard to case.
  static const char kDesktop[] = "one\r\ntwo\rx\r\n\r\nend\0z\r";
  test::WriteFile("dos.txt", std::string(kDesktop, sizeof kDesktop - 1));
  const Handle dos = CreateText(kNoHandle, "DOS.TXT", 0);
  ASSERT_EQ(ReadTextFile(dos), 0);
  EXPECT_EQ(Content(dos), "one\ntwo\rx\n\nendz\r");
  EXPECT_EQ(TextView(dos)->max_line, 3);
  EXPECT_EQ(TextView(dos)->text_size, 17);
}

TEST_F(TextBufferTest, WritingATextBackToItsFile) {
  const std::string file = Lines(2500);
  test::WriteFile("round.txt", file);
  const Handle text = CreateText(kNoHandle, "round.txt", 0);
  ASSERT_EQ(ReadTextFile(text), 0);
  ASSERT_EQ(text_insert(text, 3, 1, "NEW", 3), 0);
  ASSERT_EQ(WriteTextFile(text), 0);
  std::string expected = file;
  expected.insert(43, "NEW");
  EXPECT_EQ(test::ReadFile("round.txt"), expected);
  // The insertion split the full first block.
  EXPECT_TRUE(Logged("File write   round.txt block_count 3 text_size 2503"));

  // An empty block is written as one newline.
  const Handle gap = MakeText({"abc\n", "", "def"}, "gap.txt");
  ASSERT_EQ(WriteTextFile(gap), 0);
  EXPECT_EQ(test::ReadFile("gap.txt"), "abc\n\ndef");
  EXPECT_TRUE(Logged("File write   gap.txt block_count 2 text_size 8"));

  const Handle nowhere = MakeText({"x"}, "nodir/x.txt");
  EXPECT_EQ(WriteTextFile(nowhere), 6);
  EXPECT_TRUE(Logged("file open error! nodir/x.txt for write"));
  EXPECT_FALSE(test::FileExists("nodir"));
}

TEST_F(TextBufferTest, AFailedWriteLeavesTheOldFileWhole) {
  const std::string old = "the old text\n";
  test::WriteFile("keep.txt", old);
  const Handle text = MakeText({std::string(1023, 'n'), std::string(1023, 'm'), std::string(1023, 'o')}, "keep.txt");
  test::WriteFile("SenELOG.dat", "");
  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 2048;
  sighandler_t saved_signal = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int result = WriteTextFile(text);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, saved_signal);
  EXPECT_EQ(result, 6);
  EXPECT_TRUE(Logged("file open error! keep.txt for write"));
  EXPECT_EQ(test::ReadFile("keep.txt"), old);
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

}  // namespace
}  // namespace vadu
