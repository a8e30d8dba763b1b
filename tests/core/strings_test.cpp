#include "core/strings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/state.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

// A buffer of `N` usable bytes followed by guard bytes that must never change.
template <size_t N>
struct Guarded {
  char buf[N];
  unsigned char guard[8];
  Guarded() {
    std::memset(buf, 'Q', N);
    std::memset(guard, 0xA5, sizeof guard);
  }
  bool Intact() const {
    for (unsigned char g : guard) {
      if (g != 0xA5) return false;
    }
    return true;
  }
};

TEST(FindText, NeverStepsBack) {
  struct Case {
    const char* text;
    const char* pattern;
    int position;
  } cases[] = {
      {"aaab", "aab", 0},  // the mismatching 'a' is not retried
      {"xaab", "aab", 2},
      {"aab", "ab", 0},
      {"abc", "", 0},
      {"abc", "abc", 1},
      {"abc", "abcd", 0},
      {"ab", "b", 2},
      {"START_PROGRAM TASKall", "TASK", 15},
      {"FONT1_SIZEX 16", "FONT_SIZEX", 0},
      {"", "a", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FindText(c.text, c.pattern), c.position) << c.text << " / " << c.pattern;
  }
  EXPECT_EQ(FindText(nullptr, "a"), 0);
  EXPECT_EQ(FindText("a", nullptr), 0);
}

TEST(NthNumber, DigitRuns) {
  struct Case {
    const char* text;
    int n;
    int32_t number;
  } cases[] = {
      {"x12 y 7 z003", 1, 12}, {"x12 y 7 z003", 3, 3}, {"x12 y 7 z003", 4, -1}, {"x12 y 7 z003", 0, -1},
      {"-800", 1, 800},        {"=2", 1, 2},           {"none", 1, -1},         {"99999999999", 1, INT32_MAX},
  };
  for (const Case& c : cases) EXPECT_EQ(NthNumber(c.text, c.n), c.number) << c.text << " n=" << c.n;
}

TEST(NthWord, WordsAfterBlankRuns) {
  char out[16];
  EXPECT_EQ(NthWord("alpha  beta\tgamma", 1, out, sizeof out), 1);
  EXPECT_STREQ(out, "beta");
  EXPECT_EQ(NthWord("alpha  beta\tgamma", 2, out, sizeof out), 1);
  EXPECT_STREQ(out, "gamma");
  EXPECT_EQ(NthWord("alpha  beta\tgamma", 0, out, sizeof out), 1);
  EXPECT_STREQ(out, "alpha");
  EXPECT_EQ(NthWord("alpha  beta\tgamma", 3, out, sizeof out), 0);
  EXPECT_EQ(NthWord("alpha ", 1, out, sizeof out), 0);  // trailing blanks: no word follows
  EXPECT_EQ(NthWord("  lead", 1, out, sizeof out), 1);
  EXPECT_STREQ(out, "lead");

  EXPECT_EQ(NthWordNumber("pos 12 -5 x", 1), 12);
  EXPECT_EQ(NthWordNumber("pos 12 -5 x", 2), -5);
  EXPECT_EQ(NthWordNumber("pos 12 -5 x", 3), 0);
  EXPECT_EQ(NthWordNumber("pos 12 -5 x", 4), 0);
}

TEST(FindInList, CommaTerminatedEntries) {
  char out[16] = "untouched";
  EXPECT_EQ(FindInList("integer", "int,long,", out, sizeof out), 1);
  EXPECT_STREQ(out, "int");
  EXPECT_EQ(FindInList("longer", "int,long,", out, sizeof out), 1);
  EXPECT_STREQ(out, "long");
  EXPECT_EQ(FindInList("long", "int,long", out, sizeof out), 0);  // last entry needs its comma
  EXPECT_EQ(FindInList("in", "int,long,", out, sizeof out), 0);   // the word is shorter than the entry
  EXPECT_EQ(FindInList("abc", ",abc,", out, sizeof out), 1);      // an empty entry matches nothing
  EXPECT_STREQ(out, "abc");

  Guarded<4> small;
  EXPECT_EQ(FindInList("character", "character,", small.buf, sizeof small.buf), 1);
  EXPECT_STREQ(small.buf, "cha");
  EXPECT_TRUE(small.Intact());
}

