// TEXTMASK and TEXTUNMASK: a mask (a wipeout, a 2D solid or an invisible-edged 3D face) a little
// larger than the text, drawn directly below it, so the text reads cleanly over what lies behind.
// A text and its mask are the two members of an anonymous group; that group is how masking again
// finds the old mask and how unmasking finds the masks to remove.

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <unordered_map>
#include <vector>

#include "commands/commands.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxdbblock.h"
#include "kx/kxdbdict.h"
#include "kx/kxdbobject.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "kx/kxwindlg.h"
#include "resource_ids.h"
#include "toolkit/keyword_match.h"
#include "toolkit/system_variables.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

constexpr const wchar_t* kBuiltInFactorPrompt =
    L"\nEnter offset factor relative to text height <%f>:";

constexpr int kMaskTypeCapacity = 256;
constexpr int kTypeCapacity = 32;
constexpr short kInvisibleEdges = 15;

// The mask settings, for as long as the module is loaded. The type is the keyword the host
// returned ("Wipeout", "Solid" or "3dface") or the initial "WIPEOUT".
wchar_t maskType[kMaskTypeCapacity] = L"WIPEOUT";
double offsetFactor = 0.5;
int solidColor = 7;
CString maskTypeName;

// The entity's type (group 0) into `type`; empty when the list cannot be read.
void entityType(const kds_name entity, wchar_t (&type)[kTypeCapacity]) {
  type[0] = L'\0';
  resbuf* list = kxdbEntGet(entity);
  stringByGroup(list, 0, type, kTypeCapacity);
  kxutRelRb(list);
}

bool isMaskEntity(const kds_name entity) {
  wchar_t type[kTypeCapacity];
  entityType(entity, type);
  return std::wcscmp(type, L"SOLID") == 0 || std::wcscmp(type, L"3DFACE") == 0 ||
         std::wcscmp(type, L"WIPEOUT") == 0;
}

KxDbObjectId idOf(const kds_name entity) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  return id;
}

// ---- the groups of masked texts ----

using GroupsOfTexts = std::unordered_map<KxDbObjectId, std::vector<KxDbObjectId>>;

// The live groups that hold each grouped entity, in the group dictionary's order. One walk of
// the dictionary serves a whole selection: a walk per text would take time in the square of the
// texts masked, since every text masked adds a group. Groups a command makes afterwards hold only
// texts it has done with and their masks, so the lists stay true while it goes on.
GroupsOfTexts groupsHolding() {
  GroupsOfTexts groups;
  KxDbDictionary* dictionary = nullptr;
  if (kxdbHostApplicationServices()->workingDatabase()->getGroupDictionary(
          dictionary, KxDb::kForRead) != Kxad::eOk)
    return groups;
  KxDbDictionaryIterator* entry = dictionary->newIterator();
  for (; !entry->done(); entry->next()) {
    KxDbGroup* group = nullptr;
    if (kxdbOpenObject(group, entry->objectId(), KxDb::kForRead) != Kxad::eOk) continue;
    const KxDbObjectId groupId = group->objectId();
    KxDbObjectIdArray members;
    group->allEntityIds(members);
    for (const KxDbObjectId& member : members) {
      std::vector<KxDbObjectId>& holding = groups[member];
      if (holding.empty() || holding.back() != groupId) holding.push_back(groupId);
    }
    group->close();
  }
  delete entry;
  dictionary->close();
  return groups;
}

// A new selection set with the members the group's list names (its 340 groups); false when the
// group cannot be read.
bool groupMembers(const KxDbObjectId& groupId, kds_name members) {
  kds_name group;
  if (kxdbGetKdsName(group, groupId) != KXRT_NORM) return false;
  resbuf* list = kxdbEntGet(group);
  if (!list) return false;
  kxedSSAdd(nullptr, nullptr, members);
  for (const resbuf* entry = list; entry; entry = entry->next)
    if (entry->code == 340) kxedSSAdd(entry->value.name, members, members);
  kxutRelRb(list);
  return true;
}

// Erases the mask of a group that holds nothing but a text and its mask; a group with more
// members is the user's and keeps them all.
void eraseOldMask(const KxDbObjectId& groupId) {
  kds_name members;
  if (!groupMembers(groupId, members)) return;
  std::int32_t length = 0;
  kxedSSLength(members, &length);
  if (length == 2) {
    for (std::int32_t i = 0; i < length; ++i) {
      kds_name member;
      kxedSSName(members, i, member);
      if (isMaskEntity(member)) kxdbEntDel(member);
    }
  }
  kxedSSFree(members);
}

