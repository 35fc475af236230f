// Local command names and the texts several commands share.
//
// This module ships English, so a command's local name is its global name; a translated
// resource module would put the names users of that language type here.

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // Local command names.
    {5999, L"GATTE"},
    {6031, L"TEXTFIT"},
    {6032, L"TXT2MTXT"},
    {6033, L"TJUST"},
    {6034, L"TORIENT"},
    {6035, L"TCIRCLE"},
    {6036, L"TCOUNT"},
    {6037, L"TCASE"},
    {6038, L"CHGTHEI"},
    {6039, L"CURSTYLE"},
    {6040, L"TXTULINE"},
    {6041, L"DELULINE"},
    {6042, L"TEXTMASK"},
    {6043, L"TEXTUNMASK"},
    {6044, L"MATHEI"},
    {6045, L"MTEXP"},
    {6046, L"TXTALIGN"},
    {6047, L"BURST"},
    {6048, L"ATTOUT"},
    {6049, L"ATTIN"},
    {6107, L"GB2BIG5"},
    {6108, L"TXTEXP"},
    {6800, L"TEXTTOFRONT"},

    // Opening of a text command, before the host's object prompt.
    {2621, L"\nSelect single-line texts, multi-line texts and attribute definitions."},
    {2623, L"\nNo text selected."},
    // Texts left out because they do not lie in the plane of the current UCS: one, then many.
    {2647, L"\n%d text is not parallel to the current UCS and was left out."},
    {2648, L"\n%d texts are not parallel to the current UCS and were left out."},
    // Removal prompt of every selection that asks with a prompt pair.
    {3548, L"\nRemove objects: "},
};

}  // namespace

std::span<const KxStringResource> frameStrings() {
  return kStrings;
}

}  // namespace kx::resources
