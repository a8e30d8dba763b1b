// The kernel's process-wide state: the system flag word and the settings
// that start-up reads from VADU.ini.
//
// The flag word is shared with the host thread (it reads SYSTEM_END), so it
// is atomic; everything else here belongs to the engine thread (and to
// start-up before the engine thread exists).
#pragma once

#include <atomic>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// Bits of the system flag word.
enum SystemFlag : uint32_t {
  APP_ACTIVE = 0x2,
  SYSTEM_END = 0x4,
  TRACE = 0x10,
  DEBAG = 0x20,
  TEST_RUN = 0x40,
  EVENT_TEST = 0x80,
  RESOUCE_TEST = 0x100,
  TASK = 0x200,
  MOTOROLA = 0x2000,
  LOOP_EXIT = 0x4000,
  REDRAW_MOTION = 0x8000,
  RESTART_REQUEST = 0x40000,
  EXCLUSIVE_WINDOW = 0x400000,
};

// States of the manager task.
enum ManagerStateValue : int16_t {
  MANAGER_START_SYSTEM = 0,
  MANAGER_START_PROGRAM = 1,
  MANAGER_READY = 2,
  MANAGER_RUNNING = 3,
  MANAGER_ENDING = 4,
};

// The system flag word.
extern std::atomic<uint32_t> SystemFlags;

inline bool HasFlag(uint32_t bits) {
  return (SystemFlags.load(std::memory_order_relaxed) & bits) != 0;
}
inline void SetFlag(uint32_t bits) {
  SystemFlags.fetch_or(bits, std::memory_order_relaxed);
}
inline void ClearFlag(uint32_t bits) {
  SystemFlags.fetch_and(~bits, std::memory_order_relaxed);
}

// Settings and kernel values that start-up fills in and many parts read.
struct KernelState {
  char user_name[22] = {};                 // USER_NAME: owner of every new resource
  char long_machine_name[22] = {};         // LONG_MACHINE_NAME
  char short_machine_name[22] = {};        // SHORT_MACHINE_NAME
  char log_file_name[24] = "SenELOG.dat";  // Sys.error.elogfile
  int16_t manager_state = MANAGER_READY;
  int16_t cycle_wait = 1;            // CYCLE_WAIT, never 0 (it is a divisor)
  int16_t fastsync_wait = 0;         // FASTSYNC_WAIT: must be present, unused
  uint8_t max_event = 255;           // MAX_EVENT, kept in 8 bits
  int16_t use_color = 0;             // USE_COLOR
  int16_t screen_width = 800;        // SCREEN_SIZEX
  int16_t screen_height = 600;       // SCREEN_SIZEY
  int32_t next_task_number = 30;     // first automatic task number
  uint16_t group_counter = 0;        // number of the next group record
  Handle current_group = kNoHandle;  // group record whose number new tasks get
  Handle current_task = kNoHandle;   // the task whose step is running (for messages)
};

extern KernelState Kernel;

// Puts the flag word and the kernel state back to their values before
// start-up. Tests call it between engine runs.
void ResetKernelState();

}  // namespace vadu
