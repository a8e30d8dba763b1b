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

namespace vadu {

// Sizes of the blocks of a resource file.
inline constexpr size_t kResFileHeaderSize = 32;
inline constexpr size_t kResFileAttrSize = 232;
inline constexpr size_t kResFileItemSize = 60;
inline constexpr size_t kResFileRecordHeaderSize = 28;

// Offsets inside the header.
inline constexpr size_t kResHeaderMagic = 0;     // "VADU" and a NUL
inline constexpr size_t kResHeaderVersion = 5;   // "0.3" and a NUL
inline constexpr size_t kResHeaderRevision = 9;  // "19" and a NUL
inline constexpr size_t kResHeaderMark = 13;     // 'I' or 'M'
inline constexpr size_t kResHeaderStatus = 16;   // signed 32, written 0
inline constexpr size_t kResHeaderSize = 20;     // unsigned 16, written 0

// Offsets inside a record header.
inline constexpr size_t kResRecordNumber = 4;
inline constexpr size_t kResRecordFlags = 8;
inline constexpr size_t kResRecordSize = 10;
inline constexpr size_t kResRecordTag = 24;

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

// Checks the first 32 bytes of a resource file. 0 when acceptable; 1 when the
// magic (system message 83) or the version (84) is wrong, with `file` as the
// message's extra text. A byte-order mark that differs from the machine's
// MEMORY_TYPE is logged and accepted.
int CheckResourceHeader(const uint8_t* header, const char* file);

}  // namespace vadu
