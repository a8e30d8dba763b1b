#include "data/compute.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "data/resource.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class ComputeTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    play_ = CreateResource(kNoHandle, "play.res", "Play");
    CreateItem(play_, "a", ITEMlong, 0);
    CreateItem(play_, "b", ITEMlong, 0);
    CreateItem(play_, "s", ITEMstring, 16);
    CreateItem(play_, "arr", ITEMarray, 4);
    // Its first character's second byte is '|', an operator character.
    CreateItem(play_, "ポイント", ITEMlong, 0);
    record_ = CreateRecord(play_, 1, 0);
    Set(0, 0);
    SetStr(record_, "s", "");
  }

  void Set(int32_t a, int32_t b) {
    SetNum(record_, "a", a);
    SetNum(record_, "b", b);
  }
  int32_t A() { return GetNum(record_, "a"); }
  int32_t B() { return GetNum(record_, "b"); }

  // Runs a text in a buffer of `size` bytes (0: just large enough) followed
  // by a guard byte that must stay untouched; `text_` keeps the result.
  int Run(int (*fn)(Handle, char*, size_t), const std::string& text, size_t size = 0) {
    if (size == 0) size = text.size() + 1;
    std::vector<char> buffer(size + 1, '\0');
    std::memcpy(buffer.data(), text.data(), std::min(text.size(), size));
    buffer[size] = '\x5A';
    const int r = fn(record_, buffer.data(), size);
    EXPECT_EQ(buffer[size], '\x5A') << "wrote past the buffer: " << text;
    text_.assign(buffer.data(), strnlen(buffer.data(), size));
    return r;
  }
  int Compute(const std::string& text, size_t size = 0) { return Run(ComputeRecord, text, size); }
  int Compare(const std::string& text, size_t size = 0) { return Run(CompareRecord, text, size); }

  Handle play_ = kNoHandle;
  Handle record_ = kNoHandle;
  std::string text_;
};

