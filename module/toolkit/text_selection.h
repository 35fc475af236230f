#pragma once
// How text commands begin: the texts the user selects, the texts that do not lie in the plane of
// the current UCS, and guards for host settings a command changes for a while.

#include <cstdint>

#include "kx/kxedinput.h"
#include "kx/kxtypes.h"

// TEXT, MTEXT or ATTDEF; released with kxutRelRb.
resbuf* buildTextFilter();

// Asks for texts (or takes the pickfirst set of a command that accepts one). The host's result
// of the selection; only KXRT_NORM leaves a set to free.
int selectTexts(kds_name set);
// The same with group selection off while the user picks, so a text in a group is picked alone.
int selectTextsUngrouped(kds_name set);

// Removes from `set` every text whose normal is not the current UCS's Z axis and adds their
// number to `dropped`. Returns 1.
int filterTextsOutOfPlane(kds_name set, std::int32_t& dropped);

// Takes the entities on locked layers out of `set`, which commands must leave as they are; how
// many there were.
int dropLockedTexts(kds_name set);

// The plane filter with its report. False when no text is left: the set has been freed and the
// command must end.
bool keepTextsInPlane(kds_name set);

// Keeps the host from echoing the commands a command sends: CMDECHO is 0 while it lives.
class CmdEchoGuard {
 public:
  CmdEchoGuard();
  ~CmdEchoGuard();
  CmdEchoGuard(const CmdEchoGuard&) = delete;
  CmdEchoGuard& operator=(const CmdEchoGuard&) = delete;

 private:
  std::int16_t saved_ = 0;
  bool read_ = false;
};

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
