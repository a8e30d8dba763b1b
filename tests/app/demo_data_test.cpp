// The demo game as it is built (build/games/demo): its settings, data form
// scripts and play list are read with the engine's own lookup, scripts,
// record search and compute code, and its two paths are walked from the
// first step to their endings. A mistake in the scenario's data (a key
// shadowed by another line, an item name mistyped in a condition, a tag
// that names no command, a picture the build does not make) fails here
// rather than in a player's game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/config.h"
#include "core/strings.h"
#include "data/compute.h"
#include "data/dataform.h"
#include "data/resource.h"
#include "kernel/graphic.h"
#include "platform/cp932.h"
#include "support/game_dir.h"

#ifndef VADU_DEMO_DIR
#error "VADU_DEMO_DIR names the built demo directory (tests/CMakeLists.txt)"
#endif

namespace vadu {
namespace {

constexpr char kPixie[] = "pixie.res";

// The keys the application reads from pixie.res.
const char* const kPixieKeys[] = {"PLAYER_NAME", "GAME_TITLE",        "MONTH",      "DAY",          "WEEK",
                                  "END_MONTH",   "END_DAY",           "DATE_STS",   "ActiveSelect", "PARANAME",
                                  "FG_FORMAT",   "BG_FORMAT",         "RES_FILE",   "TEXTLIB_FILE", "WINDOW_FRAME",
                                  "PopupMenu",   "Start_BackGraphic", "TEXT_HIGHT", "ReverseColor", "PlayWindowSize"};

// The scenario commands; any other tag must be a library word, the name
// tag or a font tag.
const std::set<std::string> kCommands = {"FaceGraphic", "PlayGraphic", "ClosePlay", "CloseFace",   "CloseFP",
                                         "PlayMIDI",    "PlayWAVE",    "StopWAVE",  "OpenSTS",     "CloseSTS",
                                         "CloseSelect", "Select",      "NoText",    "BackGraphic", "BG",
                                         "input",       "Compute"};
const std::set<std::string> kColours = {"PALETblack", "PALETwhite", "PALETgray", "PALETdarkgray", "PALETlightgray",
                                        "PALETred",   "PALETblue",  "PALETmint", "PALETyellow"};

std::string Key(const std::string& key) {
  char value[256] = {};
  return LookupKey(key.c_str(), value, sizeof value, kPixie) != nullptr ? value : "";
}

// Words of a list value: blanks, commas and semicolons separate them.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::string word;
  for (char c : text + " ") {
    if (IsSeparator(c)) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

// Steps over one character of CP932 text.
size_t CharLength(const std::string& text, size_t at) {
  return IsLeadByte(static_cast<unsigned char>(text[at])) && at + 1 < text.size() ? 2 : 1;
}

bool IsOperatorChar(char c) {
  return c != '\0' && std::strchr("=+-/*;><!|&%()", c) != nullptr;
}

// A tag of a scenario text: "<", a command ended by a blank, comma or
// semicolon, an operand whose blanks do not count, ">".
struct Tag {
  size_t begin = 0, end = 0;  // end: just after the ">" (or the text's end)
  std::string command, operand;
};

bool NextTag(const std::string& text, size_t from, Tag& tag) {
  size_t i = from;
  while (i < text.size() && text[i] != '<') i += CharLength(text, i);
  if (i >= text.size()) return false;
  size_t j = i + 1;
  while (j < text.size() && text[j] != '>') j += CharLength(text, j);
  const std::string inside = text.substr(i + 1, std::min(j, text.size()) - i - 1);
  tag.begin = i;
  tag.end = std::min(j + 1, text.size());
  size_t k = 0;
  while (k < inside.size() && !IsSeparator(inside[k])) k += CharLength(inside, k);
  tag.command = inside.substr(0, k);
  tag.operand.clear();
  for (size_t m = k; m < inside.size(); ++m) {
    if (!IsBlank(inside[m])) tag.operand += inside[m];
  }
  if (!tag.operand.empty() && (tag.operand[0] == ',' || tag.operand[0] == ';')) tag.operand.erase(0, 1);
  return true;
}

std::vector<Tag> TagsOf(const std::string& text) {
  std::vector<Tag> tags;
  Tag tag;
  for (size_t at = 0; NextTag(text, at, tag); at = tag.end) tags.push_back(tag);
  return tags;
}

// The mode variables of pixie.res: value name -> its number.
std::map<std::string, int> ModeValues() {
  std::map<std::string, int> values;
  for (int i = 1; i <= 10; ++i) {
    const std::vector<std::string> words = Words(Key("MODENAME" + std::to_string(i)));
    for (size_t k = 1; k < words.size(); ++k) values[words[k]] = static_cast<int>(k) - 1;
  }
  return values;
}

// A Compute tag's expression with every word that names a mode value
// replaced by the value's number (mode=勉強 is mode=2).
std::string ReplaceModeNames(const std::string& expression, const std::map<std::string, int>& values) {
  std::string out, word;
  const auto flush = [&] {
    const auto it = values.find(word);
    out += it != values.end() ? std::to_string(it->second) : word;
    word.clear();
  };
  for (size_t i = 0; i < expression.size();) {
    const size_t n = CharLength(expression, i);
    if (n == 1 && IsOperatorChar(expression[i])) {
      flush();
      out += expression[i];
    } else {
      word += expression.substr(i, n);
    }
    i += n;
  }
  flush();
  return out;
}

std::vector<std::string> ItemNames(Handle resource) {
  std::vector<std::string> names;
  for (Handle item = Attr(resource)->first_item; item != kNoHandle; item = Descriptor(item)->next) {
    names.emplace_back(Descriptor(item)->name);
  }
  return names;
}

std::vector<Handle> Records(Handle resource) {
  std::vector<Handle> records;
  for (Handle r = FirstRecord(resource); r != kNoHandle; r = NextRecord(r)) records.push_back(r);
  return records;
}

std::string Str(Handle record, const char* item) {
  const char* s = GetStr(record, item);
  return s != nullptr ? s : "";
}

int CountLines(const std::string& file, const std::string& line) {
  int n = 0;
  for (const std::string& l : test::ReadLines(file)) n += l == line ? 1 : 0;
  return n;
}

class DemoData : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    // The game's sources as the build made them; not what a run of the
    // game left there (its log, install record, saves and the tables a
    // player wrote back, which the game would load instead of the scripts).
    for (const auto& entry : std::filesystem::directory_iterator(VADU_DEMO_DIR)) {
      const std::string name = entry.path().filename().string();
      if (!entry.is_regular_file() || entry.path().extension() == ".dat") continue;
      if (test::ReadFile(entry.path().string()).rfind(std::string("VADU\0", 5), 0) == 0) continue;
      std::filesystem::copy_file(entry.path(), name);
    }
    player_name_ = Key("PLAYER_NAME");
    charcter_ = CreateItemData(kNoHandle, "still_pixie.res");
    ASSERT_NE(charcter_, kNoHandle);
    player_ = FindRecordByStr(charcter_, "名前", player_name_.c_str());
    ASSERT_NE(player_, kNoHandle);
    playlist_ = Build("RES_FILE");
    textlib_ = Build("TEXTLIB_FILE");
    ASSERT_NE(playlist_, kNoHandle);
    ASSERT_NE(textlib_, kNoHandle);
  }

