// Resource files: one resource saved as one binary file and loaded back.
//
// A file is a 32-byte header, the resource's 232-byte attribute block, one
// 60-byte descriptor per item and the records (a 28-byte record header, then
// the body's size bytes each), one after another. Numbers are little-endian.
// The layout is described in docs/FORMATS.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"
#include "platform/bytes.h"

namespace vadu {

// Sizes of the blocks of a resource file.
inline constexpr size_t kResFileHeaderSize = 32;
inline constexpr size_t kResFileAttrSize = 232;
inline constexpr size_t kResFileItemSize = 60;
inline constexpr size_t kResFileRecordHeaderSize = 28;

// The header: 32 bytes, read and written field by field (ReadResFileHeader,
// WriteResFileHeader). The fixed texts are the engine's name, version and
// revision (core/types.h).
struct ResFileHeader {
  char magic[5];       // "VADU" and a NUL
  char version[4];     // "0.3" and a NUL
  char revision[3];    // "19" and a NUL
  uint8_t zero12;      // 0
  uint8_t mark;        // byte-order mark of the writer: 'I' or 'M'
  uint8_t zero14[2];   // 0
  int32_t status;      // written 0, never checked
  uint16_t size;       // written 0, never checked
  uint8_t zero22[10];  // 0
};
static_assert(sizeof(ResFileHeader) == kResFileHeaderSize);
static_assert(offsetof(ResFileHeader, version) == 5);
static_assert(offsetof(ResFileHeader, revision) == 9);
static_assert(offsetof(ResFileHeader, mark) == 13);
static_assert(offsetof(ResFileHeader, status) == 16);
static_assert(offsetof(ResFileHeader, size) == 20);

// Offsets inside the header, for tools that point at a field.
inline constexpr size_t kResHeaderMagic = offsetof(ResFileHeader, magic);
inline constexpr size_t kResHeaderVersion = offsetof(ResFileHeader, version);
inline constexpr size_t kResHeaderRevision = offsetof(ResFileHeader, revision);
inline constexpr size_t kResHeaderMark = offsetof(ResFileHeader, mark);
inline constexpr size_t kResHeaderStatus = offsetof(ResFileHeader, status);
inline constexpr size_t kResHeaderSize = offsetof(ResFileHeader, size);

// The header a save writes: the fixed texts and the mark of MEMORY_TYPE.
ResFileHeader NewResFileHeader(bool motorola);
// Reads a header; false (and a zeroed header) when the bytes end first.
bool ReadResFileHeader(ByteReader& in, ResFileHeader& header);
void WriteResFileHeader(ByteWriter& out, const ResFileHeader& header);
// The checks a reader may make: the magic and the version, which the engine
// checks with TEST_RUN on, and the revision, which it never checks.
bool ResFileMagicOk(const ResFileHeader& header);
bool ResFileVersionOk(const ResFileHeader& header);
bool ResFileRevisionOk(const ResFileHeader& header);

// A record header: 28 bytes before each stored body.
struct ResFileRecordHeader {
  uint32_t link;      // the body's link slot, written 0
  int32_t number;     // record number; -1 = anonymous
  uint16_t flags;     // written as they are, ignored on reading
  uint16_t size;      // body bytes that follow
  uint32_t links[3];  // owner, next, previous: written 0
  char tag[3];        // two blanks and a NUL
  uint8_t unused27;
};
static_assert(sizeof(ResFileRecordHeader) == kResFileRecordHeaderSize);
static_assert(offsetof(ResFileRecordHeader, number) == 4);
static_assert(offsetof(ResFileRecordHeader, flags) == 8);
static_assert(offsetof(ResFileRecordHeader, size) == 10);
static_assert(offsetof(ResFileRecordHeader, tag) == 24);

inline constexpr size_t kResRecordNumber = offsetof(ResFileRecordHeader, number);
inline constexpr size_t kResRecordFlags = offsetof(ResFileRecordHeader, flags);
inline constexpr size_t kResRecordSize = offsetof(ResFileRecordHeader, size);
inline constexpr size_t kResRecordTag = offsetof(ResFileRecordHeader, tag);

bool ReadResFileRecordHeader(ByteReader& in, ResFileRecordHeader& header);
void WriteResFileRecordHeader(ByteWriter& out, const ResFileRecordHeader& header);

// Saves `resource` to the file named by its ResName, replacing any file of
// that name. The active records without the no-save flag are written, in
// chain order; the resource in memory is not changed. The file is replaced
// atomically: a save that fails leaves the old file as it was.
// Returns 0 on success; 1 when the task is refused (TASK switch, system
// message 72), the resource is none or not a resource, or the file cannot be
// created (system message 6); 8 when the write fails (system message 8).
int SaveResource(Handle task, Handle resource);

// Loads the resource file `file` into the resource (file, data_name), made
// with CreateResource (an existing resource of that name pair is taken over:
// its records and items are replaced) and made the task's current resource.
// Afterwards the resource's names are those stored in the file.
// Returns the resource, or none: TASK switch refusal (72), a file that cannot
// be opened (6), a wrong magic or version with TEST_RUN on (83, 84), a short
// header, attribute block or descriptor (9), or a damaged record ("READING
// ERROR" lines, then 9). After a damaged record the resource keeps the
// records read before it.
Handle OpenResource(Handle task, const char* file, const char* data_name);

// Checks a resource file's header. 0 when acceptable; 1 when the magic
// (system message 83) or the version (84) is wrong, with `file` as the
// message's extra text. A byte-order mark that differs from the machine's
// MEMORY_TYPE is logged and accepted.
int CheckResourceHeader(const ResFileHeader& header, const char* file);

}  // namespace vadu
