// The resource tool, run in this process on the fixture scripts.
#define VADU_RES_NO_MAIN
#include "../../tools/vadu_res.cpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

// Stamps new resources with a fixed moment, so dumps compare as text.
class FixedClock : public Clock {
 public:
  uint64_t NowMs() override { return 0; }
  void SleepMs(uint32_t) override {}
  LocalDateTime LocalTime() override { return {2024, 5, 6, 7, 8, 9, 10}; }
};

std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

class VaduResTest : public test::GameDirTest {
 protected:
  void SetUp() override {
    GameDirTest::SetUp();
    for (const char* name : {"party.txt", "party_more.txt", "shop.txt"}) {
      test::WriteFile(name, test::ReadFile(std::string(VADU_SOURCE_DIR) + "/tests/fixtures/dataform/" + name));
    }
  }
  int Run(const std::vector<std::string>& args) {
    out_.clear();
    err_.clear();
    vadu_res::Output o;
    o.clock = &clock_;
    const int code = vadu_res::Run(args, o);
    out_ = o.out;
    err_ = o.err;
    return code;
  }
  // The file's dump without its first two lines (format and file name).
  std::string DumpBody(const std::string& file) {
    EXPECT_EQ(Run({"dump", file}), 0) << err_;
    size_t at = out_.find('\n');
    at = out_.find('\n', at + 1);
    return at == std::string::npos ? out_ : out_.substr(at + 1);
  }

  FixedClock clock_;
  std::string out_;
  std::string err_;
};

TEST_F(VaduResTest, BuildThenDump) {
  ASSERT_EQ(Run({"build", "party.txt", "party_more.txt", "-o", "party.res"}), 0) << err_;
  EXPECT_EQ(out_, "wrote party.res (party.res/Party): 4 items, 4 records of 88 bytes\n");
  EXPECT_EQ(err_, "");
  ASSERT_EQ(Run({"dump", "party.res"}), 0) << err_;
  EXPECT_EQ(out_,
            "vadu-res dump 1\n"
            "file \"party.res\" 968 bytes\n"
            "header\n"
            "  magic \"VADU\"\n"
            "  version \"0.3\"\n"
            "  revision \"19\"\n"
            "  byte-order \"I\"\n"
            "  status 0\n"
            "  size 0\n"
            "attributes\n"
            "  ResName \"party.res\"\n"
            "  DataName \"Party\"\n"
            "  Owner \"\"\n"
            "  Created 2024-05-06 07:08:09.010\n"
            "  Stamp2 0000-00-00 00:00:00.000\n"
            "  Stamp3 0000-00-00 00:00:00.000\n"
            "  CreatorTask 0\n"
            "  CreatorGroup 0\n"
            "  RecordSize 88\n"
            "  RecordBytes 352\n"
            "  RecordCount 4\n"
            "  ActiveCount 4\n"
            "  ItemCount 4\n"
            "  Note \"\" 0\n"
            "  Mark \"\"\n"
            "items 4\n"
            "  item 1 \"hp\" ITEMlong size 4 limits 0 0\n"
            "  item 2 \"name\" ITEMstring size 16 limits 0 0\n"
            "  item 3 \"level\" ITEMlimited size 4 limits 1 99\n"
            "  item 4 \"note\" ITEMstring size 64 limits 0 0\n"
            "records 4\n"
            "  record 1 number -1 size 88\n"
            "    \"hp\" 44\n"
            "    \"name\" \"Carol\"\n"
            "    \"level\" 0\n"
            "    \"note\" \"\"\n"
            "  record 2 number -1 size 88\n"
            "    \"hp\" 0\n"
            "    \"name\" \"Dave\"\n"
            "    \"level\" 0\n"
            "    \"note\" \"\"\n"
            "  record 3 number -1 size 88\n"
            "    \"hp\" 30\n"
            "    \"name\" \"Bob\"\n"
            "    \"level\" 5\n"
            "    \"note\" \"first line\\nsecond line\"\n"
            "  record 4 number -1 size 88\n"
            "    \"hp\" 12\n"
            "    \"name\" \"Alice Smith\"\n"
            "    \"level\" 0\n"
            "    \"note\" \"\"\n");
  EXPECT_EQ(Run({"check", "party.res"}), 0);
  EXPECT_EQ(out_, "party.res: ok: 4 items, 4 records\n");

  // Building again reads the scripts, not the file the last build left
  // under the resource's name.
  std::string script = test::ReadFile("party.txt");
  script.replace(script.find("name Bob"), 8, "name Bert");
  test::WriteFile("party.txt", script);
  ASSERT_EQ(Run({"build", "party.txt", "-o", "party.res"}), 0) << err_;
  EXPECT_NE(DumpBody("party.res").find("    \"name\" \"Bert\"\n"), std::string::npos);
}

