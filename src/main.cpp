// vadu: starts a game directory in a window (SDL) or headless. The engine's
// layers are put together by AssembleEngine (engine/assembly.cpp); this file
// reads the command line and picks the host.
//
//   vadu [OPTIONS] [GAME_DIR]
//
// Exit codes: 0 orderly shutdown, 1 start-up failure, 2 bad arguments or
// bad input script, 3 timeout.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/config.h"
#include "core/transcript.h"
#include "engine/assembly.h"
#include "host/headless/headless_host.h"
#include "host/headless/virtual_clock.h"
#include "host/run_engine.h"
#include "host/sdl/sdl_host.h"
#include "platform/files.h"

namespace {

constexpr char kUsage[] =
    "Usage: vadu [OPTIONS] [GAME_DIR]\n"
    "Starts the game in GAME_DIR (the directory that holds VADU.ini; default: the\n"
    "current directory) in a window, or without one.\n"
    "\n"
    "  --headless            no window, no audio device\n"
    "  --virtual-clock       headless only: time advances only by the engine's own\n"
    "                        sleeps (start date-time: VADU_CLOCK_START=\"YYYY-MM-DD HH:MM:SS\",\n"
    "                        else now)\n"
    "  --input FILE          headless input script; at its end the host sends a\n"
    "                        close request\n"
    "  --screenshot-dir DIR  where the script's `shot` writes (default: GAME_DIR)\n"
    "  --transcript FILE     UTF-8 record of what the player was shown\n"
    "  --timeout SECONDS     engine-clock seconds; past them exit code 3\n"
    "  --scale N             window size: the engine screen times N (1 to 16)\n"
    "  --fullscreen          start in full screen (Alt+Enter toggles it)\n"
    "  --version             print the version and exit\n"
    "  --help                print this help and exit\n"
    "\n"
    "Input script, one command a line, '#' starts a comment:\n"
    "  wait MS | key NAME | text UTF8 | hold MOD | release MOD | click X Y [right]\n"
    "  down X Y [right] | up | move X Y | shot NAME.png | close\n"
    "\n"
    "Exit codes: 0 orderly shutdown, 1 start-up failure, 2 bad arguments or bad\n"
    "input script, 3 timeout.\n";

struct Args {
  bool headless = false;
  bool virtual_clock = false;
  std::string input;
  std::string screenshot_dir;
  std::string transcript;
  double timeout_s = -1;
  int scale = 1;
  bool fullscreen = false;
  std::string game_dir;
};

int BadArgs(const char* format, const char* what) {
  std::fprintf(stderr, "vadu: ");
  std::fprintf(stderr, format, what);
  std::fprintf(stderr, "\nTry 'vadu --help'.\n");
  return vadu::kExitBadInput;
}

// Makes a path given on the command line independent of the working
// directory, which becomes GAME_DIR.
std::string Absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Parses the command line; returns -1 to go on, else the exit code.
int Parse(int argc, char** argv, Args& args) {
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!args.game_dir.empty()) return BadArgs("more than one game directory ('%s')", argv[i]);
      args.game_dir = arg;
      continue;
    }
    if (arg == "--") {
      options_done = true;
      continue;
    }
    std::string value;
    bool has_value = false;
    size_t eq = arg.find('=');
    if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg = arg.substr(0, eq);
      has_value = true;
    }
    auto take = [&](std::string& out) {
      if (has_value) {
        out = value;
        return true;
      }
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    auto flag = [&](bool& out) {
      out = true;
      return !has_value;
    };
    bool ok = true;
    std::string number;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("vadu 0.3 (VADU V0.3 R19, TARN 0.514)\n");
      return 0;
    } else if (arg == "--headless") {
      ok = flag(args.headless);
    } else if (arg == "--virtual-clock") {
      ok = flag(args.virtual_clock);
    } else if (arg == "--fullscreen") {
      ok = flag(args.fullscreen);
    } else if (arg == "--input") {
      ok = take(args.input) && !args.input.empty();
    } else if (arg == "--screenshot-dir") {
      ok = take(args.screenshot_dir) && !args.screenshot_dir.empty();
    } else if (arg == "--transcript") {
      ok = take(args.transcript) && !args.transcript.empty();
    } else if (arg == "--timeout") {
      if (!take(number)) return BadArgs("%s needs a number of seconds", arg.c_str());
      char* end = nullptr;
      errno = 0;
      double t = std::strtod(number.c_str(), &end);
      if (number.empty() || *end != '\0' || errno != 0 || !std::isfinite(t) || t < 0 || t > 1e7) {
        return BadArgs("bad --timeout '%s' (seconds, 0 or more)", number.c_str());
      }
      args.timeout_s = t;
    } else if (arg == "--scale") {
      if (!take(number)) return BadArgs("%s needs a number", arg.c_str());
      char* end = nullptr;
      long n = std::strtol(number.c_str(), &end, 10);
      if (number.empty() || *end != '\0' || n < 1 || n > 16)
        return BadArgs("bad --scale '%s' (1 to 16)", number.c_str());
      args.scale = static_cast<int>(n);
    } else {
      return BadArgs("unknown option '%s'", argv[i]);
    }
    if (!ok) return BadArgs("bad use of %s", arg.c_str());
  }
  if (args.virtual_clock && !args.headless) return BadArgs("%s works only with --headless", "--virtual-clock");
  if (!args.input.empty() && !args.headless) return BadArgs("%s works only with --headless", "--input");
  if (!args.screenshot_dir.empty() && !args.headless) {
    return BadArgs("%s works only with --headless", "--screenshot-dir");
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  Args args;
  int parsed = Parse(argc, argv, args);
  if (parsed >= 0) return parsed;
  vadu::AssembleEngine();

  args.input = Absolute(args.input);
  args.screenshot_dir = Absolute(args.screenshot_dir);
  args.transcript = Absolute(args.transcript);
  if (!args.screenshot_dir.empty() && !IsDirectory(args.screenshot_dir)) {
    return BadArgs("the screenshot directory '%s' does not exist", args.screenshot_dir.c_str());
  }

  vadu::LocalDateTime clock_start = vadu::SystemClock().LocalTime();
  clock_start.millisecond = 0;
  if (args.virtual_clock) {
    const char* start = std::getenv("VADU_CLOCK_START");
    if (start != nullptr && !vadu::ParseClockStart(start, clock_start)) {
      std::fprintf(stderr, "vadu: VADU_CLOCK_START must read \"YYYY-MM-DD HH:MM:SS\", not \"%s\"\n", start);
      return vadu::kExitBadInput;
    }
  }

  if (!args.game_dir.empty() && chdir(args.game_dir.c_str()) != 0) {
    std::fprintf(stderr, "vadu: cannot enter the game directory '%s': %s\n", args.game_dir.c_str(),
                 std::strerror(errno));
    return vadu::kExitBadInput;
  }
  // Without VADU.ini this is not a game directory: stop before the engine
  // writes its log and install record into it.
  if (!vadu::GameFileExists(vadu::kIniFile)) {
    std::fprintf(stderr, "vadu: no VADU.ini in '%s': not a game directory\n",
                 args.game_dir.empty() ? "." : args.game_dir.c_str());
    return vadu::kExitStartup;
  }
  if (!args.transcript.empty() && !vadu::OpenTranscript(args.transcript.c_str())) {
    std::fprintf(stderr, "vadu: cannot create the transcript '%s': %s\n", args.transcript.c_str(),
                 std::strerror(errno));
    return vadu::kExitBadInput;
  }

  // The screen size: SCREEN_SIZEX and SCREEN_SIZEY by the rule start-up uses
  // too, so the host's screen (and desktop, headless) is the engine's.
  int screen_width = vadu::ScreenSizeSetting("SCREEN_SIZEX", vadu::IniKeyMissing("SCREEN_SIZEX"));
  int screen_height = vadu::ScreenSizeSetting("SCREEN_SIZEY", vadu::IniKeyMissing("SCREEN_SIZEY"));
  int64_t timeout_ms = args.timeout_s < 0 ? -1 : static_cast<int64_t>(std::llround(args.timeout_s * 1000));

  if (args.headless) {
    vadu::HeadlessOptions options;
    options.virtual_clock = args.virtual_clock;
    options.clock_start = clock_start;
    options.input = args.input;
    options.screenshot_dir = args.screenshot_dir;
    options.timeout_ms = timeout_ms;
    options.screen_width = screen_width;
    options.screen_height = screen_height;
    const int code = vadu::RunHeadless(options);
    vadu::CloseTranscript();
    return code;
  }
  vadu::SdlOptions options;
  options.scale = args.scale;
  options.fullscreen = args.fullscreen;
  options.timeout_ms = timeout_ms;
  options.screen_width = screen_width;
  options.screen_height = screen_height;
  const int code = vadu::RunSdl(options);
  vadu::CloseTranscript();
  return code;
}
