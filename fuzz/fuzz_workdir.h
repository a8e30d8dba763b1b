// The directory a fuzz harness runs its inputs in. The engine reads and
// writes files by relative names, so an input runs with this directory
// current; between inputs the fuzzer's own directory is current again, since
// the fuzzer reads its corpus by relative paths.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace vadu::fuzz {

class WorkDir {
 public:
  // Makes "vadu-fuzz-NAME-XXXXXX" under /dev/shm (in memory: inputs are
  // written to it often, and every save syncs its file, which would
  // otherwise dominate the run), or under /tmp where there is none, once;
  // it is removed with its files when the process exits. Aborts when it
  // cannot be made.
  static void Make(const char* name) {
    State& s = Get();
    if (s.work >= 0) return;
    s.home = ::open(".", O_RDONLY | O_DIRECTORY);
    for (const char* base : {"/dev/shm", "/tmp"}) {
      s.path = std::string(base) + "/vadu-fuzz-" + name + "-XXXXXX";
      if (::mkdtemp(s.path.data()) != nullptr) break;
      s.path.clear();
    }
    if (s.home < 0 || s.path.empty()) std::abort();
    s.work = ::open(s.path.c_str(), O_RDONLY | O_DIRECTORY);
    if (s.work < 0) std::abort();
    std::atexit(Remove);
  }
  static bool Made() { return Get().work >= 0; }
  // The directory, for the *at() calls.
  static int Fd() { return Get().work; }
  static void Enter() {
    if (::fchdir(Get().work) != 0) std::abort();
  }
  static void Leave() {
    if (::fchdir(Get().home) != 0) std::abort();
  }

 private:
  struct State {
    int home = -1;
    int work = -1;
    std::string path;
  };
  static State& Get() {
    static State state;
    return state;
  }
  // The directory holds only files a run wrote (no subdirectory).
  static void Remove() {
    const State& s = Get();
    if (DIR* d = ::opendir(s.path.c_str())) {
      while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) ::unlinkat(s.work, e->d_name, 0);
      }
      ::closedir(d);
    }
    ::rmdir(s.path.c_str());
  }
};

// Sends standard output (the engine's console lines) to /dev/null, so the
// run's output is the fuzzer's own.
inline void QuietStdout() {
  const int null = ::open("/dev/null", O_WRONLY);
  if (null >= 0) {
    ::dup2(null, STDOUT_FILENO);
    ::close(null);
  }
}

}  // namespace vadu::fuzz