TEST_F(VaduResTest, TextsAreCp932ScriptsShownInUtf8) {
  ASSERT_EQ(Run({"build", "shop.txt", "-o", "shop.res"}), 0) << err_;
  EXPECT_EQ(out_, Utf8(u8"wrote shop.res (shop.res/店): 2 items, 2 records of 24 bytes\n"));
  const std::string dump = DumpBody("shop.res");
  EXPECT_NE(dump.find(Utf8(u8"  item 1 \"品名\" ITEMstring size 20 limits 0 0\n")), std::string::npos) << dump;
  EXPECT_NE(dump.find(Utf8(u8"    \"品名\" \"毒消し\\n（強）\"\n    \"値段\" 25\n")), std::string::npos) << dump;

  // The same script written in UTF-8, as most editors save it, builds the
  // same file: found out by itself, with --utf8, with a byte-order mark.
  const std::string utf8 = Cp932ToUtf8(test::ReadFile("shop.txt").c_str());
  test::WriteFile("shop8.txt", utf8);
  test::WriteFile("shop8bom.txt", "\xEF\xBB\xBF" + utf8);
  const std::vector<std::vector<std::string>> builds = {
      {"build", "shop8.txt", "-o", "shop8.res"},
      {"build", "--utf8", "shop8.txt", "-o", "shop8.res"},
      {"build", "shop8bom.txt", "-o", "shop8.res"},
      {"build", "--cp932", "shop.txt", "-o", "shop8.res"},
  };
  for (const auto& args : builds) {
    SCOPED_TRACE(args[1]);
    ASSERT_EQ(Run(args), 0) << err_;
    EXPECT_EQ(err_, "");
    EXPECT_EQ(test::ReadFile("shop8.res"), test::ReadFile("shop.res"));
  }
  EXPECT_EQ(DumpBody("shop8.res"), dump);

  // -v tells how each script was read (nothing of an ASCII one).
  test::WriteFile("empty.txt", "StartData\nEndData\n");
  ASSERT_EQ(Run({"build", "-v", "shop8.txt", "shop.txt", "empty.txt", "-o", "shop8.res"}), 0) << err_;
  EXPECT_NE(err_.find("vadu-res: shop8.txt: UTF-8, converted to CP932: line 2 is not CP932\n"), std::string::npos)
      << err_;
  EXPECT_NE(err_.find("vadu-res: shop.txt: CP932, taken as it is: line 2 is not UTF-8 (byte 0x93)\n"),
            std::string::npos)
      << err_;
  EXPECT_EQ(err_.find("vadu-res: empty.txt:"), std::string::npos) << err_;
}

