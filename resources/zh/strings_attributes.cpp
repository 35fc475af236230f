// Texts of the attribute commands in simplified Chinese: ATTOUT, ATTIN, GATTE and BURST.

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

constexpr KxStringResource kStrings[] = {
    // ATTOUT. The title heads the file dialog; the messages receive the file's path.
    {res::kAttoutTitle, L"导出属性"},
    {res::kAttoutCannotWrite, L"\n无法打开“%s”进行写入。"},
    {res::kAttoutCheckFile, L"\n请确认文件夹存在，且文件不是只读或正被使用。"},
    {res::kAttoutDone, L"\n属性已导出到“%s”。"},
    // A reference whose values would not come back as they are: the handle follows.
    {res::kAttoutNotReadBack,
     L"\n块参照 %s: 某个值含有分隔符、换行符或行尾空格，读回时将无法保持原样。"},
    // A reference left out because a field is longer than the file holds: the handle follows.
    {res::kAttoutLeftOut, L"\n块参照 %s 已略过: 其块名、某个标记或某个值过长，文件无法容纳。"},

    // ATTIN.
    {res::kAttinTitle, L"导入属性"},
    {res::kAttinCannotOpen, L"\n无法打开文件。"},
    {res::kAttinReading, L"\n正在读取文件..."},
    {res::kAttinRead, L"\n文件已读取。"},
    {res::kAttinUpdated, L"\n已更新 %d 个块参照。"},
    // A record whose handle names nothing: the first line, then the handle on the same line.
    {res::kAttinNoHandle, L"\n图形中没有对象的句柄为"},
    {res::kAttinHandleValue, L" %s。"},
    // The question box before the records left over are matched by picking.
    {res::kAttinUnmatched,
     L"有些记录无法按句柄或标记与块参照对应。\n"
     L"要为这些记录拾取块参照吗？"},
    {res::kAttinDialogTitle, L"%s - 导入属性"},
    {res::kAttinSelectReference, L"\n选择此记录的块参照: "},
    // A tag and value not taken yet: a line head, then the pair on the same line.
    {res::kAttinNotAssigned, L"\n未指定:"},
    {res::kAttinTagValue, L" %s = %s"},
    {res::kAttinSelectLeftOver, L"\n为剩下的值选择块参照: "},
    {res::kAttinBadHeader, L"\n文件的第一行不是有效的标题行。"},
    {res::kAttinBadLine, L"\n跳过了一行: 它不是以 ' 加句柄和块名开头的。"},
    {res::kAttinEmptyLine, L"\n跳过了一行: 它没有可导入的值。"},

    // GATTE.
    {res::kGatteKeywords, L"块名(B) _ Block"},
    {res::kGatteSelect, L"\n选择块参照或属性 [块名(B)]: "},
    {res::kGatteBlockNamePrompt, L"\n输入块名: "},
    {res::kGatteInvalidBlockName, L"\n块名无效。"},
    {res::kGatteNestedOnly, L"\n该块只在其他块中使用，无法修改。"},
    {res::kGatteNoAttributes, L"\n选中的块没有属性。"},
    {res::kGatteNotAReference, L"\n选中的对象不是块参照。"},
    {res::kGatteKnownTags, L"\n该块已有的标记名:"},
    {res::kGatteTagPrompt, L"\n选择属性或输入属性标记: "},
    {res::kGatteBlockAndTag, L"\n块: %s   属性标记: %s"},
    {res::kGatteNewTextPrompt, L"\n输入新文字: "},
    {res::kGatteYesNoKeywords, L"是(Y) 否(N) _ Yes No"},
    // The number of references follows on the same line, then the question.
    {res::kGatteReferenceCount, L"\n图形中的块参照数: "},
    {res::kGatteChangeAllPrompt, L" 全部修改吗？[是(Y)/否(N)] <是>: "},
    {res::kGatteWait, L"\n请稍候..."},
    {res::kGatteChanged, L"\n已修改 %d 个属性。"},

    // BURST.
    {res::kBurstNothing, L"\n没有可炸开的对象。"},
    {res::kBurstLeftOut, L"\n%d 个对象已略过: 不是块参照，或是外部参照。"},
    {res::kBurstCount, L"\n要炸开 %d 个块参照。"},
    // References that could not be exploded stay as they were, their attribute texts on top.
    {res::kBurstNotExploded, L"\n%d 个块参照无法炸开，已保留。"},
};

}  // namespace

std::span<const KxStringResource> attributeStrings() {
  return kStrings;
}

}  // namespace kx::resources
