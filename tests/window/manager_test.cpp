// The window manager on a running engine: depths and drawability, redraw
// motions with an owner that answers, exclusive windows, the backing store,
// moves, the active window, the window list and destruction. Screen checks
// are pixel checks of the framebuffer.
#include "window/manager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/state.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "window/backing_store.h"
#include "window/decorations.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

using test::Pixel;

const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);
const uint32_t kBlue = MakeColour(0, 0, 200);
constexpr uint32_t kBlack = 0;

class WindowManagerTest : public test::WindowTest {
 protected:
  std::vector<std::string> Log() const { return test::ReadLines("SenELOG.dat"); }
  bool Logged(const std::string& line) const {
    const auto log = Log();
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  int Depth(Handle w) const { return WindowView(w)->depth; }
  bool Drawable(Handle w) const { return TestWindowMode(w, WINDOWdrawable) != 0; }
};

TEST_F(WindowManagerTest, DepthAndDrawabilityOfOverlappingAndTouchingWindows) {
  const Handle a = Window("A", 10, 10, 50, 50, 0, kRed);
  const Handle b = Window("B", 40, 40, 50, 50, 0, kGreen);
  EXPECT_EQ(Depth(b), 1);
  EXPECT_TRUE(Drawable(b));
  EXPECT_EQ(Depth(a), 2);
  EXPECT_FALSE(Drawable(a));
  EXPECT_EQ(Pixel(15, 15), kRed);
  EXPECT_EQ(Pixel(50, 50), kGreen);
  // A covered window draws nothing.
  WinFill(a, kBlue);
  EXPECT_EQ(Pixel(15, 15), kRed);

  // Outer rectangles that only touch overlap: C's left edge is B's right.
  const Handle c = Window("C", 90, 40, 30, 30, 0, kBlue);
  EXPECT_TRUE(WindowsOverlap(b, c));
  EXPECT_EQ(Depth(c), 1);
  EXPECT_EQ(Depth(b), 2);
  EXPECT_EQ(Depth(a), 3);
  const Handle d = Window("D", 200, 150, 20, 20, 0, kBlue);
  EXPECT_FALSE(WindowsOverlap(c, d));
  EXPECT_EQ(Depth(d), 1);
  EXPECT_EQ(Depth(c), 1);
  EXPECT_EQ(OpenWindowCount(), 4);
}

TEST_F(WindowManagerTest, ClosingRedrawsTheWindowsBelowBottomToTop) {
  const Handle a = Window("A", 10, 10, 100, 100, 0, kRed);
  const Handle b = Window("B", 50, 50, 100, 100, 0, kGreen);
  const Handle c = Window("C", 30, 30, 60, 60, 0, kBlue);
  EXPECT_EQ(Pixel(60, 60), kBlue);
  owner_log().Clear();
  Close(c);
  ASSERT_EQ(owner_log().draws, (std::vector<Handle>{a, b}));
  EXPECT_TRUE(Logged("\t redraw request A WindowOwner"));
  EXPECT_TRUE(Logged("\t redraw request B WindowOwner"));
  EXPECT_TRUE(Logged("redraw motion end"));
  EXPECT_FALSE(HasFlag(REDRAW_MOTION));
  EXPECT_EQ(Pixel(35, 35), kRed);
  EXPECT_EQ(Pixel(60, 60), kGreen);
  EXPECT_EQ(ActiveWindow(), b);
  EXPECT_EQ(Depth(b), 1);
  EXPECT_TRUE(Drawable(b));
  EXPECT_EQ(Depth(c), 0);
  EXPECT_EQ(TestWindowMode(c, WINDOWopen | WINDOWdrawable | WINDOWredraw), 0u);
}

TEST_F(WindowManagerTest, OneExclusiveWindowAtATime) {
  const Handle e1 = Window("E1", 10, 10, 50, 50, WINDOWexclusive, kRed);
  const Handle e2 = Window("E2", 100, 100, 50, 50, WINDOWexclusive, kGreen);
  EXPECT_NE(TestWindowMode(e1, WINDOWopen), 0u);
  EXPECT_EQ(TestWindowMode(e2, WINDOWopen), 0u);
  EXPECT_TRUE(HasFlag(EXCLUSIVE_WINDOW));
  Close(e1);
  EXPECT_FALSE(HasFlag(EXCLUSIVE_WINDOW));
  Open(e2, 100, 100);
  EXPECT_NE(TestWindowMode(e2, WINDOWopen), 0u);
  EXPECT_EQ(Pixel(110, 110), kGreen);
}

TEST_F(WindowManagerTest, BackingStoreGivesBackTheExactPixelsBelow) {
  // A pattern under where the window will be.
  for (int y = 40; y < 140; y += 3) FillBox(20, static_cast<int16_t>(y), 200, 0, MakeColour(10, y, 255 - y));
  const std::vector<uint32_t> before = Screen().Snapshot();
  const Handle w = Window("Store", 50, 80, 80, 40, WINDOWcontrolbar | WINDOWtitle | WINDOWframe, kBlue, /*open=*/false);
  ASSERT_EQ(BackingStore(w), 0);
  EXPECT_NE(TestWindowMode(w, WINDOWbackingstore), 0u);
  Open(w, 50, 80);
  EXPECT_EQ(Pixel(60, 90), kBlue);
  // What lies below changes meanwhile: the picture taken at drawing is what
  // comes back.
  FillBox(0, 0, 319, 239, MakeColour(1, 2, 3));
  owner_log().Clear();
  Close(w);
  EXPECT_TRUE(owner_log().draws.empty());
  const ScreenRect outer = OuterRect(w);
  const std::vector<uint32_t> after = Screen().Snapshot();
  for (int y = outer.y; y <= outer.y + outer.height; ++y) {
    for (int x = outer.x; x <= outer.x + outer.width; ++x) {
      ASSERT_EQ(after[y * 320 + x], before[y * 320 + x]) << x << "," << y;
    }
  }
  // Outside the picture the later fill stays.
  EXPECT_EQ(Pixel(outer.x - 1, outer.y - 1), MakeColour(1, 2, 3));
}

TEST_F(WindowManagerTest, ABackingStoreThatCannotBeMadeFallsBackToClearing) {
  const Handle w = Window("NoStore", 50, 50, 40, 40, 0, kBlue, /*open=*/false);
  SetWindowMode(w, WINDOWbackingstore);  // asked for, but no picture
  Open(w, 50, 50);
  Close(w);
  EXPECT_TRUE(Logged("ERROR RestorWindowGraphic()  save_graphic is NULL"));
  EXPECT_EQ(Pixel(60, 60), kBlack);  // cleared to the root's colour
}

TEST_F(WindowManagerTest, MovingDrawsDirectlyOrRedrawsWhatWasCovered) {
  const auto motions = [this] {
    const auto log = Log();
    return std::count(log.begin(), log.end(), "redraw motion end");
  };
  const Handle w = Window("W", 10, 10, 40, 40, 0, kRed);
  owner_log().Clear();
  const auto before = motions();
  Move(w, 100, 100);
  EXPECT_EQ(owner_log().draws, std::vector<Handle>{w});
  EXPECT_EQ(motions(), before);
  EXPECT_EQ(Pixel(20, 20), kBlack);
  EXPECT_EQ(Pixel(110, 110), kRed);
  EXPECT_EQ(owner_log().Of(kEventWindowMoved).size(), 1u);

  // Over another window: what it covered is redrawn by a motion.
  const Handle a = Window("A", 150, 150, 60, 60, 0, kGreen);
  Move(w, 160, 160);
  EXPECT_EQ(Pixel(165, 165), kRed);
  owner_log().Clear();
  const auto before_overlap = motions();
  Move(w, 10, 10);
  EXPECT_EQ(motions(), before_overlap + 1);
  EXPECT_NE(std::find(owner_log().draws.begin(), owner_log().draws.end(), a), owner_log().draws.end());
  EXPECT_EQ(Pixel(165, 165), kGreen);
  EXPECT_EQ(Pixel(20, 20), kRed);
}

TEST_F(WindowManagerTest, ClosingTheLastWindowKeepsItActiveUntilTheNextActivation) {
  const Handle w = Window("Last", 10, 10, 40, 40, 0, kRed);
  Close(w);
  EXPECT_EQ(ActiveWindow(), w);
  EXPECT_EQ(owner_log().Of(kEventWindowClosed).size(), 1u);
  EXPECT_EQ(Pixel(20, 20), kBlack);
  owner_log().Clear();
  const Handle n = Window("Next", 100, 100, 40, 40, 0, kGreen);
  const auto deactivated = owner_log().Of(kEventWindowDeactivated);
  ASSERT_EQ(deactivated.size(), 1u);
  EXPECT_EQ(deactivated[0].window, w);
  EXPECT_EQ(ActiveWindow(), n);
  // A second close of a closed window changes nothing.
  Close(w);
  EXPECT_EQ(OpenWindowCount(), 1);
}

TEST_F(WindowManagerTest, DecorationsOfTheTitleBar) {
  const uint32_t mode = WINDOWcontrolbar | WINDOWtitle | WINDOWclosebox | WINDOWresizebox;
  const Handle w = Window("Deco", 60, 60, 200, 50, mode, kBlue);
  const ScreenRect c = ContentRect(w);
  const int bar = TopBarY(w);
  EXPECT_EQ(bar, c.y - 18);
  const GCRecord* active = GCView(ActiveGC());
  // The bar's face, away from the boxes and the title.
  EXPECT_EQ(Pixel(c.x + 20, bar + 9), active->face);
  // The close box's diagonal, and the title box's white (15 half-widths of
  // 8 pixels, centred: from c.x + 40).
  EXPECT_EQ(Pixel(c.x + 7, bar + 2 + 7), kBlack);
  EXPECT_EQ(Pixel(c.x + 41, bar + 4), ColourTable[1]);
  EXPECT_NE(Pixel(c.x + 39, bar + 4), ColourTable[1]);
  // The content is the owner's.
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), kBlue);

  // Another window becomes active: this one's bar takes the normal colours.
  Window("Other", 10, 150, 40, 40, 0, kRed);
  EXPECT_EQ(Pixel(c.x + 20, bar + 9), GCView(SystemGC())->face);
}

