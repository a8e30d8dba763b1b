// The scenario step: a play record is picked by its condition, its text runs
// through the tag interpreter, and what is left is typed as the message.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/pixie_app.h"
#include "core/dialog_seam.h"
#include "core/log.h"
#include "core/transcript.h"
#include "data/compute.h"
#include "data/resource.h"
#include "dialog/dialog.h"
#include "kernel/event.h"
#include "kernel/gc.h"
#include "kernel/graphic.h"
#include "kernel/task.h"
#include "kernel/wait.h"
#include "menu/menu.h"
#include "platform/cp932.h"
#include "platform/device.h"
#include "platform/files.h"
#include "platform/sound.h"
#include "present/anime.h"
#include "present/effect.h"
#include "window/draw.h"
#include "window/manager.h"
#include "window/object.h"
#include "window/window.h"

namespace vadu {
namespace {

// A tag holds at most this many bytes between its brackets.
constexpr size_t kTagMax = 1023;
// How deep library texts may nest inside one another: a word whose text
// holds the word itself stops here.
constexpr int kTextLibDepthMax = 8;
// Rows of the selection menu that a Select fills.
constexpr int kSelectRows = 9;
// Where the results screen draws.
constexpr int kResultRows = 10;

constexpr int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Results of RunCommand.
constexpr int kNotCommand = 0;
constexpr int kExecuted = 1;
constexpr int kStop = 2;
constexpr int kNoTextSeen = 3;

bool IsWordEnd(char c) {
  return c == ' ' || c == '\t' || c == ',' || c == ';';
}

bool EndsWithAni(const char* name) {
  const size_t n = std::strlen(name);
  return n >= 4 && (std::strcmp(name + n - 4, ".ani") == 0 || std::strcmp(name + n - 4, ".ANI") == 0);
}

// Copies at most size - 1 bytes, never ending inside a two-byte character.
void CopyCut(char* out, size_t size, const char* text) {
  if (size == 0) return;
  size_t n = 0;
  while (text[n] != '\0') {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) && text[n + 1] != '\0' ? 2 : 1;
    if (n + step > size - 1) break;
    n += step;
  }
  std::memcpy(out, text, n);
  out[n] = '\0';
}

// The longest prefix of `text` of at most `room` bytes that ends on a
// character boundary.
size_t CutLength(const char* text, size_t length, size_t room) {
  size_t n = 0;
  while (n < length) {
    const size_t step = IsLeadByte(static_cast<unsigned char>(text[n])) && n + 1 < length ? 2 : 1;
    if (n + step > room) break;
    n += step;
  }
  return n;
}

int32_t TaskNo() {
  return TaskNumber(App().task);
}

// Applies a compute text (a copy: ComputeRecord rewrites what it is given)
// to the game state, with the mode value names turned into numbers first.
void ApplyCompute(const char* expression) {
  char buffer[kScenarioTextSize];
  CopyCut(buffer, sizeof buffer, expression);
  ReplaceModeValueNames(buffer, sizeof buffer);
  ComputeRecord(App().state, buffer, sizeof buffer);
}

// A sound file that does not exist is named in the log and skipped; with no
// sound output the run logs once that it plays nothing.
bool SoundFileReady(const char* name) {
  PixieApp& a = App();
  if (name[0] == '\0' || !GameFileExists(name)) {
    WriteLogf("sound file -%s- non", name);
    return false;
  }
  if (!SoundOn() && !a.sound_off_logged) {
    WriteLog("sound is off: no audio device");
    a.sound_off_logged = true;
  }
  return true;
}

// Closes a sub-window of the play window at once, not only by a request to
// the window manager: a tag after the close (a new background) draws at
// once, and a close handled later would then put the picture saved under
// the sub-window back over what was drawn since.
void CloseSubWindowNow(int16_t number, Handle sub) {
  CloseSubWindow(App().play_window, number);
  close_window(sub);
}

void CloseFaceWindow() {
  PixieApp& a = App();
  if (TestWindowMode(a.face_window, WINDOWshow) != 0) CloseSubWindowNow(kObjFace, a.face_window);
  // An animation stops with its window, whoever closed the window.
  if (EndsWithAni(a.face_name)) SendAnimeRequest(a.task, kAnimeStop, a.face_window, 0, 0, nullptr);
}

void ClosePlayWindow() {
  PixieApp& a = App();
  if (TestWindowMode(a.play_sub_window, WINDOWshow) != 0) CloseSubWindowNow(kObjPlay, a.play_sub_window);
  if (EndsWithAni(a.play_name)) SendAnimeRequest(a.task, kAnimeStop, a.play_sub_window, 0, 0, nullptr);
}

void FaceGraphic(const char* name) {
  PixieApp& a = App();
  CopyCut(a.face_name, sizeof a.face_name, name);
  OpenSubWindow(a.play_window, kObjFace, a.face_x, a.face_y);
  if (EndsWithAni(name)) SendAnimeRequest(a.task, kAnimeStart, a.face_window, 5, 5, name);
}

void PlayGraphic(const char* name) {
  PixieApp& a = App();
  CopyCut(a.play_name, sizeof a.play_name, name);
  // A picture is loaded only to see that it can be shown; an animation
  // script is no picture and is started as the face's is.
  if (!EndsWithAni(name)) {
    const Handle picture = LoadGraphicFile(a.task, name);
    if (picture == kNoHandle) {
      WriteLogf("graphic -%s- non", name);
      return;
    }
    FreeGraphic(a.task, picture);
  }
  CloseFaceWindow();
  OpenSubWindow(a.play_window, kObjPlay, a.play_x, a.play_y);
  if (EndsWithAni(name)) SendAnimeRequest(a.task, kAnimeStart, a.play_sub_window, 5, 5, name);
}

// The changes of a Compute shown for a moment on the status window: each
// statement whose target is a DISPLAY row, in blue for a rise, else red.
void FlashStatus(const char* expression) {
  PixieApp& a = App();
  if (TestWindowMode(a.status_window, WINDOWopen) == 0) return;
  const char* p = expression;
  while (*p != '\0') {
    const char* end = std::strchr(p, ';');
    const size_t length = end == nullptr ? std::strlen(p) : static_cast<size_t>(end - p);
    char statement[kTagMax + 1];
    const size_t n = CutLength(p, length, sizeof statement - 1);
    std::memcpy(statement, p, n);
    statement[n] = '\0';
    size_t word = 0;
    while (statement[word] != '\0' && std::strchr("=+-*/%|<>!& \t", statement[word]) == nullptr) {
      word += IsLeadByte(static_cast<unsigned char>(statement[word])) && statement[word + 1] != '\0' ? 2 : 1;
    }
    const char* rest = statement + word;
    for (int row = 1; row < kDisplayRows && word > 0; ++row) {
      if (std::strlen(a.display[row]) != word || std::strncmp(a.display[row], statement, word) != 0) continue;
      SetGCTextColour(a.prompt_gc, std::strchr(rest, '+') != nullptr ? ColourTable[3] : ColourTable[2]);
      const int y = 20 * row + 10 + (a.date_sts != 0 ? 0 : -20);
      WinMessageGC(a.status_window, 100, static_cast<int16_t>(y), rest, a.prompt_gc);
      WaitTicks(30, 0);
      break;
    }
    if (end == nullptr) break;
    p = end + 1;
  }
}

// The interpreter of one scenario text, held in a buffer of `capacity`
// bytes that expansions may fill up to its end (a longer text is cut).
class TextRun {
 public:
  TextRun(char* text, size_t capacity, char* out, size_t out_size)
      : text_(text), capacity_(capacity), out_(out), out_size_(out_size) {}

