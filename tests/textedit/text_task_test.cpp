// The text task on a running engine, driven by the key events and clicks
// the host gives: typing into input lines and text areas, the one-line
// rules (limit, digits, half-width input, enter and tab), overwrite and
// insert, backspace and delete with the line count, the cursor over tabs
// and two-byte characters, paging and scrolling, the focus (click, escape,
// a closing window), the blink, keyword colouring, and view fields a game
// has damaged. Where the screen is checked, what the editor drew step by
// step must equal the object drawn afresh.
#include "textedit/text_task.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/input.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "text/text.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

using test::Pixel;

constexpr int kHalf = 8, kLine = 16;  // the cell of the test font

class TextTaskTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const GCRecord* g = GCView(SystemGC());
    ASSERT_NE(g, nullptr);
    face_ = g->face;
    light_ = g->light;
    shadow_ = g->shadow;
    ink_ = g->text;
    panel_ = CreateWindow(owner(), kNoHandle, 280, 200, 0);
    SetWindowName(panel_, "Panel");
  }
  void TearDown() override {
    HostSetModifiers(0);
    WindowTest::TearDown();
  }

  // The panel opened with the objects made so far.
  void Start() { Open(panel_, 20, 20); }
  // An input line of the panel for `length` characters.
  Handle Input(int16_t number, int16_t y, int16_t length) {
    return CreateMessageLine(panel_, number, 10, y, length, owner());
  }
  // A text area of the panel over a text of its own.
  Handle Area(int16_t number, const std::string& content, int16_t width, int16_t height, uint32_t mode = 0) {
    const Handle text = CreateText(owner(), ("area" + std::to_string(number)).c_str(), 0);
    SetTextContent(text, content.data(), static_cast<int32_t>(content.size()));
    return CreateTextArea(text, panel_, 10, 60, width, height, number, mode);
  }
  static Handle TextOf(Handle object) { return ObjectView(object)->data; }
  static std::string Content(Handle object) {
    std::string s(40000, '\0');
    s.resize(static_cast<size_t>(CopyText(TextOf(object), s.data(), s.size())));
    return s;
  }
  static TextObject& Text(Handle object) { return *TextView(TextOf(object)); }
  static int CursorX(Handle object) { return Text(object).cursor_x; }
  static int CursorY(Handle object) { return Text(object).cursor_y; }
  static bool Focused(Handle object) { return (Text(object).mode & kTextFocus) != 0; }

  // Keys and text as the host hands them over, each taken by the key task
  // and handed to the text task.
  void Key(uint16_t code) {
    HostPutKey(code);
    Settle(8);
  }
  void Keys(uint16_t code, int times) {
    for (int i = 0; i < times; ++i) Key(code);
  }
  void Type(const char* cp932) {
    HostPutText(cp932);
    for (int n = 0; HostTextPending() && n < 100000; ++n) {
      HostPumpText();
      Cycle();
    }
    Settle(8);
  }
  // The screen point of a cell of the object, and a click in its middle.
  static ScreenRect CellRect(Handle object, int col, int row) {
    const ScreenRect c = ContentRect(ObjectView(object)->window);
    return {c.x + 2 + col * kHalf, c.y + 2 + row * kLine, kHalf, kLine};
  }
  void ClickCell(Handle object, int col, int row = 0) {
    const ScreenRect r = CellRect(object, col, row);
    Click(r.x + kHalf / 2, r.y + kLine / 2);
  }
  // Pixels of the cell that are not `colour`; the colour of its corner.
  static int Other(Handle object, int col, int row, uint32_t colour) {
    const ScreenRect r = CellRect(object, col, row);
    int n = 0;
    for (int y = r.y; y < r.y + r.height; ++y) {
      for (int x = r.x; x < r.x + r.width; ++x) n += Pixel(x, y) != colour ? 1 : 0;
    }
    return n;
  }
  // Whether a glyph was drawn into the cell in a blue (the keyword colour)
  // or in a grey darker than the face (the black text colour): glyph edges
  // are blended, so colours are told apart by their tint.
  static bool Tinted(Handle object, int col, int row, bool blue) {
    const ScreenRect r = CellRect(object, col, row);
    for (int y = r.y; y < r.y + r.height; ++y) {
      for (int x = r.x; x < r.x + r.width; ++x) {
        const uint32_t p = Pixel(x, y);
        const int red = p & 0xFF, green = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
        if (blue && b > red + 40 && b > green + 40) return true;
        if (!blue && red == green && green == b && red < 0x60) return true;
      }
    }
    return false;
  }
  static uint32_t Corner(Handle object, int col, int row = 0) {
    const ScreenRect r = CellRect(object, col, row);
    return Pixel(r.x, r.y);
  }
  // The object's pixels.
  static std::vector<uint32_t> Picture(Handle object) {
    const ScreenRect c = ContentRect(ObjectView(object)->window);
    std::vector<uint32_t> p;
    for (int y = c.y; y <= c.y + c.height; ++y) {
      for (int x = c.x; x <= c.x + c.width; ++x) p.push_back(Pixel(x, y));
    }
    return p;
  }
  // What was drawn step by step equals the object drawn afresh.
  static void ExpectFreshLook(Handle object) {
    const std::vector<uint32_t> drawn = Picture(object);
    DrawObjectByKind(object);
    const std::vector<uint32_t> fresh = Picture(object);
    ASSERT_EQ(drawn.size(), fresh.size());
    const size_t width = static_cast<size_t>(ContentRect(ObjectView(object)->window).width) + 1;
    for (size_t i = 0; i < drawn.size(); ++i) {
      if (drawn[i] != fresh[i]) {
        ADD_FAILURE() << "the picture differs at (" << i % width << ", " << i / width << ")";
        return;
      }
    }
  }

  static bool Logged(const std::string& line) {
    const auto log = test::ReadLines("SenELOG.dat");
    return std::find(log.begin(), log.end(), line) != log.end();
  }

  Handle panel_ = kNoHandle;
  uint32_t face_ = 0, light_ = 0, shadow_ = 0, ink_ = 0;
};

