#include "menu/menu.h"

#include <cstring>

#include "core/strings.h"
#include "data/resource.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "window/draw.h"
#include "window/window.h"

namespace vadu {
namespace {

Handle MenuResource() {
  return SystemResource("Menu");
}

size_t RecordSizeFor(int rows) {
  return kMenuHeaderSize + static_cast<size_t>(rows + 1) * kMenuRowSize + kMenuTrailerSize;
}

// Copies a text into a fixed field, cut on a character boundary.
void PutField(char* field, size_t size, const char* text) {
  char cut[kMenuTextSize + 1];
  line_copy(text != nullptr ? text : "", cut, sizeof cut);
  size_t n = 0;
  while (cut[n] != '\0') {
    const size_t step = IsLeadByte(static_cast<unsigned char>(cut[n])) ? 2 : 1;
    if (n + step > size - 1 || (step == 2 && cut[n + 1] == '\0')) break;
    n += step;
  }
  cut[n] = '\0';
  PutFixedText(field, size, cut);
}

struct Look {
  uint32_t face = 0, light = 0, shadow = 0, text = 0;
  int half = 8, height = 16;
};

Look LookOf(Handle window) {
  Look look;
  if (const GCRecord* g = GCView(GetWindowGC(window))) {
    look.face = g->face;
    look.light = g->light;
    look.shadow = g->shadow;
    look.text = g->text;
    if (const FontRecord* f = FontView(g->font)) {
      look.half = f->width / 2;
      look.height = f->height;
    }
  }
  if (look.half < 1) look.half = 1;
  if (look.height < 1) look.height = 1;
  return look;
}

int16_t I16(int v) {
  return static_cast<int16_t>(v);
}

}  // namespace

MenuHeader* MenuView(Handle menu) {
  uint8_t* body = RecordBodyOf(menu, MenuResource(), kMenuHeaderSize);
  if (body == nullptr) return nullptr;
  // The record must hold every row its count names.
  if (Entry(menu).size < RecordSizeFor(body[1])) return nullptr;
  return reinterpret_cast<MenuHeader*>(body);
}

MenuRow* MenuSlot(Handle menu, int index) {
  MenuHeader* m = MenuView(menu);
  if (m == nullptr || index < 0 || index > m->count) return nullptr;
  return reinterpret_cast<MenuRow*>(reinterpret_cast<uint8_t*>(m) + kMenuHeaderSize +
                                    static_cast<size_t>(index) * kMenuRowSize);
}

int MenuRowCount(Handle menu) {
  const MenuHeader* m = MenuView(menu);
  return m == nullptr ? 0 : m->count;
}

Handle CreateMenu(Handle task, int rows) {
  if (rows < 0 || rows > kMaxMenuRows) return kNoHandle;
  const size_t size = RecordSizeFor(rows);
  const Handle menu = CreateRecord(MenuResource(), -1, static_cast<int32_t>(size));
  uint8_t* body = RecordBodyOf(menu, MenuResource(), static_cast<uint32_t>(size));
  if (body == nullptr) return kNoHandle;
  // A reused record keeps its old bytes: every slot starts empty.
  std::memset(body, 0, size);
  MenuHeader* m = reinterpret_cast<MenuHeader*>(body);
  m->count = static_cast<uint8_t>(rows);
  m->owner = task;
  return menu;
}

void DeleteMenu(Handle task, Handle menu) {
  (void)task;  // a menu record keeps its owner itself
  if (MenuView(menu) != nullptr) DeleteRecord(MenuResource(), menu);
}

void SetMenuItem(Handle menu, const char* label, const char* text, int index) {
  MenuRow* r = MenuSlot(menu, index);
  if (r == nullptr) return;
  PutField(r->label, sizeof r->label, label);
  PutField(r->text, sizeof r->text, text);
  r->value = index;
}

void SetMenuItemValue(Handle menu, int32_t value, int index) {
  if (MenuRow* r = MenuSlot(menu, index)) r->value = value;
}

int32_t GetMenuItemValue(Handle menu, int index) {
  const MenuRow* r = MenuSlot(menu, index);
  return r == nullptr ? 0 : r->value;
}

int32_t GetMenuItemValueIfSet(Handle menu, int index) {
  const MenuRow* r = MenuSlot(menu, index);
  if (r == nullptr || r->label[0] == '\0') return -1;
  return r->value;
}

void SetMenuLabelText(Handle menu) {
  if (MenuHeader* m = MenuView(menu)) m->flags |= kMenuLabelText;
}

void SetMenuTitle(Handle menu, const char* title) {
  MenuHeader* m = MenuView(menu);
  if (m == nullptr) return;
  m->flags |= kMenuTitled;
  MenuRow* r = MenuSlot(menu, 0);
  if ((m->flags & kMenuLabelText) != 0) {
    PutField(r->text, sizeof r->text, title);
  } else {
    PutField(r->label, sizeof r->label, title);
  }
}

uint8_t TestMenuItemFlags(Handle menu, int index, uint8_t bits) {
  const MenuRow* r = MenuSlot(menu, index);
  return r == nullptr ? 0 : static_cast<uint8_t>(r->flags & bits);
}

uint8_t ToggleMenuItemFlags(Handle menu, Handle window, int index, uint8_t bits) {
  MenuRow* r = MenuSlot(menu, index);
  if (r == nullptr) return 0;
  if ((r->flags & bits) != 0) {
    r->flags = static_cast<uint8_t>(r->flags & ~bits);
  } else {
    r->flags = static_cast<uint8_t>(r->flags | bits);
  }
  const uint8_t result = static_cast<uint8_t>(r->flags & bits);
  if (window != kNoHandle) DrawMenu(window, menu, index);
  return result;
}

int ClearMenuItemFlagsAll(Handle menu, Handle window, uint8_t bits) {
  for (int i = 0; i <= MenuRowCount(menu); ++i) {
    if (MenuRow* r = MenuSlot(menu, i)) r->flags = static_cast<uint8_t>(r->flags & ~bits);
  }
  if (window != kNoHandle) DrawMenu(window, menu, 0);
  return 1;
}

int SetMenuItemFlagsAll(Handle menu, Handle window, uint8_t bits) {
  for (int i = 0; i <= MenuRowCount(menu); ++i) {
    if (MenuRow* r = MenuSlot(menu, i)) r->flags = static_cast<uint8_t>(r->flags | bits);
  }
  if (window != kNoHandle) DrawMenu(window, menu, 0);
  return 1;
}

int MenuRowHeight(Handle window) {
  return LookOf(window).height + 4;
}

void MenuRowText(Handle menu, int slot, int width, int half, char* out, size_t size, bool* cut) {
  *cut = false;
  if (size == 0) return;
  out[0] = '\0';
  const MenuHeader* m = MenuView(menu);
  const MenuRow* r = MenuSlot(menu, slot);
  if (m == nullptr || r == nullptr) return;
  char text[kMenuLabelSize + kMenuTextSize + 1];
  const size_t label_n = FixedTextLength(r->label, sizeof r->label);
  std::memcpy(text, r->label, label_n);
  size_t n = label_n;
  if ((m->flags & kMenuLabelText) != 0) {
    const size_t text_n = FixedTextLength(r->text, sizeof r->text);
    std::memcpy(text + n, r->text, text_n);
    n += text_n;
  }
  text[n] = '\0';
  if (half < 1) half = 1;
  if (static_cast<int>(n) * half > width) {
    // Cut at (width / half-width) - 3 bytes, never inside a character, then "..".
    const int keep = width / half - 3;
    size_t k = 0;
    while (static_cast<int>(k) < keep && text[k] != '\0') {
      const size_t step = IsLeadByte(static_cast<unsigned char>(text[k])) && text[k + 1] != '\0' ? 2 : 1;
      if (static_cast<int>(k + step) > keep) break;
      k += step;
    }
    text[k] = '\0';
    std::strcat(text, "..");
    *cut = true;
  }
  line_copy(text, out, size);
}

void DrawMenuItem(Handle window, Handle menu, int index) {
  const MenuHeader* m = MenuView(menu);
  if (m == nullptr || WindowView(window) == nullptr) return;
  const int slot = index + m->first;
  if (slot < 0 || slot > m->count) return;
  const Look look = LookOf(window);
  const int row_height = look.height + 4;
  const int width = WindowWidth(window);
  char text[kMenuLabelSize + kMenuTextSize + 4];
  bool cut = false;
  MenuRowText(menu, slot, width, look.half, text, sizeof text, &cut);
  const int y = index * row_height;
  const int x = cut ? 2 : width / 2 - (static_cast<int>(std::strlen(text)) * look.half) / 2;
  const MenuRow* r = MenuSlot(menu, slot);
  const uint8_t flags = r->flags;
  if ((m->flags & kMenuTitled) != 0 && slot == 0) {
    const GCRecord* active = GCView(ActiveGC());
    const uint32_t bar = active != nullptr ? active->text : 0;
    WinFillRectangleColor(window, 2, I16(2), I16(width - 1), I16(look.height + 4), bar);
    WinMessageColor(window, I16(x), I16(y + 6), text, look.face);
  } else if ((flags & MENUselected) != 0) {
    WinMessageColor(window, I16(x), I16(y + 2), text, look.text);
  } else if ((flags & MENUseparator) != 0) {
    const int line_y = y + 2 + look.height / 2;
    WinLineColor(window, 5, I16(line_y), I16(width - 5), I16(line_y), look.shadow);
    WinLineColor(window, 5, I16(line_y + 1), I16(width - 5), I16(line_y + 1), look.light);
  } else if ((flags & MENUdisabled) != 0) {
    WinMessageColor(window, I16(x), I16(y + 2), text, look.light);
  } else {
    WinMessageColor(window, I16(x), I16(y + 2), text, look.text);
  }
  if ((flags & MENUchecked) != 0) {
    const int base = y + look.height;
    WinLineColor(window, 4, I16(base - 4), 7, I16(base), look.text);
    WinLineColor(window, 7, I16(base), 12, I16(y + 2), look.text);
  }
}

void DrawMenu(Handle window, Handle menu, int index) {
  const MenuHeader* m = MenuView(menu);
  if (m == nullptr || WindowView(window) == nullptr) return;
  const Look look = LookOf(window);
  const int row_height = look.height + 4;
  if (index <= 0) {
    const int count = m->count;
    const int height = WindowHeight(window);
    for (int row = 0; row < count && row * row_height + look.height <= height; ++row) DrawMenuItem(window, menu, row);
    return;
  }
  const MenuRow* r = MenuSlot(menu, index + m->first);
  if (r == nullptr) return;
  const uint32_t back = (r->flags & MENUselected) != 0 ? look.shadow : look.face;
  WinFillRectangleColor(window, 2, I16(index * row_height), I16(WindowWidth(window) - 4), I16(row_height - 1), back);
  DrawMenuItem(window, menu, index);
}

}  // namespace vadu
