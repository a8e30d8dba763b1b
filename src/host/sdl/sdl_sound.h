// The SDL host's sound output: SDL2_mixer on the audio device SDL opens
// (SDL_AUDIODRIVER chooses another). MIDI files are played by FluidSynth
// with the General MIDI soundfont the bootstrap installs, unless
// SDL_SOUNDFONTS names one.
//
// SDL2_mixer is loaded at run time and the device is opened on a thread of
// its own, started by the constructor: loading the mixer with its ~20
// libraries (FluidSynth, GLib, JACK, ...) and opening the device take from
// 10 to over 100 ms, which neither the window's first frame nor the engine's
// start-up waits for. The first sound call waits for the opening instead.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/sound.h"

namespace vadu {

struct MixerApi;

class MixerSound : public SoundOutput {
 public:
  // Starts opening the audio device. SDL's video must be up, or nothing of
  // SDL (the opening starts the audio subsystem from its own thread).
  MixerSound();
  // Waits for the opening, then closes the device.
  ~MixerSound() override;
  MixerSound(const MixerSound&) = delete;
  MixerSound& operator=(const MixerSound&) = delete;

  // Waits for the opening; true when the device opened.
  bool Ready();

  bool Available() override { return Ready(); }
  bool PlayMusic(const char* path) override;
  bool PlayWave(const char* path) override;
  void StopWave() override;

 private:
  void Open();  // on opener_

  std::thread opener_;
  std::mutex mutex_;
  std::condition_variable cv_;
  bool settled_ = false;  // behind mutex_: Open has finished
  // Written by Open before settled_, read only after it.
  const MixerApi* api_ = nullptr;  // the mixer's functions, when it loaded
  bool ready_ = false;
  bool subsystem_ = false;
  // Engine thread only.
  void* music_ = nullptr;  // Mix_Music
  void* chunk_ = nullptr;  // Mix_Chunk
  int channel_ = -1;
};

}  // namespace vadu
