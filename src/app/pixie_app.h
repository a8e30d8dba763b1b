// The state the scenario application's parts share: the task step and its
// dispatch (pixie.cpp), the scenario step and its commands (scenario.cpp),
// the game data file and the status window (game_data.cpp), and the
// application menus with save and load (save_menu.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/types.h"

namespace vadu {

// Object numbers inside the play window.
inline constexpr int16_t kObjMessage = 110;
inline constexpr int16_t kObjSelect = 111;
inline constexpr int16_t kObjPopup = 112;
inline constexpr int16_t kObjBackground = 113;
inline constexpr int16_t kObjStatus = 114;
inline constexpr int16_t kObjFace = 115;
inline constexpr int16_t kObjPlay = 116;
inline constexpr int16_t kObjSaveMenu = 118;

// Save slots 1..10: rows 1..10 of the save menu.
inline constexpr int kSaveSlots = 10;

// The scenario text buffers: a longer text is cut to fit.
inline constexpr size_t kScenarioTextSize = 4096;

// Table sizes of the game data file; values beyond them are cut.
inline constexpr int kMaxParams = 11;        // PARANAME names
inline constexpr int kParamNameSize = 10;    // 9 bytes and the terminator
inline constexpr int kMaxModes = 10;         // MODENAME1..10
inline constexpr int kModeWords = 10;        // the item name and values 0..8
inline constexpr int kModeWordSize = 20;     // 19 bytes and the terminator
inline constexpr int kDisplayRows = 12;      // row 0 and 11 stay empty
inline constexpr int kDisplayNameSize = 40;  // 39 bytes and the terminator

struct PixieApp {
  Handle task = kNoHandle;

  // Mode flags of the dispatch step.
  int32_t test = 1;
  int16_t draw_mes = 0;
  int16_t select_menu = 0;
  int32_t savemenu_flag = 0;
  int32_t autoPlay = 0;
  int32_t ActiveSelect = 0;
  int32_t PopupMenu = 0;
  int32_t selectCursor = 0;

  // The play window, its objects' windows and the application's menus.
  Handle play_window = kNoHandle;
  Handle message_object = kNoHandle;
  Handle select_window = kNoHandle;
  Handle savemenu_window = kNoHandle;
  Handle status_window = kNoHandle;
  Handle face_window = kNoHandle;
  Handle play_sub_window = kNoHandle;
  Handle popup_menu = kNoHandle;
  Handle select_menu_handle = kNoHandle;
  Handle save_menu = kNoHandle;
  Handle prompt_gc = kNoHandle;
  Handle gauge_gc = kNoHandle;

  // Where each sub-window is opened.
  int16_t play_x = 180, play_y = 10;
  int16_t face_x = 340, face_y = 120;
  int16_t select_x = 680, select_y = 20;
  int16_t status_x = 20, status_y = 30;

  // Resources: the game state's resource and record, the play list and the
  // text library (none when the scenario has none).
  Handle charcter = kNoHandle;
  Handle state = kNoHandle;
  Handle play_list = kNoHandle;
  Handle text_lib = kNoHandle;
  Handle play_record = kNoHandle;  // the play record of the current text

  // The scenario text, where the next step continues in it (null when used
  // up), the message on screen, the operand of the last Select and the
  // current pictures.
  char base_text[kScenarioTextSize] = {};
  char* pendingText = nullptr;
  char message[kScenarioTextSize] = {};
  char menu_str[kScenarioTextSize] = {};
  char background_name[256] = {};
  char face_name[256] = {};
  char play_name[256] = {};

  // Settings of the game data file.
  char player_name[64] = {};
  char game_title[128] = {};
  int16_t month = 1, day = 1, week = 0;
  int16_t end_month = 12, end_day = 31;
  int32_t date_sts = 0;
  int32_t window_frame = 0;
  int32_t reverse_color = 0;
  int32_t play_window_size = 0;
  int32_t text_height = 200;
  char start_background[256] = {};

  int param_count = 0;
  char params[kMaxParams][kParamNameSize] = {};
  int mode_count = 0;
  int mode_words[kMaxModes] = {};  // words on each MODENAME line
  char modes[kMaxModes][kModeWords][kModeWordSize] = {};
  char display[kDisplayRows][kDisplayNameSize] = {};

