#include "window/backing_store.h"

#include "core/log.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "window/window.h"

namespace vadu {

int BackingStore(Handle window) {
  WindowRecord* w = WindowView(window);
  if (w == nullptr) return 1;
  const Handle owner = w->owner;
  if (w->save_graphic != kNoHandle) {
    const Handle old = w->save_graphic;
    w->save_graphic = kNoHandle;
    FreeGraphic(owner, old);
  }
  const ScreenRect outer = OuterRect(window);
  const Handle picture =
      outer.width >= 0 && outer.height >= 0
          ? CreateGraphic(owner, static_cast<int16_t>(outer.width + 1), static_cast<int16_t>(outer.height + 1))
          : kNoHandle;
  w = WindowView(window);
  if (w == nullptr) return 1;
  if (picture == kNoHandle) {
    WriteLogf("BackingStoreでメモリ確保に失敗 %s", TaskNameText(owner).text);
    return 1;
  }
  w->save_graphic = picture;
  w->mode |= WINDOWbackingstore;
  return 0;
}

int SaveWindowGraphic(Handle window) {
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || w->save_graphic == kNoHandle) {
    WriteLog("ERROR  SaveWindowGraphic() save_graphic is NULL");
    return 1;
  }
  WriteLog("SaveWindowGraphic()");
  const ScreenRect r = OuterRect(window);
  return GraphicSave(static_cast<int16_t>(r.x), static_cast<int16_t>(r.y), static_cast<int16_t>(r.width),
                     static_cast<int16_t>(r.height), w->save_graphic);
}

int RestorWindowGraphic(Handle window) {
  const ScreenRect r = OuterRect(window);
  WriteLogf("RestorWindowGraphic call GraphicLoad %d : %d - %d / %d", r.x, r.y, r.width, r.height);
  const WindowRecord* w = WindowView(window);
  if (w == nullptr || w->save_graphic == kNoHandle) {
    WriteLog("ERROR RestorWindowGraphic()  save_graphic is NULL");
    return 1;
  }
  return GraphicLoad(static_cast<int16_t>(r.x), static_cast<int16_t>(r.y), static_cast<int16_t>(r.width),
                     static_cast<int16_t>(r.height), w->save_graphic);
}

}  // namespace vadu
