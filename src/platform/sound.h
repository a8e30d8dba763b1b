// Sound: MIDI music and WAVE sounds, started by the engine and played by
// the host while the engine goes on (asynchronously). The SDL host plays
// them through SDL2_mixer (MIDI through FluidSynth and a General MIDI
// soundfont). Without a sound output (headless, or no audio device) every
// call succeeds silently.
#pragma once

namespace vadu {

// What a host plays sound through. Called on the engine thread only.
class SoundOutput {
 public:
  virtual ~SoundOutput() = default;
  // Stops the music that is playing and starts the file, once. False when
  // the file cannot be played.
  virtual bool PlayMusic(const char* path) = 0;
  // Replaces the wave that is playing with the file. False when the file
  // cannot be played.
  virtual bool PlayWave(const char* path) = 0;
  // Stops the wave that is playing (nothing when none is).
  virtual void StopWave() = 0;
  // False when the output turned out to have no device: sound is then off,
  // as without an output. An output whose device is still opening waits
  // for it here.
  virtual bool Available() { return true; }
};

// Installs the host's sound output (not owned; nullptr: none). The host sets
// it before the engine thread starts and removes it after it has ended.
void SetSoundOutput(SoundOutput* output);
// True while a sound output with a device is installed.
bool SoundOn();

// Results of the engine's sound calls.
inline constexpr int kSoundPlaying = 0;  // playing, or sound is off
inline constexpr int kSoundFailed = 1;   // the file could not be played

// Starts the MIDI file (a game path: '\' separators and any case are
// matched as for every game file); the music playing before stops.
int PlayMIDI(const char* name);
// Starts the WAVE file in place of the one playing; no name (nullptr or "")
// stops the wave, as StopWAVE does.
int PlayWave(const char* name);
void StopWAVE();

}  // namespace vadu
