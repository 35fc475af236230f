// TJUST: gives texts a new justification without moving them. A TEXT or ATTDEF is re-anchored
// at its insertion point and then shifted back by however far the host moved it; an MTEXT's
// insertion point moves across its box by the change of attachment.

#include <cmath>
#include <cwchar>
#include <cwctype>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

struct Justification {
  const wchar_t* keyword;
  const wchar_t* letter;  // the one-letter form, or null
  int horizontal;         // TEXT/ATTDEF group 72
  int vertical;           // group 73 of a TEXT, 74 of an ATTDEF
  int attachment;         // MTEXT group 71
  double across;          // fraction of the MTEXT box from its left
  double down;            // fraction of the MTEXT box from its top
};

constexpr Justification kJustifications[] = {
    {L"Start", L"S", 0, 0, 1, 0.0, 0.0},  {L"Center", L"C", 1, 0, 2, 0.5, 0.0},
    {L"Middle", L"M", 4, 0, 5, 0.5, 0.5}, {L"Right", L"R", 2, 0, 3, 1.0, 0.0},
    {L"TL", nullptr, 0, 3, 1, 0.0, 0.0},  {L"TC", nullptr, 1, 3, 2, 0.5, 0.0},
    {L"TR", nullptr, 2, 3, 3, 1.0, 0.0},  {L"ML", nullptr, 0, 2, 4, 0.0, 0.5},
    {L"MC", nullptr, 1, 2, 5, 0.5, 0.5},  {L"MR", nullptr, 2, 2, 6, 1.0, 0.5},
    {L"BL", nullptr, 0, 1, 7, 0.0, 1.0},  {L"BC", nullptr, 1, 1, 8, 0.5, 1.0},
    {L"BR", nullptr, 2, 1, 9, 1.0, 1.0},
};

const Justification* findJustification(const wchar_t* reply) {
  for (const Justification& j : kJustifications)
    if (sameKeyword(reply, j.keyword) || (j.letter && sameKeyword(reply, j.letter))) return &j;
  return nullptr;
}

// Writes only the groups given: the rest of the text's list would be compared group by group
// and change nothing.
void modifyGroups(resbuf* changes) {
  if (!changes) return;
  kxdbEntMod(changes);
  kxutRelRb(changes);
}

void rejustifyText(const kds_name entity, resbuf* list, bool isAttdef, const Justification& j) {
  const resbuf* insertion = entryByGroup(list, 10);
  if (!insertion) return;
  const double p[3] = {insertion->value.point[0], insertion->value.point[1],
                       insertion->value.point[2]};
  modifyGroups(
      kxutBuildList(-1, entity, 11, p, 72, j.horizontal, isAttdef ? 74 : 73, j.vertical, 0));

  // The host re-placed the text from its new anchor; shift it back to where it was.
  resbuf* moved = kxdbEntGet(entity);
  const resbuf* movedInsertion = entryByGroup(moved, 10);
  const resbuf* movedAlignment = entryByGroup(moved, 11);
  if (movedInsertion && movedAlignment) {
    const double q[2] = {movedInsertion->value.point[0], movedInsertion->value.point[1]};
    const double alignment[3] = {2 * p[0] - q[0], 2 * p[1] - q[1], movedAlignment->value.point[2]};
    modifyGroups(kxutBuildList(-1, entity, 10, p, 11, alignment, 0));
  }
  kxutRelRb(moved);
}

double acrossFraction(int attachment) {
  const int column = attachment % 3;
  return column == 1 ? 0.0 : column == 2 ? 0.5 : 1.0;
}

double downFraction(int attachment) {
  return ((attachment - 1) / 3) * 0.5;
}

void reattachMText(const kds_name entity, resbuf* list, const Justification& j) {
  const resbuf* width = entryByGroup(list, 42);
  const resbuf* height = entryByGroup(list, 43);
  const resbuf* attachment = entryByGroup(list, 71);
  const resbuf* rotation = entryByGroup(list, 50);
  const resbuf* insertion = entryByGroup(list, 10);
  if (!width || !height || !attachment || !rotation || !insertion) return;
  const int old = attachment->value.int16;
  const double dx = width->value.real * (j.across - acrossFraction(old));
  const double dy = height->value.real * (j.down - downFraction(old));
  const resbuf world = coordinateSystem(0);
  const resbuf ucs = coordinateSystem(1);
  double p[3];
  kxedTrans(insertion->value.point, &world, &ucs, 0, p);
  const double r = rotation->value.real;
  p[0] += std::cos(r) * dx + std::sin(r) * dy;
  p[1] += std::sin(r) * dx - std::cos(r) * dy;
  double moved[3];
  kxedTrans(p, &ucs, &world, 0, moved);
  modifyGroups(kxutBuildList(-1, entity, 10, moved, 71, j.attachment, 0));
}

void changeJustification(kds_name set, const Justification& j) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    resbuf* list = kxdbEntGet(entity);
    wchar_t type[32] = L"";
    if (stringByGroup(list, 0, type, 32) != KXRT_NORM) {
      kxutRelRb(list);
      continue;
    }
    if (std::wcscmp(type, L"MTEXT") == 0)
      reattachMText(entity, list, j);
    else
      rejustifyText(entity, list, std::wcscmp(type, L"ATTDEF") == 0, j);
    kxutRelRb(list);
  }
  printFormat(res::kTextsChanged, static_cast<int>(length));
}

void askJustification(kds_name set) {
  kxedInitGet(0, loadString(res::kTjustKeywords));
  wchar_t reply[64] = L"";
  const int status = kxedGetKword(loadString(res::kTjustPrompt), reply, 64);
  if (status == KXRT_NONE)
    std::wcscpy(reply, L"S");
  else if (status != KXRT_NORM)
    return;
  if (const Justification* j = findJustification(reply)) changeJustification(set, *j);
}

}  // namespace

void TJUST() {
  ResourceGuard guard;
  kds_name set;
  if (!openTextCommand(set)) return;
  if (const int locked = dropLockedTexts(set); locked > 0) printFormat(res::kLockedLeftOut, locked);
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  if (length == 0) {
    kxedSSFree(set);
    return;
  }
  if (!keepTextsInPlane(set)) return;
  askJustification(set);

  CmdEchoGuard quiet;
  kxedCommand(KXRT_STR, L"_.REDRAW", KXRT_NONE);
  kxedSSFree(set);
}
