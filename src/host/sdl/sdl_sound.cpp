#include "host/sdl/sdl_sound.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

namespace vadu {

// The functions of SDL2_mixer the output uses, found in the library loaded
// at run time.
struct MixerApi {
  decltype(&Mix_Init) init;
  decltype(&Mix_Quit) quit;
  decltype(&Mix_SetSoundFonts) set_sound_fonts;
  decltype(&Mix_OpenAudio) open_audio;
  decltype(&Mix_CloseAudio) close_audio;
  decltype(&Mix_LoadMUS) load_mus;
  decltype(&Mix_FreeMusic) free_music;
  decltype(&Mix_PlayMusic) play_music;
  decltype(&Mix_HaltMusic) halt_music;
  decltype(&Mix_LoadWAV_RW) load_wav_rw;
  decltype(&Mix_FreeChunk) free_chunk;
  decltype(&Mix_PlayChannelTimed) play_channel_timed;
  decltype(&Mix_HaltChannel) halt_channel;
};

namespace {

// SDL2_mixer's name for the dynamic loader (the same for every 2.x).
constexpr char kMixerLibrary[] = "libSDL2_mixer-2.0.so.0";

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

template <typename F>
bool Find(void* lib, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(lib, name));
  return out != nullptr;
}

// Loads SDL2_mixer once per process and finds its functions; nullptr (and a
// line on standard error) when it cannot. The library stays loaded: its
// threads and handlers may outlive a closed device.
const MixerApi* LoadMixer() {
  static const MixerApi* const api = []() -> const MixerApi* {
    void* lib = ::dlopen(kMixerLibrary, RTLD_LAZY | RTLD_LOCAL);
    if (lib == nullptr) {
      const char* why = ::dlerror();
      std::fprintf(stderr, "vadu: no sound: %s\n", why != nullptr ? why : kMixerLibrary);
      return nullptr;
    }
    static MixerApi table;
    const bool found = Find(lib, "Mix_Init", table.init) && Find(lib, "Mix_Quit", table.quit) &&
                       Find(lib, "Mix_SetSoundFonts", table.set_sound_fonts) &&
                       Find(lib, "Mix_OpenAudio", table.open_audio) && Find(lib, "Mix_CloseAudio", table.close_audio) &&
                       Find(lib, "Mix_LoadMUS", table.load_mus) && Find(lib, "Mix_FreeMusic", table.free_music) &&
                       Find(lib, "Mix_PlayMusic", table.play_music) && Find(lib, "Mix_HaltMusic", table.halt_music) &&
                       Find(lib, "Mix_LoadWAV_RW", table.load_wav_rw) && Find(lib, "Mix_FreeChunk", table.free_chunk) &&
                       Find(lib, "Mix_PlayChannelTimed", table.play_channel_timed) &&
                       Find(lib, "Mix_HaltChannel", table.halt_channel);
    if (!found) {
      std::fprintf(stderr, "vadu: no sound: %s lacks a function\n", kMixerLibrary);
      return nullptr;
    }
    return &table;
  }();
  return api;
}

}  // namespace

MixerSound::MixerSound()
    : opener_([this] {
        Open();
        // SDL keeps per-thread state (its error text) for a thread it did
        // not make; it is freed here, before the thread ends.
        SDL_TLSCleanup();
      }) {}

namespace {

// True when SDL can open its default output device: opened and closed
// again at once, so the mixer is loaded only where it can be heard.
bool DeviceOpens() {
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = MIX_DEFAULT_FORMAT;
  want.channels = 2;
  want.samples = 2048;
  SDL_AudioSpec got{};
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &got, SDL_AUDIO_ALLOW_ANY_CHANGE);
  if (device == 0) return false;
  SDL_CloseAudioDevice(device);
  return true;
}

}  // namespace

void MixerSound::Open() {
  const MixerApi* api = nullptr;
  bool subsystem = false, ready = false;
  // Without a device (no sound card, a display without sound) neither the
  // mixer with its ~20 libraries (about 4 MB resident) nor the subsystem
  // is kept: SDL's ALSA driver, for one, keeps a thread that looks for new
  // devices ten times a second.
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
    subsystem = true;
    if (DeviceOpens()) api = LoadMixer();
  }
  if (api != nullptr) {
    api->init(MIX_INIT_MID);
    const char* chosen = std::getenv("SDL_SOUNDFONTS");
    if (chosen == nullptr || chosen[0] == '\0') {
      for (const char* font : kSoundFonts) {
        if (IsFile(font)) {
          api->set_sound_fonts(font);
          break;
        }
      }
    }
    ready = api->open_audio(44100, MIX_DEFAULT_FORMAT, 2, 2048) == 0;
    if (!ready) api->quit();
  }
  if (subsystem && !ready) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem = false;
  }
  {
    std::lock_guard lock(mutex_);
    api_ = api;
    subsystem_ = subsystem;
    ready_ = ready;
    settled_ = true;
  }
  cv_.notify_all();
}

bool MixerSound::Ready() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [this] { return settled_; });
  return ready_;
}

MixerSound::~MixerSound() {
  opener_.join();
  if (ready_) {
    api_->halt_music();
    api_->halt_channel(-1);
    if (music_ != nullptr) api_->free_music(Music(music_));
    if (chunk_ != nullptr) api_->free_chunk(Chunk(chunk_));
    api_->close_audio();
  }
  if (subsystem_) {
    api_->quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
}

bool MixerSound::PlayMusic(const char* path) {
  if (!Ready()) return false;
  api_->halt_music();
  if (music_ != nullptr) api_->free_music(Music(music_));
  music_ = api_->load_mus(path);
  if (music_ == nullptr) return false;
  return api_->play_music(Music(music_), 1) == 0;
}

bool MixerSound::PlayWave(const char* path) {
  if (!Ready()) return false;
  StopWave();
  SDL_RWops* file = SDL_RWFromFile(path, "rb");
  chunk_ = file != nullptr ? api_->load_wav_rw(file, 1) : nullptr;
  if (chunk_ == nullptr) return false;
  channel_ = api_->play_channel_timed(-1, Chunk(chunk_), 0, -1);
  return channel_ >= 0;
}

void MixerSound::StopWave() {
  if (!Ready()) return;
  if (channel_ >= 0) api_->halt_channel(channel_);
  channel_ = -1;
  if (chunk_ != nullptr) api_->free_chunk(Chunk(chunk_));
  chunk_ = nullptr;
}

}  // namespace vadu
