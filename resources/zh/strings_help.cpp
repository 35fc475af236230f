// What HELP shows for each command in simplified Chinese: a one-line description, and the
// replies the command asks for in the order it asks.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    {res::kAboutBurst, L"炸开块参照，并将其属性值保留为文字"},
    {res::kUsageBurst, L"选择对象: 块参照（或事先选好的块参照）"},
    {res::kAboutAttout, L"将块参照的属性值写入文本文件"},
    {res::kUsageAttout,
     L"选择对象: 带属性的块参照\n"
     L"文件对话框: 要写入的文件，然后是文件类型（回车: 按扩展名；.txt 以制表符分隔，.csv "
     L"以逗号分隔）"},
    {res::kAboutAttin, L"从导出属性写出的文件读回编辑过的属性值"},
    {res::kUsageAttin,
     L"文件对话框: 要读取的文件，然后是文件类型（回车: 按扩展名）\n"
     L"找不到块参照或标记的值: 回答 是/否 决定是否为其拾取块参照，然后为每条记录选择块参照"},
    {res::kAboutGatte, L"在一个块的所有参照中为同一个属性赋新值"},
    {res::kUsageGatte,
     L"选择块参照或属性 [块名(B)]: 拾取，或输入 B 再输入块名\n"
     L"选择属性或输入属性标记: 拾取或输入标记\n"
     L"输入新文字: 新值\n"
     L"全部修改吗？[是(Y)/否(N)] <是>: 否 则选择要修改的块参照"},
    {res::kAboutTxtexp, L"将文字分解为字形轮廓多段线"},
    {res::kUsageTxtexp, L"选择要分解为几何图形的文字: 文字（或事先选好的文字）"},
    {res::kAboutTextfit, L"拉伸或压缩文字，使其终止于拾取的点"},
    {res::kUsageTextfit,
     L"选择要适配的单行文字: 一个文字（或事先选好的文字）\n"
     L"指定文字的终点: 沿文字方向的一点"},
    {res::kAboutTxt2mtxt, L"将单行文字合并为一个多行文字"},
    {res::kUsageTxt2mtxt,
     L"选择要合并的单行文字或 [设置(SE)]: 文字，或输入 SE 打开选项对话框"
     L"（合并为一个段落；保持选择顺序 或 从上到下排序；确定 或 取消）"},
    {res::kAboutTjust, L"修改文字的对正方式而不移动文字"},
    {res::kUsageTjust,
     L"选择对象: 文字（或事先选好的文字）\n"
     L"输入对正选项 [起点(S)/居中(C)/中间(M)/右对齐(R)/左上(TL)/中上(TC)/右上(TR)/左中(ML)"
     L"/正中(MC)/右中(MR)/左下(BL)/中下(BC)/右下(BR)] <起点>"},
    {res::kAboutTorient, L"将文字转到指定角度，或将倒置的文字转正"},
    {res::kUsageTorient,
     L"选择对象: 文字（或事先选好的文字）\n"
     L"指定新的旋转角度 <最易读>: 角度，或回车将倒置的文字转正"},
    {res::kAboutTcircle, L"用圆、长圆或矩形框住文字"},
    {res::kUsageTcircle,
     L"选择对象: 文字（或事先选好的文字）\n"
     L"输入相对于文字高度的偏移系数\n"
     L"用以下图形框住文字 [圆(C)/长圆(S)/矩形(R)] <长圆>\n"
     L"大小为 [固定(C)/可变(V)] <可变>\n"
     L"在以下方向固定 [高度(H)/宽度(W)/两者(B)] <两者>（选固定时）"},
    {res::kAboutTcount, L"按顺序为文字编号，编号放在文字前、后或替换文字"},
    {res::kUsageTcount,
     L"选择对象: 文字（或事先选好的文字）\n"
     L"选定对象的排序方式 [X/Y/选择顺序(S)]\n"
     L"指定起始编号和增量 (起始编号,增量) <1,1>\n"
     L"编号在文字中的位置 [覆盖(O)/前缀(P)/后缀(S)/查找替换(F)] <前缀>；查找替换 "
     L"还要输入被替换的文字"},
    {res::kAboutTcase, L"修改文字的大小写"},
    {res::kUsageTcase,
     L"选择对象: 文字（或事先选好的文字）\n"
     L"修改大小写对话框: 句首字母大写、小写、大写、每个词首字母大写 或 大小写互换"
     L"（标题、标题的开头或编号），然后 确定 或 取消"},
    {res::kAboutChgthei, L"为文字指定新的高度"},
    {res::kUsageChgthei,
     L"选择对象: 文字\n"
     L"指定新的文字高度: 数值，或两点"},
    {res::kAboutCurstyle, L"将拾取文字的样式置为当前文字样式"},
    {res::kUsageCurstyle, L"选择文字: 一个文字"},
    {res::kAboutTxtuline, L"为整行单行文字加下划线"},
    {res::kUsageTxtuline, L"选择单行文字: 文字"},
    {res::kAboutDeluline, L"删除整行单行文字的下划线"},
    {res::kUsageDeluline, L"选择单行文字: 文字"},
    {res::kAboutTextmask, L"在文字后面放置遮罩，使其压在其他线上仍清晰可读"},
    {res::kUsageTextmask,
     L"选择要遮罩的文字或 [遮罩类型(M)/偏移(O)]: 文字；M 选择 [区域覆盖(W)/三维面(3)/二维实体(S)]，"
     L"O 设置相对于文字高度的偏移系数"},
    {res::kAboutTextunmask, L"删除文字遮罩放在文字后面的遮罩"},
    {res::kUsageTextunmask, L"选择要取消遮罩的文字: 文字"},
    {res::kAboutMathei, L"将文字的高度改为拾取文字的高度"},
    {res::kUsageMathei,
     L"选择要匹配其高度的文字: 一个文字\n"
     L"选择要改为该高度的文字: 文字"},
    {res::kAboutMtexp, L"将多行文字分解为单行文字"},
    {res::kUsageMtexp, L"选择要分解的多行文字: 多行文字"},
    {res::kAboutTxtalign, L"将单行文字对齐到一条竖直线上"},
    {res::kUsageTxtalign,
     L"选择要对齐的单行文字: 文字\n"
     L"指定对齐方式 [左(L)/中间(M)/右(R)] <左>\n"
     L"在要对齐到的直线上拾取一点: 一点"},
    {res::kAboutTexttofront, L"将文字、标注或引线置于最前面"},
    {res::kUsageTexttofront, L"前置 [文字(T)/标注(D)/引线(L)/全部(A)] <全部>"},
    {res::kAboutGb2big5, L"在简体字和繁体字之间转换中文文字"},
    {res::kUsageGb2big5,
     L"对话框: 简体中文 或 繁体中文；图形中的全部文字、我选择的文字 或 某个图层上的文字"
     L"（再选图层列表）；确定 或 取消"},
};

}  // namespace

std::span<const KxStringResource> helpStrings() {
  return kStrings;
}

}  // namespace kx::resources
