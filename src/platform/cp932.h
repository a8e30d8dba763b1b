// The one rule of CP932 (Shift-JIS) byte strings: a byte 0x81-0x9F or
// 0xE0-0xFC starts a two-byte character, whose second byte is 0x40-0x7E or
// 0x80-0xFC. Every layer that walks engine text asks these.
#pragma once

#include <cstdint>

namespace vadu {

// True for a lead byte of a two-byte character.
inline bool IsLeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// True for a byte that may follow a lead byte.
inline bool IsTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

// The index 0-59 of a lead byte among the 60 lead bytes (0x81-0x9F, then
// 0xE0-0xFC), or -1 for a byte that is not one: for tables by lead byte.
inline int LeadByteIndex(unsigned char c) {
  if (c >= 0x81 && c <= 0x9F) return c - 0x81;
  if (c >= 0xE0 && c <= 0xFC) return c - 0xE0 + 31;
  return -1;
}
inline constexpr int kLeadByteCount = 60;

// True for a one-byte half-width katakana (0xA1-0xDF).
inline bool IsHalfWidthKana(unsigned char c) {
  return c >= 0xA1 && c <= 0xDF;
}

}  // namespace vadu
