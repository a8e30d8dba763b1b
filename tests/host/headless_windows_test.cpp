// A whole headless run with a small task of windows: the headless host runs
// the engine thread on the virtual clock, an input script types the task's
// commands and clicks, and its screenshots are read back and checked by
// pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "host/run_engine.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/png.h"
#include "support/game_dir.h"
#include "support/headless_run.h"
#include "window/draw.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);
constexpr uint32_t kBlack = 0;
constexpr uint32_t kMode = WINDOWcontrolbar | WINDOWtitle | WINDOWclosebox | WINDOWresizebox;

// The task: 'o' opens the next of its two windows, 'm' moves the second,
// 'c' closes the first; it draws each window in its colour when asked, and
// when told a window was resized.
Handle g_windows[2] = {};
int g_opened = 0;

Handle CreateDemo() {
  const Handle task = CreateTask("WindowDemo", 0, 0);
  InitTaskEvents(task);
  g_windows[0] = CreateWindow(task, kNoHandle, 120, 80, kMode);
  g_windows[1] = CreateWindow(task, kNoHandle, 120, 80, kMode);
  SetWindowName(g_windows[0], "First");
  SetWindowName(g_windows[1], "Second");
  g_opened = 0;
  return task;
}

void DemoStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  if (code == kEventReqDraw || code == kEventWindowResized) {
    // Asked to draw, or told its window has a new size: it draws anew.
    const Handle w = GetU32(e + WindowEventAt::kWindow);
    WinFill(w, w == g_windows[0] ? kRed : kGreen);
    if (code == kEventReqDraw) RetDrawEvent(task, w);
  } else if (code == kEventKey) {
    const char key = static_cast<char>(e[KeyEventAt::kText]);
    if (key == 'o' && g_opened < 2) {
      SendWindowRequest(task, g_windows[g_opened], static_cast<int16_t>(20 + 60 * g_opened),
                        static_cast<int16_t>(40 + 40 * g_opened));
      ++g_opened;
    } else if (key == 'm') {
      const Handle ev = PostEvent(TaskNumber(task), kTaskWindow, kEventWindowMoved);
      uint8_t* b = EventBytes(ev);
      PutI16(b + WindowPlaceAt::kX, 180);
      PutI16(b + WindowPlaceAt::kY, 140);
      PutU32(b + WindowPlaceAt::kWindow, g_windows[1]);
    } else if (key == 'c') {
      SendWindowRequest1(task, g_windows[0]);
    }
  }
}

// A panel of buttons: 'o' opens it; a press on its "Go" button makes the
// task light a green lamp in the panel (and draw it whenever asked).
Handle g_panel = kNoHandle;
bool g_lamp = false;
constexpr int16_t kGoButton = 3;

void DrawLamp() {
  if (g_lamp) WinFillRectangleColor(g_panel, 120, 60, 60, 40, kGreen);
}

Handle CreatePanelDemo() {
  const Handle task = CreateTask("PanelDemo", 0, 0);
  InitTaskEvents(task);
  g_panel = CreateWindow(task, kNoHandle, 200, 120, kMode);
  SetWindowName(g_panel, "Panel");
  CreateButton(g_panel, 1, 10, 10, 40, 30);
  CreateCheckButton(g_panel, 2, 70, 15);
  CreateMessageButton(g_panel, kGoButton, 10, 60, "Go");
  g_lamp = false;
  return task;
}

void PanelDemoStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  if (code == kEventReqDraw) {
    const Handle w = GetU32(e + WindowEventAt::kWindow);
    if (w == g_panel) DrawLamp();
    RetDrawEvent(task, w);
  } else if (code == kEventObjectClicked) {
    if (GetI16(e + ObjectClickedAt::kNumber) == kGoButton && GetU32(e + ObjectClickedAt::kWindow) == g_panel) {
      g_lamp = true;
      DrawLamp();
    }
  } else if (code == kEventKey && e[KeyEventAt::kText] == 'o') {
    SendWindowRequest(task, g_panel, 40, 40);
  }
}

class HeadlessWindowsTest : public test::GameDirTest {
 protected:
  using Shot = test::Shot;
  // The demo task in a headless run of input.script on the virtual clock,
  // screenshots into the game directory.
  int RunDemo(const ApplicationHooks& demo = {.create = CreateDemo, .step = DemoStep}) {
    return test::RunSmallScreen(dir(), demo);
  }
  static Shot Read(const std::string& name) { return test::ReadShot(name); }
};