  // As the application builds its tables: the first script makes the
  // resource, each further file is read into it.
  Handle Build(const char* key) {
    const std::vector<std::string> files = Words(Key(key));
    if (files.empty()) return kNoHandle;
    Handle r = CreateItemData(kNoHandle, files[0].c_str());
    for (size_t i = 1; i < files.size() && r != kNoHandle; ++i) r = AppendDataForm(r, files[i].c_str());
    return r;
  }

  // Log lines written since `from` that hold `piece`.
  std::vector<std::string> LoggedSince(size_t from, const std::string& piece) const {
    std::vector<std::string> found;
    const std::vector<std::string> log = Log();
    for (size_t i = from; i < log.size(); ++i) {
      if (log[i].find(piece) != std::string::npos) found.push_back(log[i]);
    }
    return found;
  }

  // A fresh copy of the initial game state to try statements on.
  Handle Scratch() {
    if (scratch_ == kNoHandle) scratch_ = CreateRecord(charcter_, -1, 0);
    CopyRecordItems(player_, scratch_);
    return scratch_;
  }

  // Every text of the scenario with where it comes from: the play records'
  // TEXT and the library's Text.
  std::vector<std::pair<std::string, std::string>> Texts() {
    std::vector<std::pair<std::string, std::string>> texts;
    for (Handle r : Records(playlist_)) texts.emplace_back("play " + Str(r, "Compare"), Str(r, "TEXT"));
    for (Handle r : Records(textlib_)) texts.emplace_back("word " + Str(r, "textlib_word"), Str(r, "Text"));
    return texts;
  }