TEST_F(WindowManagerTest, TitlesLongerThanFifteenBytesAreCut) {
  char out[32];
  TitleText("Fifteen bytes..", out, sizeof out);
  EXPECT_STREQ(out, "Fifteen bytes..");
  TitleText("ABCDEFGHIJKLMNOP", out, sizeof out);
  EXPECT_STREQ(out, "ABCDEFGHIJKLM..");
  // A two-byte character across the cut is not split.
  TitleText("abcdefghijkl\x82\xA0xyz", out, sizeof out);
  EXPECT_STREQ(out, "abcdefghijkl..");
}

TEST_F(WindowManagerTest, TheWindowListShowsEachWindowAfterItsDescendants) {
  const Handle parent = Window("Parent", 10, 10, 100, 100, 0, kRed);
  const Handle child = CreateWindow(owner(), parent, 20, 20, WINDOWshow | WINDOWobject);
  SetWindowName(child, "Child");
  DumpWindowList();
  const auto log = Log();
  const auto find = [&log](const std::string& prefix) {
    return std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  };
  const auto root_line = find("SYSTEM ROOT\t\t Depth 1:");
  const auto child_line = find("\tChild(WindowOwner)");
  const auto parent_line = find("Parent(WindowOwner)\t\t\t Depth 1:");
  ASSERT_NE(root_line, log.end());
  ASSERT_NE(child_line, log.end());
  ASSERT_NE(parent_line, log.end());
  EXPECT_LT(root_line, child_line);
  EXPECT_LT(child_line, parent_line);
  EXPECT_EQ(*(child_line + 1), "     ｳｲﾝﾄﾞｳ SHOW．");
  EXPECT_EQ(*(parent_line + 1), "     ｳｲﾝﾄﾞｳ OPEN．");
  EXPECT_EQ(*(parent_line + 2), "     ｳｲﾝﾄﾞｳは描画可能です．");
  EXPECT_EQ(*(parent_line + 3), "     アクティブ状態．");
}

