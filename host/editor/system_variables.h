#pragma once
// The host's system variables.

namespace kx::editor {

class SystemVariables {
 public:
  SystemVariables();
  ~SystemVariables();
};

}  // namespace kx::editor
