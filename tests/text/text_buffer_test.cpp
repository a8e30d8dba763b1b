#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/pool.h"
#include "data/resource.h"
#include "text/text.h"
#include "text/text_test_support.h"

namespace vadu {
namespace {

using test::TextBufferTest;

TEST_F(TextBufferTest, NewTextHasOneBlockHoldingABlank) {
  const Handle text = CreateText(kNoHandle, "new.txt", kTextOneLine);
  ASSERT_NE(text, kNoHandle);
  EXPECT_EQ(Entry(text).number, 1);
  EXPECT_STREQ(Entry(text).tag, "TE");
  const Handle resource = Entry(text).owner;
  EXPECT_EQ(FindResource("new.txt", "TEXT"), resource);
  const TextObject* v = TextView(text);
  EXPECT_EQ(v->mode, kTextOneLine | kTextModeAlways);
  EXPECT_EQ(v->tab_width, 4);
  EXPECT_EQ(v->top_block, kNoHandle);
  EXPECT_EQ(v->block_resource, resource);

  // Without a block every line is refused, with the text's particulars.
  EXPECT_FALSE(TextPoint(text, 0).found());
  EXPECT_TRUE(Logged("TextPoint() request is error! Y 0 top adr0x0"));
  EXPECT_TRUE(Logged("      Text obj ID 0   mode 86  type TE"));

  const Handle block = CreateTextBlock(text);
  ASSERT_NE(block, kNoHandle);
  EXPECT_STREQ(Entry(block).tag, "B ");
  EXPECT_EQ(Entry(block).number, -1);
  EXPECT_EQ(Entry(block).size, kTextBlockSize);
  EXPECT_EQ(TextView(text)->top_block, block);
  EXPECT_EQ(TextView(text)->cached_block, block);
  EXPECT_EQ(Content(text), " ");
  EXPECT_EQ(TextView(text)->text_size, 0);

  const TextPos start = TextPoint(text, 0);
  EXPECT_EQ(start, (TextPos{block, 0}));
  EXPECT_EQ(TextByteAt(text, start), ' ');
  EXPECT_FALSE(TextPoint(text, 1).found());
  EXPECT_TRUE(Logged("TextPoint()でmax_line(0)over  1line."));
  EXPECT_FALSE(TextPoint(text, -3).found());
  EXPECT_TRUE(Logged(Format("TextPoint() request is error! Y -3 top adr0x%x", block)));
  // A new text shows nothing, whatever its first block holds.
  char line[16];
  EXPECT_EQ(GetTextLine(text, 0, line, sizeof line), 0);
  EXPECT_STREQ(line, "");
}

TEST_F(TextBufferTest, CreatingATextAgainReinitialisesTheSameObject) {
  const Handle task = kNoHandle;
  const Handle first = CreateText(task, "demo text", kTextOneLine);
  CreateTextBlock(first);
  ASSERT_EQ(SetTextContent(first, "hello\nworld", 11), 0);
  TextView(first)->cursor_x = 3;
  const Handle old_block = TextView(first)->top_block;

  const Handle second = CreateText(task, "demo text", 0);
  EXPECT_EQ(second, first);
  const TextObject* v = TextView(second);
  EXPECT_EQ(v->mode, kTextModeAlways);
  EXPECT_EQ(v->text_size, 0);
  EXPECT_EQ(v->max_line, 0);
  EXPECT_EQ(v->cursor_x, 0);
  EXPECT_EQ(v->top_block, kNoHandle);
  EXPECT_EQ(FirstTextBlock(second), kNoHandle);
  // The old block is not part of the text any more, and is reused.
  EXPECT_EQ(CreateTextBlock(second), old_block);
  EXPECT_EQ(Content(second), " ");

  // A deleted text is refused until it is made again, and then is active.
  EXPECT_EQ(DeleteTextObject(second), 0);
  EXPECT_EQ(TextView(second), nullptr);
  EXPECT_FALSE(TextPoint(second, 0).found());
  EXPECT_EQ(DeleteTextObject(second), 1);
  const Handle resource = Entry(second).owner;
  const uint16_t active = Attr(resource)->active_count;
  EXPECT_EQ(CreateText(task, "demo text", 0), second);
  ASSERT_NE(TextView(second), nullptr);
  EXPECT_EQ(Entry(second).flags & kRecordInactive, 0);
  // Counted again; its one block was deleted for reuse.
  EXPECT_EQ(Attr(resource)->active_count, active);
}

TEST_F(TextBufferTest, ALineRunningIntoTheNextBlockIsFoundWhole) {
  // Line 1 starts 5 bytes before the end of the first block.
  const std::string first = std::string(1017, 'a') + "\n" + "bcdef";
  const Handle text = MakeText({first, "ghij\nlast"});
  const Handle b1 = FirstTextBlock(text);
  const Handle b2 = NextTextBlock(text, b1);

  EXPECT_EQ(TextPoint(text, 1), (TextPos{b1, 1018}));
  EXPECT_EQ(TextPoint(text, 2), (TextPos{b2, 5}));
  EXPECT_EQ(TextView(text)->cached_block, b2);
  EXPECT_EQ(TextView(text)->cached_line, 1);
  char line[64];
  EXPECT_EQ(GetTextLine(text, 1, line, sizeof line), 10);
  EXPECT_STREQ(line, "bcdefghij ");
  EXPECT_EQ(GetTextLine(text, 2, line, sizeof line), 4);
  EXPECT_STREQ(line, "last");
  EXPECT_EQ(CopyTextLine(text, TextPoint(text, 1), line, sizeof line), 9);
  EXPECT_STREQ(line, "bcdefghij");
  EXPECT_EQ(LineWidth(text, TextPoint(text, 1)), 9);

  // A column past the line's block goes on into the next block, and no
  // further than its end.
  EXPECT_EQ(text_point(text, 7, 1), (TextPos{b2, 2}));
  EXPECT_TRUE(Logged(Format("text_point() len 9:x 2. adr %08x x 2", b2)));
  EXPECT_EQ(text_point(text, 500, 1), (TextPos{b2, 9}));
  EXPECT_EQ(TextByteAt(text, text_point(text, 4, 1)), 'f');
  EXPECT_EQ(TextByteAt(text, TextPos{b1, 1023}), 'g');
  EXPECT_EQ(TextByteAt(text, TextPos{b2, 9}), -1);

  // The cursor of a place counts its column across the block boundary.
  EXPECT_EQ(text_whereis(text, TextPos{b2, 3}), 0);
  EXPECT_EQ(TextView(text)->cursor_x, 8);
  EXPECT_EQ(TextView(text)->cursor_y, 1);
  EXPECT_EQ(text_whereis(text, TextPos{b1, 0}), 0);
  EXPECT_EQ(TextView(text)->cursor_x, 0);
  EXPECT_EQ(TextView(text)->cursor_y, 0);
}

TEST_F(TextBufferTest, ALineStartingAtABlockBoundaryIsTheNextBlocksStart) {
  const Handle text = MakeText({std::string(1022, 'a') + "\n", "b\nc"});
  const Handle b2 = NextTextBlock(text, FirstTextBlock(text));
  EXPECT_EQ(TextPoint(text, 1), (TextPos{b2, 0}));
  EXPECT_EQ(TextPoint(text, 2), (TextPos{b2, 2}));
  // Backwards: from the top again.
  EXPECT_EQ(TextPoint(text, 1), (TextPos{b2, 0}));
  EXPECT_EQ(TextView(text)->cached_line, 1);
  EXPECT_EQ(TextOffsetOf(text, TextPoint(text, 2)), 1025);
}

TEST_F(TextBufferTest, InsertingIntoAFullBlockSplitsIt) {
  std::string model;
  for (int i = 0; i < 1020; ++i) model += i % 50 == 49 ? '\n' : static_cast<char>('a' + i % 26);
  const Handle text = MakeText({model});
  const int32_t size = TextView(text)->text_size;
  // Line 2 starts at byte 100; column 400 of it is byte 500.
  ASSERT_EQ(TextOffsetOf(text, text_point(text, 400, 2)), 500);
  ASSERT_EQ(text_insert(text, 400, 2, "0123456789", 10), 0);
  model.insert(500, "0123456789");
  EXPECT_EQ(Content(text), model);
  const std::vector<std::string> blocks = Blocks(text);
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].size(), 500u);
  EXPECT_EQ(blocks[1].substr(0, 10), "0123456789");
  EXPECT_EQ(TextView(text)->text_size, size + 10);
  // Lines read the same as before the split.
  char line[64];
  for (int y = 0; y <= 20; ++y) {
    ASSERT_GE(GetTextLine(text, y, line, sizeof line), 0) << y;
    const size_t start = y == 0 ? 0 : [&] {
      size_t p = 0;
      for (int k = 0; k < y; ++k) p = model.find('\n', p) + 1;
      return p;
    }();
    const size_t end = model.find('\n', start);
    std::string expected = model.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end != std::string::npos) expected += ' ';
    EXPECT_EQ(line, expected) << y;
  }
  // A small insertion into a block with room stays in it.
  ASSERT_EQ(text_insert(text, 0, 0, "xy", 2), 0);
  model.insert(0, "xy");
  EXPECT_EQ(Content(text), model);
  EXPECT_EQ(Blocks(text).size(), 2u);
}

