// Texts of the layout commands: TJUST, TORIENT, TXTALIGN and TEXTFIT.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TJUST. Every one of the thirteen choices is a keyword the command knows; the two-letter
    // ones have no shorter form.
    {res::kLockedLeftOut, L"\n%d text(s) on locked layers left out."},
    {res::kTjustKeywords,
     L"Start Center Middle Right TL TC TR ML MC MR BL BC BR"
     L" _ Start Center Middle Right TL TC TR ML MC MR BL BC BR"},
    {res::kTjustPrompt,
     L"\nEnter a justification option"
     L" [Start/Center/Middle/Right/TL/TC/TR/ML/MC/MR/BL/BC/BR] <Start>: "},
    // TJUST and TORIENT, with the number of texts worked on.
    {res::kTextsChanged, L"\n%d text(s) changed."},

    // TORIENT: Enter turns the texts that read upside down.
    {res::kTorientAnglePrompt, L"\nSpecify new rotation angle <Most readable>: "},

    // TXTALIGN.
    {res::kTxtalignSelect, L"\nSelect single-line texts to align: "},
    {res::kTxtalignPrompt, L"\nSpecify alignment [Left/Middle/Right] <Left>: "},
    {res::kTxtalignKeywords, L"Left Middle Right _ Left Middle Right"},
    {res::kTxtalignPickPoint, L"\nPick a point on the line to align the texts to: "},

    // TEXTFIT.
    {res::kTextfitSelect, L"\nSelect the single-line text to fit: "},
    {res::kTextfitNotText, L"\nThe object picked is not a single-line text."},
    {res::kTextfitEndPoint, L"\nSpecify end point of the text: "},
};

}  // namespace

std::span<const KxStringResource> layoutStrings() {
  return kStrings;
}

}  // namespace kx::resources
