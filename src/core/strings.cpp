#include "core/strings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "core/log.h"

namespace vadu {
namespace {

// Length of `text` within a buffer of `size` bytes: a text that is not
// terminated inside its buffer is treated as filling it but for the last byte.
size_t BoundedLength(const char* text, size_t size) {
  if (size == 0) return 0;
  const size_t n = strnlen(text, size);
  return n < size ? n : size - 1;
}

// The longest prefix of `text` (whose length is `length`) that has at most
// `room` bytes and does not end in the middle of a two-byte character.
size_t FitLength(const char* text, size_t length, size_t room) {
  if (length <= room) return length;
  size_t i = 0;
  while (i < room) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    if (i + step > room) break;
    i += step;
  }
  return i;
}

// Copies `length` bytes of `src` into `dst` (room for `size` > 0 bytes),
// cut to fit, and terminates.
void CopyCut(char* dst, size_t size, const char* src, size_t length) {
  const size_t n = FitLength(src, length, size - 1);
  std::memmove(dst, src, n);
  dst[n] = '\0';
}

bool IsLineEnd(char c) {
  return c == '\n' || c == '\r';
}

// Full-width symbols and katakana (CP932 codes) with their single-byte forms.
// Full-width letters and digits are computed, not listed.
struct HalfWidthPair {
  uint16_t code;
  uint8_t half;
};
// clang-format off
constexpr HalfWidthPair kHalfWidth[] = {
    // Space and symbols; the yen sign and overline are the JIS X 0201 forms
    // of 0x5C and 0x7E.
    {0x8140, 0x20}, {0x8141, 0xA4}, {0x8142, 0xA1}, {0x8143, 0x2C}, {0x8144, 0x2E}, {0x8145, 0xA5}, {0x8146, 0x3A},
    {0x8147, 0x3B}, {0x8148, 0x3F}, {0x8149, 0x21}, {0x814A, 0xDE}, {0x814B, 0xDF}, {0x814D, 0x60}, {0x814F, 0x5E},
    {0x8150, 0x7E}, {0x8151, 0x5F}, {0x815B, 0xB0}, {0x815E, 0x2F}, {0x815F, 0x5C}, {0x8160, 0x7E}, {0x8162, 0x7C},
    {0x8169, 0x28}, {0x816A, 0x29}, {0x816D, 0x5B}, {0x816E, 0x5D}, {0x816F, 0x7B}, {0x8170, 0x7D}, {0x8175, 0xA2},
    {0x8176, 0xA3}, {0x817B, 0x2B}, {0x817C, 0x2D}, {0x8181, 0x3D}, {0x8183, 0x3C}, {0x8184, 0x3E}, {0x818F, 0x5C},
    {0x8190, 0x24}, {0x8193, 0x25}, {0x8194, 0x23}, {0x8195, 0x26}, {0x8196, 0x2A}, {0x8197, 0x40},
    // Katakana without voicing marks.
    {0x8340, 0xA7}, {0x8341, 0xB1}, {0x8342, 0xA8}, {0x8343, 0xB2}, {0x8344, 0xA9}, {0x8345, 0xB3}, {0x8346, 0xAA},
    {0x8347, 0xB4}, {0x8348, 0xAB}, {0x8349, 0xB5}, {0x834A, 0xB6}, {0x834C, 0xB7}, {0x834E, 0xB8}, {0x8350, 0xB9},
    {0x8352, 0xBA}, {0x8354, 0xBB}, {0x8356, 0xBC}, {0x8358, 0xBD}, {0x835A, 0xBE}, {0x835C, 0xBF}, {0x835E, 0xC0},
    {0x8360, 0xC1}, {0x8362, 0xAF}, {0x8363, 0xC2}, {0x8365, 0xC3}, {0x8367, 0xC4}, {0x8369, 0xC5}, {0x836A, 0xC6},
    {0x836B, 0xC7}, {0x836C, 0xC8}, {0x836D, 0xC9}, {0x836E, 0xCA}, {0x8371, 0xCB}, {0x8374, 0xCC}, {0x8377, 0xCD},
    {0x837A, 0xCE}, {0x837D, 0xCF}, {0x837E, 0xD0}, {0x8380, 0xD1}, {0x8381, 0xD2}, {0x8382, 0xD3}, {0x8383, 0xAC},
    {0x8384, 0xD4}, {0x8385, 0xAD}, {0x8386, 0xD5}, {0x8387, 0xAE}, {0x8388, 0xD6}, {0x8389, 0xD7}, {0x838A, 0xD8},
    {0x838B, 0xD9}, {0x838C, 0xDA}, {0x838D, 0xDB}, {0x838F, 0xDC}, {0x8392, 0xA6}, {0x8393, 0xDD},
    // Full-width apostrophe and quotation mark (NEC-selected and IBM extension codes).
    {0xEEFB, 0x27}, {0xEEFC, 0x22}, {0xFA56, 0x27}, {0xFA57, 0x22},
};
// clang-format on
static_assert(std::is_sorted(std::begin(kHalfWidth), std::end(kHalfWidth),
                             [](const HalfWidthPair& a, const HalfWidthPair& b) { return a.code < b.code; }),
              "the table is searched by halves");

}  // namespace

