// The engine's log: one line per call, to standard output while DEBAG is set
// and appended to the log file while TRACE is set. The file is opened and
// closed for every line, so each line is on disk when WriteLog returns and the
// file can be read while the program runs.
#pragma once

#include <cstdint>

namespace vadu {

// Writes one log line (the line end is added).
void WriteLog(const char* text);
// printf-style WriteLog. Lines longer than 4095 bytes are cut.
void WriteLogf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Start-up: takes the log file name from VADU.ini ("Sys.error.elogfile",
// default "SenELOG.dat"), creates the file empty and writes its two header
// lines. The log file is a file of the game directory: a configured name
// with a directory part ('/', '\', an absolute path) or "." or ".." is
// refused with one line on standard error, and the default is used.
// Returns 0, or 1 when the file cannot be created (after the message box
// "ElogFile open miss!!").
int OpenLogFile();

// Logs line `number` of SYSTEM.msg, then the extra text (when given) as a
// second line. Number 0 or a missing line logs nothing but the line reader's
// own error line.
void LogSystemMessage(int number, const char* extra);

// Name of the system message file.
inline constexpr char kSystemMessageFile[] = "SYSTEM.msg";

}  // namespace vadu
