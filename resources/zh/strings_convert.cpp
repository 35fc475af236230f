// Texts of the conversion commands in simplified Chinese: TXT2MTXT (its settings dialog is in
// dialogs.cpp), MTEXP, TXTEXP and GB2BIG5 (whose choices are made in its dialog).

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TXT2MTXT: both prompts of its selection offer the settings dialog.
    {res::kTxt2mtxtSelect, L"\n选择要合并的单行文字或 [设置(SE)]: "},
    {res::kTxt2mtxtRemove, L"\n删除文字或 [设置(SE)]: "},
    {res::kTxt2mtxtKeywords, L"设置(SE) _ SEttings"},
    // The number of texts erased, then 1 when the new multi-line text was made, else 0.
    {res::kTxt2mtxtCombined, L"\n已将 %d 个文字合并为 %d 个多行文字。"},

    // MTEXP.
    {res::kMtexpSelect, L"\n选择要分解的多行文字: "},
    {res::kMtexpDone, L"\n多行文字已分解为单行文字。"},
    {res::kMtexpFailed, L"\n无法分解多行文字。"},

    // TXTEXP: one prompt for adding and removing objects.
    {res::kTxtexpSelect, L"\n选择要分解为几何图形的文字: "},
    {res::kTxtexpLockedLeftOut, L"\n位于锁定图层上的对象已略过。"},
    // A text with nothing to draw (only blanks, say) gives no geometry and stays.
    {res::kTxtexpNoGeometry, L"\n%d 个文字没有可生成的几何图形，已保留。"},

    // GB2BIG5: texts it could not change, such as those on locked layers.
    {res::kGb2big5LeftUnchanged, L"\n%d 个文字无法修改，保持原样。"},
};

}  // namespace

std::span<const KxStringResource> convertStrings() {
  return kStrings;
}

}  // namespace kx::resources