TEST_F(TextTaskTest, TypedTextGoesIntoTheClickedInputAndIsDrawnInItsCells) {
  const Handle input = Input(1, 10, 10);
  Start();
  Type("x");  // nothing has the focus
  EXPECT_EQ(Content(input), "");
  EXPECT_EQ(ActiveTextObject(), kNoHandle);

  ClickCell(input, 3);
  EXPECT_EQ(ActiveTextObject(), input);
  EXPECT_TRUE(Focused(input));
  EXPECT_EQ(CursorX(input), 0);  // put on the text
  Type("ab");
  Type("あ");
  Type("*");
  EXPECT_EQ(Content(input), "abあ*");
  EXPECT_EQ(CursorX(input), 5);
  for (int col = 0; col < 5; ++col) EXPECT_GT(Other(input, col, 0, face_), 0) << col;
  EXPECT_TRUE(Tinted(input, 0, 0, false));
  EXPECT_EQ(Corner(input, 5), shadow_);  // the cursor, shown
  EXPECT_EQ(Other(input, 6, 0, face_), 0);
  ExpectFreshLook(input);
}

TEST_F(TextTaskTest, OverwriteReplacesInsertShiftsAndTheLineEndAppends) {
  const Handle input = Input(1, 10, 10);
  Start();
  PutInputText(panel_, 1, "abcd");
  ClickCell(input, 1);
  Type("X");
  EXPECT_EQ(Content(input), "aXcd");
  Keys(KEY_RIGHT, 3);
  Type("Y");
  EXPECT_EQ(Content(input), "aXcdY");
  ExpectFreshLook(input);

  HostSetModifiers(kModInsert);
  ClickCell(input, 1);
  Type("Z");
  HostSetModifiers(0);
  EXPECT_EQ(Content(input), "aZXcdY");
  ExpectFreshLook(input);  // the tail moved one cell right on screen

  // A two-byte character overwritten by a one-byte one, and the reverse.
  PutInputText(panel_, 1, "aあb");
  ClickCell(input, 1);
  Type("x");
  EXPECT_EQ(Content(input), "axb");
  ExpectFreshLook(input);
  Key(KEY_LEFT);
  Type("い");
  EXPECT_EQ(Content(input), "aいb");
  EXPECT_EQ(CursorX(input), 3);
  ExpectFreshLook(input);
}

