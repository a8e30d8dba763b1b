// A whole headless run of a message typed out by the effect task: a small
// task opens a play window with a message area and asks for a two-page
// message; the input script lets the virtual clock run, clicks the area and
// takes screenshots, which are read back: the first page typed a character
// every eighth of a second, the second page shown on the click, and the end
// reported to the task.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/headless/headless_host.h"
#include "host/run_engine.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/framebuffer.h"
#include "platform/png.h"
#include "present/effect.h"
#include "support/game_dir.h"
#include "support/headless_run.h"
#include "window/draw.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

const uint32_t kWhite = MakeColour(255, 255, 255);
const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);

// The play window's content at (10, 10); the message area at (20, 20),
// 256 x 112 with 16-pixel characters: margins 16 and 8, 14 characters a
// line, 4 lines (56 characters) a page.
constexpr int kAreaX = 20, kAreaY = 20;
constexpr int kLeft = 16, kTop = 8, kCell = 16, kLineStep = 24, kPerLine = 14, kPerPage = 56;
constexpr int kSecondPage = 10;

std::string Blocks(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "■";
  return s;
}

// The task: 'o' opens the play window; once it is drawn the message is
// asked for. The end of the message lights a green lamp below the area.
struct Demo {
  Handle play = kNoHandle;
  Handle message = kNoHandle;
  bool requested = false;
  int ends = 0;
  int replaced = 0;
};
Demo g_demo;

void DrawLamp() {
  if (g_demo.ends > 0) WinFillRectangleColor(g_demo.play, 10, 150, 40, 20, kGreen);
}

Handle CreateMessageDemo() {
  const Handle task = CreateTask("MessageDemo", 0, 0);
  InitTaskEvents(task);
  g_demo = Demo{};
  g_demo.play = CreateWindow(task, kNoHandle, 300, 200, 0);
  SetWindowName(g_demo.play, "Play");
  const Handle gc = CreateGC(task, kWhite, 0, 0, 0);
  g_demo.message = CreateMessage(g_demo.play, 110, 10, 10, 256, 112, gc);
  // The first page in white; the second begins in red.
  SetMessageObject(g_demo.play, 110, (Blocks(kPerPage) + "<font_color PALETred>" + Blocks(kSecondPage)).c_str());
  return task;
}

void MessageDemoStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  if (code == kEventKey && e[KeyEventAt::kText] == 'o') {
    SendWindowRequest(task, g_demo.play, 10, 10);
  } else if (code == kEventReqDraw) {
    const Handle w = GetU32(e + WindowEventAt::kWindow);
    if (w == g_demo.play) DrawLamp();
    RetDrawEvent(task, w);
    if (w == g_demo.play && !g_demo.requested) {
      g_demo.requested = true;
      EffectRequest q;
      q.type = EFFECTtext;
      q.colour = kWhite;
      q.window = g_demo.play;
      q.object = g_demo.message;
      SendEffectRequest(TaskNumber(task), q);
    }
  } else if (code == kEventEffectEnded) {
    ++g_demo.ends;
    DrawLamp();
  } else if (code == kEventEffectReplaced) {
    ++g_demo.replaced;
  }
}

class HeadlessMessageTest : public test::GameDirTest {
 protected:
  struct Shot : test::Shot {
    // The area's darkened background, where no character ever goes.
    uint32_t Background() const { return At(kAreaX + 1, kAreaY + 100); }
    bool Inked(int x, int y, int w, int h) const {
      for (int yy = y; yy < y + h; ++yy) {
        for (int xx = x; xx < x + w; ++xx) {
          if (At(xx, yy) != Background()) return true;
        }
      }
      return false;
    }
    // Character k of a page: its cell.
    int CellX(int k) const { return kAreaX + kLeft + k % kPerLine * kCell; }
    int CellY(int k) const { return kAreaY + kTop + k / kPerLine * kLineStep; }
    bool Drawn(int k) const { return Inked(CellX(k), CellY(k), kCell, kCell); }
    uint32_t Core(int k) const { return At(CellX(k) + kCell / 2, CellY(k) + kCell / 2); }
    // How many characters of the page are drawn, counted from the first.
    int DrawnCount() const {
      int n = 0;
      while (n < kPerPage && Drawn(n)) ++n;
      return n;
    }
  };
  static Shot Read(const std::string& name) { return Shot{test::ReadShot(name)}; }
};

TEST_F(HeadlessMessageTest, ATwoPageMessageIsTypedThenTurnedByAClickAndItsEndReported) {
  test::WriteFile("VADU.ini", test::SmallScreenIni());
  // The window opens at 500 ms, on a tick; the shots are taken half way
  // between ticks: after 8 and 16 ticks, and once the first page (56
  // characters, 7 seconds) is full.
  test::WriteFile("input.script",
                  "wait 500\nkey o\n"
                  "wait 1060\nshot second1.png\n"
                  "wait 1000\nshot second2.png\n"
                  "wait 6000\nshot page1.png\n"
                  "click 100 60\nwait 300\nshot page2.png\n");
  ASSERT_EQ(test::RunSmallScreen(dir(), {.create = CreateMessageDemo, .step = MessageDemoStep}), kExitOk);

  // One character a tick, eight a second.
  const Shot second1 = Read("second1.png");
  EXPECT_EQ(second1.DrawnCount(), 8);
  EXPECT_FALSE(second1.Drawn(8));
  EXPECT_EQ(second1.Core(0), kWhite);
  const Shot second2 = Read("second2.png");
  EXPECT_EQ(second2.DrawnCount(), 16);
  EXPECT_FALSE(second2.Drawn(16));

  // The whole first page; the second waits for the press, and no end yet.
  const Shot page1 = Read("page1.png");
  EXPECT_EQ(page1.DrawnCount(), kPerPage);
  EXPECT_EQ(page1.Core(0), kWhite);
  EXPECT_EQ(page1.Core(kPerPage - 1), kWhite);
  EXPECT_NE(page1.At(30, 170), kGreen);

  // The click shows the second page at once, and its end is reported.
  const Shot page2 = Read("page2.png");
  EXPECT_EQ(page2.DrawnCount(), kSecondPage);
  EXPECT_EQ(page2.Core(0), kRed);
  EXPECT_EQ(page2.Core(kSecondPage - 1), kRed);
  EXPECT_EQ(page2.At(30, 170), kGreen);
  EXPECT_EQ(g_demo.ends, 1);
  EXPECT_EQ(g_demo.replaced, 0);
  bool logged = false;
  for (const std::string& line : test::ReadLines("SenELOG.dat")) logged = logged || line == "ret_effect event 1285";
  EXPECT_TRUE(logged);
}

}  // namespace
}  // namespace vadu
