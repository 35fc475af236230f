// TORIENT: turns texts about the centres of their own boxes, so a turned text stays where the
// user sees it. Either every text gets the angle the user gives, or, on Enter, each single-line
// text that reads upside down is turned half round to read left to right or bottom to top.

#include <cwchar>
#include <numbers>

#include "commands/commands.h"
#include "commands/layout/readable_angle.h"
#include "frame/resource_module.h"
#include "kx/kxdb.h"
#include "kx/kxed.h"
#include "kx/kxedinput.h"
#include "resource_ids.h"
#include "toolkit/text_geometry.h"
#include "toolkit/text_selection.h"

namespace {

// The points that place a text, which are the ones to turn for the text to turn about its box
// centre: the insertion point (10) of an MTEXT and of a left-aligned baseline text; the
// alignment point (11) of a text justified any other way, since the host works the insertion
// point out from it; both for an aligned or fitted text, which runs from one to the other.
struct PlacingPoints {
  resbuf* insertion = nullptr;
  resbuf* alignment = nullptr;
  bool needsInsertion = true;
  bool needsAlignment = false;
};

bool isTextType(const resbuf* list, const wchar_t* type) {
  wchar_t found[16] = L"";
  return stringByGroup(list, 0, found, 16) == KXRT_NORM && std::wcscmp(found, type) == 0;
}

// An MTEXT's 72 is the direction its lines flow in, not a justification.
const resbuf* horizontalMode(resbuf* list) {
  return isTextType(list, L"MTEXT") ? nullptr : entryByGroup(list, 72);
}

PlacingPoints placingPoints(resbuf* list) {
  PlacingPoints points;
  points.insertion = entryByGroup(list, 10);
  points.alignment = entryByGroup(list, 11);
  const resbuf* horizontal = horizontalMode(list);
  if (!horizontal) return points;
  const resbuf* vertical = entryByGroup(list, isTextType(list, L"ATTDEF") ? 74 : 73);
  const int h = horizontal->value.int16;
  const int v = vertical ? vertical->value.int16 : 0;
  const bool runsBetweenPoints = (h == 3 || h == 5) && v == 0;
  points.needsAlignment = h != 0 || v != 0;
  points.needsInsertion = runsBetweenPoints || !points.needsAlignment;
  return points;
}

// Where a text keeps its points: a single-line text in its own coordinate system, given to
// kxedTrans by its normal, an MTEXT in world coordinates.
resbuf storageSystem(resbuf* list) {
  if (isTextType(list, L"MTEXT")) return coordinateSystem(0);
  const resbuf* normal = entryByGroup(list, 210);
  const double up[3] = {0, 0, 1};
  return objectSystem(normal ? normal->value.point : up);
}

// The centre of the text's box in the current UCS, whose plane is the text's own: the middle of
// its extents, which the box's corners lie on in pairs about it.
KxGePoint3d boxCentre(const kds_name entity) {
  KxGePoint3d low, high;
  textExtents(entity, low, high);
  KxGePoint3d centre((low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2);
  wcsToUcs(centre, centre);
  return KxGePoint3d(centre.x, centre.y, 0);
}

// Turns the point of `entry` by `delta` about `centre`, at the height of the point itself.
void turnPoint(resbuf* entry, const resbuf& storage, const KxGePoint3d& centre, double delta) {
  const resbuf ucs = coordinateSystem(1);
  double point[3];
  kxedTrans(entry->value.point, &storage, &ucs, 0, point);
  const double about[3] = {centre.x, centre.y, point[2]};
  double turned[3];
  kxutPolar(about, kxutAngle(about, point) + delta, kxutDistance(about, point), turned);
  kxedTrans(turned, &ucs, &storage, 0, entry->value.point);
}

void turnPlacingPoints(const PlacingPoints& points, const resbuf& storage,
                       const KxGePoint3d& centre, double delta) {
  if (points.needsInsertion) turnPoint(points.insertion, storage, centre, delta);
  if (points.needsAlignment) turnPoint(points.alignment, storage, centre, delta);
}

// Every text to `angle`, turned about its box centre. False leaves the text as it was.
bool turnToAngle(const kds_name entity, resbuf* list, resbuf& rotation, double angle) {
  const double delta = angle - rotation.value.real;
  rotation.value.real = angle;
  const PlacingPoints points = placingPoints(list);
  if (points.needsAlignment && !points.alignment) return false;
  // Without a point to turn, the text still takes the angle.
  if (!points.needsInsertion || points.insertion)
    turnPlacingPoints(points, storageSystem(list), boxCentre(entity), delta);
  return true;
}

// A single-line text that reads upside down half round, about its box centre; the rotation of
// every text written within one turn.
bool turnReadable(const kds_name entity, resbuf* list, resbuf& rotation) {
  const double normalized = normalizedRotation(rotation.value.real);
  rotation.value.real = normalized;
  const double readable = readableRotation(normalized);
  if (readable == normalized) return true;
  // Multi-line texts read in any direction they are written; they keep theirs.
  const PlacingPoints points = placingPoints(list);
  if (isTextType(list, L"MTEXT") || (points.needsInsertion && !points.insertion) ||
      (points.needsAlignment && !points.alignment))
    return false;
  turnPlacingPoints(points, storageSystem(list), boxCentre(entity), std::numbers::pi);
  rotation.value.real = readable;
  return true;
}

// Runs `turn` on the list of each text of the set that has a rotation, writes back the lists it
// keeps, and says how many texts there were.
template <typename Turn>
void turnEach(kds_name set, Turn turn) {
  std::int32_t length = 0;
  kxedSSLength(set, &length);
  for (std::int32_t i = 0; i < length; ++i) {
    kds_name entity;
    kxedSSName(set, i, entity);
    resbuf* list = kxdbEntGet(entity);
    if (resbuf* rotation = entryByGroup(list, 50); rotation && turn(entity, list, *rotation))
      kxdbEntMod(list);
    kxutRelRb(list);
  }
  printFormat(res::kTextsChanged, static_cast<int>(length));
}

}  // namespace

void TORIENT() {
  ResourceGuard guard;
  kds_name set;
  if (!openTextCommand(set) || !keepTextsInPlane(set)) return;
  kxedInitGet(0, nullptr);
  double angle = 0;
  const int status = kxedGetOrient(nullptr, loadString(res::kTorientAnglePrompt), &angle);
  if (status == KXRT_NONE)
    turnEach(set, turnReadable);
  else if (status == KXRT_NORM)
    turnEach(set, [angle](const kds_name entity, resbuf* list, resbuf& rotation) {
      return turnToAngle(entity, list, rotation, angle);
    });
  kxedSSFree(set);
}
