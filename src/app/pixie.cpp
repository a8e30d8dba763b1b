#include "app/pixie.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/pixie_app.h"
#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "core/transcript.h"
#include "data/dataform.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/font.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "kernel/wait.h"
#include "menu/menu.h"
#include "platform/bytes.h"
#include "platform/device.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/input.h"
#include "platform/milestone.h"
#include "platform/reset.h"
#include "present/effect.h"
#include "window/backing_store.h"
#include "window/draw.h"
#include "window/manager.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

constexpr char kPixieTaskName[] = "StillPixie";
constexpr char kProgramName[] = "goStillPixie";
constexpr char kProgramVersion[] = "0.310";

// Engine key codes the dispatch reacts to.
constexpr uint8_t kKeyUp = 5;
constexpr uint8_t kKeyDown = 6;
constexpr uint8_t kKeyReturn = 13;
constexpr uint8_t kKeyEscape = 15;
constexpr uint8_t kKeySpace = 32;

// The play window: 800 by 600, framed, with a title bar, ruled.
constexpr int16_t kPlayWidth = 800;
constexpr int16_t kPlayHeight = 600;
constexpr uint32_t kPlayWindowMode = WINDOWframe | WINDOWcontrolbar | WINDOWruled;
// Where the prompts are centred in the play window.
constexpr int16_t kPromptY = 550;
// The selection menu's last row a key can reach.
constexpr int kLastSelectRow = 11;

PixieApp g_app;

void ResetApp() {
  g_app = PixieApp{};
}
[[maybe_unused]] const bool kResetRegistered = RegisterReset(&ResetApp);

// A font of the given cell size, style 2 (drawn in one piece).
Handle PixieFont(int16_t size) {
  return CreateFont(size, size, kFontOnePiece, nullptr);
}

// A GC with the given colours (colour table entries) and font; none when it
// cannot be made.
Handle MakeGC(uint32_t text, uint32_t face, uint32_t light, uint32_t shadow, int16_t font_size) {
  const Handle gc = CreateGC(App().task, ColourTable[text], ColourTable[face], ColourTable[light], ColourTable[shadow]);
  if (gc == kNoHandle) return kNoHandle;
  const Handle font = PixieFont(font_size);
  if (font != kNoHandle) SetGCFont(gc, font);
  return gc;
}

// The colours of the selection object and the status window: black (or
// with ReverseColor white) text on grey.
Handle MakePanelGC(int16_t font_size) {
  if (App().reverse_color != 0) return MakeGC(1, 19, 17, 0, font_size);
  return MakeGC(0, 17, 18, 19, font_size);
}

// The window of an object of the play window, or none.
Handle ObjectWindow(int16_t number) {
  const Handle object = FindObject(App().play_window, number);
  const ObjectRecord* o = ObjectView(object);
  return o == nullptr ? kNoHandle : o->window;
}

bool EndsWithAni(const char* name) {
  const size_t n = std::strlen(name);
  return n >= 4 && (std::strcmp(name + n - 4, ".ani") == 0 || std::strcmp(name + n - 4, ".ANI") == 0);
}

// Draws the named picture into a face or play sub-window at (5, 5), cut at
// the window's content edge. Animations draw their own pictures.
void DrawSubWindowPicture(Handle window, const char* name) {
  if (name[0] == '\0' || EndsWithAni(name)) return;
  if (TestWindowMode(window, WINDOWdrawable) == 0) return;
  const ScreenRect c = ContentRect(window);
  const int w = c.width - 5;
  const int h = c.height - 5;
  if (w <= 0 || h <= 0) return;
  DrawBMPFile(name, static_cast<int16_t>(c.x + 5), static_cast<int16_t>(c.y + 5), static_cast<int16_t>(w),
              static_cast<int16_t>(h));
}

// The first resource with this DataName, whatever file its script named.
Handle ResourceByDataName(const char* data_name) {
  int budget = 100000;
  for (Handle r = FirstResource(); r != kNoHandle && budget-- > 0;) {
    const ResourceAttr* attr = Attr(r);
    if (attr == nullptr) break;
    if (std::strncmp(attr->data_name, data_name, sizeof attr->data_name) == 0) return r;
    r = attr->next_resource;
  }
  return kNoHandle;
}

