// What the window object files share among themselves (not for other
// parts of the engine: they use window/object.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// The system "Object" resource.
Handle ObjectResource();
// A bound for walks over object lists: the number of object records, so a
// damaged list cannot make a walk loop.
int ObjectBudget();

// The cell size of a gc's font: the half width (a one-byte character) and
// the character height; 8 x 16 when the gc has no font.
struct CellSize {
  int half = 8;
  int height = 16;
};
CellSize CellOf(Handle gc);

// Copies a label into a fixed field of `size` bytes: up to the first line
// end, cut to size - 1 bytes, never ending inside a two-byte character.
void CopyLabel(char* field, size_t size, const char* text);

// Clamps a computed coordinate or size into the int16 range.
int16_t Clamp16(long value);

// Event 0x308 from WindowTask to the task with that number: the object's
// number, its parent window and the object.
void SendObjectEvent(int32_t destination, Handle object);
// The task number of a window's owner, or -1.
int32_t WindowOwnerNumber(Handle window);

// The press look of kinds 1, 6, 18 and 19: drawn pressed (sunken) or raised,
// whatever OBJon says.
void DrawObjectLook(Handle object, bool pressed);

// Forgets the first text area (reset).
void ForgetFirstTextArea();

}  // namespace vadu
