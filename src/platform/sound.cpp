#include "platform/sound.h"

#include <atomic>
#include <string>

#include "platform/files.h"
#include "platform/reset.h"

namespace vadu {
namespace {

std::atomic<SoundOutput*> g_output{nullptr};

}  // namespace

void SetSoundOutput(SoundOutput* output) {
  g_output.store(output, std::memory_order_release);
}

// The installed output, if it has a device.
SoundOutput* Output() {
  SoundOutput* out = g_output.load(std::memory_order_acquire);
  return out != nullptr && out->Available() ? out : nullptr;
}

bool SoundOn() {
  return Output() != nullptr;
}

int PlayMIDI(const char* name) {
  SoundOutput* out = Output();
  if (out == nullptr) return kSoundPlaying;
  if (name == nullptr || name[0] == '\0' || !GameFileExists(name)) return kSoundFailed;
  return out->PlayMusic(ResolveGamePath(name).c_str()) ? kSoundPlaying : kSoundFailed;
}

int PlayWave(const char* name) {
  SoundOutput* out = Output();
  if (out == nullptr) return kSoundPlaying;
  if (name == nullptr || name[0] == '\0') {
    out->StopWave();
    return kSoundPlaying;
  }
  if (!GameFileExists(name)) return kSoundFailed;
  return out->PlayWave(ResolveGamePath(name).c_str()) ? kSoundPlaying : kSoundFailed;
}

void StopWAVE() {
  PlayWave(nullptr);
}

namespace {
[[maybe_unused]] const bool kResetRegistered = RegisterReset([] { SetSoundOutput(nullptr); });
}  // namespace

}  // namespace vadu
