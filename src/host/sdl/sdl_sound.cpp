#include "host/sdl/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <cstdlib>

namespace vadu {
namespace {

// The General MIDI soundfonts a Debian system may have, best first.
constexpr const char* kSoundFonts[] = {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2",
                                       "/usr/share/sounds/sf2/FluidR3_GM.sf2"};

bool IsFile(const char* path) {
  struct stat st;
  return ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

Mix_Music* Music(void* p) {
  return static_cast<Mix_Music*>(p);
}
Mix_Chunk* Chunk(void* p) {
  return static_cast<Mix_Chunk*>(p);
}

}  // namespace

MixerSound::MixerSound() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  subsystem_ = true;
  Mix_Init(MIX_INIT_MID);
  const char* chosen = std::getenv("SDL_SOUNDFONTS");
  if (chosen == nullptr || chosen[0] == '\0') {
    for (const char* font : kSoundFonts) {
      if (IsFile(font)) {
        Mix_SetSoundFonts(font);
        break;
      }
    }
  }
  if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048) != 0) return;
  ready_ = true;
}

MixerSound::~MixerSound() {
  if (ready_) {
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    if (music_ != nullptr) Mix_FreeMusic(Music(music_));
    if (chunk_ != nullptr) Mix_FreeChunk(Chunk(chunk_));
    Mix_CloseAudio();
  }
  if (subsystem_) {
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

bool MixerSound::PlayMusic(const char* path) {
  if (!ready_) return false;
  Mix_HaltMusic();
  if (music_ != nullptr) Mix_FreeMusic(Music(music_));
  music_ = Mix_LoadMUS(path);
  if (music_ == nullptr) return false;
  return Mix_PlayMusic(Music(music_), 1) == 0;
}

bool MixerSound::PlayWave(const char* path) {
  if (!ready_) return false;
  StopWave();
  chunk_ = Mix_LoadWAV(path);
  if (chunk_ == nullptr) return false;
  channel_ = Mix_PlayChannel(-1, Chunk(chunk_), 0);
  return channel_ >= 0;
}

void MixerSound::StopWave() {
  if (!ready_) return;
  if (channel_ >= 0) Mix_HaltChannel(channel_);
  channel_ = -1;
  if (chunk_ != nullptr) Mix_FreeChunk(Chunk(chunk_));
  chunk_ = nullptr;
}

}  // namespace vadu
