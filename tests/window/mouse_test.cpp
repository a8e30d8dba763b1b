// The mouse in the window system, driven as a player would: presses,
// releases and pointer moves at moments of engine time, while WindowTask
// polls (each read sleeps 10 ms). Boxes, drags, strict hit tests,
// activation, exclusive windows and the mouse capture.
#include "window/mouse.h"

#include <gtest/gtest.h>

#include "core/state.h"
#include "kernel/event.h"
#include "kernel/key_task.h"
#include "kernel/task.h"
#include "platform/framebuffer.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "window/manager.h"
#include "window/window.h"

namespace vadu {
namespace {

const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);
constexpr uint32_t kTitled = WINDOWcontrolbar | WINDOWtitle | WINDOWclosebox | WINDOWresizebox;

class MouseTest : public test::WindowTest {};

TEST_F(MouseTest, TheCloseBoxClosesOnlyWhenReleasedOnIt) {
  const Handle w = Window("Boxed", 50, 60, 150, 80, kTitled, kRed);
  const ScreenRect c = ContentRect(w);
  const int box_y = TopBarY(w) + 2 + 7;
  // Pressed on the box, moved off it before the release: still open.
  HostSetPointer(c.x + 7, box_y);
  HostSetButton(1);
  clock_.At(30, [&] { HostSetPointer(c.x + 60, box_y + 40); });
  clock_.At(60, [] { HostSetButton(0); });
  Settle();
  EXPECT_NE(TestWindowMode(w, WINDOWopen), 0u);
  // Pressed and released on it: closed.
  Click(c.x + 7, box_y);
  EXPECT_EQ(TestWindowMode(w, WINDOWopen), 0u);
  EXPECT_EQ(owner_log().Of(kEventWindowClosed).size(), 1u);
}

TEST_F(MouseTest, DraggingTheTitleBarMovesByTheDragDistance) {
  for (const uint32_t extra : {0u, static_cast<uint32_t>(WINDOWframe), static_cast<uint32_t>(WINDOWsubbar)}) {
    SCOPED_TRACE(extra);
    const Handle w = Window("Drag", 40, 60, 100, 60, WINDOWcontrolbar | extra, kRed);
    const ScreenRect before = ContentRect(w);
    const int grab_y = OuterRect(w).y + ((extra & WINDOWframe) != 0 ? 4 : 0) + 9;
    Drag(before.x + 50, grab_y, before.x + 80, grab_y + 20);
    const ScreenRect after = ContentRect(w);
    EXPECT_EQ(after.x, before.x + 30);
    EXPECT_EQ(after.y, before.y + 20);
    EXPECT_EQ(test::Pixel(after.x + 5, after.y + 5), kRed);
    Close(w);
  }
}

TEST_F(MouseTest, ADragThatEndsWhereItStartedChangesNothing) {
  const Handle w = Window("Still", 40, 60, 100, 60, kTitled, kRed);
  const ScreenRect before = ContentRect(w);
  owner_log().Clear();
  Drag(before.x + 50, before.y - 9, before.x + 50, before.y - 9);
  EXPECT_EQ(ContentRect(w).x, before.x);
  EXPECT_TRUE(owner_log().Of(kEventWindowMoved).empty());
}

TEST_F(MouseTest, TheResizeBoxResizesButNeverToNothing) {
  const Handle w = Window("Size", 40, 60, 100, 60, kTitled, kRed);
  const ScreenRect c = ContentRect(w);
  const int box_x = c.x + c.width - 7, box_y = TopBarY(w) + 2 + 7;
  Drag(box_x, box_y, box_x + 40, box_y + 30);
  EXPECT_EQ(WindowWidth(w), 140);
  EXPECT_EQ(WindowHeight(w), 90);
  EXPECT_EQ(owner_log().Of(kEventWindowResized).size(), 1u);
  // Far up and left: the window keeps its least size.
  Drag(box_x + 40, box_y, -500, -500);
  EXPECT_EQ(WindowWidth(w), kMinResizeWidth);
  EXPECT_EQ(WindowHeight(w), kMinResizeHeight);
}

TEST_F(MouseTest, ClicksInTheContentGoToTheOwnerRelativeToIt) {
  const Handle w = Window("Content", 40, 60, 100, 60, kTitled, kRed);
  const ScreenRect c = ContentRect(w);
  owner_log().Clear();
  Click(c.x + 12, c.y + 34);
  const auto reports = owner_log().Of(kEventMouse);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].window, w);
  EXPECT_EQ(reports[0].x, 12);
  EXPECT_EQ(reports[0].y, 34);
  EXPECT_EQ(reports[0].button, 1);
}

TEST_F(MouseTest, HitTestsAreStrict) {
  const Handle w = Window("Edges", 40, 60, 100, 60, 0, kRed);
  const ScreenRect c = ContentRect(w);
  EXPECT_EQ(PointInWindow(w, c.x, c.y + 5), 0);
  EXPECT_EQ(PointInWindow(w, c.x + 1, c.y + 5), 1);
  EXPECT_EQ(PointInWindow(w, c.x + c.width, c.y + 5), 0);
  owner_log().Clear();
  Click(c.x, c.y + 5);  // on the outer edge: no window is hit
  EXPECT_TRUE(owner_log().Of(kEventMouse).empty());
  Click(c.x + 1, c.y + 5);
  EXPECT_EQ(owner_log().Of(kEventMouse).size(), 1u);
}

TEST_F(MouseTest, AClickOnACoveredWindowOnlyBringsItUp) {
  const Handle a = Window("Below", 20, 20, 100, 100, 0, kRed);
  const Handle b = Window("Above", 60, 60, 100, 100, 0, kGreen);
  ASSERT_EQ(WindowView(a)->depth, 2);
  owner_log().Clear();
  Click(30, 30);
  EXPECT_EQ(ActiveWindow(), a);
  EXPECT_EQ(WindowView(a)->depth, 1);
  EXPECT_EQ(WindowView(b)->depth, 2);
  EXPECT_TRUE(owner_log().Of(kEventMouse).empty());
  EXPECT_EQ(test::Pixel(80, 80), kRed);
}

TEST_F(MouseTest, WhileAnExclusiveWindowIsOpenOtherWindowsIgnoreClicks) {
  const Handle other = Window("Other", 20, 20, 60, 60, 0, kRed);
  Window("Modal", 150, 100, 60, 60, WINDOWexclusive, kGreen);
  owner_log().Clear();
  Click(40, 40);
  EXPECT_TRUE(owner_log().Of(kEventMouse).empty());
  EXPECT_NE(ActiveWindow(), other);
}

TEST_F(MouseTest, TheMouseCaptureTakesEveryPressWithoutAWindow) {
  Window("Any", 20, 20, 60, 60, 0, kRed);
  ASSERT_EQ(CaptureMouse(owner()), 1);
  owner_log().Clear();
  Click(30, 40);
  const auto reports = owner_log().Of(kEventMouse);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].window, kNoHandle);
  EXPECT_EQ(reports[0].x, 30);
  EXPECT_EQ(reports[0].y, 40);
  ReleaseMouse(owner());
}

}  // namespace
}  // namespace vadu
