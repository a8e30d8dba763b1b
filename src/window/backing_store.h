// The backing store: a picture of the screen under a window's outer
// rectangle, taken just before the window is drawn and put back when it
// closes or moves, so nothing below has to be redrawn by its owner. The
// picture is a graphic (kernel/graphic.h) of the outer size plus one pixel
// each way, held in the window's save_graphic and owned by its owner task.
#pragma once

#include "core/types.h"

namespace vadu {

// (Re)makes the window's picture and sets WINDOWbackingstore. 0, or 1 when
// there is no window or no picture could be made ("BackingStoreでメモリ確保に
// 失敗 %s" logged with the owner's name; the window keeps no picture and its
// flag as it was).
int BackingStore(Handle window);
// Copies the screen under the outer rectangle into the picture. 0, or 1
// without a picture ("ERROR  SaveWindowGraphic() save_graphic is NULL").
int SaveWindowGraphic(Handle window);
// Puts the picture back over the outer rectangle. 0, or 1 without a picture
// ("ERROR RestorWindowGraphic()  save_graphic is NULL").
int RestorWindowGraphic(Handle window);

}  // namespace vadu
