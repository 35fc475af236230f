#pragma once
// The pieces the resource table is assembled from: each family of commands keeps its strings in
// its own source file, and the dialog templates live in one more. Each language's resource
// module defines all of them (the English ones here, the Chinese ones in zh/).

#include <span>

#include "kx/kxresfmt.h"

namespace kx::resources {

// Texts the commands share: the opening and nothing-selected lines of a text selection, the
// report of texts left out for lying in another plane, the removal prompt, and the local
// command names.
std::span<const KxStringResource> frameStrings();
std::span<const KxStringResource> editStrings();       // TCASE, TCOUNT, heights, style, underline
std::span<const KxStringResource> layoutStrings();     // TJUST, TORIENT, TXTALIGN, TEXTFIT
std::span<const KxStringResource> convertStrings();    // TXT2MTXT, MTEXP, TXTEXP
std::span<const KxStringResource> decorateStrings();   // TCIRCLE, TEXTMASK, TEXTUNMASK, TEXTTOFRONT
std::span<const KxStringResource> attributeStrings();  // ATTOUT, ATTIN, GATTE, BURST

std::span<const KxStringResource> helpStrings();  // what HELP says of each command

std::span<const KxDialogTemplate> dialogTemplates();

}  // namespace kx::resources
