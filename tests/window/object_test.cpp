// Window objects on a running engine: lookups by number and kind, which
// object a click goes to and what it reports, the press looks while the
// button is held (pixel checks), pop-up areas, showing and hiding, graphic
// objects, objects their owner draws, destruction with the window, message
// areas with their darkened, saved picture and shared text, input lines and
// text areas.
#include "window/object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "menu/menu.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "text/text.h"
#include "window/draw.h"
#include "window/manager.h"
#include "window/object_seams.h"
#include "window/window.h"

namespace vadu {
namespace {

using test::Pixel;

const uint32_t kRed = MakeColour(200, 0, 0);
const uint32_t kGreen = MakeColour(0, 160, 0);

// The calls the message effect was asked for.
std::vector<std::pair<Handle, int>> g_effect_calls;

int RecordEffect(Handle object, int mode) {
  g_effect_calls.emplace_back(object, mode);
  return 0;
}

// What the menu and text tasks were sent: the objects of their 0x308s.
std::vector<Handle> g_to_menu, g_to_text;

void RecordObjectEvents(Handle task, std::vector<Handle>& into) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e != nullptr && GetU16(e) == kEventObjectClicked) into.push_back(GetU32(e + ObjectClickedAt::kObject));
}
void MenuRecorder(Handle task) {
  RecordObjectEvents(task, g_to_menu);
}
void TextRecorder(Handle task) {
  RecordObjectEvents(task, g_to_text);
}

// The menus' items as the menu task would be asked to draw them.
std::vector<std::pair<Handle, Handle>> g_menu_draws;

void RecordMenuDraw(Handle window, Handle menu) {
  g_menu_draws.emplace_back(window, menu);
}

class ObjectTest : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    g_effect_calls.clear();
    g_to_menu.clear();
    g_to_text.clear();
    g_menu_draws.clear();
    RegisterTaskStep(kTaskMenu, {.step = MenuRecorder});
    RegisterTaskStep(kTaskText, {.step = TextRecorder});
    const GCRecord* g = GCView(SystemGC());
    ASSERT_NE(g, nullptr);
    face_ = g->face;
    light_ = g->light;
    shadow_ = g->shadow;
    ink_ = g->text;
    ASSERT_NE(light_, shadow_);
  }
  void TearDown() override {
    SetObjectEffectHooks({});
    SetObjectMenuHooks({});
    SetObjectTextHooks({});
    WindowTest::TearDown();
  }
  // A window of the owner task that its owner leaves as the window manager
  // draws it (face colour, objects); opened at (x, y) unless `open` is off.
  Handle Panel(int16_t x, int16_t y, int16_t w, int16_t h, bool open = true) {
    const Handle window = CreateWindow(owner(), kNoHandle, w, h, 0);
    SetWindowName(window, "Panel");
    if (open) Open(window, x, y);
    return window;
  }
  static ScreenRect Area(Handle object) { return ContentRect(ObjectView(object)->window); }
  // The top-left and bottom-right corners of a raised bevel are light and
  // shadow; pressed, the top-left is shadow.
  bool Raised(Handle object) const {
    const ScreenRect c = Area(object);
    return Pixel(c.x, c.y) == light_ && Pixel(c.x + c.width, c.y + c.height) == shadow_;
  }
  bool Pressed(Handle object) const {
    const ScreenRect c = Area(object);
    return Pixel(c.x, c.y) == shadow_ && Pixel(c.x + 1, c.y + 1) == shadow_;
  }
  // Clicks the middle of the object, holding the button `hold_ms`; `during`
  // looks at the screen half way through the hold.
  template <typename During>
  void ClickHolding(Handle object, During during, int hold_ms = 200) {
    const ScreenRect c = Area(object);
    clock_.At(hold_ms / 2, during);
    Click(c.x + c.width / 2, c.y + c.height / 2, hold_ms);
  }
  void ClickOn(Handle object, uint16_t button = 1) {
    const ScreenRect c = Area(object);
    Click(c.x + c.width / 2, c.y + c.height / 2, 50, button);
  }
  bool Logged(const std::string& line) const {
    const auto log = test::ReadLines("SenELOG.dat");
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  static int ActiveObjects() { return Attr(SystemResource("Object"))->active_count; }

  uint32_t face_ = 0, light_ = 0, shadow_ = 0, ink_ = 0;
};