void LogFlags(const char* format) {
  const PixieApp& a = App();
  WriteLogf(format, a.test, a.draw_mes, a.select_menu);
}

// Draws a prompt centred near the bottom of the play window and records it.
void DrawPrompt(const char* text, Handle gc) {
  WinCenterMessage(App().play_window, kPromptY, text, gc);
  TranscriptLine("prompt", text);
}

// The selection is asked for: the prompt, the page completed, the menu
// shown.
void ShowSelection() {
  PixieApp& a = App();
  DrawPrompt("Select Menu", SystemGC());
  RedrawEffect(a.message_object, kRedrawComplete);
  ShowObject(a.play_window, kObjSelect, a.select_x, a.select_y);
  a.draw_mes = 0;
}

// ret_effect: the message effect ended (0x505) or was replaced (0x506).
// False when the step ends here.
bool MessageEnd(uint16_t code) {
  PixieApp& a = App();
  LogFlags("effect のRetEvent受信　(test%d:draw_mes%d:select_menu%d)");
  // The program is ending: its window closed and ended the message.
  if (a.quit_requested) return false;
  if (code == kEventEffectReplaced) {
    WriteLogf("ret_effect no.%d　:effect_breakを受信しました(test%d:draw_mes%d:select_menu%d)", code, a.test,
              a.draw_mes, a.select_menu);
    if (a.select_menu == 0 || a.draw_mes != 0) return false;
  }
  a.draw_mes = 0;
  if (a.select_menu != 0) ShowSelection();
  a.test = 0;
  if (a.select_menu == 0) {
    // The whole text is shown and the game waits for the player.
    DrawPrompt("PushAnyKey", a.prompt_gc);
  }
  return true;
}

// A message whose last character has been typed is over: it is completed
// (drawn again as it stands) so that the effect task reports its end, as it
// does for a press. Without this only a press ends a message, and auto
// play, which advances on ticks once no message types, would wait for one.
void EndTypedMessage() {
  PixieApp& a = App();
  const Handle record = FindEffect(a.message_object, EFFECTtext);
  const EffectRecord* r = EffectView(record);
  if (r == nullptr || (r->flags & (kEffectHalted | kEffectPageFull | kEffectEndReported)) != 0) return;
  const int32_t typed = r->page_base + r->position;
  char text[kMessageTextMax + 1];
  const int32_t length = CopyMessageText(a.message_object, text, sizeof text);
  if (length < 0 || typed < length) return;
  RedrawEffect(a.message_object, kRedrawComplete);
}

// The selection object is shown (or missing): keys move the highlight and
// Return chooses.
void SelectionKey(uint8_t key) {
  PixieApp& a = App();
  const Handle menu = a.select_menu_handle;
  const Handle window = a.select_window;
  if (a.selectCursor != 0) ToggleMenuItemFlags(menu, window, a.selectCursor, MENUselected);
  if (key == kKeyDown && a.selectCursor < kLastSelectRow) ++a.selectCursor;
  if (key == kKeyUp && a.selectCursor > 0) --a.selectCursor;
  ToggleMenuItemFlags(menu, window, a.selectCursor, MENUselected);
  if (key != kKeyReturn) return;
  const int row = a.selectCursor;
  // A row without a label, or one that is disabled (hidden), cannot be
  // chosen, as with the mouse.
  int32_t value = GetMenuItemValueIfSet(menu, row);
  if (TestMenuItemFlags(menu, row, MENUdisabled) != 0) value = -1;
  if (value < 0) return;
  ToggleMenuItemFlags(menu, window, row, MENUselected);
  WaitTicks(50, 0);
  SelectMenu(value);
  WriteLogf("select no%d  ret &d", row);
  a.selectCursor = 0;
}