int FindText(const char* text, const char* pattern) {
  if (text == nullptr || pattern == nullptr || pattern[0] == '\0') return 0;
  const size_t length = std::strlen(pattern);
  size_t matched = 0;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (text[i] == pattern[matched]) {
      if (++matched == length) return static_cast<int>(i + 2 - length);
    } else {
      // Start over without looking at this character again.
      matched = 0;
    }
  }
  return 0;
}

void line_copy(const char* src, char* dst, size_t size) {
  if (src == nullptr) {
    WriteLog("line_copy()で改行がみつかりませんでした");
    return;
  }
  if (dst == nullptr || size == 0) return;
  const char* end = std::strchr(src, '\n');
  CopyCut(dst, size, src, end != nullptr ? static_cast<size_t>(end - src) : std::strlen(src));
}

const char* LineSkip(const char* text, int n) {
  if (text == nullptr || n <= 0) return text;
  const char* p = text;
  for (int i = 0; i < n; ++i) {
    p = std::strchr(p, '\n');
    if (p == nullptr) return nullptr;
    ++p;
  }
  return p;
}

const char* SkipSeparators(const char* text) {
  if (text == nullptr) return nullptr;
  const char* p = text;
  while (IsSeparator(*p)) ++p;
  return *p != '\0' ? p : text;
}

const char* NextToken(const char* text, char* out, size_t size) {
  if (out != nullptr && size > 0) out[0] = '\0';
  if (text == nullptr) return nullptr;
  const char* p = text;
  while (IsSeparator(*p) || IsLineEnd(*p)) ++p;
  const char* start = p;
  while (*p != '\0' && !IsSeparator(*p) && !IsLineEnd(*p)) ++p;
  if (out != nullptr && size > 0) CopyCut(out, size, start, static_cast<size_t>(p - start));
  return p;
}

int FindInList(const char* word, const char* list, char* out, size_t size) {
  if (word == nullptr || list == nullptr) return 0;
  const char* entry = list;
  while (const char* comma = std::strchr(entry, ',')) {
    const size_t length = static_cast<size_t>(comma - entry);
    if (length > 0 && std::strncmp(word, entry, length) == 0) {
      if (out != nullptr && size > 0) CopyCut(out, size, entry, length);
      return 1;
    }
    entry = comma + 1;
  }
  return 0;
}

int NthWord(const char* text, int n, char* out, size_t size) {
  if (text == nullptr || n < 0) return 0;
  const char* p = text;
  for (int runs = 0; runs < n; ++runs) {
    while (*p != '\0' && !IsBlank(*p)) ++p;
    if (*p == '\0') return 0;
    while (IsBlank(*p)) ++p;
  }
  const char* start = p;
  while (*p != '\0' && !IsBlank(*p)) ++p;
  if (p == start) return 0;
  if (out != nullptr && size > 0) CopyCut(out, size, start, static_cast<size_t>(p - start));
  return 1;
}

int32_t NthWordNumber(const char* text, int n) {
  char word[64];
  if (NthWord(text, n, word, sizeof word) == 0) return 0;
  // A decimal integer with an optional sign, up to the first other character.
  const char* p = word;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT32_MAX) {
      value = static_cast<int64_t>(INT32_MAX) + (negative ? 1 : 0);
      break;
    }
  }
  return static_cast<int32_t>(negative ? -value : value);
}

