#pragma once
// Windows code page numbers (1252, 936, 65001 for UTF-8, ...) as the drawing codecs know them.

#include <optional>

#include "dxf/encoding.h"

namespace kx::platform {

// The code page a Windows code page number names; nothing for one the host has no table for.
std::optional<dxf::CodePage> codePageFromNumber(unsigned number);

// One codec per code page, built on first use and kept for the life of the process: building one
// fills its lookup tables, far too slow to repeat per character or per file. Codecs are never
// replaced, so a reference handed out stays valid.
const dxf::TextCodec& codecFor(dxf::CodePage page);

}  // namespace kx::platform
