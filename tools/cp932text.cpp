// cp932text: converts a game's UTF-8 text source into the engine's CP932
// bytes, for the build of a playable game directory.
//
//   cp932text IN OUT
//
// Game sources (settings, data form scripts, play lists, animation scripts)
// are written and committed in UTF-8 so that any editor and any diff shows
// them; the engine reads CP932. Every character must have a CP932 form: one
// that has none is an error with the file and line, never a silent '?'. A
// last line without a line end is refused too, since the engine's keyword
// lookup never reads such a line and a key written there would be lost
// without a word. A UTF-8 byte-order mark at the start is dropped.
//
// Exit codes: 0 converted; 1 the text cannot be converted (reported as
// FILE:LINE: reason); 2 bad arguments, or a file that cannot be read or
// written.
//
// This file holds no non-ASCII literal: the test program includes it as it is.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace cp932text {

// The line (1-based) of byte `at` of a text.
inline size_t LineOf(const std::string& text, size_t at) {
  size_t line = 1;
  for (size_t i = 0; i < at && i < text.size(); ++i) {
    if (text[i] == '\n') ++line;
  }
  return line;
}

// Length of the well-formed UTF-8 character at `at` (1 to 4), with its code
// point; 0 when the bytes there are not UTF-8 (a stray continuation byte, a
// cut sequence, an overlong form, a surrogate or a value past U+10FFFF).
inline size_t Utf8CharAt(const std::string& text, size_t at, char32_t& code) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char b0 = byte(at);
  size_t n = 0;
  if (b0 < 0x80) {
    code = b0;
    return 1;
  }
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    n = 2;
    code = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    n = 3;
    code = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    n = 4;
    code = b0 & 0x07;
  } else {
    return 0;
  }
  if (at + n > text.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    const unsigned char b = byte(at + i);
    if ((b & 0xC0) != 0x80) return 0;
    code = code << 6 | (b & 0x3F);
  }
  const char32_t least = n == 2 ? 0x80 : n == 3 ? 0x800 : 0x10000;
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

// Converts one character (its UTF-8 bytes) to CP932; false when it has no
// CP932 form. The converter is reset after a failure.
inline bool ConvertChar(iconv_t cd, const char* utf8, size_t n, std::string& out) {
  char buf[8];
  char* in = const_cast<char*>(utf8);
  size_t in_left = n;
  char* o = buf;
  size_t o_left = sizeof buf;
  if (::iconv(cd, &in, &in_left, &o, &o_left) == static_cast<size_t>(-1) || in_left != 0) {
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  out.append(buf, static_cast<size_t>(o - buf));
  return true;
}

// Converts `utf8` (the contents of the file `name`, which is only used in
// messages) into `cp932`. On failure `error` holds "NAME:LINE: reason" and
// `cp932` is left incomplete.
inline bool Convert(const std::string& name, const std::string& utf8, std::string& cp932, std::string& error) {
  cp932.clear();
  const iconv_t cd = ::iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    error = name + ": this system's iconv has no CP932 converter";
    return false;
  }
  size_t at = 0;
  if (utf8.compare(0, 3, "\xEF\xBB\xBF") == 0) at = 3;
  bool ok = true;
  while (at < utf8.size()) {
    const unsigned char b = static_cast<unsigned char>(utf8[at]);
    if (b < 0x80) {
      cp932 += static_cast<char>(b);
      ++at;
      continue;
    }
    char32_t code = 0;
    const size_t n = Utf8CharAt(utf8, at, code);
    if (n == 0) {
      static const char kHex[] = "0123456789ABCDEF";
      error = name + ":" + std::to_string(LineOf(utf8, at)) + ": the text is not UTF-8 (byte 0x" + kHex[b >> 4] +
              kHex[b & 15] + ")";
      ok = false;
      break;
    }
    if (!ConvertChar(cd, utf8.data() + at, n, cp932)) {
      char u[16];
      std::snprintf(u, sizeof u, "U+%04X", static_cast<unsigned>(code));
      error = name + ":" + std::to_string(LineOf(utf8, at)) + ": the character " + u + " (" + utf8.substr(at, n) +
              ") has no CP932 form";
      ok = false;
      break;
    }
    at += n;
  }
  ::iconv_close(cd);
  if (ok && !utf8.empty() && utf8.back() != '\n') {
    error = name + ":" + std::to_string(LineOf(utf8, utf8.size())) +
            ": the last line has no line end (the engine never reads such a line)";
    ok = false;
  }
  return ok;
}

// Reads IN, converts it and writes OUT (through a temporary file renamed
// over it, so a failed or cut build never leaves a half-written file that
// looks up to date). Messages go to `err`.
inline int Run(const std::vector<std::string>& args, std::string& err) {
  if (args.size() != 2) {
    err = "usage: cp932text IN OUT\n";
    return 2;
  }
  std::ifstream in(args[0], std::ios::binary);
  if (!in) {
    err = "cp932text: cannot read " + args[0] + "\n";
    return 2;
  }
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string cp932, error;
  if (!Convert(args[0], utf8, cp932, error)) {
    err = error + "\n";
    std::error_code ec;
    std::filesystem::remove(args[1], ec);
    return 1;
  }
  const std::string tmp = args[1] + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out.write(cp932.data(), static_cast<std::streamsize>(cp932.size()));
    out.close();
    if (!out) {
      err = "cp932text: cannot write " + tmp + "\n";
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, args[1], ec);
  if (ec) {
    err = "cp932text: cannot write " + args[1] + ": " + ec.message() + "\n";
    return 2;
  }
  return 0;
}

}  // namespace cp932text

#ifndef CP932TEXT_NO_MAIN
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string err;
  const int code = cp932text::Run(args, err);
  if (!err.empty()) std::fputs(err.c_str(), stderr);
  return code;
}
#endif
