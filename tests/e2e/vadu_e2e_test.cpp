// End-to-end runs of the vadu command: headless, on small game directories
// made in temporary directories, checked by exit code, log, standard error
// and screenshot pixels.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_files.h"
#include "platform/framebuffer.h"
#include "platform/png.h"

namespace {

using vadu::e2e::Lines;
using vadu::e2e::ReadAll;
using vadu::e2e::Utf8;
using vadu::e2e::WriteAll;

constexpr char kIni[] =
    "TRACE ON\n"
    "MEMORY_TYPE INTEL\n"
    "CYCLE_WAIT 1\n"
    "FASTSYNC_WAIT 1\n"
    "USE_COLOR 3\n"
    "SCREEN_SIZEX 320\n"
    "SCREEN_SIZEY 240\n"
    "DEFAULT_FONT 2\n"
    "FONT1_SIZEX 24\n"
    "FONT1_SIZEY 24\n"
    "FONT2_SIZEX 20\n"
    "FONT2_SIZEY 20\n"
    "FONT3_SIZEX 16\n"
    "FONT3_SIZEY 16\n"
    "FONT_SIZEX 16\n"
    "FONT_SIZEY 16\n"
    "BACKSCREEN_COLOR 16\n"
    "START_PROGRAM StillPixie\n";

class VaduRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vadu_e2e_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    game_ = root_ + "/game";
    ASSERT_EQ(mkdir(game_.c_str(), 0755), 0);
  }
  void TearDown() override {
    std::string cmd = "rm -rf '" + root_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
  }

  void Ini(const std::string& text) { WriteAll(game_ + "/VADU.ini", text); }
  void Script(const std::string& text) { WriteAll(root_ + "/input.script", text); }

  // Runs vadu with the arguments (a shell word list) in the game directory's
  // parent; returns its exit code.
  int Run(const std::string& args, const std::string& env = "") {
    std::string cmd = "cd '" + root_ + "' && " + env + " '" VADU_EXE "' " + args + " >out.txt 2>err.txt";
    int status = std::system(cmd.c_str());
    out_ = ReadAll(root_ + "/out.txt");
    err_ = ReadAll(root_ + "/err.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int RunScript(const std::string& script, const std::string& extra = "") {
    Script(script);
    return Run("--headless --virtual-clock --input input.script " + extra + " game");
  }

  std::string Log() { return ReadAll(game_ + "/SenELOG.dat"); }
  bool Logged(const std::string& line) {
    for (const std::string& l : Lines(Log())) {
      if (l == line) return true;
    }
    return false;
  }

  std::string root_, game_, out_, err_;
};

TEST_F(VaduRun, StartAndCloseShutsDownInOrder) {
  Ini(kIni);
  ASSERT_EQ(RunScript("# start, look, close\nwait 300\nshot start.png\nclose\nwait 1000\n"), 0) << err_;
  // The shutdown lines come in this order, after the start.
  std::vector<std::string> lines = Lines(Log());
  const std::vector<std::string> expected = {
      "**** START! THREAD PROGRAM!! ****",           "System start",     "TARN CLOSED", "TARN Direct close request!",
      "ShutDownEventを受け取りました　終了します。", "system end ready", " exit thread"};
  size_t at = 0;
  for (const std::string& l : lines) {
    if (at < expected.size() && l == expected[at]) ++at;
  }
  EXPECT_EQ(at, expected.size()) << "missing in order: " << expected[at < expected.size() ? at : 0];

  // The start banner was drawn and logged; the window manager then painted
  // the root in BACKSCREEN_COLOR 16 (30, 30, 120) over the whole screen.
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("       Screen size 320/240 dot", 0) == 0; }));
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(vadu::ReadPng((game_ + "/start.png").c_str(), &px, &w, &h));
  ASSERT_EQ(w, 320);
  ASSERT_EQ(h, 240);
  const uint32_t root = vadu::MakeColour(30, 30, 120);
  EXPECT_EQ(std::count(px.begin(), px.end(), root), static_cast<long>(px.size()));
}

