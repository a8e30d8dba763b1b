// Explicit little-endian access to byte images.
//
// Record bodies, resource files and the install record are byte images with a
// stated layout. They are read and written only through these helpers (or
// through views whose layout is checked with static_assert), never by casting
// file bytes to a struct.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vadu {

static_assert(std::endian::native == std::endian::little,
              "record bodies are kept in the host's order, which must be little-endian");

inline uint16_t GetU16(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
inline uint32_t GetU32(const void* p) {
  const auto* b = static_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
         (static_cast<uint32_t>(b[3]) << 24);
}
inline int16_t GetI16(const void* p) {
  return static_cast<int16_t>(GetU16(p));
}
inline int32_t GetI32(const void* p) {
  return static_cast<int32_t>(GetU32(p));
}

inline void PutU16(void* p, uint16_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(void* p, uint32_t v) {
  auto* b = static_cast<uint8_t*>(p);
  b[0] = static_cast<uint8_t>(v);
  b[1] = static_cast<uint8_t>(v >> 8);
  b[2] = static_cast<uint8_t>(v >> 16);
  b[3] = static_cast<uint8_t>(v >> 24);
}
inline void PutI16(void* p, int16_t v) {
  PutU16(p, static_cast<uint16_t>(v));
}
inline void PutI32(void* p, int32_t v) {
  PutU32(p, static_cast<uint32_t>(v));
}

// Copies a text into a fixed field of `size` bytes: at most size - 1
// characters, then zeros up to the end of the field (the on-disk convention:
// bytes after the terminator are zero).
inline void PutFixedText(void* field, size_t size, const char* text) {
  auto* dst = static_cast<char*>(field);
  size_t n = 0;
  if (text != nullptr) {
    while (n + 1 < size && text[n] != '\0') ++n;
    std::memcpy(dst, text, n);
  }
  std::memset(dst + n, 0, size - n);
}

// Length of a text in a fixed field that may lack its terminator.
inline size_t FixedTextLength(const void* field, size_t size) {
  const auto* s = static_cast<const char*>(field);
  size_t n = 0;
  while (n < size && s[n] != '\0') ++n;
  return n;
}

// A bounded reader over bytes already in memory. Every read checks that the
// bytes are there; a short read sets the failure flag and yields zeros, so a
// caller checks ok() once after a group of reads.
class ByteReader {
 public:
  ByteReader(const void* data, size_t size) : p_(static_cast<const uint8_t*>(data)), size_(size) {}

  bool ok() const { return ok_; }
  size_t offset() const { return pos_; }
  size_t remaining() const { return size_ - pos_; }

  bool Read(void* out, size_t n) {
    if (!ok_ || n > size_ - pos_) {
      ok_ = false;
      std::memset(out, 0, n);
      return false;
    }
    std::memcpy(out, p_ + pos_, n);
    pos_ += n;
    return true;
  }
  uint8_t U8() {
    uint8_t b[1];
    Read(b, 1);
    return b[0];
  }
  uint16_t U16() {
    uint8_t b[2];
    Read(b, 2);
    return GetU16(b);
  }
  uint32_t U32() {
    uint8_t b[4];
    Read(b, 4);
    return GetU32(b);
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  bool Skip(size_t n) {
    if (!ok_ || n > size_ - pos_) {
      ok_ = false;
      return false;
    }
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* p_;
  size_t size_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// A writer that appends little-endian fields to a byte image, the
// counterpart of ByteReader: file images are built field by field, never by
// copying a struct's memory.
class ByteWriter {
 public:
  explicit ByteWriter(std::vector<uint8_t>& out) : out_(out) {}

  size_t offset() const { return out_.size(); }

  void Bytes(const void* data, size_t n) {
    const auto* b = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), b, b + n);
  }
  void Zeros(size_t n) { out_.resize(out_.size() + n, 0); }
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) {
    uint8_t b[2];
    PutU16(b, v);
    Bytes(b, 2);
  }
  void U32(uint32_t v) {
    uint8_t b[4];
    PutU32(b, v);
    Bytes(b, 4);
  }
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  // A fixed text field of `size` bytes (PutFixedText's convention).
  void FixedText(const char* text, size_t size) {
    const size_t at = out_.size();
    Zeros(size);
    PutFixedText(out_.data() + at, size, text);
  }
  // Overwrites a 16-bit field written earlier (a count known only later).
  void PatchU16(size_t at, uint16_t v) {
    if (at + 2 <= out_.size()) PutU16(out_.data() + at, v);
  }

 private:
  std::vector<uint8_t>& out_;
};

}  // namespace vadu
