// What window objects ask of the layers above the window layer: the text
// task draws text areas and input cursors, the message effect paints message
// areas, the menu task draws a menu's items. Each layer fills its seam from
// the composition root (engine/assembly.cpp); until then the seam does
// nothing, and an object that needs it draws only what the window layer
// draws itself.
#pragma once

#include "core/types.h"

namespace vadu {

// The text task (textedit/).
struct ObjectTextHooks {
  // Draws a text area's content (kind 26) into its window.
  void (*draw_area)(Handle object) = nullptr;
  // Draws an input line's cursor after DrawInputMessage and brings the text
  // task's state of it up to date.
  void (*draw_cursor)(Handle object) = nullptr;
};
void SetObjectTextHooks(const ObjectTextHooks& hooks);
const ObjectTextHooks& TextHooks();

// The message effect (RedrawEffect of the effect task, present/).
struct ObjectEffectHooks {
  // RedrawEffect(object, mode): 0 completes the page at once (a click), 2
  // paints the page again as far as it had got (a redraw). 1 when the
  // parent of the object's window is not drawable, else 0.
  int (*redraw)(Handle object, int mode) = nullptr;
};
void SetObjectEffectHooks(const ObjectEffectHooks& hooks);
const ObjectEffectHooks& EffectHooks();
// RedrawEffect through the seam; 0 while the seam is empty.
int RedrawMessageEffect(Handle object, int mode);

// The menu task (menu/).
struct ObjectMenuHooks {
  // Draws every row of the menu into the window (a pull-down, selector or
  // list object's own window).
  void (*draw_items)(Handle window, Handle menu) = nullptr;
};
void SetObjectMenuHooks(const ObjectMenuHooks& hooks);
const ObjectMenuHooks& MenuHooks();

}  // namespace vadu
