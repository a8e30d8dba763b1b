#include "host/headless/script.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host_seam.h"
#include "platform/input.h"

namespace vadu {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameWord(const std::string& a, const char* b) {
  size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

// Splits the arguments of a command into words; a word starting with '#'
// ends them (a trailing comment).
std::vector<std::string> Words(const std::string& rest) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < rest.size()) {
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    if (i >= rest.size() || rest[i] == '#') break;
    size_t start = i;
    while (i < rest.size() && !IsBlank(rest[i])) ++i;
    words.push_back(rest.substr(start, i - start));
  }
  return words;
}

// A decimal number within [low, high], nothing else.
bool ParseNumber(const std::string& word, long low, long high, long& out) {
  if (word.empty()) return false;
  const char* s = word.c_str();
  if (!(s[0] >= '0' && s[0] <= '9') && !(s[0] == '-' && s[1] >= '0' && s[1] <= '9')) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  out = v;
  return true;
}

struct NamedKey {
  const char* name;
  uint16_t key_down;
  uint16_t character;
};
// Key-downs of keys without a character of their own keep their host key
// code where the engine has no code for them (PageUp 33, PageDown 34).
constexpr NamedKey kNamedKeys[] = {
    {"Return", KEY_RETURN, KEY_RETURN},
    {"Escape", KEY_ESCAPE, KEY_ESCAPE},
    {"Tab", KEY_TAB, KEY_TAB},
    {"Backspace", KEY_BACKSPACE, KEY_BACKSPACE},
    {"Delete", KEY_DELETE, 0},
    {"Home", KEY_HOME, 0},
    {"Up", KEY_UP, 0},
    {"Down", KEY_DOWN, 0},
    {"Left", KEY_LEFT, 0},
    {"Right", KEY_RIGHT, 0},
    {"Space", ' ', ' '},
    {"Help", KEY_HELP, 0},
    {"Clear", KEY_CLEAR, 0},
    {"PageUp", 33, 0},
    {"PageDown", 34, 0},
};

bool ParseModifier(const std::string& word, uint32_t& bit) {
  if (SameWord(word, "Ctrl")) {
    bit = kModControl;
  } else if (SameWord(word, "Shift")) {
    bit = kModShift;
  } else if (SameWord(word, "Alt")) {
    bit = kModAlt;
  } else if (SameWord(word, "Insert")) {
    bit = kModInsert;
  } else {
    return false;
  }
  return true;
}