TEST_F(WindowManagerTest, DestroyingTheRootIsRefusedAndTheActiveWindowIsForgotten) {
  DestroyWindow(RootWindow());
  EXPECT_TRUE(Logged("root window を削除しようとしています"));
  EXPECT_NE(WindowView(RootWindow()), nullptr);
  const Handle a = Window("A", 10, 10, 40, 40, 0, kRed);
  const Handle b = Window("B", 100, 10, 40, 40, 0, kGreen);
  ASSERT_EQ(ActiveWindow(), b);
  DestroyWindow(b);
  EXPECT_TRUE(Logged("!!! DestroyWindow Warning !!!"));
  EXPECT_EQ(ActiveWindow(), kNoHandle);
  EXPECT_EQ(WindowView(b), nullptr);
  // The tree is whole: A is the root's top child again, and the chain
  // reads the same both ways without B.
  EXPECT_EQ(WindowView(RootWindow())->last_child, a);
  EXPECT_EQ(WindowView(a)->next, kNoHandle);
  std::vector<Handle> forward, backward;
  for (Handle c = WindowView(RootWindow())->first_child; c != kNoHandle; c = WindowView(c)->next) forward.push_back(c);
  for (Handle c = WindowView(RootWindow())->last_child; c != kNoHandle; c = WindowView(c)->back) backward.push_back(c);
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(forward, backward);
  EXPECT_EQ(std::count(forward.begin(), forward.end(), b), 0);
}

