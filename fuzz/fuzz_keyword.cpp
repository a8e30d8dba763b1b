// Fuzzes the keyword-file reader and the string helpers: the input becomes
// VADU.ini in a private temporary directory and is also used as text for the
// string operations. Every buffer handed to the engine is a heap block of its
// exact size, so any write past it is caught by AddressSanitizer.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/config.h"
#include "core/line_file.h"
#include "core/state.h"
#include "core/strings.h"
#include "fuzz_workdir.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace {

using vadu::kIniFile;

void QuietBox(const char*) {}

void Prepare() {
  vadu::fuzz::WorkDir::Make("keyword");
  vadu::fuzz::WorkDir::Enter();
  // A SYSTEM.msg, so that message 100 has a line to log.
  FILE* msg = std::fopen("SYSTEM.msg", "wb");
  if (msg == nullptr) std::abort();
  for (int i = 1; i <= 100; ++i) std::fprintf(msg, "message %d\n", i);
  std::fclose(msg);
  vadu::fuzz::WorkDir::Leave();
  vadu::SetMessageBoxHandler(QuietBox);
}

void WriteInput(const char* name, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(name, "wb");
  if (f == nullptr) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
}

// An exact-size heap buffer.
std::unique_ptr<char[]> Buffer(size_t size, const char* text = "") {
  auto buffer = std::make_unique<char[]>(size);
  const size_t n = std::min(std::strlen(text), size - 1);
  std::memcpy(buffer.get(), text, n);
  buffer[n] = '\0';
  return buffer;
}

void FuzzLookups(const std::string& text) {
  static const char* const kKeys[] = {
      "CYCLE_WAIT", "FASTSYNC_WAIT", "MAX_EVENT", "SCREEN_SIZEX", "USER_NAME", "MEMORY_TYPE", "TASK", "ON", "=", "/",
      "A",
  };
  vadu::SystemFlags.store(vadu::TRACE);
  vadu::ReadFlagKeys();
  // Keep standard output quiet and the log in the file whatever the input set.
  vadu::SystemFlags.store(vadu::TRACE);

  // A key taken from the input itself (its first token).
  char own_key[24];
  vadu::NextToken(text.c_str(), own_key, sizeof own_key);

  for (const char* key : kKeys) {
    auto small = Buffer(3);
    vadu::LookupKey(key, small.get(), 3, kIniFile);
    auto one = Buffer(1);
    vadu::LookupKey(key, one.get(), 1, kIniFile);
    vadu::LookupNumber(key, kIniFile);
    vadu::LookupSwitch(key, kIniFile);
    vadu::IniNumberOr(key, 7);
  }
  auto value = Buffer(300);
  vadu::LookupKey(own_key, value.get(), 300, kIniFile);
  vadu::LookupSwitch(own_key, kIniFile);

  vadu::ReadNameKeys();
  vadu::ReadMemoryType();
  vadu::ReadWaitKeys();
  if (vadu::Kernel.cycle_wait < 1) std::abort();
  vadu::ReadMaxEvent();
}

void FuzzLineFile() {
  for (int n = 0; n <= 4; ++n) {
    auto out = Buffer(16);
    vadu::read_line_file(kIniFile, n, out.get(), 16);
  }
  const int32_t length = vadu::FileLength(kIniFile);
  if (length <= 0) return;
  auto whole = Buffer(static_cast<size_t>(length));
  if (vadu::ReadWholeFile(kIniFile, whole.get(), static_cast<size_t>(length)) != 1) std::abort();
  if (length > 1) {
    auto tight = Buffer(static_cast<size_t>(length) - 1);
    if (vadu::ReadWholeFile(kIniFile, tight.get(), static_cast<size_t>(length) - 1) != 0) std::abort();
  }
}

void FuzzStrings(const std::string& text, const uint8_t* data, size_t size) {
  const char* t = text.c_str();
  const size_t length = std::strlen(t);
  // The second line of the text serves as the pattern and the word list.
  const char* second = vadu::LineSkip(t, 1);
  std::string pattern =
      second != nullptr ? std::string(second, std::strcspn(second, "\n")) : std::string(t, length / 2);

  vadu::FindText(t, pattern.c_str());
  vadu::FindText(pattern.c_str(), t);
  vadu::CharCount(t);
  vadu::SkipSeparators(t);
  for (int n = -1; n <= 4; ++n) {
    vadu::LineSkip(t, n);
    vadu::NthNumber(t, n);
    vadu::NthWordNumber(t, n);
    auto word = Buffer(5);
    vadu::NthWord(t, n, word.get(), 5);
  }
  {
    auto entry = Buffer(4);
    vadu::FindInList(t, pattern.c_str(), entry.get(), 4);
    vadu::FindInList(pattern.c_str(), t, entry.get(), 4);
  }
  {
    // Every call must move on, or a token loop would never end.
    const char* p = t;
    for (size_t i = 0; i <= length && *p != '\0'; ++i) {
      auto token = Buffer(5);
      const char* next = vadu::NextToken(p, token.get(), 5);
      if (next <= p) std::abort();
      p = next;
    }
  }
  {
    auto copy = Buffer(length + 1, t);
    vadu::RemoveBlanks(copy.get());
    auto line = Buffer(9);
    vadu::line_copy(t, line.get(), 9);
  }
  {
    auto dst = Buffer(24, pattern.c_str());
    vadu::InsertText(t, dst.get(), 24, size > 0 ? data[0] % 8 : 0);
    vadu::ShiftRight(dst.get(), 24, size > 1 ? data[1] % 30 : 1);
  }
  {
    auto buf = Buffer(32, t);
    const size_t used = std::strlen(buf.get());
    const size_t s = size > 2 ? data[2] % (used + 1) : 0;
    const size_t e = size > 3 ? s + data[3] % (used - s + 1) : s;
    vadu::ReplaceSpan(buf.get(), 32, buf.get() + s, buf.get() + e, pattern.c_str());
  }
  for (size_t i = 0; i + 1 < size; ++i) {
    auto ch = Buffer(2);
    ch[0] = static_cast<char>(data[i]);
    ch[1] = static_cast<char>(data[i + 1]);
    vadu::ToHalfWidth(ch.get());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!vadu::fuzz::WorkDir::Made()) Prepare();
  vadu::fuzz::WorkDir::Enter();
  vadu::ResetEngineState();
  std::remove("SenELOG.dat");
  WriteInput(kIniFile, data, size);

  const std::string text(reinterpret_cast<const char*>(data), size);
  FuzzLookups(text);
  FuzzLineFile();
  FuzzStrings(text, data, size);
  vadu::fuzz::WorkDir::Leave();
  return 0;
}