TEST_F(TextBufferTest, InsertingMoreThanABlockHoldsFillsFurtherBlocks) {
  const Handle text = MakeText({std::string(1000, 'a')});
  std::string insert;
  for (int i = 0; i < 3000; ++i) insert += static_cast<char>('A' + i % 26);
  ASSERT_EQ(text_insert(text, 600, 0, insert.c_str(), 3000), 0);
  EXPECT_TRUE(Logged("text.c text_insert()  text block larg"));
  const std::vector<std::string> blocks = Blocks(text);
  ASSERT_EQ(blocks.size(), 5u);
  EXPECT_EQ(blocks[0], std::string(600, 'a'));
  EXPECT_EQ(blocks[1].size(), 1023u);
  EXPECT_EQ(blocks[2].size(), 1023u);
  EXPECT_EQ(blocks[3].size(), 954u);
  EXPECT_EQ(blocks[4], std::string(400, 'a'));
  EXPECT_EQ(Content(text), std::string(600, 'a') + insert + std::string(400, 'a'));
  EXPECT_EQ(TextView(text)->text_size, 4000);

  // Characters after a NUL are not stored; nothing at all is no insertion.
  ASSERT_EQ(text_insert(text, 0, 0, "ab\0cd", 5), 0);
  EXPECT_EQ(Content(text).substr(0, 3), "aba");
  EXPECT_EQ(text_insert(text, 0, 0, "", 1), 1);
  EXPECT_EQ(text_insert(text, 0, 0, "ab", 0), 1);
  EXPECT_EQ(TextView(text)->text_size, 4002);
}

