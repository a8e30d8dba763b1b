#include "kernel/state.h"

namespace vadu {

std::atomic<uint32_t> SystemFlags{0};
KernelState Kernel;

void ResetKernelState() {
  SystemFlags.store(0);
  Kernel = KernelState{};
}

}  // namespace vadu