TEST_F(WindowManagerTest, RedrawAllRepaintsEveryOpenWindow) {
  const Handle a = Window("A", 10, 10, 100, 100, 0, kRed);
  const Handle b = Window("B", 50, 50, 100, 100, 0, kGreen);
  FillBox(0, 0, 319, 239, kBlack);
  owner_log().Clear();
  redraw_all();
  Settle();
  EXPECT_EQ(owner_log().draws, (std::vector<Handle>{a, b}));
  EXPECT_EQ(Pixel(20, 20), kRed);
  EXPECT_EQ(Pixel(100, 100), kGreen);
}

TEST_F(WindowManagerTest, AHostRepaintRedrawsTheWindowsAndASuspendIsLogged) {
  const Handle a = Window("A", 10, 10, 60, 60, 0, kRed);
  FillBox(0, 0, 319, 239, kBlack);  // the host lost the picture
  owner_log().Clear();
  HostRequestRepaint();
  HostNotePowerEvent();
  Settle();
  EXPECT_TRUE(Logged("TARN window redraw call for WINDOWS"));
  EXPECT_TRUE(Logged("Windows Power Off or Resume"));
  EXPECT_EQ(owner_log().draws, std::vector<Handle>{a});
  EXPECT_EQ(Pixel(20, 20), kRed);
}

TEST_F(WindowManagerTest, ResizingABackedWindowRenewsItsPicture) {
  const Handle w = Window("Grow", 40, 40, 50, 30, WINDOWcontrolbar, kBlue, /*open=*/false);
  const int pictures = Attr(SystemResource("Graphic VRAM"))->active_count;
  ASSERT_EQ(BackingStore(w), 0);
  const Handle first = WindowView(w)->save_graphic;
  ASSERT_NE(first, kNoHandle);
  EXPECT_EQ(GraphicView(first)->width, 51);
  EXPECT_EQ(GraphicView(first)->height, 49);  // 30 + 18 + 1
  ResizeWindowBy(w, 20, 10);
  const Handle second = WindowView(w)->save_graphic;
  ASSERT_NE(second, kNoHandle);
  EXPECT_EQ(GraphicView(second)->width, 71);
  EXPECT_EQ(GraphicView(second)->height, 59);
  // The old picture was freed, not kept beside the new one.
  EXPECT_EQ(Attr(SystemResource("Graphic VRAM"))->active_count, pictures + 1);
}

TEST_F(WindowManagerTest, AMotionOverManyOverlappingWindowsDrawsEachOnceBottomToTop) {
  std::vector<Handle> windows;
  for (int i = 0; i < 10; ++i) {
    windows.push_back(Window(("W" + std::to_string(i)).c_str(), static_cast<int16_t>(10 + 12 * i),
                             static_cast<int16_t>(20 + 8 * i), 120, 80, WINDOWcontrolbar | WINDOWtitle | WINDOWframe,
                             MakeColour(static_cast<uint8_t>(20 * i), 100, 50)));
  }
  EXPECT_EQ(OpenWindowCount(), 10);
  owner_log().Clear();
  redraw_all();
  Settle();
  EXPECT_EQ(owner_log().draws, windows);
  EXPECT_EQ(Pixel(12, 22), MakeColour(0, 100, 50));      // the bottom one's corner
  EXPECT_EQ(Pixel(150, 110), MakeColour(180, 100, 50));  // the top one
}

}  // namespace
}  // namespace vadu