TEST_F(TextBufferTest, AnInsertionThePoolCannotHoldChangesNothing) {
  const std::string full(1023, 'q');
  const Handle text = MakeText({full});
  // Take every byte the pool has left.
  for (uint32_t units = kMaxBlockUnits; units > 0; units /= 2) {
    while (AllocBlock(units) != kNoHandle) {
    }
  }
  EXPECT_EQ(text_insert(text, 10, 0, "zz", 2), 1);
  EXPECT_EQ(Content(text), full);
  EXPECT_EQ(TextView(text)->text_size, 1023);
  EXPECT_EQ(Blocks(text).size(), 1u);
  // Deleting needs no memory.
  EXPECT_EQ(text_erase(text, 0, 0, 3), 0);
  EXPECT_EQ(Content(text), full.substr(3));
}

TEST_F(TextBufferTest, ErasingPastABlocksEndGoesOnInTheNextBlocks) {
  const std::string a(1023, 'a');
  const std::string b = "0123456789" + std::string(490, 'b');
  const Handle text = MakeText({a, b, "ccc", "dddd"});
  const Handle resource = Entry(text).owner;
  ASSERT_EQ(text_erase(text, 1013, 0, 30), 0);
  EXPECT_TRUE(Logged("ﾃｷｽﾄﾌﾞﾛｯｸに削除文字がないので次を見ます"));
  std::vector<std::string> blocks = Blocks(text);
  ASSERT_EQ(blocks.size(), 4u);
  EXPECT_EQ(blocks[0], std::string(1013, 'a'));
  EXPECT_EQ(blocks[1], std::string(480, 'b'));
  EXPECT_EQ(TextView(text)->text_size, 1023 + 500 + 7 - 30);

  // A block emptied entirely leaves the resource's chain; a following block
  // emptied to the last byte stays, empty.
  const uint16_t records = RecordCount(resource);
  ASSERT_EQ(text_erase(text, 1000, 0, 13 + 480 + 3), 0);
  EXPECT_EQ(Blocks(text), (std::vector<std::string>{std::string(1000, 'a'), "", "dddd"}));
  EXPECT_EQ(RecordCount(resource), records - 1);

  // More than the text holds stops at its end, and the size counts only
  // what went.
  const int32_t before = TextView(text)->text_size;
  ASSERT_EQ(text_erase(text, 998, 0, 1000000), 0);
  EXPECT_EQ(Content(text), std::string(998, 'a'));
  EXPECT_EQ(TextView(text)->text_size, before - 6);
  // Nothing left to delete: nothing changes.
  EXPECT_EQ(text_erase(text, 998, 0, 5), 1);
  EXPECT_EQ(text_erase(text, 0, 0, 0), 1);
  EXPECT_EQ(text_erase(text, 0, 0, -4), 1);
  EXPECT_EQ(TextView(text)->text_size, before - 6);
}

