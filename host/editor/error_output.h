#pragma once
// Lines on standard error. A message that cannot be written (standard error closed, full, or a
// pipe nobody reads any more) is dropped: failing to tell about something must never stop the
// work itself.

#include <string_view>

namespace kx::editor {

void printErrorLine(std::string_view line) noexcept;

}  // namespace kx::editor
