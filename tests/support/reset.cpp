// Resets every module's process-wide state, so each test starts as a fresh
// process would.
#include "data/resource.h"
#include "kernel/dialog_seam.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/key_task.h"
#include "kernel/pool.h"
#include "kernel/startup.h"
#include "kernel/state.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/host_seam.h"
#include "platform/input.h"
#include "support/game_dir.h"
#include "window/window.h"

namespace vadu::test {

void ResetEngine() {
  ResetKernelState();
  DestroyPool();
  ResetResources();
  ResetEventQueue();
  ResetStartup();
  ResetFonts();
  ResetGCs();
  ResetWindows();
  ClearMouseCapture();
  ResetInput();
  SetHost(nullptr);
  SetPlatformClock(nullptr);
  SetMessageBoxHandler(nullptr);
  SetDialogHandlers(DialogHandlers{});
}

}  // namespace vadu::test
