// Dialog templates in simplified Chinese: the same controls, ids and groups as the English
// ones, with Chinese captions. A reply names a control by its caption or the start of one, so
// no caption here is the start of another in the same dialog.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

using namespace dialog_parts;

// TCASE: the conversion to apply to the selected texts.
constexpr KxDialogControl kCaseControls[] = {
    {kLabel, Kind::kGroupBox, L"将选定文字的大小写改为", true, false},
    {res::kTcaseSentence, Kind::kRadioButton, L"句首字母大写", true, false},
    {res::kTcaseLower, Kind::kRadioButton, L"小写", false, false},
    {res::kTcaseUpper, Kind::kRadioButton, L"大写", false, false},
    {res::kTcaseTitle, Kind::kRadioButton, L"每个词首字母大写", false, false},
    {res::kTcaseToggle, Kind::kRadioButton, L"大小写互换", false, false},
    {kIdOk, Kind::kPushButton, L"确定", true, false},
    {kIdCancel, Kind::kPushButton, L"取消", false, false},
};

// TXT2MTXT settings: how the single-line texts become one multi-line text.
constexpr KxDialogControl kCombineControls[] = {
    {res::kTxt2mtxtJoin, Kind::kCheckBox, L"合并为一个段落", true, false},
    {kLabel, Kind::kGroupBox, L"文字的顺序", true, false},
    {res::kTxt2mtxtKeepOrder, Kind::kRadioButton, L"保持选择顺序", true, false},
    {res::kTxt2mtxtSortDown, Kind::kRadioButton, L"从上到下排序", false, false},
    {kIdOk, Kind::kPushButton, L"确定", true, false},
    {kIdCancel, Kind::kPushButton, L"取消", false, false},
};

// GB2BIG5: the direction of the conversion and which texts it covers. The dialog writes the
// drawing's code page into 3511 and enables the layer list while the one-layer scope is chosen.
constexpr KxDialogControl kChineseControls[] = {
    {kLabel, Kind::kStatic, L"图形代码页:", true, false},
    {res::kGb2big5CodePage, Kind::kStatic, L"", false, false},
    {kLabel, Kind::kGroupBox, L"将中文字符转换为", true, false},
    {res::kGb2big5ToSimplified, Kind::kRadioButton, L"简体中文 (ANSI_936)", true, false},
    {res::kGb2big5ToTraditional, Kind::kRadioButton, L"繁体中文 (ANSI_950)", false, false},
    {kLabel, Kind::kGroupBox, L"要转换的文字", true, false},
    {res::kGb2big5AllTexts, Kind::kRadioButton, L"图形中的全部文字", true, false},
    {res::kGb2big5SelectedTexts, Kind::kRadioButton, L"我选择的文字", false, false},
    {res::kGb2big5OneLayer, Kind::kRadioButton, L"某个图层上的文字", false, false},
    {res::kGb2big5Layer, Kind::kComboBox, L"图层", true, true},
    {kIdOk, Kind::kPushButton, L"确定", true, false},
    {kIdCancel, Kind::kPushButton, L"取消", false, false},
};

constexpr KxDialogTemplate kDialogs[] = {
    dialog(res::kTcaseDialog, L"修改大小写", kCaseControls),
    dialog(res::kTxt2mtxtDialog, L"合并文字设置", kCombineControls),
    dialog(res::kGb2big5Dialog, L"简繁转换", kChineseControls),
};

}  // namespace

std::span<const KxDialogTemplate> dialogTemplates() {
  return kDialogs;
}

}  // namespace kx::resources
