#include "support/window_engine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/state.h"
#include "kernel/event.h"
#include "kernel/startup.h"
#include "kernel/task.h"
#include "kernel/task_steps.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/framebuffer.h"
#include "platform/input_host.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu::test {
namespace {

Handle g_owner = kNoHandle;
OwnerLog g_log;
std::map<Handle, uint32_t> g_colours;

Handle CreateOwner() {
  g_owner = CreateTask("WindowOwner", 0, 0);
  InitTaskEvents(g_owner);
  return g_owner;
}

// Draws its content when asked and answers; notes everything else.
void OwnerStep(Handle task) {
  if (ReciveEvent(task) != EVENT_RECEIVED) return;
  const uint8_t* e = EventBytes(CurrentEvent(task));
  if (e == nullptr) return;
  const uint16_t code = GetU16(e);
  const Handle window = GetU32(e + WindowEventAt::kWindow);
  if (code == kEventReqDraw) {
    g_log.draws.push_back(window);
    if (const auto it = g_colours.find(window); it != g_colours.end()) WinFill(window, it->second);
    RetDrawEvent(task, window);
  } else if (code >= 0x300 && code < 0x400) {
    Notice n;
    n.code = code;
    n.window = window;
    n.x = GetI16(e + MouseEventAt::kX);
    n.y = GetI16(e + MouseEventAt::kY);
    n.button = GetU16(e + MouseEventAt::kButton);
    if (code == kEventObjectClicked) {
      n.number = GetI16(e + ObjectClickedAt::kNumber);
      n.object = GetU32(e + ObjectClickedAt::kObject);
    }
    g_log.notices.push_back(n);
  } else if (code == kEventString) {
    Notice n;
    n.code = code;
    const uint32_t length = GetU32(e + StringEventAt::kLength);
    n.text.assign(reinterpret_cast<const char*>(e + StringEventAt::kText),
                  std::min<size_t>(length, StringEventAt::kTextMax));
    g_log.notices.push_back(n);
  } else if (code == kEventMenuChosen) {
    Notice n;
    n.code = code;
    n.value = GetI16(e + MenuChosenAt::kValue);
    n.menu = GetU32(e + MenuChosenAt::kMenu);
    g_log.notices.push_back(n);
  } else if (code == kEventEffectEnded || code == kEventEffectReplaced) {
    Notice n;
    n.code = code;
    n.window = GetU32(e + EffectResultAt::kWindow);
    n.value = static_cast<int16_t>(GetU16(e + EffectResultAt::kId));
    n.at_ms = PlatformClock().NowMs();
    g_log.notices.push_back(n);
  }
}

constexpr char kIni[] =
    "TRACE ON\n"
    "LOOP_EXIT ON\n"
    "CYCLE_WAIT 1\n"
    "FASTSYNC_WAIT 1\n"
    "MEMORY_TYPE INTEL\n"
    "USE_COLOR 3\n"
    "BACKSCREEN_COLOR 0\n"
    "FONT_SIZEX 16\n"
    "FONT_SIZEY 16\n"
    "SCREEN_SIZEX 320\n"
    "SCREEN_SIZEY 240\n";

}  // namespace

void InputClock::SleepMs(uint32_t ms) {
  now_ms_ += ms;
  while (!actions_.empty() && actions_.begin()->first <= now_ms_) {
    auto action = std::move(actions_.begin()->second);
    actions_.erase(actions_.begin());
    action();
  }
}

LocalDateTime InputClock::LocalTime() {
  LocalDateTime t{2024, 5, 6, 7, 8, 9, 0};
  if (!local_runs_) return t;
  // Tests run for minutes at most: the hour is enough to carry into.
  const uint64_t ms = now_ms_ + ((7u * 60 + 8) * 60 + 9) * 1000u;
  t.millisecond = static_cast<int>(ms % 1000);
  t.second = static_cast<int>(ms / 1000 % 60);
  t.minute = static_cast<int>(ms / 60000 % 60);
  t.hour = static_cast<int>(ms / 3600000 % 24);
  return t;
}

void InputClock::At(uint64_t after_ms, std::function<void()> action) {
  actions_.emplace(now_ms_ + after_ms, std::move(action));
}

void WindowTest::SetUp() {
  GameDirTest::SetUp();
  g_owner = kNoHandle;
  g_log.Clear();
  g_colours.clear();
  std::string msg;
  for (int i = 1; i <= 100; ++i) msg += "message " + std::to_string(i) + "\n";
  WriteFile("SYSTEM.msg", msg);
  WriteFile("VADU.ini", Ini());
  SetPlatformClock(&clock_);
  RegisterApplication({.create = CreateOwner, .step = OwnerStep});
  ASSERT_TRUE(HostStartup());
  for (int n = 0; n < 100 && Kernel.manager_state != MANAGER_RUNNING; ++n) Cycle();
  ASSERT_EQ(Kernel.manager_state, MANAGER_RUNNING);
  Settle();
  g_log.Clear();
}

std::string WindowTest::Ini() const {
  return kIni;
}

void WindowTest::TearDown() {
  GameDirTest::TearDown();
}

Handle WindowTest::owner() const {
  return g_owner;
}

OwnerLog& WindowTest::owner_log() const {
  return g_log;
}

Handle WindowTest::Window(const char* name, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t mode, uint32_t colour,
                          bool open) {
  const Handle window = CreateWindow(g_owner, kNoHandle, w, h, mode);
  EXPECT_NE(window, kNoHandle);
  SetWindowName(window, name);
  g_colours[window] = colour;
  if (open) Open(window, x, y);
  return window;
}

void WindowTest::Open(Handle window, int16_t x, int16_t y) {
  SendWindowRequest(g_owner, window, x, y);
  Settle();
}

void WindowTest::Close(Handle window) {
  SendWindowRequest1(g_owner, window);
  Settle();
}

void WindowTest::Move(Handle window, int16_t x, int16_t y) {
  const Handle e = PostEvent(TaskNumber(g_owner), kTaskWindow, kEventWindowMoved);
  uint8_t* b = EventBytes(e);
  PutI16(b + WindowPlaceAt::kX, x);
  PutI16(b + WindowPlaceAt::kY, y);
  PutU32(b + WindowPlaceAt::kWindow, window);
  Settle();
}

void WindowTest::Settle(int cycles) {
  for (int n = 0; n < cycles || (HasFlag(REDRAW_MOTION) && n < 1000); ++n) Cycle();
}

void WindowTest::Cycle() {
  RunScheduler();
}

void WindowTest::Click(int x, int y, int hold_ms, uint16_t button) {
  HostSetPointer(x, y);
  HostSetButton(button);
  clock_.At(hold_ms, [] { HostSetButton(0); });
  Settle();
}

void WindowTest::Drag(int x0, int y0, int x1, int y1) {
  HostSetPointer(x0, y0);
  HostSetButton(1);
  clock_.At(30, [x0, y0, x1, y1] { HostSetPointer((x0 + x1) / 2, (y0 + y1) / 2); });
  clock_.At(60, [x1, y1] { HostSetPointer(x1, y1); });
  clock_.At(90, [] { HostSetButton(0); });
  Settle();
}

uint32_t Pixel(int x, int y) {
  return GetDot(static_cast<int16_t>(x), static_cast<int16_t>(y));
}

}  // namespace vadu::test
