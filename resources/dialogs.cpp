// Dialog templates. Radio buttons exclude each other from one group start to the next, so every
// group of radio buttons opens with a group start and the control after its last button starts
// a new group. Labels and frames nobody addresses carry the id 0xFFFF.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

using namespace dialog_parts;

// TCASE: the conversion to apply to the selected texts.
constexpr KxDialogControl kCaseControls[] = {
    {kLabel, Kind::kGroupBox, L"Change the case of the selected texts to", true, false},
    {res::kTcaseSentence, Kind::kRadioButton, L"Sentence case.", true, false},
    {res::kTcaseLower, Kind::kRadioButton, L"lower case", false, false},
    {res::kTcaseUpper, Kind::kRadioButton, L"UPPER CASE", false, false},
    {res::kTcaseTitle, Kind::kRadioButton, L"Title Case", false, false},
    {res::kTcaseToggle, Kind::kRadioButton, L"tOGGLE cASE", false, false},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

// TXT2MTXT settings: how the single-line texts become one multi-line text.
constexpr KxDialogControl kCombineControls[] = {
    {res::kTxt2mtxtJoin, Kind::kCheckBox, L"Join the texts into one paragraph", true, false},
    {kLabel, Kind::kGroupBox, L"Order of the texts", true, false},
    {res::kTxt2mtxtKeepOrder, Kind::kRadioButton, L"Keep the selection order", true, false},
    {res::kTxt2mtxtSortDown, Kind::kRadioButton, L"Sort from top to bottom", false, false},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

// GB2BIG5: the direction of the conversion and which texts it covers. The dialog writes the
// drawing's code page into 3511 and enables the layer list while the one-layer scope is chosen.
constexpr KxDialogControl kChineseControls[] = {
    {kLabel, Kind::kStatic, L"Drawing code page:", true, false},
    {res::kGb2big5CodePage, Kind::kStatic, L"", false, false},
    {kLabel, Kind::kGroupBox, L"Convert the Chinese characters to", true, false},
    {res::kGb2big5ToSimplified, Kind::kRadioButton, L"Simplified Chinese (ANSI_936)", true, false},
    {res::kGb2big5ToTraditional, Kind::kRadioButton, L"Traditional Chinese (ANSI_950)", false,
     false},
    {kLabel, Kind::kGroupBox, L"Texts to convert", true, false},
    {res::kGb2big5AllTexts, Kind::kRadioButton, L"All texts of the drawing", true, false},
    {res::kGb2big5SelectedTexts, Kind::kRadioButton, L"Texts I select", false, false},
    {res::kGb2big5OneLayer, Kind::kRadioButton, L"Texts on one layer", false, false},
    {res::kGb2big5Layer, Kind::kComboBox, L"Layer", true, true},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

constexpr KxDialogTemplate kDialogs[] = {
    dialog(res::kTcaseDialog, L"Change Case", kCaseControls),
    dialog(res::kTxt2mtxtDialog, L"Combine Texts Settings", kCombineControls),
    dialog(res::kGb2big5Dialog, L"Simplified and Traditional Chinese", kChineseControls),
};

}  // namespace

std::span<const KxDialogTemplate> dialogTemplates() {
  return kDialogs;
}

}  // namespace kx::resources