  int Run();

 private:
  void Put(const char* bytes, size_t n) {
    if (out_size_ == 0 || o_ + n > out_size_ - 1) {
      cut_ = true;
      return;
    }
    std::memcpy(out_ + o_, bytes, n);
    o_ += n;
  }
  void Terminate() {
    if (out_size_ > 0) out_[o_] = '\0';
    if (cut_) WriteLogf("scenario text cut at %zu bytes", o_);
  }
  // Replaces text_[at, at + length) by `replacement` (cut to fit the
  // buffer) and keeps the ends of the library texts being read in step.
  void Replace(size_t at, size_t length, const char* replacement);
  // The library text for `word` whose condition holds, or false.
  bool LibraryText(const char* word, Handle* record);

  char* text_;
  size_t capacity_;
  char* out_;
  size_t out_size_;
  size_t o_ = 0;
  bool cut_ = false;
  // Ends (in text_) of the library texts being read, innermost last.
  size_t ends_[kTextLibDepthMax] = {};
  int depth_ = 0;
};

void TextRun::Replace(size_t at, size_t length, const char* replacement) {
  const size_t total = std::strlen(text_);
  const size_t tail = total - (at + length);
  const size_t room = capacity_ - 1 - (total - length);
  const size_t wanted = std::strlen(replacement);
  const size_t n = CutLength(replacement, wanted, room);
  if (n < wanted) WriteLogf("scenario text cut at %zu bytes", capacity_ - 1);
  std::memmove(text_ + at + n, text_ + at + length, tail + 1);
  std::memcpy(text_ + at, replacement, n);
  for (int i = 0; i < depth_; ++i) {
    if (ends_[i] > at) ends_[i] = ends_[i] + n - length;
  }
}

bool TextRun::LibraryText(const char* word, Handle* record) {
  const Handle lib = App().text_lib;
  if (lib == kNoHandle || FindItem(lib, "textlib_word") == kNoHandle) return false;
  int budget = RecordCount(lib) + 1;
  for (Handle r = FirstRecord(lib); r != kNoHandle && budget-- > 0; r = NextRecord(r)) {
    const char* w = GetStr(r, "textlib_word");
    if (w == nullptr || std::strcmp(w, word) != 0) continue;
    const char* compare = GetStr(r, "Compare");
    if (compare == nullptr) return false;
    char condition[kScenarioTextSize];
    CopyCut(condition, sizeof condition, compare);
    if (CompareRecord(App().state, condition, sizeof condition) == 1) {
      *record = r;
      return true;
    }
  }
  return false;
}

int TextRun::Run() {
  PixieApp& a = App();
  bool no_text = false;
  size_t i = 0;
  while (text_[i] != '\0') {
    while (depth_ > 0 && i >= ends_[depth_ - 1]) --depth_;
    const unsigned char c = static_cast<unsigned char>(text_[i]);
    if (IsLeadByte(c) && text_[i + 1] != '\0') {
      Put(text_ + i, 2);
      i += 2;
      continue;
    }
    if (c == '>') {
      WriteLog("ERROR TAG>");
      WriteLog(text_ + i);
      Put(text_ + i, 1);
      ++i;
      continue;
    }
    if (c != '<') {
      Put(text_ + i, 1);
      ++i;
      continue;
    }
    // A tag: up to its ">", or to the end of the text when it has none.
    size_t end = i + 1;
    while (text_[end] != '\0' && text_[end] != '>') ++end;
    const size_t after = text_[end] == '>' ? end + 1 : end;
    char tag[kTagMax + 1];
    const size_t tag_length = CutLength(text_ + i + 1, end - (i + 1), kTagMax);
    std::memcpy(tag, text_ + i + 1, tag_length);
    tag[tag_length] = '\0';
    char command[kTagMax + 1];
    size_t k = 0;
    while (tag[k] != '\0' && !IsWordEnd(tag[k])) ++k;
    std::memcpy(command, tag, k);
    command[k] = '\0';
    char operand[kTagMax + 1];
    size_t n = 0;
    for (size_t j = k; tag[j] != '\0'; ++j) {
      if (tag[j] != ' ' && tag[j] != '\t') operand[n++] = tag[j];
    }
    // The word's own separator is not part of the operand.
    if (n > 0 && (operand[0] == ',' || operand[0] == ';') && tag[k] != '\0') {
      std::memmove(operand, operand + 1, --n);
    }
    operand[n] = '\0';
    const uint32_t restores = a.restore_count;
    const int result = RunCommand(command, operand);
    WriteLogf("ret exec_command() %d code -%s- para -%s-(exe %d)", result, tag, operand, result);
    if (a.restore_count != restores) {
      // The tag rebuilt the screen from the state (GSP 8): the buffer holds
      // the restored text now, which has run and owns pendingText.
      WriteLogf("scenario text replaced by a restore at -%s-: the rest is not run", tag);
      Terminate();
      return kTextReplaced;
    }
    switch (result) {
      case kNotCommand: {
        if (std::strcmp(command, "名前") == 0) {
          // The player's name, as it is (it is no scenario text).
          const char* name = a.state != kNoHandle ? GetStr(a.state, "名前") : nullptr;
          char copy[kScenarioTextSize];
          CopyCut(copy, sizeof copy, name != nullptr ? name : "");
          Replace(i, after - i, "");
          Put(copy, std::strlen(copy));
          continue;
        }
        Handle record = kNoHandle;
        if (command[0] != '\0' && LibraryText(command, &record)) {
          WriteLogf(" textlib展開 -%s-", command);
          const char* lib_text = GetStr(record, "Text");
          if (lib_text == nullptr) {
            WriteLog("ERROR!! decode Text is null");
          } else if (depth_ >= kTextLibDepthMax) {
            WriteLogf("textlib展開が%d段を超えました -%s-", kTextLibDepthMax, command);
          } else if (std::strlen(lib_text) < 2) {
            WriteLog("decode TextLib Nullstring");
            Replace(i, after - i, "");
            continue;
          } else {
            WriteLogf("\ttextlib get str -%s-", lib_text);
            char copy[kScenarioTextSize];
            CopyCut(copy, sizeof copy, lib_text);
            const size_t before = std::strlen(text_) - (after - i);
            Replace(i, after - i, copy);
            // Reading goes on inside the inserted text, one level deeper.
            ends_[depth_++] = i + (std::strlen(text_) - before);
            continue;
          }
        } else if (std::strcmp(command, "font_color") != 0 && std::strcmp(command, "font_size") != 0) {
          WriteLogf(" 未定義ﾀｸﾞでTextLIBにもありません。 -%s- exe%d", tag, result);
        }
        Put(text_ + i, after - i);
        i = after;
        break;
      }
      case kExecuted:
        Replace(i, after - i, "");
        break;
      case kStop:
        if (text_[after] == '\0') {
          Terminate();
          a.pendingText = nullptr;
          text_[i] = '\0';
          WriteLogf("あれまlen%d", 0);
          return 2;
        }
        a.pendingText = text_ + i;
        Replace(i, after - i, "");
        Terminate();
        return no_text ? 3 : 0;
      case kNoTextSeen:
        no_text = true;
        Put(text_ + i, after - i);
        i = after;
        break;
      default:
        Put(text_ + i, after - i);
        i = after;
        break;
    }
  }
  Terminate();
  a.pendingText = nullptr;
  return 0;
}

}  // namespace