// How a script's bytes are read: as UTF-8 (converted) or as CP932 (as they
// are), or refused when that cannot be decided safely.
TEST_F(VaduResTest, ScriptTextIsUtf8OrCp932) {
  using vadu_res::Charset;
  struct Case {
    const char* what;
    std::string bytes;
    Charset charset;
    std::string cp932;  // the text the engine gets; empty: refused
    std::string said;   // part of how it was read, or of why not
  };
  const std::string ten = "\x93\x58";  // a kanji in CP932, not UTF-8
  const Case cases[] = {
      {"ASCII", "n abc\r\n", Charset::kDetect, "n abc\r\n", ""},
      {"CP932", "n " + ten + "\n", Charset::kDetect, "n " + ten + "\n", "CP932, taken as it is: line 1 is not UTF-8"},
      {"UTF-8", Utf8(u8"a\nn 店\n"), Charset::kDetect, "a\nn " + ten + "\n",
       "UTF-8, converted to CP932: line 2 is not CP932"},
      {"byte-order mark", "\xEF\xBB\xBF" + Utf8(u8"n 店\n"), Charset::kDetect, "n " + ten + "\n",
       "it starts with a UTF-8 byte-order mark"},
      // An overlong form is no UTF-8 (a lax reading would call this "/").
      {"overlong UTF-8", "n \xE0\x80\xAF\n", Charset::kDetect, "n \xE0\x80\xAF\n",
       "CP932, taken as it is: line 1 is not UTF-8 (byte 0xE0)"},
      // Valid in both; the UTF-8 reading has a hiragana and nothing that
      // half-width katakana make: UTF-8.
      {"both, kana", Utf8(u8"n ぱ\n"), Charset::kDetect, "n \x82\xCF\n", "it reads as CP932 too"},
      // Half-width katakana pairs are valid UTF-8 (U+03F2 U+017D): either.
      {"both, half-width katakana", "n \xCF\xB2\xC5\xBD\n", Charset::kDetect, "",
       "s.txt reads as UTF-8 and as CP932 alike: line 1 reads \"" + Utf8(u8"ϲŽ\" as UTF-8 and \"ﾏｲﾅｽ") +
           "\" as CP932; give --utf8 if it is UTF-8, or --cp932 if it is CP932 (Shift-JIS)"},
      {"both, kana and half-width katakana", "n \xE3\x81\xB1 \xCF\xB2\n", Charset::kDetect, "",
       "line 1 reads \"" + Utf8(u8"ϲ\" as UTF-8 and \"ﾏｲ") + "\" as CP932"},
      // Valid in both, with kana, but U+4E02 has no CP932 form.
      {"both, no CP932 form", "n \xE3\x81\xB1\xE4\xB8\x82`\n", Charset::kDetect, "",
       "line 1 reads \"" + Utf8(u8"ぱ丂`\" as UTF-8 (without a CP932 form) and \"縺ｱ荳Ａ") +
           "\" as CP932; give --cp932 if it is CP932"},
      {"half-width katakana, --cp932", "n \xCF\xB2\xC5\xBD\n", Charset::kCp932, "n \xCF\xB2\xC5\xBD\n", "--cp932"},
      // Valid in both without kana (an ellipsis; in CP932 a second-level
      // kanji and a half-width katakana): either.
      {"both, no kana", Utf8(u8"x\nn …\n"), Charset::kDetect, "", "line 2 reads \"" + Utf8(u8"…") + "\" as UTF-8"},
      {"no kana, --utf8", Utf8(u8"n …\n"), Charset::kUtf8, "n \x81\x63\n", "--utf8"},
      {"neither", "a\n" + ten + "\nb \xC3\xA9\xFF\n", Charset::kDetect, "",
       "s.txt is neither UTF-8 nor CP932 text: line 2 is not UTF-8 (byte 0x93) and line 3 is not CP932 (byte 0xFF)"},
      {"neither, an unassigned pair", "n \x85\x40\n", Charset::kDetect, "",
       "line 1 is not CP932 (bytes 0x85 0x40); save it as UTF-8, or give --cp932"},
      {"no CP932 form", Utf8(u8"n 店\nm x é 😀\n"), Charset::kDetect, "",
       "s.txt line 2: U+00E9 \"" + Utf8(u8"é\" has no CP932 form\nvadu-res: s.txt line 2: U+1F600 \"😀") +
           "\" has no CP932 form\n"},
      {"no CP932 form, --utf8", Utf8(u8"n é\n"), Charset::kUtf8, "", "line 1: U+00E9"},
      {"CP932 with --utf8", "n " + ten + "\n", Charset::kUtf8, "", "s.txt: line 1 is not UTF-8 (byte 0x93)"},
      {"byte-order mark, then CP932", "\xEF\xBB\xBFn " + ten + "\n", Charset::kDetect, "",
       "starts with a UTF-8 byte-order mark, but line 1 is not UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vadu_res::ScriptText text;
    std::string why;
    const bool ok = vadu_res::ReadScriptText("s.txt", std::vector<unsigned char>(c.bytes.begin(), c.bytes.end()),
                                             c.charset, text, why);
    EXPECT_EQ(ok, !c.cp932.empty()) << why;
    if (ok) {
      EXPECT_EQ(std::string(text.cp932.begin(), text.cp932.end()), c.cp932);
      EXPECT_NE(text.how.find(c.said), std::string::npos) << text.how;
      EXPECT_EQ(why, "");
    } else {
      EXPECT_NE(why.find(c.said), std::string::npos) << why;
    }
  }

  // A refused script builds nothing; the option that says what it is builds.
  test::WriteFile("kana.txt", "ResourceName k.res\nDataName K\nItem n ITEMstring 8\nStartData\nn \xCF\xB2\nEndData\n");
  EXPECT_EQ(Run({"build", "kana.txt", "-o", "k.res"}), 1);
  EXPECT_NE(err_.find("--cp932"), std::string::npos) << err_;
  EXPECT_FALSE(test::FileExists("k.res"));
  ASSERT_EQ(Run({"build", "--cp932", "kana.txt", "-o", "k.res"}), 0) << err_;
  EXPECT_NE(DumpBody("k.res").find(Utf8(u8"    \"n\" \"ﾏｲ\"\n")), std::string::npos);
  EXPECT_EQ(Run({"build", "--utf8", "--cp932", "kana.txt", "-o", "k.res"}), 2);
}

TEST_F(VaduResTest, FailedBuildsWriteNothing) {
  struct Case {
    std::string script;
    int code;
    std::string message;  // part of the error output
  };
  const Case cases[] = {
      {"ResourceName p.res\nDataName P\nItem hp ITEMlong\nStartData\nhp 1\n\nEndData\n", 1,
       "log: ApendItemData() itemname non"},
      {"DataName P\n", 1, "log: CreateItemData() scripts/bad.txt Non ResourceName"},
      {"ResourceName ../p.res\nDataName P\n", 1, "is not a plain relative file name"},
      {"ResourceName /tmp/p.res\nDataName P\n", 1, "is not a plain relative file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    test::WriteFile("bad.txt", c.script);
    EXPECT_EQ(Run({"build", "bad.txt", "-o", "bad.res"}), c.code);
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_FALSE(test::FileExists("bad.res"));
  }
  // The dialog's text reaches the author; the build goes on.
  test::WriteFile("ok.txt", "ResourceName p.res\nDataName P\nItem hp ITEMlong\nEndData\n");
  EXPECT_EQ(Run({"build", "ok.txt", "-o", "ok.res"}), 0);
  EXPECT_NE(err_.find(Utf8(u8"vadu-res: dialog: ｽｸﾘﾌﾟﾄ EndDataERROR 4\n")), std::string::npos) << err_;

  EXPECT_EQ(Run({"build", "absent.txt", "-o", "x.res"}), 2);
  EXPECT_EQ(Run({"build", "party.txt"}), 2);
  EXPECT_EQ(Run({"build", "--bogus", "party.txt", "-o", "x.res"}), 2);
  EXPECT_EQ(Run({}), 2);
  EXPECT_EQ(Run({"check", "absent.res"}), 2);
  EXPECT_EQ(Run({"dump", "absent.res"}), 2);
}

TEST_F(VaduResTest, CheckReportsDamageWithOffsets) {
  ASSERT_EQ(Run({"build", "party.txt", "party_more.txt", "-o", "party.res"}), 0) << err_;
  const std::string good = test::ReadFile("party.res");
  ASSERT_EQ(good.size(), 968u);
  constexpr size_t kItems = 32 + 232;
  constexpr size_t kRecords = kItems + 4 * 60;
  constexpr size_t kRecord = 28 + 88;
  struct Case {
    const char* what;
    std::string bytes;
    int code;
    std::string line;  // one line of the report
  };
  auto patched = [&](size_t at, const std::string& with) { return std::string(good).replace(at, with.size(), with); };
  const Case cases[] = {
      {"cut inside the last body", good.substr(0, good.size() - 10), 1,
       "d.res: offset 880: error: the file ends inside the body of record 4 of 4 (78 of 88 bytes; \"READING "
       "ERROR\")"},
      {"cut inside the header", good.substr(0, 10), 1,
       "d.res: offset 0: error: the file ends inside the header (10 of 32 bytes)"},
      {"wrong magic", patched(0, "VADX"), 1, "d.res: offset 0: error: the magic is not \"VADU\" (\"VADX\")"},
      {"unknown item type", patched(kItems + 60 + 21, "\x07"), 1,
       "d.res: offset 345: error: item 2 \"name\": unknown type 7 (the engine gives it size 0)"},
      {"long of size 5", patched(kItems + 24, "\x05"), 1,
       "d.res: offset 288: error: item 1 \"hp\": size 5, but a ITEMlong takes 4 bytes"},
      {"record of another size", patched(kRecords + kRecord + 10, "\x5A"), 1,
       "d.res: offset 630: error: record 2: body of 90 bytes, but the records of this resource have 88"},
      {"bytes after the end", good + "xyz", 0, "d.res: offset 968: warning: 3 bytes after the last record are ignored"},
      {"big-endian mark", patched(13, "M"), 0,
       "d.res: offset 13: warning: byte-order mark \"M\": the engine reads the numbers as little-endian all the same"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteFile("d.res", c.bytes);
    EXPECT_EQ(Run({"check", "d.res"}), c.code);
    EXPECT_NE(out_.find(c.line + "\n"), std::string::npos) << out_;
    if (c.code == 1) {
      EXPECT_NE(out_.find("d.res: damaged: "), std::string::npos) << out_;
    }
  }
  // What the engine cannot load, dump refuses.
  for (const std::string& bytes : {good.substr(0, good.size() - 10), patched(0, "VADX")}) {
    test::WriteFile("d.res", bytes);
    EXPECT_EQ(Run({"dump", "d.res"}), 1);
    EXPECT_NE(err_.find("vadu-res check d.res"), std::string::npos) << err_;
  }
}

// A string item of size 0: the engine declares it (with a log line) when
// an Item line gives no size, or one below 1 or too large for a record, and
// loads it from a file as stored. Build and check judge it alike: a warning.
TEST_F(VaduResTest, SizeZeroStringItemsWarnInBuildAndCheck) {
  const char* const scripts[] = {
      "ResourceName z.res\nDataName Z\nItem name ITEMstring\nItem hp ITEMlong\nStartData\nname Bob\nhp 3\nEndData\n",
      "ResourceName z.res\nDataName Z\nItem name ITEMstring -5\nItem hp ITEMlong\nStartData\nhp 3\nEndData\n",
      "ResourceName z.res\nDataName Z\nItem a ITEMstring 30000\nItem b ITEMstring 30000\nItem name ITEMstring "
      "30000\nItem hp ITEMlong\nStartData\nhp 3\nEndData\n",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    test::WriteFile("z.txt", script);
    ASSERT_EQ(Run({"build", "z.txt", "-o", "z.res"}), 0) << err_;
    EXPECT_NE(out_.find(", 1 warnings\n"), std::string::npos) << out_;
    const size_t at = err_.find("z.res: offset ");
    ASSERT_NE(at, std::string::npos) << err_;
    const std::string warning = err_.substr(at, err_.find('\n', at) + 1 - at);
    EXPECT_NE(warning.find(": warning: item "), std::string::npos) << warning;
    EXPECT_NE(warning.find("\"name\": an ITEMstring of size 0 holds no text"), std::string::npos) << warning;

    // check says the same of the file, and passes it.
    EXPECT_EQ(Run({"check", "z.res"}), 0) << out_;
    EXPECT_EQ(out_.find(warning), 0u) << out_;
    EXPECT_NE(out_.find("z.res: ok: "), std::string::npos) << out_;
    EXPECT_NE(out_.find(", 1 warnings\n"), std::string::npos) << out_;
    // The engine loads it as stored.
    EXPECT_NE(DumpBody("z.res").find("ITEMstring size 0 limits 0 0\n"), std::string::npos);
  }

  // What the engine would load as something else stays an error.
  ASSERT_EQ(Run({"build", "party.txt", "-o", "party.res"}), 0) << err_;
  std::string bytes = test::ReadFile("party.res");
  constexpr size_t kNameSize = 32 + 232 + 60 + 24;  // item 2, "name"
  bytes.replace(kNameSize, 4, std::string("\xFF\xFF\xFF\xFF", 4));
  test::WriteFile("d.res", bytes);
  EXPECT_EQ(Run({"check", "d.res"}), 1);
  EXPECT_NE(
      out_.find("d.res: offset 348: error: item 2 \"name\": a ITEMstring of size -1 (the engine gives it size 0)\n"),
      std::string::npos)
      << out_;
}

// The rule both commands use, at its edges.
TEST(VaduResItemRule, SizesAsTheEngineGivesThem) {
  struct Case {
    int type;
    int32_t size;
    int64_t before;
    int64_t made;
    int verdict;  // 0 nothing, 1 warning, 2 error
  };
  const Case cases[] = {
      {ITEMstring, 16, 0, 16, 0},     {ITEMstring, 1, 0, 1, 0},
      {ITEMstring, 0, 0, 0, 1},       {ITEMstring, -1, 0, 0, 2},
      {ITEMblock, 0, 0, 0, 0},        {ITEMlong, 4, 0, 4, 0},
      {ITEMlimited, 0, 0, 4, 2},      {ITEMarray, 12, 0, 12, 0},
      {ITEMarray, 10, 0, 8, 2},       {7, 0, 0, 0, 2},
      {ITEMstring, 35, 65500, 35, 0}, {ITEMstring, 36, 65500, 0, 2},
      {ITEMlong, 4, 65532, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " size " << c.size << " after " << c.before);
    const vadu_res::ItemFinding f = vadu_res::JudgeItem(c.type, c.size, c.before);
    EXPECT_EQ(f.size, c.made);
    EXPECT_EQ(f.problem.empty() ? 0 : f.error ? 2 : 1, c.verdict) << f.problem;
  }
}

TEST_F(VaduResTest, HelpAndVersion) {
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(out_, "vadu-res 0.3 (VADU V0.3 R19, TARN 0.514)\n");
  EXPECT_EQ(err_, "");
  const std::vector<std::vector<std::string>> asks = {
      {"--help"}, {"-h"}, {"help"}, {"dump", "--help"}, {"check", "-h"}, {"build", "--help"}, {"build", "x.txt", "-h"},
  };
  for (const auto& args : asks) {
    SCOPED_TRACE(args.back());
    EXPECT_EQ(Run(args), 0);
    EXPECT_EQ(out_.rfind("usage: vadu-res dump FILE.res\n", 0), 0u) << out_;
    EXPECT_EQ(err_, "");
  }
  EXPECT_EQ(Run({"dump", "-x"}), 2);
  EXPECT_EQ(err_.rfind("vadu-res: unknown option -x\nusage:", 0), 0u) << err_;
  EXPECT_EQ(Run({"frob", "x.res"}), 2);
  EXPECT_EQ(err_.rfind("vadu-res: unknown command frob\n", 0), 0u) << err_;
}

}  // namespace
}  // namespace vadu
