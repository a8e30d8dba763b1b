// Types every layer above the platform shares.
#pragma once

#include <cstdint>

namespace vadu {

// A handle is an index into the memory pool's handle table; 0 is no handle.
// Every record field and event parameter that holds a handle is 4 bytes wide.
using Handle = uint32_t;
inline constexpr Handle kNoHandle = 0;

// The engine's identity, as its banners, log header, install record and
// resource files give it.
inline constexpr char kEngineName[] = "VADU";
inline constexpr char kEngineVersion[] = "0.3";
inline constexpr char kEngineRevision[] = "19";
inline constexpr char kPlatformVersion[] = "0.514";
inline constexpr char kProductTitle[] = "Lark'sMeadow";

}  // namespace vadu
