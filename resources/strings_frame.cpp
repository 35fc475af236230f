// Local command names and the texts several commands share.
//
// This module ships English, so a command's local name is its global name; a translated
// resource module would put the names users of that language type here.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // Local command names.
    {res::kNameGatte, L"GATTE"},
    {res::kNameTextfit, L"TEXTFIT"},
    {res::kNameTxt2mtxt, L"TXT2MTXT"},
    {res::kNameTjust, L"TJUST"},
    {res::kNameTorient, L"TORIENT"},
    {res::kNameTcircle, L"TCIRCLE"},
    {res::kNameTcount, L"TCOUNT"},
    {res::kNameTcase, L"TCASE"},
    {res::kNameChgthei, L"CHGTHEI"},
    {res::kNameCurstyle, L"CURSTYLE"},
    {res::kNameTxtuline, L"TXTULINE"},
    {res::kNameDeluline, L"DELULINE"},
    {res::kNameTextmask, L"TEXTMASK"},
    {res::kNameTextunmask, L"TEXTUNMASK"},
    {res::kNameMathei, L"MATHEI"},
    {res::kNameMtexp, L"MTEXP"},
    {res::kNameTxtalign, L"TXTALIGN"},
    {res::kNameBurst, L"BURST"},
    {res::kNameAttout, L"ATTOUT"},
    {res::kNameAttin, L"ATTIN"},
    {res::kNameGb2big5, L"GB2BIG5"},
    {res::kNameTxtexp, L"TXTEXP"},
    {res::kNameTexttofront, L"TEXTTOFRONT"},

    // Opening of a text command, before the host's object prompt.
    {res::kSelectTexts, L"\nSelect single-line texts, multi-line texts and attribute definitions."},
    {res::kNothingSelected, L"\nNo text selected."},
    // Texts left out because they do not lie in the plane of the current UCS: one, then many.
    {res::kOneNotInUcsPlane, L"\n%d text is not parallel to the current UCS and was left out."},
    {res::kManyNotInUcsPlane, L"\n%d texts are not parallel to the current UCS and were left out."},
    // Removal prompt of every selection that asks with a prompt pair.
    {res::kRemoveObjects, L"\nRemove objects: "},
};

}  // namespace

std::span<const KxStringResource> frameStrings() {
  return kStrings;
}

}  // namespace kx::resources