TEST_F(TextBufferTest, DeleteCharTakesAWholeTwoByteCharacterOrOneByte) {
  // "あ" is 0x82 0xA0; a lead byte alone stands before the newline.
  const Handle text = MakeText({"xあy\nz\x82\nw"});
  TextObject* v = TextView(text);
  v->cursor_x = 1;
  ASSERT_EQ(DeleteChar(text), 0);
  EXPECT_EQ(Content(text), "xy\nz\x82\nw");
  v = TextView(text);
  v->cursor_x = 1;
  v->cursor_y = 1;
  ASSERT_EQ(DeleteChar(text), 0);
  EXPECT_EQ(Content(text), "xy\nz\nw");
  EXPECT_EQ(TextView(text)->text_size, 6);

  // A character whose two bytes lie in two blocks goes whole.
  const Handle split = MakeText({std::string(1022, 'a') + "\x82",
                                 "\xA0"
                                 "b"},
                                "split.txt");
  TextView(split)->cursor_x = 1022;
  ASSERT_EQ(DeleteChar(split), 0);
  EXPECT_EQ(Content(split), std::string(1022, 'a') + "b");

  // WordInsert puts both bytes of a two-byte character at the cursor.
  TextView(split)->cursor_x = 0;
  ASSERT_EQ(WordInsert(split, "い"), 0);
  ASSERT_EQ(WordInsert(split, "c"), 0);
  EXPECT_EQ(Content(split).substr(0, 3), "cい");
  EXPECT_EQ(WordInsert(split, nullptr), 1);
  EXPECT_TRUE(Logged("text.c  WordInsert() error"));
  EXPECT_EQ(WordInsert(kNoHandle, "a"), 1);
}

TEST_F(TextBufferTest, SearchingAndReplacing) {
  const Handle text = MakeText({"zzz\nababab\n", "tail ab"});
  ASSERT_EQ(TextSearch(text, 0, 0, "bab"), 0);
  EXPECT_EQ(TextView(text)->cursor_x, 1);
  EXPECT_EQ(TextView(text)->cursor_y, 1);
  EXPECT_TRUE(Logged("search!  1/1 start 0/0 (strch ret6)"));
  EXPECT_TRUE(Logged("babab"));
  // No stepping back after a partial match, and no match across blocks.
  const Handle other = MakeText({"aaab\nxy", "z"}, "other.txt");
  EXPECT_EQ(TextSearch(other, 0, 0, "aab"), 1);
  EXPECT_EQ(TextSearch(other, 0, 0, "xyz"), 1);
  EXPECT_EQ(TextSearch(other, 0, 0, ""), 1);
  EXPECT_EQ(TextSearch(other, 0, 1, "z"), 0);
  EXPECT_EQ(TextView(other)->cursor_x, 2);

  // The occurrence right behind a replacement is passed over; the search
  // starts at the cursor, so the first line is left alone.
  TextObject* v = TextView(text);
  v->cursor_x = 0;
  v->cursor_y = 1;
  ASSERT_EQ(change_textword(text, "ab", "x"), 0);
  EXPECT_EQ(Content(text), "zzz\nxabx\ntail x");
  EXPECT_TRUE(Logged("change_textword() -ab- -x-"));
  EXPECT_TRUE(Logged("end change_text()"));

  // A new word holding the old one cannot make the replacing endless.
  const Handle grow = MakeText({"a a a"}, "grow.txt");
  ASSERT_EQ(change_textword(grow, "a", "aa"), 0);
  EXPECT_EQ(Content(grow), "aa aa aa");
  ASSERT_EQ(change_textword(grow, "", "b"), 0);
  EXPECT_EQ(Content(grow), "aa aa aa");
  EXPECT_EQ(change_textword(grow, nullptr, "b"), 1);
}

