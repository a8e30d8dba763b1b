// The build's converter of game text sources, run in this process. A game
// text must become the same CP932 bytes that the engine's own literals are
// compiled to (this file is compiled with -fexec-charset=CP932), and what
// cannot be converted must stop the build with its file and line.
#define CP932TEXT_NO_MAIN
#include "../../tools/cp932text.cpp"

#include <gtest/gtest.h>

#include <string>

#include "support/game_dir.h"

namespace {

std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

std::string Converted(const std::string& utf8) {
  std::string out, error;
  EXPECT_TRUE(cp932text::Convert("t.txt", utf8, out, error)) << error;
  return out;
}

std::string Error(const std::string& utf8) {
  std::string out, error;
  EXPECT_FALSE(cp932text::Convert("t.txt", utf8, out, error));
  return error;
}

TEST(Cp932Text, TextBecomesTheBytesOfTheEnginesOwnLiterals) {
  EXPECT_EQ(Converted(Utf8(u8"PLAYER_NAME   ナギ\n")), "PLAYER_NAME   ナギ\n");
  // Characters whose CP932 forms are easily mixed up: the full-width tilde
  // and minus, a circled number, a half-width katakana, the yen-less
  // backslash and a table character whose second byte is 0x5C.
  EXPECT_EQ(Converted(Utf8(u8"～－①ｱ\\表\r\n")), "～－①ｱ\\表\r\n");
  EXPECT_EQ(Converted(Utf8(u8"\uFEFF潮風\n")), "潮風\n") << "a byte-order mark is dropped";
  EXPECT_EQ(Converted(""), "");
}

TEST(Cp932Text, WhatCannotBeConvertedIsAnErrorWithItsLine) {
  // Outside the checks' own text, which is compiled as a CP932 literal.
  const std::string emoji = Utf8(u8"\U0001F600");
  EXPECT_EQ(Error("a\nb\nc" + emoji + "\n"), "t.txt:3: the character U+1F600 (" + emoji + ") has no CP932 form");
  EXPECT_EQ(Error("ok\n\xE3"
                  "a\n"),
            "t.txt:2: the text is not UTF-8 (byte 0xE3)");
  EXPECT_EQ(Error("\xC0\x80\n"), "t.txt:1: the text is not UTF-8 (byte 0xC0)") << "an overlong form";
  EXPECT_EQ(Error("\xED\xA0\x80\n"), "t.txt:1: the text is not UTF-8 (byte 0xED)") << "a surrogate";
  EXPECT_EQ(Error("x\n\x80\n"), "t.txt:2: the text is not UTF-8 (byte 0x80)");
  EXPECT_EQ(Error("KEY 1\nLAST 2"), "t.txt:2: the last line has no line end (the engine never reads such a line)");
}

class Cp932TextRun : public vadu::test::GameDirTest {};

TEST_F(Cp932TextRun, ARunWritesTheFileOrRemovesAStaleOne) {
  std::string err;
  vadu::test::WriteFile("in.txt", Utf8(u8"日付 八月\n"));
  EXPECT_EQ(cp932text::Run({"in.txt", "out.txt"}, err), 0) << err;
  EXPECT_EQ(vadu::test::ReadFile("out.txt"), "日付 八月\n");
  EXPECT_FALSE(vadu::test::FileExists("out.txt.tmp"));

  // A failed conversion leaves no output that a build would take as made.
  vadu::test::WriteFile("in.txt", Utf8(u8"日付 八月"));
  EXPECT_EQ(cp932text::Run({"in.txt", "out.txt"}, err), 1);
  EXPECT_EQ(err, "in.txt:1: the last line has no line end (the engine never reads such a line)\n");
  EXPECT_FALSE(vadu::test::FileExists("out.txt"));

  EXPECT_EQ(cp932text::Run({"missing.txt", "out.txt"}, err), 2);
  EXPECT_EQ(cp932text::Run({"in.txt"}, err), 2);
}

}  // namespace
