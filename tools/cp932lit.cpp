// cp932lit IN OUT: copies a UTF-8 C++ source, rewriting every non-ASCII
// character of its ordinary string and character literals as the character's
// CP932 bytes in three-digit octal escapes ("\203\134"). GCC turns such
// literals into CP932 itself (-fexec-charset=CP932); clang cannot, so the
// clang builds (fuzzing) compile the rewritten copies and get the same bytes.
//
// What is left as it is: comments, code outside literals, prefixed literals
// (u8, u, U and L have their own encodings, which the execution character set
// does not change) and raw strings (a raw string cannot hold an escape; a
// non-ASCII character in one is reported as a warning and stays UTF-8).
// Quoted #include names that exist beside the input are made absolute, since
// the copy lives elsewhere, and a #line directive keeps diagnostics and
// __FILE__ pointing at the original.
//
// A character without a CP932 form is an error (exit status 1), as it is for
// GCC. The conversion uses glibc's iconv "CP932", the table GCC uses.
#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace cp932lit {

// Converts one UTF-8 character to CP932 bytes. False when it has none.
inline bool ToCp932(const std::string& utf8, std::string& out) {
  static iconv_t cd = ::iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[16];
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* o = buf;
  size_t o_left = sizeof buf;
  if (::iconv(cd, &in, &in_left, &o, &o_left) == static_cast<size_t>(-1) || in_left != 0) return false;
  out.assign(buf, static_cast<size_t>(o - buf));
  return true;
}

// Length of the UTF-8 sequence that starts at `p` (with `left` bytes
// available), or 0 when it is not a well-formed sequence.
inline size_t Utf8Length(const char* p, size_t left) {
  const auto c = static_cast<unsigned char>(p[0]);
  size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || n > left) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(p[i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

inline bool IsIdentChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u >= 0x80;
}

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Rewrites `in` (the text of a source file) into `out`. `source_dir` is the
// directory of the original file, for quoted #include names ("" leaves them
// alone). On failure returns false with a message in `error` ("LINE: what").
// Non-fatal findings (raw strings with non-ASCII text) go to `warnings`.
inline bool Rewrite(const std::string& in, const std::string& source_dir, std::string& out, std::string& error,
                    std::string* warnings = nullptr) {
  out.clear();
  out.reserve(in.size() + in.size() / 4);
  const size_t n = in.size();
  size_t i = 0;
  int line = 1;
  bool line_start = true;  // only blanks since the last line end

  auto fail = [&](const std::string& what) {
    error = std::to_string(line) + ": " + what;
    return false;
  };
  // Copies in[from, to) and counts its line ends.
  auto copy = [&](size_t from, size_t to) {
    for (size_t k = from; k < to; ++k) line += in[k] == '\n';
    out.append(in, from, to - from);
  };

  while (i < n) {
    const char c = in[i];

    if (c == '\n') {
      out += c;
      ++line;
      ++i;
      line_start = true;
      continue;
    }
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      out += c;
      ++i;
      continue;
    }

    // A preprocessing directive: only #include is looked at.
    if (c == '#' && line_start) {
      line_start = false;
      size_t k = i + 1;
      while (k < n && (in[k] == ' ' || in[k] == '\t')) ++k;
      if (in.compare(k, 7, "include") == 0) {
        size_t q = k + 7;
        while (q < n && (in[q] == ' ' || in[q] == '\t')) ++q;
        const size_t eol = in.find('\n', q);
        const size_t end = eol == std::string::npos ? n : eol;
        if (q < n && in[q] == '"') {
          const size_t close = in.find('"', q + 1);
          if (close != std::string::npos && close < end && !source_dir.empty()) {
            const std::string name = in.substr(q + 1, close - q - 1);
            std::error_code ec;
            const std::filesystem::path beside = std::filesystem::path(source_dir) / name;
            if (!name.empty() && name[0] != '/' && std::filesystem::exists(beside, ec)) {
              out.append(in, i, q - i);
              out += '"';
              out += std::filesystem::absolute(beside, ec).lexically_normal().string();
              out += '"';
              copy(close + 1, end);
              i = end;
              continue;
            }
          }
        }
        copy(i, end);
        i = end;
        continue;
      }
      out += c;
      ++i;
      continue;
    }
    line_start = false;

    // Comments.
    if (c == '/' && i + 1 < n && in[i + 1] == '/') {
      size_t k = i + 2;
      // A line comment goes on past a line end that a backslash escapes.
      while (k < n && in[k] != '\n') {
        if (in[k] == '\\' && k + 1 < n && in[k + 1] == '\n') {
          k += 2;
        } else if (in[k] == '\\' && k + 2 < n && in[k + 1] == '\r' && in[k + 2] == '\n') {
          k += 3;
        } else {
          ++k;
        }
      }
      copy(i, k);
      i = k;
      continue;
    }
    if (c == '/' && i + 1 < n && in[i + 1] == '*') {
      const size_t close = in.find("*/", i + 2);
      if (close == std::string::npos) return fail("unterminated comment");
      copy(i, close + 2);
      i = close + 2;
      continue;
    }

    // A number (pp-number): its digit separators are not character literals.
    if (IsDigit(c) || (c == '.' && i + 1 < n && IsDigit(in[i + 1]))) {
      size_t k = i + 1;
      while (k < n) {
        const char d = in[k];
        if ((d == '+' || d == '-') && (in[k - 1] == 'e' || in[k - 1] == 'E' || in[k - 1] == 'p' || in[k - 1] == 'P')) {
          ++k;
        } else if (d == '\'' && k + 1 < n && IsIdentChar(in[k + 1])) {
          k += 2;
        } else if (IsIdentChar(d) || d == '.') {
          ++k;
        } else {
          break;
        }
      }
      copy(i, k);
      i = k;
      continue;
    }

    // An identifier, which may be the prefix of a literal.
    if (IsIdentChar(c)) {
      size_t k = i;
      while (k < n && IsIdentChar(in[k])) ++k;
      const std::string word = in.substr(i, k - i);
      copy(i, k);
      i = k;
      if (i < n && in[i] == '"' && (word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R")) {
        // Raw string: R"delim( ... )delim".
        const size_t open = in.find('(', i + 1);
        if (open == std::string::npos || open - i - 1 > 16) return fail("malformed raw string");
        const std::string terminator = ")" + in.substr(i + 1, open - i - 1) + "\"";
        const size_t close = in.find(terminator, open + 1);
        if (close == std::string::npos) return fail("unterminated raw string");
        const size_t end = close + terminator.size();
        if (warnings != nullptr) {
          for (size_t q = i; q < end; ++q) {
            if (static_cast<unsigned char>(in[q]) >= 0x80) {
              *warnings += std::to_string(line) + ": raw string keeps its non-ASCII text as UTF-8\n";
              break;
            }
          }
        }
        copy(i, end);
        i = end;
      } else if (i < n && (in[i] == '"' || in[i] == '\'') &&
                 (word == "L" || word == "u" || word == "U" || word == "u8")) {
        // Prefixed literal: copied as it is.
        const char quote = in[i];
        size_t q = i + 1;
        while (q < n && in[q] != quote && in[q] != '\n') q += in[q] == '\\' ? 2 : 1;
        if (q >= n || in[q] != quote) return fail("unterminated literal");
        copy(i, q + 1);
        i = q + 1;
      }
      continue;
    }

    // An ordinary string or character literal: the one place that changes.
    if (c == '"' || c == '\'') {
      const char quote = c;
      out += c;
      ++i;
      while (true) {
        if (i >= n || in[i] == '\n') return fail("unterminated literal");
        const char d = in[i];
        if (d == quote) {
          out += d;
          ++i;
          break;
        }
        if (d == '\\') {
          // An escape is copied whole where it is ASCII; a line splice keeps
          // its line end.
          out += d;
          ++i;
          if (i < n && static_cast<unsigned char>(in[i]) < 0x80) {
            line += in[i] == '\n';
            out += in[i];
            ++i;
          }
          continue;
        }
        const auto u = static_cast<unsigned char>(d);
        if (u < 0x80) {
          out += d;
          ++i;
          continue;
        }
        const size_t len = Utf8Length(in.data() + i, n - i);
        if (len == 0) return fail("malformed UTF-8 in a literal");
        std::string bytes;
        if (!ToCp932(in.substr(i, len), bytes)) {
          return fail("character \"" + in.substr(i, len) + "\" has no CP932 form");
        }
        for (const char b : bytes) {
          const auto v = static_cast<unsigned char>(b);
          out += '\\';
          out += static_cast<char>('0' + ((v >> 6) & 7));
          out += static_cast<char>('0' + ((v >> 3) & 7));
          out += static_cast<char>('0' + (v & 7));
        }
        i += len;
      }
      continue;
    }

    out += c;
    ++i;
  }
  return true;
}

// The text of a #line directive naming `path`, quoted as a string literal.
inline std::string LineDirective(const std::string& path) {
  std::string d = "#line 1 \"";
  for (const char c : path) {
    if (c == '\\' || c == '"') d += '\\';
    d += c;
  }
  d += "\"\n";
  return d;
}

}  // namespace cp932lit

