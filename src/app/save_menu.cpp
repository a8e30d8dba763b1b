// The application's menus (popup, selection, save/load), the save slots
// "pixie_charNN.res" and the screen rebuilt from a loaded game state.
#include <cstdio>
#include <cstring>

#include "app/pixie_app.h"
#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/transcript.h"
#include "data/compute.h"
#include "data/resfile.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "menu/menu.h"
#include "platform/cp932.h"
#include "platform/files.h"
#include "window/object.h"
#include "window/window.h"
#include "window/window_record.h"

namespace vadu {
namespace {

constexpr char kSlotFormat[] = "pixie_char%02d.res";
constexpr int kSlotRows = kSaveSlots;
constexpr int kMaxSlot = 99;  // two digits in the file name

// Items of the game state a save fills and a load reads back.
constexpr char kItemMenu[] = "menu_str";
constexpr char kItemSelect[] = "select_menu";
constexpr char kItemBackground[] = "backgraphic_name";
constexpr char kItemBaseText[] = "base_text";
constexpr char kItemMonth[] = "month";
constexpr char kItemDay[] = "day";
constexpr char kItemWeek[] = "week";

void SlotFileName(int slot, char* out, size_t size) {
  std::snprintf(out, size, kSlotFormat, slot);
}

// The DataName of "Charcter": slot files are loaded under it.
void CharcterDataName(char* out, size_t size) {
  const ResourceAttr* a = Attr(App().charcter);
  std::snprintf(out, size, "%s", a != nullptr ? a->data_name : "Charcter");
}

// Copies `text` into `out` (room for `size` bytes), cut to fit, never
// inside a two-byte character.
void CopyCut(char* out, size_t size, const char* text) {
  size_t n = 0;
  while (text[n] != '\0') {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) && text[n + 1] != '\0' ? 2 : 1;
    if (n + step + 1 > size) break;
    n += step;
  }
  std::memcpy(out, text, n);
  out[n] = '\0';
}

// Copies a text item of the game state (cut to fit). False (and an empty
// text) when the state has no such text item.
bool StateText(const char* item, char* out, size_t size) {
  out[0] = '\0';
  const char* text = GetStr(App().state, item);
  if (text == nullptr) return false;
  CopyCut(out, size, text);
  return true;
}

// Appends `text` to `out` (room for `size` bytes), cut to fit.
void Append(char* out, size_t size, const char* text) {
  size_t n = std::strlen(out);
  for (size_t i = 0; text[i] != '\0';) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0' ? 2 : 1;
    if (n + step + 1 > size) break;
    std::memcpy(out + n, text + i, step);
    n += step;
    i += step;
  }
  out[n] = '\0';
}

// A slot file's resource once its record has been read: its records and
// item descriptors are dropped (as a load over it would drop them) and it
// keeps the slot file's name, so the next read of the slot takes it over
// again instead of adding a resource, and nothing can mistake its stale
// records for the game state.
void ReleaseSlotResource(Handle resource, const char* file) {
  if (resource == kNoHandle || resource == App().charcter || CheckResource(resource) != 0) return;
  for (uint32_t n = Attr(resource)->all_count; n > 0; --n) {
    const Handle top = Attr(resource)->top;
    if (top == kNoHandle || RemoveRecord(resource, top) != 0) break;
  }
  Handle item = Attr(resource)->first_item;
  for (uint32_t n = Attr(resource)->item_count; item != kNoHandle && n > 0; --n) {
    const ItemDescriptor* d = Descriptor(item);
    if (d == nullptr) break;
    const Handle next = d->next;
    DeleteRecord(ItemResource(), item);
    item = next;
  }
  ResourceAttr* a = Attr(resource);
  a->first_item = a->last_item = kNoHandle;
  a->item_count = 0;
  a->record_size = 0;
  SetResourceName(resource, file);
}

