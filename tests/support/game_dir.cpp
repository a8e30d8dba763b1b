#include "support/game_dir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/dialog_seam.h"
#include "core/pool.h"
#include "core/state.h"
#include "kernel/task.h"
#include "platform/clock.h"
#include "platform/host_seam.h"

namespace vadu::test {

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream f(name, std::ios::binary | std::ios::trunc);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

bool FileExists(const std::string& name) {
  return std::filesystem::exists(name);
}

std::vector<std::string> ReadLines(const std::string& name) {
  std::vector<std::string> lines;
  std::ifstream f(name, std::ios::binary);
  std::string line;
  while (std::getline(f, line)) lines.push_back(line);
  return lines;
}

void GameDirTest::SetUp() {
  ResetEngine();
  char tmpl[] = "/tmp/vadu-test-XXXXXX";
  char* made = ::mkdtemp(tmpl);
  ASSERT_NE(made, nullptr);
  dir_ = made;
  old_cwd_ = std::filesystem::current_path().string();
  std::filesystem::current_path(dir_);
}

void GameDirTest::TearDown() {
  ResetEngine();
  std::filesystem::current_path(old_cwd_);
  std::error_code ec;
  std::filesystem::remove_all(dir_, ec);
}

}  // namespace vadu::test

namespace vadu::test {

void EngineTest::SetUp() {
  GameDirTest::SetUp();
  ASSERT_TRUE(CreatePool());
  SetFlag(TRACE);
  ASSERT_TRUE(CreateSystemResources());
}

bool EngineTest::Logged(const std::string& line) const {
  for (const std::string& l : Log()) {
    if (l == line) return true;
  }
  return false;
}

}  // namespace vadu::test
