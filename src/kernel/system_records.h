// Sizes of system records that start-up reports before the layers that
// define them exist (the TEST_RUN size line). Those layers check their
// record layouts against these numbers.
#pragma once

namespace vadu {

inline constexpr int kWindowRecordSize = 84;         // a window record
inline constexpr int kWindowObjectRecordSize = 108;  // a window object record

}  // namespace vadu
