// Dialog templates. Radio buttons exclude each other from one group start to the next, so every
// group of radio buttons opens with a group start and the control after its last button starts
// a new group. Labels and frames nobody addresses carry the id 0xFFFF.

#include "resource_parts.h"

namespace kx::resources {
namespace {

using Kind = KxControlKind;

constexpr std::uint32_t kLabel = 0xFFFF;
constexpr std::uint32_t kIdOk = 1;
constexpr std::uint32_t kIdCancel = 2;

// TCASE: the conversion to apply to the selected texts.
constexpr KxDialogControl kCaseControls[] = {
    {kLabel, Kind::kGroupBox, L"Change the case of the selected texts to", true, false},
    {2005, Kind::kRadioButton, L"Sentence case.", true, false},
    {2006, Kind::kRadioButton, L"lower case", false, false},
    {2021, Kind::kRadioButton, L"UPPER CASE", false, false},
    {2022, Kind::kRadioButton, L"Title Case", false, false},
    {2023, Kind::kRadioButton, L"tOGGLE cASE", false, false},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

// TXT2MTXT settings: how the single-line texts become one multi-line text.
constexpr KxDialogControl kCombineControls[] = {
    {2025, Kind::kCheckBox, L"Join the texts into one paragraph", true, false},
    {kLabel, Kind::kGroupBox, L"Order of the texts", true, false},
    {2005, Kind::kRadioButton, L"Keep the selection order", true, false},
    {2006, Kind::kRadioButton, L"Sort from top to bottom", false, false},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

// GB2BIG5: the direction of the conversion and which texts it covers. The dialog writes the
// drawing's code page into 3511 and enables the layer list while the one-layer scope is chosen.
constexpr KxDialogControl kChineseControls[] = {
    {kLabel, Kind::kStatic, L"Drawing code page:", true, false},
    {3511, Kind::kStatic, L"", false, false},
    {kLabel, Kind::kGroupBox, L"Convert the Chinese characters to", true, false},
    {3512, Kind::kRadioButton, L"Simplified Chinese (ANSI_936)", true, false},
    {3513, Kind::kRadioButton, L"Traditional Chinese (ANSI_950)", false, false},
    {kLabel, Kind::kGroupBox, L"Texts to convert", true, false},
    {3514, Kind::kRadioButton, L"All texts of the drawing", true, false},
    {3515, Kind::kRadioButton, L"Texts I select", false, false},
    {3516, Kind::kRadioButton, L"Texts on one layer", false, false},
    {3517, Kind::kComboBox, L"Layer", true, true},
    {kIdOk, Kind::kPushButton, L"OK", true, false},
    {kIdCancel, Kind::kPushButton, L"Cancel", false, false},
};

template <std::size_t N>
constexpr KxDialogTemplate dialog(std::uint32_t id, const wchar_t* caption,
                                  const KxDialogControl (&controls)[N]) {
  return {id, caption, controls, static_cast<std::uint32_t>(N)};
}

constexpr KxDialogTemplate kDialogs[] = {
    dialog(2366, L"Change Case", kCaseControls),
    dialog(2345, L"Combine Texts Settings", kCombineControls),
    dialog(3518, L"Simplified and Traditional Chinese", kChineseControls),
};

}  // namespace

std::span<const KxDialogTemplate> dialogTemplates() {
  return kDialogs;
}

}  // namespace kx::resources
