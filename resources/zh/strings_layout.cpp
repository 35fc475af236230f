// Texts of the layout commands in simplified Chinese: TJUST, TORIENT, TXTALIGN and TEXTFIT.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TJUST: the thirteen choices, each with the letters of its global word.
    {res::kLockedLeftOut, L"\n%d 个文字位于锁定图层上，已略过。"},
    {res::kTjustKeywords,
     L"起点(S) 居中(C) 中间(M) 右对齐(R) 左上(TL) 中上(TC) 右上(TR) 左中(ML) 正中(MC) 右中(MR)"
     L" 左下(BL) 中下(BC) 右下(BR)"
     L" _ Start Center Middle Right TL TC TR ML MC MR BL BC BR"},
    {res::kTjustPrompt,
     L"\n输入对正选项 [起点(S)/居中(C)/中间(M)/右对齐(R)/左上(TL)/中上(TC)/右上(TR)/左中(ML)"
     L"/正中(MC)/右中(MR)/左下(BL)/中下(BC)/右下(BR)] <起点>: "},
    // TJUST and TORIENT, with the number of texts worked on.
    {res::kTextsChanged, L"\n已修改 %d 个文字。"},

    // TORIENT: Enter turns the texts that read upside down.
    {res::kTorientAnglePrompt, L"\n指定新的旋转角度 <最易读>: "},

    // TXTALIGN.
    {res::kTxtalignSelect, L"\n选择要对齐的单行文字: "},
    {res::kTxtalignPrompt, L"\n指定对齐方式 [左(L)/中间(M)/右(R)] <左>: "},
    {res::kTxtalignKeywords, L"左(L) 中间(M) 右(R) _ Left Middle Right"},
    {res::kTxtalignPickPoint, L"\n在要对齐到的直线上拾取一点: "},

    // TEXTFIT.
    {res::kTextfitSelect, L"\n选择要适配的单行文字: "},
    {res::kTextfitNotText, L"\n选中的对象不是单行文字。"},
    {res::kTextfitEndPoint, L"\n指定文字的终点: "},
};

}  // namespace

std::span<const KxStringResource> layoutStrings() {
  return kStrings;
}

}  // namespace kx::resources
