#include "data/dataform.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/task.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

std::vector<std::string>* g_dialog = nullptr;
int RecordDialog(const char* text) {
  g_dialog->push_back(text);
  return 0;
}

class DataFormTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    g_dialog = &dialog_;
    InstallDialog();
  }
  void InstallDialog() {
    DialogHandlers h;
    h.message_text = RecordDialog;
    SetDialogHandlers(h);
  }
  // A fresh engine in the same directory, as a new run of the program.
  void Restart() {
    test::ResetEngine();
    ASSERT_TRUE(CreatePool());
    SetFlag(TRACE);
    ASSERT_TRUE(CreateSystemResources());
    InstallDialog();
  }
  void TearDown() override {
    g_dialog = nullptr;
    EngineTest::TearDown();
  }

  // A script with the two names and the items hp (ITEMlong) and name
  // (ITEMstring 16), then `body`.
  static std::string Script(const std::string& body, const std::string& items = "") {
    return "ResourceName p.res\nDataName P\nItem hp ITEMlong\nItem name ITEMstring 16\n" + items + body;
  }
  Handle Load(const std::string& script) {
    test::WriteFile("s.txt", script);
    return CreateItemData(kNoHandle, "s.txt");
  }
  // Every active record's item as text (numbers in decimal).
  static std::vector<std::string> Column(Handle r, const char* item) {
    std::vector<std::string> v;
    for (Handle rec = FirstRecord(r); rec != kNoHandle; rec = NextRecord(rec)) {
      v.push_back(ItemType(r, item) == ITEMstring ? std::string(GetStr(rec, item)) : std::to_string(GetNum(rec, item)));
    }
    return v;
  }
  static std::string Fixture(const char* name) {
    return test::ReadFile(std::string(VADU_SOURCE_DIR) + "/tests/fixtures/dataform/" + name);
  }

  std::vector<std::string> dialog_;
};

using Strings = std::vector<std::string>;

TEST_F(DataFormTest, DeclaresItemsAndFillsRecords) {
  const Handle r = Load(Script("StartData\nhp 30\nname Bob\nEndData\n"));
  ASSERT_NE(r, kNoHandle);
  EXPECT_EQ(Attr(r)->record_size, 20);
  EXPECT_EQ(Attr(r)->active_count, 1);
  EXPECT_EQ(Column(r, "hp"), Strings{"30"});
  EXPECT_EQ(Column(r, "name"), Strings{"Bob"});
  EXPECT_TRUE(Logged("Create New Resource for CreateItemData()   res p.res/P  req task"));
  EXPECT_TRUE(Logged("CreateItemData()  item  name  type ITEMstring"));
  EXPECT_TRUE(Logged("*********** Data Create *********"));
  EXPECT_TRUE(Logged("ResourceINFO p.res:P  record_size/count 20/1 size 20"));
  EXPECT_TRUE(Logged("\titem count 2   record active count 1"));

  // The fixture: a comment, an empty line between the items and the blocks,
  // a quoted value over two lines and an unquoted value with a blank.
  test::WriteFile("party.txt", Fixture("party.txt"));
  const Handle party = CreateItemData(kNoHandle, "party.txt");
  ASSERT_NE(party, kNoHandle);
  EXPECT_EQ(Column(party, "name"), (Strings{"Bob", "Alice Smith"}));
  EXPECT_EQ(Column(party, "note"), (Strings{"first line\nsecond line", ""}));
  EXPECT_EQ(Column(party, "level"), (Strings{"5", "0"}));

  // Loading the same script again adds its records but keeps the layout.
  const Handle again = Load(Script("StartData\nhp 31\nname Ann\nEndData\n"));
  ASSERT_EQ(again, r);
  EXPECT_EQ(Attr(r)->record_size, 20);
  EXPECT_EQ(Attr(r)->item_count, 2);
  EXPECT_EQ(Column(r, "name"), (Strings{"Bob", "Ann"}));
}