  std::string player_name_;
  Handle charcter_ = kNoHandle, player_ = kNoHandle, playlist_ = kNoHandle, textlib_ = kNoHandle;
  Handle scratch_ = kNoHandle;
};

// A key is found in the first line that holds its text anywhere, so a key
// written inside an earlier line (DAY in END_DAY, DISPLAY1 in DISPLAY10)
// would read that line's value. Each key must be found on its own line, and
// the tables it fills must hold what it gives.
TEST_F(DemoData, EveryKeyOfPixieResIsReadFromItsOwnLineWithinTheTables) {
  std::vector<std::string> keys(std::begin(kPixieKeys), std::end(kPixieKeys));
  for (int i = 1; i <= 10; ++i) {
    for (const char* k : {"DISPLAY", "MODENAME", "RESULT"}) {
      const std::string key = k + std::to_string(i);
      if (!Key(key).empty()) keys.push_back(key);
    }
  }
  const std::vector<std::string> lines = test::ReadLines(kPixie);
  for (const std::string& key : keys) {
    SCOPED_TRACE(key);
    const std::string* found = nullptr;
    for (const std::string& line : lines) {
      if (!line.empty() && line[0] != '/' && FindText(line.c_str(), key.c_str()) != 0) {
        found = &line;
        break;
      }
    }
    ASSERT_NE(found, nullptr) << "missing";
    EXPECT_EQ(found->substr(0, key.size() + 1), key + " ") << "found in: " << *found;
  }

  // The calendar: a start date and an end date a week later.
  EXPECT_EQ(LookupNumber("MONTH", kPixie), LookupNumber("END_MONTH", kPixie));
  EXPECT_EQ(LookupNumber("END_DAY", kPixie) - LookupNumber("DAY", kPixie), 6);
  EXPECT_GE(LookupNumber("WEEK", kPixie), 1);
  EXPECT_LE(LookupNumber("WEEK", kPixie), 7);

  // Parameters: at most 11 names of at most 9 bytes, numbers of the state.
  const std::vector<std::string> params = Words(Key("PARANAME"));
  EXPECT_LE(params.size(), 11u);
  for (const std::string& p : params) {
    EXPECT_LE(p.size(), 9u) << p;
    EXPECT_EQ(ItemType(charcter_, p.c_str()), 6) << p;
  }
  // Mode variables: a number of the state and at most nine value names of
  // at most 19 bytes, none of them the name of an item (a Compute tag would
  // read it as that value).
  for (int i = 1; i <= 10; ++i) {
    const std::vector<std::string> words = Words(Key("MODENAME" + std::to_string(i)));
    if (words.empty()) continue;
    EXPECT_LE(words.size(), 10u);
    EXPECT_EQ(ItemType(charcter_, words[0].c_str()), 6) << words[0];
    for (const std::string& w : words) EXPECT_LE(w.size(), 19u) << w;
    for (size_t k = 1; k < words.size(); ++k) EXPECT_EQ(FindItem(charcter_, words[k].c_str()), kNoHandle) << words[k];
  }
  // Status rows: a state item or "blank"; results: parameters.
  for (int i = 1; i <= 10; ++i) {
    const std::string row = Key("DISPLAY" + std::to_string(i));
    if (row.empty() || row == "blank") continue;
    EXPECT_LE(row.size(), 39u);
    EXPECT_NE(FindItem(charcter_, row.c_str()), kNoHandle) << row;
  }
  for (int i = 1; i <= 10; ++i) {
    const std::string result = Key("RESULT" + std::to_string(i));
    if (result.empty()) break;
    EXPECT_NE(std::find(params.begin(), params.end(), result), params.end()) << result;
  }
}

// The three resources build from their scripts without a message, with
// exactly the items the scripts declare, one record per block, and a game
// state that holds every item the game and its saves use.
TEST_F(DemoData, TheScriptsBuildTheGameStateThePlayListAndTheLibrary) {
  for (const char* problem : {"itemname non", "type error", "EndDataERROR", "Warrning", "Non ResourceName",
                              "Non DataName", "create error", "長い文字列"}) {
    EXPECT_TRUE(LoggedSince(0, problem).empty()) << problem << ": " << LoggedSince(0, problem).front();
  }

  const std::map<std::string, int> state_items = {
      {"名前", 3},     {"change_day", 6}, {"GSPrequest", 6}, {"mode", 6},        {"old_mode", 6},
      {"count", 6},    {"time", 6},       {"menu_str", 3},   {"select_menu", 6}, {"backgraphic_name", 3},
      {"base_text", 3}};
  for (const auto& [name, type] : state_items) EXPECT_EQ(ItemType(charcter_, name.c_str()), type) << name;
  EXPECT_GE(Descriptor(FindItem(charcter_, "base_text"))->size, 1024) << "room for a whole message";
  EXPECT_EQ(Records(charcter_).size(), 1u);
  EXPECT_EQ(Str(player_, "名前"), player_name_);

  EXPECT_EQ(ItemNames(playlist_), (std::vector<std::string>{"Compare", "TEXT", "Compute"}));
  EXPECT_EQ(ItemNames(textlib_), (std::vector<std::string>{"textlib_word", "Compare", "Text"}));
  size_t blocks = 0;
  for (const std::string& f : Words(Key("RES_FILE"))) blocks += CountLines(f, "StartData");
  EXPECT_EQ(Records(playlist_).size(), blocks);
  EXPECT_EQ(Records(textlib_).size(), static_cast<size_t>(CountLines("textlib.form", "StartData")));
  for (Handle r : Records(playlist_)) EXPECT_FALSE(Str(r, "Compare").empty());
}

// Every condition and every computation of the scenario evaluates against
// the initial state without naming an item the state lacks, and a Compute
// tag's request is one the game handles.
TEST_F(DemoData, EveryCompareAndComputeEvaluatesAgainstTheInitialState) {
  const std::map<std::string, int> modes = ModeValues();
  const size_t from = Log().size();
  const auto check = [&](const std::string& where, const std::string& text, bool compare) {
    std::vector<char> buf(text.begin(), text.end());
    buf.resize(text.size() + 2048, '\0');
    const Handle s = Scratch();
    if (compare) {
      const int r = CompareRecord(s, buf.data(), buf.size());
      EXPECT_TRUE(r == 0 || r == 1) << where;
    } else {
      EXPECT_EQ(ComputeRecord(s, buf.data(), buf.size()), 1) << where << ": " << text;
      const int gsp = GetNum(s, "GSPrequest");
      EXPECT_TRUE(gsp == 0 || (gsp >= 2 && gsp <= 8)) << where << ": " << text;
    }
  };
  for (Handle r : Records(playlist_)) {
    const std::string where = "play " + Str(r, "Compare");
    check(where, Str(r, "Compare"), true);
    if (!Str(r, "Compute").empty()) check(where, Str(r, "Compute"), false);
    for (const Tag& t : TagsOf(Str(r, "TEXT"))) {
      if (t.command == "Compute") check(where, ReplaceModeNames(t.operand, modes), false);
    }
  }
  for (Handle r : Records(textlib_)) check("word " + Str(r, "textlib_word"), Str(r, "Compare"), true);
  const std::vector<std::string> unknown = LoggedSince(from, "見つかりませんでした");
  EXPECT_TRUE(unknown.empty()) << unknown.front();
  EXPECT_TRUE(LoggedSince(from, "error").empty()) << LoggedSince(from, "error").front();
}

// A tag that is no command, no library word, not the name tag and not a
// font tag reaches the player's screen as it is written: a typo.
TEST_F(DemoData, EveryTagIsACommandALibraryWordTheNameOrAFontTag) {
  std::set<std::string> words;
  for (Handle r : Records(textlib_)) words.insert(Str(r, "textlib_word"));
  int selects = 0;
  for (const auto& [where, text] : Texts()) {
    for (const Tag& t : TagsOf(text)) {
      SCOPED_TRACE(where + ": <" + t.command + " " + t.operand + ">");
      if (t.command == "font_color") {
        EXPECT_TRUE(kColours.count(t.operand) == 1);
      } else if (t.command == "font_size") {
        EXPECT_TRUE(t.operand == "1" || t.operand == "2");
      } else if (t.command == "Select") {
        ++selects;
        const std::vector<std::string> rows = Words(t.operand);
        EXPECT_GE(rows.size(), 1u);
        EXPECT_LE(rows.size(), 9u);
        for (const std::string& row : rows) {
          const size_t colon = row.find(':');
          ASSERT_NE(colon, std::string::npos) << "a row without its value";
          // The selector is 100 pixels wide: five full-width characters.
          EXPECT_LE(colon, 10u) << row;
          EXPECT_GE(std::atoi(row.c_str() + colon + 1), 0) << row;
        }
      } else {
        EXPECT_TRUE(kCommands.count(t.command) == 1 || words.count(t.command) == 1 || t.command == "名前");
      }
      EXPECT_EQ(t.end > t.begin && text[t.end - 1] == '>', true) << "a tag without its closing bracket";
    }
  }
  EXPECT_GE(selects, 5);
}

// Every picture, animation, MIDI and WAVE file the scenario names is in the
// built game directory, as is every picture an animation shows and every
// background BackGraphic can build; the pictures load through the engine's
// loader at the sizes of the windows that show them.
TEST_F(DemoData, EveryFileTheScenarioNamesIsBuiltAndEveryPictureLoads) {
  std::map<std::string, std::pair<int, int>> pictures;  // name -> largest width, height
  std::set<std::string> sounds, scripts;
  const auto picture = [&](const std::string& name, int w, int h) {
    if (name.size() > 4 && name.substr(name.size() - 4) == ".ani") {
      scripts.insert(name);
    } else {
      pictures[name] = {w, h};
    }
  };
  picture(Key("Start_BackGraphic"), 700, 525);
  const std::vector<std::string> format = Words(Key("BG_FORMAT"));
  ASSERT_EQ(format.size(), 2u) << "a format and one mode variable";
  bool back_graphic = false;
  for (const auto& [where, text] : Texts()) {
    for (const Tag& t : TagsOf(text)) {
      if (t.command == "FaceGraphic") picture(t.operand, 160, 230);
      if (t.command == "PlayGraphic") picture(t.operand, 240, 170);
      if (t.command == "BG") picture(t.operand, 700, 525);
      if (t.command == "PlayMIDI" || t.command == "PlayWAVE") sounds.insert(t.operand);
      back_graphic = back_graphic || t.command == "BackGraphic";
    }
  }
  ASSERT_TRUE(back_graphic);
  for (int i = 1; i <= 10; ++i) {
    const std::vector<std::string> words = Words(Key("MODENAME" + std::to_string(i)));
    if (words.empty() || words[0] != format[1]) continue;
    for (size_t k = 1; k < words.size(); ++k) {
      char name[64];
      std::snprintf(name, sizeof name, format[0].c_str(), words[k].c_str());
      picture(name, 700, 525);
    }
  }
  for (const std::string& script : scripts) {
    ASSERT_TRUE(std::filesystem::exists(script)) << script;
    for (const std::string& line : test::ReadLines(script)) {
      if (line.rfind("pic ", 0) == 0) picture(Words(line)[1], 160, 230);
    }
  }
  EXPECT_GE(pictures.size(), 10u);
  for (const std::string& s : sounds) EXPECT_TRUE(std::filesystem::exists(s)) << s;
  EXPECT_TRUE(sounds.count("umikaze.mid") == 1 && sounds.count("chime.wav") == 1);

  for (const auto& [name, size] : pictures) {
    SCOPED_TRACE(name);
    const Handle g = LoadGraphicFile(kNoHandle, name.c_str());
    ASSERT_NE(g, kNoHandle);
    EXPECT_LE(GraphicView(g)->width, size.first);
    EXPECT_LE(GraphicView(g)->height, size.second);
    if (size.first == 700) {
      EXPECT_EQ(GraphicView(g)->width, 700);
      EXPECT_EQ(GraphicView(g)->height, 525);
    }
  }
}

// ---------------------------------------------------------------------------
// The two paths. The walker plays the scenario as the application steps it
// (record search, Compute item, the tags in order, library words, the
// calendar, the requests, the choice), with the engine's own search and
// compute code; the playthrough itself is the application's end-to-end
// test. What it shows here is that the choices the integrator's scripts make
// reach the endings they are meant to.

class Walker {
 public:
  Walker(Handle charcter, Handle state, Handle playlist, Handle textlib)
      : charcter_(charcter), state_(state), playlist_(playlist), textlib_(textlib), modes_(ModeValues()) {
    month_ = LookupNumber("MONTH", kPixie);
    day_ = LookupNumber("DAY", kPixie);
    end_month_ = LookupNumber("END_MONTH", kPixie);
    end_day_ = LookupNumber("END_DAY", kPixie);
    params_ = Words(Key("PARANAME"));
  }

