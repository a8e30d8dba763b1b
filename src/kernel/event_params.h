// Event codes, and for each code the byte positions of its parameters in the
// 600-byte event record (the head ends at 28; parameters start there). Every
// sender and receiver reads and writes a parameter through these names, with
// the byte helpers of platform/bytes.h, so each code's layout is stated once.
// A layer that adds event codes adds them here.
#pragma once

#include <cstdint>

#include "kernel/event_record.h"

namespace vadu {

// --- Codes --------------------------------------------------------------------
inline constexpr uint16_t kEventQueueStart = 0;       // the first record of the queue
inline constexpr uint16_t kEventStart = 0x101;        // the task may begin work
inline constexpr uint16_t ShutDownEvent = 0x102;      // end the system
inline constexpr uint16_t kEventSystemReady = 0x104;  // every system task exists
inline constexpr uint16_t kEventYear = 0x110;         // clock: the year changed
inline constexpr uint16_t kEventMonth = 0x111;
inline constexpr uint16_t kEventDay = 0x112;
inline constexpr uint16_t kEventHour = 0x113;
inline constexpr uint16_t kEventMinute = 0x114;
inline constexpr uint16_t kEventSecond = 0x115;
inline constexpr uint16_t kEventHalfSecond = 0x116;
inline constexpr uint16_t kEventEighthSecond = 0x117;
inline constexpr uint16_t kEventKey = 0x200;             // a key was pressed
inline constexpr uint16_t kEventOpenWindow = 0x302;      // to WindowTask: open a window
inline constexpr uint16_t kEventCloseWindow = 0x303;     // to WindowTask: close a window
inline constexpr uint16_t kEventMouse = 0x306;           // a mouse button report
inline constexpr uint16_t kEventMouseUp = 0x307;         // ... whose button state is 0
inline constexpr uint16_t kEventObjectClicked = 0x308;   // an object was clicked
inline constexpr uint16_t kEventReqDraw = 0x309;         // draw this window
inline constexpr uint16_t kEventRetDraw = 0x30a;         // the window is drawn
inline constexpr uint16_t kEventActivateWindow = 0x30b;  // to WindowTask: activate
inline constexpr uint16_t kEventWindowActivated = 0x30e;
inline constexpr uint16_t kEventWindowDeactivated = 0x30f;
inline constexpr uint16_t kEventWindowMoved = 0x310;  // notice, and request to move
inline constexpr uint16_t kEventWindowResized = 0x311;
inline constexpr uint16_t kEventCloseAllWindows = 0x312;
inline constexpr uint16_t kEventWindowOpened = 0x313;
inline constexpr uint16_t kEventWindowClosed = 0x314;
inline constexpr uint16_t kEventWindowToFront = 0x315;  // to WindowTask: bring to front
inline constexpr uint16_t kEventAddSystemMenu = 0x412;  // to MenuTask: add a system-menu row
inline constexpr uint16_t kEventMenuChosen = 0x413;     // a menu row was chosen
inline constexpr uint16_t kEventMenuDisable = 0x418;    // to MenuTask: toggle a row's disabled mark
inline constexpr uint16_t kEventMenuEnable = 0x419;
inline constexpr uint16_t kEventString = 0x501;          // a text
inline constexpr uint16_t kEventEffectRequest = 0x503;   // to AnimeTask or EffectTask
inline constexpr uint16_t kEventEffectEnded = 0x505;     // from EffectTask
inline constexpr uint16_t kEventEffectReplaced = 0x506;  // from EffectTask

// --- Parameters, by code -----------------------------------------------------

// 0x200, KeyTask to every task.
struct KeyEventAt {
  static constexpr int kText = 28;       // one byte, or a two-byte character, then 0
  static constexpr int kTextSize = 3;    // bytes 28-30
  static constexpr int kModifiers = 32;  // 32-bit modifier bits
};

// 0x302 open a window; 0x310 move a window (both to WindowTask).
struct WindowPlaceAt {
  static constexpr int kX = 28;       // 16-bit
  static constexpr int kY = 30;       // 16-bit
  static constexpr int kWindow = 36;  // window handle
};

// 0x303, 0x309, 0x30a, 0x30b, 0x315 and the window notices 0x30e-0x314: the
// window the request or notice is about.
struct WindowEventAt {
  static constexpr int kWindow = 36;
};

// 0x306, 0x307, WindowTask to the window's owner (or a mouse-capture task).
struct MouseEventAt {
  static constexpr int kX = 28;       // 16-bit, relative to the window's content
  static constexpr int kY = 30;       // 16-bit
  static constexpr int kButton = 34;  // 16-bit button state
  static constexpr int kWindow = 36;  // none for a mouse-capture task
};

// 0x308, WindowTask to the window's owner.
struct ObjectClickedAt {
  static constexpr int kNumber = 32;  // 16-bit object number
  static constexpr int kWindow = 36;
  static constexpr int kObject = 40;
};

// 0x412, a task to MenuTask.
struct AddSystemMenuAt {
  static constexpr int kNumber = 36;  // 16-bit entry number
  static constexpr int kName = 44;    // 22 bytes
  static constexpr int kNameSize = 22;
  static constexpr int kLabel = 66;  // zero-terminated, up to the record's end
};

// 0x413, MenuTask to a task.
struct MenuChosenAt {
  static constexpr int kValue = 36;  // 16-bit chosen value
  static constexpr int kMenu = 40;   // the menu
};

// 0x418, 0x419, a task to MenuTask.
struct MenuRowAt {
  static constexpr int kValue = 36;  // 16-bit command value of the row
};

// 0x501, a task to a task.
struct StringEventAt {
  static constexpr int kLength = 32;  // 32-bit length of the stored text
  static constexpr int kText = 40;    // zero-terminated text
  // Longest text an event holds (the rest of the record, less the zero).
  static constexpr int kTextMax = kEventRecordSize - kText - 1;
  // Texts longer than this are logged when sent (and sent all the same).
  static constexpr int kTextWarn = 78;
};

// A value sent with SendValueEvent.
struct ValueEventAt {
  static constexpr int kValue = 36;  // 32-bit
};

// 0x503, a task to EffectTask (12) or AnimeTask (11).
struct EffectRequestAt {
  static constexpr int kId = 28;      // 16-bit request id, returned in ret_effect
  static constexpr int kType = 32;    // 32-bit signed effect (or anime request) type
  static constexpr int kColour = 36;  // 32-bit colour value
  static constexpr int kMode = 40;    // 32-bit signed: text mode, or type 6's new mode
  static constexpr int kWindow = 44;  // the window the effect draws in
  static constexpr int kX = 48;       // 16-bit each: a rectangle in the window (or the
  static constexpr int kY = 50;       // anime's drawing origin)
  static constexpr int kWidth = 52;
  static constexpr int kHeight = 54;
  static constexpr int kObject = 56;  // the message object (the key of a text effect)
  static constexpr int kName = 60;    // anime requests: the script file name, terminated
};

// 0x505, 0x506, EffectTask to the effect window's owner (ret_effect).
struct EffectResultAt {
  static constexpr int kId = 28;      // 16-bit request id
  static constexpr int kWindow = 44;  // the effect's window
};

}  // namespace vadu