TEST_F(ObjectTest, LookupsTakeTheFirstOfANumberAndCountByKind) {
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle first = CreateButton(w, 5, 10, 10, 30, 20);
  const Handle second = CreateButton(w, 5, 50, 10, 30, 20);
  const Handle check = CreateCheckButton(w, 7, 100, 10);
  ASSERT_NE(first, kNoHandle);
  EXPECT_EQ(FindObject(w, 5), first);
  EXPECT_EQ(FindObject(w, 6), kNoHandle);
  EXPECT_EQ(FindObjectOfKind(w, kObjectButton, 2), second);
  EXPECT_EQ(FindObjectOfKind(w, kObjectButton, 3), kNoHandle);
  EXPECT_EQ(FindObjectOfKind(w, kObjectCheckButton, 1), check);
  EXPECT_EQ(CountObjectsOfKind(w, kObjectButton), 2);

  // Flags reach the first of the two only; a missing number is -1.
  EXPECT_EQ(ObjectView(first)->flags, kObjectCreationFlags);
  EXPECT_EQ(SetObjectFlags(w, 5, OBJon), 1);
  EXPECT_EQ(IsObjectOn(w, 5), 1);
  EXPECT_EQ(ObjectView(second)->flags & OBJon, 0);
  EXPECT_EQ(ClearObjectFlags(w, 5, OBJon), 0);
  EXPECT_EQ(IsObjectOn(w, 5), 0);
  EXPECT_EQ(IsObjectOn(w, 9), -1);
  EXPECT_EQ(SetObjectFlags(w, 9, OBJon), -1);
  EXPECT_EQ(SetButton(w, 9), -1);
  EXPECT_EQ(MoveObject(w, 7, 120, 30), 0);
  EXPECT_EQ(WindowView(ObjectView(check)->window)->x, 120);

  // Each object's window is a shown object window inside the panel.
  EXPECT_EQ(TestWindowMode(ObjectView(check)->window, WINDOWobject | WINDOWshow), WINDOWobject | WINDOWshow);
  EXPECT_EQ(WindowView(ObjectView(check)->window)->parent, w);
  EXPECT_EQ(WindowView(w)->first_object, first);
  EXPECT_EQ(WindowView(w)->last_object, check);
}

TEST_F(ObjectTest, CreationSizesLabelsAndRefusals) {
  const Handle w = Panel(20, 20, 200, 150, false);
  // A 16 x 16 font: a half width of 8.
  const Handle ok = CreateMessageButton(w, 1, 10, 10, "OK");
  EXPECT_EQ(WindowWidth(ObjectView(ok)->window), (2 + 2) * 8 + 10);
  EXPECT_EQ(WindowHeight(ObjectView(ok)->window), 16 + 10);
  EXPECT_EQ(WindowNameText(ObjectView(ok)->window), "MessageButton");
  // 50 two-byte characters: 74 bytes fit in 75 without splitting one.
  std::string wide;
  for (int i = 0; i < 50; ++i) wide += "あ";
  const Handle label = CreateLabel(w, 2, 10, 40, wide.c_str());
  EXPECT_EQ(std::strlen(ObjectView(label)->text), 74u);
  SetButtonText(ok, ("x" + wide).c_str());
  EXPECT_EQ(std::strlen(ObjectView(ok)->text), 75u);

  // One help strip per window, along the bottom, two character heights.
  const Handle help = CreateHelpMessage(w, 3);
  ASSERT_NE(help, kNoHandle);
  const WindowRecord* hw = WindowView(ObjectView(help)->window);
  EXPECT_EQ(hw->y, 150 - 32);
  EXPECT_EQ(hw->width, 200);
  EXPECT_EQ(CreateHelpMessage(w, 4), kNoHandle);
  EXPECT_TRUE(Logged("CreateHelpMessageを２重作成しようとしました"));

  // A scroll bar is three objects.
  const Handle bar = CreateScrollBar(w, 40, 150, 10, 100);
  EXPECT_EQ(FindObject(w, 40), bar);
  EXPECT_EQ(WindowView(ObjectView(FindObject(w, 41))->window)->y, 10);
  EXPECT_EQ(WindowView(ObjectView(FindObject(w, 42))->window)->y, 10 + 100 - 16);
  EXPECT_EQ(WindowHeight(ObjectView(bar)->window), 100 - 32);

  // No parent window: nothing is made, no record is left.
  const int before = ActiveObjects();
  EXPECT_EQ(CreateButton(kNoHandle, 1, 0, 0, 10, 10), kNoHandle);
  EXPECT_EQ(CreateMessageButton(ok, 1, 0, 0, "not a window"), kNoHandle);
  EXPECT_EQ(ActiveObjects(), before);
}

