#include "data/line_file.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "data/strings.h"
#include "kernel/log.h"
#include "platform/files.h"

namespace vadu {
namespace {

// Reads the next character of a file in text mode: a carriage return right
// before a line feed is part of the line end, as on the desktop the files
// were written on. EOF at the end.
int GetTextChar(FILE* f) {
  int c = std::getc(f);
  if (c != '\r') return c;
  const int next = std::getc(f);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, f);
  return c;
}

}  // namespace

char* read_line_file(const char* file, int n, char* out, size_t size) {
  if (n <= 0 || out == nullptr || size == 0) return nullptr;
  FILE* f = OpenGameFile(file, "r+t");
  if (f == nullptr) return nullptr;
  char line[kLineBufferSize];
  int count = 0;
  while (count < n) {
    if (std::feof(f)) break;
    if (std::fgets(line, sizeof line, f) == nullptr) break;
    ++count;
  }
  const bool found = count == n && !std::feof(f);
  std::fclose(f);
  if (!found) {
    WriteLogf("read_line_file() error! %s (line %d req %d)", file, count, n);
    return nullptr;
  }
  // A CR-LF line end is a line end.
  const size_t length = std::strcspn(line, "\n");
  if (line[length] == '\n' && length > 0 && line[length - 1] == '\r') line[length - 1] = '\n';
  line_copy(line, out, size);
  return out;
}

int ReadWholeFile(const char* file, char* buffer, size_t size) {
  if (buffer == nullptr) return 0;
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) return 0;
  size_t used = 0;
  bool fits = true;
  for (int c = GetTextChar(f); c != EOF; c = GetTextChar(f)) {
    // One byte stays free for the end mark.
    if (used + 1 >= size) {
      fits = false;
      break;
    }
    buffer[used++] = static_cast<char>(c);
  }
  std::fclose(f);
  if (!fits || used >= size) return 0;
  buffer[used] = static_cast<char>(0xFF);
  return 1;
}

int32_t FileLength(const char* file) {
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) return 0;
  int64_t count = 1;
  while (GetTextChar(f) != EOF) {
    if (count < INT32_MAX) ++count;
  }
  std::fclose(f);
  return static_cast<int32_t>(count);
}

}  // namespace vadu