  // A key while no menu is open (or, in auto play, the tick after a
  // message): one scenario step, then the ticks of auto play.
  void Advance() {
    Step();
    for (int i = 0; i < 10 && auto_play_ && !menu_open_ && !ended_; ++i) Step();
  }
  // The menu row whose value is `value`.
  void Choose(int value) {
    ASSERT_TRUE(menu_open_);
    ASSERT_NE(std::find(options_.begin(), options_.end(), value), options_.end()) << value;
    menu_open_ = false;
    const int count = GetNum(state_, "old_mode") == value ? GetNum(state_, "count") + 1 : 0;
    SetNum(state_, "count", count);
    SetNum(state_, "mode", value);
    pending_.clear();
    has_pending_ = false;
    Advance();
  }

  Handle record() const { return record_; }
  const std::string& shown() const { return shown_; }
  bool menu_open() const { return menu_open_; }
  bool ended() const { return ended_; }
  bool results_shown() const { return results_shown_; }
  const std::vector<int>& requests() const { return requests_; }
  int day() const { return day_; }
  int Num(const char* item) const { return GetNum(state_, item); }

 private:
  void Step() {
    if (GetNum(state_, "change_day") > 0) {
      static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
      if (++day_ > kDays[month_ - 1]) {
        day_ = 1;
        month_ = month_ % 12 + 1;
      }
      SetNum(state_, "change_day", month_ >= end_month_ && day_ > end_day_ ? 100 : 0);
    }
    std::string text;
    if (!has_pending_) {
      HandleRequest();
      record_ = FindRecordByCompare(playlist_, state_, "Compare");
      ASSERT_NE(record_, kNoHandle) << "no play record for this state";
      text = Str(record_, "TEXT");
      std::string compute = Str(record_, "Compute");
      if (!compute.empty()) Compute(compute);
    } else {
      text = pending_;
    }
    has_pending_ = false;
    Run(text);
    for (const std::string& p : params_) SetNum(state_, p.c_str(), std::clamp(GetNum(state_, p.c_str()), 0, 200));
  }

