// Message boxes as text: the caption and the text on the transcript, then a prompt naming the
// buttons, answered by a button's word or its first letter.

#include <cwctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "editor/prompts.h"
#include "editor/reply_text.h"
#include "kx/kxwindlg.h"
#include "kx/kxwinres.h"
#include "platform/resource_modules.h"
#include "support/case_fold.h"

namespace {

using kx::editor::trimmed;

struct Button {
  const wchar_t* word;
  int result;
};

std::vector<Button> buttonsFor(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL:
      return {{L"OK", IDOK}, {L"Cancel", IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
      return {{L"Abort", IDABORT}, {L"Retry", IDRETRY}, {L"Ignore", IDIGNORE}};
    case MB_YESNOCANCEL:
      return {{L"Yes", IDYES}, {L"No", IDNO}, {L"Cancel", IDCANCEL}};
    case MB_YESNO:
      return {{L"Yes", IDYES}, {L"No", IDNO}};
    case MB_RETRYCANCEL:
      return {{L"Retry", IDRETRY}, {L"Cancel", IDCANCEL}};
    default:
      return {{L"OK", IDOK}};
  }
}

// What closing the box without a button gives: Cancel where there is one, else No, else the
// first button.
int cancelResult(const std::vector<Button>& buttons) {
  for (int wanted : {IDCANCEL, IDNO})
    for (const Button& b : buttons)
      if (b.result == wanted) return wanted;
  return buttons.front().result;
}

bool sameWord(std::wstring_view a, std::wstring_view b) {
  return kx::support::sameIgnoringCase(a, b);
}

std::optional<int> answer(const std::vector<Button>& buttons, std::wstring_view reply) {
  for (const Button& b : buttons) {
    const std::wstring_view word(b.word);
    if (sameWord(reply, word) || sameWord(reply, word.substr(0, 1))) return b.result;
  }
  return {};
}

// The text's lines, without the line breaks modules put before and after messages.
std::vector<std::wstring> lines(std::wstring_view text) {
  while (!text.empty() && (text.front() == L'\n' || text.front() == L'\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.remove_suffix(1);
  std::vector<std::wstring> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(L'\n', start);
    std::wstring line(text.substr(start, end == std::wstring_view::npos ? end : end - start));
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    out.push_back(std::move(line));
    if (end == std::wstring_view::npos) return out;
    start = end + 1;
  }
}

}  // namespace

extern "C" int MessageBoxW(HWND, LPCWSTR text, LPCWSTR caption, UINT type) {
  auto& prompter = kx::editor::Prompter::instance();
  const std::vector<Button> buttons = buttonsFor(type);
  std::wstring title = caption ? caption : L"";
  if (!caption) {
    const LPCWSTR product = GetOemProductName();
    title = product && *product ? product : L"kxhost";
  }
  // A box starts on a line of its own, whatever the command printed last.
  prompter.say(L"\n** " + title + L" **");
  for (const std::wstring& line : lines(text ? text : L"")) prompter.say(line);

  std::wstring prompt = L"[";
  std::wstring hint = L"Answer ";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    prompt += (i ? L"/" : L"") + std::wstring(buttons[i].word);
    hint += (i == 0                    ? L""
             : i + 1 == buttons.size() ? L" or "
                                       : L", ") +
            std::wstring(buttons[i].word);
  }
  prompt += L"]: ";
  hint += L".";

  for (;;) {
    const std::optional<std::wstring> line = prompter.ask(prompt);
    if (!line) return cancelResult(buttons);
    const std::wstring reply = trimmed(*line);
    if (sameWord(reply, L"^C")) {
      prompter.say(L"*Cancel*");
      return cancelResult(buttons);
    }
    if (reply.empty() && buttons.size() == 1) return buttons.front().result;
    if (const std::optional<int> result = answer(buttons, reply)) return *result;
    prompter.refuse(hint);
  }
}

int AfxMessageBox(LPCWSTR text, UINT type, UINT) {
  return MessageBoxW(kxedGetKxadFrame()->m_hWnd, text, nullptr, type);
}

int AfxMessageBox(UINT promptId, UINT type, UINT) {
  const std::optional<std::wstring_view> text =
      kx::platform::findString(kx::platform::currentResourceHandle(), promptId);
  const std::wstring message = text ? std::wstring(*text) : std::wstring();
  return MessageBoxW(kxedGetKxadFrame()->m_hWnd, message.c_str(), nullptr, type);
}
