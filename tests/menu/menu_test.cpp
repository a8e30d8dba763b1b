// Menus: the record and its rows, drawing (cuts, disabled rows), and the menu
// task on a running engine: the system menu on a right click on the
// background, placement inside the screen, and what choosing a row does.
#include "menu/menu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/state.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "menu/menu_task.h"
#include "platform/device.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

class MenuTest : public test::WindowTest {
 protected:
  // A screen the pop-up menu window (138 x 293 with 16-pixel fonts) fits.
  std::string Ini() const override {
    return "TRACE ON\nLOOP_EXIT ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\nUSE_COLOR 3\n"
           "BACKSCREEN_COLOR 0\nFONT_SIZEX 16\nFONT_SIZEY 16\nSCREEN_SIZEX 640\nSCREEN_SIZEY 480\n";
  }
  std::vector<std::string> Log() const { return test::ReadLines("SenELOG.dat"); }
  bool Logged(const std::string& prefix) const {
    const auto log = Log();
    return std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
  }
  // Presses the right button at (x, y) and holds it while the menu opens.
  void RightPress(int x, int y) {
    HostSetPointer(x, y);
    HostSetButton(2);
    Settle();
  }
  // The screen y of the middle of a row of the open pop-up menu.
  static int RowY(int row) {
    const Handle popup = PopupMenuWindow();
    return ContentRect(popup).y + row * MenuRowHeight(popup) + MenuRowHeight(popup) / 2;
  }
  // Moves onto a row and lets go there.
  void ReleaseOnRow(int row) {
    HostSetPointer(ContentRect(PopupMenuWindow()).x + 20, RowY(row));
    Settle();
    HostSetButton(0);
    Settle();
  }
};

TEST_F(MenuTest, RecordsKeepTheirRowsInBounds) {
  const Handle menu = CreateMenu(owner(), 3);
  ASSERT_NE(menu, kNoHandle);
  EXPECT_EQ(MenuRowCount(menu), 3);
  EXPECT_EQ(GetMenuItemValueIfSet(menu, 2), -1);
  SetMenuItem(menu, "Second", "text", 2);
  EXPECT_EQ(GetMenuItemValueIfSet(menu, 2), 2);
  SetMenuItemValue(menu, 77, 2);
  EXPECT_EQ(GetMenuItemValue(menu, 2), 77);
  // Slots outside 0..n are refused, whatever the index.
  SetMenuItem(menu, "x", "y", 4);
  SetMenuItem(menu, "x", "y", -1);
  EXPECT_EQ(MenuSlot(menu, 4), nullptr);
  EXPECT_EQ(GetMenuItemValueIfSet(menu, 9), -1);
  // A label longer than its field is cut.
  SetMenuItem(menu, std::string(60, 'L').c_str(), "", 1);
  EXPECT_EQ(std::string(MenuSlot(menu, 1)->label), std::string(31, 'L'));
  // Toggling takes the bits out when any is set.
  EXPECT_EQ(ToggleMenuItemFlags(menu, kNoHandle, 1, MENUchecked), MENUchecked);
  EXPECT_EQ(ToggleMenuItemFlags(menu, kNoHandle, 1, MENUchecked | MENUdisabled), 0);
  // The title goes into the label, or the text with label-text rows.
  SetMenuTitle(menu, "Title");
  EXPECT_STREQ(MenuSlot(menu, 0)->label, "Title");
  EXPECT_EQ(CreateMenu(owner(), 256), kNoHandle);
}

TEST_F(MenuTest, ALabelTooWideIsCutWithTwoDots) {
  const Handle menu = CreateMenu(owner(), 2);
  SetMenuItem(menu, "A fairly long label", "", 1);
  char out[128];
  bool cut = false;
  MenuRowText(menu, 1, 80, 8, out, sizeof out, &cut);  // room for 10 half-widths
  EXPECT_TRUE(cut);
  EXPECT_STREQ(out, "A fairl..");  // (80 / 8) - 3 = 7 bytes kept
  MenuRowText(menu, 1, 400, 8, out, sizeof out, &cut);
  EXPECT_FALSE(cut);
  EXPECT_STREQ(out, "A fairly long label");
  // A two-byte character across the cut is not split.
  SetMenuItem(menu, "abcdef\x82\xA0xyzxyzxyz", "", 2);
  MenuRowText(menu, 2, 80, 8, out, sizeof out, &cut);
  EXPECT_STREQ(out, "abcdef..");
}

TEST_F(MenuTest, ARightClickOpensTheSystemMenuOnlyOverTheBackground) {
  const Handle w = Window("Top", 40, 40, 200, 150, 0, MakeColour(0, 0, 200));
  RightPress(100, 100);  // over an uncovered top-level window
  EXPECT_FALSE(MenuIsOpen());
  HostSetButton(0);
  Settle();
  RightPress(400, 300);  // over the background
  EXPECT_TRUE(MenuIsOpen());
  EXPECT_NE(TestWindowMode(PopupMenuWindow(), WINDOWopen), 0u);
  // The rows tasks added, shown by their labels: WindowSTS (1), SysInfo
  // (3), 終了 (7).
  EXPECT_STREQ(MenuSlot(SystemMenu(), 1)->label, "Window Sts Loging!");
  EXPECT_STREQ(MenuSlot(SystemMenu(), 1)->text, "WindowSTS");
  EXPECT_STREQ(MenuSlot(SystemMenu(), 3)->label, "SYSTEM情報");
  EXPECT_STREQ(MenuSlot(SystemMenu(), 7)->label, "SYSTEMの終了");
  EXPECT_EQ(GetMenuItemValue(SystemMenu(), 7), kTaskVaduManager);
  // Let go over nothing: it closes, nothing is chosen.
  HostSetPointer(630, 470);
  Settle();
  HostSetButton(0);
  Settle();
  EXPECT_FALSE(MenuIsOpen());
  EXPECT_EQ(TestWindowMode(PopupMenuWindow(), WINDOWopen), 0u);
  (void)w;
}

