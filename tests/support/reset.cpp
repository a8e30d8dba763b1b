// Resets every module's process-wide state, so each test starts as a fresh
// process would: the engine's own reset, then the handlers tests install.
#include "kernel/dialog_seam.h"
#include "kernel/startup.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "platform/host_seam.h"
#include "support/game_dir.h"

namespace vadu::test {

void ResetEngine() {
  ResetEngineState();
  SetHost(nullptr);
  SetPlatformClock(nullptr);
  SetMessageBoxHandler(nullptr);
  SetDialogHandlers(DialogHandlers{});
}

}  // namespace vadu::test