TEST_F(ObjectTest, AClickGoesToTheLastCreatedOfOverlappingObjectsAndIsReported) {
  const Handle w = Panel(40, 40, 200, 150, false);
  const Handle below = CreateButton(w, 1, 10, 10, 60, 40);
  const Handle above = CreateButton(w, 2, 30, 20, 60, 40);
  Open(w, 40, 40);
  owner_log().Clear();
  const ScreenRect c = ContentRect(w);
  Click(c.x + 40, c.y + 30);  // inside both
  auto reports = owner_log().Of(kEventObjectClicked);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].object, above);
  EXPECT_EQ(reports[0].number, 2);
  EXPECT_EQ(reports[0].window, w);
  EXPECT_TRUE(owner_log().Of(kEventMouse).empty());  // taken by the object
  EXPECT_EQ(IsObjectOn(w, 2), 1);
  EXPECT_EQ(IsObjectOn(w, 1), 0);

  // Only the lower one: it gets the click. Outside every object: the owner.
  owner_log().Clear();
  Click(c.x + 15, c.y + 15);
  reports = owner_log().Of(kEventObjectClicked);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].object, below);
  Click(c.x + 150, c.y + 120);
  EXPECT_EQ(owner_log().Of(kEventMouse).size(), 1u);

  // A button with no action is reported but neither animates nor toggles.
  ASSERT_EQ(SetObjectFlags(w, 2, OBJnoaction), 1);
  owner_log().Clear();
  Click(c.x + 80, c.y + 50);
  EXPECT_EQ(owner_log().Of(kEventObjectClicked).size(), 1u);
  EXPECT_EQ(IsObjectOn(w, 2), 1);
}

TEST_F(ObjectTest, ButtonsLookPressedWhileHeldAndToggleOrRiseAfterwards) {
  const Handle w = Panel(20, 20, 260, 150, false);
  const Handle button = CreateButton(w, 1, 10, 10, 60, 30);
  const Handle push = CreateMessageButton(w, 2, 10, 60, "Go");
  const Handle check = CreateCheckButton(w, 3, 120, 10);
  const Handle up = CreateScrollBar(w, 10, 200, 10, 100);
  Open(w, 20, 20);
  ASSERT_TRUE(Raised(button));
  ASSERT_TRUE(Raised(push));

  // A button toggles: pressed while held and after, raised after the next.
  bool held_look = false;
  ClickHolding(button, [&] { held_look = Pressed(button); });
  EXPECT_TRUE(held_look);
  EXPECT_TRUE(Pressed(button));
  EXPECT_EQ(IsObjectOn(w, 1), 1);
  ClickOn(button);
  EXPECT_TRUE(Raised(button));
  EXPECT_EQ(IsObjectOn(w, 1), 0);

  // A message button is pressed only while held.
  held_look = false;
  ClickHolding(push, [&] { held_look = Pressed(push); });
  EXPECT_TRUE(held_look);
  EXPECT_TRUE(Raised(push));
  EXPECT_EQ(IsObjectOn(w, 2), 0);
  // The up arrow likewise.
  const Handle arrow = FindObject(w, 11);
  ASSERT_NE(up, kNoHandle);
  held_look = false;
  ClickHolding(arrow, [&] { held_look = Pressed(arrow); });
  EXPECT_TRUE(held_look);
  EXPECT_TRUE(Raised(arrow));

  // A check box ticks and unticks; SetButton and ResetButton draw it too.
  const ScreenRect c = Area(check);
  EXPECT_EQ(Pixel(c.x + 3, c.y + 7), face_);
  ClickOn(check);
  EXPECT_EQ(IsObjectOn(w, 3), 1);
  EXPECT_EQ(Pixel(c.x + 3, c.y + 7), ink_);
  ClickOn(check);
  EXPECT_EQ(Pixel(c.x + 3, c.y + 7), face_);
  EXPECT_EQ(SetButton(w, 3), 0);
  EXPECT_EQ(Pixel(c.x + 3, c.y + 7), ink_);
  EXPECT_EQ(ResetButton(w, 3), 0);
  EXPECT_EQ(Pixel(c.x + 3, c.y + 7), face_);

  // A message button with no action shows what the program sets.
  ASSERT_EQ(SetObjectFlags(w, 2, OBJnoaction), 1);
  SetButton(w, 2);
  EXPECT_TRUE(Pressed(push));
  ResetButton(w, 2);
  EXPECT_TRUE(Raised(push));
}