Handle FindPlayRecord() {
  const PixieApp& a = App();
  if (a.play_list == kNoHandle || a.state == kNoHandle) return kNoHandle;
  return FindRecordByCompare(a.play_list, a.state, "Compare");
}

int exec_command(char* text, char* output, size_t output_size) {
  if (text == nullptr) {
    if (output_size > 0) output[0] = '\0';
    return 0;
  }
  // A text inside the scenario buffer may grow to its end; any other only
  // to its own length.
  PixieApp& a = App();
  size_t capacity = std::strlen(text) + 1;
  if (text >= a.base_text && text < a.base_text + sizeof a.base_text) {
    capacity = static_cast<size_t>(a.base_text + sizeof a.base_text - text);
  }
  TextRun run(text, capacity, output, output_size);
  return run.Run();
}

int RunCommand(const char* command, const char* operand) {
  PixieApp& a = App();
  if (std::strcmp(command, "FaceGraphic") == 0) {
    FaceGraphic(operand);
  } else if (std::strcmp(command, "PlayGraphic") == 0) {
    PlayGraphic(operand);
  } else if (std::strcmp(command, "ClosePlay") == 0) {
    ClosePlayWindow();
  } else if (std::strcmp(command, "CloseFace") == 0) {
    CloseFaceWindow();
  } else if (std::strcmp(command, "CloseFP") == 0) {
    ClosePlayWindow();
    CloseFaceWindow();
  } else if (std::strcmp(command, "PlayMIDI") == 0) {
    if (SoundFileReady(operand) && PlayMIDI(operand) != kSoundPlaying) WriteLogf("PlayMIDI -%s- error", operand);
  } else if (std::strcmp(command, "PlayWAVE") == 0) {
    if (SoundFileReady(operand) && PlayWave(operand) != kSoundPlaying) WriteLogf("PlayWAVE -%s- error", operand);
  } else if (std::strcmp(command, "StopWAVE") == 0) {
    StopWAVE();
  } else if (std::strcmp(command, "OpenSTS") == 0) {
    OpenSubWindow(a.play_window, kObjStatus, a.status_x, a.status_y);
  } else if (std::strcmp(command, "CloseSTS") == 0) {
    CloseSubWindowNow(kObjStatus, a.status_window);
  } else if (std::strcmp(command, "CloseSelect") == 0) {
    CloseObject(a.play_window, kObjSelect);
  } else if (std::strcmp(command, "Select") == 0) {
    a.select_menu = 1;
    BuildSelectMenu(operand);
    if (a.ActiveSelect != 0) ShowObject(a.play_window, kObjSelect, a.select_x, a.select_y);
    return kStop;
  } else if (std::strcmp(command, "NoText") == 0) {
    return kNoTextSeen;
  } else if (std::strcmp(command, "BackGraphic") == 0) {
    ChangeBackground(nullptr);
  } else if (std::strcmp(command, "BG") == 0) {
    ChangeBackground(operand);
  } else if (std::strcmp(command, "input") == 0) {
    a.draw_mes = 0;
    return kStop;
  } else if (std::strcmp(command, "Compute") == 0) {
    WriteLog("以下のCompute 実行します");
    WriteLog(operand);
    FlashStatus(operand);
    ApplyCompute(operand);
    HandleGSPRequest();
    DrawStatus();
  } else {
    return kNotCommand;
  }
  return kExecuted;
}

