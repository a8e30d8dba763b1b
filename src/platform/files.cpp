#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/cp932.h"
#include "platform/reset.h"

namespace vadu {
namespace {

GameFileOpenFilter g_open_filter = nullptr;

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

// Equal names without regard to ASCII case. A two-byte CP932 character is
// compared whole and exactly: its second byte may be a letter's byte (the
// 0x41 of one katakana is the 0x61 of another), and folding it would make
// two different characters one.
bool SameNameIgnoringCase(const char* a, const char* b) {
  for (;;) {
    const unsigned char ca = static_cast<unsigned char>(*a);
    const unsigned char cb = static_cast<unsigned char>(*b);
    if (IsLeadByte(ca) && a[1] != '\0') {
      if (ca != cb || a[1] != b[1]) return false;
      a += 2;
      b += 2;
      continue;
    }
    if (ca == '\0' || cb == '\0') return ca == cb;
    const auto lower = [](unsigned char c) {
      return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
    };
    if (lower(ca) != lower(cb)) return false;
    ++a;
    ++b;
  }
}

// Finds the entry of `dir` whose name equals `component` without regard to
// ASCII case. Returns an empty string when none does.
std::string MatchInDirectory(const std::string& dir, const std::string& component) {
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return {};
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    if (SameNameIgnoringCase(e->d_name, component.c_str())) {
      if (best.empty() || best > e->d_name) best = e->d_name;
    }
  }
  ::closedir(d);
  return best;
}

// The name with every '\' that is a character of its own turned into '/'.
// The second byte of a two-byte CP932 character may be 0x5C (as in the
// katakana so, 0x83 0x5C) and is no separator.
std::string WithSlashes(const char* name) {
  std::string path(name);
  for (size_t i = 0; i < path.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(path[i]);
    if (IsLeadByte(c) && i + 1 < path.size()) {
      ++i;
    } else if (c == '\\') {
      path[i] = '/';
    }
  }
  return path;
}

}  // namespace

std::string ResolveGamePath(const char* name) {
  if (name == nullptr) return {};
  const std::string path = WithSlashes(name);
  if (path.empty() || Exists(path)) return path;

  // Walk component by component, fixing the case of each one that exists
  // under another spelling.
  std::string resolved;
  size_t pos = 0;
  if (path[0] == '/') {
    resolved = "/";
    pos = 1;
  }
  bool lost = false;  // once a component is missing, the rest is kept as written
  while (pos <= path.size()) {
    size_t slash = path.find('/', pos);
    if (slash == std::string::npos) slash = path.size();
    std::string component = path.substr(pos, slash - pos);
    pos = slash + 1;
    if (component.empty()) continue;
    std::string dir = resolved;
    std::string candidate = dir.empty() ? component : (dir.back() == '/' ? dir + component : dir + "/" + component);
    if (!lost && !Exists(candidate) && component != "." && component != "..") {
      std::string match = MatchInDirectory(dir.empty() ? "." : dir, component);
      if (!match.empty()) {
        candidate = dir.empty() ? match : (dir.back() == '/' ? dir + match : dir + "/" + match);
      } else {
        lost = true;
      }
    }
    resolved = candidate;
  }
  return resolved;
}

FILE* OpenGameFile(const char* name, const char* mode) {
  if (name == nullptr || mode == nullptr || name[0] == '\0') return nullptr;
  std::string m;
  for (const char* c = mode; *c; ++c) {
    if (*c != 't') m += *c;
  }
  const std::string path = ResolveGamePath(name);
  if (g_open_filter != nullptr && !g_open_filter(path.c_str(), mode)) {
    errno = EROFS;
    return nullptr;
  }
  // Game files are regular files. A pipe or a device in a game directory
  // would block the open itself (a pipe waits for its other end) or be read
  // without end; a directory reads as nothing.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  return std::fopen(path.c_str(), m.c_str());
}

FILE* OpenGameFileForWriting(const char* name, bool truncate) {
  const std::string path = ResolveGamePath(name);
  if (path.empty()) return nullptr;
  if (g_open_filter != nullptr && !g_open_filter(path.c_str(), truncate ? "w" : "a")) {
    errno = EROFS;
    return nullptr;
  }
  struct stat st;
  if (truncate && ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) != 0) {
    return nullptr;
  }
  const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND);
  const int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  FILE* f = ::fdopen(fd, truncate ? "w" : "a");
  if (f == nullptr) ::close(fd);
  return f;
}

void SetGameFileOpenFilter(GameFileOpenFilter filter) {
  g_open_filter = filter;
}

bool IsGameDirectoryFileName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  const std::string path = WithSlashes(name);
  return path.find('/') == std::string::npos && path != "." && path != "..";
}

bool GameFileExists(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  struct stat st;
  return ::stat(ResolveGamePath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool WriteFileAtomically(const char* name, const void* data, size_t size) {
  if (name == nullptr || name[0] == '\0') return false;
  const std::string target = ResolveGamePath(name);
  // A file the user made read-only is not replaced behind their back.
  struct stat old;
  const bool had_old = ::stat(target.c_str(), &old) == 0;
  if (had_old && ::access(target.c_str(), W_OK) != 0) return false;
  std::string tmp = target + ".tmpXXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return false;
  const auto* p = static_cast<const unsigned char*>(data);
  size_t left = size;
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  // The new file keeps the old one's permissions; a new file gets the usual
  // ones (mkstemp makes it 0600).
  mode_t mask = ::umask(0);
  ::umask(mask);
  const mode_t mode = had_old ? (old.st_mode & 07777) : (0666 & ~mask);
  if (ok) ok = ::fchmod(fd, mode) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = ::rename(tmp.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(tmp.c_str());
  return ok;
}

bool ReadFileBytes(const char* name, std::vector<unsigned char>& out) {
  out.clear();
  FILE* f = OpenGameFile(name, "rb");
  if (f == nullptr) return false;
  // Only regular files: a device or a pipe named as a game file could be
  // read without end.
  struct stat st;
  if (::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::fclose(f);
    return false;
  }
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { g_open_filter = nullptr; });
}  // namespace

}  // namespace vadu
