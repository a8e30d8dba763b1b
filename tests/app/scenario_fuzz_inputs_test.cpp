// Every input that once made the scenario harness (fuzz/fuzz_scenario.cpp)
// crash, hang or fail a check, replayed through the same runner: each must
// now pass all of the runner's checks. The inputs are kept in
// tests/fuzz_inputs/scenario/, one file each, named after the fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/pixie_app.h"
#include "scenario_input.h"
#include "support/game_dir.h"

namespace vadu {
namespace {

class ScenarioFuzzInputsTest : public test::GameDirTest {};

std::vector<std::filesystem::path> Inputs() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = std::filesystem::path(VADU_SOURCE_DIR) / "tests" / "fuzz_inputs" / "scenario";
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(ScenarioFuzzInputsTest, EveryKeptInputPassesTheHarnessChecks) {
  const std::vector<std::filesystem::path> files = Inputs();
  ASSERT_FALSE(files.empty());
  ASSERT_TRUE(fuzz::PrepareScenario());
  for (const std::filesystem::path& file : files) {
    const std::string bytes = test::ReadFile(file.string());
    const char* failed = fuzz::RunScenarioInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(failed, nullptr) << file.filename() << ": " << failed;
  }
}

// The runner's own checks catch what they are there for: an input that
// ends in a pending text leaves it inside the scenario buffer, and a run
// cannot change the directory unnoticed.
TEST_F(ScenarioFuzzInputsTest, TheRunnerSeesAPendingTextAndAChangedDirectory) {
  ASSERT_TRUE(fuzz::PrepareScenario());
  const std::string input = std::string("@@") + "one<input>two";
  EXPECT_EQ(fuzz::RunScenarioInput(reinterpret_cast<const uint8_t*>(input.data()), input.size()), nullptr);
  ASSERT_NE(App().pendingText, nullptr);
  EXPECT_STREQ(App().pendingText, "two");
  test::WriteFile("stray.txt", "x");
  EXPECT_STREQ(fuzz::RunScenarioInput(reinterpret_cast<const uint8_t*>(input.data()), input.size()),
               "the scenario changed the game directory");
}

}  // namespace
}  // namespace vadu
