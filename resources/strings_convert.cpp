// Texts of the conversion commands: TXT2MTXT (its settings dialog is in dialogs.cpp), MTEXP,
// TXTEXP and GB2BIG5 (whose choices are made in its dialog).

#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TXT2MTXT: both prompts of its selection offer the settings dialog.
    {2337, L"\nSelect single-line texts to combine or [SEttings]: "},
    {3007, L"\nRemove texts or [SEttings]: "},
    {3008, L"SEttings _ SEttings"},
    // The number of texts erased, then 1 when the new multi-line text was made, else 0.
    {2626, L"\n%d text(s) combined into %d multi-line text."},

    // MTEXP.
    {2579, L"\nSelect multi-line texts to explode: "},
    {2580, L"\nMulti-line texts exploded into single-line texts."},
    {2585, L"\nThe multi-line texts could not be exploded."},

    // TXTEXP: one prompt for adding and removing objects.
    {3522, L"\nSelect texts to explode into geometry: "},
    {3528, L"\nObjects on locked layers were left out."},
    // A text with nothing to draw (only blanks, say) gives no geometry and stays.
    {3529, L"\n%d text(s) gave no geometry and were kept."},

    // GB2BIG5: texts it could not change, such as those on locked layers.
    {3530, L"\n%d text(s) could not be changed and were left as they were."},
};

}  // namespace

std::span<const KxStringResource> convertStrings() {
  return kStrings;
}

}  // namespace kx::resources
