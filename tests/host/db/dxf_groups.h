#pragma once
// Groups for test drawings written one after another as "code value", separated by " | " or by
// line ends: "0 LINE | 8 0 | 100 AcDbLine".

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>

#include "db/database.h"

namespace kx::test {

// Calls f(code, value) for each group, both as written.
template <class F>
void forEachGroup(std::string_view groups, F&& f) {
  while (!groups.empty()) {
    const std::size_t end = std::min(groups.find(" | "), groups.find('\n'));
    const std::string_view group = groups.substr(0, end);
    const std::size_t space = group.find(' ');
    f(group.substr(0, space), space == std::string_view::npos ? "" : group.substr(space + 1));
    if (end == std::string_view::npos) break;
    groups.remove_prefix(end + (groups[end] == '\n' ? 1 : 3));
  }
}

// The groups as DXF text, each code right-aligned in three columns.
inline std::string dxfText(std::string_view groups) {
  std::string out;
  forEachGroup(groups, [&](std::string_view code, std::string_view value) {
    out += fmt::format("{:>3}\n{}\n", code, value);
  });
  return out;
}

// The groups as the body of a new record.
inline std::vector<db::NewTag> newTags(std::string_view groups) {
  std::vector<db::NewTag> tags;
  forEachGroup(groups, [&](std::string_view code, std::string_view value) {
    tags.push_back({std::stoi(std::string(code)), std::string(value)});
  });
  return tags;
}

}  // namespace kx::test
