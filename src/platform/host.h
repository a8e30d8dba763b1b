// What the engine asks of its host (the SDL window or the headless runner),
// beyond the screen and the input state. The host installs itself at start;
// without a host these calls do nothing (tests).
#pragma once

#include <cstdint>

namespace vadu {

struct DisplayInfo {
  int desktop_width = 800;  // the desktop the window lives on
  int desktop_height = 600;
  int bits_per_pixel = 32;  // of the framebuffer
  int planes = 1;
};

class Host {
 public:
  virtual ~Host() = default;
  // The engine thread has ended (or the device was closed): the host ends
  // its loop with this exit code.
  virtual void RequestQuit(int code) = 0;
  virtual void SetTitle(const char* cp932_title) = 0;
  virtual DisplayInfo Display() = 0;
};

void SetHost(Host* host);  // not owned; nullptr removes it
Host* CurrentHost();

// Engine-facing conveniences that do nothing without a host.
void HostQuit(int code);
void SetTitle(const char* cp932_title);
DisplayInfo HostDisplay();

}  // namespace vadu
