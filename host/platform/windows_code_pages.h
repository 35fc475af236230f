#pragma once
// Windows code page numbers (1252, 936, 65001 for UTF-8, ...) as the drawing codecs know them.

#include <optional>

#include "dxf/encoding.h"

namespace kx::platform {

// The code page a Windows code page number names; nothing for one the host has no table for.
std::optional<dxf::CodePage> codePageFromNumber(unsigned number);

}  // namespace kx::platform
