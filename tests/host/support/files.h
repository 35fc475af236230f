#pragma once
// Files for tests: a folder of the test's own, the whole contents of a file, and how often a
// piece of text occurs in what was written.

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace kx::test {

// A new, empty folder under the system's temporary folder, removed with what it holds when the
// test ends. Its name is unique per process and per folder, so tests running side by side (CI
// runs them in parallel, and several trees share the machine) never meet.
class TempFolder {
 public:
  explicit TempFolder(std::string_view purpose = "test") {
    static std::atomic<int> serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("kx-" + std::string(purpose) + "-" + std::to_string(::getpid()) + "-" +
             std::to_string(serial++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

  // Writes `bytes` to the file `name` in the folder; its path.
  std::filesystem::path write(const std::filesystem::path& name, std::string_view bytes) const {
    std::ofstream(path_ / name, std::ios::binary) << bytes;
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How many times `what` occurs in `text`, overlapping ones included.
template <class Text>
int occurrences(const Text& text, const std::type_identity_t<Text>& what) {
  int n = 0;
  for (auto at = text.find(what); at != Text::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace kx::test
