#include "platform/host.h"

#include <atomic>

#include "platform/reset.h"

namespace vadu {
namespace {
// Installed by the host's thread before the engine thread starts and removed
// after it has been joined; the engine thread only reads it.
std::atomic<Host*> g_host{nullptr};
}  // namespace

void SetHost(Host* host) {
  g_host.store(host, std::memory_order_release);
}
Host* CurrentHost() {
  return g_host.load(std::memory_order_acquire);
}

void HostQuit(int code) {
  if (Host* host = CurrentHost()) host->RequestQuit(code);
}

void SetTitle(const char* cp932_title) {
  if (Host* host = CurrentHost()) host->SetTitle(cp932_title != nullptr ? cp932_title : "");
}

DisplayInfo HostDisplay() {
  if (Host* host = CurrentHost()) return host->Display();
  return DisplayInfo{};
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { SetHost(nullptr); });
}  // namespace

}  // namespace vadu
