// The effect task (task 12): timed effects inside windows, above all the
// typewriter of message text. A task asks for an effect with a request event
// (0x503, kernel/event_params.h EffectRequestAt); the task keeps one record
// per running effect in its resource "EffectData", advances every record on
// each eighth-second tick (0x117) and tells the owner of the effect's window
// when an effect ends (0x505) or was replaced by a newer request for the
// same object (0x506), both logged as "ret_effect event %d".
//
// The text effect types the text of a message area (window/object.h) one
// character a tick, wrapped inside margins of a sixteenth of the area's
// width and a fourteenth of its height, with tags in the text that change
// the colour and size of the letters (<font_color NAME>, <font_size 2>,
// <font_size 1>). When a page is full the record halts until it is turned
// (RedrawEffect modes 0 and 1); pages follow one another to the text's end.
// Besides text there are full-window transitions (a grid and a band wipe),
// a capture of a rectangle into 2-pixel strips and their restoring in four
// interleaved passes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// Effect types (the type of a request and of a record).
enum EffectType : int16_t {
  EFFECTgrid = 1,     // lines every 20 pixels, moving one pixel a tick; 21 frames
  EFFECTwipe = 2,     // five bands that grow leftwards; 16 frames
  EFFECTtext = 3,     // the typewriter of a message area
  EFFECTcapture = 4,  // the rectangle kept in 2-pixel strips
  EFFECTrestore = 5,  // the strips put back, a quarter every fifth tick
  EFFECTmode = 6,     // request only: a running effect gets a new mode
};

// Record flags. Only kEffectHalted is the request protocol's; the others are
// the task's own bookkeeping.
inline constexpr uint32_t kEffectHalted = 0x4;          // skipped by ticks and typewriter steps
inline constexpr uint32_t kEffectEndReported = 0x8;     // 0x505 was sent for the text's end
inline constexpr uint32_t kEffectPageFull = 0x10;       // the shown page is full; text follows
inline constexpr uint32_t kEffectWindowCleared = 0x20;  // the area was cleared for the first character

// Text modes (a request's mode).
inline constexpr int32_t kEffectTypewriter = 0;
inline constexpr int32_t kEffectWholePage = 1;

// RedrawEffect modes.
inline constexpr int kRedrawComplete = 0;  // the current page at once (a press)
inline constexpr int kRedrawNextPage = 1;  // the next page, or the end when there is none
inline constexpr int kRedrawRepaint = 2;   // the current page as far as it had got

inline constexpr int kEffectRecordSize = 60;

// One record of "EffectData".
struct EffectRecord {
  int32_t owner;      // number of the window's owner task: ret_effect goes there
  uint32_t flags;     // kEffectHalted and the task's own bits
  uint32_t id;        // the request's id
  Handle window;      // the window the effect belongs to
  Handle object;      // the message area (text), the key an effect is found by
  int32_t position;   // text: bytes taken from the current page; others: the frame counter
  int32_t page_base;  // text: where the current page starts in the text
  int16_t type;       // EffectType
  uint8_t unused30[2];
  uint32_t colour;          // drawing colour
  uint32_t initial_colour;  // the text colour a page starts in
  int32_t mode;             // text mode; captures and restores: the restore pass (0-3)
  int16_t x;                // text: pen x from the left margin; captures: the rectangle
  int16_t y;                // text: pen y from the top margin
  int16_t width;
  int16_t height;
  Handle strips;      // captures: the first 2-pixel strip (graphics chained by their link)
  Handle strip_tail;  // the last strip
};
static_assert(sizeof(EffectRecord) == kEffectRecordSize);
static_assert(offsetof(EffectRecord, flags) == 4);
static_assert(offsetof(EffectRecord, id) == 8);
static_assert(offsetof(EffectRecord, window) == 12);
static_assert(offsetof(EffectRecord, object) == 16);
static_assert(offsetof(EffectRecord, position) == 20);
static_assert(offsetof(EffectRecord, page_base) == 24);
static_assert(offsetof(EffectRecord, type) == 28);
static_assert(offsetof(EffectRecord, colour) == 32);
static_assert(offsetof(EffectRecord, initial_colour) == 36);
static_assert(offsetof(EffectRecord, mode) == 40);
static_assert(offsetof(EffectRecord, x) == 44);
static_assert(offsetof(EffectRecord, width) == 48);
static_assert(offsetof(EffectRecord, strips) == 52);
static_assert(offsetof(EffectRecord, strip_tail) == 56);

// What a request event carries.
struct EffectRequest {
  uint16_t id = 0;
  int32_t type = 0;
  uint32_t colour = 0;
  int32_t mode = 0;
  Handle window = kNoHandle;
  int16_t x = 0, y = 0, width = 0, height = 0;
  Handle object = kNoHandle;
};
// Reads a request from a whole event record; writes one into it.
EffectRequest ReadEffectRequest(const uint8_t* event);
void WriteEffectRequest(uint8_t* event, const EffectRequest& request);
// Sends the request (0x503) from task number `sender` to the effect task: 0,
// or 1 when no event could be made.
int SendEffectRequest(int32_t sender, const EffectRequest& request);

// The task's step: its start event makes "EffectData" and the large font
// (24 x 24, drawn in one piece); requests, ticks; and, while Ctrl is held,
// one more typewriter step per cycle for every text record.
void EffectTask(Handle task);

// The resource of the records (none before the start event).
Handle EffectDataResource();
// The record of a handle, or nullptr when it is no active record of
// "EffectData". Valid until the next allocation.
EffectRecord* EffectView(Handle record);
// The first record with that object and type, or none.
Handle FindEffect(Handle object, int16_t type);

// A request ("create effect" logged; dropped before the start event). Type 6
// gives the running effect of the window with the id its mode. Type 5 turns
// the object's capture in that window into its restore. Otherwise an effect
// of the same object and type is replaced (0x506 to its owner; a replaced
// text clears its message area) by a new record.
void CreateEffect(const EffectRequest& request);
// One tick of one record.
void StepEffect(Handle record);
// One typewriter step of a text record (nothing while halted). The message
// area is cleared before the first character; in the whole-page mode the
// page is then completed at once.
void TextStep(Handle record);
// Takes one character (or line end) of a text record and draws it: 0 when
// one was taken and more follow (or the area cannot be drawn just now), 1 at
// the text's end (or when the area and its parent are both hidden), 2 when
// the page is full (the record halts).
int text_draw(Handle record);
// Draws the message area's text again: kRedrawComplete completes the page
// at once (turning a full page first), kRedrawNextPage turns to the next
// page or, when none follows, ends the effect (0x505), kRedrawRepaint paints
// the page as far as it had got. 1 when the area's parent window cannot be
// drawn, else 0. The window objects call it through their effect seam.
int RedrawEffect(Handle object, int mode);
// Type 6: the first record of the window with the id gets the mode.
void SetEffectMode(Handle window, uint32_t id, int32_t mode);
// Deletes the record, freeing its strips.
void DeleteEffect(Handle record);

// Back to the state before start-up (tests).
void ResetEffects();

}  // namespace vadu
