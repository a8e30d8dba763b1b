#include "core/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/state.h"
#include "core/strings.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/host_seam.h"

namespace vadu {
namespace {

constexpr char kDefaultLogFileName[] = "SenELOG.dat";

}  // namespace

void WriteLog(const char* text) {
  if (text == nullptr) text = "";
  if (HasFlag(DEBAG)) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  if (!HasFlag(TRACE)) return;
  FILE* f = OpenGameFileForWriting(Kernel.log_file_name, false);
  if (f == nullptr) {
    // File logging stops before the user is told: the dialog logs too, and
    // with TRACE still set it would come back here without end.
    ClearFlag(TRACE);
    MessageDialog(77, Kernel.log_file_name);
    return;
  }
  std::fputs(text, f);
  std::fputc('\n', f);
  std::fclose(f);
}

void WriteLogf(const char* format, ...) {
  char line[4096];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  WriteLog(line);
}

int OpenLogFile() {
  // The whole configured value is checked; the name kept is cut to the
  // field's 23 characters.
  char name[kKeywordLineMax + 1];
  const char* chosen = kDefaultLogFileName;
  if (IniString("Sys.error.elogfile", name, sizeof name) != nullptr && name[0] != '\0') {
    // The log file is a file of the game directory: it is created empty, so
    // a name that reached elsewhere would let a downloaded game truncate any
    // file of the user's.
    if (IsGameDirectoryFileName(name)) {
      chosen = name;
    } else {
      std::fprintf(stderr,
                   "vadu: the log file name \"%s\" (Sys.error.elogfile in %s) is refused, the log file must be a file "
                   "of the game directory; \"%s\" is used\n",
                   Cp932ToUtf8(name).c_str(), kIniFile, kDefaultLogFileName);
    }
  }
  line_copy(chosen, Kernel.log_file_name, sizeof Kernel.log_file_name);
  FILE* f = OpenGameFileForWriting(Kernel.log_file_name, true);
  if (f == nullptr) {
    ShowMessageBox("ElogFile open miss!!");
    return 1;
  }
  const LocalDateTime now = PlatformClock().LocalTime();
  std::fprintf(f, "%s V%s R%s %s\n", kEngineName, kEngineVersion, kEngineRevision, kProductTitle);
  std::fprintf(f, "    loging start %d/%d/%d %d:%d\n", now.year, now.month, now.day, now.hour, now.minute);
  std::fclose(f);
  return 0;
}

void LogSystemMessage(int number, const char* extra) {
  if (number == 0) return;
  char line[kLineBufferSize];
  if (read_line_file(kSystemMessageFile, number, line, sizeof line) == nullptr) return;
  WriteLog(line);
  if (extra != nullptr) WriteLog(extra);
}

}  // namespace vadu
