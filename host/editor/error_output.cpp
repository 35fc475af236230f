#include "editor/error_output.h"

#include <cstdio>
#include <string>

namespace kx::editor {

void printErrorLine(std::string_view line) noexcept {
  try {
    std::string text(line);
    text.push_back('\n');
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
  } catch (...) {  // no memory for the line: it is dropped like one that cannot be written
  }
  std::clearerr(stderr);
}

}  // namespace kx::editor
