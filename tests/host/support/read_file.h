#pragma once
// The whole contents of a file, for tests that compare what was written.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace kx::test {

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kx::test