// A key event (0x200). False when the step ends here.
bool Key(uint8_t key) {
  PixieApp& a = App();
  if (key == kKeyEscape) {
    const bool menu_open = a.savemenu_flag != 0;
    if (menu_open) CloseSaveMenu();
    redraw_all();
    return !menu_open;
  }
  if (a.select_menu != 0) {
    const Handle select = FindObject(a.play_window, kObjSelect);
    if (select != kNoHandle && TestWindowMode(a.select_window, WINDOWshow) == 0) ShowSelection();
    if (select == kNoHandle || TestWindowMode(a.select_window, WINDOWshow) != 0) SelectionKey(key);
    return false;
  }
  if (key == kKeyReturn || key == kKeySpace) SkipOrAdvance();
  return false;
}

// A mouse button report (0x306). False when the step ends here.
bool Mouse(uint16_t button, Handle window) {
  PixieApp& a = App();
  if (button == 2) {
    CloseSaveMenu();
    return true;
  }
  if (button != 1) return true;
  if (window != kNoHandle && window == a.play_sub_window) {
    CloseSubWindow(a.play_window, kObjPlay);
    return false;
  }
  if (window != kNoHandle && window == a.face_window) {
    CloseSubWindow(a.play_window, kObjFace);
    return false;
  }
  if (a.savemenu_flag != 0) return false;
  SkipOrAdvance();
  return true;
}

// A draw request (0x309): the window's content, then the answer.
void Draw(Handle window) {
  PixieApp& a = App();
  if (window != kNoHandle) {
    if (window == a.play_window) {
      RedrawEffect(a.message_object, kRedrawComplete);
    } else if (window == a.status_window) {
      DrawStatus();
      // The status window is the last part of the first screen drawn at the
      // start (the play window, its picture, then the status): the game's
      // first page is on the screen with the next frame.
      NoteMilestoneOnNextFrame("first-page");
    } else if (window == a.face_window) {
      DrawSubWindowPicture(window, a.face_name);
    } else if (window == a.play_sub_window) {
      DrawSubWindowPicture(window, a.play_name);
    }
  }
  RetDrawEvent(a.task, window);
}

// A menu's choice (0x413).
void MenuChosen(int16_t value, Handle menu) {
  PixieApp& a = App();
  if (menu != kNoHandle && menu == a.popup_menu) {
    WriteLogf("rev popupmenu return %d", value);
    PopupReturn(value);
  } else if (menu != kNoHandle && menu == a.save_menu) {
    WriteLogf("rev savemenu return %d", value);
    SaveMenuReturn(value);
    CloseSaveMenu();
  } else if (menu != kNoHandle && menu == a.select_menu_handle) {
    SelectMenu(value);
  } else {
    WriteLog("ERROR goStillPixie is unknown menu number.");
  }
}

// The start event (0x101). False when the start failed.
bool Start() {
  PixieApp& a = App();
  WriteLogf("%s %s  start!", kProgramName, kProgramVersion);
  // A directory without the scenario's key file holds no scenario (the
  // engine alone, or a tool's directory): the task stays idle rather than
  // stopping the engine in a modal error dialog.
  if (!GameFileExists("pixie.res")) {
    WriteLogf("%s: no pixie.res in the game directory; the scenario does not start", kProgramName);
    return false;
  }
  init_pixie();
  char title[256];
  std::snprintf(title, sizeof title, "%.*s  -%s v%s-", static_cast<int>(sizeof a.game_title), a.game_title,
                kProgramName, kProgramVersion);
  SetTitle(title);
  WriteLog(title);
  TranscriptLine("title", title);
  if (CreateForm() != 0) {
    ErrorDialog(a.task, 0, "goStillPixie create form ERROR");
    return false;
  }
  CreatePlayWindow();
  if (a.play_window != kNoHandle) {
    SendWindowRequest(a.task, a.play_window, static_cast<int16_t>((Kernel.screen_width - kPlayWidth) / 2),
                      static_cast<int16_t>((Kernel.screen_height - kPlayHeight) / 2));
  }
  CloseObject(a.play_window, kObjSaveMenu);
  CloseObject(a.play_window, kObjSelect);
  OpenSubWindow(a.play_window, kObjStatus, a.status_x, a.status_y);
  a.play_record = FindPlayRecord();
  return true;
}

}  // namespace

PixieApp& App() {
  return g_app;
}

