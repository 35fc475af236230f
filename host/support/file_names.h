#pragma once
// File names as modules and users write them. A module written for the full CAD host joins
// DWGPREFIX and a name with "\" as often as with "/", and a user may type either: both separate
// folders here, and doubled separators count once, so the name finds the file a user means.

#include <filesystem>
#include <string_view>

namespace kx::support {

std::filesystem::path pathFromName(std::wstring_view name);

}  // namespace kx::support
