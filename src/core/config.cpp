#include "core/config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "core/log.h"
#include "core/state.h"
#include "core/strings.h"
#include "platform/files.h"
#include "platform/host_seam.h"

namespace vadu {
namespace {

using KeywordLine = char[kKeywordLineMax + 1];

// Reads the next line of a keyword file into `line`, without its line end.
// Of a longer line only the first kKeywordLineMax characters are kept; the
// rest is skipped, so it can never be taken for a line (or a key) of its own.
// False at the end of the file, and for a last line without a line end.
bool ReadKeywordLine(FILE* f, KeywordLine& line) {
  size_t kept = 0;
  size_t length = 0;
  int previous = EOF;
  for (;;) {
    const int c = std::getc(f);
    if (c == EOF) return false;
    if (c == '\n') break;
    if (kept < kKeywordLineMax) line[kept++] = static_cast<char>(c);
    ++length;
    previous = c;
  }
  // A CR-LF line end: the carriage return is not part of the line.
  if (previous == '\r' && length <= kKeywordLineMax) --kept;
  line[kept] = '\0';
  return true;
}

const char* Shown(const char* text) {
  return text != nullptr ? text : "";
}

// Lowers the one-byte letters of a CP932 text in place; two-byte characters
// are kept whole.
void LowerText(char* text) {
  for (char* p = text; *p != '\0'; ++p) {
    if (IsLeadByte(static_cast<unsigned char>(*p))) {
      if (p[1] == '\0') break;
      ++p;
    } else if (*p >= 'A' && *p <= 'Z') {
      *p = static_cast<char>(*p - 'A' + 'a');
    }
  }
}

// Copies a looked-up name into a kernel field; empty when the key is missing.
template <size_t N>
void ReadName(const char* key, char (&field)[N]) {
  field[0] = '\0';
  IniString(key, field, N);
}

struct FlagKey {
  const char* key;
  uint32_t bit;
};
// The order in which a line is tested: the first key the line contains is
// the line's flag.
constexpr FlagKey kFlagKeys[] = {
    {"EVENT_TEST", EVENT_TEST},
    {"RESOUCE_TEST", RESOUCE_TEST},
    {"LOOP_EXIT", LOOP_EXIT},
    {"TEST_RUN", TEST_RUN},
    {"TRACE", TRACE},
    {"DEBAG", DEBAG},
    {"TASK", TASK},
};

using enum IniKeyKind;
constexpr IniKeyInfo kIniKeys[] = {
    {"EVENT_TEST", kFlag, 0, nullptr, 0, false},
    {"RESOUCE_TEST", kFlag, 0, nullptr, 0, false},
    {"LOOP_EXIT", kFlag, 0, nullptr, 0, false},
    {"TEST_RUN", kFlag, 0, nullptr, 0, false},
    {"TRACE", kFlag, 1, nullptr, 0, false},
    {"DEBAG", kFlag, 0, nullptr, 0, false},
    {"TASK", kFlag, 0, nullptr, 0, false},
    {"Sys.error.elogfile", kText, 0, "SenELOG.dat", 23, false},
    {"USER_NAME", kText, 0, "", 21, false},
    {"LONG_MACHINE_NAME", kText, 0, "", 21, false},
    {"SHORT_MACHINE_NAME", kText, 0, "", 21, false},
    // Missing or unknown: a message box, then little-endian.
    {"MEMORY_TYPE", kText, 0, "INTEL", 0, true},
    // Both waits must be present (start-up ends otherwise); 0 counts as 1.
    {"CYCLE_WAIT", kNumber, 1, nullptr, 0, true},
    {"FASTSYNC_WAIT", kNumber, 0, nullptr, 0, true},
    {"MAX_EVENT", kNumber, 255, nullptr, 0, false},
    {"USE_COLOR", kNumber, 0, nullptr, 0, false},
    {"SCREEN_SIZEX", kNumber, 800, nullptr, 0, false},
    {"SCREEN_SIZEY", kNumber, 600, nullptr, 0, false},
    // Missing or outside 1-3: a message box, then font 2.
    {"DEFAULT_FONT", kNumber, 2, nullptr, 0, true},
    // -1: the font takes the system font's cell size.
    {"FONT1_SIZEX", kNumber, -1, nullptr, 0, false},
    {"FONT1_SIZEY", kNumber, -1, nullptr, 0, false},
    {"FONT2_SIZEX", kNumber, -1, nullptr, 0, false},
    {"FONT2_SIZEY", kNumber, -1, nullptr, 0, false},
    {"FONT3_SIZEX", kNumber, -1, nullptr, 0, false},
    {"FONT3_SIZEY", kNumber, -1, nullptr, 0, false},
    {"FONT_SIZEX", kNumber, -1, nullptr, 0, false},
    {"FONT_SIZEY", kNumber, -1, nullptr, 0, false},
    // No check is defined for a missing or out-of-range colour; 0 is used.
    {"BACKSCREEN_COLOR", kNumber, 0, nullptr, 0, true},
    // Empty: the grey (or palette) default colour set.
    {"ACTIVE_COLOR", kText, 0, "", 0, false},
    // Empty: no program is started ("    NON START PROGRAM" is logged).
    {"START_PROGRAM", kText, 0, "", 0, false},
};

}  // namespace

char* LookupKey(const char* key, char* value, size_t size, const char* file) {
  if (value == nullptr || size == 0) return nullptr;
  // Read only: a game installed read-only still has its settings.
  FILE* f = OpenGameFile(file, "rt");
  if (f == nullptr) {
    WriteLogf("Inifile open error ! %s", Shown(file));
    return nullptr;
  }
  KeywordLine line;
  while (ReadKeywordLine(f, line)) {
    if (line[0] == '/' || FindText(line, key) == 0) continue;
    std::fclose(f);
    // The key occurs in the line, so the line is at least as long as the key.
    char* rest = line + std::strlen(key);
    RemoveBlanks(rest);
    line_copy(rest, value, size);
    return value;
  }
  std::fclose(f);
  WriteLogf("指定文字列 %sが ｼｽﾃﾑ･ﾘｿｰｽﾌｧｲﾙ(%s)に存在しません", Shown(key), Shown(file));
  return nullptr;
}

int32_t LookupNumber(const char* key, const char* file) {
  KeywordLine value;
  if (LookupKey(key, value, sizeof value, file) == nullptr) return -1;
  return NthNumber(value, 1);
}

int LookupSwitch(const char* key, const char* file) {
  KeywordLine value;
  if (LookupKey(key, value, sizeof value, file) == nullptr) return -1;
  LowerText(value);
  if (FindText(value, "on") != 0) return 1;
  if (FindText(value, "off") != 0) return 0;
  if (FindText(value, "yes") != 0) return 1;
  if (FindText(value, "no") != 0) return 0;
  return -1;
}

char* IniString(const char* key, char* value, size_t size) {
  return LookupKey(key, value, size, kIniFile);
}

int16_t IniNumber(const char* key) {
  return static_cast<int16_t>(LookupNumber(key, kIniFile));
}

int16_t IniNumberOr(const char* key, int16_t missing) {
  const int32_t number = LookupNumber(key, kIniFile);
  return number < 0 ? missing : static_cast<int16_t>(number);
}

int ReadFlagKeys() {
  FILE* f = OpenGameFile(kIniFile, "rt");
  if (f == nullptr) {
    WriteLogf("File OpenError ! %s", kIniFile);
    return 6;
  }
  KeywordLine line;
  while (ReadKeywordLine(f, line)) {
    if (line[0] == '/') continue;
    for (const FlagKey& flag : kFlagKeys) {
      if (FindText(line, flag.key) == 0) continue;
      if (FindText(line, "ON") != 0) {
        SetFlag(flag.bit);
      } else if (FindText(line, "OFF") != 0) {
        ClearFlag(flag.bit);
      } else {
        LogSystemMessage(100, nullptr);
      }
      break;
    }
  }
  std::fclose(f);
  return 0;
}

void ReadNameKeys() {
  ReadName("USER_NAME", Kernel.user_name);
  ReadName("LONG_MACHINE_NAME", Kernel.long_machine_name);
  ReadName("SHORT_MACHINE_NAME", Kernel.short_machine_name);
  WriteLogf("\tVADU on  %s(%s)    OWNER %s", Kernel.long_machine_name, Kernel.short_machine_name, Kernel.user_name);
}

void ReadMemoryType() {
  KeywordLine value;
  char message[128];
  ClearFlag(MOTOROLA);
  if (IniString("MEMORY_TYPE", value, sizeof value) == nullptr) {
    std::snprintf(message, sizeof message, "MEMORY_TYPE unknow! %s", kIniFile);
    ShowMessageBox(message);
    return;
  }
  // MOTOROLA is tested first.
  if (FindText(value, "MOTOROLA") != 0) {
    SetFlag(MOTOROLA);
  } else if (FindText(value, "INTEL") == 0) {
    ShowMessageBox("SYSTEM.iniのMEMORY_TYPEが記述が違います！");
  }
}

bool ReadWaitKeys() {
  const int32_t cycle = LookupNumber("CYCLE_WAIT", kIniFile);
  const int32_t fastsync = LookupNumber("FASTSYNC_WAIT", kIniFile);
  // CYCLE_WAIT divides the cycle count: never below 1, and kept in 16 bits
  // by clamping rather than wrapping (a wrapped value could be 0 or negative).
  if (cycle >= 0) Kernel.cycle_wait = static_cast<int16_t>(std::clamp<int32_t>(cycle, 1, INT16_MAX));
  if (fastsync >= 0) Kernel.fastsync_wait = static_cast<int16_t>(std::min<int32_t>(fastsync, INT16_MAX));
  if (cycle < 0 || fastsync < 0) {
    char message[128];
    std::snprintf(message, sizeof message, "SYSTEMWAITが記述されてません %s nis ot%s", kIniFile, kEngineVersion);
    ShowMessageBox(message);
    return false;
  }
  return true;
}

void ReadMaxEvent() {
  const int32_t number = LookupNumber("MAX_EVENT", kIniFile);
  Kernel.max_event = number < 0 ? 255 : static_cast<uint8_t>(number & 0xFF);
}

int16_t ScreenSizeSetting(const char* key, int16_t missing) {
  const int32_t number = LookupNumber(key, kIniFile);
  if (number < 1) return missing;
  return static_cast<int16_t>(std::min<int32_t>(number, kMaxScreenSize));
}

std::span<const IniKeyInfo> IniKeys() {
  return kIniKeys;
}

const IniKeyInfo* FindIniKey(const char* key) {
  if (key == nullptr) return nullptr;
  for (const IniKeyInfo& info : kIniKeys) {
    if (std::strcmp(info.key, key) == 0) return &info;
  }
  return nullptr;
}

int16_t IniKeyMissing(const char* key) {
  const IniKeyInfo* info = FindIniKey(key);
  return info != nullptr ? info->missing : -1;
}

}  // namespace vadu