TEST_F(ObjectTest, APopupAreaTakesOnlyTheMenuButton) {
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle area = CreatePopupmenu(w, 9, 10, 10, 80, 60, kNoHandle);
  Open(w, 20, 20);
  EXPECT_EQ(TestWindowMode(ObjectView(area)->window, WINDOWshow), 0u);
  owner_log().Clear();
  ClickOn(area, 1);
  EXPECT_TRUE(owner_log().Of(kEventObjectClicked).empty());
  EXPECT_EQ(owner_log().Of(kEventMouse).size(), 1u);
  owner_log().Clear();
  ClickOn(area, 2);
  const auto reports = owner_log().Of(kEventObjectClicked);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].object, area);
  EXPECT_EQ(g_to_menu, std::vector<Handle>{area});
  // With no action it takes nothing.
  SetObjectFlags(w, 9, OBJnoaction);
  owner_log().Clear();
  ClickOn(area, 2);
  EXPECT_TRUE(owner_log().Of(kEventObjectClicked).empty());
}

TEST_F(ObjectTest, MenuObjectsDrawTheirItemsThroughTheMenuTaskAndSendItTheirClicks) {
  SetObjectMenuHooks({.draw_items = RecordMenuDraw});
  const Handle menu = 4321;  // the menu task's; the objects only pass it on
  const Handle w = Panel(20, 20, 240, 160, false);
  const Handle selecter = CreateSelecter(w, 1, 10, 10, 80, 60, menu, kNoHandle);
  const Handle list = CreateMenuList(w, 2, 120, 10, 80, 60, menu);
  const Handle pulldown = CreatePulldownmenu(w, 3, 80, 60, 0, menu);
  Open(w, 20, 20);
  // The pull-down is not shown until it is shown.
  EXPECT_EQ(TestWindowMode(ObjectView(pulldown)->window, WINDOWshow), 0u);
  const std::vector<std::pair<Handle, Handle>> expected = {{ObjectView(selecter)->window, menu},
                                                           {ObjectView(list)->window, menu}};
  EXPECT_EQ(g_menu_draws, expected);
  EXPECT_TRUE(Raised(selecter));
  // The list's outline lies one pixel outside its window, in the parent.
  const ScreenRect c = Area(list);
  EXPECT_EQ(Pixel(c.x - 1, c.y + 10), ink_);
  EXPECT_EQ(Pixel(c.x + c.width + 1, c.y + 10), ink_);

  owner_log().Clear();
  ClickOn(selecter);
  ClickOn(list);
  Settle();
  EXPECT_EQ(g_to_menu, (std::vector<Handle>{selecter, list}));
  EXPECT_EQ(owner_log().Of(kEventObjectClicked).size(), 2u);
}

TEST_F(ObjectTest, ASelecterShowsTheRowsOfItsMenu) {
  const Handle menu = CreateMenu(owner(), 2);
  SetMenuItem(menu, "One", "", 1);
  SetMenuItem(menu, "Two", "", 2);
  const Handle w = Panel(20, 20, 240, 160, false);
  const Handle selecter = CreateSelecter(w, 1, 10, 10, 100, 80, menu, kNoHandle);
  const Handle empty = CreateSelecter(w, 2, 120, 10, 100, 80, kNoHandle, kNoHandle);
  Open(w, 20, 20);
  const auto inked = [this](Handle object) {
    const ScreenRect c = Area(object);
    int n = 0;
    for (int y = c.y + 2; y < c.y + c.height - 1; ++y) {
      for (int x = c.x + 2; x < c.x + c.width - 1; ++x) n += Pixel(x, y) == ink_ ? 1 : 0;
    }
    return n;
  };
  EXPECT_GT(inked(selecter), 0);
  EXPECT_EQ(inked(empty), 0);
}