TEST(Tokens, SeparatorsAndProgress) {
  const char* text = "  ab;cd,,ef\tgh  ";
  char out[8];
  const char* p = text;
  std::string seen;
  for (int i = 0; i < 10 && *p != '\0'; ++i) {
    p = NextToken(p, out, sizeof out);
    seen += std::string("[") + out + "]";
  }
  EXPECT_EQ(seen, "[ab][cd][ef][gh][]");
  EXPECT_EQ(*p, '\0');

  // Only separators: an empty token and the end of the text.
  const char* seps = " ;, ";
  EXPECT_EQ(NextToken(seps, out, sizeof out), seps + 4);
  EXPECT_STREQ(out, "");
  // A token stops at a line end.
  EXPECT_STREQ(NextToken("one\ntwo", out, sizeof out), "\ntwo");
  EXPECT_STREQ(out, "one");

  Guarded<4> small;
  EXPECT_STREQ(NextToken(" abcdefgh;x", small.buf, sizeof small.buf), ";x");
  EXPECT_STREQ(small.buf, "abc");
  EXPECT_TRUE(small.Intact());

  EXPECT_STREQ(SkipSeparators(" ;,x y"), "x y");
  EXPECT_EQ(SkipSeparators(seps), seps);  // only separators: the text itself
}

TEST(LineSkip, LinesInMemory) {
  const char* text = "a\nbb\nccc";
  EXPECT_EQ(LineSkip(text, 0), text);
  EXPECT_EQ(LineSkip(text, -3), text);
  EXPECT_STREQ(LineSkip(text, 1), "bb\nccc");
  EXPECT_STREQ(LineSkip(text, 2), "ccc");
  EXPECT_EQ(LineSkip(text, 3), nullptr);
}

TEST(EditInPlace, RemoveInsertShiftReplace) {
  char text[32] = " a \tb c ";
  RemoveBlanks(text);
  EXPECT_STREQ(text, "abc");

  char dst[16] = "cd";
  EXPECT_TRUE(InsertText("ab", dst, sizeof dst, 0));
  EXPECT_STREQ(dst, "abcd");
  EXPECT_TRUE(InsertText("xyz", dst, sizeof dst, 1));
  EXPECT_STREQ(dst, "xabcd");
  EXPECT_TRUE(InsertText("12", dst, sizeof dst, 99));  // count beyond the source: all of it
  EXPECT_STREQ(dst, "12xabcd");

  char shifted[16] = "abc";
  ShiftRight(shifted, sizeof shifted, 2);
  EXPECT_STREQ(shifted + 2, "abc");

  char line[32] = "hello world";
  char* after = ReplaceSpan(line, sizeof line, line, line + 5, "hi");
  EXPECT_STREQ(line, "hi world");
  EXPECT_STREQ(after, " world");
  after = ReplaceSpan(line, sizeof line, line, line + 2, "greetings");
  EXPECT_STREQ(line, "greetings world");
  EXPECT_STREQ(after, " world");
  after = ReplaceSpan(line, sizeof line, after, after, ",");  // empty span: an insertion
  EXPECT_STREQ(line, "greetings, world");
  EXPECT_STREQ(after, " world");
  // A span outside the text changes nothing.
  EXPECT_EQ(ReplaceSpan(line, sizeof line, line + 5, line + 2, "x"), line + 5);
  EXPECT_STREQ(line, "greetings, world");
}

