// Texts of the decoration commands in simplified Chinese: TCIRCLE, TEXTMASK, TEXTUNMASK and
// TEXTTOFRONT.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // TCIRCLE. The command fills the size prompts and the closing line with its own word for
    // the enclosure ("circles", "slots" or "rectangles").
    {res::kTcircleOffsetPrompt, L"\n输入相对于文字高度的偏移系数 <%g>: "},
    {res::kTcircleShapeKeywords, L"圆(C) 长圆(S) 矩形(R) _ Circles Slots Rectangles"},
    {res::kTcircleShapePrompt, L"\n用以下图形框住文字 [圆(C)/长圆(S)/矩形(R)] <长圆>: "},
    {res::kTcircleSizePrompt, L"\n创建 %s，大小为 [固定(C)/可变(V)] <可变>: "},
    {res::kTcircleSizeKeywords, L"固定(C) 可变(V) _ Constant Variable"},
    {res::kTcircleConstantPrompt, L"\n%s 在以下方向固定 [高度(H)/宽度(W)/两者(B)] <两者>: "},
    {res::kTcircleConstantKeywords, L"高度(H) 宽度(W) 两者(B) _ Height Width Both"},
    {res::kTcircleMade, L"\n已创建 %s：%d 个文字已用 %s 框住。"},

    // TEXTMASK. The settings line shows the factor and the mask type; a solid also shows its
    // colour number.
    {res::kTextmaskSettings, L"\n当前设置: 偏移系数 = %g，遮罩类型 = %s"},
    {res::kTextmaskSettingsSolid, L"\n当前设置: 偏移系数 = %g，遮罩类型 = %s，颜色 = %d"},
    {res::kTextmaskSelect, L"\n选择要遮罩的文字或 [遮罩类型(M)/偏移(O)]: "},
    {res::kTextmaskKeywords, L"遮罩类型(M) 偏移(O) _ Masktype Offset"},
    {res::kTextmaskCurrentType, L"\n当前遮罩类型: %s"},
    // Enter chooses a wipeout whatever the current type is.
    {res::kTextmaskTypePrompt,
     L"\n当前遮罩类型为 %s。指定遮罩类型 [区域覆盖(W)/三维面(3)/二维实体(S)] <区域覆盖>: "},
    {res::kTextmaskTypeKeywords, L"区域覆盖(W) 三维面(3) 二维实体(S) _ Wipeout 3dface Solid"},
    {res::kTextmaskWipeout, L"区域覆盖"},
    {res::kTextmask3dFace, L"三维面"},
    {res::kTextmaskSolid, L"二维实体"},
    {res::kTextmaskOffsetPrompt, L"\n输入相对于文字高度的偏移系数 <%g>: "},

    // TEXTUNMASK, with the number of mask groups dissolved.
    {res::kTextunmaskSelect, L"\n选择要取消遮罩的文字: "},
    {res::kTextunmaskRemoved, L"\n已删除 %d 个遮罩编组。"},
    {res::kTextunmaskNoMask, L"\n选中的文字都没有遮罩。"},

    // TEXTTOFRONT: Enter means all.
    {res::kTexttofrontKeywords, L"文字(T) 标注(D) 引线(L) 全部(A) _ Text Dimensions Leaders All"},
    {res::kTexttofrontPrompt, L"\n前置 [文字(T)/标注(D)/引线(L)/全部(A)] <全部>: "},
    {res::kTexttofrontDone, L"\n已将 %d 个对象置于绘图次序的最前面。"},
    {res::kTexttofrontNothing, L"\n当前空间中没有符合条件的对象。"},
};

}  // namespace

std::span<const KxStringResource> decorateStrings() {
  return kStrings;
}

}  // namespace kx::resources