#ifndef CP932LIT_NO_MAIN
int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cp932lit IN OUT\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path in_path = argv[1];
  const fs::path out_path = argv[2];
  std::ifstream in(in_path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cp932lit: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();

  std::error_code ec;
  const fs::path abs = fs::absolute(in_path, ec);
  std::string out;
  std::string error;
  std::string warnings;
  if (!cp932lit::Rewrite(text.str(), abs.parent_path().string(), out, error, &warnings)) {
    std::fprintf(stderr, "%s:%s\n", argv[1], error.c_str());
    return 1;
  }
  std::istringstream warned(warnings);
  for (std::string w; std::getline(warned, w);) std::fprintf(stderr, "%s:%s (warning)\n", argv[1], w.c_str());

  // Written beside the target and renamed, so an interrupted build never
  // leaves a half-written copy that looks up to date.
  if (out_path.has_parent_path()) fs::create_directories(out_path.parent_path(), ec);
  const fs::path tmp = out_path.string() + ".tmp";
  {
    std::ofstream o(tmp, std::ios::binary | std::ios::trunc);
    const std::string head = cp932lit::LineDirective(abs.string());
    o.write(head.data(), static_cast<std::streamsize>(head.size()));
    o.write(out.data(), static_cast<std::streamsize>(out.size()));
    if (!o.flush()) {
      std::fprintf(stderr, "cp932lit: cannot write %s\n", tmp.c_str());
      return 1;
    }
  }
  fs::rename(tmp, out_path, ec);
  if (ec) {
    std::fprintf(stderr, "cp932lit: cannot write %s: %s\n", argv[2], ec.message().c_str());
    fs::remove(tmp, ec);
    return 1;
  }
  return 0;
}
#endif
