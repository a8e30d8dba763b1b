#include "platform/system_info.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/host_seam.h"

namespace vadu {
namespace {

// The distribution's name from /etc/os-release, or "".
std::string DistributionName() {
  FILE* f = std::fopen("/etc/os-release", "r");
  if (f == nullptr) return "";
  std::string name;
  char line[256];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "PRETTY_NAME=", 12) != 0) continue;
    name = line + 12;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r' || name.back() == '"')) name.pop_back();
    if (!name.empty() && name.front() == '"') name.erase(0, 1);
    break;
  }
  std::fclose(f);
  return name;
}

}  // namespace

OsVersion HostOsVersion() {
  OsVersion v;
  utsname u{};
  if (::uname(&u) == 0) std::sscanf(u.release, "%d.%d", &v.major, &v.minor);
  v.name = Utf8ToCp932(DistributionName().c_str());
  return v;
}

std::string HostComputerName() {
  char host[256] = "";
  if (::gethostname(host, sizeof host) != 0 || host[0] == '\0') return "NON";
  host[sizeof host - 1] = '\0';
  return Utf8ToCp932(host);
}

std::string HostUserName() {
  char name[256];
  if (::getlogin_r(name, sizeof name) == 0 && name[0] != '\0') return Utf8ToCp932(name);
  passwd entry{};
  passwd* found = nullptr;
  char buffer[1024];
  if (::getpwuid_r(::geteuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return Utf8ToCp932(found->pw_name);
  }
  return "NON";
}

}  // namespace vadu
