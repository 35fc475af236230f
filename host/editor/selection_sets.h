#pragma once
// Selection sets handed to modules by name.

namespace kx::editor {

class SelectionSets {
 public:
  SelectionSets();
  ~SelectionSets();
};

}  // namespace kx::editor

#include <vector>

#include "db/database.h"
#include "kx/kxtypes.h"

namespace kx::editor {
// The members of the set named `set`, in set order; empty for a name that names no set.
std::vector<db::ObjectId> selectionMembers(const kds_name set);
}  // namespace kx::editor
