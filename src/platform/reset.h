// The one registry of process-wide state resets. Every module that keeps
// state of its own for the whole process (caches, handles of the current
// pool, counters, installed handlers) registers a function that puts it back
// as a fresh process has it; ResetEngineState runs them all. Tests, fuzz
// harnesses, benchmarks and author tools call it between engine runs, so a
// module added later cannot be left out of one of their lists.
#pragma once

namespace vadu {

using ResetFn = void (*)();

// Adds a reset (once, however often it is registered). Returns true, so a
// module can register from a namespace-scope initialiser:
//   [[maybe_unused]] const bool kRegistered = RegisterReset(&ResetFoo);
// Resets must not depend on one another: they run in registration order.
bool RegisterReset(ResetFn reset);

// Runs every registered reset.
void ResetEngineState();

}  // namespace vadu
