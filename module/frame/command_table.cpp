#include "frame/command_table.h"

#include "commands/commands.h"
#include "resource_ids.h"

namespace {

// Commands that work on texts the user may have picked before starting them take the pickfirst
// set and redraw when they end.
constexpr std::int32_t kPickfirst = KxEd::kUsePickSet | KxEd::kRedraw;
constexpr std::int32_t kPlain = KxEd::kModal;

constexpr CommandRow kCommands[] = {
    {L"BURST", res::kNameBurst, kPickfirst, BURST},
    {L"ATTOUT", res::kNameAttout, kPlain, ATTOUT},
    {L"ATTIN", res::kNameAttin, kPlain, ATTIN},
    {L"GATTE", res::kNameGatte, kPlain, GATTE},
    {L"TXTEXP", res::kNameTxtexp, kPickfirst, TXTEXP},
    {L"TEXTFIT", res::kNameTextfit, kPickfirst, TEXTFIT},
    {L"TXT2MTXT", res::kNameTxt2mtxt, kPickfirst, TXT2MTXT},
    {L"TJUST", res::kNameTjust, kPickfirst, TJUST},
    {L"TORIENT", res::kNameTorient, kPickfirst, TORIENT},
    {L"TCIRCLE", res::kNameTcircle, kPickfirst, TCIRCLE},
    {L"TCOUNT", res::kNameTcount, kPickfirst, TCOUNT},
    {L"TCASE", res::kNameTcase, kPickfirst, TCASE},
    {L"CHGTHEI", res::kNameChgthei, kPlain, CHGTHEI},
    {L"CURSTYLE", res::kNameCurstyle, kPlain, CURSTYLE},
    {L"TXTULINE", res::kNameTxtuline, kPlain, TXTULINE},
    {L"DELULINE", res::kNameDeluline, kPlain, DELULINE},
    {L"TEXTMASK", res::kNameTextmask, kPlain, TEXTMASK},
    {L"TEXTUNMASK", res::kNameTextunmask, kPlain, TEXTUNMASK},
    {L"MATHEI", res::kNameMathei, kPlain, MATHEI},
    {L"MTEXP", res::kNameMtexp, kPlain, MTEXP},
    {L"TXTALIGN", res::kNameTxtalign, kPlain, TXTALIGN},
    {L"TEXTTOFRONT", res::kNameTexttofront, kPlain, TEXTTOFRONT},
    {L"GB2BIG5", res::kNameGb2big5, kPlain, GB2BIG5},
};

}  // namespace

std::span<const CommandRow> moduleCommands() {
  return kCommands;
}
