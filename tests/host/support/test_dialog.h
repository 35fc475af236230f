#pragma once
// One dialog template for the tests of dialogs: the form tests use it directly, the test resource
// module serves it as dialog 3518. Every control kind, two radio groups, a label nobody addresses,
// a control disabled at first, two controls of one caption and an OK button with its own caption.

#include <iterator>

#include "kx/kxresfmt.h"

namespace kx::test {

inline constexpr KxDialogControl kTestDialogControls[] = {
    {0xFFFF, KxControlKind::kStatic, L"Choose how to convert the text:", false, false},
    {3511, KxControlKind::kStatic, L"No text selected", false, false},
    {0xFFFF, KxControlKind::kGroupBox, L"Direction", false, false},
    {3512, KxControlKind::kRadioButton, L"&Simplified to traditional", true, false},
    {3513, KxControlKind::kRadioButton, L"&Traditional to simplified", false, false},
    {0xFFFF, KxControlKind::kGroupBox, L"Objects", false, false},
    {3514, KxControlKind::kRadioButton, L"&Selected objects", true, false},
    {3515, KxControlKind::kRadioButton, L"&All objects", false, false},
    {3516, KxControlKind::kRadioButton, L"Objects on &layer", false, false},
    {3517, KxControlKind::kComboBox, L"Layer:", true, true},
    {2025, KxControlKind::kCheckBox, L"&Join lines", true, false},
    {3520, KxControlKind::kEdit, L"Prefix", true, false},
    {3521, KxControlKind::kPushButton, L"&Browse...", true, false},
    {3522, KxControlKind::kPushButton, L"&Join lines", false, false},
    {1, KxControlKind::kPushButton, L"&Convert", true, false},
    {2, KxControlKind::kPushButton, L"Cancel", false, false},
};

inline constexpr KxDialogTemplate kTestDialog = {3518, L"Convert &text", kTestDialogControls,
                                                 std::size(kTestDialogControls)};

}  // namespace kx::test
