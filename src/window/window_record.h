// The window record: one record of the system resource "Window" per window,
// made at its full fixed size. Windows form one tree under the system root
// window; a window is always referred to by its record handle.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/pool.h"
#include "core/types.h"
#include "kernel/system_records.h"

namespace vadu {

// Bits of the window mode word.
enum WindowMode : uint32_t {
  WINDOWexclusive = 0x00000004,     // one such window open at a time; clicks elsewhere are ignored
  WINDOWframe = 0x00000008,         // a 4-pixel frame around the window
  WINDOWcontrolbar = 0x00000010,    // an 18-pixel title bar above the content
  WINDOWtitle = 0x00000020,         // the name is drawn in the title bar
  WINDOWsubbar = 0x00000040,        // a sunken 18-pixel bar between title bar and content
  WINDOWclosebox = 0x00000080,      // close box at the left end of the title bar
  WINDOWresizebox = 0x00000100,     // resize box at the right end of the title bar
  WINDOWbackpicture = 0x00000200,   // background is the gc's background picture
  WINDOWruled = 0x00000400,         // rule lines every 8 pixels over the background
  WINDOWnofill = 0x00001000,        // no background fill
  WINDOWnoobjects = 0x00004000,     // draw_window() leaves the objects alone
  WINDOWlateobjects = 0x00008000,   // objects only after the owner answered the draw request
  WINDOWdrawable = 0x00010000,      // drawing into the window is allowed
  WINDOWopen = 0x00020000,          // the window is open
  WINDOWraised = 0x00040000,        // background is a raised bevelled box
  WINDOWredraw = 0x00100000,        // waiting for the current redraw motion
  WINDOWbackingstore = 0x01000000,  // what lies under it is saved and restored
  WINDOWshow = 0x02000000,          // shown as part of its parent
  WINDOWresave = 0x04000000,        // message areas take a fresh picture when drawn
  WINDOWobjectsdue = 0x08000000,    // with WINDOWlateobjects: objects may be drawn now
  WINDOWobject = 0x10000000,        // the window belongs to an object
};

struct WindowRecord {
  int16_t x;      // content left, relative to the parent's content origin
  int16_t y;      // content top, likewise
  int16_t width;  // content size in pixels
  int16_t height;
  int16_t origin_x;  // screen position of the parent's content origin
  int16_t origin_y;
  uint32_t mode;  // WindowMode bits
  char name[22];  // at most 21 characters; "NON" until set
  uint8_t unused38[2];
  Handle owner;   // task that made the window and gets its events
  Handle gc;      // colours, font and background picture
  int16_t depth;  // 0 not open, 1 nothing open over it, n + 1 under a window of depth n
  uint8_t unused50[2];
  Handle parent;  // none for the root
  Handle first_object;
  Handle last_object;
  Handle first_child;
  Handle last_child;    // the top-most child
  Handle next;          // sibling one higher in the stacking order
  Handle back;          // sibling one lower
  Handle save_graphic;  // backing-store picture of what lies under the window
};
static_assert(sizeof(WindowRecord) == kWindowRecordSize);
static_assert(offsetof(WindowRecord, origin_x) == 8);
static_assert(offsetof(WindowRecord, mode) == 12);
static_assert(offsetof(WindowRecord, name) == 16);
static_assert(offsetof(WindowRecord, owner) == 40);
static_assert(offsetof(WindowRecord, gc) == 44);
static_assert(offsetof(WindowRecord, depth) == 48);
static_assert(offsetof(WindowRecord, parent) == 52);
static_assert(offsetof(WindowRecord, first_object) == 56);
static_assert(offsetof(WindowRecord, first_child) == 64);
static_assert(offsetof(WindowRecord, next) == 72);
static_assert(offsetof(WindowRecord, back) == 76);
static_assert(offsetof(WindowRecord, save_graphic) == 80);

}  // namespace vadu
