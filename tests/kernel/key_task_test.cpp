#include "kernel/key_task.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kernel/event.h"
#include "kernel/task.h"
#include "platform/bytes.h"
#include "platform/input_host.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class KeyTaskTest : public test::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ResetInput();
    ASSERT_TRUE(InitEventQueue());
    task_ = CreateTask("KeyTask", kTaskKey, 0);
    InitTaskEvents(task_);
    // The first event a task looks at is handed over whatever it is.
    KeyTask(task_);
  }
  void TearDown() override {
    ResetInput();
    EngineTest::TearDown();
  }
  // Runs a step and returns the key event it sent, or none.
  Handle Step() {
    const Handle tail = QueueTail();
    KeyTask(task_);
    return QueueTail() == tail ? kNoHandle : QueueTail();
  }
  static std::string KeyText(Handle event) {
    const uint8_t* b = EventBytes(event);
    return std::string(reinterpret_cast<const char*>(b + 28), 3);
  }
  Handle task_ = kNoHandle;
};

TEST_F(KeyTaskTest, KeysBecomeBroadcastKeyEvents) {
  struct Case {
    const char* what;
    void (*feed)();
    std::string text;
  };
  const Case cases[] = {
      {"one byte", [] { HostPutKey('a'); }, std::string("a\0\0", 3)},
      {"engine key", [] { HostPutKey(KEY_RETURN); }, std::string("\x0d\0\0", 3)},
      {"two bytes", [] { HostPutChar(0x82, 0xA0); }, std::string("\x82\xA0\0", 3)},
      {"half-width kana", [] { HostPutChar(0xB1, 0); }, std::string("\xB1\0\0", 3)},
      {"lone lead byte", [] { HostPutKey(0x82); }, std::string("\x82\0\0", 3)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.feed();
    const Handle e = Step();
    ASSERT_NE(e, kNoHandle);
    EXPECT_EQ(EventView(e)->code, kEventKey);
    EXPECT_EQ(EventView(e)->sender, kTaskKey);
    EXPECT_EQ(EventView(e)->destination, kEveryTask);
    EXPECT_EQ(KeyText(e), c.text);
    // Nothing is left over for the next step.
    KeyTask(task_);  // its own key event is handed to it (999)
    EXPECT_EQ(Step(), kNoHandle);
  }
}

TEST_F(KeyTaskTest, ModifierBitsAreReadWithTheKey) {
  HostSetForeground(true);
  HostSetModifiers(kModShift | kModControl);
  HostPutChar(0x88, 0x9F);
  const Handle e = Step();
  ASSERT_NE(e, kNoHandle);
  EXPECT_EQ(KeyText(e), std::string("\x88\x9F\0", 3));
  EXPECT_EQ(GetU32(EventBytes(e) + 32), kModShift | kModControl);
}

TEST_F(KeyTaskTest, AnEventOfItsOwnComesBeforeTheKey) {
  PostEvent(kTaskVaduManager, kEveryTask, kEventSystemReady);
  HostPutKey('x');
  EXPECT_EQ(Step(), kNoHandle);
  EXPECT_TRUE(Logged("KeyTask start!"));
  // The key waited for the next step.
  const Handle e = Step();
  ASSERT_NE(e, kNoHandle);
  EXPECT_EQ(KeyText(e)[0], 'x');
}

TEST_F(KeyTaskTest, MouseCaptureSlotBelongsToOneTaskAtATime) {
  const Handle other = CreateTask("Other", 0, 0);
  EXPECT_EQ(MouseCapture(), 0);
  EXPECT_EQ(CaptureMouse(task_), 1);
  EXPECT_EQ(CaptureMouse(other), 0);
  EXPECT_EQ(MouseCapture(), kTaskKey);
  EXPECT_EQ(ReleaseMouse(other), 0);
  EXPECT_EQ(MouseCapture(), kTaskKey);
  EXPECT_EQ(ReleaseMouse(task_), 1);
  EXPECT_EQ(MouseCapture(), 0);
  EXPECT_EQ(CaptureMouse(kNoHandle), 0);
  EXPECT_EQ(CaptureMouse(other), 1);
  EXPECT_EQ(MouseCapture(), TaskNumber(other));
}

}  // namespace
}  // namespace vadu
