#include "core/install.h"

#include <cstdio>
#include <cstring>

#include "core/log.h"
#include "core/pool.h"
#include "core/state.h"
#include "core/types.h"
#include "platform/bytes.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/reset.h"

namespace vadu {
namespace {

// Byte offsets of the install record.
constexpr size_t kVersionAt = 0;
constexpr size_t kRevisionAt = 7;
constexpr size_t kInstallStampAt = 16;
constexpr size_t kStamp2At = 24;
constexpr size_t kStamp3At = 32;
constexpr size_t kStat1At = 40;
constexpr size_t kStat2At = 44;
constexpr size_t kStat3At = 48;
constexpr size_t kStartCountAt = 52;
static_assert(kStartCountAt + 4 == kInstallRecordSize);
static_assert(sizeof(InstallRecord::version) == kRevisionAt - kVersionAt);
static_assert(sizeof(InstallRecord::revision) == kInstallStampAt - kRevisionAt);

// The third statistic as it was at start-up; the shutdown moves it into the
// second one.
int32_t g_stat3_at_start = 0;

// True when the fixed text field holds exactly `text`.
template <size_t N>
bool FieldEquals(const char (&field)[N], const char* text) {
  const size_t n = FixedTextLength(field, N);
  return std::strlen(text) == n && std::memcmp(field, text, n) == 0;
}

// Reads the whole record. False when the file cannot be opened or is shorter
// than a record (bytes beyond the record are ignored).
bool ReadRecordFile(InstallRecord& out) {
  FILE* f = OpenGameFile(kInstallRecordFile, "rb");
  if (f == nullptr) return false;
  uint8_t bytes[kInstallRecordSize];
  const size_t got = std::fread(bytes, 1, sizeof bytes, f);
  std::fclose(f);
  if (got != sizeof bytes) return false;
  out = DecodeInstallRecord(bytes);
  return true;
}

bool WriteRecordFile(const InstallRecord& r) {
  const auto bytes = EncodeInstallRecord(r);
  return WriteFileAtomically(kInstallRecordFile, bytes.data(), bytes.size());
}

}  // namespace

std::array<uint8_t, kInstallRecordSize> EncodeInstallRecord(const InstallRecord& r) {
  std::array<uint8_t, kInstallRecordSize> b{};
  // The texts may fill their fields without a terminator; only the bytes
  // before the first zero are kept and the rest of the field is zero.
  const size_t vlen = FixedTextLength(r.version, sizeof r.version);
  std::memcpy(b.data() + kVersionAt, r.version, vlen);
  const size_t rlen = FixedTextLength(r.revision, sizeof r.revision);
  std::memcpy(b.data() + kRevisionAt, r.revision, rlen);
  std::memcpy(b.data() + kInstallStampAt, r.install_stamp, 8);
  std::memcpy(b.data() + kStamp2At, r.stamp2, 8);
  std::memcpy(b.data() + kStamp3At, r.stamp3, 8);
  PutI32(b.data() + kStat1At, r.stat1);
  PutI32(b.data() + kStat2At, r.stat2);
  PutI32(b.data() + kStat3At, r.stat3);
  PutU32(b.data() + kStartCountAt, r.start_count);
  return b;
}

InstallRecord DecodeInstallRecord(const uint8_t* bytes) {
  InstallRecord r;
  std::memcpy(r.version, bytes + kVersionAt, sizeof r.version);
  std::memcpy(r.revision, bytes + kRevisionAt, sizeof r.revision);
  std::memcpy(r.install_stamp, bytes + kInstallStampAt, 8);
  std::memcpy(r.stamp2, bytes + kStamp2At, 8);
  std::memcpy(r.stamp3, bytes + kStamp3At, 8);
  r.stat1 = GetI32(bytes + kStat1At);
  r.stat2 = GetI32(bytes + kStat2At);
  r.stat3 = GetI32(bytes + kStat3At);
  r.start_count = GetU32(bytes + kStartCountAt);
  return r;
}

int UpdateInstallRecord() {
  InstallRecord r;
  // A file shorter than a record was not written by the engine (it always
  // writes the record whole, and atomically): nothing in it can be trusted,
  // so it is taken as no record at all and a fresh one replaces it.
  if (!ReadRecordFile(r)) {
    r = InstallRecord{};
    PackDateTime(r.install_stamp, PlatformClock().LocalTime());
    WriteLog("\tinstall VADU.");
  }

  ++r.start_count;

  // Old texts may lack their terminator; they are printed bounded.
  if (!FieldEquals(r.version, kEngineVersion)) {
    WriteLogf("\tversion up %s(old version %.*s)", kEngineVersion,
              static_cast<int>(FixedTextLength(r.version, sizeof r.version)), r.version);
    PutFixedText(r.version, sizeof r.version, kEngineVersion);
    r.start_count = 0;
  }
  if (!FieldEquals(r.revision, kEngineRevision)) {
    WriteLogf("\trevision up %s(old revision %.*s)", kEngineRevision,
              static_cast<int>(FixedTextLength(r.revision, sizeof r.revision)), r.revision);
    PutFixedText(r.revision, sizeof r.revision, kEngineRevision);
  }

  g_stat3_at_start = r.stat3;

  if (!WriteRecordFile(r)) return -1;

  const LocalDateTime at = UnpackDateTime(r.install_stamp);
  WriteLogf("\tinstall date %d/%d/%d %d:%d start count %d", at.year, at.month, at.day, at.hour, at.minute,
            static_cast<int>(r.start_count));
  return 1;
}

int SaveRunStatistics() {
  // A record that cannot be read whole is left as it is: rewriting it would
  // only spread the damage.
  InstallRecord r;
  if (!ReadRecordFile(r)) return -1;
  r.stat1 = 0;
  r.stat2 = g_stat3_at_start;
  r.stat3 = 0;
  if (!WriteRecordFile(r)) {
    WriteLog("save loging error!");
    return -1;
  }
  return 1;
}

// core.dmp layout (kStateBlockSize bytes, little-endian, zero where nothing
// is written). Only the same build reads it back; the layout number changes
// whenever anything after offset 78 does.
//
//   0  12  engine name "VADU"
//  12  22  USER_NAME
//  34  22  LONG_MACHINE_NAME
//  56  22  SHORT_MACHINE_NAME
//  78   2  layout number (1)
//  80   4  system flag word
//  84   2  manager state
//  86   2  CYCLE_WAIT
//  88   2  FASTSYNC_WAIT
//  90   1  MAX_EVENT
//  91   1  zero
//  92   2  USE_COLOR
//  94   2  screen width
//  96   2  screen height
//  98   2  group counter
// 100   4  next task number
// 104   4  current group record (handle)
// 108   4  current task (handle)
// 112  24  log file name
// 136   4  pool: handle entries handed out
// 140   4  pool: handle entries the table holds
// 144   4  pool: first free byte of the data area
// 148   4  pool: bytes of the data area
// 152   4  pool: compactions so far
// 156   4  third statistic of the install record at start-up
// 160  ..  zero up to the end of the block
namespace {

constexpr uint16_t kStateDumpLayout = 1;

// Copies a kernel text field (which may lack its terminator) into a dump
// field of the same or larger size.
template <size_t N>
void PutField(uint8_t* at, size_t size, const char (&field)[N]) {
  static_assert(N > 0);
  const size_t n = FixedTextLength(field, N);
  std::memcpy(at, field, n < size ? n : size);
}

}  // namespace

int WriteStateDump() {
  static_assert(kStateBlockSize > 160);
  std::array<uint8_t, kStateBlockSize> block{};
  uint8_t* b = block.data();
  PutFixedText(b + 0, 12, kEngineName);
  PutField(b + 12, 22, Kernel.user_name);
  PutField(b + 34, 22, Kernel.long_machine_name);
  PutField(b + 56, 22, Kernel.short_machine_name);
  PutU16(b + 78, kStateDumpLayout);
  PutU32(b + 80, SystemFlags.load(std::memory_order_relaxed));
  PutI16(b + 84, Kernel.manager_state);
  PutI16(b + 86, Kernel.cycle_wait);
  PutI16(b + 88, Kernel.fastsync_wait);
  b[90] = Kernel.max_event;
  PutI16(b + 92, Kernel.use_color);
  PutI16(b + 94, Kernel.screen_width);
  PutI16(b + 96, Kernel.screen_height);
  PutU16(b + 98, Kernel.group_counter);
  PutI32(b + 100, Kernel.next_task_number);
  PutU32(b + 104, Kernel.current_group);
  PutU32(b + 108, Kernel.current_task);
  PutField(b + 112, 24, Kernel.log_file_name);
  const PoolStats pool = GetPoolStats();
  PutU32(b + 136, pool.handle_top);
  PutU32(b + 140, pool.handle_capacity);
  PutU32(b + 144, pool.data_top);
  PutU32(b + 148, pool.data_capacity);
  PutU32(b + 152, pool.compactions);
  PutI32(b + 156, g_stat3_at_start);
  return WriteFileAtomically(kStateDumpFile, block.data(), block.size()) ? 1 : 0;
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { g_stat3_at_start = 0; });
}  // namespace

}  // namespace vadu
