// The colour dialog as a prompt: a colour number, or BYLAYER and BYBLOCK where the caller allows
// them, or one of the seven standard colour names.

#include <cwctype>
#include <optional>
#include <string>

#include "editor/prompts.h"
#include "editor/reply_text.h"
#include "kx/kxwindlg.h"

namespace {

using kx::editor::upper;

constexpr int kByBlock = 0;
constexpr int kByLayer = 256;

std::wstring colourName(int color) {
  if (color == kByBlock) return L"BYBLOCK";
  if (color == kByLayer) return L"BYLAYER";
  return std::to_wstring(color);
}

std::optional<int> parseColour(const std::wstring& reply, bool allowMeta) {
  const std::wstring word = upper(reply);
  if (!word.empty() && word.find_first_not_of(L"0123456789") == std::wstring::npos) {
    if (word.size() > 3) return {};
    const int n = std::stoi(word);
    if (n >= 1 && n <= 255) return n;
    if (allowMeta && (n == kByBlock || n == kByLayer)) return n;
    return {};
  }
  if (allowMeta && word == L"BYLAYER") return kByLayer;
  if (allowMeta && word == L"BYBLOCK") return kByBlock;
  static constexpr const wchar_t* kNames[] = {L"RED",  L"YELLOW",  L"GREEN", L"CYAN",
                                              L"BLUE", L"MAGENTA", L"WHITE"};
  for (int i = 0; i < 7; ++i)
    if (word == kNames[i]) return i + 1;
  return {};
}

}  // namespace

extern "C" BOOL kxedSetColorDialog(int& color, BOOL allowMetaColors, int currentLayerColor) {
  const bool allowMeta = allowMetaColors != FALSE;
  // What Enter keeps: a meta colour the dialog may not offer shows as the layer's colour (or
  // white for a block's, which the dialog cannot know).
  int current = color;
  if (!allowMeta && (current == kByBlock || current == kByLayer)) {
    current = current == kByLayer && currentLayerColor >= 1 && currentLayerColor <= 255
                  ? currentLayerColor
                  : 7;
  }
  if (current < kByBlock || current > kByLayer) current = 7;

  auto& prompter = kx::editor::Prompter::instance();
  const std::wstring prompt =
      std::wstring(allowMeta ? L"Colour (1-255, BYLAYER, BYBLOCK) <" : L"Colour (1-255) <") +
      colourName(current) + L">: ";
  for (;;) {
    const std::optional<std::wstring> line = prompter.ask(prompt);
    if (!line) return FALSE;
    std::wstring reply = *line;
    const auto first = reply.find_first_not_of(L" \t");
    reply = first == std::wstring::npos
                ? std::wstring()
                : reply.substr(first, reply.find_last_not_of(L" \t") - first + 1);
    if (reply == L"^C" || reply == L"^c") {
      prompter.say(L"*Cancel*");
      return FALSE;
    }
    if (reply.empty()) {
      color = current;
      return TRUE;
    }
    if (const std::optional<int> chosen = parseColour(reply, allowMeta)) {
      color = *chosen;
      return TRUE;
    }
    prompter.refuse(allowMeta ? L"Enter a colour number from 1 to 255, BYLAYER or BYBLOCK."
                              : L"Enter a colour number from 1 to 255.");
  }
}
