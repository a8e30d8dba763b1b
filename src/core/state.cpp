#include "core/state.h"

#include "platform/reset.h"

namespace vadu {

std::atomic<uint32_t> SystemFlags{0};
KernelState Kernel;

void ResetKernelState() {
  SystemFlags.store(0);
  Kernel = KernelState{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetKernelState);
}  // namespace

}  // namespace vadu
