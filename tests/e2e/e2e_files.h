// File and text helpers of the end-to-end tests, which run the vadu command
// and read what it wrote.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vadu::e2e {

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// UTF-8 text of a u8 literal (plain literals are compiled to CP932).
inline std::string Utf8(const char8_t* s) {
  return reinterpret_cast<const char*>(s);
}

}  // namespace vadu::e2e