TEST_F(DataFormTest, AnExistingResourceFileIsLoadedAndNothingIsDeclared) {
  const Handle stored = CreateResource(kNoHandle, "p.res", "Stored");
  CreateItem(stored, "x", ITEMlong, 0);
  SetNum(CreateRecord(stored, 7, 0), "x", 99);
  ASSERT_EQ(SaveResource(kNoHandle, stored), 0);

  const Handle r = Load(Script("StartData\nhp 30\nEndData\n"));
  ASSERT_NE(r, kNoHandle);
  EXPECT_EQ(Attr(r)->item_count, 1);
  EXPECT_EQ(FindItem(r, "hp"), kNoHandle);
  EXPECT_EQ(Column(r, "x"), Strings{"99"});
  EXPECT_FALSE(Logged("*********** Data Create *********"));
}

TEST_F(DataFormTest, MissingNamesOrScriptGiveNone) {
  test::WriteFile("nores.txt", "DataName P\nItem hp ITEMlong\n");
  EXPECT_EQ(CreateItemData(kNoHandle, "nores.txt"), kNoHandle);
  EXPECT_TRUE(Logged("CreateItemData() nores.txt Non ResourceName"));
  test::WriteFile("nodata.txt", "ResourceName p.res\n");
  EXPECT_EQ(CreateItemData(kNoHandle, "nodata.txt"), kNoHandle);
  EXPECT_TRUE(Logged("CreateItemData() nodata.txt Non DataName"));
  EXPECT_EQ(CreateItemData(kNoHandle, "absent.txt"), kNoHandle);
  EXPECT_EQ(AppendDataForm(kNoHandle, "nodata.txt"), kNoHandle);
  EXPECT_EQ(create_dataform(kNoHandle, kNoHandle, "nodata.txt"), kNoHandle);
}

TEST_F(DataFormTest, ItemLines) {
  // Numbers are narrowed to 16 bits; each type keyword the type word is a
  // piece of declares the item once; a type word matching none declares
  // nothing; "Item" itself is a keyword test on the first token.
  const Handle r = Load(
      "ResourceName p.res\nDataName P\n"
      "Item lv ITEMlimited 70000 -5\n"
      "Item s ITEMstring 65552\n"
      "Item three ITEM\n"
      "Item none ITEMvoid 4\n"
      "tem piece long\n"
      " Item indented ITEMlong\n");
  ASSERT_NE(r, kNoHandle);
  const ItemDescriptor* lv = Descriptor(FindItem(r, "lv"));
  ASSERT_NE(lv, nullptr);
  EXPECT_EQ(lv->type, ITEMlimited);
  EXPECT_EQ(lv->limit1, 4464);  // 70000 in 16 bits
  EXPECT_EQ(lv->limit2, -5);
  EXPECT_EQ(Descriptor(FindItem(r, "s"))->size, 16);  // 65552 in 16 bits
  std::vector<int> three;
  for (Handle i = Attr(r)->first_item; i != kNoHandle; i = Descriptor(i)->next) {
    if (std::strcmp(Descriptor(i)->name, "three") == 0) three.push_back(Descriptor(i)->type);
  }
  EXPECT_EQ(three, (std::vector<int>{ITEMlimited, ITEMstring, ITEMlong}));
  EXPECT_EQ(FindItem(r, "none"), kNoHandle);
  EXPECT_TRUE(Logged("CreateItemData()  item  none  type ITEMvoid"));
  EXPECT_EQ(ItemType(r, "piece"), ITEMlong);
  EXPECT_EQ(ItemType(r, "indented"), ITEMlong);
  EXPECT_EQ(Attr(r)->item_count, 7);
}