TEST_F(ComputeTest, StatementsRunLeftToRightWithBracketsFirst) {
  struct Case {
    int32_t a, b;
    const char* text;
    int32_t want_a, want_b;
  };
  const Case cases[] = {
      {0, 0, "a=10-4/2;", 3, 0},
      {0, 0, "a=10-(4/2);", 8, 0},
      {5, 0, "a=10;b=(a+1);", 10, 6},  // brackets see the values before any statement
      {5, 0, "b=a;a=b+1", 6, 5},       // statements see earlier statements
      {0, 0, "a=7;a/=2;", 3, 0},
      {0, 0, "a=-7;", -8, 0},  // the empty first operand reads as -1
      {5, 0, "a++;a++;", 7, 0},
      {5, 0, "a--;", 4, 0},
      {0, 0, " a = 1 + 2 * 3 ;", 9, 0},
      {0, 0, "a=0-7;b=a/2", -7, -3},  // truncation toward zero
      {-7, 0, "b=a%2", -7, -1},       // the remainder keeps the dividend's sign
      {6, 3, "a|=b;", 7, 3},
      {5, 0, "a*=2+1;", 15, 0},
      {5, 0, "a+5", 4, 0},  // the character after the operator is skipped: a + (empty)
      {5, 0, "a-=", 6, 0},  // a trailing operator: a - (empty)
      {5, 0, "a=(a+1)*(a+2)", 42, 0},
      {5, 0, "a=((a+1)*2)-1", 11, 0},
      {0, 0, "a=zz+1", 0, 0},  // an unknown name reads as -1
      {0, 0, "a=2147483647+1", INT32_MIN, 0},
      {0, 0, "a=99999999999999999999", INT32_MAX, 0},  // a literal saturates
      {0, 0, "a=12ab+1", 13, 0},                       // digits up to the first non-digit
      {0, 0, "a=(0-3)", -3, 0},                        // a written negative value reads back as itself
      {4, 0, "b=a*(0-2)+1", 4, -7},
      {0, 0, "a=((0-3)*2)", -6, 0},
      {0, 0, "a++\nb++", 1, 0},  // a statement stopping at a line end ends the run
      {0, 0, "", 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Set(c.a, c.b);
    EXPECT_NE(Compute(c.text), 0);
    EXPECT_EQ(A(), c.want_a);
    EXPECT_EQ(B(), c.want_b);
  }
}

TEST_F(ComputeTest, ItemsOfEveryKindOfNameAreOperands) {
  Set(5, 0);
  EXPECT_NE(Compute("arr[2]=a+1;b=arr[2]*2"), 0);
  EXPECT_EQ(GetNum(record_, "arr[2]"), 6);
  EXPECT_EQ(B(), 12);
  EXPECT_NE(Compute("ポイント=4;a=ポイント+1;ポイント++"), 0);
  EXPECT_EQ(A(), 5);
  EXPECT_EQ(GetNum(record_, "ポイント"), 5);
  // A reference to a record of the same resource by its key.
  const Handle other = CreateRecord(play_, 2, 0);
  SetNum(other, "a", 77);
  SetNum(other, "b", 40);
  EXPECT_NE(Compute("b=.a:77.b+2"), 0);
  EXPECT_EQ(B(), 42);
}

TEST_F(ComputeTest, StringAssignmentCopiesTheTextUnevaluated) {
  EXPECT_NE(Compute("s = Hello World ;a=1"), 0);
  EXPECT_STREQ(GetStr(record_, "s"), "HelloWorld");
  EXPECT_EQ(A(), 1);
  EXPECT_TRUE(Logged("FORM文字列演算 sに-HelloWorld-をCOPY"));
  EXPECT_NE(Compute("s=1+2"), 0);  // up to the end of the text
  EXPECT_STREQ(GetStr(record_, "s"), "1+2");
}

TEST_F(ComputeTest, AFailingStatementStopsTheRunAndKeepsItsTarget) {
  Set(0, 9);
  EXPECT_EQ(Compute("a=5;b=a/0;a=7"), 0);
  EXPECT_EQ(A(), 5);
  EXPECT_EQ(B(), 9);
  EXPECT_TRUE(Logged("ComputeRecord() divide error -b=a/0-"));

  EXPECT_EQ(Compute("b%=0"), 0);
  EXPECT_EQ(B(), 9);

  // INT32_MIN / -1 and its remainder have no 32-bit result.
  EXPECT_EQ(Compute("a=0-2147483647-1;a/=0-1;b=1"), 0);
  EXPECT_EQ(A(), INT32_MIN);
  EXPECT_EQ(B(), 9);
  EXPECT_EQ(Compute("a%=0-1"), 0);
  EXPECT_EQ(A(), INT32_MIN);

  // Inside a bracket the whole text fails before any statement.
  EXPECT_EQ(Compute("b=1;a=(1/0)"), 0);
  EXPECT_EQ(B(), 9);
  EXPECT_TRUE(Logged("brackets() divide error -1/0-"));
  EXPECT_TRUE(Logged("ComputeRecord() brackets() error"));
}

TEST_F(ComputeTest, AnUnknownOperatorIsPrintedAndStopsTheRun) {
  Set(0, 9);
  testing::internal::CaptureStdout();
  EXPECT_EQ(Compute("a=1;b&=2;a=3"), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Compute error! -&=2;a=3-\n");
  EXPECT_EQ(A(), 1);
  EXPECT_EQ(B(), 9);
  testing::internal::CaptureStdout();
  EXPECT_EQ(Compute("a"), 0);  // a name without an operator
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Compute error! --\n");
}

TEST_F(ComputeTest, ConditionsAreEvaluatedLeftToRight) {
  struct Case {
    int32_t a, b;
    const char* text;
    int want;
  };
  const Case cases[] = {
      {3, 1, "a>=3&&b<2", 1},
      {3, 1, "a>3||b<2", 1},
      {3, 1, "a>3&&b<2", 0},
      {3, 1, "a=3", 0},  // a single "=" is false whatever a holds
      {3, 1, "a==3", 1},
      {3, 1, "a!=3", 0},
      {3, 1, "a!3", 0},
      {3, 1, "a<=3&b>0", 1},
      {3, 1, "a > 2 | b > 5", 1},
      {3, 1, "a==9&&b==9||b==1", 1},  // (false and false) or true
      {3, 1, "a+1==b*4", 1},
      {3, 1, "a", 0},  // no comparison
      {3, 1, "a&&b==1", 0},
      {3, 1, "a||b==1", 1},
      {3, 1, "", 0},
      {3, 1, "a==3==3", 0},  // a second comparison makes the relation false
      {3, 1, "a==3==3||b==1", 1},
      {3, 1, "a==3;b==5", 1},  // ";" ends the condition
      {3, 1, "a>1&&", 0},
      {3, 1, "a>1||", 1},
      {3, 1, ".a:3.b==1", 1},
      {-3, 1, "(a-b)==0-4", 1},  // "-4" written by the bracket reads as -4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Set(c.a, c.b);
    EXPECT_EQ(Compare(c.text), c.want);
  }
}

TEST_F(ComputeTest, ConditionTextIsRewrittenInPlace) {
  Set(5, 0);
  EXPECT_EQ(Compare("(a + 1) > 2"), 1);
  EXPECT_EQ(text_, "6>2");
  EXPECT_EQ(Compute("b = (a*2) ; a++"), 1);
  EXPECT_EQ(text_, "b=10;a++");
  EXPECT_EQ(Compare("a/0==1"), 0);
  EXPECT_TRUE(Logged("CompareRecord() divide error -a/0==1-"));
}

TEST_F(ComputeTest, BracketsReplaceTheFirstClosedPair) {
  struct Case {
    const char* text;
    int want;
    const char* after;
  };
  const Case cases[] = {
      {"x(1+2)y", 0, "x3y"}, {"((1+2)*3)", 0, "(3*3)"}, {"(1)+(2)", 0, "1+(2)"}, {"()", 0, "-1"},
      {"(0-5)", 0, "-5"},    {"a+b", 1, "a+b"},         {"(1", -1, "(1"},        {"1)(2)", -1, "1)(2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Run(brackets, c.text, 64), c.want);
    EXPECT_EQ(text_, c.after);
  }
  Set(3, 0);
  EXPECT_EQ(Compute("a=(1"), 0);
  EXPECT_EQ(A(), 3);
  EXPECT_TRUE(Logged("ComputeRecord() brackets() error"));
  EXPECT_EQ(Compare("(a>1"), 0);
  EXPECT_TRUE(Logged("CompareRecord() brackets() error"));
}

TEST_F(ComputeTest, LongTextsStayInsideTheirBuffers) {
  // 1023 characters before the "(" are kept; 1024 are refused, not cut.
  const std::string zeros(1020, '0');
  Set(0, 0);
  EXPECT_EQ(Compute("a=" + zeros + "+(5)"), 1);
  EXPECT_EQ(A(), 5);
  EXPECT_EQ(Compute("a=" + zeros + "0+(6)"), 0);
  EXPECT_EQ(A(), 5);
  EXPECT_EQ(Compute("a=(5)+" + std::string(1022, '0')), 1);
  EXPECT_EQ(Compute("a=(7)+" + std::string(1023, '0')), 0);
  EXPECT_EQ(A(), 5);

  // A value longer than its brackets must still fit the buffer.
  Set(INT32_MIN, 0);
  EXPECT_EQ(Compute("b=(a)"), 0);  // "b=-2147483648" does not fit 6 bytes
  EXPECT_EQ(text_, "b=(a)");
  EXPECT_EQ(Compute("b=(a)", 14), 1);
  EXPECT_EQ(B(), INT32_MIN);

  // A long text of many statements fills its buffer exactly.
  std::string many;
  for (int i = 0; i < 700; ++i) many += "a++;";
  Set(0, 0);
  EXPECT_EQ(Compute(many), 1);
  EXPECT_EQ(A(), 700);

  // A buffer without a terminator is refused untouched.
  char raw[4] = {'a', '=', '1', ' '};
  EXPECT_EQ(ComputeRecord(record_, raw, sizeof raw), 0);
  EXPECT_EQ(CompareRecord(record_, raw, sizeof raw), 0);
  EXPECT_EQ(brackets(record_, raw, sizeof raw), -1);
  EXPECT_EQ(std::string(raw, 4), "a=1 ");
}

class CompareSearchTest : public ComputeTest {
 protected:
  Handle Rules() {
    const Handle rules = CreateResource(kNoHandle, "rules.res", "Rules");
    CreateItem(rules, "id", ITEMlong, 0);
    CreateItem(rules, "cond", ITEMstring, 32);
    return rules;
  }
  Handle Rule(Handle rules, int32_t id, const char* cond) {
    const Handle r = CreateRecord(rules, id, 0);
    SetNum(r, "id", id);
    SetStr(r, "cond", cond);
    return r;
  }
};

TEST_F(CompareSearchTest, StoredConditionsAreNeverFrozen) {
  const Handle rules = Rules();
  const Handle first = Rule(rules, 1, "( a + 1 ) > 10");
  const Handle second = Rule(rules, 2, "a >= 0");
  Set(5, 0);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), second);
  Set(20, 0);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), first);
  Set(5, 0);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), second);
  EXPECT_STREQ(GetStr(first, "cond"), "( a + 1 ) > 10");
  Set(-1, 0);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), kNoHandle);

  // Inactive records are skipped.
  Set(20, 0);
  DeleteRecord(rules, first);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), second);

  EXPECT_EQ(FindRecordByCompare(rules, record_, nullptr), kNoHandle);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "nothing"), kNoHandle);
  EXPECT_EQ(FindRecordByCompare(rules, record_, "id"), kNoHandle);  // not a string item
  const Handle bare = CreateResource(kNoHandle, "bare.res", "Bare");
  CreateRecord(bare, 1, 8);
  EXPECT_EQ(FindRecordByCompare(bare, record_, "cond"), kNoHandle);
}