TEST_F(HeadlessWindowsTest, ATaskOpensOverlapsMovesAndClosesWindows) {
  test::WriteFile("VADU.ini", test::SmallScreenIni("START_PROGRAM TASKall\n"));
  // The second window, once moved to (180, 140): its title bar starts 18
  // rows above the content, the close box 2 rows below the bar's top.
  test::WriteFile("input.script",
                  "wait 500\n"
                  "key o\nwait 300\nkey o\nwait 300\nshot overlap.png\n"
                  "key m\nwait 300\nshot moved.png\n"
                  "key c\nwait 300\nshot closed.png\n"
                  "click 187 131\nwait 300\nshot none.png\n");
  ASSERT_EQ(RunDemo(), kExitOk);

  // Two windows, the second over the first.
  const Shot overlap = Read("overlap.png");
  EXPECT_EQ(overlap.At(30, 50), kRed);
  EXPECT_EQ(overlap.At(130, 110), kGreen);  // where they overlap: the second
  EXPECT_EQ(overlap.At(300, 10), kBlack);
  // Moved away: what it covered of the first is red again.
  const Shot moved = Read("moved.png");
  EXPECT_EQ(moved.At(130, 110), kRed);
  EXPECT_EQ(moved.At(190, 150), kGreen);
  // The first closed: its area is the root's.
  const Shot closed = Read("closed.png");
  EXPECT_EQ(closed.At(30, 50), kBlack);
  EXPECT_EQ(closed.At(190, 150), kGreen);
  // Its close box clicked: the second is gone too.
  const Shot none = Read("none.png");
  EXPECT_EQ(none.At(190, 150), kBlack);
}

// The player's mouse through the input script: the title bar dragged by a
// distance, the resize box dragged, then the close box clicked.
TEST_F(HeadlessWindowsTest, ScriptedMouseMovesResizesAndClosesAWindow) {
  test::WriteFile("VADU.ini", test::SmallScreenIni());
  // The first window opens with its content at (20, 40): its title bar
  // spans rows 22-39. Dragged from (80, 30) to (130, 70): content at (70, 80).
  // Its resize box (now at x 176-190, rows 64-78) dragged by (+30, +20).
  test::WriteFile("input.script",
                  "wait 500\nkey o\nwait 300\n"
                  "down 80 30\nwait 50\nmove 100 50\nwait 50\nmove 130 70\nwait 50\nup\nwait 300\n"
                  "shot dragged.png\n"
                  "down 183 71\nwait 50\nmove 213 91\nwait 50\nup\nwait 300\nshot resized.png\n"
                  "click 77 71\nwait 300\nshot closed.png\n");
  ASSERT_EQ(RunDemo(), kExitOk);

  const Shot dragged = Read("dragged.png");
  EXPECT_EQ(dragged.At(25, 45), kBlack);   // where it was, to its last
  EXPECT_EQ(dragged.At(140, 60), kBlack);  // column and row
  EXPECT_EQ(dragged.At(60, 120), kBlack);
  EXPECT_EQ(dragged.At(71, 81), kRed);    // its new top-left corner
  EXPECT_EQ(dragged.At(189, 159), kRed);  // and bottom-right (120 x 80)
  EXPECT_EQ(dragged.At(191, 161), kBlack);
  const Shot resized = Read("resized.png");
  EXPECT_EQ(resized.At(219, 179), kRed);  // 150 x 100 now
  EXPECT_EQ(resized.At(221, 181), kBlack);
  const Shot closed = Read("closed.png");
  EXPECT_EQ(closed.At(100, 100), kBlack);
}

// The player's clicks on a panel of buttons: a button stays pressed, a
// check box is ticked, and a push button is pressed while held, rises on
// release and tells its task, which answers on screen.
TEST_F(HeadlessWindowsTest, ScriptedClicksPressToggleAndReportButtons) {
  test::WriteFile("VADU.ini", test::SmallScreenIni());
  // The panel's content at (40, 40): the button at (50, 50) 40 x 30, the
  // check box at (110, 55) 12 x 12, "Go" at (50, 100) 42 x 26, the lamp at
  // (160, 100).
  test::WriteFile("input.script",
                  "wait 500\nkey o\nwait 300\nshot before.png\n"
                  "click 70 65\nwait 200\nclick 116 61\nwait 200\n"
                  "down 71 113\nwait 100\nshot held.png\nup\nwait 300\nshot after.png\n");
  ASSERT_EQ(RunDemo({.create = CreatePanelDemo, .step = PanelDemoStep}), kExitOk);

  // The system gc: face 17, light 18, shadow 19 of the colour table, text 0.
  const uint32_t face = ColourTable[17], light = ColourTable[18], shadow = ColourTable[19];
  ASSERT_NE(light, shadow);
  const Shot before = Read("before.png");
  EXPECT_EQ(before.At(50, 50), light);  // raised
  EXPECT_EQ(before.At(90, 80), shadow);
  EXPECT_EQ(before.At(113, 62), face);  // no tick
  EXPECT_EQ(before.At(50, 100), light);
  EXPECT_EQ(before.At(170, 110), face);  // no lamp
  const Shot held = Read("held.png");
  EXPECT_EQ(held.At(50, 50), shadow);   // the button stays in
  EXPECT_EQ(held.At(113, 62), kBlack);  // ticked
  EXPECT_EQ(held.At(50, 100), shadow);  // "Go" pressed while held
  EXPECT_EQ(held.At(170, 110), face);
  const Shot after = Read("after.png");
  EXPECT_EQ(after.At(50, 100), light);  // and up again
  EXPECT_EQ(after.At(170, 110), kGreen);
  EXPECT_EQ(after.At(50, 50), shadow);
}

}  // namespace
}  // namespace vadu
