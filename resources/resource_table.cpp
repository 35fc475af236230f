// The one export of a resource module: the table the host reads through dlsym. Every language
// builds it from its own families of strings and dialogs, with the same numbers.

#include <vector>

#include "resource_ids.h"
#include "resource_parts.h"

namespace kx::resources {
namespace {

// Which strings HELP shows for each command: the same numbers in every language.
constexpr KxCommandHelp kCommands[] = {
    {L"BURST", res::kAboutBurst, res::kUsageBurst},
    {L"ATTOUT", res::kAboutAttout, res::kUsageAttout},
    {L"ATTIN", res::kAboutAttin, res::kUsageAttin},
    {L"GATTE", res::kAboutGatte, res::kUsageGatte},
    {L"TXTEXP", res::kAboutTxtexp, res::kUsageTxtexp},
    {L"TEXTFIT", res::kAboutTextfit, res::kUsageTextfit},
    {L"TXT2MTXT", res::kAboutTxt2mtxt, res::kUsageTxt2mtxt},
    {L"TJUST", res::kAboutTjust, res::kUsageTjust},
    {L"TORIENT", res::kAboutTorient, res::kUsageTorient},
    {L"TCIRCLE", res::kAboutTcircle, res::kUsageTcircle},
    {L"TCOUNT", res::kAboutTcount, res::kUsageTcount},
    {L"TCASE", res::kAboutTcase, res::kUsageTcase},
    {L"CHGTHEI", res::kAboutChgthei, res::kUsageChgthei},
    {L"CURSTYLE", res::kAboutCurstyle, res::kUsageCurstyle},
    {L"TXTULINE", res::kAboutTxtuline, res::kUsageTxtuline},
    {L"DELULINE", res::kAboutDeluline, res::kUsageDeluline},
    {L"TEXTMASK", res::kAboutTextmask, res::kUsageTextmask},
    {L"TEXTUNMASK", res::kAboutTextunmask, res::kUsageTextunmask},
    {L"MATHEI", res::kAboutMathei, res::kUsageMathei},
    {L"MTEXP", res::kAboutMtexp, res::kUsageMtexp},
    {L"TXTALIGN", res::kAboutTxtalign, res::kUsageTxtalign},
    {L"TEXTTOFRONT", res::kAboutTexttofront, res::kUsageTexttofront},
    {L"GB2BIG5", res::kAboutGb2big5, res::kUsageGb2big5},
};

KxResourceTable buildTable() {
  // The families keep their strings apart; the host wants them in one array. Built once, on
  // the host's first look, and kept until the library is unloaded.
  static const std::vector<KxStringResource> strings = [] {
    std::vector<KxStringResource> all;
    for (auto family : {frameStrings(), editStrings(), layoutStrings(), convertStrings(),
                        decorateStrings(), attributeStrings(), helpStrings()})
      all.insert(all.end(), family.begin(), family.end());
    return all;
  }();
  const auto dialogs = dialogTemplates();
  return {KX_RESOURCE_TABLE_VERSION,
          strings.data(),
          static_cast<std::uint32_t>(strings.size()),
          dialogs.data(),
          static_cast<std::uint32_t>(dialogs.size()),
          kCommands,
          static_cast<std::uint32_t>(std::size(kCommands))};
}

}  // namespace
}  // namespace kx::resources

extern "C" __attribute__((visibility("default"))) const KxResourceTable* kxResourceTable() {
  static const KxResourceTable table = kx::resources::buildTable();
  return &table;
}
