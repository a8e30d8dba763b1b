// Resets every module's process-wide state, so each test starts as a fresh
// process would. The engine is assembled as the vadu command assembles it,
// so start-up in a test makes the same tasks and root window.
#include "platform/reset.h"

#include "engine/assembly.h"
#include "support/game_dir.h"

namespace vadu::test {

void ResetEngine() {
  AssembleEngine();
  ResetEngineState();
}

}  // namespace vadu::test
