// Local command names and the texts several commands share, in simplified Chinese.
//
// Each command has a Chinese name users type beside its global one; the global name with a
// leading underscore ("_TCASE") always reaches the command too.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // Local command names: short and without blanks, so each is typed as one word.
    {res::kNameGatte, L"全局改属性"},
    {res::kNameTextfit, L"文字适配"},
    {res::kNameTxt2mtxt, L"合并为多行文字"},
    {res::kNameTjust, L"文字对正"},
    {res::kNameTorient, L"文字转向"},
    {res::kNameTcircle, L"文字加框"},
    {res::kNameTcount, L"文字编号"},
    {res::kNameTcase, L"改大小写"},
    {res::kNameChgthei, L"改字高"},
    {res::kNameCurstyle, L"置为当前样式"},
    {res::kNameTxtuline, L"加下划线"},
    {res::kNameDeluline, L"删下划线"},
    {res::kNameTextmask, L"文字遮罩"},
    {res::kNameTextunmask, L"取消遮罩"},
    {res::kNameMathei, L"匹配字高"},
    {res::kNameMtexp, L"分解多行文字"},
    {res::kNameTxtalign, L"文字对齐"},
    {res::kNameBurst, L"炸开保留属性"},
    {res::kNameAttout, L"导出属性"},
    {res::kNameAttin, L"导入属性"},
    {res::kNameGb2big5, L"简繁转换"},
    {res::kNameTxtexp, L"文字分解"},
    {res::kNameTexttofront, L"文字前置"},

    // Opening of a text command, before the host's object prompt.
    {res::kSelectTexts, L"\n选择单行文字、多行文字和属性定义。"},
    {res::kNothingSelected, L"\n未选择文字。"},
    // Texts left out because they do not lie in the plane of the current UCS: one, then many.
    {res::kOneNotInUcsPlane, L"\n%d 个文字与当前 UCS 不平行，已略过。"},
    {res::kManyNotInUcsPlane, L"\n%d 个文字与当前 UCS 不平行，已略过。"},
    // Removal prompt of every selection that asks with a prompt pair.
    {res::kRemoveObjects, L"\n删除对象: "},
};

}  // namespace

std::span<const KxStringResource> frameStrings() {
  return kStrings;
}

}  // namespace kx::resources
