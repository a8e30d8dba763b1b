// Menus: lists of rows kept in records of the system resource "Menu". A menu
// of n rows has n + 1 row slots; slot 0 is the title row when the menu has
// one. They are shown in the pop-up menu window (menu_task.h) and inside the
// pull-down, selector and list objects of a window.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// Menu flags.
inline constexpr uint8_t kMenuLabelText = 0x01;  // a row shows its label followed by its text
inline constexpr uint8_t kMenuTitled = 0x02;     // slot 0 is a title row

// Row flags.
inline constexpr uint8_t MENUselected = 0x02;   // drawn on the shadow colour
inline constexpr uint8_t MENUdisabled = 0x08;   // drawn in the light colour, never chosen
inline constexpr uint8_t MENUseparator = 0x10;  // an etched line, never highlighted
inline constexpr uint8_t MENUchecked = 0x40;    // a tick at the left

inline constexpr size_t kMenuHeaderSize = 16;
inline constexpr size_t kMenuRowSize = 124;
inline constexpr size_t kMenuTrailerSize = 4;
inline constexpr size_t kMenuLabelSize = 32;
inline constexpr size_t kMenuTextSize = 82;
// The most rows a menu holds (its count is one byte).
inline constexpr int kMaxMenuRows = 255;

struct MenuHeader {
  uint8_t flags;
  uint8_t count;  // n, the number of rows
  uint8_t unused2[2];
  Handle owner;   // the task that made the menu
  int16_t first;  // scroll offset added to a row position when drawing
  uint8_t unused10[2];
  int32_t reserved;
};
static_assert(sizeof(MenuHeader) == kMenuHeaderSize);
static_assert(offsetof(MenuHeader, owner) == 4);
static_assert(offsetof(MenuHeader, first) == 8);
static_assert(offsetof(MenuHeader, reserved) == 12);

struct MenuRow {
  char label[kMenuLabelSize];
  char text[kMenuTextSize];
  uint8_t flags;
  uint8_t unused115;
  int32_t reserved;
  int32_t value;  // what choosing the row reports
};
static_assert(sizeof(MenuRow) == kMenuRowSize);
static_assert(offsetof(MenuRow, flags) == 114);
static_assert(offsetof(MenuRow, reserved) == 116);
static_assert(offsetof(MenuRow, value) == 120);

// The header of a menu, or nullptr for a handle that is not a menu (an
// active record of "Menu" large enough for its rows). Valid until the next
// allocation.
MenuHeader* MenuView(Handle menu);
// Slot `index` (0 to n) of a menu, or nullptr outside it.
MenuRow* MenuSlot(Handle menu, int index);
// n, or 0 for a handle that is not a menu.
int MenuRowCount(Handle menu);

// A menu of n rows (0 to 255) with empty slots, for `task`; none when the
// record cannot be made.
Handle CreateMenu(Handle task, int rows);
void DeleteMenu(Handle task, Handle menu);
// Slot `index` gets the label and text (cut to their fields on a character
// boundary) and the value `index`.
void SetMenuItem(Handle menu, const char* label, const char* text, int index);
void SetMenuItemValue(Handle menu, int32_t value, int index);
int32_t GetMenuItemValue(Handle menu, int index);
// The slot's value, or -1 when its label is empty (or there is no such slot).
int32_t GetMenuItemValueIfSet(Handle menu, int index);
void SetMenuLabelText(Handle menu);
void SetMenuTitle(Handle menu, const char* title);
uint8_t TestMenuItemFlags(Handle menu, int index, uint8_t bits);
// Takes the bits out when any is set, else sets them; with a window the row
// is redrawn in it. The row's flags AND bits afterwards.
uint8_t ToggleMenuItemFlags(Handle menu, Handle window, int index, uint8_t bits);
// Over slots 0 to n: take the bits out / put them in. 1.
int ClearMenuItemFlagsAll(Handle menu, Handle window, uint8_t bits);
int SetMenuItemFlagsAll(Handle menu, Handle window, uint8_t bits);

// The height of a menu row in the window: its gc font's character height + 4.
int MenuRowHeight(Handle window);
// index <= 0: every row that fits; else the row's background (shadow when
// selected, else face) and the row.
void DrawMenu(Handle window, Handle menu, int index);
// One row, at y = index x the row height.
void DrawMenuItem(Handle window, Handle menu, int index);

// The text a row shows (its label, or label and text), cut to fit `width`
// pixels of half-width `half` with ".." (never inside a two-byte character);
// `cut` tells whether it was cut.
void MenuRowText(Handle menu, int slot, int width, int half, char* out, size_t size, bool* cut);

}  // namespace vadu
