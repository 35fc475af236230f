#include "toolkit/text_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <numbers>

#include "kx/kxdb.h"
#include "kx/kxdbid.h"
#include "kx/kxdbobject.h"
#include "kx/kxdbtext.h"
#include "kx/kxed.h"
#include "toolkit/system_variables.h"

namespace {

constexpr double kPi = std::numbers::pi;

bool translate(const KxGePoint3d& point, const resbuf& from, const resbuf& to,
               KxGePoint3d& result) {
  const double in[3] = {point.x, point.y, point.z};
  double out[3] = {0, 0, 0};
  if (kxedTrans(in, &from, &to, 0, out) != KXRT_NORM) return false;
  result = KxGePoint3d(out[0], out[1], out[2]);
  return true;
}

KxGePoint3d polar(const KxGePoint3d& base, double angle, double distance) {
  const double in[3] = {base.x, base.y, base.z};
  double out[3] = {0, 0, 0};
  kxutPolar(in, angle, distance, out);
  return KxGePoint3d(out[0], out[1], out[2]);
}

KxGePoint3d pointOf(const resbuf* entry) {
  return KxGePoint3d(entry->value.point[0], entry->value.point[1], entry->value.point[2]);
}

KxDbObjectId idOf(const kds_name entity) {
  KxDbObjectId id;
  kxdbGetObjectId(id, entity);
  return id;
}

// Horizontal and vertical shift of the top-left corner from the anchor, by attachment point.
void attachmentShift(int attachment, double width, double height, double& a, double& b) {
  if (attachment < 1 || attachment > 9) attachment = 1;
  const int column = (attachment - 1) % 3;
  const int row = (attachment - 1) / 3;
  a = column * width / 2;
  b = row * height / 2;
}

}  // namespace

void appendMTextFrame(const kds_name entity, double marginFactor, CornerList& corners) {
  KxDbMText* mtext = nullptr;
  if (kxdbOpenObject(mtext, idOf(entity), KxDb::kForRead) != Kxad::eOk) return;
  const KxGePoint3d location = mtext->location();
  const KxGeVector3d direction = mtext->direction();
  const KxGeVector3d yAxis = mtext->normal().crossProduct(direction).normalize();
  const double height = mtext->actualHeight();
  const double width = mtext->actualWidth();
  double a = 0, b = 0;
  attachmentShift(mtext->attachment(), width, height, a, b);
  const double m = marginFactor * mtext->textHeight();

  const double left = -a, top = b;
  const double local[4][2] = {{left - m, top + m},
                              {left + width + m, top + m},
                              {left - m, top - height - m},
                              {left + width + m, top - height - m}};
  for (const auto& corner : local)
    corners.Add(location + direction * corner[0] + yAxis * corner[1]);
  mtext->close();
}

void textExtents(const kds_name entity, KxGePoint3d& first, KxGePoint3d& second) {
  KxDbEntity* object = nullptr;
  if (kxdbOpenObject(object, idOf(entity), KxDb::kForRead) != Kxad::eOk) return;
  if (KxDbText::cast(object)) {
    KxDbExtents extents;
    if (object->getGeomExtents(extents) == Kxad::eOk) {
      first = extents.minPoint();
      second = extents.maxPoint();
    }
  } else if (KxDbMText::cast(object)) {
    CornerList frame;
    appendMTextFrame(entity, 0, frame);
    if (frame.GetSize() == 4) {
      first = frame[0];
      second = frame[3];
    }
  }
  object->close();
}

