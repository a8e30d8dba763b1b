// Window objects: the controls that live inside a window. Each object is a
// record of "Object" (window/object_record.h) that owns a small window of its
// own, a child of the window it belongs to (its parent), marked
// WINDOWobject and shown with WINDOWshow as part of the parent. Objects are
// found by the number their creator gives them within their parent window;
// with two alike the first created is found.
//
// The window manager draws a window's objects after the window, offers
// clicks in a window to its objects before its owner sees them, and
// destroys them with their window, through the hooks of window/window.h
// (DrawWindowObjects, ClickWindowObjects, DestroyWindowObjects below). A
// click on an object is reported to the owner task of the clicked window as
// event 0x308 (kernel/event_params.h, ObjectClickedAt).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"
#include "window/object_record.h"

namespace vadu {

// --- Creation ---------------------------------------------------------------
// Every creator returns the object, or none when its parent is not a window
// or no record or window could be made (nothing is left behind). The
// object's window is owned by the parent's owner, which gets its events; it
// is placed at (x, y) of the parent's content with the given size, and the
// object joins the end of the parent's object list. Sizes below 0 count as 0.
//
// Kind 1 with the parent's gc, an empty label and flags 0x14; its window has
// WINDOWobject + WINDOWshow. `task` is the task the object is made for.
Handle CreateObject(Handle task, Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height);
// Kind 1: raised, sunken while on; a click toggles it.
Handle CreateButton(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height);
// Kind 5, "CheckButton": a 12 x 12 check box.
Handle CreateCheckButton(Handle parent, int16_t number, int16_t x, int16_t y);
// Kind 6, "MessageButton": a push button whose label (cut to 75 bytes, never
// inside a two-byte character) sets its size: (bytes + 2) x half width + 10
// wide, character height + 10 high, in the parent gc's font.
Handle CreateMessageButton(Handle parent, int16_t number, int16_t x, int16_t y, const char* label);
// Kind 7: the label alone, sized as a message button.
Handle CreateLabel(Handle parent, int16_t number, int16_t x, int16_t y, const char* text);
// Kind 4, "GraphicObject": the picture over the object's window; hidden
// (WINDOWshow off) while it has none.
Handle CreateGraphicObject(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height,
                           Handle picture);
// Kind 10, "Popupmenu": an invisible area (its window is not shown) that
// opens the menu on a click with button 2.
Handle CreatePopupmenu(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle menu);
// Kind 11, "Pulldownmenu", at 0/0: its window's mode is `mode` +
// WINDOWobject (not shown until shown).
Handle CreatePulldownmenu(Handle parent, int16_t number, int16_t width, int16_t height, uint32_t mode, Handle menu);
// Kind 12, "SubWindow", at 0/0: the object's window is a sub-window with
// mode `mode` + WINDOWobject, shown by OpenSubWindow; its owner draws it
// (OBJownerdraws).
Handle CreateSubWindow(Handle parent, int16_t number, int16_t width, int16_t height, uint32_t mode);
// Kind 24, "Selecter": `gc` becomes the object's and its window's gc.
Handle CreateSelecter(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle menu,
                      Handle gc);
// Kind 25: the menu's items inside an outline drawn in the parent.
Handle CreateMenuList(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle menu);
// Kind 16, "Message": a message area drawn with `gc` (none: the parent's).
// Every message area of a task shares the task's message text
// ("TEXTWORK<task number>"), made on first use. Sets WINDOWresave on the
// parent.
Handle CreateMessage(Handle parent, int16_t number, int16_t x, int16_t y, int16_t width, int16_t height, Handle gc);
// Kind 23, "HelpMessage": a strip over the whole parent width, two character
// heights high, along the parent's bottom. A window has one: a second is
// refused with "CreateHelpMessageを２重作成しようとしました" logged.
Handle CreateHelpMessage(Handle parent, int16_t number);
// A scroll bar of three objects, each 16 wide: the up button n + 1 (kind 18,
// "UpButton") at (x, y), the down button n + 2 (kind 19, "DownButton") at
// (x, y + height - 16) and the elevator n (kind 22, "Elebator") at
// (x, y + 16), height - 32 high. The elevator, or none (and none of the
// three) when one cannot be made.
Handle CreateScrollBar(Handle parent, int16_t number, int16_t x, int16_t y, int16_t height);

// --- Use ---------------------------------------------------------------------
// Destroys the object's window (and with it the window's own objects) and
// deletes the record; the object leaves its parent's list first.
void DestroyObject(Handle object);
// Offers the current click (the pointer and the button state) to the
// window's objects, as the window manager does; the object that took it, or
// none. For modal loops that read the mouse themselves.
Handle ClickObjects(Handle window);
// The first object of the window with that number, or none.
Handle FindObject(Handle window, int16_t number);
// The n-th object (from 1) of that kind in the window, or none.
Handle FindObjectOfKind(Handle window, int16_t kind, int n);
int CountObjectsOfKind(Handle window, int16_t kind);
// Places the object's window at (x, y) of the parent's content. 0, or -1
// when there is no such object.
int MoveObject(Handle window, int16_t number, int16_t x, int16_t y);
// 1 when OBJon is set, 0 when clear, -1 when there is no such object.
int IsObjectOn(Handle window, int16_t number);
// Ors the bits into the object's flags: 1, or -1 when there is no such
// object.
int SetObjectFlags(Handle window, int16_t number, uint16_t bits);
// Takes the bits out when any of them is set: 0, or -1 when there is no
// such object.
int ClearObjectFlags(Handle window, int16_t number, uint16_t bits);
// Sets / clears OBJon; a check button is redrawn checked / unchecked, a
// message button with OBJnoaction pressed / raised. 0, or -1 when there is
// no such object.
int SetButton(Handle window, int16_t number);
int ResetButton(Handle window, int16_t number);
// Replaces the label (cut to 75 bytes, never inside a two-byte character);
// a shown message button is redrawn.
void SetButtonText(Handle object, const char* text);
// A graphic object's picture: stored (nothing when both the new and the
// stored one are none), the object shown with one and hidden without, then
// the parent drawn again with WINDOWresave (which is off afterwards). 1, or
// 0 when the window has no graphic object of that number.
int SetGraphicObject(Handle window, int16_t number, Handle picture);
// Copies the text into a message area's text: the object, or none when
// there is no such message area or the text is longer than the text holds
// ("SetMessageObject() text length error" logged, nothing copied).
Handle SetMessageObject(Handle window, int16_t number, const char* text);
// Copies a message area's text (for the message effect) into `buffer` (room
// for `size` bytes, terminated, never cut inside a two-byte character): its
// length, or -1 (an empty buffer) when the object is no message area.
int32_t CopyMessageText(Handle object, char* buffer, size_t size);
// The longest text a message area holds: one block of its text.
inline constexpr int kMessageTextMax = 1023;

// Input lines (kind 3). GetInputText copies the line into `buffer` (room for
// `size` bytes, always terminated, never cut inside a two-byte character):
// the object, or none ("Object番号指定ミス GetInputText" logged when no object
// has the number). GetInputNumber is its decimal value (saturating at the
// 32-bit range), or -1 when there is no such input.
Handle GetInputText(Handle window, int16_t number, char* buffer, size_t size);
int32_t GetInputNumber(Handle window, int16_t number);
// Replaces the line's text ("Object番号指定ミス PutInputText" logged when no
// object has the number): the object, or none. PutInputNumber: 0 on
// success, 1 on failure.
Handle PutInputText(Handle window, int16_t number, const char* text);
int PutInputNumber(Handle window, int16_t number, int32_t value);

// Draws one object (saving what lies under it first when its window has a
// backing store). 0, or 1 when there is no such object.
int DrawObject(Handle window, int16_t number);
// Shows the object at (x, y) (kept 1 inside the parent) and draws it;
// nothing when it is already shown exactly there. 0, or 1 when there is no
// such object.
int ShowObject(Handle window, int16_t number, int16_t x, int16_t y);
// Hides the object: its saved background is put back, or else its parent
// is drawn again (and its owner asked to draw). 0, or 1 when there is no such
// object or it is hidden already (each logged).
int CloseObject(Handle window, int16_t number);
// Shows a sub-window object and asks the window manager to open it at
// (x, y), or where it is when both are -1: 1. When it is shown already, its
// owner is only asked to draw it again: 0. 1 when there is no such object.
int OpenSubWindow(Handle window, int16_t number, int16_t x, int16_t y);
// Hides a sub-window object and asks the window manager to close it. 1.
int CloseSubWindow(Handle window, int16_t number);

// Draws an object by its kind (nothing for OBJhidden). The press looks of
// kinds 6, 18 and 19 are drawn by a click.
void DrawObjectByKind(Handle object);
// The input line (kind 3): face, sunken edge, the line's text and then the
// text task's cursor ("  DrawInputMessage object is NULL" logged for a
// missing object).
void DrawInputMessage(Handle object);

// --- Text areas and input lines ------------------------------------------------
// A text area (kind 26, record tag "TO") over `text` in the parent, with the
// view fields of TextAreaFields from its size and the parent gc's font; the
// text gets `mode` added to its mode and a first block when it has none.
Handle CreateTextArea(Handle text, Handle parent, int16_t x, int16_t y, int16_t width, int16_t height, int16_t number,
                      uint32_t mode);
// The first text area ever made since start-up (the head of the text task's
// pointer search), or none.
Handle FirstTextArea();
// One-line inputs (kind 3, "InputMessage", "InputNumeric", "InputByte") for
// `length` characters: half width x (length + 1) + 4 wide, character height
// + 4 high. The input's text is named "demo text" (further inputs of the
// task that are alive at once get texts of their own, "demo text2" on),
// made for `task` in one-line mode. The numeric input takes digits only and
// turns two-byte input into its one-byte form; the byte input does the
// latter. None ("    CreateMessageLine null error" logged) on failure.
Handle CreateMessageLine(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task);
Handle CreateInputNumeric(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task);
Handle CreateInputByte(Handle parent, int16_t number, int16_t x, int16_t y, int16_t length, Handle task);
// One-line mode only: the text (up to its first line end, at most one
// block) becomes the whole content, the cursor goes past its end, and the
// input is drawn again (DrawInputMessage). "SET size %d  %s." is printed.
// 0, or 1 when the object is no one-line input.
int SetTextLine(Handle object, const char* text);
// One-line mode only: the content into `buffer` (room for `size` bytes,
// terminated, never cut inside a two-byte character). "REQ size %d %s." is
// printed and "ReqTextLine() call" logged. 0, or 1 when the object is no
// one-line input (the buffer is then emptied).
int ReqTextLine(Handle object, char* buffer, size_t size);

// --- The window manager's hooks (window/window.h) ------------------------------
// Draws the window's objects after `after` (none: from the first); the
// object that waits for its owner (OBJownerdraws), or none when all are drawn.
Handle DrawWindowObjects(Handle window, Handle after);
// A click at (x, y) of the window's content with the button state: true when
// an object took it (and was reported to the window's owner).
bool ClickWindowObjects(Handle window, int16_t x, int16_t y, uint16_t button);
// Destroys every object of the window.
void DestroyWindowObjects(Handle window);

// Back to the state before start-up (tests).
void ResetWindowObjects();

}  // namespace vadu
