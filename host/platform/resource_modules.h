#pragma once
// Host side of the resource modules: what the SDK's resource calls and the dialog runtime look
// up. A HINSTANCE handed to a module points at one of these records.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kx/kxresfmt.h"
#include "kx/kxwindef.h"

namespace kx::platform {

// String `id` of `module`; nothing when the module is null or has no such string.
std::optional<std::wstring_view> findString(HINSTANCE module, std::uint32_t id);

// Dialog template `id` of `module`; null when there is none.
const KxDialogTemplate* findDialogTemplate(HINSTANCE module, std::uint32_t id);

// What HELP says of a command, from the resource module loaded that describes it.
struct CommandHelpText {
  std::wstring about;  // one line
  std::wstring usage;  // the replies it asks for, one prompt a line
};
std::optional<CommandHelpText> commandHelp(std::wstring_view globalName);

// AfxGetResourceHandle, for host code.
HINSTANCE currentResourceHandle();

}  // namespace kx::platform
