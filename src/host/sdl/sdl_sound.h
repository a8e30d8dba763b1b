// The SDL host's sound output: SDL2_mixer on the audio device SDL opens
// (SDL_AUDIODRIVER chooses another). MIDI files are played by FluidSynth
// with the General MIDI soundfont the bootstrap installs, unless
// SDL_SOUNDFONTS names one.
#pragma once

#include "platform/sound.h"

namespace vadu {

class MixerSound : public SoundOutput {
 public:
  // Opens the audio device; Ready() tells whether it could.
  MixerSound();
  ~MixerSound() override;
  MixerSound(const MixerSound&) = delete;
  MixerSound& operator=(const MixerSound&) = delete;

  bool Ready() const { return ready_; }

  bool PlayMusic(const char* path) override;
  bool PlayWave(const char* path) override;
  void StopWave() override;

 private:
  bool ready_ = false;
  bool subsystem_ = false;
  void* music_ = nullptr;  // Mix_Music
  void* chunk_ = nullptr;  // Mix_Chunk
  int channel_ = -1;
};

}  // namespace vadu
