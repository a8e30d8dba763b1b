// A whole headless run of a small task with an input line and a text area:
// the input script clicks the input, types and corrects a line and submits
// it, then writes two lines into the text area, which takes the focus from
// the submitted input. Checked by what the task receives, by the texts the
// objects hold, and by the screenshot's pixels.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "host/run_engine.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/png.h"
#include "support/game_dir.h"
#include "support/headless_run.h"
#include "text/text.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

Handle g_panel = kNoHandle;
Handle g_area = kNoHandle;
Handle g_input = kNoHandle;
std::vector<std::string> g_received;
std::string g_area_text, g_input_text;

std::string TextOf(Handle object) {
  const ObjectRecord* o = ObjectView(object);
  if (o == nullptr) return "";
  std::string s(4096, '\0');
  s.resize(static_cast<size_t>(std::max(CopyText(o->data, s.data(), s.size()), 0)));
  return s;
}

// The task: 'o' opens its panel (text area 1 with keyword colouring at
// (10, 40), input 2 for 20 characters at (10, 10)); it keeps every text
// sent to it and what its objects hold.
Handle CreateEditDemo() {
  const Handle task = CreateTask("EditDemo", 0, 0);
  InitTaskEvents(task);
  g_panel = CreateWindow(task, kNoHandle, 280, 180, WINDOWcontrolbar | WINDOWtitle);
  SetWindowName(g_panel, "Editor");
  const Handle text = CreateText(task, "notes", 0);
  g_area = CreateTextArea(text, g_panel, 10, 40, 24 * 8 + 4, 4 * 16 + 4, 1, kTextKeywords);
  g_input = CreateMessageLine(g_panel, 2, 10, 10, 20, task);
  g_received.clear();
  return task;
}

void EditDemoStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  if (code == kEventReqDraw) {
    RetDrawEvent(task, GetU32(e + WindowEventAt::kWindow));
  } else if (code == kEventString) {
    g_received.emplace_back(reinterpret_cast<const char*>(e + StringEventAt::kText));
  } else if (code == kEventKey && e[KeyEventAt::kText] == 'o' && TestWindowMode(g_panel, WINDOWopen) == 0) {
    SendWindowRequest(task, g_panel, 20, 40);
  }
  g_area_text = TextOf(g_area);
  g_input_text = TextOf(g_input);
}

class HeadlessTextTest : public test::GameDirTest {};

TEST_F(HeadlessTextTest, APlayerTypesCorrectsAndSubmitsALineThenWritesIntoATextArea) {
  test::WriteFile("VADU.ini", test::SmallScreenIni());
  // The panel's content at (20, 40): the input's cells from (32, 52), the
  // text area's from (32, 82), each 8 x 16.
  // Typed characters reach the engine one at a time (about 20 ms each
  // here), so each line waits for its text to be taken. The script is
  // UTF-8 (the hiragana A is written as its bytes).
  test::WriteFile("input.script",
                  "wait 500\nkey o\nwait 300\n"
                  "click 44 60\nwait 100\n"
                  "text hello\nwait 300\nkey Backspace\nwait 100\ntext p!\nwait 300\nshot typed.png\n"
                  "key Return\nwait 300\n"
                  "text int main;\nwait 500\nkey Return\nwait 100\ntext char \xE3\x81\x82\nwait 500\nshot edit.png\n");
  ASSERT_EQ(test::RunSmallScreen(dir(), {.create = CreateEditDemo, .step = EditDemoStep}), kExitOk);

  ASSERT_EQ(g_received.size(), 1u);
  EXPECT_EQ(g_received[0], "hellp!");
  EXPECT_EQ(g_input_text, "hellp!");
  EXPECT_EQ(g_area_text, "int main;\nchar あ");

  const uint32_t face = ColourTable[17], light = ColourTable[18], shadow = ColourTable[19];
  struct Shot : test::Shot {
    // Whether any pixel of the 8 x 16 cell at (x, y) is tinted blue (the
    // keyword colour), or is a grey darker than the face (the text colour).
    bool Tinted(int x, int y, bool blue) const {
      for (int py = y; py < y + 16; ++py) {
        for (int px = x; px < x + 8; ++px) {
          const uint32_t p = At(px, py);
          const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
          if (blue ? (b > r + 40 && b > g + 40) : (r == g && g == b && r < 0x60)) return true;
        }
      }
      return false;
    }
  };
  const auto read = [](const std::string& name) { return Shot{test::ReadShot(name)}; };
  // While typing: the six characters in the input, its cursor after them.
  const Shot typed = read("typed.png");
  for (int col = 0; col < 6; ++col) EXPECT_TRUE(typed.Tinted(32 + 8 * col, 52, false)) << col;
  const uint32_t cursor = typed.At(32 + 8 * 6, 52);
  EXPECT_TRUE(cursor == shadow || cursor == light);
  EXPECT_FALSE(typed.Tinted(32 + 8 * 7, 52, false));

  // After: the input let go of its cursor (light); in the text area the
  // keywords are blue, the rest in the text colour, the cursor after あ.
  const Shot edit = read("edit.png");
  EXPECT_EQ(edit.At(32 + 8 * 6, 52), light);
  for (int col = 0; col < 3; ++col) EXPECT_TRUE(edit.Tinted(32 + 8 * col, 82, true)) << col;
  for (int col = 4; col < 9; ++col) EXPECT_FALSE(edit.Tinted(32 + 8 * col, 82, true)) << col;
  EXPECT_TRUE(edit.Tinted(32 + 8 * 4, 82, false));
  for (int col = 0; col < 4; ++col) EXPECT_TRUE(edit.Tinted(32 + 8 * col, 98, true)) << col;
  EXPECT_TRUE(edit.Tinted(32 + 8 * 5, 98, false));  // あ
  const uint32_t area_cursor = edit.At(32 + 8 * 7, 98);
  EXPECT_TRUE(area_cursor == shadow || area_cursor == light);
  EXPECT_EQ(edit.At(32 + 8 * 8, 98), face);
}

}  // namespace
}  // namespace vadu