TEST_F(TextTaskTest, OneLineInputsKeepTheirLimitDigitsAndHalfWidthForms) {
  // Seven characters give eight columns: the ninth character is ignored,
  // and a two-byte character that would need a ninth column too.
  const Handle line = Input(1, 10, 7);
  ASSERT_EQ(TextAreaView(line)->columns, 8);
  const Handle digits = CreateInputNumeric(panel_, 2, 10, 40, 7, owner());
  const Handle bytes = CreateInputByte(panel_, 3, 10, 70, 10, owner());
  Start();
  ClickCell(line, 0);
  Type("abcdefg");
  Type("あ");
  Type("hi");
  EXPECT_EQ(Content(line), "abcdefgh");
  EXPECT_EQ(CursorX(line), 8);

  ClickCell(digits, 0);
  Type("1a2３４5678９");
  EXPECT_EQ(Content(digits), "12345678");

  ClickCell(bytes, 0);
  Type("Ａｂ漢カc");
  EXPECT_EQ(Content(bytes), "Abｶc");  // the kanji has no one-byte form
}

TEST_F(TextTaskTest, EnterSendsTheLineToTheOwnerAndTabAndEnterMoveTheFocusToInputOne) {
  const Handle first = Input(1, 10, 10);
  const Handle second = Input(2, 40, 10);
  const Handle wide = Input(3, 70, 120);
  Start();
  ClickCell(second, 0);
  EXPECT_EQ(ActiveTextObject(), second);  // the input clicked, not input 1
  Type("hello");
  owner_log().Clear();
  Key(KEY_RETURN);
  const auto sent = owner_log().Of(kEventString);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].text, "hello");
  EXPECT_TRUE(Logged("  body type TO   text type TE"));
  EXPECT_EQ(ActiveTextObject(), first);
  EXPECT_FALSE(Focused(second));
  EXPECT_TRUE(Focused(first));
  EXPECT_EQ(Corner(second, 5), light_);  // the old cursor, let go
  Type("q");
  EXPECT_EQ(Content(first), "q");
  EXPECT_EQ(Content(second), "hello");

  ClickCell(second, 5);
  Key(KEY_TAB);
  EXPECT_EQ(ActiveTextObject(), first);
  EXPECT_EQ(Content(second), "hello");
  // A window without that input: nothing changes, and it is said.
  EXPECT_EQ(ChangeText(RootWindow(), 1), kNoHandle);
  EXPECT_TRUE(Logged(" text search call is NULL for ChangeText()"));
  EXPECT_EQ(ActiveTextObject(), first);

  // At most 99 bytes go, never half a two-byte character.
  ClickCell(wide, 0);
  Type("a");
  for (int i = 0; i < 50; ++i) Type("あ");
  owner_log().Clear();
  Key(KEY_RETURN);
  const auto long_sent = owner_log().Of(kEventString);
  ASSERT_EQ(long_sent.size(), 1u);
  EXPECT_EQ(long_sent[0].text.size(), 99u);
  EXPECT_EQ(long_sent[0].text, Content(wide).substr(0, 99));
}

TEST_F(TextTaskTest, FocusGoesByClickAndEscapeAndWithAClosingWindowAndTheCursorBlinks) {
  const Handle first = Input(1, 10, 10);
  const Handle second = Input(2, 40, 10);
  Start();
  ClickCell(first, 0);
  ClickCell(second, 0);
  EXPECT_EQ(ActiveTextObject(), second);
  EXPECT_FALSE(Focused(first));
  EXPECT_EQ(Corner(first, 0), light_);
  EXPECT_EQ(Corner(second, 0), shadow_);

  // The blink on the second tick: dark, then light, then dark.
  const auto tick = [this] {
    PostEvent(kTaskEvent, kEveryTask, kEventSecond);
    Settle(8);
  };
  tick();
  EXPECT_EQ(Corner(second, 0), shadow_);
  tick();
  EXPECT_EQ(Corner(second, 0), light_);
  tick();
  EXPECT_EQ(Corner(second, 0), shadow_);

  Key(KEY_ESCAPE);
  EXPECT_EQ(ActiveTextObject(), kNoHandle);
  EXPECT_FALSE(Focused(second));
  EXPECT_EQ(Corner(second, 0), light_);
  Type("z");
  EXPECT_EQ(Content(second), "");

  ClickCell(second, 0);
  EXPECT_EQ(ActiveTextObject(), second);
  Close(panel_);
  EXPECT_EQ(ActiveTextObject(), kNoHandle);
  EXPECT_FALSE(Focused(second));
}

