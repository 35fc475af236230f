// Texts of the editing commands: TCASE (its dialog is in dialogs.cpp), TCOUNT, CHGTHEI, MATHEI,
// CURSTYLE, TXTULINE and DELULINE.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCOUNT. The order keywords are what the command compares; the display names fill the
    // default of the order prompt with the order used last.
    {res::kTcountOrderKeywords, L"X Y Select-order _ X Y Select-order"},
    {res::kTcountOrderPrompt, L"\nSort selected objects [X/Y/Select-order] <%s>: "},
    {res::kTcountOrderX, L"X"},
    {res::kTcountOrderY, L"Y"},
    {res::kTcountOrderSelected, L"Select-order"},
    {res::kTcountStartPrompt, L"\nSpecify starting number and increment (Start,increment) <1,1>: "},
    // Printed once and then asked again with the same text.
    {res::kTcountStartInvalid,
     L"\nInvalid input. Specify starting number and increment (Start,increment) <1,1>: "},
    // The command tells the placements apart by their first letters: O, P, S and F.
    {res::kTcountPlacementKeywords,
     L"Overwrite Prefix Suffix Find-replace _ Overwrite Prefix Suffix Find-replace"},
    {res::kTcountPlacementPrompt,
     L"\nPlace numbers in text [Overwrite/Prefix/Suffix/Find-replace] <Prefix>: "},
    {res::kTcountFindPrompt, L"\nEnter the text to replace with the numbers: "},
    {res::kTcountReplaced, L"\nReplaced the text in %d object(s)."},

    // CHGTHEI and CURSTYLE: 2566 is both the selection prompt and the prompt for one pick.
    {res::kSelectText, L"\nSelect text: "},
    {res::kChgtheiHeightPrompt, L"\nSpecify new text height: "},
    // MATHEI.
    {res::kMatheiSelectSource, L"\nSelect the text whose height to match: "},
    {res::kMatheiSelectTargets, L"\nSelect texts to change to that height: "},
    // MATHEI and CURSTYLE; the caller passes a 0 that the message does not show.
    {res::kNotATextPicked, L"\nThe object picked is not a single-line or multi-line text."},
    // CURSTYLE, with the style name.
    {res::kCurstyleSet, L"\nCurrent text style set to \"%s\"."},

    // TXTULINE and DELULINE.
    {res::kSelectSingleLineTexts, L"\nSelect single-line texts: "},
};

}  // namespace

std::span<const KxStringResource> editStrings() {
  return kStrings;
}

}  // namespace kx::resources