  // The quit request was sent: no further scenario step runs.
  bool quit_requested = false;
  // Screens rebuilt from the state so far (GSP 8, a load): a text run that
  // sees the count change under one of its tags stops there, since the
  // scenario buffer now holds the restored text.
  uint32_t restore_count = 0;
  // A rebuilt screen is typing its saved text: GSP 8 inside it is refused
  // (a saved text that requests GSP 8 would restore itself without end).
  bool restoring = false;
  // "sound is off" has been logged in this run.
  bool sound_off_logged = false;
};

// The one application state; cleared by the engine reset.
PixieApp& App();

// --- pixie.cpp ------------------------------------------------------------
// Loads the game state, the play list and the text library and makes the
// prompt GC: 0, or 1 when the game state or the player's record is missing.
int CreateForm();
// Makes the play window with its objects, sub-windows and GCs (the menus
// first); App().play_window stays none when the window cannot be made.
void CreatePlayWindow();

// --- scenario.cpp ---------------------------------------------------------
int action_pixie();
// Results of exec_command: the text ran to its end (0), stopped at a Select
// or input with the rest pending (0, or 3 after a NoText), stopped at one
// at its very end (2), or stopped where a tag restored the screen from the
// state (4: the restored text runs instead, nothing of this one is shown).
inline constexpr int kTextReplaced = 4;
int exec_command(char* text, char* output, size_t output_size);
int RunCommand(const char* command, const char* operand);
int ShowMessage(const char* text);
void SelectMenu(int n);
int HandleGSPRequest();
void ChangeDay();
void ShowResults();
void SkipOrAdvance();
// Changes the background to `name`, or to the name BG_FORMAT builds when
// `name` is null.
void ChangeBackground(const char* name);
// Fills the selection menu's rows 1..9 from a Select operand.
void BuildSelectMenu(const char* operand);
// Runs the scenario text from `pendingText` (the text step of a scenario
// step).
void RunTextStep();
// The play record whose condition holds for the game state, or none.
Handle FindPlayRecord();

// --- game_data.cpp --------------------------------------------------------
void init_pixie();
// The text of a game data key (blanks removed), or null when the key is
// missing. `value` receives it.
char* PixieKey(const char* key, char* value, size_t size);
// Full-width number text of 0..60 (0 a full-width blank); other values
// give the full-width blank.
const char* NumberText(int value);
const char* WeekdayText(int weekday);
// Null when "time" is 0 (logged).
const char* TimeText(char* out, size_t size);
const char* DateText(char* out, size_t size);
void DrawStatus();
const char* BuildNameFromFormat(const char* key, char* out, size_t size);
int BuildPlayListFromFiles();
int BuildTextLibFromFiles();
// The mode table row whose item is `name`, or −1.
int ModeRow(const char* name);
// The display name of the value of mode row `row` in the game state.
const char* ModeValueName(int row);
// Replaces, in place, each word of a Compute expression that equals a value
// name of a mode variable by that value's number.
void ReplaceModeValueNames(char* expression, size_t size);
// Keeps every parameter of the game state within 0..200.
void ClampParameters();
// Makes the gauge GC of the status window (App().gauge_gc: the yellow-to-red
// ramp its bars are drawn with). CreatePlayWindow calls it.
void CreateStatusGCs();
// Record number of the start data in "Charcter" (GSP request 7 writes it,
// request 8 and the results screen read it); the records a data form
// script makes are anonymous (-1), so the number cannot meet one of them.
inline constexpr int32_t kStartDataNumber = 1;
// The start-data record of "Charcter"; when it is missing and `create` is
// set it is made first. None without "Charcter" (or when it cannot be made).
Handle StartDataRecord(bool create);

// --- save_menu.cpp --------------------------------------------------------
void CreatePixieMenus();
void PopupReturn(int n);
void OpenSaveMenu(int mode);
void CloseSaveMenu();
void SaveMenuReturn(int slot);
int SaveSlot(int slot);
int LoadSlot(int slot);
void RestoreFromState();

}  // namespace vadu
