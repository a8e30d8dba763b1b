// The install record VADUrev.dat (56 bytes, little-endian) and the state
// dump core.dmp.
#pragma once

#include <array>
#include <cstdint>

namespace vadu {

inline constexpr char kInstallRecordFile[] = "VADUrev.dat";
inline constexpr char kStateDumpFile[] = "core.dmp";
inline constexpr int kInstallRecordSize = 56;
// Size of the kernel state block that core.dmp holds and the banner shows.
inline constexpr int kStateBlockSize = 7076;

// The install record's fields, decoded.
struct InstallRecord {
  char version[7] = {};
  char revision[9] = {};
  uint8_t install_stamp[8] = {};  // DateTimeStamp
  uint8_t stamp2[8] = {};
  uint8_t stamp3[8] = {};
  int32_t stat1 = 0;
  int32_t stat2 = 0;
  int32_t stat3 = 0;
  uint32_t start_count = 0;
};

std::array<uint8_t, kInstallRecordSize> EncodeInstallRecord(const InstallRecord& r);
InstallRecord DecodeInstallRecord(const uint8_t* bytes);

// Start-up: reads (or makes) the install record, counts the start, notes a
// version or revision change, writes it back. 1, or -1 if it cannot be
// written.
int UpdateInstallRecord();
// Shutdown: moves the statistics as the run ends. 1, or -1.
int SaveRunStatistics();
// Writes core.dmp: the kernel state block. 1, or 0 if it cannot be created.
int WriteStateDump();

}  // namespace vadu