TEST_F(VaduRun, EndOfScriptClosesAndScreenshotDirIsUsed) {
  Ini(kIni);
  ASSERT_EQ(mkdir((root_ + "/shots").c_str(), 0755), 0);
  ASSERT_EQ(RunScript("wait 100\nkey a\nkey Return\ntext abc\nwait 200\nshot s.png\n", "--screenshot-dir shots"), 0)
      << err_;
  EXPECT_TRUE(Logged("TARN Direct close request!"));
  EXPECT_TRUE(Logged(" exit thread"));
  EXPECT_FALSE(ReadAll(root_ + "/shots/s.png").empty());
}

TEST_F(VaduRun, KeysReachTheEngine) {
  Ini(std::string(kIni) + "TASK ON\n");
  ASSERT_EQ(RunScript("wait 100\nkey a\nwait 100\n"), 0) << err_;
  // KeyTask's key event (0x200 from task 22) is handed to the tasks.
  EXPECT_NE(Log().find("...recive event type 200 send 22"), std::string::npos);
}

TEST_F(VaduRun, SameScriptSameClockGivesTheSameRun) {
  Ini(kIni);
  const std::string script = "wait 700\nkey x\nclick 10 10\nwait 250\nshot a.png\n";
  const std::string env = "VADU_CLOCK_START='2024-02-28 23:59:58'";
  Script(script);
  ASSERT_EQ(Run("--headless --virtual-clock --input input.script game", env), 0) << err_;
  std::string log1 = Log();
  std::string png1 = ReadAll(game_ + "/a.png");
  // A fresh game directory, the same run again.
  ASSERT_EQ(std::system(("rm -rf '" + game_ + "' && mkdir '" + game_ + "'").c_str()), 0);
  Ini(kIni);
  ASSERT_EQ(Run("--headless --virtual-clock --input input.script game", env), 0) << err_;
  EXPECT_EQ(Log(), log1);
  EXPECT_EQ(ReadAll(game_ + "/a.png"), png1);
  EXPECT_NE(log1.find("loging start 2024/2/28 23:59"), std::string::npos);
}