Handle CreatePixieTask() {
  const Handle task = CreateTask(kPixieTaskName, 0, 0);
  InitTaskEvents(task);
  App().task = task;
  return task;
}

int CreateForm() {
  PixieApp& a = App();
  a.charcter = OpenResource(a.task, "pixie_cahrcter.res", "Charcter");
  if (a.charcter == kNoHandle) a.charcter = CreateItemData(a.task, "still_pixie.res");
  if (a.charcter == kNoHandle) return 1;
  a.state = FindRecordByStr(a.charcter, "名前", a.player_name);
  if (a.state == kNoHandle) {
    WriteLogf("StillPixie no player data! (%s)", a.player_name);
    return 1;
  }
  a.play_list = OpenResource(a.task, "PlayList.res", "PlayList");
  if (a.play_list == kNoHandle) {
    BuildPlayListFromFiles();
    a.play_list = ResourceByDataName("PlayList");
  }
  a.text_lib = OpenResource(a.task, "tlibsave.res", "TextLIBt");
  if (a.text_lib == kNoHandle) {
    BuildTextLibFromFiles();
    a.text_lib = ResourceByDataName("TextLIBt");
  }
  a.prompt_gc = MakeGC(1, 17, 18, 19, 18);
  return 0;
}

void CreatePlayWindow() {
  PixieApp& a = App();
  CreatePixieMenus();
  a.play_window = CreateWindow(a.task, kNoHandle, kPlayWidth, kPlayHeight, kPlayWindowMode);
  if (a.play_window == kNoHandle) return;
  SetWindowName(a.play_window, kPixieTaskName);

  const Handle message_gc = MakeGC(1, 17, 18, 19, 18);
  if (message_gc == kNoHandle) ErrorDialog(a.task, 0, "GSP GC create error!");
  const int16_t text_height = static_cast<int16_t>(a.text_height > 0 ? a.text_height : 200);
  a.message_object = CreateMessage(a.play_window, kObjMessage, 80, static_cast<int16_t>(kPlayHeight - text_height - 20),
                                   660, text_height, message_gc);
  SetObjectFlags(a.play_window, kObjMessage, OBJnoaction);

  const Handle select_gc = MakePanelGC(18);
  CreateSelecter(a.play_window, kObjSelect, a.select_x, a.select_y, 100, 270, a.select_menu_handle, select_gc);
  a.select_window = ObjectWindow(kObjSelect);
  if (a.select_window != kNoHandle) BackingStore(a.select_window);
  if (select_gc != kNoHandle) SetWindowGC(a.play_window, select_gc);

  if (a.PopupMenu != 0) CreatePopupmenu(a.play_window, kObjPopup, 0, 0, kPlayWidth, kPlayHeight, a.popup_menu);

  const char* background = a.start_background[0] != '\0' ? a.start_background : "robyA.bmp";
  line_copy(background, a.background_name, sizeof a.background_name);
  const Handle picture = LoadGraphicFile(a.task, background);
  if (picture == kNoHandle) WriteLogf("graphic -%s- non", background);
  CreateGraphicObject(a.play_window, kObjBackground, 50, 20, 700, 525, picture);

  const uint32_t sub_mode = WINDOWframe | (a.window_frame != 0 ? WINDOWcontrolbar : 0u);
  CreateSubWindow(a.play_window, kObjStatus, 180, 260, sub_mode);
  a.status_window = ObjectWindow(kObjStatus);
  const Handle status_gc = MakePanelGC(16);
  if (status_gc != kNoHandle) SetWindowGC(a.status_window, status_gc);
  CreateStatusGCs();

  CreateSubWindow(a.play_window, kObjFace, 170, 240, sub_mode);
  a.face_window = ObjectWindow(kObjFace);
  if (a.face_window != kNoHandle) BackingStore(a.face_window);

  if (a.play_window_size == 2) {
    WriteLogf("PlayWindowSize %d", a.play_window_size);
    CreateSubWindow(a.play_window, kObjPlay, 300, 262, sub_mode);
    a.play_x = 200;
    a.play_y = 40;
  } else {
    CreateSubWindow(a.play_window, kObjPlay, 250, 180, sub_mode);
  }
  a.play_sub_window = ObjectWindow(kObjPlay);
  if (a.play_sub_window != kNoHandle) BackingStore(a.play_sub_window);

  // The title row and the ten slots must all fit: with a system font
  // taller than 16 pixels the 230 pixels of the layout held only eight
  // slots, and slots 9 and 10 could not be chosen.
  int16_t save_height = 230;
  if (const GCRecord* g = GCView(SystemGC())) {
    if (const FontRecord* f = FontView(g->font)) {
      const int rows = kSaveSlots + 1;
      save_height = static_cast<int16_t>(std::max<int>(save_height, rows * (f->height + 4) + 4));
    }
  }
  CreateSelecter(a.play_window, kObjSaveMenu, static_cast<int16_t>((Kernel.screen_width - 200) / 2), 60, 200,
                 save_height, a.save_menu, SystemGC());
  a.savemenu_window = ObjectWindow(kObjSaveMenu);
  if (a.savemenu_window != kNoHandle) BackingStore(a.savemenu_window);
}