  void Compute(const std::string& expression) {
    std::vector<char> buf(expression.begin(), expression.end());
    buf.resize(expression.size() + 1024, '\0');
    ComputeRecord(state_, buf.data(), buf.size());
  }

  void HandleRequest() {
    const int gsp = GetNum(state_, "GSPrequest");
    if (gsp == 0) return;
    requests_.push_back(gsp);
    if (gsp == 2) {
      ended_ = true;
      return;
    }
    if (gsp == 3 || gsp == 6) results_shown_ = start_ != kNoHandle;
    if (gsp == 4) auto_play_ = true;
    if (gsp == 5) auto_play_ = false;
    if (gsp == 7) {
      if (start_ == kNoHandle) start_ = CreateRecord(charcter_, -1, 0);
      CopyRecordItems(state_, start_);
    }
    SetNum(state_, "GSPrequest", 0);
  }

  // The text step: tags run in order; the plain text and the font tags
  // make the message.
  void Run(std::string text) {
    std::string out;
    bool no_text = false;
    for (size_t i = 0; i < text.size();) {
      if (text[i] != '<') {
        const size_t n = CharLength(text, i);
        out += text.substr(i, n);
        i += n;
        continue;
      }
      Tag t;
      NextTag(text, i, t);
      if (t.command == "Compute") {
        Compute(ReplaceModeNames(t.operand, modes_));
        HandleRequest();
      } else if (t.command == "Select" || t.command == "input") {
        if (t.command == "Select") {
          menu_open_ = true;
          options_.clear();
          for (const std::string& row : Words(t.operand))
            options_.push_back(std::atoi(row.c_str() + row.find(':') + 1));
        }
        has_pending_ = t.end < text.size();
        pending_ = text.substr(t.end);
        shown_ = no_text && has_pending_ ? "" : out;
        return;
      } else if (t.command == "NoText") {
        no_text = true;
        out += text.substr(t.begin, t.end - t.begin);
      } else if (t.command == "名前") {
        text.replace(t.begin, t.end - t.begin, Str(state_, "名前"));
        continue;
      } else if (kCommands.count(t.command) == 0 && t.command != "font_color" && t.command != "font_size") {
        Handle word = kNoHandle;
        for (Handle r : Records(textlib_)) {
          std::string cond = Str(r, "Compare");
          std::vector<char> buf(cond.begin(), cond.end());
          buf.resize(cond.size() + 1024, '\0');
          if (Str(r, "textlib_word") == t.command && CompareRecord(state_, buf.data(), buf.size()) == 1) {
            word = r;
            break;
          }
        }
        if (word == kNoHandle) {
          out += text.substr(t.begin, t.end - t.begin);
        } else {
          text.replace(t.begin, t.end - t.begin, Str(word, "Text").size() < 2 ? "" : Str(word, "Text"));
          continue;
        }
      } else if (t.command == "font_color" || t.command == "font_size") {
        out += text.substr(t.begin, t.end - t.begin);
      }
      i = t.end;
    }
    shown_ = out;
  }

