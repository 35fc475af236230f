#include "db/wipeouts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "db/class_entries.h"
#include "db/dictionaries.h"
#include "db/entities.h"
#include "db/object_fields.h"
#include "dxf/group_code.h"

namespace kx::db {
namespace {

constexpr std::wstring_view kVariablesKey = L"ACAD_WIPEOUT_VARS";

ObjectId findVariables(const Database& db) {
  const ObjectId root = namedObjectsDictionary(db);
  if (!root) return {};
  const ObjectId vars = dictionaryLookup(db, root, kVariablesKey);
  if (!vars || db.isErased(vars) || !db.isType(vars, "WIPEOUTVARIABLES")) return {};
  return vars;
}

ObjectId ensureVariables(Database& db) {
  if (const ObjectId vars = findVariables(db)) return vars;
  const ObjectId root = namedObjectsDictionary(db);
  if (!root) return {};
  ensureClassEntry(db, "WIPEOUTVARIABLES", "AcDbWipeoutVariables", "WipeOut", 0, false);
  return addDictionaryObject(db, root, kVariablesKey, "WIPEOUTVARIABLES",
                             {{100, "AcDbWipeoutVariables"}, {70, "1"}});
}

// The 70 of the variables object: the first one after its subclass marker.
std::optional<std::size_t> frameIndex(const Database& db, ObjectId vars) {
  const auto tags = db.tags(vars);
  bool body = false;
  for (std::size_t i = 1; i < tags.size() && !dxf::isExtendedData(tags[i].code); ++i) {
    if (tags[i].code == 100) body = true;
    if (body && tags[i].code == 70) return i;
  }
  return std::nullopt;
}

void addPoint(std::vector<NewTag>& tags, int code, geom::Vec3 p) {
  tags.push_back({code, formatReal(p.x)});
  tags.push_back({code + 10, formatReal(p.y)});
  tags.push_back({code + 20, formatReal(p.z)});
}

}  // namespace

ObjectId addWipeout(Database& db, ObjectId blockRecord, std::span<const geom::Vec3> outline,
                    std::wstring_view layer) {
  // Repeated points (and a closing point equal to the first) add nothing to a polygon.
  std::vector<geom::Vec3> points;
  for (const geom::Vec3& p : outline) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) return {};
    if (points.empty() || (p - points.back()).length() > 1e-10) points.push_back(p);
  }
  while (points.size() > 1 && (points.back() - points.front()).length() <= 1e-10) points.pop_back();
  if (points.size() < 3) return {};

  // The polygon's plane, by Newell's method; collinear points have none.
  geom::Vec3 normal;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const geom::Vec3& a = points[i];
    const geom::Vec3& b = points[(i + 1) % points.size()];
    normal = normal + geom::cross(a, b);
  }
  if (normal.length() < 1e-12) return {};
  normal = geom::normalized(normal);
  if (normal.z < 0) normal = -normal;  // seen from above, the outline keeps its x to the right
  const geom::OcsAxes axes = geom::ocsAxes(normal);

  // Box of the outline in the plane's own axes.
  double uMin = std::numeric_limits<double>::infinity(), vMin = uMin;
  double uMax = -uMin, vMax = -uMin;
  for (const geom::Vec3& p : points) {
    const double u = geom::dot(p, axes.x), v = geom::dot(p, axes.y);
    uMin = std::min(uMin, u);
    uMax = std::max(uMax, u);
    vMin = std::min(vMin, v);
    vMax = std::max(vMax, v);
  }
  const double width = uMax - uMin, height = vMax - vMin;
  if (width < 1e-10 || height < 1e-10) return {};
  const double elevation = geom::dot(points.front(), axes.z);
  const geom::Vec3 insertion = axes.x * uMin + axes.y * vMin + axes.z * elevation;

  ensureClassEntry(db, "WIPEOUT", "AcDbWipeout", "WipeOut", 127, true);
  ensureVariables(db);

  // One pixel covers the whole box; the clip polygon is in image coordinates, which run from
  // -0.5 to 0.5 across the pixel with y growing downwards.
  std::vector<NewTag> body = {
      {100, "AcDbEntity"}, {8, db.encode(layer)}, {100, "AcDbWipeout"}, {90, "0"}};
  addPoint(body, 10, insertion);
  addPoint(body, 11, axes.x * width);
  addPoint(body, 12, axes.y * height);
  body.insert(body.end(), {{13, "1.0"},
                           {23, "1.0"},
                           {340, "0"},
                           {70, "7"},
                           {280, "1"},
                           {281, "50"},
                           {282, "50"},
                           {283, "0"},
                           {360, "0"},
                           {71, "2"},
                           {91, std::to_string(points.size() + 1)}});
  for (std::size_t i = 0; i <= points.size(); ++i) {
    const geom::Vec3& p = points[i % points.size()];
    const double u = (geom::dot(p, axes.x) - uMin) / width - 0.5;
    const double v = 0.5 - (geom::dot(p, axes.y) - vMin) / height;
    body.push_back({14, formatReal(u)});
    body.push_back({24, formatReal(v)});
  }
  return addEntity(db, blockRecord, "WIPEOUT", body);
}

int wipeoutFrame(const Database& db) {
  const ObjectId vars = findVariables(db);
  if (!vars) return 1;
  const auto at = frameIndex(db, vars);
  if (!at) return 1;
  return static_cast<int>(FieldReader(db, vars).integer(70));
}

void setWipeoutFrame(Database& db, int frame) {
  const ObjectId vars = ensureVariables(db);
  if (!vars) return;
  const std::string text = std::to_string(frame);
  if (const auto at = frameIndex(db, vars)) {
    db.setText(vars, *at, text);
    return;
  }
  const auto tags = db.tags(vars);
  std::size_t end = tags.size();
  for (std::size_t i = 1; i < tags.size(); ++i)
    if (dxf::isExtendedData(tags[i].code)) {
      end = i;
      break;
    }
  db.insertTag(vars, end, 70, text);
}

}  // namespace kx::db
