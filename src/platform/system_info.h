// What the host system says about itself: the operating system's version,
// the computer's name and the login name. Start-up logs them; texts are
// CP932 (converted from the host's UTF-8).
#pragma once

#include <string>

namespace vadu {

struct OsVersion {
  int major = 0;  // of the kernel release, e.g. 6 and 1 of "6.1.0-18-amd64"
  int minor = 0;
  std::string name;  // the distribution's name ("" when unknown)
};
OsVersion HostOsVersion();

// The computer's host name ("NON" when it cannot be read).
std::string HostComputerName();

// The login name of the user running the engine ("NON" when it cannot be
// read).
std::string HostUserName();

}  // namespace vadu
