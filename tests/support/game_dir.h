// Test support: every test that touches files runs in a fresh temporary game
// directory (the engine reads and writes its working directory), with the
// engine's global state reset before and after.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vadu::test {

// Writes a file in the current directory (bytes as given).
void WriteFile(const std::string& name, const std::string& bytes);
// Reads a whole file ("" when missing).
std::string ReadFile(const std::string& name);
bool FileExists(const std::string& name);
// Lines of a file without their line ends.
std::vector<std::string> ReadLines(const std::string& name);

// A fresh temporary directory made current for the test's lifetime. The
// engine state (flags, kernel settings, pool, resources, clock, dialog and
// message box handlers) is reset on entry and exit.
class GameDirTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::string old_cwd_;
};

// As GameDirTest, with a pool and the system resources made as start-up
// makes them ("Group" with its group record, then "Window" ... "Item"), and
// TRACE on so log lines reach the log file "SenELOG.dat".
class EngineTest : public GameDirTest {
 protected:
  void SetUp() override;
  // Lines of the log file.
  std::vector<std::string> Log() const { return ReadLines("SenELOG.dat"); }
  // True when some log line equals `line` exactly.
  bool Logged(const std::string& line) const;
};

// Resets the whole engine state (what GameDirTest does on entry and exit).
void ResetEngine();

}  // namespace vadu::test
