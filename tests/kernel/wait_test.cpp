// The modal busy wait, on a clock that advances only by the wait's own
// sleeps and changes the input state at given moments.
#include "kernel/wait.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/input_host.h"

namespace vadu {
namespace {

// Time passes only by sleeps; at each scheduled moment an action runs (a
// button goes down, a key arrives), as the host thread would do it.
class ScriptedClock : public Clock {
 public:
  uint64_t NowMs() override { return now_; }
  void SleepMs(uint32_t ms) override {
    now_ += ms;
    ++sleeps;
    for (auto& [at, action] : actions_) {
      if (action && at <= now_) {
        action();
        action = nullptr;
      }
    }
  }
  LocalDateTime LocalTime() override { return {}; }
  void At(uint64_t ms, std::function<void()> action) { actions_.emplace_back(ms, std::move(action)); }
  uint64_t now() const { return now_; }
  int sleeps = 0;

 private:
  uint64_t now_ = 5000;
  std::vector<std::pair<uint64_t, std::function<void()>>> actions_;
};

class WaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetInput();
    SetPlatformClock(&clock_);
  }
  void TearDown() override {
    SetPlatformClock(nullptr);
    ResetInput();
  }
  // Milliseconds the wait took.
  uint64_t Elapsed() const { return clock_.now() - 5000; }
  ScriptedClock clock_;
};

TEST_F(WaitTest, ModeZeroWaitsItsTimeWhateverHappens) {
  EXPECT_EQ(WaitTicks(0, 0), 0);
  EXPECT_EQ(WaitTicks(-5, 1), 0);
  EXPECT_EQ(clock_.sleeps, 0) << "no ticks, no wait";

  clock_.At(5100, [] { HostPutKey('a'); });
  clock_.At(5200, [] { HostSetButton(1); });
  EXPECT_EQ(WaitTicks(50, 0), 0);
  EXPECT_EQ(Elapsed(), 500u) << "paced by the 10 ms button reads";
  EXPECT_EQ(clock_.sleeps, 50);
  EXPECT_EQ(TakeKey(), 'a') << "the key stays for whoever reads keys next";
}

TEST_F(WaitTest, AKeyEndsAWaitThatCanBeCut) {
  clock_.At(5300, [] { HostPutChar(0x82, 0xA0); });
  EXPECT_EQ(WaitTicks(100, kWaitButtonLeft), kWaitKey);
  EXPECT_EQ(Elapsed(), 300u);
  EXPECT_EQ(TakeKey(), 0) << "both bytes of the character were taken";

  // Even a mode that ignores buttons ends on a key.
  clock_.At(5400, [] { HostPutKey(KEY_RETURN); });
  EXPECT_EQ(WaitTicks(100, kWaitRelease), kWaitKey);
}

TEST_F(WaitTest, AButtonChangeEndsTheWaitWithTheNewState) {
  for (uint16_t mode : {kWaitButtonLeft, kWaitButtonRight, kWaitButtonAny}) {
    SCOPED_TRACE(mode);
    HostSetButton(0);
    const uint64_t start = clock_.now();
    clock_.At(start + 200, [] { HostSetButton(2); });
    EXPECT_EQ(WaitTicks(100, mode), 2);
    EXPECT_EQ(clock_.now() - start, 200u);
  }
  // A button held from before: its release is the change.
  const uint64_t start = clock_.now();
  clock_.At(start + 100, [] { HostSetButton(0); });
  EXPECT_EQ(WaitTicks(100, kWaitButtonLeft), 0);
  EXPECT_EQ(clock_.now() - start, 100u);
}

TEST_F(WaitTest, ReleaseModeEndsOnlyOnTheRelease) {
  // The press does not end the wait; the release that follows does.
  clock_.At(5100, [] { HostSetButton(1); });
  clock_.At(5300, [] { HostSetButton(0); });
  EXPECT_EQ(WaitTicks(100, kWaitRelease), 0);
  EXPECT_EQ(Elapsed(), 300u);

  // A press that is never released: the wait runs its time.
  const uint64_t start = clock_.now();
  clock_.At(start + 100, [] { HostSetButton(1); });
  EXPECT_EQ(WaitTicks(40, kWaitRelease), 0);
  EXPECT_EQ(clock_.now() - start, 400u);
}

}  // namespace
}  // namespace vadu