void groupTextWithMask(const kds_name text, const kds_name mask) {
  KxDbDictionary* dictionary = nullptr;
  if (kxdbHostApplicationServices()->workingDatabase()->getGroupDictionary(
          dictionary, KxDb::kForWrite) != Kxad::eOk)
    return;
  KxDbGroup* group = new KxDbGroup;
  group->setDescription(L"");
  KxDbObjectId groupId;
  const bool added = dictionary->setAt(L"*U", group, groupId) == Kxad::eOk;
  dictionary->close();
  if (added) group->setAnonymous();
  group->close();
  if (added && kxdbOpenObject(group, groupId, KxDb::kForWrite) == Kxad::eOk) {
    group->append(idOf(text));
    group->append(idOf(mask));
    group->close();
  }
}

// ---- making a mask ----

void placeMaskBelowText(const KxDbObjectId& textId, const KxDbObjectId& maskId) {
  KxDbEntity* text = nullptr;
  if (kxdbOpenObject(text, textId, KxDb::kForRead) == Kxad::eOk) {
    KxDbBlockTableRecord* block = nullptr;
    if (kxdbOpenObject(block, text->ownerId(), KxDb::kForRead) == Kxad::eOk) {
      KxDbSortentsTable* order = nullptr;
      if (block->getSortentsTable(order, KxDb::kForWrite, true) == Kxad::eOk) {
        KxDbObjectIdArray top;
        top.append(textId);
        order->moveToTop(top);
        order->close();
      }
      block->close();
    }
    text->close();
  }
  KxDbObjectIdArray below;
  below.append(maskId);
  kxedDrawOrderInherit(textId, below, 3);
}

void convert(KxGePoint3d& point, const resbuf& from, const resbuf& to) {
  const double in[3] = {point.x, point.y, point.z};
  double out[3] = {point.x, point.y, point.z};
  kxedTrans(in, &from, &to, 0, out);
  point = KxGePoint3d(out[0], out[1], out[2]);
}

// The wipeout the host's WIPEOUT command draws through the corners (world coordinates), with
// its transparency and image display switched off. False when the host made none.
bool makeWipeout(const KxGePoint3d corners[4], kds_name mask) {
  if (shortVariable(L"WIPEOUTFRAME") != 0) writeShortVariable(L"WIPEOUTFRAME", 0);
  double outline[5][3];
  for (int k = 0; k < 5; ++k) {
    KxGePoint3d p = corners[k % 4];
    wcsToUcs(p, p);
    outline[k][0] = p.x;
    outline[k][1] = p.y;
    outline[k][2] = 0;
  }
  kds_name before = {0, 0};
  kxdbEntLast(before);
  {
    CmdEchoGuard quiet;
    kxedCommand(KXRT_STR, L"_.WipeOut", KXRT_POINT, outline[0], KXRT_POINT, outline[1], KXRT_POINT,
                outline[2], KXRT_POINT, outline[3], KXRT_POINT, outline[4], KXRT_STR, L"",
                KXRT_NONE);
  }
  // A refused outline leaves the last entity as it was: that one is no mask of this text.
  if (kxdbEntLast(mask) != KXRT_NORM || (mask[0] == before[0] && mask[1] == before[1]))
    return false;
  KxDbWipeout* wipeout = nullptr;
  if (kxdbOpenObject(wipeout, idOf(mask), KxDb::kForWrite) == Kxad::eOk) {
    wipeout->setDisplayOpt(KxDbWipeout::kTransparent, false);
    wipeout->setDisplayOpt(KxDbWipeout::kShow, false);
    wipeout->close();
  }
  return true;
}