TEST_F(CompareSearchTest, TheSearchStopsAtARecordWithoutTheItem) {
  const Handle rules = CreateResource(kNoHandle, "late.res", "Late");
  CreateItem(rules, "id", ITEMlong, 0);
  CreateRecord(rules, 1, 0);  // made before "cond" was declared: too short for it
  CreateItem(rules, "cond", ITEMstring, 32);
  Rule(rules, 2, "a==a");
  EXPECT_EQ(FindRecordByCompare(rules, record_, "cond"), kNoHandle);
}

TEST_F(ComputeTest, DumpLogsTheItemsOfActiveRecords) {
  EXPECT_EQ(DumpRecordItems(kNoHandle), 1);
  EXPECT_EQ(DumpRecordItems(CreateResource(kNoHandle, "bare.res", "Bare")), 1);
  const Handle r = CreateResource(kNoHandle, "dump.res", "Dump");
  CreateItem(r, "n", ITEMlong, 0);
  CreateItem(r, "t", ITEMstring, 4);
  const Handle gone = CreateRecord(r, 1, 0);
  SetNum(gone, "n", 99);
  SetStr(gone, "t", "old");
  DeleteRecord(r, gone);
  const Handle kept = CreateRecord(r, 2, 0);
  SetNum(kept, "n", -5);
  std::memcpy(Body(kept) + 5, "wxyz", 4);  // a string without its terminator
  const size_t before = Log().size();
  EXPECT_EQ(DumpRecordItems(r), 0);
  const std::vector<std::string> log = Log();
  ASSERT_EQ(log.size(), before + 2);
  EXPECT_EQ(log[before], "n   -5");
  EXPECT_EQ(log[before + 1], "t   wxyz");
}

