// The system dialogs on a running engine, answered as a player would (keys
// and clicks at moments of engine time): Yes/No by Return and Escape, the
// error dialog's one-second pause, buttons by click, dialogs that cannot
// open, and the exact screen given back on closing.
#include "dialog/dialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/dialog_seam.h"
#include "core/state.h"
#include "core/transcript.h"
#include "kernel/event.h"
#include "kernel/graphic.h"
#include "platform/framebuffer.h"
#include "platform/input.h"
#include "platform/input_host.h"
#include "support/window_engine.h"
#include "window/object.h"
#include "window/object_record.h"
#include "window/window.h"

namespace vadu {
namespace {

class DialogTest : public test::WindowTest {
 protected:
  // The dialogs are 60 half-widths wide: a screen they fit.
  std::string Ini() const override {
    return "TRACE ON\nLOOP_EXIT ON\nCYCLE_WAIT 1\nFASTSYNC_WAIT 1\nMEMORY_TYPE INTEL\nUSE_COLOR 3\n"
           "BACKSCREEN_COLOR 0\nFONT_SIZEX 16\nFONT_SIZEY 16\nSCREEN_SIZEX 640\nSCREEN_SIZEY 480\n";
  }
  bool Logged(const std::string& line) const {
    const auto log = test::ReadLines("SenELOG.dat");
    return std::find(log.begin(), log.end(), line) != log.end();
  }
  // A click on button `number` of a dialog, `after` ms from now.
  void ClickButtonAt(SystemDialog which, int number, uint64_t after) {
    const Handle button = FindObject(DialogWindow(which), static_cast<int16_t>(number));
    ASSERT_NE(button, kNoHandle);
    const ScreenRect r = ContentRect(ObjectView(button)->window);
    clock_.At(after, [r] {
      HostSetPointer(r.x + r.width / 2, r.y + r.height / 2);
      HostSetButton(1);
    });
    clock_.At(after + 50, [] { HostSetButton(0); });
  }
};

TEST_F(DialogTest, TheDialogsAreMadeCentredWithTheirButtons) {
  for (const SystemDialog d :
       {SystemDialog::kError, SystemDialog::kMessage, SystemDialog::kInfo, SystemDialog::kYesNo}) {
    const Handle w = DialogWindow(d);
    ASSERT_NE(w, kNoHandle);
    EXPECT_EQ(WindowWidth(w), 60 * 8);
    const ScreenRect c = ContentRect(w);
    EXPECT_EQ(c.x, (640 - c.width) / 2);
    EXPECT_EQ(c.y, (480 - c.height) / 2);
    EXPECT_NE(WindowView(w)->save_graphic, kNoHandle);
    EXPECT_EQ(TestWindowMode(w, WINDOWopen), 0u);
  }
  EXPECT_EQ(WindowHeight(DialogWindow(SystemDialog::kError)), 14 * 16);
  EXPECT_EQ(WindowHeight(DialogWindow(SystemDialog::kInfo)), 10 * 16);
  EXPECT_EQ(CountObjectsOfKind(DialogWindow(SystemDialog::kYesNo), kObjectMessageButton), 2);
  EXPECT_EQ(CountObjectsOfKind(DialogWindow(SystemDialog::kMessage), kObjectMessageButton), 1);
}

TEST_F(DialogTest, YesNoAnswersToReturnEscapeAndItsButtons) {
  clock_.At(30, [] { HostPutKey(KEY_RETURN); });
  EXPECT_EQ(YesNoDialog("Go on?"), 1);
  clock_.At(30, [] { HostPutKey(KEY_ESCAPE); });
  EXPECT_EQ(YesNoDialog("Go on?"), 2);
  ClickButtonAt(SystemDialog::kYesNo, 2, 30);
  EXPECT_EQ(YesNoDialog("Go on?"), 2);
  EXPECT_EQ(TestWindowMode(DialogWindow(SystemDialog::kYesNo), WINDOWopen), 0u);
}

TEST_F(DialogTest, TheErrorDialogWaitsASecondThenAKeyTypedMeanwhileEndsIt) {
  const uint64_t start = clock_.NowMs();
  clock_.At(300, [] { HostPutKey('x'); });
  ErrorDialog(owner(), 5, "extra");
  const uint64_t took = clock_.NowMs() - start;
  EXPECT_GE(took, 1000u);
  EXPECT_LT(took, 1100u);
  EXPECT_TRUE(Logged("5/6  7: 8\\n WindowOwnerでエラーが発生！"));
  EXPECT_FALSE(HasFlag(RESTART_REQUEST));
  // The restart button: the system is asked to end in order.
  ClickButtonAt(SystemDialog::kError, 1, 1100);
  ErrorDialog(owner(), 5, nullptr);
  EXPECT_TRUE(HasFlag(RESTART_REQUEST));
  Settle();
  EXPECT_EQ(Kernel.manager_state, MANAGER_ENDING);
}

TEST_F(DialogTest, ClosingGivesBackTheExactScreen) {
  Window("Below", 100, 100, 300, 200, WINDOWcontrolbar | WINDOWtitle, MakeColour(0, 120, 0));
  const std::vector<uint32_t> before = Screen().Snapshot();
  ClickButtonAt(SystemDialog::kInfo, 1, 1100);
  EXPECT_EQ(InfoDialog("Line one\\nLine two"), 1);
  EXPECT_EQ(Screen().Snapshot(), before);
  // While it was open, the dialog covered the window below.
  EXPECT_TRUE(Logged("SaveWindowGraphic()"));
}

TEST_F(DialogTest, ADialogWithoutItsPictureCannotOpen) {
  for (const SystemDialog d : {SystemDialog::kMessage, SystemDialog::kInfo, SystemDialog::kYesNo}) {
    WindowRecord* w = WindowView(DialogWindow(d));
    const Handle picture = w->save_graphic;
    w->save_graphic = kNoHandle;
    FreeGraphic(owner(), picture);
  }
  EXPECT_EQ(MessageDialog(5, nullptr), 1);
  EXPECT_EQ(InfoDialog("text"), 1);
  EXPECT_TRUE(Logged("DLG OPEN ERROR!"));
  EXPECT_EQ(YesNoDialog("text"), 1);
}

TEST_F(DialogTest, AHostCloseRequestEndsAModalWait) {
  // The engine can always shut down: a close request answers the dialog.
  clock_.At(1200, [] { HostRequestClose(); });
  EXPECT_EQ(InfoDialog("waiting"), 0);
  EXPECT_TRUE(TakeCloseRequest());
}

// The transcript records what each dialog showed and how it was answered,
// one line each, with line ends and backslashes escaped so a record never
// spans lines.
TEST_F(DialogTest, TheTranscriptRecordsEachDialogAndItsAnswer) {
  const std::string path = "transcript.txt";
  ASSERT_TRUE(OpenTranscript(path.c_str()));
  clock_.At(30, [] { HostPutKey(KEY_ESCAPE); });
  YesNoDialog("終わる？");
  clock_.At(30, [] { HostPutKey(KEY_RETURN); });
  ShowMessageDialogText("一行目\n二行目\\");
  // An error report without a numbered message shows only its own text.
  clock_.At(1500, [] { HostPutKey(KEY_ESCAPE); });
  ShowErrorDialog(kNoHandle, 0, "バッドエンド！");
  CloseTranscript();
  clock_.At(30, [] { HostPutKey(KEY_RETURN); });
  YesNoDialog("not recorded");
  // The expected lines are UTF-8, whatever the engine's own strings are.
  auto utf8 = [](const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); };
  EXPECT_EQ(test::ReadLines(path),
            (std::vector<std::string>{utf8(u8"dialog: 終わる？"), "answer: 2", utf8(u8"dialog: 一行目\\n二行目\\\\"),
                                      "answer: 0", utf8(u8"dialog: バッドエンド！"), "answer: 0"}));
}

}  // namespace
}  // namespace vadu
