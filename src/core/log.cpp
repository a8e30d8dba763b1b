#include "core/log.h"

#include <cstdarg>
#include <cstdio>

#include "core/config.h"
#include "core/dialog_seam.h"
#include "core/line_file.h"
#include "core/state.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/host_seam.h"

namespace vadu {
namespace {

// The log file name is at most 23 characters; a longer configured name is cut.
void PutFixedTextName(const char* name) {
  size_t n = 0;
  while (n + 1 < sizeof Kernel.log_file_name && name[n] != '\0') {
    Kernel.log_file_name[n] = name[n];
    ++n;
  }
  Kernel.log_file_name[n] = '\0';
}

}  // namespace

void WriteLog(const char* text) {
  if (text == nullptr) text = "";
  if (HasFlag(DEBAG)) {
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
  if (!HasFlag(TRACE)) return;
  FILE* f = OpenGameFile(Kernel.log_file_name, "a+t");
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
  char name[sizeof Kernel.log_file_name];
  if (IniString("Sys.error.elogfile", name, sizeof name) != nullptr && name[0] != '\0') {
    PutFixedTextName(name);
  } else {
    PutFixedTextName("SenELOG.dat");
  }
  FILE* f = OpenGameFile(Kernel.log_file_name, "wt");
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
