// Resets every module's process-wide state, so each test starts as a fresh
// process would.
#include "data/resource.h"
#include "kernel/dialog_seam.h"
#include "kernel/event.h"
#include "kernel/pool.h"
#include "kernel/state.h"
#include "platform/clock.h"
#include "platform/host_seam.h"
#include "support/game_dir.h"

namespace vadu::test {

void ResetEngine() {
  ResetKernelState();
  DestroyPool();
  ResetResources();
  ResetEventQueue();
  SetPlatformClock(nullptr);
  SetMessageBoxHandler(nullptr);
  SetDialogHandlers(DialogHandlers{});
}

}  // namespace vadu::test
