#pragma once
// The pieces the resource table is assembled from: each family of commands keeps its strings in
// its own source file, and the dialog templates live in one more. Each language's resource
// module defines all of them (the English ones here, the Chinese ones in zh/).

#include <cstddef>
#include <cstdint>
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

// What every language's dialog templates are written with: the ids of labels nobody addresses and
// of the two buttons that end a dialog, and a template made from its array of controls.
namespace dialog_parts {
using Kind = KxControlKind;
inline constexpr std::uint32_t kLabel = 0xFFFF;
inline constexpr std::uint32_t kIdOk = 1;
inline constexpr std::uint32_t kIdCancel = 2;

template <std::size_t N>
constexpr KxDialogTemplate dialog(std::uint32_t id, const wchar_t* caption,
                                  const KxDialogControl (&controls)[N]) {
  return {id, caption, controls, static_cast<std::uint32_t>(N)};
}
}  // namespace dialog_parts

}  // namespace kx::resources
