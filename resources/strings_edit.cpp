// Texts of the editing commands: TCASE (its dialog is in dialogs.cpp), TCOUNT, CHGTHEI, MATHEI,
// CURSTYLE, TXTULINE and DELULINE.

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCOUNT. The order keywords are what the command compares; the display names fill the
    // default of the order prompt with the order used last.
    {2358, L"X Y Select-order _ X Y Select-order"},
    {2359, L"\nSort selected objects [X/Y/Select-order] <%s>: "},
    {3567, L"X"},
    {3568, L"Y"},
    {3569, L"Select-order"},
    {2360, L"\nSpecify starting number and increment (Start,increment) <1,1>: "},
    // Printed once and then asked again with the same text.
    {2364, L"\nInvalid input. Specify starting number and increment (Start,increment) <1,1>: "},
    // The command tells the placements apart by their first letters: O, P, S and F.
    {2365, L"Overwrite Prefix Suffix Find-replace _ Overwrite Prefix Suffix Find-replace"},
    {2362, L"\nPlace numbers in text [Overwrite/Prefix/Suffix/Find-replace] <Prefix>: "},
    {2361, L"\nEnter the text to replace with the numbers: "},
    {2367, L"\nReplaced the text in %d object(s)."},

    // CHGTHEI and CURSTYLE: 2566 is both the selection prompt and the prompt for one pick.
    {2566, L"\nSelect text: "},
    {2567, L"\nSpecify new text height: "},
    // MATHEI.
    {2577, L"\nSelect the text whose height to match: "},
    {2578, L"\nSelect texts to change to that height: "},
    // MATHEI and CURSTYLE; the caller passes a 0 that the message does not show.
    {2617, L"\nThe object picked is not a single-line or multi-line text."},
    // CURSTYLE, with the style name.
    {2568, L"\nCurrent text style set to \"%s\"."},

    // TXTULINE and DELULINE.
    {2569, L"\nSelect single-line texts: "},
};

}  // namespace

std::span<const KxStringResource> editStrings() {
  return kStrings;
}

}  // namespace kx::resources
