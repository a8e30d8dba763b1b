#include "platform/reset.h"

#include <cstddef>
#include <vector>

namespace vadu {
namespace {

// Built on first use: modules register from their own static initialisers,
// whose order between files is not fixed.
std::vector<ResetFn>& Registry() {
  static std::vector<ResetFn> resets;
  return resets;
}

}  // namespace

bool RegisterReset(ResetFn reset) {
  if (reset == nullptr) return true;
  std::vector<ResetFn>& resets = Registry();
  for (ResetFn r : resets) {
    if (r == reset) return true;
  }
  resets.push_back(reset);
  return true;
}

void ResetEngineState() {
  // A reset may register another module's reset (first use of a module);
  // index, not iterators, so such a late addition runs too.
  std::vector<ResetFn>& resets = Registry();
  for (std::size_t i = 0; i < resets.size(); ++i) resets[i]();
}

}  // namespace vadu
