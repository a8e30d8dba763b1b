// The scenario interpreter run on one input, with no window: the play
// window's objects are never made, so every object operation of a tag finds
// nothing to act on and every message is refused by the message area. What
// is exercised is the interpreter itself: tags, library words, the player's
// name, the buffers' limits, Select and input stops, Compute with its GSP
// requests (the restore of GSP 8 types the saved text again), the calendar
// and the parameters' clamp.
#include "scenario_input.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/pixie_app.h"
#include "core/pool.h"
#include "core/state.h"
#include "data/compute.h"
#include "data/resource.h"
#include "kernel/event.h"
#include "kernel/task.h"
#include "menu/menu.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/host_seam.h"
#include "platform/reset.h"

namespace vadu::fuzz {
namespace {

// The demo's settings, with the keys the interpreter reads.
constexpr char kPixieRes[] =
    "PLAYER_NAME         ナギ\n"
    "GAME_TITLE          潮風の七日間\n"
    "MONTH               8\n"
    "DAY                 1\n"
    "WEEK                4\n"
    "END_MONTH           8\n"
    "END_DAY             7\n"
    "DATE_STS            1\n"
    "DISPLAY1            名前\n"
    "DISPLAY2            今日\n"
    "DISPLAY3            blank\n"
    "DISPLAY4            体力\n"
    "DISPLAY5            知力\n"
    "DISPLAY6            友情\n"
    "ActiveSelect        OFF\n"
    "MODENAME1           今日,未定,海遊び,勉強,手伝い,昼寝\n"
    "MODENAME2           sky,morning,evening,night,rain,festival\n"
    "PARANAME            体力,知力,友情\n"
    "RESULT1             体力\n"
    "RESULT2             知力\n"
    "RESULT3             友情\n"
    "BG_FORMAT           bg_%s.bmp,sky\n"
    "FG_FORMAT           mio_1.bmp\n"
    "WINDOW_FRAME        OFF\n"
    "PopupMenu           ON\n"
    "Start_BackGraphic   title.bmp\n"
    "TEXT_HIGHT          160\n"
    "ReverseColor        OFF\n"
    "PlayWindowSize      1\n";

// The game state's items, as the demo's still_pixie.res declares them.
struct ItemSpec {
  const char* name;
  int type;
  int32_t size;
};
constexpr ItemSpec kStateItems[] = {
    {"名前", ITEMstring, 24},
    {"change_day", ITEMlong, 0},
    {"GSPrequest", ITEMlong, 0},
    {"mode", ITEMlong, 0},
    {"old_mode", ITEMlong, 0},
    {"count", ITEMlong, 0},
    {"time", ITEMlong, 0},
    {"menu_str", ITEMstring, 256},
    {"select_menu", ITEMlong, 0},
    {"backgraphic_name", ITEMstring, 64},
    {"base_text", ITEMstring, 4096},
    {"month", ITEMlong, 0},
    {"day", ITEMlong, 0},
    {"week", ITEMlong, 0},
    {"体力", ITEMlong, 0},
    {"知力", ITEMlong, 0},
    {"友情", ITEMlong, 0},
    {"今日", ITEMlong, 0},
    {"sky", ITEMlong, 0},
    {"日目", ITEMlong, 0},
    {"場面", ITEMlong, 0},
};

// Number items and the value every run starts with.
struct NumberValue {
  const char* name;
  int32_t value;
};
constexpr NumberValue kStartNumbers[] = {
    {"change_day", 0},  {"GSPrequest", 0}, {"mode", 0}, {"old_mode", 0}, {"count", 0}, {"time", 540},
    {"select_menu", 0}, {"month", 0},      {"day", 0},  {"week", 0},     {"体力", 60}, {"知力", 10},
    {"友情", 10},       {"今日", 0},       {"sky", 0},  {"日目", 0},     {"場面", 0},
};

// Library records of the demo, searched after the input's own.
struct LibraryRecord {
  const char* word;
  const char* compare;
  const char* text;
};
constexpr LibraryRecord kDemoLibrary[] = {
    {"ミオ", "1==1", "<font_color PALETmint>ミオ<font_color PALETwhite>"},
    {"あさ", "体力>=100", "体じゅうに元気があふれている。"},
    {"あさ", "1==1", "<font_color PALETred>体がだるい……。<font_color PALETwhite>"},
    {"あいさつ", "友情>=25", "「おはよう、<名前>くん」と<ミオ>が笑った。"},
    {"あいさつ", "1==1", "<ミオ>が、少しはなれたところからこちらを見ている。"},
    {"くりかえし", "count>=2", "（……また同じことをしている気がする。）"},
    {"くりかえし", "1==1", ""},
};
constexpr int kInputLibrary = 4;

// Play records: the choice of 9, the input's scenario (scene 0), and a
// morning with its selection for every other state.
constexpr char kMorning[] =
    "<CloseFP><BackGraphic><あさ>\n<あいさつ>\n今日は何をしよう？<NoText>"
    "<Select 海で遊ぶ:1,勉強する:2,店を手伝う:3,昼寝する:4>";

constexpr char kSavedMenu[] = "はい:1,いいえ:9";
constexpr char kBackground[] = "bg_morning.bmp";

// Process-wide handles of what PrepareScenario made.
struct Made {
  Handle scenario_record = kNoHandle;  // play record whose TEXT is text 0
  Handle library[kInputLibrary] = {};
  int16_t month = 1, day = 1, week = 0;
  std::vector<std::string> files;
  bool wrote = false;
};
Made g;

// A 24-bit BMP of 2 x 2 pixels.
std::string TinyBmp() {
  std::string b(54 + 16, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, 2);
  b[26] = 1;
  b[28] = 24;
  put32(34, 16);
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x40 + i);
  return b;
}

bool Write(const char* name, const std::string& bytes) {
  FILE* f = std::fopen(name, "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::string> DirectoryNames() {
  std::vector<std::string> names;
  DIR* d = ::opendir(".");
  if (d == nullptr) return names;
  while (const dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

// Every open is read-only and stays in the current directory: an absolute
// name or a ".." in it is refused, and an open for writing is noted.
bool OnlyReadsHere(const char* path, const char* mode) {
  if (std::strpbrk(mode, "wa+") != nullptr) {
    g.wrote = true;
    return false;
  }
  if (path[0] == '/') return false;
  const std::string p = std::string("/") + path + "/";
  return p.find("/../") == std::string::npos;
}

void QuietBox(const char*) {}

Handle NewPlayRecord(const char* compare, const char* text, const char* compute) {
  const Handle r = CreateRecord(App().play_list, -1, 0);
  SetStr(r, "Compare", compare);
  SetStr(r, "TEXT", text);
  SetStr(r, "Compute", compute);
  return r;
}

Handle NewLibraryRecord(const char* word, const char* compare, const char* text) {
  const Handle r = CreateRecord(App().text_lib, -1, 0);
  SetStr(r, "textlib_word", word);
  SetStr(r, "Compare", compare);
  SetStr(r, "Text", text);
  return r;
}

// The menus the bad end deletes are made again.
void MakeMenus() {
  PixieApp& a = App();
  if (a.popup_menu != kNoHandle && a.select_menu_handle != kNoHandle && a.save_menu != kNoHandle) return;
  DeleteMenu(kNoHandle, a.popup_menu);
  DeleteMenu(kNoHandle, a.select_menu_handle);
  DeleteMenu(kNoHandle, a.save_menu);
  CreatePixieMenus();
}

// Sets a library slot from one input text (see the header).
void SetLibrarySlot(int slot, const std::string& text) {
  const Handle r = g.library[slot];
  std::string fields[3];
  int count = 0;
  size_t start = 0;
  while (count < 3) {
    const size_t end = count < 2 ? text.find(kFieldSeparator, start) : std::string::npos;
    fields[count++] = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::string word = "L" + std::to_string(slot + 1);
  std::string compare = "1==1";
  const std::string* body = &fields[0];
  if (count == 2) {
    word = fields[0];
    body = &fields[1];
  } else if (count == 3) {
    word = fields[0];
    compare = fields[1];
    body = &fields[2];
  }
  SetStr(r, "textlib_word", word.c_str());
  SetStr(r, "Compare", compare.c_str());
  SetStr(r, "Text", body->c_str());
}

void Reset(uint8_t flags, const std::vector<std::string>& texts) {
  PixieApp& a = App();
  a.test = 1;
  a.draw_mes = 0;
  a.select_menu = 0;
  a.savemenu_flag = 0;
  a.autoPlay = 0;
  a.selectCursor = 0;
  a.ActiveSelect = (flags & kScenarioActiveSelect) != 0 ? 1 : 0;
  a.PopupMenu = (flags & kScenarioPopupMenu) != 0 ? 1 : 0;
  a.quit_requested = false;
  a.play_record = kNoHandle;
  a.pendingText = nullptr;
  std::memset(a.base_text, 0, sizeof a.base_text);
  std::memset(a.message, 0, sizeof a.message);
  std::memset(a.menu_str, 0, sizeof a.menu_str);
  std::memset(a.background_name, 0, sizeof a.background_name);
  std::memset(a.face_name, 0, sizeof a.face_name);
  std::memset(a.play_name, 0, sizeof a.play_name);
  a.month = g.month;
  a.day = g.day;
  a.week = g.week;
  MakeMenus();

  const Handle s = a.state;
  SetStr(s, "名前", "ナギ");
  for (const NumberValue& n : kStartNumbers) SetNum(s, n.name, n.value);
  if ((flags & kScenarioChangeDay) != 0) SetNum(s, "change_day", 1);
  if ((flags & kScenarioSavedMenu) != 0) SetNum(s, "select_menu", 1);
  SetStr(s, "menu_str", kSavedMenu);
  SetStr(s, "backgraphic_name", kBackground);
  SetStr(s, "base_text", "");
  // The start data: the state as it is now, with the saved text unless the
  // flag asks for an empty one.
  if ((flags & kScenarioEmptyStart) == 0) SetStr(s, "base_text", texts.size() > 1 ? texts[1].c_str() : "");
  const Handle start = StartDataRecord(true);
  CopyRecordItems(s, start);
  SetStr(s, "base_text", texts.size() > 1 ? texts[1].c_str() : "");

  SetStr(g.scenario_record, "TEXT", texts[0].c_str());
  for (int i = 0; i < kInputLibrary; ++i) {
    const size_t t = static_cast<size_t>(i) + 2;
    if (t < texts.size()) {
      SetLibrarySlot(i, texts[t]);
    } else {
      SetStr(g.library[i], "textlib_word", "");
    }
  }
}

// The checks that hold after any call into the interpreter.
const char* CheckState() {
  const PixieApp& a = App();
  if (std::memchr(a.base_text, '\0', sizeof a.base_text) == nullptr) return "base_text is not terminated";
  if (a.restoring) return "a restore is still marked as running";
  if (a.pendingText != nullptr && (a.pendingText < a.base_text || a.pendingText >= a.base_text + sizeof a.base_text)) {
    return "pendingText points outside base_text";
  }
  if (std::memchr(a.message, '\0', sizeof a.message) == nullptr) return "message is not terminated";
  if (std::memchr(a.menu_str, '\0', sizeof a.menu_str) == nullptr) return "menu_str is not terminated";
  if (std::memchr(a.background_name, '\0', sizeof a.background_name) == nullptr) {
    return "background_name is not terminated";
  }
  return nullptr;
}

// After a whole step (not cut short by the quit request) every parameter
// lies within 0..200.
const char* CheckParameters() {
  const PixieApp& a = App();
  if (a.quit_requested) return nullptr;
  for (int i = 0; i < a.param_count; ++i) {
    const int32_t v = GetNum(a.state, a.params[i]);
    if (v < 0 || v > 200) return "a parameter lies outside 0..200 after a step";
  }
  return nullptr;
}

const char* Run(uint8_t flags, uint8_t choice, const std::string& text) {
  PixieApp& a = App();
  const size_t room = (flags & kScenarioSmallOutput) != 0 ? 1 + choice % 32 : kScenarioTextSize;
  // Exactly the room given, so a write past it is caught.
  const std::unique_ptr<char[]> output(new char[room]);
  std::memset(output.get(), 'x', room);
  std::memcpy(a.base_text, text.data(), std::min(text.size(), sizeof a.base_text - 1));
  a.pendingText = a.base_text;
  const int result = exec_command(a.pendingText, output.get(), room);
  if (std::memchr(output.get(), '\0', room) == nullptr) return "the output is not terminated inside its buffer";
  if (result != 0 && result != 2 && result != 3 && result != kTextReplaced)
    return "exec_command gave an unknown result";
  if (const char* failed = CheckState()) return failed;

  if ((flags & kScenarioSteps) != 0) {
    a.play_record = g.scenario_record;
    for (int step = 0; step < 3 && !a.quit_requested; ++step) {
      if (a.select_menu != 0) {
        SelectMenu(choice & 0x0F);
      } else {
        a.draw_mes = 0;
        action_pixie();
      }
      if (const char* failed = CheckState()) return failed;
      if (const char* failed = CheckParameters()) return failed;
    }
  }
  if ((flags & kScenarioGsp) != 0 && !a.quit_requested) {
    SetNum(a.state, "GSPrequest", choice >> 4);
    HandleGSPRequest();
    if (const char* failed = CheckState()) return failed;
  }
  return nullptr;
}

}  // namespace

bool PrepareScenario() {
  ResetEngineState();
  // No log file: it would only slow the run down (log lines are still
  // formatted).
  SystemFlags.store(0);
  SetMessageBoxHandler(QuietBox);
  if (!CreatePool() || !CreateSystemResources()) return false;
  const std::string bmp = TinyBmp();
  if (!Write("pixie.res", kPixieRes) || !Write(kBackground, bmp) || !Write("mio_1.bmp", bmp) ||
      !Write("umikaze.mid", "MThd") || !Write("chime.wav", "RIFF")) {
    return false;
  }
  g = Made{};
  g.files = DirectoryNames();
  SetGameFileOpenFilter(OnlyReadsHere);

  PixieApp& a = App();
  a.charcter = CreateResource(kNoHandle, "pixie_cahrcter.res", "Charcter");
  for (const ItemSpec& item : kStateItems) CreateItem(a.charcter, item.name, item.type, item.size);
  a.state = CreateRecord(a.charcter, -1, 0);
  SetStr(a.state, "名前", "ナギ");

  a.play_list = CreateResource(kNoHandle, "PlayList.res", "PlayList");
  CreateItem(a.play_list, "Compare", ITEMstring, 128);
  CreateItem(a.play_list, "TEXT", ITEMstring, 2048);
  CreateItem(a.play_list, "Compute", ITEMstring, 128);
  NewPlayRecord("mode==9", "<CloseSelect>終わりにしよう。<Compute GSPrequest=5>", "old_mode=mode");
  g.scenario_record = NewPlayRecord("場面==0", "", "場面=1;count+=1");
  NewPlayRecord("1==1", kMorning, "場面=2;old_mode=mode");

  a.text_lib = CreateResource(kNoHandle, "tlibsave.res", "TextLIBt");
  CreateItem(a.text_lib, "textlib_word", ITEMstring, 32);
  CreateItem(a.text_lib, "Compare", ITEMstring, 128);
  CreateItem(a.text_lib, "Text", ITEMstring, 1024);
  for (Handle& slot : g.library) slot = NewLibraryRecord("", "1==1", "");
  for (const LibraryRecord& r : kDemoLibrary) NewLibraryRecord(r.word, r.compare, r.text);

  CreatePixieMenus();
  init_pixie();
  g.month = a.month;
  g.day = a.day;
  g.week = a.week;
  return a.state != kNoHandle && g.scenario_record != kNoHandle && g.library[kInputLibrary - 1] != kNoHandle &&
         a.param_count == 3 && a.mode_count == 2 && StartDataRecord(false) != kNoHandle;
}

const char* RunScenarioInput(const uint8_t* data, size_t size) {
  if (size < 2) return nullptr;
  std::vector<std::string> texts;
  const char* p = reinterpret_cast<const char*>(data) + 2;
  const char* end = reinterpret_cast<const char*>(data) + size;
  while (texts.size() < 2 + static_cast<size_t>(kInputLibrary)) {
    const char* sep = static_cast<const char*>(std::memchr(p, kTextSeparator, static_cast<size_t>(end - p)));
    texts.emplace_back(p, sep == nullptr ? end : sep);
    if (sep == nullptr) break;
    p = sep + 1;
  }
  const uint8_t flags = data[0] ^ kControlMask;
  Reset(flags, texts);
  g.wrote = false;
  const char* failed = Run(flags, data[1] ^ kControlMask, texts[0]);

  // Nobody reads the events the tags sent (no task runs): they are dropped.
  while (FreeHeadEvent() == 0) {
  }
  if (failed == nullptr && LiveBitmapCount() != 0) failed = "a picture the scenario loaded was not freed";
  if (failed == nullptr && g.wrote) failed = "the scenario opened a file for writing";
  if (failed == nullptr && DirectoryNames() != g.files) failed = "the scenario changed the game directory";
  return failed;
}

}  // namespace vadu::fuzz
