// Sound through SDL2_mixer, heard by SDL's "disk" audio driver, which writes
// what would go to the speakers into a file: a WAVE file and a MIDI file
// played through the engine's calls must put sound (non-zero samples) into
// it. Without an output every call succeeds silently.
#include "host/sdl/sdl_sound.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

void Put16(std::string& s, uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, static_cast<uint16_t>(v));
  Put16(s, static_cast<uint16_t>(v >> 16));
}
void Put32BE(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s += static_cast<char>((v >> shift) & 0xFF);
}

// Half a second of a 440 Hz tone, 16-bit mono PCM.
std::string ToneWave() {
  const int rate = 22050, samples = rate / 2;
  std::string data;
  for (int i = 0; i < samples; ++i) {
    Put16(data, static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * i / rate))));
  }
  std::string s = "RIFF";
  Put32(s, static_cast<uint32_t>(36 + data.size()));
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);  // PCM
  Put16(s, 1);  // mono
  Put32(s, rate);
  Put32(s, rate * 2);
  Put16(s, 2);
  Put16(s, 16);
  s += "data";
  Put32(s, static_cast<uint32_t>(data.size()));
  return s + data;
}

// A format-0 MIDI file: one note held for a second.
std::string OneNoteMidi() {
  std::string track;
  const unsigned char events[] = {0x00, 0xC0, 0x00,              // program: piano
                                  0x00, 0x90, 0x3C, 0x70,        // note on, middle C
                                  0x83, 0x60, 0x80, 0x3C, 0x00,  // after 480 ticks: note off
                                  0x00, 0xFF, 0x2F, 0x00};       // end of track
  track.assign(reinterpret_cast<const char*>(events), sizeof events);
  std::string s = "MThd";
  Put32BE(s, 6);
  s += std::string("\0\0\0\x01\x01\xE0", 6);  // format 0, one track, 480 ticks a quarter
  s += "MTrk";
  Put32BE(s, static_cast<uint32_t>(track.size()));
  return s + track;
}

// True once the file the disk driver writes holds a non-zero byte past
// `from` (polled up to three seconds: the driver writes in real time).
bool SoundWrittenAfter(const std::string& path, size_t from) {
  for (int i = 0; i < 300; ++i) {
    const std::string out = test::ReadFile(path);
    for (size_t k = from; k < out.size(); ++k) {
      if (out[k] != 0) return true;
    }
    ::usleep(10000);
  }
  return false;
}

class SoundTest : public test::GameDirTest {};

TEST_F(SoundTest, WithoutAnOutputEveryCallSucceedsSilently) {
  ASSERT_FALSE(SoundOn());
  EXPECT_EQ(PlayMIDI("missing.mid"), kSoundPlaying);
  EXPECT_EQ(PlayWave("missing.wav"), kSoundPlaying);
  StopWAVE();
}

TEST_F(SoundTest, WaveAndMidiAreHeard) {
  test::WriteFile("Tone.wav", ToneWave());
  test::WriteFile("Tune.mid", OneNoteMidi());
  const std::string out = dir() + "/speakers.raw";
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  {
    MixerSound sound;
    ASSERT_TRUE(sound.Ready());
    SetSoundOutput(&sound);
    // Game paths: any case, '\' as a separator.
    EXPECT_EQ(PlayWave("TONE.WAV"), kSoundPlaying);
    EXPECT_TRUE(SoundWrittenAfter(out, 0));
    StopWAVE();
    EXPECT_EQ(PlayWave("no such.wav"), kSoundFailed);
    const size_t before_music = test::ReadFile(out).size();
    EXPECT_EQ(PlayMIDI(".\\tune.MID"), kSoundPlaying);
    EXPECT_TRUE(SoundWrittenAfter(out, before_music + 44100));  // past any tail of the wave
    SetSoundOutput(nullptr);
  }
  ::unsetenv("SDL_AUDIODRIVER");
  ::unsetenv("SDL_DISKAUDIOFILE");
}

// The device opens on a thread of its own after the output is installed.
// One that cannot open turns sound off: SoundOn() says so (the application
// logs it) and every call succeeds silently, as without an output.
TEST_F(SoundTest, OutputWhoseDeviceFailsIsSoundOff) {
  test::WriteFile("Tone.wav", ToneWave());
  ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  {
    MixerSound sound;
    SetSoundOutput(&sound);
    EXPECT_FALSE(SoundOn());
    EXPECT_FALSE(sound.Ready());
    EXPECT_EQ(PlayWave("tone.wav"), kSoundPlaying);
    EXPECT_EQ(PlayMIDI("missing.mid"), kSoundPlaying);
    StopWAVE();
    SetSoundOutput(nullptr);
  }
  ::unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
}  // namespace vadu
