// AnimeTask (task 11): frame animations inside windows.
//
// An animation is a script, a text file read into a text object
// (text/text.h), one command a line:
//   pic NAME             show the BMP file NAME at the animation's origin
//   wait N               the next line runs N steps later
//   jump LINE            go on after line LINE (the line after it runs next)
//   press_jump_line LINE where a press of the animation goes to
// and anything else is passed over. Lines are numbered from 0 as the text
// numbers them. Every tick (0x117 and 0x116) gives each animation four
// steps; a line runs when its wait has passed, and a new animation's first
// line runs at its first step. An animation ends when it runs past its
// last line or jumps to a line the script does not have; its record is
// then deleted and its pictures freed (the window keeps the last picture).
//
// Tasks start, stop, press and pause animations with the request 0x503 to
// task 11 (EffectRequestAt: type, window, x, y, script name); the window is
// the key by which a running animation is found.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

inline constexpr char kAnimeDataName[] = "AnimeData";  // DataName of the records' resource
inline constexpr int kAnimeRecordSize = 112;
inline constexpr int kAnimeNameSize = 80;

// Request types (EffectRequestAt::kType of 0x503 to task 11).
enum AnimeRequestType : int32_t {
  kAnimeStop = 0,    // delete the window's animation
  kAnimeStart = 1,   // start the script named in the request
  kAnimePress = 2,   // go to the press line, when the script gave one
  kAnimeToggle = 3,  // pause or go on
};

// Flags of the record. Only kAnimePlaying is used; the others are part of
// the record format (loop, stop at the end, delete at the end, a press
// toggles play, a press deletes) and nothing sets them.
inline constexpr uint32_t kAnimePlaying = 0x02;
inline constexpr uint32_t kAnimeLoop = 0x08;
inline constexpr uint32_t kAnimeStopAtEnd = 0x10;
inline constexpr uint32_t kAnimeDeleteAtEnd = 0x20;
inline constexpr uint32_t kAnimePressToggles = 0x40;
inline constexpr uint32_t kAnimePressDeletes = 0x100;

// One running animation: a record of "AnimeData".
struct AnimeRecord {
  Handle script;  // the text object holding the script
  int16_t x;      // drawing origin in the window
  int16_t y;
  int16_t wait;               // steps before the next line runs; 1 after each line
  int16_t step_counter;       // steps since the last line ran
  int16_t line;               // the next line to run
  int16_t line_count;         // the script's last line number (informative)
  uint16_t direction;         // 0 forward, else backward; nothing sets it
  int16_t press_line;         // where a press goes; -1 none
  uint32_t flags;             // kAnime* bits
  char name[kAnimeNameSize];  // the script's name, for the delete log
  Handle window;              // the window drawn in (and the key)
  Handle pictures;            // graphics loaded by `pic`, chained by link, keyed by line in id
};
static_assert(sizeof(AnimeRecord) == kAnimeRecordSize);
static_assert(offsetof(AnimeRecord, x) == 4);
static_assert(offsetof(AnimeRecord, wait) == 8);
static_assert(offsetof(AnimeRecord, step_counter) == 10);
static_assert(offsetof(AnimeRecord, line) == 12);
static_assert(offsetof(AnimeRecord, line_count) == 14);
static_assert(offsetof(AnimeRecord, direction) == 16);
static_assert(offsetof(AnimeRecord, press_line) == 18);
static_assert(offsetof(AnimeRecord, flags) == 20);
static_assert(offsetof(AnimeRecord, name) == 24);
static_assert(offsetof(AnimeRecord, window) == 104);
static_assert(offsetof(AnimeRecord, pictures) == 108);

// The record of a handle, or nullptr when it is not an active record of
// "AnimeData". Valid until the next allocation.
AnimeRecord* AnimeView(Handle record);
// The "AnimeData" resource (none until the task's start event).
Handle AnimeDataResource();
// The number of animations created and not yet deleted.
int16_t AnimeCount();

// The first animation of the window, or none.
Handle FindAnime(Handle window);
// Makes an animation from a start request (a whole event record,
// kEventRecordSize bytes): the record, or none when no record can be made.
// A script that cannot be read leaves an idle record (logged), which plays
// only if toggled, and then ends at once.
Handle CreateAnime(const uint8_t* request);
// Ends an animation: its pictures are freed, its script text deleted (unless
// another animation reads the same script) and its record deleted.
void DeleteAnime(Handle record);
// Moves the animation to its press line, once.
void PressAnime(Handle record);
// One tick: four passes over every animation, each running sync_ani and
// deleting the animations that ended.
void AnimeTick();
// One step of an animation: 1 when it has ended, else 0.
int sync_ani(Handle record);

// Sends the request 0x503 from the task to AnimeTask (the script name is
// used by kAnimeStart and cut to what the event holds). 0, or 1 when no
// event could be made.
int SendAnimeRequest(Handle task, int32_t type, Handle window, int16_t x, int16_t y, const char* script);

// The task's step (registered from the composition root) and its reset.
void AnimeTask(Handle task);
void ResetAnime();

}  // namespace vadu
