// TXTALIGN: lines single-line texts up on one vertical line. Each text gets the chosen horizontal
// justification and moves sideways until its left end, middle or right end lies at the x of the
// picked point; its y stays.

#include <cwchar>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

struct Alignment {
  const wchar_t* keyword;
  KxDb::TextHorzMode mode;
  double widthsBack;  // how many text widths the position lies left of the line
};

// Middle rather than centre: a text centred on its baseline would not line up by its middle.
constexpr Alignment kAlignments[] = {
    {L"Left", KxDb::kTextLeft, 0.0},
    {L"Middle", KxDb::kTextMid, 0.5},
    {L"Right", KxDb::kTextRight, 1.0},
};

// A text that cannot be opened for write (on a locked layer) stays where it is, without a word.
void alignText(const kds_name entity, const Alignment& alignment, double x) {
  KxDbObjectId id;
  if (kxdbGetObjectId(id, entity) != KXRT_NORM) return;
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, id, KxDb::kForWrite) != Kxad::eOk) return;
  KxDbText* text = KxDbText::cast(object);
  if (!text) {
    object->close();
    return;
  }
  KxGePoint3d position = text->position();
  KxGePoint3d alignmentPoint = text->alignmentPoint();
  const bool wasDefault =
      text->horizontalMode() == KxDb::kTextLeft && text->verticalMode() == KxDb::kTextBase;
  KxDbExtents extents;
  text->getGeomExtents(extents);
  const double width = extents.maxPoint().x - extents.minPoint().x;

  text->setHorizontalMode(alignment.mode);
  position.x = x - width * alignment.widthsBack;
  alignmentPoint.x = x;
  // A left-aligned baseline text had no alignment point of its own to keep the y of.
  if (wasDefault) alignmentPoint.y = position.y;
  text->setPosition(position);
  text->setAlignmentPoint(alignmentPoint);
  text->close();
}

}  // namespace

void TXTALIGN() {
  ResourceGuard guard;
  kds_name set;
  if (selectSingleLineTexts(res::kTxtalignSelect, set) != KXRT_NORM) return;

  kxedInitGet(0, loadString(res::kTxtalignKeywords));
  wchar_t reply[64] = L"";
  const int status = kxedGetKword(loadString(res::kTxtalignPrompt), reply, 64);
  if (status == KXRT_CANCEL || status == KXRT_ERROR) {
    kxedSSFree(set);
    return;
  }
  if (status == KXRT_NONE) std::wcscpy(reply, L"Left");
  const Alignment* alignment = nullptr;
  for (const Alignment& a : kAlignments)
    if (std::wcscmp(reply, a.keyword) == 0) alignment = &a;

  double picked[3];
  if (kxedGetPoint(nullptr, loadString(res::kTxtalignPickPoint), picked) != KXRT_NORM) {
    kxedSSFree(set);
    return;
  }
  // Converted once, so every text lines up on the same world x.
  KxGePoint3d line;
  ucsToWcs(KxGePoint3d(picked[0], picked[1], picked[2]), line);

  std::int32_t length = 0;
  kxedSSLength(set, &length);
  if (alignment)
    for (std::int32_t i = 0; i < length; ++i) {
      kds_name entity;
      if (kxedSSName(set, i, entity) == KXRT_NORM) alignText(entity, *alignment, line.x);
    }
  kxedSSFree(set);
}
