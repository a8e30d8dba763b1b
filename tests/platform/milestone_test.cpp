// Start-up milestones: one line per name, only with VADU_TIMING=1, in the
// form scripts/measure_host.sh reads.
#include "platform/milestone.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/process_start.h"

namespace vadu {
namespace {

class MilestoneTest : public ::testing::Test {
 protected:
  void SetUp() override { Timing(nullptr); }
  void TearDown() override { Timing(nullptr); }

  // Sets VADU_TIMING (nullptr: unset) and forgets what was noted.
  static void Timing(const char* value) {
    if (value == nullptr) {
      unsetenv("VADU_TIMING");
    } else {
      setenv("VADU_TIMING", value, 1);
    }
    ForgetMilestones();
  }

  // What the calls in `body` wrote to standard error.
  template <typename F>
  static std::string Captured(F body) {
    ::testing::internal::CaptureStderr();
    body();
    return ::testing::internal::GetCapturedStderr();
  }

  // The milliseconds of the line for `name` in `text`; -1 when the text is
  // not made only of lines "vadu-timing: NAME MS" (MS with one decimal) or
  // has no line for `name`.
  static double MsOf(const std::string& text, const std::string& name) {
    static const std::string kPrefix = "vadu-timing: ";
    double ms = -1;
    size_t pos = 0;
    while (pos < text.size()) {
      const size_t end = text.find('\n', pos);
      if (end == std::string::npos) return -1;
      const std::string line = text.substr(pos, end - pos);
      pos = end + 1;
      const size_t blank = line.rfind(' ');
      if (line.compare(0, kPrefix.size(), kPrefix) != 0 || blank <= kPrefix.size()) return -1;
      const std::string noted = line.substr(kPrefix.size(), blank - kPrefix.size());
      const std::string number = line.substr(blank + 1);
      const size_t dot = number.find('.');
      if (noted.find(' ') != std::string::npos || dot == std::string::npos || dot == 0 || dot + 2 != number.size() ||
          number.find_first_not_of("0123456789.") != std::string::npos) {
        return -1;
      }
      if (noted == name) ms = std::stod(number);
    }
    return ms;
  }
};

TEST_F(MilestoneTest, SilentUnlessTimingIsOne) {
  for (const char* value : {static_cast<const char*>(nullptr), "", "0", "yes", "1 "}) {
    Timing(value);
    EXPECT_EQ(Captured([] { NoteMilestone("first-frame"); }), "") << (value ? value : "(unset)");
  }
}

TEST_F(MilestoneTest, FirstCallOfEachNameWritesOneLine) {
  Timing("1");
  const std::string out = Captured([] {
    NoteMilestone("first-frame");
    NoteMilestone("first-frame");
    NoteMilestone("first-page");
    NoteMilestone("first-frame");
    NoteMilestone(nullptr);
  });
  const double frame = MsOf(out, "first-frame");
  const double page = MsOf(out, "first-page");
  ASSERT_GT(frame, 0) << out;
  ASSERT_GE(page, frame) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << out;
  // The time counts from the process start: at least as long as the
  // process has lived by the kernel's own count, read afterwards.
  EXPECT_LE(frame, MsSinceProcessStart(ProcessStartBootNs()));
  // Already noted: a name is noted once per process, until forgotten.
  EXPECT_EQ(Captured([] { NoteMilestone("first-page"); }), "");
  ForgetMilestones();
  EXPECT_GT(MsOf(Captured([] { NoteMilestone("first-page"); }), "first-page"), 0);
}

TEST_F(MilestoneTest, TimingReadOnceUntilForgotten) {
  Timing("1");
  Captured([] { NoteMilestone("a"); });
  // The environment is read at the first call only.
  unsetenv("VADU_TIMING");
  EXPECT_NE(Captured([] { NoteMilestone("b"); }), "");
  ForgetMilestones();
  EXPECT_EQ(Captured([] { NoteMilestone("c"); }), "");
}

TEST_F(MilestoneTest, NameKeepsTheLineOneLine) {
  Timing("1");
  const std::string long_name(200, 'x');
  const std::string out = Captured([&] {
    NoteMilestone("two words\nand a line");
    NoteMilestone(long_name.c_str());
  });
  EXPECT_GT(MsOf(out, "two_words_and_a_line"), 0) << out;
  EXPECT_GT(MsOf(out, std::string(64, 'x')), 0) << out;
}

TEST_F(MilestoneTest, ThreadsNoteEachNameOnceInWholeLines) {
  Timing("1");
  const std::string out = Captured([] {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
      threads.emplace_back([t] {
        for (int i = 0; i < 200; ++i) {
          NoteMilestone("shared");
          NoteMilestone(t % 2 == 0 ? "even" : "odd");
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
  });
  EXPECT_GT(MsOf(out, "shared"), 0) << out;
  EXPECT_GT(MsOf(out, "even"), 0) << out;
  EXPECT_GT(MsOf(out, "odd"), 0) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 3) << out;
}

TEST_F(MilestoneTest, OnNextFrameWaitsForTheHostsFrame) {
  Timing("1");
  const std::string before = Captured([] { NoteMilestoneOnNextFrame("page"); });
  EXPECT_EQ(before, "");
  const std::string at_frame = Captured([] {
    NoteFrameMilestones();
    NoteFrameMilestones();  // nothing is waiting any more
  });
  EXPECT_GE(MsOf(at_frame, "page"), 0.0);
  EXPECT_EQ(std::count(at_frame.begin(), at_frame.end(), '\n'), 1);
  Timing(nullptr);
  EXPECT_EQ(Captured([] {
              NoteMilestoneOnNextFrame("quiet");
              NoteFrameMilestones();
            }),
            "");
}

TEST(ProcessStartTest, StartLiesBeforeNow) {
  const int64_t start = ProcessStartBootNs();
  ASSERT_GT(start, 0);
  EXPECT_LT(start, BootNowNs());
  EXPECT_EQ(MsSinceProcessStart(-1), -1);
}

}  // namespace
}  // namespace vadu