TEST_F(TextTaskTest, BackspaceAndDeleteKeepTheLinesAndTheLineCountInStep) {
  const Handle area = Area(5, "one\ntwo\nthree", 200, 4 * kLine + 4);
  Start();
  ChangeText(panel_, 5);
  Text(area).cursor_y = 2;
  Key(KEY_BACKSPACE);  // column 0 of line 2: its first character goes
  EXPECT_EQ(Content(area), "one\ntwo\nhree");
  EXPECT_EQ(Text(area).max_line, 2);
  EXPECT_EQ(CursorY(area), 2);

  Keys(KEY_UP, 2);
  Keys(KEY_RIGHT, 3);
  Key(KEY_DELETE);  // at the line's end: the next line joins it
  EXPECT_EQ(Content(area), "onetwo\nhree");
  EXPECT_EQ(Text(area).max_line, 1);
  Key(KEY_RETURN);
  EXPECT_EQ(Content(area), "one\ntwo\nhree");
  EXPECT_EQ(Text(area).max_line, 2);
  EXPECT_EQ(CursorX(area), 0);
  EXPECT_EQ(CursorY(area), 1);

  Type("あ");  // over the t
  EXPECT_EQ(Content(area), "one\nあwo\nhree");
  Key(KEY_BACKSPACE);  // back over both bytes
  EXPECT_EQ(Content(area), "one\nwo\nhree");
  ExpectFreshLook(area);

  Keys(KEY_UP, 1);
  Key(KEY_BACKSPACE);  // column 0 of line 0 keeps everything
  EXPECT_EQ(Content(area), "one\nwo\nhree");
}

TEST_F(TextTaskTest, TheCursorMovesOverTabsAndTwoByteCharactersAndAcrossLines) {
  const Handle area = Area(5, "a\tbあc\nxy", 200, 4 * kLine + 4);
  Start();
  ChangeText(panel_, 5);
  const std::vector<int> right = {1, 5, 6, 8, 9};
  for (int want : right) {
    Key(KEY_RIGHT);
    EXPECT_EQ(CursorX(area), want);
  }
  EXPECT_NE(Text(area).mode & kTextPastLineEnd, 0u);
  Key(KEY_RIGHT);  // past the end: the next line
  EXPECT_EQ(CursorX(area), 0);
  EXPECT_EQ(CursorY(area), 1);
  Key(KEY_LEFT);  // and back to the end of the line before
  EXPECT_EQ(CursorX(area), 9);
  EXPECT_EQ(CursorY(area), 0);
  const std::vector<int> left = {8, 6, 5, 1, 0, 0};
  for (int want : left) {
    Key(KEY_LEFT);
    EXPECT_EQ(CursorX(area), want);
    if (want == 6) {
      EXPECT_NE(Text(area).mode & kTextCursorLead, 0u);
    }
  }
  // Inserting on the tab goes in front of it; the cursor never stands inside
  // a tab's span or on a second byte.
  Key(KEY_RIGHT);
  HostSetModifiers(kModInsert);
  Type("T");
  HostSetModifiers(0);
  EXPECT_EQ(Content(area), "aT\tbあc\nxy");
  ExpectFreshLook(area);
  // A cursor written into the record is shown where it is put (the old
  // cell is not known to the editor, so the area is drawn afresh here).
  Text(area).cursor_x = 8;  // on the second byte of あ (7-8)
  DrawObjectByKind(area);
  Key(KEY_RIGHT);
  EXPECT_EQ(CursorX(area), 9);
  Text(area).cursor_x = 4;  // inside the tab's span (2-5)
  DrawObjectByKind(area);
  Key(KEY_LEFT);
  EXPECT_EQ(CursorX(area), 1);
  ExpectFreshLook(area);
}