TEST(EditInPlace, CutToFitWithoutOverrun) {
  Guarded<6> ins;
  std::strcpy(ins.buf, "cd");
  EXPECT_FALSE(InsertText("abcd", ins.buf, sizeof ins.buf, 0));
  EXPECT_STREQ(ins.buf, "abcdc");
  EXPECT_TRUE(ins.Intact());

  // A two-byte character is never split by a cut.
  Guarded<4> kana;
  std::strcpy(kana.buf, "");
  EXPECT_FALSE(InsertText("aあい", kana.buf, sizeof kana.buf, 0));
  EXPECT_STREQ(kana.buf, "aあ");
  EXPECT_FALSE(InsertText("b", kana.buf, sizeof kana.buf, 0));
  EXPECT_STREQ(kana.buf, "ba");
  EXPECT_TRUE(kana.Intact());

  Guarded<5> shift;
  std::strcpy(shift.buf, "abc");
  ShiftRight(shift.buf, sizeof shift.buf, 2);
  EXPECT_STREQ(shift.buf + 2, "ab");
  ShiftRight(shift.buf, sizeof shift.buf, 9);
  EXPECT_EQ(shift.buf[4], '\0');
  EXPECT_TRUE(shift.Intact());

  Guarded<8> rep;
  std::strcpy(rep.buf, "ab_cd");
  char* after = ReplaceSpan(rep.buf, sizeof rep.buf, rep.buf + 2, rep.buf + 3, "LONGER");
  EXPECT_STREQ(rep.buf, "abLONGE");
  EXPECT_EQ(after, rep.buf + 7);
  EXPECT_TRUE(rep.Intact());
}

TEST(CharCount, TwoByteCharactersCountOnce) {
  EXPECT_EQ(CharCount(""), 0);
  EXPECT_EQ(CharCount("abc"), 3);
  EXPECT_EQ(CharCount("あいa"), 3);
  EXPECT_EQ(CharCount("ｱｲ"), 2);     // half-width katakana are one byte each
  EXPECT_EQ(CharCount("a\x82"), 2);  // a lone lead byte at the end
}

TEST(ToHalfWidth, FullWidthFormsOnly) {
  struct Case {
    const char* full;
    int half;  // -1: no single-byte form
  } cases[] = {
      {"Ａ", 'A'},  {"ｚ", 'z'},  {"０", '0'},  {"９", '9'},  {"　", ' '},  {"！", '!'},  {"＝", '='},  {"ア", 0xB1},
      {"ン", 0xDD}, {"ヲ", 0xA6}, {"ァ", 0xA7}, {"ッ", 0xAF}, {"ー", 0xB0}, {"。", 0xA1}, {"「", 0xA2}, {"・", 0xA5},
      {"゛", 0xDE}, {"ガ", -1},   {"パ", -1},   {"ヴ", -1},   {"あ", -1},   {"漢", -1},   {"a", -1},
  };
  for (const Case& c : cases) {
    char ch[3] = {c.full[0], c.full[1], '\0'};
    const int result = ToHalfWidth(ch);
    if (c.half < 0) {
      EXPECT_EQ(result, 0) << c.full;
      EXPECT_EQ(std::string(ch), std::string(c.full, std::strlen(c.full) < 2 ? std::strlen(c.full) : 2)) << c.full;
    } else {
      EXPECT_EQ(result, 1) << c.full;
      EXPECT_EQ(static_cast<unsigned char>(ch[0]), c.half) << c.full;
      EXPECT_EQ(ch[1], '\0');
    }
  }
}

class LineCopyTest : public test::GameDirTest {};

TEST_F(LineCopyTest, CopiesUpToNewlineAndLogsNullSource) {
  SetFlag(TRACE);
  char out[16] = "keep";
  line_copy(nullptr, out, sizeof out);
  EXPECT_STREQ(out, "keep");
  const auto log = test::ReadLines("SenELOG.dat");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0], "line_copy()で改行がみつかりませんでした");

  line_copy("abc\ndef", out, sizeof out);
  EXPECT_STREQ(out, "abc");
  line_copy("tail", out, sizeof out);
  EXPECT_STREQ(out, "tail");

  Guarded<4> small;
  line_copy("aあい\n", small.buf, sizeof small.buf);
  EXPECT_STREQ(small.buf, "aあ");
  line_copy("abあ", small.buf, sizeof small.buf);
  EXPECT_STREQ(small.buf, "ab");  // the two-byte character does not fit whole
  EXPECT_TRUE(small.Intact());
}

}  // namespace
}  // namespace vadu
