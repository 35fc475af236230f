#pragma once
// How text commands begin: the texts the user selects, the texts that do not lie in the plane of
// the current UCS, and the guard that lets a selection prompt take a command's keywords.

#include <cstdint>

#include "kx/kxedinput.h"
#include "kx/kxtypes.h"
#include "kx/kxwindef.h"

// TEXT, MTEXT or ATTDEF; released with kxutRelRb.
resbuf* buildTextFilter();

// Asks for texts (or takes the pickfirst set of a command that accepts one). The host's result
// of the selection; only KXRT_NORM leaves a set to free.
int selectTexts(kds_name set);
// The same with group selection off while the user picks, so a text in a group is picked alone.
int selectTextsUngrouped(kds_name set);

// The opening of most text commands: says what to select, selects texts with group selection
// off, and says so when nothing was selected. True when there is a set to work on and free.
bool openTextCommand(kds_name set);

// Asks for objects with the command's own prompt for adding (string `addPrompt`) and the shared
// one for removing, keeping those that pass `filter`. Only KXRT_NORM leaves a set to free.
int selectWithOwnPrompt(UINT addPrompt, const resbuf* filter, kds_name set);
// The same for single-line texts (TEXT) alone.
int selectSingleLineTexts(UINT addPrompt, kds_name set);

// What a picked object is to a command that works on one text: a single-line text that is
// neither an attribute nor an attribute definition, a multi-line text, anything else, or an
// object that could not be opened.
enum class PickedText { kUnopened, kOther, kText, kMText };
PickedText pickedText(const kds_name entity);

// Removes from `set` every text whose normal is not the current UCS's Z axis and adds their
// number to `dropped`. Returns 1.
int filterTextsOutOfPlane(kds_name set, std::int32_t& dropped);

// Takes the entities on locked layers out of `set`, which commands must leave as they are; how
// many there were.
int dropLockedTexts(kds_name set);

// The plane filter with its report. False when no text is left: the set has been freed and the
// command must end.
bool keepTextsInPlane(kds_name set);

// Lets a selection prompt take the command's keywords (and other input) while it lives, then
// puts back the callbacks it replaced.
class SelectionCallbackGuard {
 public:
  SelectionCallbackGuard(KxSSCallback keywordCallback, KxSSCallback otherCallback = nullptr);
  ~SelectionCallbackGuard();
  SelectionCallbackGuard(const SelectionCallbackGuard&) = delete;
  SelectionCallbackGuard& operator=(const SelectionCallbackGuard&) = delete;

 private:
  KxSSCallback otherCallback_;
  KxSSCallback savedKeyword_ = nullptr;
  KxSSCallback savedOther_ = nullptr;
};
