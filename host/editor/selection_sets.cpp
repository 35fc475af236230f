#include "editor/selection_sets.h"

namespace kx::editor {
SelectionSets::SelectionSets() = default;
SelectionSets::~SelectionSets() = default;
}  // namespace kx::editor

namespace kx::editor {
std::vector<db::ObjectId> selectionMembers(const kds_name) {
  return {};
}
}  // namespace kx::editor