TEST_F(ComputeTest, CopyTakesTheItemsBothResourcesHave) {
  const Handle from = CreateResource(kNoHandle, "from.res", "From");
  CreateItem(from, "n", ITEMlong, 0);
  CreateItem(from, "t", ITEMstring, 16);
  CreateItem(from, "m", ITEMlong, 0);
  CreateItem(from, "only", ITEMlong, 0);
  const Handle to = CreateResource(kNoHandle, "to.res", "To");
  CreateItem(to, "t", ITEMstring, 6);
  CreateItem(to, "m", ITEMlong, 0);
  CreateItem(to, "n", ITEMlong, 0);
  const Handle src = CreateRecord(from, 1, 0);
  SetNum(src, "n", 12);
  SetStr(src, "t", "abcdefgh");
  SetNum(src, "m", -1);  // -1 is not copied
  SetNum(src, "only", 3);
  const Handle dst = CreateRecord(to, 1, 0);
  SetNum(dst, "m", 8);
  SetNum(dst, "n", 0);
  EXPECT_EQ(CopyRecordItems(src, dst), 0);
  EXPECT_EQ(GetNum(dst, "n"), 12);
  EXPECT_EQ(GetNum(dst, "m"), 8);
  EXPECT_STREQ(GetStr(dst, "t"), "abcde");  // cut by the target's size
  EXPECT_EQ(CopyRecordItems(kNoHandle, dst), 0);
  const Handle bare = CreateResource(kNoHandle, "bare.res", "Bare");
  EXPECT_EQ(CopyRecordItems(CreateRecord(bare, 1, 8), dst), 1);
}

}  // namespace
}  // namespace vadu
