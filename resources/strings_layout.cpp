// Texts of the layout commands: TJUST, TORIENT, TXTALIGN and TEXTFIT.

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TJUST. Every one of the thirteen choices is a keyword the command knows; the two-letter
    // ones have no shorter form.
    {2291, L"\n%d text(s) on locked layers left out."},
    {2346,
     L"Start Center Middle Right TL TC TR ML MC MR BL BC BR"
     L" _ Start Center Middle Right TL TC TR ML MC MR BL BC BR"},
    {2347,
     L"\nEnter a justification option"
     L" [Start/Center/Middle/Right/TL/TC/TR/ML/MC/MR/BL/BC/BR] <Start>: "},
    // TJUST and TORIENT, with the number of texts worked on.
    {2348, L"\n%d text(s) changed."},

    // TORIENT: Enter turns the texts that read upside down.
    {2349, L"\nSpecify new rotation angle <Most readable>: "},

    // TXTALIGN.
    {2581, L"\nSelect single-line texts to align: "},
    {2582, L"\nSpecify alignment [Left/Middle/Right] <Left>: "},
    {2583, L"Left Middle Right _ Left Middle Right"},
    {2584, L"\nPick a point on the line to align the texts to: "},

    // TEXTFIT.
    {2628, L"\nSelect the single-line text to fit: "},
    {2627, L"\nThe object picked is not a single-line text."},
    {2334, L"\nSpecify end point of the text: "},
};

}  // namespace

std::span<const KxStringResource> layoutStrings() {
  return kStrings;
}

}  // namespace kx::resources