// Reads a slot file into its own resource: none when the file is missing,
// damaged, or carries the game state's own name pair (a load over it would
// replace the game state). A damaged file's partial resource is released.
Handle ReadSlot(const char* file, bool log_search) {
  if (!GameFileExists(file)) return kNoHandle;
  char data_name[sizeof(ResourceAttr::data_name)];
  CharcterDataName(data_name, sizeof data_name);
  const Handle found = FindResource(file, data_name);
  if (found != kNoHandle && found == App().charcter) {
    WriteLogf("%s is the name of the game state's own resource: not read", file);
    return kNoHandle;
  }
  if (found == kNoHandle && log_search) WriteLog("Search_resource is NULL");
  // The resource the load takes over, made here so that a load that fails
  // half way (which leaves it renamed as the file's block says, holding the
  // records read so far) can still be released.
  const Handle target = found != kNoHandle ? found : CreateResource(App().task, file, data_name);
  // The file is read every time: it may have been saved since the last read.
  const Handle loaded = OpenResource(App().task, file, data_name);
  if (loaded == kNoHandle) {
    WriteLogf("%s cannot be read", file);
    ReleaseSlotResource(target, file);
    return kNoHandle;
  }
  return loaded;
}

// The label of a slot whose first record is `record`.
void SlotLabel(int slot, Handle record, char* out, size_t size) {
  char name[64] = {};
  if (const char* text = GetStr(record, "名前")) CopyCut(name, sizeof name, text);
  if (App().date_sts == 2) {
    const int32_t time = GetNum(record, "time");
    char clock[32];
    if (time == 0) {
      std::snprintf(clock, sizeof clock, "NONtime");
    } else {
      std::snprintf(clock, sizeof clock, "%s時%s分", NumberText(time / 60), NumberText(time % 60));
    }
    std::snprintf(out, size, "%s:%s", clock, name);
  } else {
    std::snprintf(out, size, "No%d:%s", slot, name);
  }
}

void RelabelSaveMenu() {
  for (int slot = 1; slot <= kSlotRows; ++slot) {
    char file[32];
    SlotFileName(slot, file, sizeof file);
    const Handle loaded = ReadSlot(file, true);
    if (loaded == kNoHandle) continue;
    if (const Handle first = FirstRecord(loaded); first != kNoHandle) {
      char label[96];
      SlotLabel(slot, first, label, sizeof label);
      SetMenuItem(App().save_menu, label, " ", slot);
    }
    ReleaseSlotResource(loaded, file);
  }
}

bool SelectShown() {
  return TestWindowMode(App().select_window, WINDOWshow) != 0;
}

// The calendar from a loaded record's "month", "day" and "week", when the
// state defines them and they are dates.
void RestoreCalendar(Handle record) {
  const Handle resource = Header(record).owner;
  if (ItemType(resource, kItemMonth) != ITEMlong || ItemType(resource, kItemDay) != ITEMlong ||
      ItemType(resource, kItemWeek) != ITEMlong) {
    return;
  }
  const int32_t month = GetNum(record, kItemMonth);
  const int32_t day = GetNum(record, kItemDay);
  const int32_t week = GetNum(record, kItemWeek);
  if (month < 1 || month > 12 || day < 1 || day > 31 || week < 0 || week > 7) {
    WriteLogf("the saved date %d/%d (%d) is no date: the calendar is kept", month, day, week);
    return;
  }
  PixieApp& a = App();
  a.month = static_cast<int16_t>(month);
  a.day = static_cast<int16_t>(day);
  a.week = static_cast<int16_t>(week);
}

}  // namespace

void CreatePixieMenus() {
  PixieApp& a = App();
  a.popup_menu = CreateMenu(a.task, 12);
  SetMenuItem(a.popup_menu, "Pﾘｽﾄ保存", " ", 4);
  SetMenuItem(a.popup_menu, "保存", " ", 1);
  SetMenuItem(a.popup_menu, "読込", " ", 2);
  if (MenuRow* row = MenuSlot(a.popup_menu, 8)) row->flags |= MENUseparator;
  SetMenuItem(a.popup_menu, "ゲーム終了", " ", 9);

  a.select_menu_handle = CreateMenu(a.task, 15);
  if (MenuRow* row = MenuSlot(a.select_menu_handle, 9)) row->flags |= MENUseparator;
  SetMenuItem(a.select_menu_handle, "環境", " ", 10);
  if (MenuRow* row = MenuSlot(a.select_menu_handle, 10)) row->flags |= MENUdisabled;
  SetMenuItem(a.select_menu_handle, "終了", " ", 11);
  SetMenuItemValue(a.select_menu_handle, 9, 11);

  a.save_menu = CreateMenu(a.task, 15);
  for (int slot = 1; slot <= kSlotRows; ++slot) SetMenuItem(a.save_menu, "未設定", " ", slot);
}