void textRectangle(const kds_name entity, double marginFactor, double heightOverride,
                   double widthOverride, KxGePoint3d rectangle[5]) {
  KxGePoint3d low, high;
  textExtents(entity, low, high);
  wcsToUcs(low, low);
  wcsToUcs(high, high);
  KxGePoint3d centre((low.x + high.x) / 2, (low.y + high.y) / 2, 0);

  resbuf* list = kxdbEntGet(entity);
  double rotation = 0, height = 0;
  wchar_t type[64] = L"";
  if (resbuf* entry = entryByGroup(list, 50)) rotation = entry->value.real;
  if (resbuf* entry = entryByGroup(list, 40)) height = entry->value.real;
  stringByGroup(list, 0, type, 64);
  const bool isMText = std::wcscmp(type, L"MTEXT") == 0;
  const double margins = 2 * marginFactor * height;

  double width = 0, depth = 0;
  if (isMText) {
    if (resbuf* entry = entryByGroup(list, 42)) width = entry->value.real;
    if (resbuf* entry = entryByGroup(list, 43)) depth = entry->value.real;
  } else {
    double lowerLeft[3] = {0, 0, 0}, upperRight[3] = {0, 0, 0};
    kxedTextBox(list, lowerLeft, upperRight);
    width = upperRight[0] - lowerLeft[0];
    depth = upperRight[1] - lowerLeft[1];
  }
  width += margins;
  depth += margins;
  if (heightOverride > 0) depth = heightOverride;
  if (widthOverride > 0) width = widthOverride;

  KxGeVector3d normal(0, 0, 1);
  if (resbuf* entry = entryByGroup(list, 210)) normal = pointOf(entry).asVector();
  rectangle[4] = KxGePoint3d(normal.x, normal.y, normal.z);

  const resbuf ucs = coordinateSystem(1);
  const double along[3] = {normal.x, normal.y, normal.z};
  const resbuf ocs = objectSystem(along);
  if (!isMText) translate(centre, ucs, ocs, centre);

  const KxGePoint3d side = polar(centre, rotation + kPi, width / 2);
  rectangle[0] = polar(side, rotation + kPi / 2 + kPi, depth / 2);
  rectangle[1] = polar(rectangle[0], rotation, width);
  rectangle[2] = polar(rectangle[1], rotation + kPi / 2, depth);
  rectangle[3] = polar(rectangle[2], rotation + kPi, width);
  if (!isMText)
    for (int i = 0; i < 4; ++i) translate(rectangle[i], ocs, ucs, rectangle[i]);
  kxutRelRb(list);
}

resbuf coordinateSystem(short code) {
  resbuf rb{};
  rb.code = KXRT_SHORT;
  rb.value.int16 = code;
  return rb;
}

resbuf objectSystem(const double normal[3]) {
  resbuf rb{};
  rb.code = KXRT_3DPOINT;
  std::copy_n(normal, 3, rb.value.point);
  return rb;
}

bool wcsToUcs(const KxGePoint3d& point, KxGePoint3d& result) {
  return translate(point, coordinateSystem(0), coordinateSystem(1), result);
}

bool ucsToWcs(const KxGePoint3d& point, KxGePoint3d& result) {
  return translate(point, coordinateSystem(1), coordinateSystem(0), result);
}

int realByGroup(const kds_name entity, int code, double& value) {
  resbuf* list = kxdbEntGet(entity);
  if (!list) return KXRT_ERROR;
  if (const resbuf* entry = entryByGroup(list, code)) value = entry->value.real;
  kxutRelRb(list);
  return KXRT_NORM;
}

int normalOfEntity(const kds_name entity, KxGeVector3d& normal) {
  resbuf* list = kxdbEntGet(entity);
  if (!list) return KXRT_ERROR;
  if (const resbuf* entry = entryByGroup(list, 210)) normal = pointOf(entry).asVector();
  kxutRelRb(list);
  return KXRT_NORM;
}

int stringByGroup(const resbuf* list, int code, wchar_t* buffer, int size) {
  const resbuf* entry = entryByGroup(const_cast<resbuf*>(list), code);
  if (!entry) return KXRT_ERROR;
  std::wcsncpy(buffer, entry->value.string, static_cast<std::size_t>(size - 1));
  buffer[size - 1] = L'\0';
  return KXRT_NORM;
}

resbuf* entryByGroup(resbuf* list, int code) {
  for (resbuf* entry = list; entry; entry = entry->next)
    if (entry->code == code) return entry;
  return nullptr;
}

void currentLayerName(wchar_t* buffer) {
  const CString name = stringVariable(L"CLAYER");
  if (name.IsEmpty()) return;
  std::wcsncpy(buffer, name, kLayerNameCapacity - 1);
  buffer[kLayerNameCapacity - 1] = L'\0';
}

KxGeVector3d crossProduct(const KxGeVector3d& a, const KxGeVector3d& b) {
  return KxGeVector3d(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

KxGeVector3d currentUcsNormal() {
  const auto axis = [](const wchar_t* name) {
    resbuf value{};
    if (kxedGetVar(name, &value) != KXRT_NORM) return KxGeVector3d();
    return KxGeVector3d(value.value.point[0], value.value.point[1], value.value.point[2]);
  };
  return crossProduct(axis(L"UCSXDIR"), axis(L"UCSYDIR")).normalize();
}

void formatShortText(wchar_t* buffer, const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  kxutVSPrintf(buffer, kShortTextCapacity, format, args);
  va_end(args);
}

void copyShortText(wchar_t* buffer, const wchar_t* text) {
  std::wcsncpy(buffer, text ? text : L"", kShortTextCapacity - 1);
  buffer[kShortTextCapacity - 1] = L'\0';
}
