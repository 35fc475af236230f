// TEXTFIT: stretches or squeezes one single-line text so that it ends where the user picks, by
// its width factor alone. The pick is made along the text: the UCS is lined up with it and
// orthogonal mode is on while the user picks, and both are put back afterwards, as are the
// settings that would make the host echo or ask while the command works.

#include <algorithm>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

// The name the current UCS is kept under while the command runs, when it has none of its own.
constexpr wchar_t kSavedUcs[] = L"_ORVEX_EXTEND_TEXTFIT_SAVED_UCS_0702";
constexpr double kNarrowestWidth = 1e-6;

// The one text preselected, when exactly one is.
bool preselectedText(kds_name text) {
  kds_name implied;
  if (kxedSSGet(L"_I", nullptr, nullptr, nullptr, implied) != KXRT_NORM) return false;
  std::int32_t length = 0;
  kxedSSLength(implied, &length);
  const bool one = length == 1 && kxedSSName(implied, 0, text) == KXRT_NORM;
  kxedSSFree(implied);
  return one;
}

// The text to fit, picked until it is a single-line text; false when the user gives up.
bool textToFit(kds_name text) {
  bool candidate = preselectedText(text);
  for (;;) {
    if (!candidate) {
      double point[3];
      if (kxedEntSel(loadString(res::kTextfitSelect), text, point) != KXRT_NORM) {
        printString(res::kNothingSelected);
        return false;
      }
    }
    if (pickedText(text) == PickedText::kText) return true;
    printString(res::kTextfitNotText);
    candidate = false;
  }
}

// Asks for the end of the text along it and fits the width factor to it. The UCS, orthogonal
// mode and the settings held at 0 are as they were when it returns.
void fitAlongText(const kds_name text, resbuf* list, resbuf* widthFactor, double length) {
  QuietHostCommands quiet;

  wchar_t ucsName[kShortTextCapacity] = L"";
  copyShortText(ucsName, stringVariable(L"UCSNAME"));
  const bool unnamedUcs = ucsName[0] == L'\0';
  if (unnamedUcs) kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_S", KXRT_STR, kSavedUcs, KXRT_NONE);
  kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_E", KXRT_ENAME, text, KXRT_NONE);
  const std::int16_t orthoMode = shortVariable(L"ORTHOMODE");
  kxedCommand(KXRT_STR, L"_.ORTHO", KXRT_STR, L"_ON", KXRT_NONE);

  // From where the text starts, in the UCS that now runs along it.
  const double start[3] = {0, 0, 0};
  double distance = 0;
  if (kxedGetDist(start, loadString(res::kTextfitEndPoint), &distance) == KXRT_NORM && length > 0) {
    widthFactor->value.real =
        std::max(kNarrowestWidth, widthFactor->value.real * distance / length);
    kxdbEntMod(list);
  }

  if (orthoMode == 0) kxedCommand(KXRT_STR, L"_.ORTHO", KXRT_STR, L"_OFF", KXRT_NONE);
  if (unnamedUcs) {
    kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_R", KXRT_STR, kSavedUcs, KXRT_NONE);
    kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_D", KXRT_STR, kSavedUcs, KXRT_NONE);
  } else {
    kxedCommand(KXRT_STR, L"_.UCS", KXRT_STR, L"_R", KXRT_STR, ucsName, KXRT_NONE);
  }
}

}  // namespace

void TEXTFIT() {
  ResourceGuard guard;
  kds_name text;
  if (!textToFit(text)) return;
  resbuf* list = kxdbEntGet(text);
  resbuf* widthFactor = entryByGroup(list, 41);
  if (!widthFactor) {
    kxutRelRb(list);
    return;
  }
  double lowerLeft[3] = {0, 0, 0}, upperRight[3] = {0, 0, 0};
  kxedTextBox(list, lowerLeft, upperRight);
  fitAlongText(text, list, widthFactor, upperRight[0] - lowerLeft[0]);
  kxutRelRb(list);
  kxedRetVoid();
}