TEST_F(TextTaskTest, PagesMoveByTheObjectHeightLessTwoAndScrollsRedrawWhatTheyUncover) {
  std::string lines;
  for (int i = 0; i < 20; ++i) lines += "line " + std::to_string(i) + " of a text whose lines run on past the view\n";
  const Handle area = Area(5, lines, 24 * kHalf + 4, 8 * kLine + 4);
  Start();
  ASSERT_EQ(TextAreaView(area)->rows, 8);
  ASSERT_EQ(Text(area).max_line, 20);
  ChangeText(panel_, 5);
  const std::vector<int> forward = {6, 12, 12};
  for (int want : forward) {
    Key(4);
    EXPECT_EQ(TextAreaView(area)->top_line, want);
  }
  ExpectFreshLook(area);
  const std::vector<int> back = {6, 0, 0};
  for (int want : back) {
    Key(3);
    EXPECT_EQ(TextAreaView(area)->top_line, want);
  }

  // One line and one column at a time by rectangle copies.
  Keys(KEY_DOWN, 9);
  EXPECT_EQ(TextAreaView(area)->top_line, 2);
  EXPECT_EQ(CursorY(area), 7);
  ExpectFreshLook(area);
  Keys(KEY_RIGHT, 26);
  EXPECT_EQ(TextAreaView(area)->first_column, 3);
  ExpectFreshLook(area);
  Keys(KEY_UP, 9);
  EXPECT_EQ(TextAreaView(area)->top_line, 0);
  ExpectFreshLook(area);

  // Read only: paging goes on, typing does nothing.
  Text(area).mode |= kTextReadOnly;
  Type("zz");
  Key(KEY_DELETE);
  EXPECT_EQ(Content(area), lines);
  Key(4);
  EXPECT_EQ(TextAreaView(area)->top_line, 6);
}

// A text area's clicks reach the text task when its owner passes them on
// (0x306, the point relative to the clicked window).
TEST_F(TextTaskTest, APressPassedOnFocusesATextAreaAtItsCellAndHoldingItsCursorScrolls) {
  std::string lines;
  for (int i = 0; i < 20; ++i) lines += "row " + std::to_string(i) + "\n";
  const Handle area = Area(5, lines, 200, 4 * kLine + 4);
  Start();
  const ScreenRect panel = ContentRect(panel_);
  const auto press = [&](int col, int row) {
    const ScreenRect r = CellRect(area, col, row);
    uint8_t* e = EventBytes(PostEvent(TaskNumber(owner()), kTaskText, kEventMouse));
    PutI16(e + MouseEventAt::kX, static_cast<int16_t>(r.x + 3 - panel.x));
    PutI16(e + MouseEventAt::kY, static_cast<int16_t>(r.y + 5 - panel.y));
    PutU16(e + MouseEventAt::kButton, 1);
    PutU32(e + MouseEventAt::kWindow, panel_);
    Settle(8);
  };
  press(3, 1);
  EXPECT_EQ(ActiveTextObject(), area);
  EXPECT_EQ(CursorX(area), 3);
  EXPECT_EQ(CursorY(area), 1);
  press(9, 2);  // past the line's end: the cursor goes to the end
  EXPECT_EQ(CursorX(area), 5);
  EXPECT_EQ(CursorY(area), 2);

  // Held on the cursor's own cell with the pointer below the area, the
  // view scrolls a line every 10 ms to the text's last line; with the
  // pointer above it, back to the first.
  const ScreenRect own = ContentRect(ObjectView(area)->window);
  HostSetButton(1);
  HostSetPointer(own.x + 20, own.y + own.height + 30);
  clock_.At(1000, [] { HostSetButton(0); });
  press(5, 2);
  EXPECT_EQ(TextAreaView(area)->top_line, 17);  // lines 17-20 shown
  EXPECT_EQ(CursorY(area), 2);                  // the cursor keeps its row
  EXPECT_EQ(Corner(area, 5, 2), shadow_);       // now on "row 19"
  ExpectFreshLook(area);
  HostSetButton(1);
  HostSetPointer(own.x + 20, own.y - 30);
  clock_.At(1000, [] { HostSetButton(0); });
  press(5, 2);
  EXPECT_EQ(TextAreaView(area)->top_line, 0);
  ExpectFreshLook(area);
}