TEST_F(VaduRun, BadScriptLineIsExitTwoWithItsLineBeforeTheEngineStarts) {
  Ini(kIni);
  struct Case {
    const char* script;
    const char* message;
  } cases[] = {
      {"wait 10\n\n# fine so far\njump 3\n", "input.script:4: unknown command 'jump'"},
      {"wait ten\n", "input.script:1: bad number 'ten'"},
      {"wait 1\nkey NoSuchKey\n", "input.script:2: unknown key 'NoSuchKey'"},
      {"click 10\n", "input.script:1: click has the wrong number of arguments"},
      {"hold Meta\n", "input.script:1: unknown modifier 'Meta'"},
      {"shot picture.bmp\n", "input.script:1: shot needs a file name ending in .png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RunScript(c.script), 2) << c.script;
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_EQ(ReadAll(game_ + "/SenELOG.dat"), "") << "the engine must not have started";
  }
}

TEST_F(VaduRun, MissingFilesAndBadArgumentsHaveDefinedExits) {
  // No VADU.ini: not a game directory.
  EXPECT_EQ(Run("--headless game"), 1);
  EXPECT_NE(err_.find("no VADU.ini"), std::string::npos) << err_;
  Ini(kIni);
  EXPECT_EQ(Run("--headless --virtual-clock --input missing.script game"), 2);
  EXPECT_NE(err_.find("missing.script"), std::string::npos) << err_;
  EXPECT_EQ(Run("--headless no-such-dir"), 2);
  EXPECT_EQ(Run("--bogus game"), 2);
  EXPECT_EQ(Run("--headless --timeout soon game"), 2);
  EXPECT_EQ(Run("--virtual-clock game"), 2);
  EXPECT_EQ(Run("--headless --virtual-clock game", "VADU_CLOCK_START=yesterday"), 2);
  for (const char* help : {"--help", "-h"}) {
    EXPECT_EQ(Run(help), 0) << help;
    EXPECT_NE(out_.find("Usage: vadu"), std::string::npos) << help;
  }
  EXPECT_EQ(Run("--version"), 0);
  EXPECT_NE(out_.find("0.3"), std::string::npos);
}

TEST_F(VaduRun, TimeoutIsExitThree) {
  Ini(kIni);
  // The script wants more engine time than the timeout allows.
  EXPECT_EQ(RunScript("wait 5000\nclose\n", "--timeout 2"), 3);
  EXPECT_NE(err_.find("timeout"), std::string::npos) << err_;
  // Without a script the engine runs until the timeout.
  EXPECT_EQ(Run("--headless --virtual-clock --timeout 1.5 game"), 3);
  // A run that ends in time is not a timeout.
  EXPECT_EQ(RunScript("wait 100\nclose\nwait 500\n", "--timeout 10"), 0) << err_;
}

TEST_F(VaduRun, MissingCycleWaitShowsItsMessageAndFails) {
  std::string ini = kIni;
  ini.erase(ini.find("CYCLE_WAIT 1\n"), 13);
  Ini(ini);
  EXPECT_EQ(RunScript("wait 100\n"), 1);
  EXPECT_NE(err_.find(Utf8(u8"TARN: SYSTEMWAITが記述されてません VADU.ini nis ot0.3")), std::string::npos) << err_;
}

TEST_F(VaduRun, OversizedScreenIsCappedAlike) {
  // The host, the start banner and start-up all use the capped width.
  std::string ini = kIni;
  ini.replace(ini.find("SCREEN_SIZEX 320"), 16, "SCREEN_SIZEX 70000");
  Ini(ini);
  ASSERT_EQ(RunScript("wait 100\nshot big.png\n"), 0) << err_;
  EXPECT_TRUE(Logged("\tscreen size 4096/ 240 dot.")) << Log();
  EXPECT_NE(Log().find("       Screen size 4096/240 dot "), std::string::npos) << Log();
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(vadu::ReadPng((game_ + "/big.png").c_str(), &px, &w, &h));
  EXPECT_EQ(w, 4096);
  EXPECT_EQ(h, 240);
}

TEST_F(VaduRun, SettingsAndMessagesAreFoundWhateverTheirCase) {
  // A game copied from a desktop that ignores case: the settings file and the
  // message file are spelt otherwise than the engine asks for them.
  WriteAll(game_ + "/vadu.INI", std::string(kIni) + "START_PROGRAM TASKall\n");
  std::string msg;
  for (int i = 1; i <= 100; ++i) msg += "message " + std::to_string(i) + "\n";
  WriteAll(game_ + "/system.MSG", msg);
  ASSERT_EQ(RunScript("wait 100\n"), 0) << err_;
  EXPECT_TRUE(Logged("\tscreen size 320/ 240 dot.")) << Log();
  EXPECT_TRUE(Logged("message 100")) << Log();  // the TASKall line is no flag line
  EXPECT_NE(access((game_ + "/VADU.ini").c_str(), F_OK), 0) << "no second settings file";
}

TEST_F(VaduRun, TranscriptFileIsCreated) {
  Ini(kIni);
  ASSERT_EQ(RunScript("wait 10\n", "--transcript t.txt"), 0) << err_;
  EXPECT_EQ(access((root_ + "/t.txt").c_str(), F_OK), 0);
}

TEST_F(VaduRun, RealClockHeadlessRunsAndCloses) {
  Ini(kIni);
  Script("wait 100\nkey a\nclose\n");
  EXPECT_EQ(Run("--headless --input input.script --timeout 30 game"), 0) << err_;
  EXPECT_TRUE(Logged(" exit thread"));
}

// The environment of a run that must find no display: no X or Wayland
// display, no Wayland runtime directory, no driver named by the user.
constexpr char kNoDisplay[] =
    "env -u DISPLAY -u WAYLAND_DISPLAY -u WAYLAND_SOCKET -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER";

TEST_F(VaduRun, WindowWithoutDisplayIsExitOneWithAHint) {
  Ini(kIni);
  // A display number whose socket does not exist: nothing answers there.
  int dead = 7734;
  while (access(("/tmp/.X11-unix/X" + std::to_string(dead)).c_str(), F_OK) == 0) ++dead;
  struct Case {
    std::string env;
    const char* message;
  } cases[] = {
      {kNoDisplay, "vadu: cannot open a window: no display (DISPLAY is not set); use --headless"},
      {std::string(kNoDisplay) + " DISPLAY=:" + std::to_string(dead), "vadu: cannot open a window: "},
  };
  for (const Case& c : cases) {
    // SDL's invisible fallback drivers would run the engine on without a
    // window: the timeout turns that fault into exit code 3, not a hang.
    EXPECT_EQ(Run("--timeout 10 game", c.env), 1) << c.env << "\n" << err_;
    EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
    EXPECT_NE(err_.find("use --headless"), std::string::npos) << err_;
    EXPECT_EQ(err_.find("XDG_RUNTIME_DIR"), std::string::npos) << err_;
    EXPECT_EQ(ReadAll(game_ + "/SenELOG.dat"), "") << "the engine must not have started";
  }
}

TEST_F(VaduRun, InvisibleVideoDriverRunsWhenNamed) {
  Ini(kIni);
  // An author may name SDL's dummy driver: the engine then runs without a
  // window until the timeout ends it.
  EXPECT_EQ(Run("--timeout 2 game", std::string(kNoDisplay) + " SDL_VIDEODRIVER=dummy"), 3) << err_;
  EXPECT_TRUE(Logged("System start"));
}

}  // namespace