TEST_F(DataFormTest, Values) {
  struct Case {
    const char* lines;  // the block's lines
    const char* hp;
    const char* name;
  };
  const Case cases[] = {
      {"hp -12abc\n", "-12", ""},
      {"hp abc\n", "0", ""},
      {"hp 99999999999\n", "2147483647", ""},
      {"hp\n", "0", ""},
      {"name  ;, Alice  Smith \n", "0", "Alice  Smith "},
      {"name ;, \n", "0", " ;, "},  // only separators: kept unskipped
      {"name\n", "0", ""},
      {"name \"two\nlines\"\nhp 5\n", "5", "two\nlines"},
      {"name \"two\n\"\nhp 6\n", "6", "two\n"},  // the closing quote first on the line
      {"name \"a\n\nb\" rest\n", "0", "a\n\nb"},
      {"name \"\"\n", "0", ""},
      {"name ,\"q\"\n", "0", "q"},
      {"name 0123456789abcdefXYZ\n", "0", "0123456789abcde"},  // SetStr cuts to the item
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    Restart();
    const Handle r = Load(Script(std::string("StartData\n") + c.lines + "EndData\n"));
    ASSERT_NE(r, kNoHandle);
    EXPECT_EQ(Column(r, "hp"), Strings{c.hp});
    EXPECT_EQ(Column(r, "name"), Strings{c.name});
  }
}

TEST_F(DataFormTest, QuotedValueCutAt2047AndTheFileEndingInsideIt) {
  // 3000 characters over three lines: 2047 are kept, and the reading goes
  // on after the closing quote.
  const std::string line(999, 'x');
  const Handle r = Load(Script("StartData\nlong \"" + line + "\n" + line + "\n" + line + "\"\nhp 7\nEndData\n",
                               "Item long ITEMstring 4000\n"));
  ASSERT_NE(r, kNoHandle);
  const std::string value = GetStr(FirstRecord(r), "long");
  EXPECT_EQ(value.size(), kDataFormValueMax);
  EXPECT_EQ(value, line + "\n" + line + "\n" + std::string(2047 - 2000, 'x'));
  EXPECT_EQ(GetNum(FirstRecord(r), "hp"), 7);
  // The value's line ends go into the log as they are.
  EXPECT_TRUE(Logged("data str set long(2047) = -" + line));

  // A two-byte character is never cut in half.
  Restart();
  const std::string wide = std::string(1000, 'a') + "\n" + std::string(1000, 'b') + "\n" + std::string(44, 'c');
  const Handle w = Load(Script("StartData\nlong \"" + wide + "漢字\"\nEndData\n", "Item long ITEMstring 4000\n"));
  ASSERT_NE(w, kNoHandle);
  EXPECT_EQ(std::string(GetStr(FirstRecord(w), "long")), wide);

  // The file ends inside a quoted value: the value keeps what it got.
  Restart();
  const Handle e = Load(Script("StartData\nhp 3\nname \"open\nend\n"));
  ASSERT_NE(e, kNoHandle);
  EXPECT_EQ(Column(e, "name"), Strings{"open\nend"});
  EXPECT_TRUE(Logged("create_dataform()でTextの読み込み中で終了"));
}

TEST_F(DataFormTest, LinesOutsideBlocks) {
  // EndData before any block (and a piece of it, "Data") raises the dialog
  // with its line number and the script goes on; a blank in front of
  // StartData, or after it, does not start a block; a piece of EndData ends
  // one.
  const Handle r =
      Load(Script("EndData\n"     // line 5
                  "Data\n"        // line 6
                  " StartData\n"  // not a block
                  "hp 1\n"
                  "StartData \n"  // not a block
                  "StartData\n"
                  "hp 2\n"
                  "a\n"        // ends the block
                  "hp 3\n"     // outside: skipped
                  "tartDat\n"  // a piece of StartData starts a block
                  "hp 4\n"
                  "EndData\n"));
  ASSERT_NE(r, kNoHandle);
  EXPECT_EQ(dialog_, (Strings{"ｽｸﾘﾌﾟﾄ EndDataERROR 5", "ｽｸﾘﾌﾟﾄ EndDataERROR 6"}));
  EXPECT_EQ(Column(r, "hp"), (Strings{"2", "4"}));

  // Without the dialogs the message is logged.
  SetDialogHandlers(DialogHandlers{});
  ASSERT_NE(Load(Script("EndData\n")), kNoHandle);
  EXPECT_TRUE(Logged("ｽｸﾘﾌﾟﾄ EndDataERROR 5"));
}

