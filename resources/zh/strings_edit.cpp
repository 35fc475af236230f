// Texts of the editing commands in simplified Chinese: TCASE (its dialog is in dialogs.cpp),
// TCOUNT, CHGTHEI, MATHEI, CURSTYLE, TXTULINE and DELULINE.
//
// A keyword typed in Chinese carries the letters of its global word in parentheses, as the
// prompts show them, so "选择顺序", "S" and "_Select-order" all choose the same option.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCOUNT. The display names fill the default of the order prompt with the order used last.
    {res::kTcountOrderKeywords, L"X Y 选择顺序(S) _ X Y Select-order"},
    {res::kTcountOrderPrompt, L"\n选定对象的排序方式 [X/Y/选择顺序(S)] <%s>: "},
    {res::kTcountOrderX, L"X"},
    {res::kTcountOrderY, L"Y"},
    {res::kTcountOrderSelected, L"选择顺序"},
    {res::kTcountStartPrompt, L"\n指定起始编号和增量 (起始编号,增量) <1,1>: "},
    // Printed once and then asked again with the same text.
    {res::kTcountStartInvalid, L"\n输入无效。指定起始编号和增量 (起始编号,增量) <1,1>: "},
    {res::kTcountPlacementKeywords,
     L"覆盖(O) 前缀(P) 后缀(S) 查找替换(F) _ Overwrite Prefix Suffix Find-replace"},
    {res::kTcountPlacementPrompt,
     L"\n编号在文字中的位置 [覆盖(O)/前缀(P)/后缀(S)/查找替换(F)] <前缀>: "},
    {res::kTcountFindPrompt, L"\n输入要替换为编号的文字: "},
    {res::kTcountReplaced, L"\n已替换 %d 个对象中的文字。"},

    // CHGTHEI and CURSTYLE: 2566 is both the selection prompt and the prompt for one pick.
    {res::kSelectText, L"\n选择文字: "},
    {res::kChgtheiHeightPrompt, L"\n指定新的文字高度: "},
    // MATHEI.
    {res::kMatheiSelectSource, L"\n选择要匹配其高度的文字: "},
    {res::kMatheiSelectTargets, L"\n选择要改为该高度的文字: "},
    // MATHEI and CURSTYLE; the caller passes a 0 that the message does not show.
    {res::kNotATextPicked, L"\n选中的对象不是单行文字或多行文字。"},
    // CURSTYLE, with the style name.
    {res::kCurstyleSet, L"\n当前文字样式已设为“%s”。"},

    // TXTULINE and DELULINE.
    {res::kSelectSingleLineTexts, L"\n选择单行文字: "},
};

}  // namespace

std::span<const KxStringResource> editStrings() {
  return kStrings;
}

}  // namespace kx::resources