void ChangeBackground(const char* name) {
  PixieApp& a = App();
  char built[256];
  if (name == nullptr) {
    WriteLog("bg_format load.");
    built[0] = '\0';
    if (BuildNameFromFormat("BG_FORMAT", built, sizeof built) == nullptr) built[0] = '\0';
    name = built;
  }
  char picture_name[256];
  CopyCut(picture_name, sizeof picture_name, name);
  const Handle picture = LoadGraphicFile(a.task, picture_name);
  if (picture == kNoHandle) {
    char line[300];
    std::snprintf(line, sizeof line, "graphic -%s- non", picture_name);
    WriteLog(line);
    if (a.PopupMenu != 0) ErrorDialog(a.task, 0, line);
    return;
  }
  CloseFaceWindow();
  ShowMessage("   ");
  const ObjectRecord* o = ObjectView(FindObject(a.play_window, kObjBackground));
  const Handle old = o == nullptr ? kNoHandle : o->data;
  if (SetGraphicObject(a.play_window, kObjBackground, picture) == 0) {
    WriteLog(" ChangeGraphic Object is ERROR");
    FreeGraphic(a.task, picture);
    return;
  }
  // The picture shown before is no longer anybody's.
  if (old != kNoHandle && old != picture) FreeGraphic(a.task, old);
  CopyCut(a.background_name, sizeof a.background_name, picture_name);
}

