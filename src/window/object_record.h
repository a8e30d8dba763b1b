// The window object record: one record of the system resource "Object" per
// control inside a window (buttons, check boxes, input lines, message areas,
// pictures, menus, sub-windows, help lines, scroll-bar parts). Each object
// owns a small window of its own, a child of the window it belongs to.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"
#include "kernel/system_records.h"

namespace vadu {

// Bits of the object flag word.
enum ObjectFlag : uint16_t {
  OBJhidden = 0x01,      // not drawn; buttons of kinds 1 and 6 do not react
  OBJon = 0x02,          // on / checked / pressed
  OBJnoaction = 0x20,    // no press animation, no toggling; clicks are still reported
  OBJownerdraws = 0x40,  // the owner draws it: object drawing waits for its answer
  OBJnoshade = 0x80,     // a message area is drawn without darkening
};
// The flag word of a new object. Bits 0x04 and 0x10 mean nothing to the
// window system; they are kept because saved objects carry them.
inline constexpr uint16_t kObjectCreationFlags = 0x14;

// The kind number selects how an object is drawn and what a click does.
enum ObjectKind : int16_t {
  kObjectButton = 1,         // raised, or sunken when on; toggles
  kObjectInput = 3,          // one-line input (InputMessage, InputNumeric, InputByte)
  kObjectGraphic = 4,        // a picture; takes no clicks
  kObjectCheckButton = 5,    // 12 x 12 check box
  kObjectMessageButton = 6,  // push button with a label
  kObjectLabel = 7,          // a label alone
  kObjectPopupmenu = 10,     // invisible area that opens a menu on button 2
  kObjectPulldownmenu = 11,  // raised face with a menu's items
  kObjectSubWindow = 12,     // a window inside the window, with objects of its own
  kObjectMessage = 16,       // message area typed out by the message effect
  kObjectUpButton = 18,      // scroll bar: up arrow
  kObjectDownButton = 19,    // scroll bar: down arrow
  kObjectElevator = 22,      // scroll bar: the elevator
  kObjectHelpMessage = 23,   // help strip along a window's bottom
  kObjectSelecter = 24,      // raised face with a menu's items
  kObjectMenuList = 25,      // a menu's items inside an outline
  kObjectTextArea = 26,      // text area of the text task
};

// The longest label: the text field holds it and its terminator.
inline constexpr int kObjectTextSize = 76;

struct ObjectRecord {
  Handle window;   // the object's own window: its place and size
  uint16_t flags;  // ObjectFlag bits
  uint8_t unused6[2];
  Handle parent;   // the window the object belongs to
  int16_t kind;    // ObjectKind
  int16_t number;  // the creator's number for it within its window
  Handle gc;       // colours and font it is drawn with
  // A button's label (at most 75 bytes and a NUL); a text area's view
  // fields and the text task's editing state (TextAreaFields).
  char text[kObjectTextSize];
  Handle data;  // a text (input, message area), a menu or a picture, by kind
  Handle next;  // the parent's object list, in creation order
  Handle prev;
};
static_assert(sizeof(ObjectRecord) == kWindowObjectRecordSize);
static_assert(offsetof(ObjectRecord, flags) == 4);
static_assert(offsetof(ObjectRecord, parent) == 8);
static_assert(offsetof(ObjectRecord, kind) == 12);
static_assert(offsetof(ObjectRecord, number) == 14);
static_assert(offsetof(ObjectRecord, gc) == 16);
static_assert(offsetof(ObjectRecord, text) == 20);
static_assert(offsetof(ObjectRecord, data) == 96);
static_assert(offsetof(ObjectRecord, next) == 100);
static_assert(offsetof(ObjectRecord, prev) == 104);

// What a text area (kind 26, and the input lines made from one) keeps in the
// object's text field: the view of its text. The rest of the field is the
// text task's.
struct TextAreaFields {
  int32_t top_line;      // first text line shown
  int16_t rows;          // visible lines: height / character height
  int16_t first_column;  // first text column shown (sideways scroll)
  int16_t columns;       // visible columns: width / half width; a one-line input takes no more
  uint8_t editor[66];    // the text task's state
};
static_assert(sizeof(TextAreaFields) == kObjectTextSize);
static_assert(offsetof(TextAreaFields, rows) == 4);
static_assert(offsetof(TextAreaFields, first_column) == 6);
static_assert(offsetof(TextAreaFields, columns) == 8);

// The record of a handle, or nullptr when it is not an active full-size
// record of "Object". Valid until the next allocation.
ObjectRecord* ObjectView(Handle object);
// The text-area fields of an object, or nullptr. Valid until the next
// allocation.
TextAreaFields* TextAreaView(Handle object);

}  // namespace vadu
