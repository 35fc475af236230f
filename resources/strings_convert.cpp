// Texts of the conversion commands: TXT2MTXT (its settings dialog is in dialogs.cpp), MTEXP,
// TXTEXP and GB2BIG5 (whose choices are made in its dialog).

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TXT2MTXT: both prompts of its selection offer the settings dialog.
    {res::kTxt2mtxtSelect, L"\nSelect single-line texts to combine or [SEttings]: "},
    {res::kTxt2mtxtRemove, L"\nRemove texts or [SEttings]: "},
    {res::kTxt2mtxtKeywords, L"SEttings _ SEttings"},
    // The number of texts erased, then 1 when the new multi-line text was made, else 0.
    {res::kTxt2mtxtCombined, L"\n%d text(s) combined into %d multi-line text."},

    // MTEXP.
    {res::kMtexpSelect, L"\nSelect multi-line texts to explode: "},
    {res::kMtexpDone, L"\nMulti-line texts exploded into single-line texts."},
    {res::kMtexpFailed, L"\nThe multi-line texts could not be exploded."},

    // TXTEXP: one prompt for adding and removing objects.
    {res::kTxtexpSelect, L"\nSelect texts to explode into geometry: "},
    {res::kTxtexpLockedLeftOut, L"\nObjects on locked layers were left out."},
    // A text with nothing to draw (only blanks, say) gives no geometry and stays.
    {res::kTxtexpNoGeometry, L"\n%d text(s) gave no geometry and were kept."},

    // GB2BIG5: texts it could not change, such as those on locked layers.
    {res::kGb2big5LeftUnchanged, L"\n%d text(s) could not be changed and were left as they were."},
};

}  // namespace

std::span<const KxStringResource> convertStrings() {
  return kStrings;
}

}  // namespace kx::resources