TEST_F(MenuTest, ThePopupStaysInsideTheScreen) {
  RightPress(635, 475);
  const ScreenRect c = ContentRect(PopupMenuWindow());
  EXPECT_EQ(c.x + c.width, 640 - 10);
  EXPECT_EQ(c.y + c.height, 480 - 10);
  HostSetButton(0);
  Settle();
  RightPress(2, 2);
  const ScreenRect d = ContentRect(PopupMenuWindow());
  EXPECT_EQ(d.x, 10);
  EXPECT_EQ(d.y, 10);
  HostSetButton(0);
  Settle();
}

TEST_F(MenuTest, ChoosingWindowStsDumpsTheWindowList) {
  RightPress(400, 200);
  ReleaseOnRow(1);
  EXPECT_TRUE(Logged("SYSTEM ROOT\t\t Depth"));
}

TEST_F(MenuTest, EmptyAndDisabledRowsChooseNothingAndEndShutsDown) {
  // Row 2 is empty: nothing.
  RightPress(400, 200);
  ReleaseOnRow(2);
  EXPECT_FALSE(Logged("SYSTEM ROOT"));
  // A disabled row is drawn in the light colour and not chosen.
  ToggleMenuItemFlags(SystemMenu(), kNoHandle, 1, MENUdisabled);
  RightPress(400, 200);
  const Handle popup = PopupMenuWindow();
  const ScreenRect c = ContentRect(popup);
  const uint32_t light = GCView(GetWindowGC(popup))->light;
  int light_pixels = 0;
  for (int y = c.y + MenuRowHeight(popup); y < c.y + 2 * MenuRowHeight(popup); ++y) {
    for (int x = c.x; x < c.x + c.width; ++x)
      light_pixels += GetDot(static_cast<int16_t>(x), static_cast<int16_t>(y)) == light;
  }
  EXPECT_GT(light_pixels, 10);
  ReleaseOnRow(1);
  EXPECT_FALSE(Logged("SYSTEM ROOT"));
  // The end row: the manager shuts the system down.
  RightPress(400, 200);
  ReleaseOnRow(7);
  for (int n = 0; n < 40 && Kernel.manager_state != MANAGER_ENDING; ++n) Cycle();
  EXPECT_EQ(Kernel.manager_state, MANAGER_ENDING);
  EXPECT_TRUE(Logged("ShutDownEventを受け取りました　終了します。"));
}

// Menu objects: a selector reports the value of the row clicked to its
// window's owner (not a disabled row, not row 0); a list ticks its rows; a
// pop-up area opens its menu on the right button and reports the row let go
// over.
TEST_F(MenuTest, MenuObjectsChooseTheirRows) {
  // The objects are made before their window opens, as a program makes them.
  const Handle w = Window("Panel", 20, 20, 300, 300, 0, MakeColour(0, 0, 200), /*open=*/false);
  const Handle menu = CreateMenu(owner(), 4);
  SetMenuTitle(menu, "Pick");
  SetMenuItem(menu, "One", "", 1);
  SetMenuItem(menu, "Two", "", 2);
  SetMenuItemValue(menu, 42, 2);
  SetMenuItem(menu, "Three", "", 3);
  ToggleMenuItemFlags(menu, kNoHandle, 3, MENUdisabled);
  const Handle selector = CreateSelecter(w, 5, 10, 10, 120, 100, menu, GetWindowGC(w));
  ASSERT_NE(selector, kNoHandle);
  const Handle sel_window = ObjectView(selector)->window;
  const Handle list = CreateMenuList(w, 6, 150, 10, 120, 100, menu);
  CreatePopupmenu(w, 7, 10, 150, 100, 100, menu);
  Open(w, 20, 20);
  const int row_height = MenuRowHeight(sel_window);
  const ScreenRect c = ContentRect(sel_window);
  owner_log().Clear();
  Click(c.x + 30, c.y + 2 * row_height + row_height / 2);
  auto results = owner_log().Of(kEventMenuChosen);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].value, 42);
  EXPECT_EQ(results[0].menu, menu);
  EXPECT_EQ(TestMenuItemFlags(menu, 2, MENUselected), 0);  // let go again
  // The disabled row and the title row choose nothing.
  owner_log().Clear();
  Click(c.x + 30, c.y + 3 * row_height + row_height / 2);
  Click(c.x + 30, c.y + row_height / 2);
  EXPECT_TRUE(owner_log().Of(kEventMenuChosen).empty());

  // A list ticks the row clicked, and unticks it on a second click.
  const ScreenRect l = ContentRect(ObjectView(list)->window);
  Click(l.x + 30, l.y + row_height + row_height / 2);
  EXPECT_NE(TestMenuItemFlags(menu, 1, MENUchecked), 0);
  Click(l.x + 30, l.y + row_height + row_height / 2);
  EXPECT_EQ(TestMenuItemFlags(menu, 1, MENUchecked), 0);

  // A pop-up area: the right button opens the menu, the row let go over is
  // reported to the menu's owner.
  owner_log().Clear();
  RightPress(ContentRect(w).x + 50, ContentRect(w).y + 200);
  ASSERT_TRUE(MenuIsOpen());
  ReleaseOnRow(2);
  results = owner_log().Of(kEventMenuChosen);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].value, 42);
}

}  // namespace
}  // namespace vadu
