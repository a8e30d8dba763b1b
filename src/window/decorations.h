// Window decorations: the title bar (with its close box, resize box and
// title), the sub-bar and the frame, drawn around a window's content area
// into the root window, in the colours of a decoration gc (the normal one,
// or the active one for the active window).
#pragma once

#include <cstddef>

#include "core/types.h"

namespace vadu {

// Title bar, sub-bar and frame, as far as the window's mode asks for them;
// each only while the window is drawable (the frame also only while open).
void DrawDecorations(Handle window, Handle gc);

enum class TitleBox { kClose, kResize };
// The close or resize box of the title bar, raised or pressed.
void DrawTitleBox(Handle window, Handle gc, TitleBox box, bool pressed);

// The title as it is shown: a name of more than 15 bytes is cut to at most
// 13 (never inside a two-byte character) followed by "..".
void TitleText(const char* name, char* out, size_t size);

}  // namespace vadu