  Handle charcter_, state_, playlist_, textlib_;
  std::map<std::string, int> modes_;
  std::vector<std::string> params_;
  int month_, day_, end_month_, end_day_;
  Handle record_ = kNoHandle, start_ = kNoHandle;
  std::string pending_, shown_;
  bool has_pending_ = false, menu_open_ = false, auto_play_ = false, ended_ = false, results_shown_ = false;
  std::vector<int> options_;
  std::vector<int> requests_;
};

int Lines(const std::string& message) {
  return static_cast<int>(std::count(message.begin(), message.end(), '\n')) + 1;
}

// The rows of the morning menu.
constexpr int kSea = 1, kStudy = 2, kShop = 3, kNap = 4;

// The prologue: its first message needs a second page (a 160-pixel message
// area holds six lines), the second part comes after a key, then the first
// morning asks.
void Prologue(Walker& w) {
  w.Advance();
  EXPECT_GT(Lines(w.shown()), 6) << "two pages";
  EXPECT_FALSE(w.menu_open());
  w.Advance();
  EXPECT_NE(w.shown().find("ミオ"), std::string::npos);
  w.Advance();
  EXPECT_TRUE(w.menu_open());
  EXPECT_EQ(w.day(), 1);
}

// One day with a choice: the activity, then the next morning (through the
// two rainy days, which play by themselves after the second day).
void Day(Walker& w, int choice) {
  w.Choose(choice);
  EXPECT_GE(w.shown().size(), 3u);
  EXPECT_FALSE(w.menu_open());
  w.Advance();
}

TEST_F(DemoData, TheGoodPathReachesTheGoodEndingWithItsResults) {
  Walker w(charcter_, player_, playlist_, textlib_);
  Prologue(w);
  Day(w, kSea);
  EXPECT_EQ(w.day(), 2);
  Day(w, kStudy);
  EXPECT_EQ(w.day(), 4) << "the third day played by itself";
  EXPECT_FALSE(w.menu_open());
  w.Advance();
  EXPECT_EQ(w.day(), 5);
  Day(w, kShop);
  Day(w, kSea);
  EXPECT_EQ(w.day(), 7);
  w.Choose(kStudy);
  w.Advance();
  EXPECT_EQ(w.Num("change_day"), 100);
  EXPECT_EQ(w.Num("場面"), 90) << "the good ending";
  EXPECT_GE(w.Num("知力"), 60);
  EXPECT_GE(w.Num("友情"), 60);
  EXPECT_GE(w.Num("体力"), 20);
  w.Advance();
  EXPECT_TRUE(w.results_shown());
  EXPECT_NE(w.shown().find("グッドエンド"), std::string::npos);
  w.Advance();
  EXPECT_TRUE(w.menu_open()) << "the last menu, to end the game";
  EXPECT_EQ(w.shown(), "") << "no message with it";
  EXPECT_FALSE(w.ended());
  EXPECT_EQ(w.requests(), (std::vector<int>{7, 4, 5, 6}));
}

TEST_F(DemoData, TheBadPathReachesTheBadEndingWhichEndsTheGame) {
  Walker w(charcter_, player_, playlist_, textlib_);
  Prologue(w);
  Day(w, kNap);
  Day(w, kNap);
  w.Advance();
  Day(w, kNap);
  Day(w, kNap);
  EXPECT_GE(w.Num("count"), 2) << "the same choice again and again";
  w.Choose(kNap);
  EXPECT_NE(w.shown().find("また同じこと"), std::string::npos);
  w.Advance();
  EXPECT_EQ(w.Num("場面"), 60) << "the bad ending";
  EXPECT_LT(w.Num("知力"), 60);
  w.Advance();
  EXPECT_TRUE(w.results_shown());
  EXPECT_NE(w.shown().find("バッドエンド"), std::string::npos);
  EXPECT_FALSE(w.ended());
  w.Advance();
  EXPECT_TRUE(w.ended()) << "GSPrequest 2";
  EXPECT_EQ(w.requests(), (std::vector<int>{7, 4, 5, 3, 2}));
}

}  // namespace
}  // namespace vadu