TEST_F(ObjectTest, ShowingWhereShownDrawsNothingAndHidingTwiceIsRefused) {
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle button = CreateButton(w, 1, 10, 10, 40, 30);
  Open(w, 20, 20);
  const Handle bw = ObjectView(button)->window;
  WinFill(bw, kRed);
  EXPECT_EQ(ShowObject(w, 1, 10, 10), 0);
  EXPECT_EQ(Pixel(Area(button).x + 5, Area(button).y + 5), kRed);
  // Elsewhere it is drawn, kept a pixel inside the panel.
  EXPECT_EQ(ShowObject(w, 1, 100, 500), 0);
  EXPECT_EQ(WindowView(bw)->y, 150 - 30 - 1);
  EXPECT_TRUE(Raised(button));
  EXPECT_EQ(ShowObject(w, 2, 0, 0), 1);

  // Hidden: the panel is drawn again without it.
  const ScreenRect c = Area(button);
  EXPECT_EQ(CloseObject(w, 1), 0);
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), face_);
  EXPECT_EQ(Pixel(c.x, c.y), face_);
  EXPECT_TRUE(Logged("CloseObject()該当Objectの親ウインドウを再描画要求．"));
  EXPECT_EQ(CloseObject(w, 1), 1);
  EXPECT_TRUE(Logged("CloseObject()該当ObjectはすでにSHOW属性がOFF"));
  EXPECT_EQ(CloseObject(w, 2), 1);
  EXPECT_TRUE(Logged("CloseObject()該当Objectは見つからず"));
  // A click where it was goes to the owner.
  owner_log().Clear();
  Click(c.x + 5, c.y + 5);
  EXPECT_TRUE(owner_log().Of(kEventObjectClicked).empty());
  EXPECT_EQ(DrawObject(w, 2), 1);
}

TEST_F(ObjectTest, AGraphicObjectIsHiddenUntilItHasAPicture) {
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle g = CreateGraphicObject(w, 3, 10, 10, 40, 30, kNoHandle);
  Open(w, 20, 20);
  const Handle gw = ObjectView(g)->window;
  EXPECT_EQ(TestWindowMode(gw, WINDOWshow), 0u);
  // A green picture, taken from the screen.
  FillBox(250, 150, 40, 30, kGreen);
  const Handle picture = CreateGraphic(owner(), 40, 30);
  ASSERT_EQ(GraphicSave(250, 150, 39, 29, picture), 0);

  SetWindowMode(w, WINDOWresave);
  EXPECT_EQ(SetGraphicObject(w, 3, picture), 1);
  EXPECT_NE(TestWindowMode(gw, WINDOWshow), 0u);
  EXPECT_EQ(TestWindowMode(w, WINDOWresave), 0u);
  const ScreenRect c = Area(g);
  EXPECT_EQ(Pixel(c.x + 1, c.y + 1), kGreen);
  EXPECT_EQ(Pixel(c.x + 38, c.y + 28), kGreen);
  // A picture takes no click.
  owner_log().Clear();
  Click(c.x + 5, c.y + 5);
  EXPECT_TRUE(owner_log().Of(kEventObjectClicked).empty());
  // Taken away: hidden again.
  EXPECT_EQ(SetGraphicObject(w, 3, kNoHandle), 1);
  EXPECT_EQ(TestWindowMode(gw, WINDOWshow), 0u);
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), face_);
  EXPECT_EQ(SetGraphicObject(w, 4, picture), 0);
}

TEST_F(ObjectTest, AnObjectItsOwnerDrawsHoldsBackTheObjectsAfterIt) {
  const Handle w = Panel(20, 20, 200, 100, false);
  const Handle a = CreateButton(w, 1, 10, 10, 30, 20);
  const Handle own = CreateButton(w, 2, 50, 10, 30, 20);
  const Handle c = CreateButton(w, 3, 90, 10, 30, 20);
  ASSERT_EQ(SetObjectFlags(w, 2, OBJownerdraws), 1);
  Open(w, 20, 20);
  ASSERT_TRUE(Raised(c));
  owner_log().Clear();

  draw_window(w);
  EXPECT_TRUE(Raised(a));
  EXPECT_TRUE(Raised(own));
  EXPECT_EQ(Pixel(Area(c).x, Area(c).y), face_);  // not yet
  Settle();
  ASSERT_EQ(owner_log().draws.size(), 1u);
  EXPECT_EQ(owner_log().draws[0], ObjectView(own)->window);
  EXPECT_TRUE(Raised(c));  // once the owner answered
}

TEST_F(ObjectTest, DestroyingAWindowDestroysItsObjectsAndTheirs) {
  const int before = ActiveObjects();
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle button = CreateButton(w, 1, 10, 10, 30, 20);
  const Handle sub = CreateSubWindow(w, 2, 100, 60, 0);
  const Handle sw = ObjectView(sub)->window;
  const Handle inner = CreateCheckButton(sw, 1, 5, 5);
  const Handle bw = ObjectView(button)->window;
  ASSERT_EQ(ActiveObjects(), before + 3);
  DestroyWindow(w);
  EXPECT_EQ(ObjectView(button), nullptr);
  EXPECT_EQ(ObjectView(sub), nullptr);
  EXPECT_EQ(ObjectView(inner), nullptr);
  EXPECT_EQ(WindowView(bw), nullptr);
  EXPECT_EQ(WindowView(sw), nullptr);
  EXPECT_EQ(ActiveObjects(), before);

  // One object alone leaves its window's list.
  const Handle v = Panel(20, 20, 100, 100, false);
  const Handle x = CreateButton(v, 1, 0, 0, 10, 10);
  const Handle y = CreateButton(v, 2, 20, 0, 10, 10);
  const Handle z = CreateButton(v, 3, 40, 0, 10, 10);
  DestroyObject(y);
  EXPECT_EQ(ObjectView(x)->next, z);
  EXPECT_EQ(ObjectView(z)->prev, x);
  EXPECT_EQ(FindObject(v, 2), kNoHandle);
  DestroyObject(z);
  EXPECT_EQ(WindowView(v)->last_object, x);
}