TEST_F(TextBufferTest, TabsAreShownAsTabWidthBlanks) {
  const Handle text = MakeText({"a\tb\n\tc\x82\xA0\n"});
  char line[64];
  EXPECT_EQ(GetTextLine(text, 0, line, sizeof line), 7);
  EXPECT_STREQ(line, "a    b ");
  EXPECT_EQ(GetTextLine(text, 1, line, sizeof line), 8);
  EXPECT_STREQ(line, "    c\x82\xA0 ");
  EXPECT_EQ(LineWidth(text, TextPoint(text, 0)), 6);
  TextView(text)->tab_width = 2;
  EXPECT_EQ(GetTextLine(text, 0, line, sizeof line), 5);
  EXPECT_STREQ(line, "a  b ");
  TextView(text)->tab_width = 0;
  EXPECT_EQ(GetTextLine(text, 0, line, sizeof line), 4);
  EXPECT_STREQ(line, "a b ");

  // A short buffer cuts the line, never between a character's two bytes.
  TextView(text)->tab_width = 4;
  char small[7];
  EXPECT_EQ(GetTextLine(text, 1, small, sizeof small), 5);
  EXPECT_STREQ(small, "    c");
  EXPECT_EQ(GetTextLine(text, 1, small, 0), -1);
  EXPECT_EQ(GetTextLine(text, 9, line, sizeof line), -1);
  EXPECT_STREQ(line, "");
}

TEST_F(TextBufferTest, SettingTheWholeContent) {
  const Handle text = CreateText(kNoHandle, "set.txt", kTextOneLine);
  std::string many;
  for (int i = 0; i < 2100; ++i) many += i % 100 == 99 ? '\n' : 'm';
  ASSERT_EQ(SetTextContent(text, many.c_str(), static_cast<int32_t>(many.size())), 0);
  EXPECT_EQ(Content(text), many);
  EXPECT_EQ(Blocks(text).size(), 3u);
  EXPECT_EQ(TextView(text)->max_line, 21);
  EXPECT_EQ(TextView(text)->text_size, 2100);
  const Handle resource = Entry(text).owner;
  ASSERT_EQ(SetTextContent(text, "abc", 3), 0);
  EXPECT_EQ(Blocks(text), std::vector<std::string>{"abc"});
  EXPECT_EQ(TextView(text)->max_line, 0);
  EXPECT_EQ(Attr(resource)->active_count, 2);
  char all[8];
  EXPECT_EQ(CopyText(text, all, sizeof all), 3);
  EXPECT_STREQ(all, "abc");
  EXPECT_EQ(TextLength(text), 3);

  // The two blocks no longer needed are taken again when the text grows.
  const uint16_t records = RecordCount(resource);
  ASSERT_EQ(SetTextContent(text, many.c_str(), static_cast<int32_t>(many.size())), 0);
  EXPECT_EQ(Content(text), many);
  EXPECT_EQ(RecordCount(resource), records);
}