bool ParseLine(const std::string& line, ScriptCommand& cmd, std::string& why) {
  size_t i = 0;
  while (i < line.size() && IsBlank(line[i])) ++i;
  size_t start = i;
  while (i < line.size() && !IsBlank(line[i])) ++i;
  std::string name = line.substr(start, i - start);
  while (i < line.size() && IsBlank(line[i])) ++i;
  std::string rest = line.substr(i);

  if (name == "text") {
    if (rest.empty()) {
      why = "text needs the characters to type";
      return false;
    }
    cmd.kind = ScriptCommand::kText;
    cmd.text = Utf8ToCp932(rest.c_str());
    // Typed characters arrive as the keyboard gives them: '*' is the
    // engine's code 14 (it is never the trail byte of a pair).
    for (char& c : cmd.text) {
      if (c == '*') c = static_cast<char>(KEY_ASTERISK);
    }
    return true;
  }
  if (name == "key") {
    size_t end = 0;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    std::string key = rest.substr(0, end);
    std::vector<std::string> after = Words(rest.substr(end));
    if (key.empty() || !after.empty()) {
      why = "key needs one key name";
      return false;
    }
    cmd.kind = ScriptCommand::kKey;
    if (!ScriptKeyCodes(key, cmd.key_down, cmd.character)) {
      why = "unknown key '" + key + "'";
      return false;
    }
    return true;
  }

  std::vector<std::string> args = Words(rest);
  auto want = [&](size_t low, size_t high) {
    if (args.size() >= low && args.size() <= high) return true;
    why = name + (low == high && low == 0 ? " takes no arguments" : " has the wrong number of arguments");
    return false;
  };
  auto position = [&]() {
    long x, y;
    if (!ParseNumber(args[0], -32768, 32767, x) || !ParseNumber(args[1], -32768, 32767, y)) {
      why = "bad position '" + args[0] + " " + args[1] + "'";
      return false;
    }
    cmd.x = static_cast<int32_t>(x);
    cmd.y = static_cast<int32_t>(y);
    if (args.size() == 3) {
      if (args[2] != "right") {
        why = "expected 'right', not '" + args[2] + "'";
        return false;
      }
      cmd.right = true;
    }
    return true;
  };

  if (name == "wait") {
    if (!want(1, 1)) return false;
    long ms;
    if (!ParseNumber(args[0], 0, 86400000L, ms)) {
      why = "bad number '" + args[0] + "' (milliseconds, 0 to 86400000)";
      return false;
    }
    cmd.kind = ScriptCommand::kWait;
    cmd.ms = static_cast<uint32_t>(ms);
    return true;
  }
  if (name == "hold" || name == "release") {
    if (!want(1, 1)) return false;
    cmd.kind = name == "hold" ? ScriptCommand::kHold : ScriptCommand::kRelease;
    if (!ParseModifier(args[0], cmd.modifier)) {
      why = "unknown modifier '" + args[0] + "' (Ctrl, Shift, Alt or Insert)";
      return false;
    }
    return true;
  }
  if (name == "click" || name == "down") {
    if (!want(2, 3)) return false;
    cmd.kind = name == "click" ? ScriptCommand::kClick : ScriptCommand::kDown;
    return position();
  }
  if (name == "move") {
    if (!want(2, 2)) return false;
    cmd.kind = ScriptCommand::kMove;
    return position();
  }
  if (name == "up" || name == "close") {
    if (!want(0, 0)) return false;
    cmd.kind = name == "up" ? ScriptCommand::kUp : ScriptCommand::kClose;
    return true;
  }
  if (name == "shot") {
    if (!want(1, 1)) return false;
    const std::string& file = args[0];
    if (file.size() < 5 || !SameWord(file.substr(file.size() - 4), ".png")) {
      why = "shot needs a file name ending in .png";
      return false;
    }
    // A plain name: screenshots go into the screenshot directory, never
    // elsewhere through a path.
    if (file.find('/') != std::string::npos || file.find('\\') != std::string::npos) {
      why = "shot takes a file name, not a path";
      return false;
    }
    cmd.kind = ScriptCommand::kShot;
    cmd.text = file;
    return true;
  }
  why = "unknown command '" + name + "'";
  return false;
}

}  // namespace

bool ScriptKeyCodes(const std::string& name, uint16_t& key_down, uint16_t& character) {
  if (name.size() == 1) {
    auto c = static_cast<uint8_t>(name[0]);
    if (c < 0x21 || c > 0x7E) return false;
    // A letter's key-down is its upper-case key code.
    key_down = c >= 'a' && c <= 'z' ? static_cast<uint16_t>(c - 'a' + 'A') : EngineCodeForCharacter(c);
    character = EngineCodeForCharacter(c);
    return true;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (SameWord(name, k.name)) {
      key_down = k.key_down;
      character = k.character;
      return true;
    }
  }
  return false;
}

bool ParseScript(const std::string& text, std::vector<ScriptCommand>& out, std::string& error) {
  out.clear();
  size_t pos = 0;
  int number = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);  // a UTF-8 byte order mark
    size_t first = 0;
    while (first < line.size() && IsBlank(line[first])) ++first;
    if (first == line.size() || line[first] == '#') continue;
    if (line.find('\0') != std::string::npos) {
      error = "line " + std::to_string(number) + ": a NUL byte";
      return false;
    }
    ScriptCommand cmd;
    cmd.line = number;
    std::string why;
    if (!ParseLine(line, cmd, why)) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    }
    out.push_back(std::move(cmd));
  }
  return true;
}

bool LoadScript(const std::string& path, std::vector<ScriptCommand>& out, std::string& error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    error = path + ": cannot read the input script (" + std::strerror(errno) + ")";
    return false;
  }
  std::string text;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  bool read_error = std::ferror(f) != 0;
  std::fclose(f);
  if (read_error) {
    error = path + ": cannot read the input script";
    return false;
  }
  std::string why;
  if (!ParseScript(text, out, why)) {
    // "line N: ..." becomes "FILE:N: ...".
    error = path + ":" + why.substr(5);
    return false;
  }
  return true;
}

}  // namespace vadu
