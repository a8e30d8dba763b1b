#include "platform/host_seam.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/reset.h"

namespace vadu {
namespace {

void StderrMessageBox(const char* text) {
  std::fprintf(stderr, "TARN: %s\n", Cp932ToUtf8(text).c_str());
  std::fflush(stderr);
}

MessageBoxHandler g_handler = nullptr;

// Converts with iconv, replacing each unconvertible input sequence of
// `bad_step` bytes with `replacement`.
std::string Convert(const char* from, const char* to, const char* text, const char* replacement, size_t bad_step) {
  std::string out;
  if (text == nullptr) return out;
  iconv_t cd = ::iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  char* in = const_cast<char*>(text);
  size_t in_left = std::strlen(text);
  char buf[256];
  while (in_left > 0) {
    char* o = buf;
    size_t o_left = sizeof buf;
    size_t r = ::iconv(cd, &in, &in_left, &o, &o_left);
    out.append(buf, static_cast<size_t>(o - buf));
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: replace it and go on.
      out += replacement;
      size_t step = bad_step < in_left ? bad_step : in_left;
      in += step;
      in_left -= step;
    }
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace

void ShowMessageBox(const char* text) {
  if (g_handler != nullptr) {
    g_handler(text != nullptr ? text : "");
  } else {
    StderrMessageBox(text != nullptr ? text : "");
  }
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  g_handler = handler;
}

std::string Cp932ToUtf8(const char* text) {
  return Convert("CP932", "UTF-8", text, "\xEF\xBF\xBD", 1);
}

std::string Utf8ToCp932(const char* text) {
  // An unconvertible UTF-8 character is skipped whole: step over its
  // continuation bytes after the lead byte.
  std::string out;
  if (text == nullptr) return out;
  const char* p = text;
  std::string chunk;
  while (*p) {
    const char* start = p;
    unsigned char c = static_cast<unsigned char>(*p);
    size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    for (size_t i = 1; i < len; ++i) {
      if (start[i] == '\0') {
        len = i;
        break;
      }
    }
    p += len;
    std::string one(start, len);
    std::string conv = Convert("UTF-8", "CP932", one.c_str(), "?", len);
    out += conv.empty() ? "?" : conv;
  }
  return out;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { SetMessageBoxHandler(nullptr); });
}  // namespace

}  // namespace vadu