TEST_F(ObjectTest, ClicksInASubWindowReachItsObjects) {
  const Handle w = Panel(20, 20, 240, 180, false);
  const Handle sub = CreateSubWindow(w, 20, 120, 80, 0);
  const Handle sw = ObjectView(sub)->window;
  const Handle inner = CreateButton(sw, 1, 5, 5, 40, 20);
  Open(w, 20, 20);
  EXPECT_EQ(TestWindowMode(sw, WINDOWshow), 0u);  // until opened
  EXPECT_EQ(OpenSubWindow(w, 20, 40, 30), 1);
  Settle();
  ASSERT_NE(TestWindowMode(sw, WINDOWopen), 0u);
  EXPECT_EQ(OpenSubWindow(w, 20, 40, 30), 0);  // shown already
  ASSERT_TRUE(Raised(inner));

  owner_log().Clear();
  ClickOn(inner);
  const auto reports = owner_log().Of(kEventObjectClicked);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].object, inner);
  EXPECT_EQ(reports[0].window, sw);
  EXPECT_EQ(reports[1].object, sub);
  EXPECT_EQ(reports[1].window, w);
  // Elsewhere in the sub-window no object takes it: the owner gets it.
  owner_log().Clear();
  const ScreenRect c = ContentRect(sw);
  Click(c.x + 100, c.y + 60);
  EXPECT_TRUE(owner_log().Of(kEventObjectClicked).empty());
  EXPECT_EQ(owner_log().Of(kEventMouse).size(), 1u);

  EXPECT_EQ(CloseSubWindow(w, 20), 1);
  Settle();
  EXPECT_EQ(TestWindowMode(sw, WINDOWshow | WINDOWopen), 0u);
}

TEST_F(ObjectTest, MessageAreasAreDarkenedSavedAndRestored) {
  SetObjectEffectHooks({.redraw = RecordEffect});
  const Handle w = Panel(20, 20, 200, 150, false);
  const Handle m = CreateMessage(w, 110, 10, 10, 100, 50, kNoHandle);
  const Handle plain = CreateMessage(w, 111, 10, 80, 100, 40, kNoHandle);
  ASSERT_EQ(SetObjectFlags(w, 111, OBJnoshade), 1);
  EXPECT_NE(TestWindowMode(w, WINDOWresave), 0u);
  Open(w, 20, 20);

  const auto darken = [](uint32_t c) {
    const auto less = [](uint32_t v) { return static_cast<uint8_t>(v > 100 ? v - 100 : 0); };
    return MakeColour(less(c & 0xFF), less((c >> 8) & 0xFF), less((c >> 16) & 0xFF));
  };
  const ScreenRect c = Area(m);
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), darken(face_));
  EXPECT_EQ(Pixel(Area(plain).x + 5, Area(plain).y + 5), face_);
  EXPECT_TRUE(Logged("Message画面表示後の保存"));
  ASSERT_FALSE(g_effect_calls.empty());
  EXPECT_EQ(g_effect_calls.back().second, 2);

  // Typed over, then drawn again without a fresh save: the saved picture
  // comes back, darkened once, not twice.
  ClearWindowMode(w, WINDOWresave);
  WinFill(ObjectView(m)->window, kRed);
  EXPECT_EQ(DrawObject(w, 110), 0);
  EXPECT_TRUE(Logged("Message画面のリストア"));
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), darken(face_));
  draw_window(w);
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), darken(face_));

  // A click advances the message at once.
  g_effect_calls.clear();
  ClickOn(m);
  ASSERT_EQ(g_effect_calls.size(), 1u);
  EXPECT_EQ(g_effect_calls[0], std::make_pair(m, 0));
  EXPECT_EQ(owner_log().Of(kEventObjectClicked).size(), 1u);

  // Hidden, it is gone: its picture is its own look, not what lay below.
  EXPECT_EQ(CloseObject(w, 110), 0);
  EXPECT_EQ(Pixel(c.x + 5, c.y + 5), face_);
}

