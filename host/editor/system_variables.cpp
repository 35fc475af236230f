#include "editor/system_variables.h"

namespace kx::editor {
SystemVariables::SystemVariables() = default;
SystemVariables::~SystemVariables() = default;
}  // namespace kx::editor