int32_t NthNumber(const char* text, int n) {
  if (text == nullptr || n <= 0) return -1;
  const char* p = text;
  int run = 0;
  while (*p != '\0') {
    if (*p < '0' || *p > '9') {
      ++p;
      continue;
    }
    if (++run == n) {
      int64_t value = 0;
      for (; *p >= '0' && *p <= '9'; ++p) value = std::min<int64_t>(value * 10 + (*p - '0'), INT32_MAX);
      return static_cast<int32_t>(value);
    }
    while (*p >= '0' && *p <= '9') ++p;
  }
  return -1;
}

void RemoveBlanks(char* text) {
  if (text == nullptr) return;
  char* out = text;
  for (const char* p = text; *p != '\0'; ++p) {
    if (!IsBlank(*p)) *out++ = *p;
  }
  *out = '\0';
}

bool InsertText(const char* src, char* dst, size_t dst_size, size_t count) {
  if (src == nullptr || dst == nullptr || dst_size == 0) return false;
  const size_t src_length = std::strlen(src);
  const size_t insert = (count == 0 || count > src_length) ? src_length : count;
  const size_t dst_length = BoundedLength(dst, dst_size);
  const size_t room = dst_size - 1;
  const size_t kept_insert = FitLength(src, insert, room);
  const size_t kept_dst = FitLength(dst, dst_length, room - kept_insert);
  std::memmove(dst + kept_insert, dst, kept_dst);
  std::memmove(dst, src, kept_insert);
  dst[kept_insert + kept_dst] = '\0';
  return kept_insert == insert && kept_dst == dst_length;
}

void ShiftRight(char* text, size_t size, size_t count) {
  if (text == nullptr || size == 0 || count == 0) return;
  const size_t length = BoundedLength(text, size);
  if (count >= size - 1) {
    // Nothing of the text fits behind the gap; keep the buffer terminated.
    text[size - 1] = '\0';
    return;
  }
  const size_t kept = FitLength(text, length, size - 1 - count);
  std::memmove(text + count, text, kept);
  text[count + kept] = '\0';
}

char* ReplaceSpan(char* buffer, size_t size, char* start, char* end, const char* replacement) {
  if (buffer == nullptr || start == nullptr || end == nullptr || size == 0) return start;
  const size_t length = BoundedLength(buffer, size);
  // Positions are compared as numbers: the span must lie within the text.
  const auto base = reinterpret_cast<uintptr_t>(buffer);
  const auto s_addr = reinterpret_cast<uintptr_t>(start);
  const auto e_addr = reinterpret_cast<uintptr_t>(end);
  if (s_addr < base || e_addr < s_addr || e_addr > base + length) return start;
  const size_t s = s_addr - base;
  const size_t e = e_addr - base;
  const char* repl = replacement != nullptr ? replacement : "";
  const size_t repl_length = std::strlen(repl);
  const size_t tail_length = length - e;
  const size_t room = size - 1;
  const size_t kept_repl = FitLength(repl, repl_length, room - s);
  const size_t kept_tail = FitLength(buffer + e, tail_length, room - s - kept_repl);
  std::memmove(buffer + s + kept_repl, buffer + e, kept_tail);
  std::memmove(buffer + s, repl, kept_repl);
  buffer[s + kept_repl + kept_tail] = '\0';
  return buffer + s + kept_repl;
}

int CharCount(const char* text) {
  if (text == nullptr) return 0;
  int count = 0;
  for (const char* p = text; *p != '\0'; ++count) {
    if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
      p += 2;
    } else {
      ++p;
    }
  }
  return count;
}

int ToHalfWidth(char* ch) {
  if (ch == nullptr) return 0;
  const auto lead = static_cast<unsigned char>(ch[0]);
  if (!IsLeadByte(lead)) return 0;
  const auto trail = static_cast<unsigned char>(ch[1]);
  const uint16_t code = static_cast<uint16_t>(lead << 8 | trail);
  int half = -1;
  if (code >= 0x824F && code <= 0x8258) {
    half = '0' + (code - 0x824F);
  } else if (code >= 0x8260 && code <= 0x8279) {
    half = 'A' + (code - 0x8260);
  } else if (code >= 0x8281 && code <= 0x829A) {
    half = 'a' + (code - 0x8281);
  } else {
    const auto* it = std::lower_bound(std::begin(kHalfWidth), std::end(kHalfWidth), code,
                                      [](const HalfWidthPair& p, uint16_t c) { return p.code < c; });
    if (it != std::end(kHalfWidth) && it->code == code) half = it->half;
  }
  if (half < 0) return 0;
  ch[0] = static_cast<char>(half);
  ch[1] = '\0';
  return 1;
}

}  // namespace vadu