void BuildSelectMenu(const char* operand) {
  PixieApp& a = App();
  CopyCut(a.menu_str, sizeof a.menu_str, operand);
  const Handle menu = a.select_menu_handle;
  ClearMenuItemFlagsAll(menu, kNoHandle, MENUselected);
  a.selectCursor = 0;
  const char* p = operand;
  for (int row = 1; row <= kSelectRows; ++row) {
    while (*p != '\0' && IsWordEnd(*p)) ++p;
    char word[kMenuLabelSize + kTagMax];
    size_t n = 0;
    while (*p != '\0' && !IsWordEnd(*p)) {
      if (n + 1 < sizeof word) word[n++] = *p;
      ++p;
    }
    word[n] = '\0';
    if (n == 0) {
      if (TestMenuItemFlags(menu, row, MENUdisabled) == 0) ToggleMenuItemFlags(menu, kNoHandle, row, MENUdisabled);
      SetMenuItem(menu, "", " ", row);
      SetMenuItemValue(menu, -1, row);
      continue;
    }
    if (TestMenuItemFlags(menu, row, MENUdisabled) != 0) ToggleMenuItemFlags(menu, kNoHandle, row, MENUdisabled);
    char* colon = std::strchr(word, ':');
    if (colon != nullptr) *colon = '\0';
    SetMenuItem(menu, word, " ", row);
    if (colon != nullptr) SetMenuItemValue(menu, std::atoi(colon + 1), row);
  }
  // What the player is offered: the rows that can be chosen, in order.
  char line[kScenarioTextSize];
  size_t used = 0;
  line[0] = '\0';
  for (int row = 1; row <= MenuRowCount(menu); ++row) {
    const MenuRow* slot = MenuSlot(menu, row);
    if (slot == nullptr || slot->label[0] == '\0' || (slot->flags & MENUdisabled) != 0) continue;
    char label[kMenuLabelSize + 1];
    CopyCut(label, sizeof label, slot->label);
    const int written = std::snprintf(line + used, sizeof line - used, "%s%s=%d", used == 0 ? "" : " | ", label,
                                      static_cast<int>(slot->value));
    if (written < 0 || static_cast<size_t>(written) >= sizeof line - used) break;
    used += static_cast<size_t>(written);
  }
  TranscriptLine("select", line);
}