void PopupReturn(int n) {
  PixieApp& a = App();
  switch (n) {
    case 9:
      SendShutDown(a.task);
      break;
    case 1:
      OpenSaveMenu(1);
      break;
    case 2:
      OpenSaveMenu(2);
      break;
    case 4:
      SaveResource(a.task, a.text_lib);
      SaveResource(a.task, a.charcter);
      SaveResource(a.task, a.play_list);
      break;
    default:
      break;
  }
}

void OpenSaveMenu(int mode) {
  PixieApp& a = App();
  if (mode != 1 && mode != 2) {
    WriteLog("savemenu_flag異常です");
    return;
  }
  WriteLog("OPEN SAVEMENU");
  SetObjectFlags(a.play_window, kObjPopup, OBJnoaction);
  SetObjectFlags(a.play_window, kObjSelect, OBJnoaction);
  SetMenuTitle(a.save_menu, mode == 1 ? "保存" : "読込");
  a.savemenu_flag = mode;
  RelabelSaveMenu();
  ShowObject(a.play_window, kObjSaveMenu, 300, 100);
}

void CloseSaveMenu() {
  PixieApp& a = App();
  if (a.savemenu_window == kNoHandle || TestWindowMode(a.savemenu_window, WINDOWshow) != 0) {
    CloseObject(a.play_window, kObjSaveMenu);
  }
  a.savemenu_flag = 0;
  ClearObjectFlags(a.play_window, kObjPopup, OBJnoaction);
  ClearObjectFlags(a.play_window, kObjSelect, OBJnoaction);
}

void SaveMenuReturn(int slot) {
  PixieApp& a = App();
  if (a.savemenu_window == kNoHandle || TestWindowMode(a.savemenu_window, WINDOWshow) != 0) {
    CloseObject(a.play_window, kObjSaveMenu);
  }
  if (slot < 1 || slot > kSlotRows) {
    // The title row or a row without a slot: nothing to save or load.
    WriteLogf("savemenu return %d is no slot", slot);
  } else if (a.savemenu_flag == 2) {
    LoadSlot(slot);
  } else if (a.savemenu_flag == 1) {
    SaveSlot(slot);
  } else {
    WriteLog("savemenu_flag異常です");
  }
}

int SaveSlot(int slot) {
  PixieApp& a = App();
  if (slot < 0 || slot > kMaxSlot) {
    WriteLogf("SaveSlot %d: no such slot", slot);
    return 1;
  }
  if (a.charcter == kNoHandle || a.state == kNoHandle || CheckResource(a.charcter) != 0) {
    WriteLog("SaveSlot: there is no game state to save");
    return 1;
  }
  char file[32];
  SlotFileName(slot, file, sizeof file);
  char own_name[sizeof(ResourceAttr::res_name)];
  std::snprintf(own_name, sizeof own_name, "%s", Attr(a.charcter)->res_name);
  SetResourceName(a.charcter, file);

  SetStr(a.state, kItemMenu, a.menu_str);
  SetNum(a.state, kItemSelect, a.select_menu);
  SetStr(a.state, kItemBackground, a.background_name);
  // The message on the screen, the wait it stopped at and the rest of the
  // text: a load types the message again and goes on where it stopped.
  char text[kScenarioTextSize] = {};
  if (a.pendingText != nullptr) {
    Append(text, sizeof text, a.message);
    Append(text, sizeof text, "<input>");
    Append(text, sizeof text, a.pendingText);
  }
  SetStr(a.state, kItemBaseText, text);
  const Handle resource = Header(a.state).owner;
  if (ItemType(resource, kItemMonth) == ITEMlong && ItemType(resource, kItemDay) == ITEMlong &&
      ItemType(resource, kItemWeek) == ITEMlong) {
    SetNum(a.state, kItemMonth, a.month);
    SetNum(a.state, kItemDay, a.day);
    SetNum(a.state, kItemWeek, a.week);
  }

  char shown[96];
  std::snprintf(shown, sizeof shown, "Save %s:%d", file, RecordCount(a.charcter));
  MessageDialogText(shown);
  const int result = SaveResource(a.task, a.charcter);
  SetResourceName(a.charcter, own_name);
  if (result != 0) {
    // The old slot file is whole: the save replaces it only once written.
    WriteLogf("Save %s failed (%d)", file, result);
    std::snprintf(shown, sizeof shown, "Save %s failed", file);
    MessageDialogText(shown);
    return 1;
  }
  TranscriptLine("save", file);
  return 0;
}