TEST_F(DataFormTest, UnknownItemsAndOtherTypes) {
  // An empty line inside a block ends the script; the records made so far
  // stay.
  const Handle r = Load(Script("StartData\nhp 1\nEndData\nStartData\nhp 2\n\nhp 3\nEndData\nStartData\nEndData\n"));
  EXPECT_EQ(r, kNoHandle);
  EXPECT_TRUE(Logged("ApendItemData() itemname non 　line 10"));
  const Handle p = FindResource("p.res", "P");
  EXPECT_EQ(Column(p, "hp"), (Strings{"1", "2"}));

  // An item of another type is reported and its line ignored.
  const Handle b = CreateResource(kNoHandle, "b.res", "B");
  CreateItem(b, "blk", ITEMblock, 4);
  CreateItem(b, "n", ITEMlong, 0);
  test::WriteFile("b.txt", "StartData\nblk 1\nn 5\nEndData\n");
  EXPECT_EQ(create_dataform(b, kNoHandle, "b.txt"), b);
  EXPECT_TRUE(Logged("CreateItemData() type error 8"));
  EXPECT_EQ(Column(b, "n"), Strings{"5"});
}

TEST_F(DataFormTest, AppendPutsTheFileInFrontInItsOrder) {
  test::WriteFile("party.txt", Fixture("party.txt"));
  test::WriteFile("more.txt", Fixture("party_more.txt"));
  const Handle r = CreateItemData(kNoHandle, "party.txt");
  ASSERT_NE(r, kNoHandle);
  ASSERT_EQ(AppendDataForm(r, "more.txt"), r);
  EXPECT_EQ(Column(r, "name"), (Strings{"Carol", "Dave", "Bob", "Alice Smith"}));
  // Dave's block names no hp: a new body holds zeros.
  EXPECT_EQ(Column(r, "hp"), (Strings{"44", "0", "30", "12"}));

  // A deleted record is made again with its old contents; what the block
  // does not set stays.
  DeleteRecord(r, LastRecord(r));  // Alice Smith
  test::WriteFile("one.txt", "StartData\nhp 1\nEndData\n");
  ASSERT_EQ(AppendDataForm(r, "one.txt"), r);
  EXPECT_EQ(Column(r, "name"), (Strings{"Alice Smith", "Carol", "Dave", "Bob"}));
  EXPECT_EQ(Column(r, "hp"), (Strings{"1", "44", "0", "30"}));

  // A resource without active records: appended at the end; an anchor of
  // another resource counts as none.
  const Handle empty = CreateResource(kNoHandle, "e.res", "E");
  CreateItem(empty, "hp", ITEMlong, 0);
  ASSERT_EQ(AppendDataForm(empty, "one.txt"), empty);
  ASSERT_EQ(create_dataform(empty, FirstRecord(r), "one.txt"), empty);
  EXPECT_EQ(Attr(empty)->active_count, 2);
  EXPECT_EQ(Attr(r)->active_count, 4);
}

// ---------------------------------------------------------------------------
// The line cache.