void SelectMenu(int n) {
  PixieApp& a = App();
  a.select_menu = 0;
  if (a.ActiveSelect == 0) CloseObject(a.play_window, kObjSelect);
  WriteLogf("SelectMenu %d", n);
  a.draw_mes = 0;
  if (n == 9 && YesNoDialog("ゲームを終了しますか？") == 1) {
    SendShutDown(a.task);
    a.quit_requested = true;
    return;
  }
  if (a.state != kNoHandle) {
    if (GetNum(a.state, "old_mode") == n) {
      AddNum(a.state, "count", 1);
    } else {
      SetNum(a.state, "count", 0);
    }
    SetNum(a.state, "mode", n);
  }
  a.pendingText = nullptr;
  action_pixie();
}

int ShowMessage(const char* text) {
  PixieApp& a = App();
  TranscriptLine("message", text);
  if (std::strlen(text) < 3) {
    WriteLog("短いメッセージ（3文字以下）を表示しようとしました 下行表示");
    WriteLog(text);
    if (a.select_menu == 0) {
      a.draw_mes = 0;
      return 1;
    }
    WriteLog("Select表示催促のため、表示を行います");
  }
  // The message area holds one block: a longer message is cut to it.
  char shown[kMessageTextMax + 1];
  CopyCut(shown, sizeof shown, text);
  if (std::strlen(shown) < std::strlen(text)) WriteLogf("message cut at %zu bytes", std::strlen(shown));
  const Handle object = SetMessageObject(a.play_window, kObjMessage, shown);
  if (object == kNoHandle) return 1;
  a.message_object = object;
  a.draw_mes = 1;
  EffectRequest request;
  request.type = EFFECTtext;
  request.colour = ColourTable[1];
  request.mode = kEffectTypewriter;
  request.window = a.play_window;
  request.object = object;
  SendEffectRequest(TaskNo(), request);
  CopyCut(a.message, sizeof a.message, text);
  return 0;
}

int HandleGSPRequest() {
  PixieApp& a = App();
  if (a.state == kNoHandle) return 0;
  switch (GetNum(a.state, "GSPrequest")) {
    case 2:
      // The bad end: the request stays set, the program ends.
      if (a.quit_requested) break;
      ErrorDialog(a.task, 0, "バッドエンド！");
      SendWindowRequest1(a.task, a.play_window);
      DeleteMenu(a.task, a.popup_menu);
      DeleteMenu(a.task, a.select_menu_handle);
      a.popup_menu = kNoHandle;
      a.select_menu_handle = kNoHandle;
      SendShutDown(a.task);
      a.quit_requested = true;
      break;
    case 3:
    case 6:
      ShowResults();
      SetNum(a.state, "GSPrequest", 0);
      break;
    case 4:
      a.autoPlay = 1;
      SetNum(a.state, "GSPrequest", 0);
      break;
    case 5:
      WriteLog("GSPrequest 5");
      a.autoPlay = 0;
      SetNum(a.state, "GSPrequest", 0);
      break;
    case 7: {
      WriteLog("Save Start data");
      const Handle start = StartDataRecord(true);
      if (start != kNoHandle) CopyRecordItems(a.state, start);
      SetNum(a.state, "GSPrequest", 0);
      break;
    }
    case 8: {
      if (a.restoring) {
        WriteLog("GSPrequest 8 inside a restored text is refused");
        SetNum(a.state, "GSPrequest", 0);
        break;
      }
      const Handle start = StartDataRecord(false);
      if (start == kNoHandle) return 1;
      WriteLog("Load Start data スタート画面に戻るはず。");
      CopyRecordItems(start, a.state);
      RestoreFromState();
      SetNum(a.state, "GSPrequest", 0);
      break;
    }
    default:
      break;
  }
  return 0;
}