// Puts a mask of `type` and `color` below the text and groups the two. KXRT_ERROR when the
// text's list cannot be read.
int maskText(const kds_name text, const wchar_t* type, int color) {
  resbuf* list = kxdbEntGet(text);
  if (!list) return KXRT_ERROR;
  KxGePoint3d insertion;
  double height = 0;
  double normal[3] = {0, 0, 1};
  wchar_t textType[kTypeCapacity] = L"";
  if (const resbuf* e = entryByGroup(list, 10))
    insertion = KxGePoint3d(e->value.point[0], e->value.point[1], e->value.point[2]);
  if (const resbuf* e = entryByGroup(list, 40)) height = e->value.real;
  if (const resbuf* e = entryByGroup(list, 210)) std::copy_n(e->value.point, 3, normal);
  stringByGroup(list, 0, textType, kTypeCapacity);
  const double margin = offsetFactor * height;
  const bool wipeout = sameKeyword(type, L"WIPEOUT");
  const bool face = sameKeyword(type, L"3DFACE");
  const resbuf ownSystem = objectSystem(normal);
  const resbuf world = coordinateSystem(0);

  // Once around the box: for a TEXT lower left, lower right, upper right, upper left.
  KxGePoint3d corners[4];
  if (sameKeyword(textType, L"TEXT")) {
    double rotation = 0;
    if (const resbuf* e = entryByGroup(list, 50)) rotation = e->value.real;
    double low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    kxedTextBox(list, low, high);
    const double box[4][2] = {{low[0] - margin, low[1] - margin},
                              {high[0] + margin, low[1] - margin},
                              {high[0] + margin, high[1] + margin},
                              {low[0] - margin, high[1] + margin}};
    const double c = std::cos(rotation), s = std::sin(rotation);
    for (int k = 0; k < 4; ++k) {
      corners[k] = KxGePoint3d(insertion.x + box[k][0] * c - box[k][1] * s,
                               insertion.y + box[k][0] * s + box[k][1] * c, insertion.z);
      if (wipeout || face) convert(corners[k], ownSystem, world);
    }
  } else if (sameKeyword(textType, L"MTEXT")) {
    CornerList frame;
    appendMTextFrame(text, offsetFactor, frame);
    if (frame.GetSize() != 4) {
      kxutRelRb(list);
      return KXRT_ERROR;
    }
    // The frame gives one edge, then the opposite one the same way round.
    const int once[4] = {0, 1, 3, 2};
    for (int k = 0; k < 4; ++k) {
      corners[k] = frame[once[k]];
      if (!wipeout && !face) convert(corners[k], world, ownSystem);
    }
  } else {
    kxutRelRb(list);
    return KXRT_ERROR;
  }

  kds_name mask = {0, 0};
  bool made = false;
  const double q[4][3] = {{corners[0].x, corners[0].y, corners[0].z},
                          {corners[1].x, corners[1].y, corners[1].z},
                          {corners[2].x, corners[2].y, corners[2].z},
                          {corners[3].x, corners[3].y, corners[3].z}};
  if (sameKeyword(type, L"SOLID")) {
    // A solid's third and fourth corners are crossed.
    resbuf* solid = kxutBuildList(KXRT_DXF0, L"SOLID", 210, normal, 10, q[0], 11, q[3], 12, q[1],
                                  13, q[2], 62, color, 0);
    made = kxdbEntMakeX(solid, mask) == KXRT_NORM;
    kxutRelRb(solid);
  } else if (face) {
    resbuf* faceList =
        kxutBuildList(KXRT_DXF0, L"3DFACE", 100, L"AcDbEntity", 100, L"AcDbFace", 10, q[0], 11,
                      q[1], 12, q[2], 13, q[3], 62, color, 70, kInvisibleEdges, 0);
    made = kxdbEntMakeX(faceList, mask) == KXRT_NORM;
    kxutRelRb(faceList);
  } else if (wipeout) {
    made = makeWipeout(corners, mask);
  }
  kxutRelRb(list);
  if (!made) return KXRT_NORM;

  placeMaskBelowText(idOf(text), idOf(mask));
  groupTextWithMask(text, mask);
  return KXRT_NORM;
}

// ---- the settings, changed by keywords while the user selects ----

void setMaskTypeName() {
  const UINT id = std::wcscmp(maskType, L"Solid") == 0    ? res::kTextmaskSolid
                  : std::wcscmp(maskType, L"3dface") == 0 ? res::kTextmask3dFace
                                                          : res::kTextmaskWipeout;
  maskTypeName = loadString(id);
}

void askMaskType() {
  printFormat(res::kTextmaskCurrentType, static_cast<const wchar_t*>(maskTypeName));
  kxedInitGet(0, loadString(res::kTextmaskTypeKeywords));
  wchar_t prompt[kShortTextCapacity];
  formatShortText(prompt, static_cast<const wchar_t*>(loadString(res::kTextmaskTypePrompt)),
                  static_cast<const wchar_t*>(maskTypeName));
  wchar_t reply[kMaskTypeCapacity] = L"";
  const int status = kxedGetKword(prompt, reply, kMaskTypeCapacity);
  if (status == KXRT_CANCEL) return;
  if (status == KXRT_NONE)
    std::wcscpy(maskType, L"Wipeout");
  else if (status == KXRT_NORM)
    std::wcscpy(maskType, reply);
  if (std::wcscmp(maskType, L"Solid") == 0) kxedSetColorDialog(solidColor, TRUE, 0);
  setMaskTypeName();
}

void askOffsetFactor() {
  CString format = loadString(res::kTextmaskOffsetPrompt);
  if (format.IsEmpty()) format = kBuiltInFactorPrompt;
  wchar_t prompt[kShortTextCapacity];
  formatShortText(prompt, static_cast<const wchar_t*>(format), offsetFactor);
  kxedInitGet(KXINP_NOZERO | KXINP_NONEG, nullptr);
  double factor = offsetFactor;
  if (kxedGetDist(nullptr, prompt, &factor) == KXRT_NORM) offsetFactor = factor;
}

