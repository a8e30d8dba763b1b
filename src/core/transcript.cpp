#include "core/transcript.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

#include "platform/host_seam.h"

namespace vadu {
namespace {

// The file is written by the engine thread and opened and closed by the
// program around the engine's run; the mutex keeps a close from meeting a
// write when a run ends early.
std::mutex g_mutex;
FILE* g_file = nullptr;

std::string Escaped(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (char c : utf8) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

bool OpenTranscript(const char* path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_file != nullptr) {
    std::fclose(g_file);
    g_file = nullptr;
  }
  if (path == nullptr || *path == '\0') return false;
  g_file = std::fopen(path, "wb");
  return g_file != nullptr;
}

void CloseTranscript() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_file != nullptr) std::fclose(g_file);
  g_file = nullptr;
}

bool TranscriptOpen() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_file != nullptr;
}

void TranscriptLine(const char* kind, const char* text) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_file == nullptr) return;
  // The conversion keeps what it cannot map visible rather than dropping
  // the line: a tool comparing transcripts then sees the difference.
  const std::string line = Escaped(Cp932ToUtf8(text != nullptr ? text : ""));
  std::fprintf(g_file, "%s: %s\n", kind, line.c_str());
  std::fflush(g_file);
}

void TranscriptLinef(const char* kind, const char* format, ...) {
  if (!TranscriptOpen()) return;
  char buf[4352];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  TranscriptLine(kind, buf);
}

}  // namespace vadu
