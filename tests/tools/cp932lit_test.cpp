// The clang builds compile sources whose literals cp932lit rewrote; these
// tests check that a rewritten literal holds exactly the bytes GCC gives the
// original one with -fexec-charset=CP932 (this file is compiled that way).
#define CP932LIT_NO_MAIN
#include "../../tools/cp932lit.cpp"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

std::string Rewritten(const std::string& source) {
  std::string out, error;
  EXPECT_TRUE(cp932lit::Rewrite(source, "", out, error)) << error;
  return out;
}

// The bytes a one-literal source means: simple, octal and hex escapes.
std::string LiteralBytes(const std::string& lit) {
  std::string bytes;
  for (size_t i = 1; i + 1 < lit.size(); ++i) {
    if (lit[i] != '\\') {
      bytes += lit[i];
      continue;
    }
    const char e = lit[++i];
    if (e >= '0' && e <= '7') {
      int v = 0;
      for (int k = 0; k < 3 && lit[i] >= '0' && lit[i] <= '7'; ++k) v = v * 8 + (lit[i++] - '0');
      --i;
      bytes += static_cast<char>(v);
    } else if (e == 'x') {
      int v = 0;
      while (std::isxdigit(static_cast<unsigned char>(lit[i + 1]))) {
        const char h = lit[++i];
        v = v * 16 + (h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10);
      }
      bytes += static_cast<char>(v);
    } else {
      bytes += e == 'n' ? '\n' : e == 't' ? '\t' : e;
    }
  }
  return bytes;
}

TEST(Cp932Lit, RewrittenLiteralsHoldTheBytesGccGives) {
  struct Case {
    const char8_t* source;  // the literal as written in a UTF-8 source
    const char* compiled;   // the same literal as GCC compiled it here
    size_t size;
  };
  const Case cases[] = {
      {u8"\"日本語\"", "日本語", sizeof "日本語"},
      // Second bytes 0x5C must not turn into escapes.
      {u8"\"ソ表能\\\\\"", "ソ表能\\", sizeof "ソ表能\\"},
      {u8"\"a\\\"ソ\\\"b\"", "a\"ソ\"b", sizeof "a\"ソ\"b"},
      // Escapes before and digits after a rewritten character keep their
      // meaning.
      {u8"\"\\x41日1\\1017\"", "\x41日1\1017", sizeof "\x41日1\1017"},
      {u8"\"ｱｲｳ①～―、。\"", "ｱｲｳ①～―、。", sizeof "ｱｲｳ①～―、。"},
      {u8"\"\\t改行\\n\"", "\t改行\n", sizeof "\t改行\n"},
  };
  for (const Case& c : cases) {
    const std::string out = Rewritten(Utf8(c.source));
    for (const char ch : out) EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << out;
    EXPECT_EQ(LiteralBytes(out), std::string(c.compiled, c.size - 1)) << Utf8(c.source);
  }
  const std::string char_literal = Utf8(u8"'字'");
  EXPECT_EQ(Rewritten(char_literal), "'\\216\\232'");
}

TEST(Cp932Lit, EverythingOutsideOrdinaryLiteralsIsKept) {
  const std::string kept[] = {
      Utf8(u8"// コメント \"日本\" 'x\n"),
      Utf8(u8"/* 表 \"ソ\" */ int x = 1'000'000 + 0x1'0p+1'0;"),
      Utf8(u8"auto a = u8\"日本\", b = R\"d(ソ \" )\" )d\", c = L\"語\", d = u'字';"),
      "int v = 'a' + '\\'' + '\"';",
  };
  for (const std::string& s : kept) EXPECT_EQ(Rewritten(s), s);
}

TEST(Cp932Lit, CharacterWithoutCp932FormFailsWithItsLine) {
  std::string out, error;
  // (Kept out of the macro: its stringised argument would be an ordinary
  // literal, which GCC cannot convert either.)
  const std::string source = Utf8(u8"int a;\n// µ\nconst char* s = \"µ\";\n");
  EXPECT_FALSE(cp932lit::Rewrite(source, "", out, error));
  EXPECT_EQ(error.substr(0, 3), "3: ");
  EXPECT_FALSE(cp932lit::Rewrite("const char* s = \"open\n", "", out, error));
}

TEST(Cp932Lit, QuotedIncludeBesideTheSourceBecomesAbsolute) {
  const std::string dir = VADU_SOURCE_DIR "/src/core";
  std::string out, error;
  ASSERT_TRUE(
      cp932lit::Rewrite("#include \"install.h\"\n#include \"kernel/log.h\"\n#include <cstdio>\n", dir, out, error));
  EXPECT_EQ(out, "#include \"" + dir + "/install.h\"\n#include \"kernel/log.h\"\n#include <cstdio>\n");
}

}  // namespace