namespace {

// A 640 x 480 screen: the system menu's pop-up window (138 x 293 with the
// 16-pixel system font) fits it. Its rows are 24 high (the default font's 20
// + 4); pressed at (320, 240), its content starts at y 94.
std::string MenuIni() {
  std::string ini = kIni;
  ini.replace(ini.find("SCREEN_SIZEX 320"), 16, "SCREEN_SIZEX 640");
  ini.replace(ini.find("SCREEN_SIZEY 240"), 16, "SCREEN_SIZEY 480");
  return ini;
}

// The script lines that open the system menu with the right button and let
// go over row `row`.
std::string ChooseSystemRow(int row) {
  return "wait 300\ndown 320 240 right\nwait 200\nmove 300 " + std::to_string(94 + row * 24 + 12) + "\nwait 200\nup\n";
}

}  // namespace

TEST_F(VaduRun, TheSystemMenusEndRowShutsDownInOrder) {
  Ini(MenuIni());
  ASSERT_EQ(RunScript(ChooseSystemRow(7) + "wait 1000\n", "--timeout 20"), 0) << err_;
  EXPECT_TRUE(Logged("ShutDownEventを受け取りました　終了します。"));
  // The engine ended itself: no close request was needed.
  EXPECT_FALSE(Logged("TARN Direct close request!"));
}

TEST_F(VaduRun, AModalDialogWaitsForThePlayerOrTheTimeout) {
  Ini(MenuIni());
  // SysInfo opens the information dialog; nothing answers it.
  EXPECT_EQ(RunScript(ChooseSystemRow(3) + "wait 5000\n", "--timeout 3"), 3) << err_;
  // Answered by a key once its first second is over, the run ends in order.
  EXPECT_EQ(RunScript(ChooseSystemRow(3) + "wait 1500\nkey Return\nwait 300\n", "--timeout 20"), 0) << err_;
  EXPECT_TRUE(Logged("TARN Direct close request!"));
}