class LineCacheTest : public test::GameDirTest {
 protected:
  void TearDown() override {
    SetLineFileCache(true);
    SetLineFileSettleTime(3'000'000'000);
    GameDirTest::TearDown();
  }
  static std::string Line(const char* file, int n) {
    char out[kLineBufferSize];
    const char* line = read_line_file(file, n, out, sizeof out);
    return line != nullptr ? std::string(line) : "<none>";
  }
  // Puts the modification time back to a fixed moment long past (the
  // change time becomes now).
  static void Age(const char* file) {
    const timespec times[2] = {{1'000'000'000, 0}, {1'000'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, file, times, 0), 0);
  }
  // Rewrites a file in place (same inode).
  static void Overwrite(const char* file, const std::string& bytes) {
    FILE* f = std::fopen(file, "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  // Lets the stamps of the files written so far settle.
  static void Settle() { ::usleep(80'000); }
};

TEST_F(LineCacheTest, AnswersAsReadingFromTheStartDoes) {
  SetFlag(TRACE);
  const std::string files[] = {
      "",
      "\n",
      "one\ntwo\nthree\n",
      "first\nsecond",
      std::string(1500, 'X') + "\nnext\n",
      std::string(1023, 'Y'),
      std::string(1023, 'Z') + "\n",
      std::string(2046, 'W'),
      std::string(1022, 'V') + "\r\n" + "x\r\r\n",
      std::string("nul\0byte\nend\n", 13),
  };
  for (const std::string& bytes : files) {
    SCOPED_TRACE(bytes.substr(0, 20));
    test::WriteFile("f.txt", bytes);
    std::vector<std::string> plain, cached;
    for (const bool cache : {false, true}) {
      SetLineFileCache(cache);
      std::remove("SenELOG.dat");
      LineFileScope scope;
      auto& got = cache ? cached : plain;
      for (int n = 0; n <= 6; ++n) got.push_back(Line("f.txt", n));
      for (const std::string& l : test::ReadLines("SenELOG.dat")) got.push_back("log: " + l);
    }
    EXPECT_EQ(cached, plain);
  }
}

TEST_F(LineCacheTest, NeverServesAChangedFile) {
  test::WriteFile("f.txt", "aaa\nbbb\n");
  EXPECT_EQ(Line("f.txt", 2), "bbb");
  // Rewritten in place at once, same size: its stamps are too recent to be
  // trusted, so it is read again.
  Overwrite("f.txt", "aaa\nccc\n");
  EXPECT_EQ(Line("f.txt", 2), "ccc");

  // Settled files are kept and served while their identity holds.
  SetLineFileSettleTime(50'000'000);
  Age("f.txt");
  Settle();
  EXPECT_EQ(Line("f.txt", 2), "ccc");
  EXPECT_EQ(Line("f.txt", 1), "aaa");
  // A same-size rewrite in place that even puts the modification time back
  // changes the change time.
  Overwrite("f.txt", "aaa\nddd\n");
  Age("f.txt");
  EXPECT_EQ(Line("f.txt", 2), "ddd");
  // A plain rewrite in place changes the modification time.
  Settle();
  EXPECT_EQ(Line("f.txt", 2), "ddd");
  Overwrite("f.txt", "aaa\nDDD\n");
  EXPECT_EQ(Line("f.txt", 2), "DDD");
  // Replaced by another file of the same size and stamps: a new inode.
  test::WriteFile("g.txt", "aaa\neee\n");
  Age("g.txt");
  Age("f.txt");
  Settle();
  EXPECT_EQ(Line("f.txt", 2), "DDD");
  std::filesystem::rename("g.txt", "f.txt");
  EXPECT_EQ(Line("f.txt", 2), "eee");

  // A scope reads a file once and answers from that reading; after the
  // scope the change is seen.
  SetLineFileSettleTime(3'000'000'000);
  test::WriteFile("f.txt", "aaa\nfff\n");
  {
    LineFileScope scope;
    EXPECT_EQ(Line("f.txt", 2), "fff");
    test::WriteFile("f.txt", "aaa\ngggg\n");
    EXPECT_EQ(Line("f.txt", 2), "fff");
    EXPECT_EQ(Line("f.txt", 3), "<none>");
  }
  EXPECT_EQ(Line("f.txt", 2), "gggg");
  ::chmod("f.txt", 0444);
  EXPECT_EQ(Line("f.txt", 2), geteuid() == 0 ? "gggg" : "<none>");  // it must open for update
  std::filesystem::remove("f.txt");
  EXPECT_EQ(Line("f.txt", 1), "<none>");
}

}  // namespace
}  // namespace vadu