void SkipOrAdvance() {
  PixieApp& a = App();
  if (a.draw_mes != 0) {
    LogFlags("\tskip!　(test%d:draw_mes%d:select_menu%d)出力中のﾒｯｾｰｼﾞをすべて出力します.");
    a.test = 1;
    a.draw_mes = 0;
    RedrawEffect(a.message_object, kRedrawComplete);
    // A full page with more text behind it waits for the next press, which
    // turns to it; without this that press would start the next step and
    // the rest of the message would never be shown.
    const EffectRecord* r = EffectView(FindEffect(a.message_object, EFFECTtext));
    if (r != nullptr && (r->flags & kEffectPageFull) != 0 && (r->flags & kEffectEndReported) == 0) a.draw_mes = 1;
    return;
  }
  if (a.select_menu == 0) action_pixie();
}

void PixieTask(Handle task) {
  PixieApp& a = App();
  if (a.task == kNoHandle) a.task = task;
  bool go_on = true;
  if (ReciveEvent(task) == EVENT_RECEIVED) {
    uint8_t e[kEventRecordSize];
    const uint8_t* b = EventBytes(CurrentEvent(task));
    if (b != nullptr) {
      std::memcpy(e, b, sizeof e);
      const Handle window = GetU32(e + WindowEventAt::kWindow);
      switch (GetU16(e)) {
        case kEventStart:
          go_on = Start();
          break;
        case kEventWindowOpened:
          if (a.ActiveSelect != 0 && window != kNoHandle && window == a.play_window) {
            ShowObject(a.play_window, kObjSelect, a.select_x, a.select_y);
          }
          WaitTicks(10, 0);
          break;
        case kEventMouse:
          go_on = Mouse(GetU16(e + MouseEventAt::kButton), GetU32(e + MouseEventAt::kWindow));
          break;
        case kEventReqDraw:
          Draw(window);
          break;
        case kEventEffectEnded:
        case kEventEffectReplaced:
          go_on = MessageEnd(GetU16(e));
          break;
        case kEventEighthSecond:
          if (a.draw_mes != 0) {
            EndTypedMessage();
          } else if (a.autoPlay != 0) {
            action_pixie();
          }
          break;
        case kEventKey:
          go_on = Key(e[KeyEventAt::kText]);
          break;
        case kEventObjectClicked:
          if (a.savemenu_flag != 0) {
            go_on = false;
          } else if (GetI16(e + ObjectClickedAt::kNumber) == kObjMessage) {
            SkipOrAdvance();
          }
          break;
        case kEventMenuChosen:
          MenuChosen(GetI16(e + MenuChosenAt::kValue), GetU32(e + MenuChosenAt::kMenu));
          break;
        default:
          break;
      }
    }
  }
  if (!go_on) return;
  // Ctrl held advances the scenario every cycle (action_pixie refuses while
  // a message types).
  if (a.savemenu_flag == 0 && a.play_window != kNoHandle && a.select_menu == 0 && (ModifierKeys() & kModControl) != 0) {
    action_pixie();
  }
}

}  // namespace vadu
