#include "frame/command_table.h"

#include "commands/commands.h"

namespace {

// Commands that work on texts the user may have picked before starting them take the pickfirst
// set and redraw when they end.
constexpr std::int32_t kPickfirst = KxEd::kUsePickSet | KxEd::kRedraw;
constexpr std::int32_t kPlain = KxEd::kModal;

constexpr CommandRow kCommands[] = {
    {L"BURST", 6047, kPickfirst, BURST},       {L"ATTOUT", 6048, kPlain, ATTOUT},
    {L"ATTIN", 6049, kPlain, ATTIN},           {L"GATTE", 5999, kPlain, GATTE},
    {L"TXTEXP", 6108, kPickfirst, TXTEXP},     {L"TEXTFIT", 6031, kPickfirst, TEXTFIT},
    {L"TXT2MTXT", 6032, kPickfirst, TXT2MTXT}, {L"TJUST", 6033, kPickfirst, TJUST},
    {L"TORIENT", 6034, kPickfirst, TORIENT},   {L"TCIRCLE", 6035, kPickfirst, TCIRCLE},
    {L"TCOUNT", 6036, kPickfirst, TCOUNT},     {L"TCASE", 6037, kPickfirst, TCASE},
    {L"CHGTHEI", 6038, kPlain, CHGTHEI},       {L"CURSTYLE", 6039, kPlain, CURSTYLE},
    {L"TXTULINE", 6040, kPlain, TXTULINE},     {L"DELULINE", 6041, kPlain, DELULINE},
    {L"TEXTMASK", 6042, kPlain, TEXTMASK},     {L"TEXTUNMASK", 6043, kPlain, TEXTUNMASK},
    {L"MATHEI", 6044, kPlain, MATHEI},         {L"MTEXP", 6045, kPlain, MTEXP},
    {L"TXTALIGN", 6046, kPlain, TXTALIGN},     {L"TEXTTOFRONT", 6800, kPlain, TEXTTOFRONT},
    {L"GB2BIG5", 6107, kPlain, GB2BIG5},
};

}  // namespace

std::span<const CommandRow> moduleCommands() {
  return kCommands;
}
