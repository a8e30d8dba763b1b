// A running engine for window-manager tests: a headless boot in a fresh game
// directory, an owner task that answers every draw request by filling its
// window with the window's colour, and a clock through which scripted mouse
// input happens at given moments (the manager's drags and waits poll the
// mouse inside one step, sleeping 10 ms per read).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/types.h"
#include "platform/clock.h"
#include "support/game_dir.h"

namespace vadu::test {

// Time moves only by the engine's sleeps; actions run once the time has
// reached their moment. Local time stands still, so no clock ticks are sent,
// unless RunLocalTime lets it move with the clock (from 07:08:09.000), so
// that EventTask sends its ticks as time passes.
class InputClock : public Clock {
 public:
  uint64_t NowMs() override { return now_ms_; }
  void SleepMs(uint32_t ms) override;
  LocalDateTime LocalTime() override;
  // Runs `action` once the clock reaches now + `after_ms`.
  void At(uint64_t after_ms, std::function<void()> action);
  void RunLocalTime(bool run) { local_runs_ = run; }

 private:
  uint64_t now_ms_ = 0;
  bool local_runs_ = false;
  std::multimap<uint64_t, std::function<void()>> actions_;
};

// What the owner task saw: the windows it was asked to draw, in order, and
// the window, menu and effect events sent to it, and the texts sent to it
// (0x501).
struct Notice {
  uint16_t code = 0;
  Handle window = kNoHandle;
  int16_t x = 0, y = 0;       // mouse reports: the position
  uint16_t button = 0;        // and the button state
  int16_t number = 0;         // object events: the object's number
  Handle object = kNoHandle;  // and the object
  int16_t value = 0;          // menu results (0x413): the chosen value; ret_effect: the id
  Handle menu = kNoHandle;    // and the menu
  uint64_t at_ms = 0;         // the clock when the owner saw it
  std::string text;           // string events: the text
};
struct OwnerLog {
  std::vector<Handle> draws;
  std::vector<Notice> notices;
  // The notices with this code.
  std::vector<Notice> Of(uint16_t code) const {
    std::vector<Notice> found;
    for (const Notice& n : notices) {
      if (n.code == code) found.push_back(n);
    }
    return found;
  }
  void Clear() {
    draws.clear();
    notices.clear();
  }
};

class WindowTest : public GameDirTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The settings the engine starts with (a 320 x 240 screen, 16-pixel
  // fonts, a black background); a test class may give others.
  virtual std::string Ini() const;

  // A window of the owner task: created, named, given a fill colour; opened
  // at (x, y) through an open request when `open` is set.
  Handle Window(const char* name, int16_t x, int16_t y, int16_t w, int16_t h, uint32_t mode, uint32_t colour,
                bool open = true);
  // Requests through events, as an owner sends them, then settles.
  void Open(Handle window, int16_t x, int16_t y);
  void Close(Handle window);
  void Move(Handle window, int16_t x, int16_t y);
  // Runs cycles until every redraw has been answered and the queue is quiet.
  void Settle(int cycles = 60);
  static void Cycle();
  // A click at the screen point: the button (1 unless given) down, then up
  // after `hold_ms` of engine time; the engine runs until it has handled
  // both.
  void Click(int x, int y, int hold_ms = 50, uint16_t button = 1);
  // A drag with button 1 from one point to another.
  void Drag(int x0, int y0, int x1, int y1);

  Handle owner() const;
  OwnerLog& owner_log() const;
  InputClock clock_;
};

// The pixel at a screen point.
uint32_t Pixel(int x, int y);

}  // namespace vadu::test