int LoadSlot(int slot) {
  PixieApp& a = App();
  if (slot < 0 || slot > kMaxSlot) {
    WriteLogf("LoadSlot %d: no such slot", slot);
    return 1;
  }
  if (a.state == kNoHandle) {
    WriteLog("LoadSlot: there is no game state to load into");
    return 1;
  }
  char file[32];
  SlotFileName(slot, file, sizeof file);
  const Handle loaded = ReadSlot(file, false);
  if (loaded == kNoHandle) {
    WriteLogf("Load %s: nothing loaded", file);
    return 1;
  }
  const Handle first = FirstRecord(loaded);
  if (first == kNoHandle) {
    WriteLogf("Load %s: the file holds no record", file);
    ReleaseSlotResource(loaded, file);
    return 1;
  }
  WriteLog(file);
  char shown[96];
  std::snprintf(shown, sizeof shown, "Load %s:%d", file, RecordCount(loaded));
  MessageDialogText(shown);
  CopyRecordItems(first, a.state);
  RestoreCalendar(first);
  ReleaseSlotResource(loaded, file);
  TranscriptLine("load", file);
  RestoreFromState();
  return 0;
}

namespace {

// The screen of the game state: its background, its menu (shown when one
// was open) or its saved text typed again (without one, the text of the
// play record that matches it).
void RebuildScreen() {
  PixieApp& a = App();
  char text[kScenarioTextSize];
  if (StateText(kItemBackground, text, sizeof text) && text[0] != '\0') ChangeBackground(text);
  StateText(kItemMenu, text, sizeof text);
  BuildSelectMenu(text);
  a.draw_mes = 0;
  if (SelectShown()) CloseObject(a.play_window, kObjSelect);

  // A state without the item (-1) or with 0: no menu was open.
  a.select_menu = GetNum(a.state, kItemSelect) > 0 ? 1 : 0;
  char background[256];
  StateText(kItemBackground, background, sizeof background);
  WriteLogf("読み込み　SelectMenu :%d back_graphic %s", a.select_menu, background);
  if (a.select_menu != 0) {
    // The choice goes on from here: no text of before is pending.
    a.pendingText = nullptr;
    ShowObject(a.play_window, kObjSelect, a.select_x, a.select_y);
    return;
  }

  if (!StateText(kItemBaseText, text, sizeof text)) {
    MessageDialogText("保存時非選択でした");
    a.play_record = FindPlayRecord();
    text[0] = '\0';
    if (a.play_record != kNoHandle) {
      const char* play_text = GetStr(a.play_record, "TEXT");
      if (play_text != nullptr) CopyCut(text, sizeof text, play_text);
    }
  } else if (a.play_record == kNoHandle) {
    a.play_record = FindPlayRecord();
  }
  std::memcpy(a.base_text, text, sizeof a.base_text);
  a.base_text[sizeof a.base_text - 1] = '\0';
  a.pendingText = a.base_text;
  RunTextStep();
}

}  // namespace

void RestoreFromState() {
  PixieApp& a = App();
  ++a.restore_count;
  const bool was_restoring = a.restoring;
  a.restoring = true;
  RebuildScreen();
  a.restoring = was_restoring;
}

}  // namespace vadu