TEST_F(TextTaskTest, KeywordsAreColouredAsTheyAreTyped) {
  const Handle area = Area(5, "int x;\n", 200, 4 * kLine + 4, kTextKeywords);
  Start();
  for (int col = 0; col < 3; ++col) EXPECT_TRUE(Tinted(area, col, 0, true)) << col;
  EXPECT_FALSE(Tinted(area, 4, 0, true));
  EXPECT_TRUE(Tinted(area, 4, 0, false));

  ChangeText(panel_, 5);
  Key(KEY_DOWN);
  Type("cha");
  EXPECT_FALSE(Tinted(area, 0, 1, true));
  Type("rs");  // "chars" begins with "char"
  for (int col = 0; col < 4; ++col) EXPECT_TRUE(Tinted(area, col, 1, true)) << col;
  EXPECT_FALSE(Tinted(area, 4, 1, true));
  ExpectFreshLook(area);
}

TEST_F(TextTaskTest, ALineLongerThanTwoBlocksIsEditedWhereTheCursorIs) {
  const std::string line(3000, 'a');
  const Handle area = Area(5, line + "\nend", 200, 4 * kLine + 4);
  Start();
  ChangeText(panel_, 5);
  Text(area).cursor_x = 2500;
  Type("X");
  std::string want = line + "\nend";
  want[2500] = 'X';
  EXPECT_EQ(Content(area), want);
  EXPECT_EQ(CursorX(area), 2501);
  Key(KEY_DELETE);
  want.erase(2501, 1);
  EXPECT_EQ(Content(area), want);
  EXPECT_EQ(Text(area).max_line, 1);
  ExpectFreshLook(area);
}

TEST_F(TextTaskTest, DamagedViewFieldsNeitherDrawOutsideTheObjectNorEditOutsideTheText) {
  const Handle area = Area(5, "abc\ndef", 160, 3 * kLine + 4);
  const Handle input = Input(1, 10, 6);
  Start();
  const ScreenRect own = ContentRect(ObjectView(area)->window);
  TextAreaFields& f = *TextAreaView(area);
  f.top_line = 100000;
  f.rows = 30000;
  f.columns = 30000;
  f.first_column = -7;
  Text(area).cursor_x = -300;
  Text(area).cursor_y = 32000;
  Text(area).tab_width = 0;
  Text(input).cursor_x = 30000;
  Text(input).cursor_y = -4;
  TextAreaView(input)->first_column = 500;

  const auto outside = [&] {
    std::vector<uint32_t> p;
    for (int y = 0; y < 240; ++y) {
      for (int x = 0; x < 320; ++x) {
        if (x < own.x || x > own.x + own.width || y < own.y || y > own.y + own.height) p.push_back(Pixel(x, y));
      }
    }
    return p;
  };
  const std::vector<uint32_t> before = outside();
  ChangeText(panel_, 5);
  Key(KEY_RIGHT);
  Key(KEY_DOWN);
  Type("Z");
  Key(KEY_BACKSPACE);
  Key(KEY_DELETE);
  Key(KEY_RETURN);
  Key(4);
  Key(3);
  Type("\t");
  EXPECT_EQ(before, outside());
  EXPECT_EQ(TextLength(TextOf(area)), static_cast<int32_t>(Content(area).size()));
  EXPECT_LE(TextAreaView(area)->top_line, Text(area).max_line);

  ClickCell(input, 0);
  Type("k");
  EXPECT_EQ(Content(input), "k");
  EXPECT_EQ(TextAreaView(input)->first_column, 0);
}

}  // namespace
}  // namespace vadu