// Whatever the places, counts and fields, nothing is read or written
// outside a block (the sanitizer build checks the bytes), and what cannot be
// answered is none.
TEST_F(TextBufferTest, HostilePlacesAndCountsAreRefusedOrCut) {
  const Handle text = MakeText({"one\ntwo", "three\nfour"});
  const Handle b1 = FirstTextBlock(text);
  const Handle b2 = NextTextBlock(text, b1);
  char line[32];
  for (int32_t y : {INT32_MIN, -1, 3, INT32_MAX}) {
    EXPECT_FALSE(TextPoint(text, y).found()) << y;
    EXPECT_FALSE(text_point(text, 0, y).found()) << y;
    EXPECT_EQ(GetTextLine(text, y, line, sizeof line), -1) << y;
    EXPECT_EQ(text_insert(text, 0, y, "x", 1), 1) << y;
    EXPECT_EQ(text_erase(text, 0, y, 1), 1) << y;
  }
  EXPECT_EQ(text_point(text, INT32_MIN, 1), TextPoint(text, 1));
  EXPECT_EQ(text_point(text, INT32_MAX, 1), (TextPos{b2, 10}));
  EXPECT_EQ(text_insert(text, INT32_MAX, 2, "!", 1), 0);
  EXPECT_EQ(Content(text), "one\ntwothree\nfour!");
  EXPECT_EQ(text_erase(text, -5, 0, INT32_MAX), 0);
  EXPECT_EQ(Content(text), "");
  EXPECT_EQ(TextView(text)->text_size, 0);

  // Made-up places are not in the text.
  const Handle fresh = MakeText({"abc\ndef"}, "fresh.txt");
  const Handle fb = FirstTextBlock(fresh);
  for (TextPos p : {TextPos{fb, -1}, TextPos{fb, 8}, TextPos{fb, 5000}, TextPos{fresh, 0}, TextPos{b1, 0},
                    TextPos{0xFFFFFF, 0}, TextPos{}}) {
    EXPECT_EQ(text_whereis(fresh, p), 1);
    EXPECT_EQ(TextByteAt(fresh, p), -1);
    EXPECT_EQ(CopyTextLine(fresh, p, line, sizeof line), -1);
    EXPECT_EQ(LineWidth(fresh, p), 0);
    EXPECT_EQ(TextOffsetOf(fresh, p), -1);
  }

  // Damaged fields: the cache is not trusted, a wrong max_line only limits
  // or fails lookups, a top block that is not a block is no top block.
  TextObject* v = TextView(fresh);
  v->cached_block = fresh;
  v->cached_line = 1;
  EXPECT_EQ(TextPoint(fresh, 1), (TextPos{fb, 4}));
  v = TextView(fresh);
  v->cached_block = fb;
  v->cached_line = -7;
  EXPECT_EQ(TextPoint(fresh, 1), (TextPos{fb, 4}));
  TextView(fresh)->max_line = INT32_MAX;
  EXPECT_FALSE(TextPoint(fresh, 5).found());
  EXPECT_TRUE(Logged("TextPoint() next block error!"));
  TextView(fresh)->max_line = -1;
  EXPECT_FALSE(TextPoint(fresh, 0).found());
  TextView(fresh)->max_line = 1;
  TextView(fresh)->text_size = INT32_MAX;
  EXPECT_EQ(text_insert(fresh, 0, 0, "x", 1), 0);
  EXPECT_EQ(TextView(fresh)->text_size, INT32_MAX);
  TextView(fresh)->top_block = text;
  EXPECT_FALSE(TextPoint(fresh, 0).found());
  EXPECT_EQ(FirstTextBlock(fresh), kNoHandle);
  EXPECT_EQ(WriteTextFile(fresh), 0);
  TextView(fresh)->top_block = fb;

  // A block whose terminator was overwritten reads as 1023 bytes.
  std::memset(Body(fb), 'k', kTextBlockSize);
  EXPECT_EQ(TextBlockLength(fb), 1023);
  TextView(fresh)->max_line = 0;
  EXPECT_EQ(GetTextLine(fresh, 0, line, sizeof line), 31);
  EXPECT_EQ(text_insert(fresh, 1020, 0, "\n", 1), 0);
  EXPECT_EQ(Blocks(fresh).size(), 2u);
  for (Handle b = FirstTextBlock(fresh); b != kNoHandle; b = NextTextBlock(fresh, b)) {
    EXPECT_NE(std::memchr(Body(b), '\0', kTextBlockSize), nullptr);
  }

  // Handles that are not texts, among them a record tagged as one whose
  // resource field does not name its own resource.
  const Handle foreign = CreateRecord(CreateResource(kNoHandle, "f.txt", "Other"), 1, 200);
  MutableEntry(foreign)->tag[0] = 'T';
  MutableEntry(foreign)->tag[1] = 'E';
  for (Handle h : {kNoHandle, b1, Handle{0xFFFFFF}, foreign}) {
    EXPECT_EQ(TextView(h), nullptr);
    EXPECT_FALSE(TextPoint(h, 0).found());
    EXPECT_EQ(text_insert(h, 0, 0, "x", 1), 1);
    EXPECT_EQ(DeleteChar(h), 1);
    EXPECT_EQ(CreateTextBlock(h), kNoHandle);
    EXPECT_EQ(ReadTextFile(h), 1);
    EXPECT_EQ(WriteTextFile(h), 6);
    EXPECT_EQ(CopyText(h, line, sizeof line), -1);
  }
}

}  // namespace
}  // namespace vadu