TEST_F(ObjectTest, InputNumbersAreReadAndWrittenAndMissingInputsSaySo) {
  const Handle w = Panel(20, 20, 240, 150, false);
  EXPECT_EQ(GetInputNumber(w, 1), -1);
  EXPECT_TRUE(Logged("Object番号指定ミス GetInputText"));
  EXPECT_EQ(PutInputNumber(w, 1, 5), 1);
  EXPECT_TRUE(Logged("Object番号指定ミス PutInputText"));

  const Handle number = CreateInputNumeric(w, 1, 10, 10, 6, owner());
  ASSERT_NE(number, kNoHandle);
  EXPECT_EQ(ObjectView(number)->kind, kObjectInput);
  EXPECT_EQ(WindowNameText(ObjectView(number)->window), "InputNumeric");
  EXPECT_EQ(WindowWidth(ObjectView(number)->window), 8 * (6 + 1) + 4);
  EXPECT_EQ(WindowHeight(ObjectView(number)->window), 16 + 4);
  const TextObject* t = TextView(ObjectView(number)->data);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->mode & (kTextOneLine | kTextDigitsOnly | kTextHalfWidth),
            kTextOneLine | kTextDigitsOnly | kTextHalfWidth);
  EXPECT_EQ(GetInputNumber(w, 1), 0);  // empty
  EXPECT_EQ(PutInputNumber(w, 1, 1234), 0);
  EXPECT_EQ(GetInputNumber(w, 1), 1234);
  EXPECT_EQ(PutInputNumber(w, 1, -56), 0);
  EXPECT_EQ(GetInputNumber(w, 1), -56);
  // Another kind with the number is no input.
  CreateButton(w, 2, 100, 100, 10, 10);
  EXPECT_EQ(GetInputNumber(w, 2), -1);
  EXPECT_EQ(PutInputNumber(w, 2, 7), 1);
}

TEST_F(ObjectTest, EachInputKeepsItsOwnTextWithinItsBuffer) {
  const Handle w = Panel(20, 20, 240, 150, false);
  const Handle first = CreateMessageLine(w, 1, 10, 10, 10, owner());
  const Handle second = CreateInputByte(w, 2, 10, 40, 10, owner());
  ASSERT_NE(first, kNoHandle);
  ASSERT_NE(second, kNoHandle);
  EXPECT_NE(ObjectView(first)->data, ObjectView(second)->data);
  EXPECT_EQ(PutInputText(w, 1, "abcdef"), first);
  EXPECT_EQ(PutInputText(w, 2, "xyz"), second);
  char text[100];
  EXPECT_EQ(GetInputText(w, 1, text, sizeof text), first);
  EXPECT_STREQ(text, "abcdef");
  EXPECT_EQ(GetInputText(w, 2, text, sizeof text), second);
  EXPECT_STREQ(text, "xyz");
  // A small buffer gets what fits, terminated, and no half character.
  char small[4];
  GetInputText(w, 1, small, sizeof small);
  EXPECT_STREQ(small, "abc");
  PutInputText(w, 1, "aあ");
  GetInputText(w, 1, small, 3);
  EXPECT_STREQ(small, "a");
  // One line, as much as a block holds.
  PutInputText(w, 2, "one\ntwo");
  GetInputText(w, 2, text, sizeof text);
  EXPECT_STREQ(text, "one");
  const std::string long_text(3000, '7');
  EXPECT_EQ(PutInputText(w, 2, long_text.c_str()), second);
  std::string back(2000, '\0');
  GetInputText(w, 2, back.data(), back.size());
  EXPECT_EQ(std::strlen(back.c_str()), static_cast<size_t>(kTextBlockChars));

  // With the first gone, a new input may take its text's name again.
  const std::string name_of_first = "demo text";
  DestroyObject(first);
  const Handle third = CreateMessageLine(w, 3, 10, 70, 10, owner());
  const TextObject* t = TextView(ObjectView(third)->data);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::string(Attr(t->block_resource)->res_name), name_of_first);
}