resbuf* maskOption(const wchar_t* keyword) {
  ResourceGuard guard;
  if (sameKeyword(keyword, L"Masktype"))
    askMaskType();
  else if (sameKeyword(keyword, L"Offset"))
    askOffsetFactor();
  return nullptr;
}

// ---- texts on locked layers are left alone ----

// Takes entities on locked layers out of the set and says how many there were.
void leaveOutLockedTexts(kds_name set) {
  if (const int locked = dropLockedTexts(set); locked > 0) printFormat(res::kLockedLeftOut, locked);
}

}  // namespace

void TEXTMASK() {
  ResourceGuard guard;
  ZeroedVariableGuard noPickfirst(L"PICKFIRST");

  resbuf* filter =
      kxutBuildList(-4, L"<OR", KXRT_DXF0, L"TEXT", KXRT_DXF0, L"MTEXT", -4, L"OR>", 0);
  setMaskTypeName();
  if (std::wcscmp(maskType, L"Solid") == 0)
    printFormat(res::kTextmaskSettingsSolid, offsetFactor,
                static_cast<const wchar_t*>(maskTypeName), 7);
  else
    printFormat(res::kTextmaskSettings, offsetFactor, static_cast<const wchar_t*>(maskTypeName));

  const CString prompt = loadString(res::kTextmaskSelect);
  const CString keywords = loadString(res::kTextmaskKeywords);
  const wchar_t* prompts[2] = {prompt, prompt};
  kds_name set;
  int status = KXRT_ERROR;
  {
    SelectionCallbackGuard options(maskOption);
    status = kxedSSGet(L"-M:$:K", prompts, static_cast<const wchar_t*>(keywords), filter, set);
  }
  kxutRelRb(filter);
  if (status != KXRT_NORM) return;
  leaveOutLockedTexts(set);

  const GroupsOfTexts groups = groupsHolding();
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name text;
    kxedSSName(set, i, text);
    if (const auto holding = groups.find(idOf(text)); holding != groups.end())
      for (const KxDbObjectId& group : holding->second) eraseOldMask(group);
    const int color = sameKeyword(maskType, L"SOLID") ? solidColor : 7;
    maskText(text, maskType[0] ? maskType : L"WIPEOUT", color);
  }
  kxedSSFree(set);
}

void TEXTUNMASK() {
  ResourceGuard guard;
  ZeroedVariableGuard noPickfirst(L"PICKFIRST");

  const CString prompt = loadString(res::kTextunmaskSelect);
  const wchar_t* prompts[2] = {prompt, prompt};
  kds_name selected;
  if (kxedSSGet(L":$", prompts, nullptr, nullptr, selected) != KXRT_NORM) return;
  kds_name texts;
  kxedSSAdd(nullptr, nullptr, texts);
  std::int32_t length = 0;
  kxedSSLength(selected, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(selected, i, entity);
    wchar_t type[kTypeCapacity];
    entityType(entity, type);
    if (sameKeyword(type, L"TEXT") || sameKeyword(type, L"MTEXT")) kxedSSAdd(entity, texts, texts);
  }
  leaveOutLockedTexts(texts);

  // A group that holds two of the texts is listed, and counted, twice.
  const GroupsOfTexts groups = groupsHolding();
  std::vector<KxDbObjectId> found;
  kxedSSLength(texts, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name text;
    kxedSSName(texts, i, text);
    if (const auto holding = groups.find(idOf(text)); holding != groups.end())
      found.insert(found.end(), holding->second.begin(), holding->second.end());
  }
  if (found.empty()) {
    printString(res::kTextunmaskNoMask);
    kxedSSFree(selected);
    kxedSSFree(texts);
    return;
  }

  for (const KxDbObjectId& groupId : found) {
    kds_name members;
    if (!groupMembers(groupId, members)) continue;
    kds_name group;
    if (kxdbGetKdsName(group, groupId) == KXRT_NORM) kxdbEntDel(group);
    std::int32_t count = 0;
    kxedSSLength(members, &count);
    for (std::int32_t k = 0; k < count; ++k) {
      kds_name member;
      kxedSSName(members, k, member);
      if (isMaskEntity(member)) kxdbEntDel(member);
    }
    kxedSSFree(members);
  }
  printFormat(res::kTextunmaskRemoved, static_cast<int>(found.size()));
  kxedSSFree(selected);
  kxedSSFree(texts);
}
