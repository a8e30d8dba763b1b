// The composition root: the one place that knows every layer. It registers
// each layer's task step in the kernel's table, in the cycle's order, and
// the application; main() calls it before a host starts the engine.
#pragma once

namespace vadu {

// Registers every layer's task steps and hooks, and the application. Safe to
// call more than once.
void AssembleEngine();

}  // namespace vadu