TEST_F(ObjectTest, AnInputIsDrawnWithItsTextAndAClickGoesToTheTextTask) {
  std::vector<Handle> cursors;
  static std::vector<Handle>* s_cursors = nullptr;
  s_cursors = &cursors;
  SetObjectTextHooks({.draw_cursor = [](Handle object) { s_cursors->push_back(object); }});
  const Handle w = Panel(20, 20, 240, 150, false);
  const Handle input = CreateMessageLine(w, 1, 10, 10, 10, owner());
  Open(w, 20, 20);
  const ScreenRect c = Area(input);
  // A sunken edge: shadow top and left, light bottom and right.
  EXPECT_EQ(Pixel(c.x, c.y + 5), shadow_);
  EXPECT_EQ(Pixel(c.x + c.width, c.y + 5), light_);
  EXPECT_EQ(Pixel(c.x + 5, c.y + c.height), light_);
  EXPECT_EQ(cursors, std::vector<Handle>{input});
  // Written to, it shows the text: some pixels of the text colour.
  const auto inked = [&] {
    int n = 0;
    for (int y = c.y + 2; y < c.y + c.height - 1; ++y) {
      for (int x = c.x + 2; x < c.x + c.width - 1; ++x) n += Pixel(x, y) == ink_ ? 1 : 0;
    }
    return n;
  };
  EXPECT_EQ(inked(), 0);
  PutInputText(w, 1, "WWW");
  EXPECT_GT(inked(), 0);
  EXPECT_EQ(cursors.size(), 2u);

  owner_log().Clear();
  ClickOn(input);
  Settle();
  EXPECT_EQ(g_to_text, std::vector<Handle>{input});
  EXPECT_EQ(owner_log().Of(kEventObjectClicked).size(), 1u);
}

TEST_F(ObjectTest, ATextAreaKeepsItsViewAndIsDrawnByTheTextTask) {
  std::vector<Handle> drawn;
  static std::vector<Handle>* s_drawn = nullptr;
  s_drawn = &drawn;
  SetObjectTextHooks({.draw_area = [](Handle object) { s_drawn->push_back(object); }});
  const Handle w = Panel(20, 20, 240, 150, false);
  const Handle text = CreateText(owner(), "area", 0);
  const Handle area = CreateTextArea(text, w, 5, 5, 160, 100, 4, kTextKeywords);
  ASSERT_NE(area, kNoHandle);
  EXPECT_EQ(FirstTextArea(), area);
  EXPECT_EQ(std::string(Entry(area).tag), "TO");
  const TextAreaFields* f = TextAreaView(area);
  EXPECT_EQ(f->top_line, 0);
  EXPECT_EQ(f->rows, 100 / 16);
  EXPECT_EQ(f->columns, 160 / 8);
  EXPECT_NE(TextView(text)->mode & kTextKeywords, 0u);
  EXPECT_NE(TextView(text)->top_block, kNoHandle);
  EXPECT_EQ(CreateTextArea(kNoHandle, w, 5, 5, 10, 10, 5, 0), kNoHandle);
  Open(w, 20, 20);
  EXPECT_EQ(drawn, std::vector<Handle>{area});
  // It takes no click of its own.
  owner_log().Clear();
  ClickOn(area);
  EXPECT_EQ(owner_log().Of(kEventObjectClicked).size(), 1u);
  EXPECT_TRUE(g_to_text.empty());
}

TEST_F(ObjectTest, MessageAreasShareTheirTaskTextAndRefuseWhatItCannotHold) {
  const Handle w = Panel(20, 20, 240, 150, false);
  const Handle m = CreateMessage(w, 110, 10, 10, 100, 50, kNoHandle);
  const Handle other = CreateMessage(w, 111, 10, 80, 100, 40, kNoHandle);
  ASSERT_NE(ObjectView(m)->data, kNoHandle);
  EXPECT_EQ(ObjectView(m)->data, ObjectView(other)->data);
  EXPECT_EQ(SetMessageObject(w, 110, "Hello"), m);
  char text[2048];
  EXPECT_EQ(CopyMessageText(other, text, sizeof text), 5);
  EXPECT_STREQ(text, "Hello");
  const std::string too_long(kMessageTextMax + 1, 'a');
  EXPECT_EQ(SetMessageObject(w, 110, too_long.c_str()), kNoHandle);
  EXPECT_TRUE(Logged("SetMessageObject() text length error"));
  CopyMessageText(m, text, sizeof text);
  EXPECT_STREQ(text, "Hello");
  const std::string longest(kMessageTextMax, 'b');
  EXPECT_EQ(SetMessageObject(w, 110, longest.c_str()), m);
  EXPECT_EQ(CopyMessageText(m, text, sizeof text), kMessageTextMax);
  EXPECT_EQ(SetMessageObject(w, 112, "x"), kNoHandle);
}

}  // namespace
}  // namespace vadu