void ChangeDay() {
  PixieApp& a = App();
  a.week = static_cast<int16_t>(a.week >= 7 || a.week < 1 ? 1 : a.week + 1);
  ++a.day;
  const int month = a.month >= 1 && a.month <= 12 ? a.month : 1;
  if (a.day > kDaysInMonth[month - 1]) {
    a.day = 1;
    a.month = static_cast<int16_t>(month >= 12 ? 1 : month + 1);
  }
}

void ShowResults() {
  PixieApp& a = App();
  const Handle start = StartDataRecord(false);
  if (start == kNoHandle || a.state == kNoHandle) return;
  for (int i = 1; i <= kResultRows; ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "RESULT%d", i);
    char name[64];
    if (PixieKey(key, name, sizeof name) == nullptr) break;
    const int32_t now = GetNum(a.state, name);
    const int32_t before = GetNum(start, name);
    WriteLogf("%s %d", name, now);
    const int16_t y = static_cast<int16_t>(50 + 30 * (i - 1));
    WinMessageColor(a.play_window, 20, y, name, ColourTable[18]);
    char number[32];
    std::snprintf(number, sizeof number, "%d", now);
    WinMessageColor(a.play_window, 80, y, number, ColourTable[17]);
    if (now > before) {
      std::snprintf(number, sizeof number, "+%d", now - before);
      WinMessageColor(a.play_window, 120, y, number, ColourTable[3]);
    } else if (now < before) {
      std::snprintf(number, sizeof number, "-%d", before - now);
      WinMessageColor(a.play_window, 120, y, number, ColourTable[2]);
    }
  }
}

void RunTextStep() {
  PixieApp& a = App();
  if (a.play_record == kNoHandle || a.pendingText == nullptr) return;
  char output[kScenarioTextSize];
  const int result = exec_command(a.pendingText, output, sizeof output);
  // A tag of the text ended the program (the bad end), or restored the
  // screen, which showed the restored text: nothing more is shown.
  if (a.quit_requested || result == kTextReplaced) return;
  if (result == 3) {
    WriteLog("NoText");
    ShowObject(a.play_window, kObjSelect, a.select_x, a.select_y);
  } else {
    ShowMessage(output);
  }
}

int action_pixie() {
  PixieApp& a = App();
  if (a.draw_mes != 0) {
    WriteLog("action_pixie()が呼ばれましたが、描画中によりキャンセル");
    return 1;
  }
  if (a.quit_requested || a.state == kNoHandle) return 1;
  if (GetNum(a.state, "change_day") > 0) {
    ChangeDay();
    // Past the end date (a later month counts, whatever its day).
    const bool ended = a.month > a.end_month || (a.month == a.end_month && a.day > a.end_day);
    SetNum(a.state, "change_day", ended ? 100 : 0);
  }
  if (a.pendingText == nullptr) {
    HandleGSPRequest();
    if (a.quit_requested) return 0;
    a.play_record = FindPlayRecord();
    if (a.play_record == kNoHandle) {
      ErrorDialog(a.task, 0, "プレイデータ検索ミス");
    } else {
      const char* text = GetStr(a.play_record, "TEXT");
      CopyCut(a.base_text, sizeof a.base_text, text != nullptr ? text : "");
      a.pendingText = a.base_text;
      WriteLogf("getText-%s-", a.base_text);
      const char* compute = GetStr(a.play_record, "Compute");
      if (compute != nullptr && compute[0] != '\0') ApplyCompute(compute);
    }
  }
  RunTextStep();
  ClampParameters();
  return 0;
}

}  // namespace vadu
